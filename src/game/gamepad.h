// Controllers play through the key table: the d-pad and the left stick hold
// the four move keys, three face buttons press the turn keys and Start
// presses Pause, so the game rules cannot tell a controller from a keyboard.
// Each front end reads its controllers; this is what their state means.
#pragma once

#include "core/gamestate.h"

#include <array>
#include <cstddef>
#include <cstdint>

// One controller's state in the terms of SDL's standard layout: A at the
// bottom of the four face buttons, B on the right, Y at the top.
struct PadReading {
    bool dpadLeft = false, dpadRight = false, dpadUp = false, dpadDown = false;
    int32_t stickX = 0, stickY = 0;  // -32768..32767, y grows downward
    bool buttonA = false, buttonB = false, buttonY = false, start = false;
};

// An XInput controller's state (XINPUT_GAMEPAD: its button bits and its
// left stick, whose y grows upward) in the same terms, so that Windows
// controllers play exactly as the ones SDL reads on Linux.
PadReading padReadingFromXInput(uint16_t buttons, int16_t thumbLX, int16_t thumbLY);

// How often the controllers are read: every 10 ms while one is connected, so
// a held direction moves on at the game's pace, and once a second while none
// is, so that an idle game stays silent.
constexpr uint32_t padPollConnectedMs = 10;
constexpr uint32_t padPollIdleMs = 1000;

// A stick pushed less than this far from the centre counts as resting, so a
// worn stick that never quite centres moves nothing.
constexpr int32_t stickDeadZone = 12000;

// For each binding, whether a controller holds it down.
using PadBindings = std::array<bool, KEY_COUNT>;

// The bindings one controller holds: d-pad and stick as "Move left/right/
// up/down" by their direction on the screen (the key table then follows
// gravity as it does for the arrow keys), A "Rotate 90° CCW", Y "Rotate
// 180°", B "Rotate 90° CW", Start "Pause". Nothing holds "Anti-boss!".
PadBindings padBindings(const PadReading& reading);

// Hands the change since the previous call to the key table and the
// key-press rule, as key events do: a binding going down is a key going down
// and one press, a binding going up a key going up; a held one stays down,
// so a held direction moves on like a held key. Pass all controllers'
// bindings together. Window thread.
void feedPadBindings(const PadBindings& held);
// While set, a binding going down goes to the function instead of the key
// table (a replay being watched takes the buttons for its own). nullptr:
// the game's again. Window thread.
void divertPadPresses(void (*to)(int32_t binding));

// What stands in front of the game when the controllers are read.
enum PadFront {
    PAD_FRONT_PLAY,     // nothing: the controllers play
    PAD_FRONT_MESSAGE,  // one of the game's message boxes ("Your score", a tip)
    PAD_FRONT_HALL,     // the Hall of Fame
    PAD_FRONT_DIALOG,   // any other dialog, which the controllers leave alone
    // Another program's window: its keys are not the game's, and neither
    // are the controller's buttons, which would otherwise resume a game
    // paused behind it.
    PAD_FRONT_ELSEWHERE,
};

// What the front end does to the window in front.
enum PadAnswer {
    PAD_ANSWER_NONE,
    PAD_ANSWER_CONFIRM,  // as its OK button would
    PAD_ANSWER_CLOSE,    // as its close box would
};

// A press that comes this soon after a box or the Hall of Fame appeared is
// still meant for the game it ended, and answers nothing.
constexpr uint32_t padAnswerDelayMs = 400;

// One look at every connected controller. With nothing in front, they play
// (feedPadBindings); in front of a dialog they hold nothing. A or Start
// pushed down confirms a message box or the Hall of Fame, B closes the Hall
// of Fame; a button that answered must be let go before it plays again.
// Window thread.
PadAnswer feedPads(const PadReading* pads, size_t count, PadFront front);
