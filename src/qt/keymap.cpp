#include "qt/keymap.h"

#include "core/keys.h"

#include <QKeyEvent>
#include <QKeySequence>


namespace {

struct KeyCode {
    int qtKey;
    int32_t virtualKey;
};

// Keys that are the same on and off the keypad (the keypad's navigation keys
// with Num Lock off, and its Enter, are the main keys to the game).
constexpr KeyCode commonKeys[] = {
    {Qt::Key_Backspace, 8},   {Qt::Key_Tab, 9},         {Qt::Key_Backtab, 9},
    {Qt::Key_Clear, 12},      {Qt::Key_Return, 13},     {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},      {Qt::Key_Control, 17},    {Qt::Key_Alt, 18},
    {Qt::Key_AltGr, 18},      {Qt::Key_Pause, 19},      {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, 27},     {Qt::Key_Space, 32},      {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34},   {Qt::Key_End, 35},        {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},       {Qt::Key_Up, 38},         {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},       {Qt::Key_Print, 44},      {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},     {Qt::Key_Meta, 91},       {Qt::Key_Super_L, 91},
    {Qt::Key_Super_R, 92},    {Qt::Key_Menu, 93},       {Qt::Key_NumLock, 144},
    {Qt::Key_ScrollLock, 145},
};

// Keypad keys that have a number of their own.
constexpr KeyCode keypadKeys[] = {
    {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107},   {Qt::Key_Minus, 109},
    {Qt::Key_Period, 110},   {Qt::Key_Comma, 110},  {Qt::Key_Slash, 111},
};

// Punctuation of the main keyboard, shifted or not, by its place on a US
// keyboard.
constexpr KeyCode mainKeys[] = {
    {Qt::Key_ParenRight, '0'},   {Qt::Key_Exclam, '1'},     {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},   {Qt::Key_Dollar, '4'},     {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},  {Qt::Key_Ampersand, '7'},  {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},    {Qt::Key_Semicolon, 186},  {Qt::Key_Colon, 186},
    {Qt::Key_Equal, 187},        {Qt::Key_Plus, 187},       {Qt::Key_Comma, 188},
    {Qt::Key_Less, 188},         {Qt::Key_Minus, 189},      {Qt::Key_Underscore, 189},
    {Qt::Key_Period, 190},       {Qt::Key_Greater, 190},    {Qt::Key_Slash, 191},
    {Qt::Key_Question, 191},     {Qt::Key_QuoteLeft, 192},  {Qt::Key_AsciiTilde, 192},
    {Qt::Key_BracketLeft, 219},  {Qt::Key_BraceLeft, 219},  {Qt::Key_Backslash, 220},
    {Qt::Key_Bar, 220},          {Qt::Key_BracketRight, 221}, {Qt::Key_BraceRight, 221},
    {Qt::Key_Apostrophe, 222},   {Qt::Key_QuoteDbl, 222},
};

template <size_t N>
int32_t lookUp(const KeyCode (&table)[N], int qtKey)
{
    for (const KeyCode& entry : table)
        if (entry.qtKey == qtKey)
            return entry.virtualKey;
    return 0;
}

struct KeyName {
    int32_t virtualKey;
    const char* name;
};

constexpr KeyName namedKeys[] = {
    {8, "Backspace"},     {9, "Tab"},          {12, "Clear"},        {13, "Enter"},
    {16, "Shift"},        {17, "Ctrl"},        {18, "Alt"},          {19, "Pause"},
    {20, "Caps Lock"},    {27, "Esc"},         {32, "Space"},        {33, "Page Up"},
    {34, "Page Down"},    {35, "End"},         {36, "Home"},         {37, "Left"},
    {38, "Up"},           {39, "Right"},       {40, "Down"},         {44, "Print Screen"},
    {45, "Insert"},       {46, "Delete"},      {91, "Left Windows"}, {92, "Right Windows"},
    {93, "Application"},  {106, "Num *"},      {107, "Num +"},       {109, "Num -"},
    {110, "Num ."},       {111, "Num /"},      {144, "Num Lock"},    {145, "Scroll Lock"},
    {186, ";"},           {187, "="},          {188, ","},           {189, "-"},
    {190, "."},           {191, "/"},          {192, "`"},           {219, "["},
    {220, "\\"},          {221, "]"},          {222, "'"},
};

// Names longer than a key button holds are cut.
constexpr int maxNameLength = 19;

// Qt's own English name of one of its named keys; empty for a number Qt
// gives no key.
QString qtKeyName(int qtKey)
{
    if (qtKey < namedKeyBase || qtKey >= scanKeyBase || qtKey == Qt::Key_unknown)
        return QString();
    const QString name = QKeySequence(qtKey).toString(QKeySequence::PortableText);
    // Numbers without a name come back as a character beyond the Unicode range or as nothing.
    if (name.isEmpty() || !name.at(0).isPrint() || name.at(0).isSurrogate())
        return QString();
    return name;
}

// Long names ("Monitor Brightness Down") lose letters from their first words
// until they fit, so the word that tells keys apart stays whole.
QString shortened(QString name)
{
    QStringList words = name.split(QLatin1Char(' '));
    for (qsizetype i = 0; i + 1 < words.size() && name.size() > maxNameLength; ++i) {
        if (words[i].size() > 4)
            words[i] = words[i].left(3) + QLatin1Char('.');
        name = words.join(QLatin1Char(' '));
    }
    return name.left(maxNameLength);
}

// A character key of a layout with letters that have no virtual-key number
// (Ä, É, Ø, ß, Cyrillic letters and the like).
bool isCharacterKey(int qtKey)
{
    return qtKey > ' ' && qtKey <= lastCodePoint && !(qtKey >= 0xD800 && qtKey <= 0xDFFF)
        && QChar::isPrint(static_cast<char32_t>(qtKey));
}

// The virtual-key number as on a US keyboard; 0 for keys that have none.
int32_t virtualKeyNumberOf(int qtKey, bool keypad)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return keypad ? 96 + (qtKey - Qt::Key_0) : qtKey;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    if (const int32_t code = lookUp(commonKeys, qtKey))
        return code;
    if (keypad)
        if (const int32_t code = lookUp(keypadKeys, qtKey))
            return code;
    return lookUp(mainKeys, qtKey);
}

}  // namespace

int32_t virtualKeyFromQtKey(int qtKey, bool keypad)
{
    if (const int32_t code = virtualKeyNumberOf(qtKey, keypad))
        return code;
    // Keys without a virtual-key number keep codes of their own, from what
    // the key means, so a binding to them survives the next start.
    if (isCharacterKey(qtKey))
        return characterKeyBase + qtKey;
    if (!qtKeyName(qtKey).isEmpty())
        return qtKey;
    return 0;
}

int32_t virtualKeyFromEvent(const QKeyEvent& event)
{
#ifdef Q_OS_WIN
    // Synthesised events carry no native number; they take the Qt route.
    if (const quint32 native = event.nativeVirtualKey(); native != 0 && native < 256)
        return static_cast<int32_t>(native);
#endif
    if (const int32_t code = virtualKeyFromQtKey(event.key(), event.modifiers().testFlag(Qt::KeypadModifier)))
        return code;
    // A key the window system cannot name is still a key the player pressed.
    if (const quint32 scanCode = event.nativeScanCode(); scanCode != 0 && scanCode <= quint32(lastScanCode))
        return scanKeyBase + static_cast<int32_t>(scanCode);
    return 0;
}

QString virtualKeyName(int32_t virtualKey)
{
    if (virtualKey == 0)
        return QStringLiteral("(none)");
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z'))
        return QString(QChar(virtualKey));
    if (virtualKey >= 96 && virtualKey <= 105)
        return QStringLiteral("Num %1").arg(virtualKey - 96);
    if (virtualKey >= 112 && virtualKey <= 135)
        return QStringLiteral("F%1").arg(virtualKey - 111);
    for (const KeyName& entry : namedKeys)
        if (entry.virtualKey == virtualKey)
            return QString::fromLatin1(entry.name);
    if (virtualKey > characterKeyBase && virtualKey <= characterKeyBase + lastCodePoint
        && isCharacterKey(virtualKey - characterKeyBase)) {
        const char32_t character = static_cast<char32_t>(virtualKey - characterKeyBase);
        return QString::fromUcs4(&character, 1);
    }
    if (const QString name = qtKeyName(virtualKey); !name.isEmpty())
        return shortened(name);
    if (virtualKey > scanKeyBase && virtualKey <= scanKeyBase + lastScanCode)
        return QStringLiteral("Scan code %1").arg(virtualKey - scanKeyBase);
    return QStringLiteral("Key %1").arg(virtualKey);
}
