#include "game/gamepad.h"

#include "core/ports.h"
#include "game/keyboard.h"

#include <cstdint>

namespace {

// The key code each binding was pressed with, so that the same key goes up
// even when the binding changed while it was held. 0: not held.
std::array<int32_t, KEY_COUNT> heldCodes{};

// What feedPads saw at its last look.
PadFront lastFront = PAD_FRONT_PLAY;
uint32_t frontSince = 0;
bool confirmWasDown = false, closeWasDown = false;
// Bindings that answered a dialog, ignored until they are let go.
PadBindings letGoFirst{};
void (*padDiversion)(int32_t binding) = nullptr;

}  // namespace

PadReading padReadingFromXInput(uint16_t buttons, int16_t thumbLX, int16_t thumbLY)
{
    // XInput's button bits.
    constexpr uint16_t DPAD_UP = 0x0001, DPAD_DOWN = 0x0002, DPAD_LEFT = 0x0004, DPAD_RIGHT = 0x0008;
    constexpr uint16_t START = 0x0010, A = 0x1000, B = 0x2000, Y = 0x8000;
    PadReading r;
    r.dpadUp = (buttons & DPAD_UP) != 0;
    r.dpadDown = (buttons & DPAD_DOWN) != 0;
    r.dpadLeft = (buttons & DPAD_LEFT) != 0;
    r.dpadRight = (buttons & DPAD_RIGHT) != 0;
    r.start = (buttons & START) != 0;
    r.buttonA = (buttons & A) != 0;
    r.buttonB = (buttons & B) != 0;
    r.buttonY = (buttons & Y) != 0;
    r.stickX = thumbLX;
    // Up is positive in XInput and negative on the screen; the stick pushed
    // fully down must not wrap round to up.
    r.stickY = thumbLY == INT16_MIN ? 32767 : -static_cast<int32_t>(thumbLY);
    return r;
}

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
            if (padDiversion != nullptr) {
                padDiversion(k);
                continue;
            }
            setKeyDown(code);
            handleKeyPress(code);
        }
    }
}

PadAnswer feedPads(const PadReading* pads, size_t count, PadFront front)
{
    PadBindings held{};
    bool confirmDown = false, closeDown = false;
    for (size_t i = 0; i < count; ++i) {
        const PadBindings one = padBindings(pads[i]);
        for (size_t k = 0; k < held.size(); ++k)
            held[k] = held[k] || one[k];
        confirmDown = confirmDown || pads[i].buttonA || pads[i].start;
        closeDown = closeDown || pads[i].buttonB;
    }
    const uint32_t now = currentMilliseconds();
    if (front != lastFront) {
        lastFront = front;
        frontSince = now;
    }
    PadAnswer answer = PAD_ANSWER_NONE;
    if (front == PAD_FRONT_PLAY) {
        for (size_t k = 0; k < held.size(); ++k) {
            letGoFirst[k] = letGoFirst[k] && held[k];
            held[k] = held[k] && !letGoFirst[k];
        }
        feedPadBindings(held);
    } else {
        feedPadBindings({});
        const bool answers = front == PAD_FRONT_MESSAGE || front == PAD_FRONT_HALL;
        if (answers && now - frontSince >= padAnswerDelayMs) {
            if (confirmDown && !confirmWasDown)
                answer = PAD_ANSWER_CONFIRM;
            else if (front == PAD_FRONT_HALL && closeDown && !closeWasDown)
                answer = PAD_ANSWER_CLOSE;
        }
        if (answer != PAD_ANSWER_NONE)
            letGoFirst = held;
    }
    confirmWasDown = confirmDown;
    closeWasDown = closeDown;
    return answer;
}

void divertPadPresses(void (*to)(int32_t binding))
{
    padDiversion = to;
}
