#include "game/keyboard.h"
#include "qt/keymap.h"

#include <QKeyEvent>

#include <gtest/gtest.h>

#include <map>
#include <tuple>
#include <set>

namespace {

int32_t codeOf(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QKeyEvent event(QEvent::KeyPress, qtKey, modifiers);
    return virtualKeyFromEvent(event);
}

// Every number some key produces, with one key that produces it, found by
// trying the whole printable range and all of Qt's named keys, on and off the
// keypad.
std::map<int32_t, int> everyBindableKey()
{
    std::map<int32_t, int> found;
    std::vector<int> keys;
    for (int key = 0x20; key <= 0xff; ++key)
        keys.push_back(key);
    for (int key = 0x01000000; key <= 0x01001fff; ++key)
        keys.push_back(key);
    for (int key : keys)
        for (bool keypad : {false, true})
            if (const int32_t code = codeOf(key, keypad ? Qt::KeypadModifier : Qt::NoModifier))
                found.emplace(code, key);
    return found;
}

}  // namespace

TEST(KeyMapTest, KeysGiveTheirNumbersAsOnAUsKeyboard)
{
    const std::vector<std::pair<int, int32_t>> mainKeys = {
        {Qt::Key_A, 65}, {Qt::Key_Z, 90}, {Qt::Key_0, 48}, {Qt::Key_9, 57}, {Qt::Key_Left, 37}, {Qt::Key_Up, 38},
        {Qt::Key_Right, 39}, {Qt::Key_Down, 40}, {Qt::Key_Space, 32}, {Qt::Key_Return, 13}, {Qt::Key_Enter, 13},
        {Qt::Key_Escape, 27}, {Qt::Key_Tab, 9}, {Qt::Key_Backspace, 8}, {Qt::Key_Shift, 16}, {Qt::Key_Control, 17},
        {Qt::Key_Alt, 18}, {Qt::Key_Pause, 19}, {Qt::Key_CapsLock, 20}, {Qt::Key_PageUp, 33}, {Qt::Key_PageDown, 34},
        {Qt::Key_End, 35}, {Qt::Key_Home, 36}, {Qt::Key_Insert, 45}, {Qt::Key_Delete, 46}, {Qt::Key_F1, 112},
        {Qt::Key_F12, 123}, {Qt::Key_F24, 135}, {Qt::Key_NumLock, 144}, {Qt::Key_ScrollLock, 145},
        {Qt::Key_Semicolon, 186}, {Qt::Key_Equal, 187}, {Qt::Key_Comma, 188}, {Qt::Key_Minus, 189},
        {Qt::Key_Period, 190}, {Qt::Key_Slash, 191}, {Qt::Key_QuoteLeft, 192}, {Qt::Key_BracketLeft, 219},
        {Qt::Key_Backslash, 220}, {Qt::Key_BracketRight, 221}, {Qt::Key_Apostrophe, 222}};
    for (const auto& [key, code] : mainKeys)
        EXPECT_EQ(codeOf(key), code) << QKeySequence(key).toString().toStdString();

    const std::vector<std::pair<int, int32_t>> keypadKeys = {
        {Qt::Key_0, 96}, {Qt::Key_5, 101}, {Qt::Key_9, 105}, {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107},
        {Qt::Key_Minus, 109}, {Qt::Key_Period, 110}, {Qt::Key_Slash, 111}, {Qt::Key_Enter, 13},
        {Qt::Key_Home, 36}, {Qt::Key_Left, 37}};
    for (const auto& [key, code] : keypadKeys)
        EXPECT_EQ(codeOf(key, Qt::KeypadModifier), code) << "keypad " << QKeySequence(key).toString().toStdString();
}

TEST(KeyMapTest, AShiftedCharacterIsStillItsOwnKey)
{
    // A key that goes down unshifted and comes up shifted must be let go of.
    const std::vector<std::pair<int, int>> pairs = {
        {Qt::Key_Exclam, Qt::Key_1}, {Qt::Key_At, Qt::Key_2}, {Qt::Key_ParenLeft, Qt::Key_9},
        {Qt::Key_ParenRight, Qt::Key_0}, {Qt::Key_Colon, Qt::Key_Semicolon}, {Qt::Key_Plus, Qt::Key_Equal},
        {Qt::Key_Less, Qt::Key_Comma}, {Qt::Key_Underscore, Qt::Key_Minus}, {Qt::Key_Question, Qt::Key_Slash},
        {Qt::Key_AsciiTilde, Qt::Key_QuoteLeft}, {Qt::Key_BraceLeft, Qt::Key_BracketLeft},
        {Qt::Key_Bar, Qt::Key_Backslash}, {Qt::Key_QuoteDbl, Qt::Key_Apostrophe}, {Qt::Key_Backtab, Qt::Key_Tab}};
    for (const auto& [shifted, plain] : pairs)
        EXPECT_EQ(codeOf(shifted, Qt::ShiftModifier), codeOf(plain)) << QKeySequence(shifted).toString().toStdString();
}

TEST(KeyMapTest, KeysWithoutANumberGetStableCodesOfTheirOwn)
{
    // National letters by their capital character, other keys by Qt's own
    // number for them: nothing that changes from run to run.
    const std::vector<std::tuple<int, int32_t, const char*>> keys = {
        {Qt::Key_Adiaeresis, characterKeyBase + 0xC4, "Ä"}, {Qt::Key_Odiaeresis, characterKeyBase + 0xD6, "Ö"},
        {Qt::Key_Udiaeresis, characterKeyBase + 0xDC, "Ü"}, {Qt::Key_Eacute, characterKeyBase + 0xC9, "É"},
        {Qt::Key_ssharp, characterKeyBase + 0xDF, "ß"},     {0x416, characterKeyBase + 0x416, "Ж"},
        {Qt::Key_VolumeUp, Qt::Key_VolumeUp, "Volume Up"},  {Qt::Key_MediaPlay, Qt::Key_MediaPlay, "Media Play"}};
    for (const auto& [key, code, name] : keys) {
        EXPECT_EQ(codeOf(key), code) << name;
        EXPECT_TRUE(isKeyCode(code)) << name;
        EXPECT_EQ(virtualKeyName(code), QString::fromUtf8(name));
    }
    // A key Qt cannot name is known by its scan code; an event naming no key
    // at all gives nothing.
    const QKeyEvent unnamed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, 199, 0, 0);
    EXPECT_EQ(virtualKeyFromEvent(unnamed), scanKeyBase + 199);
    EXPECT_EQ(virtualKeyName(scanKeyBase + 199), "Scan code 199");
    for (int key : {int(Qt::Key_unknown), 0})
        EXPECT_EQ(codeOf(key), 0) << key;
}

TEST(KeyMapTest, EveryBindableKeyHasAShortNameOfItsOwn)
{
    const std::map<int32_t, int> bindable = everyBindableKey();
    EXPECT_GE(bindable.size(), 100u);
    std::map<QString, int32_t> owners;
    for (const auto& [code, key] : bindable) {
        EXPECT_TRUE(isKeyCode(code)) << code << " is no key code";
        const QString name = virtualKeyName(code);
        EXPECT_FALSE(name.isEmpty()) << code;
        EXPECT_FALSE(name.startsWith("Key ")) << code << " has no name of its own";
        EXPECT_LE(name.size(), 19) << name.toStdString();
        const auto [owner, fresh] = owners.emplace(name, code);
        EXPECT_TRUE(fresh) << name.toStdString() << " names both " << owner->second << " and " << code;
    }

    std::array<int32_t, KEY_COUNT> defaults;
    loadDefaultKeys(defaults);
    QStringList names;
    for (int32_t code : defaults)
        names << virtualKeyName(code);
    EXPECT_EQ(names.join(','), "Left,Right,Up,Down,V,C,Space,Enter,Esc");
    EXPECT_EQ(virtualKeyName(116), "F5");
    EXPECT_EQ(virtualKeyName(103), "Num 7");
    EXPECT_EQ(virtualKeyName(186), ";");
    EXPECT_EQ(virtualKeyName('0'), "0");
}

TEST(KeyMapTest, NumbersNoKeyProducesStillShowSomething)
{
    // A configuration file may hold anything.
    EXPECT_EQ(virtualKeyName(0), "(none)");
    EXPECT_EQ(virtualKeyName(255), "Key 255");
    EXPECT_EQ(virtualKeyName(-3), "Key -3");
    EXPECT_EQ(virtualKeyName(0x30000000), "Key 805306368");
}
