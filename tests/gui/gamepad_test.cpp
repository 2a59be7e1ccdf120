// A controller made by SDL itself (a virtual joystick), read the way the
// window reads real ones: no hardware needed.
#include "qt/gamepad.h"

#include "core/folders.h"
#include "core/window.h"
#include "game/gamepad.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/tick.h"
#include "gui/dialogtest.h"
#include "qt/halloffame.h"
#include "qt/mainwindow.h"
#include "support/gametest.h"
#include "support/tempdir.h"

#include <QDialog>
#include <QTest>

#include <SDL.h>

namespace {

class VirtualPadTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        loadDefaultKeys(game.keyBindings);
        ASSERT_TRUE(startGamepads(nullptr));
    }
    void TearDown() override
    {
        if (pad != nullptr)
            SDL_JoystickClose(pad);
        if (index >= 0)
            SDL_JoystickDetachVirtual(index);
        stopGamepads();
        releaseAllKeys();
    }

    void attach()
    {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "Dralen test pad";
        index = SDL_JoystickAttachVirtualEx(&desc);
        ASSERT_GE(index, 0) << SDL_GetError();
        pad = SDL_JoystickOpen(index);
        ASSERT_NE(pad, nullptr) << SDL_GetError();
    }

    void press(SDL_GameControllerButton button, bool down)
    {
        SDL_JoystickSetVirtualButton(pad, button, down ? 1 : 0);
    }

    // One tick as the game thread runs it, after the window read the pad.
    void tick()
    {
        pollGamepads();
        pollKeys();
        gameStep();
    }

    int index = -1;
    SDL_Joystick* pad = nullptr;
};

void showScore(QWidget*)
{
    showMessage("Your score: %d", 40);
}
Difficulty playedRules;
std::optional<HallEntry> playedEntry;
void showNewEntry(QWidget*)
{
    runHallOfFameDialog(nullptr, playedRules, playedEntry);
}
void showOtherDialog(QWidget*)
{
    QDialog dialog;
    dialog.exec();
}

}  // namespace

TEST_F(VirtualPadTest, PlugInMoveHoldPauseAndUnplug)
{
    game.fieldWidth = 16;
    game.fieldHeight = 30;
    game.maxShapeExtent = 4;
    game.minBlocks = game.maxBlocks = 4;
    game.initialFallSpeed = 0.01;
    game.randomEvents = false;
    game.shiftSpeed = 10;
    startNewGame();

    pollGamepads();
    EXPECT_EQ(attachedGamepads(), 0);
    EXPECT_EQ(gamepadPollInterval(), 1000) << "nothing attached: a look a second";
    attach();
    pollGamepads();
    ASSERT_EQ(attachedGamepads(), 1);
    EXPECT_EQ(gamepadPollInterval(), tickLength);

    // A tap of the d-pad moves the shape one column.
    const int32_t column = game.shapeColumn;
    press(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
    tick();
    press(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, false);
    for (int i = 0; i < 30; ++i)
        tick();
    EXPECT_EQ(game.shapeColumn, column + 1);

    // Held, it moves on like a held key.
    press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    for (int i = 0; i < 30; ++i)
        tick();
    press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
    tick();
    EXPECT_LE(game.shapeColumn, column - 2);

    // Start pauses, and pressed again resumes.
    press(SDL_CONTROLLER_BUTTON_START, true);
    pollGamepads();
    EXPECT_EQ(game.gameMode, MODE_PAUSED);
    press(SDL_CONTROLLER_BUTTON_START, false);
    pollGamepads();
    EXPECT_EQ(game.gameMode, MODE_PAUSED);
    press(SDL_CONTROLLER_BUTTON_START, true);
    pollGamepads();
    EXPECT_EQ(game.gameMode, MODE_PLAYING);

    // Behind a dialog the pad turns nothing; once it is gone, the held button does.
    press(SDL_CONTROLLER_BUTTON_START, false);
    {
        QDialog dialog;
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        press(SDL_CONTROLLER_BUTTON_A, true);
        pollGamepads();
        EXPECT_EQ(game.pendingRotation, ROTATE_NONE);
    }
    pollGamepads();
    EXPECT_EQ(game.pendingRotation, ROTATE_CCW);
    press(SDL_CONTROLLER_BUTTON_A, false);

    // Pulled out with a direction held: the key goes up, the pad is let go.
    press(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
    pollGamepads();
    EXPECT_TRUE(queryKey(39));
    SDL_JoystickClose(pad);
    pad = nullptr;
    SDL_JoystickDetachVirtual(index);
    index = -1;
    pollGamepads();
    EXPECT_EQ(attachedGamepads(), 0);
    EXPECT_EQ(gamepadPollInterval(), 1000);
    EXPECT_FALSE(queryKey(39));
}

TEST_F(VirtualPadTest, AOrStartConfirmsTheScoreAndTheHallOfFameAndBClosesIt)
{
    TempDir dir;
    gameDirectory = dir.path();
    installShellPorts();
    attach();
    pollGamepads();

    // A held as the game ends answers nothing, nor does a press at once
    // after the box appears; a fresh press later confirms it.
    press(SDL_CONTROLLER_BUTTON_A, true);
    whileOpen(showScore, [this](QDialog& box) {
        pollGamepads();
        press(SDL_CONTROLLER_BUTTON_A, false);
        pollGamepads();
        press(SDL_CONTROLLER_BUTTON_A, true);
        pollGamepads();
        EXPECT_TRUE(box.isVisible()) << "a press meant for the game closed the box";
        press(SDL_CONTROLLER_BUTTON_A, false);
        pollGamepads();
        fakeClock::advance(padAnswerDelayMs);
        press(SDL_CONTROLLER_BUTTON_A, true);
        pollGamepads();
    });
    // Still held once the box is gone, the A that answered turns nothing.
    pollGamepads();
    EXPECT_EQ(game.pendingRotation, ROTATE_NONE);
    press(SDL_CONTROLLER_BUTTON_A, false);
    pollGamepads();

    playedRules = difficultyOf(game);
    playedEntry = recordScore(playedRules, 40);
    ASSERT_TRUE(playedEntry);
    for (SDL_GameControllerButton button : {SDL_CONTROLLER_BUTTON_START, SDL_CONTROLLER_BUTTON_B}) {
        whileOpen(showNewEntry, [this, button](QDialog&) {
            pollGamepads();
            fakeClock::advance(padAnswerDelayMs);
            press(button, true);
            pollGamepads();
        });
        press(button, false);
        pollGamepads();
        EXPECT_EQ(findHallTable(readHallOfFame(), playedRules)->entries.at(0).name, loginName());
    }

    // Other dialogs take nothing from the controller.
    whileOpen(showOtherDialog, [this](QDialog& dialog) {
        pollGamepads();
        fakeClock::advance(padAnswerDelayMs);
        press(SDL_CONTROLLER_BUTTON_A, true);
        press(SDL_CONTROLLER_BUTTON_B, true);
        pollGamepads();
        EXPECT_TRUE(dialog.isVisible());
        dialog.reject();
    });
    removeWindowPort();
}

TEST_F(VirtualPadTest, AWindowBehindAnotherProgramTakesNothing)
{
    startNewGame();
    QWidget window, other;
    stopGamepads();
    ASSERT_TRUE(startGamepads(&window));
    attach();
    // A tap of A on the pad with this window in front.
    auto turnsWith = [this](QWidget& front) {
        front.show();
        front.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&front));
        game.pendingRotation = ROTATE_NONE;
        press(SDL_CONTROLLER_BUTTON_A, true);
        pollGamepads();
        press(SDL_CONTROLLER_BUTTON_A, false);
        pollGamepads();
        return game.pendingRotation == ROTATE_CCW;
    };
    EXPECT_TRUE(turnsWith(window));
    EXPECT_FALSE(turnsWith(other));
}
