// A controller made by SDL itself (a virtual joystick), read the way the
// window reads real ones: no hardware needed.
#include "qt/gamepad.h"

#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/tick.h"
#include "support/gametest.h"

#include <QDialog>

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
