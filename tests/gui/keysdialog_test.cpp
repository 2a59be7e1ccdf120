#include "core/version.h"
#include "game/keyboard.h"
#include "qt/dialogs.h"
#include "ui/keyconfig.h"
#include "support/gametest.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include "gui/dialogtest.h"

#include <set>

namespace {

using Keys = std::array<int32_t, KEY_COUNT>;

// Bindings that differ from the defaults in every entry.
constexpr Keys customKeys = {'A', 'D', 'W', 'S', 'Q', 'E', 'R', 'P', 'B'};

QPushButton& keyButton(QDialog& dialog, int index)
{
    const std::string name = "key" + std::to_string(index);
    return control<QPushButton>(dialog, name.c_str());
}

void click(QDialog& dialog, const char* name)
{
    QTest::mouseClick(&control<QPushButton>(dialog, name), Qt::LeftButton);
}

// A key as the window system delivers it: to the dialog's window, which hands
// it to the focused control or to whoever holds the keyboard.
void typeKey(QDialog& dialog, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(dialog.windowHandle(), key, modifiers);
}

void showAndActivate(QDialog& dialog)
{
    dialog.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

class KeysDialogTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        game.keyBindings = customKeys;
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// The working copy, without widgets.

TEST_F(KeysDialogTest, CaptureTakesOnlyKeysTheTableCanHold)
{
    KeysDialogState state;
    openKeysDialog(state);
    EXPECT_EQ(state.editedKeys, customKeys);
    EXPECT_FALSE(captureKey(state, 'Z')) << "no capture without a click";

    beginKeyCapture(state, KEY_PAUSE);
    EXPECT_FALSE(captureKey(state, 0));
    EXPECT_FALSE(captureKey(state, keyTableSize));
    EXPECT_TRUE(state.capturingKey) << "the capture waits on for a usable key";
    EXPECT_TRUE(captureKey(state, 19));
    EXPECT_EQ(state.editedKeys[KEY_PAUSE], 19);
    EXPECT_FALSE(captureKey(state, 20)) << "one key per click";

    beginKeyCapture(state, KEY_COUNT);
    EXPECT_FALSE(state.capturingKey) << "no binding past the last";
    EXPECT_EQ(game.keyBindings, customKeys) << "nothing reaches the bindings before OK";
    commitKeysDialog(state);
    EXPECT_EQ(game.keyBindings[KEY_PAUSE], 19);
}

// ---------------------------------------------------------------------------
// The dialog, driven with real key events.

TEST_F(KeysDialogTest, ShowsEachBindingBesideItsLabel)
{
    whileOpen(runKeysDialog, [](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Configure Keys");
        std::set<QString> labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            labels.insert(label->text());
        for (const char* label : keyBindingLabels)
            EXPECT_TRUE(labels.count(QString::fromUtf8(label))) << label;
        EXPECT_TRUE(labels.count(QString::fromUtf8("Rotate 90° CCW")));
        const char* names[] = {"A", "D", "W", "S", "Q", "E", "R", "P", "B"};
        for (int i = 0; i < KEY_COUNT; ++i)
            EXPECT_EQ(keyButton(dialog, i).text(), names[i]);
        EXPECT_EQ(control<QPushButton>(dialog, "loadDefaults").text(), "Load default keys");
        EXPECT_EQ(control<QPushButton>(dialog, "ok").text(), "OK");
        EXPECT_EQ(control<QPushButton>(dialog, "cancel").text(), "Cancel");
        for (const QWidget* w : dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(dialog.rect().contains(w->geometry())) << w->objectName().toStdString();
        click(dialog, "cancel");
    });
}

TEST_F(KeysDialogTest, EnterEscapeAndSpaceAreCapturedLikeLetters)
{
    whileOpen(runKeysDialog, [](QDialog& dialog) {
        showAndActivate(dialog);
        click(dialog, "key0");
        EXPECT_EQ(keyButton(dialog, 0).text(), "...");
        typeKey(dialog, Qt::Key_Escape);
        EXPECT_TRUE(dialog.isVisible()) << "Escape did not cancel the dialog";
        EXPECT_EQ(keyButton(dialog, 0).text(), "Esc");

        click(dialog, "key1");
        typeKey(dialog, Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible()) << "Enter did not press OK";
        EXPECT_EQ(keyButton(dialog, 1).text(), "Enter");

        click(dialog, "key2");
        typeKey(dialog, Qt::Key_Space);
        EXPECT_EQ(keyButton(dialog, 2).text(), "Space") << "Space did not click the focused button again";

        click(dialog, "key3");
        typeKey(dialog, Qt::Key_7, Qt::KeypadModifier);
        EXPECT_EQ(keyButton(dialog, 3).text(), "Num 7") << "the keypad is no modifier";

        // Once the capture is over, keys work the dialog as usual again:
        // Enter presses the focused button, which waits for a key anew.
        typeKey(dialog, Qt::Key_Return);
        EXPECT_EQ(keyButton(dialog, 3).text(), "...");
        typeKey(dialog, Qt::Key_Z);
        EXPECT_EQ(keyButton(dialog, 3).text(), "Z");
        EXPECT_EQ(game.keyBindings, customKeys);
        click(dialog, "ok");
    });
    const Keys expected = {27, 13, 32, 'Z', 'Q', 'E', 'R', 'P', 'B'};
    EXPECT_EQ(game.keyBindings, expected);
}

TEST_F(KeysDialogTest, KeysWithAModifierHeldOrRepeatingAreNotTaken)
{
    whileOpen(runKeysDialog, [](QDialog& dialog) {
        showAndActivate(dialog);
        click(dialog, "key4");
        // X while Ctrl or Shift is already down (their own presses came
        // before the click), and a repeat of a key held since then.
        for (Qt::KeyboardModifier held : {Qt::ControlModifier, Qt::ShiftModifier, Qt::AltModifier}) {
            QKeyEvent withModifier(QEvent::KeyPress, Qt::Key_X, held);
            QApplication::sendEvent(&keyButton(dialog, 4), &withModifier);
        }
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(&keyButton(dialog, 4), &repeat);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(keyButton(dialog, 4).text(), "...") << "still waiting";

        // A modifier key on its own is a key like any other.
        typeKey(dialog, Qt::Key_Shift, Qt::ShiftModifier);
        EXPECT_EQ(keyButton(dialog, 4).text(), "Shift");

        // The repeats of a key just captured belong to the capture, not to
        // the button that has the focus.
        click(dialog, "key5");
        QTest::keyPress(dialog.windowHandle(), Qt::Key_Return);
        EXPECT_EQ(keyButton(dialog, 5).text(), "Enter");
        QKeyEvent held(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(&keyButton(dialog, 5), &held);
        EXPECT_TRUE(dialog.isVisible()) << "a held Enter did not press a button";
        EXPECT_EQ(keyButton(dialog, 5).text(), "Enter");
        QTest::keyRelease(dialog.windowHandle(), Qt::Key_Return);
        // Let go of, the key works the focused button as usual.
        typeKey(dialog, Qt::Key_Return);
        EXPECT_EQ(keyButton(dialog, 5).text(), "...");

        // So does a fresh press when the release went unseen.
        QTest::keyPress(dialog.windowHandle(), Qt::Key_Space);
        EXPECT_EQ(keyButton(dialog, 5).text(), "Space");
        typeKey(dialog, Qt::Key_Space);
        EXPECT_EQ(keyButton(dialog, 5).text(), "...");
        typeKey(dialog, Qt::Key_K);
        click(dialog, "ok");
    });
    EXPECT_EQ(game.keyBindings[KEY_ROTATE_CCW], 16);
    EXPECT_EQ(game.keyBindings[KEY_ROTATE_180], 'K');
}

TEST_F(KeysDialogTest, AModifierIsTakenOnlyWhenPressedAndReleasedAlone)
{
    whileOpen(runKeysDialog, [](QDialog& dialog) {
        showAndActivate(dialog);
        click(dialog, "key6");
        // Shift+B: Shift goes down alone, then B comes with Shift held.
        QTest::keyPress(dialog.windowHandle(), Qt::Key_Shift, Qt::ShiftModifier);
        QTest::keyClick(dialog.windowHandle(), Qt::Key_B, Qt::ShiftModifier);
        QTest::keyRelease(dialog.windowHandle(), Qt::Key_Shift, Qt::NoModifier);
        EXPECT_EQ(keyButton(dialog, 6).text(), "...") << "neither Shift nor B";

        // Ctrl pressed and released alone is Ctrl.
        QTest::keyPress(dialog.windowHandle(), Qt::Key_Control, Qt::ControlModifier);
        EXPECT_EQ(keyButton(dialog, 6).text(), "...") << "not before it is released";
        QTest::keyRelease(dialog.windowHandle(), Qt::Key_Control, Qt::NoModifier);
        EXPECT_EQ(keyButton(dialog, 6).text(), "Ctrl");

        // A letter of a national layout is taken and named by its character.
        click(dialog, "key7");
        typeKey(dialog, Qt::Key_Adiaeresis);
        EXPECT_EQ(keyButton(dialog, 7).text(), QString::fromUtf8("Ä"));
        click(dialog, "ok");
    });
    EXPECT_EQ(game.keyBindings[KEY_ROTATE_CW], 17);
    EXPECT_EQ(game.keyBindings[KEY_PAUSE], characterKeyBase + 0xC4);
}

TEST_F(KeysDialogTest, ASecondButtonTakesOverTheCapture)
{
    whileOpen(runKeysDialog, [](QDialog& dialog) {
        showAndActivate(dialog);
        click(dialog, "key0");
        click(dialog, "key1");
        typeKey(dialog, Qt::Key_X);
        EXPECT_EQ(keyButton(dialog, 0).text(), "...") << "the first button keeps its dots";
        EXPECT_EQ(keyButton(dialog, 1).text(), "X");
        click(dialog, "ok");
    });
    EXPECT_EQ(game.keyBindings[KEY_MOVE_LEFT], 'A');
    EXPECT_EQ(game.keyBindings[KEY_MOVE_RIGHT], 'X');

    // The next opening shows the names again.
    whileOpen(runKeysDialog, [](QDialog& dialog) {
        EXPECT_EQ(keyButton(dialog, 0).text(), "A");
        click(dialog, "cancel");
    });
}

TEST_F(KeysDialogTest, DefaultsReachTheBindingsOnlyThroughOk)
{
    Keys defaults;
    loadDefaultKeys(defaults);
    whileOpen(runKeysDialog, [](QDialog& dialog) {
        click(dialog, "loadDefaults");
        const char* names[] = {"Left", "Right", "Up", "Down", "V", "C", "Space", "Enter", "Esc"};
        for (int i = 0; i < KEY_COUNT; ++i)
            EXPECT_EQ(keyButton(dialog, i).text(), names[i]);
        click(dialog, "cancel");
    });
    EXPECT_EQ(game.keyBindings, customKeys);

    whileOpen(runKeysDialog, [](QDialog& dialog) {
        // Defaults also clear a capture and the dots it left behind.
        click(dialog, "key6");
        click(dialog, "loadDefaults");
        EXPECT_EQ(keyButton(dialog, 6).text(), "Space");
        click(dialog, "ok");
    });
    EXPECT_EQ(game.keyBindings, defaults);
}

TEST_F(KeysDialogTest, OkDuringACaptureKeepsTheOldKey)
{
    whileOpen(runKeysDialog, [](QDialog& dialog) {
        click(dialog, "key8");
        click(dialog, "ok");
    });
    EXPECT_EQ(game.keyBindings, customKeys);
}

TEST_F(KeysDialogTest, TheKeyboardIsReleasedHoweverTheDialogCloses)
{
    const std::vector<std::pair<const char*, std::function<void(QDialog&)>>> closings = {
        {"OK", [](QDialog& d) { click(d, "ok"); }},
        {"Cancel", [](QDialog& d) { click(d, "cancel"); }},
        {"Load default keys, then Cancel", [](QDialog& d) {
             click(d, "loadDefaults");
             EXPECT_EQ(QWidget::keyboardGrabber(), nullptr) << "the capture is over";
             typeKey(d, Qt::Key_Escape);
         }},
        {"close box", [](QDialog& d) { d.close(); }},
        {"rejected from outside", [](QDialog& d) { d.reject(); }},
        {"hidden", [](QDialog& d) { d.hide(); }},
    };
    for (const auto& [how, closeIt] : closings) {
        bool grabbed = false;
        bool releasedOnClosing = false;
        whileOpen(runKeysDialog, [&, closeIt = closeIt](QDialog& dialog) {
            click(dialog, "key2");
            grabbed = QWidget::keyboardGrabber() == &dialog;
            closeIt(dialog);
            // Checked while the dialog still exists: its end would let go anyway.
            releasedOnClosing = QWidget::keyboardGrabber() == nullptr;
        });
        EXPECT_TRUE(grabbed) << how;
        EXPECT_TRUE(releasedOnClosing) << how;
        EXPECT_EQ(QWidget::keyboardGrabber(), nullptr) << how;
        EXPECT_EQ(game.keyBindings[KEY_MOVE_UP], 'W') << how;
    }
    // Nor do the keys stay swallowed: the next dialog reads them as usual.
    whileOpen(runAboutDialog, [](QDialog& dialog) {
        showAndActivate(dialog);
        typeKey(dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
    });
}

// ---------------------------------------------------------------------------
// About box.

TEST(AboutDialogTest, ShowsNameVersionDescriptionAndCredits)
{
    whileOpen(runAboutDialog, [](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "About Dralen");
        QStringList texts;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            texts << label->text();
        ASSERT_EQ(texts.size(), 5);
        EXPECT_EQ(texts[0], "Dralen " DRALEN_VERSION);
        EXPECT_EQ(texts[1], "A generic and customizable game where you place falling tetraminoes, pentaminoes, "
                            "sextaminoes or even bigger shapes to form hole-free rows");
        for (int i = 2; i < 5; ++i)
            EXPECT_FALSE(texts[i].isEmpty());
        for (const QWidget* w : dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(dialog.rect().contains(w->geometry())) << w->objectName().toStdString();
        click(dialog, "ok");
    });
}
