#include "game/gamepad.h"

#include "game/keyboard.h"

namespace {

// The key code each binding was pressed with, so that the same key goes up
// even when the binding changed while it was held. 0: not held.
std::array<int32_t, KEY_COUNT> heldCodes{};

}  // namespace

PadBindings padBindings(const PadReading& r)
{
    PadBindings held{};
    held[KEY_MOVE_LEFT] = r.dpadLeft || r.stickX <= -stickDeadZone;
    held[KEY_MOVE_RIGHT] = r.dpadRight || r.stickX >= stickDeadZone;
    held[KEY_MOVE_UP] = r.dpadUp || r.stickY <= -stickDeadZone;
    held[KEY_MOVE_DOWN] = r.dpadDown || r.stickY >= stickDeadZone;
    held[KEY_ROTATE_CCW] = r.buttonA;
    held[KEY_ROTATE_180] = r.buttonY;
    held[KEY_ROTATE_CW] = r.buttonB;
    held[KEY_PAUSE] = r.start;
    return held;
}

void feedPadBindings(const PadBindings& held)
{
    for (int32_t k = 0; k < KEY_COUNT; ++k) {
        if (!held[k] && heldCodes[k] != 0) {
            setKeyUp(heldCodes[k]);
            heldCodes[k] = 0;
        }
    }
    for (int32_t k = 0; k < KEY_COUNT; ++k) {
        const int32_t code = game.keyBindings[k];
        if (held[k] && heldCodes[k] == 0 && code != 0) {
            heldCodes[k] = code;
            setKeyDown(code);
            handleKeyPress(code);
        }
    }
}
