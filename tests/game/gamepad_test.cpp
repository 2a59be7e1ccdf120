#include "game/gamepad.h"

#include "game/keyboard.h"
#include "support/gametest.h"

namespace {

class GamepadTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        loadDefaultKeys(game.keyBindings);
    }
    void TearDown() override
    {
        feedPadBindings({});
        releaseAllKeys();
    }
};

}  // namespace

TEST_F(GamepadTest, StickHasADeadZoneAndButtonsHoldTheirBindings)
{
    PadReading r;
    r.stickX = stickDeadZone - 1;
    r.stickY = -(stickDeadZone - 1);
    EXPECT_EQ(padBindings(r), PadBindings{});
    r.stickX = stickDeadZone;
    r.stickY = -stickDeadZone;
    r.buttonA = r.buttonY = r.buttonB = r.start = true;
    const PadBindings held = padBindings(r);
    EXPECT_TRUE(held[KEY_MOVE_RIGHT] && held[KEY_MOVE_UP] && held[KEY_ROTATE_CCW] && held[KEY_ROTATE_180]
                && held[KEY_ROTATE_CW] && held[KEY_PAUSE]);
    EXPECT_FALSE(held[KEY_MOVE_LEFT] || held[KEY_MOVE_DOWN] || held[KEY_ANTI_BOSS]);
}

TEST_F(GamepadTest, DirectionsFollowGravityThroughTheKeyTable)
{
    // Gravity to the right: "up" on the pad shifts toward higher columns,
    // "right" falls faster, exactly as the arrow keys do.
    game.forceDirection = FORCE_RIGHT;
    PadReading r;
    r.dpadUp = true;
    r.stickX = 30000;
    feedPadBindings(padBindings(r));
    pollKeys();
    EXPECT_TRUE(game.shiftRightPressed);
    EXPECT_TRUE(game.fastFallHeld);
    EXPECT_FALSE(game.shiftLeftHeld);
    // Held, it stays down at every poll, as a held key does; let go, it is up.
    pollKeys();
    EXPECT_TRUE(game.shiftRightHeld);
    EXPECT_FALSE(game.shiftRightPressed);
    feedPadBindings({});
    pollKeys();
    EXPECT_FALSE(game.shiftRightHeld || game.fastFallHeld);
}

TEST_F(GamepadTest, ButtonsPressOncePerPushAndStartPausesAndResumes)
{
    PadBindings held{};
    held[KEY_ROTATE_180] = true;
    feedPadBindings(held);
    EXPECT_EQ(game.pendingRotation, ROTATE_180);
    game.pendingRotation = ROTATE_NONE;
    feedPadBindings(held);  // still held: no second turn
    EXPECT_EQ(game.pendingRotation, ROTATE_NONE);

    PadBindings start{};
    start[KEY_PAUSE] = true;
    feedPadBindings(start);
    EXPECT_EQ(game.gameMode, MODE_PAUSED);
    feedPadBindings({});
    feedPadBindings(start);
    EXPECT_EQ(game.gameMode, MODE_PLAYING);

    // A rebound key while Start is held: the key that went down goes up.
    game.keyBindings[KEY_PAUSE] = 80;
    feedPadBindings({});
    EXPECT_FALSE(queryKey(13) && queryKey(13));
}

TEST_F(GamepadTest, XInputControllersMapAsSdlOnesDo)
{
    // Stick up and left past the dead zone, A and Start: XInput's y grows
    // upward, the screen's downward.
    const PadBindings held = padBindings(padReadingFromXInput(0x1000 | 0x0010, -20000, 20000));
    EXPECT_TRUE(held[KEY_MOVE_LEFT]);
    EXPECT_TRUE(held[KEY_MOVE_UP]);
    EXPECT_FALSE(held[KEY_MOVE_DOWN]);
    EXPECT_TRUE(held[KEY_ROTATE_CCW]);
    EXPECT_TRUE(held[KEY_PAUSE]);
    // Pushed fully down, the stick means down, and B and Y turn.
    const PadBindings down = padBindings(padReadingFromXInput(0x2000 | 0x8000, 0, -32768));
    EXPECT_TRUE(down[KEY_MOVE_DOWN]);
    EXPECT_FALSE(down[KEY_MOVE_UP]);
    EXPECT_TRUE(down[KEY_ROTATE_CW]);
    EXPECT_TRUE(down[KEY_ROTATE_180]);
    // The d-pad alone, and a stick resting inside the dead zone.
    const PadBindings dpad = padBindings(padReadingFromXInput(0x0008, 5000, -5000));
    EXPECT_TRUE(dpad[KEY_MOVE_RIGHT]);
    EXPECT_FALSE(dpad[KEY_MOVE_DOWN]);
}
