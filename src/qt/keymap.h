// Qt keys to the virtual-key numbers the game and its configuration file use,
// and a readable name for each of those numbers.
#pragma once

#include <QString>

#include <cstdint>

class QKeyEvent;

// The virtual-key number of the key in the event: on Windows the platform's
// own number, elsewhere the Qt key translated as on a US keyboard (letters and
// digits their ASCII codes, the keypad told apart by the keypad modifier).
// A shifted character gives its unshifted key's number, so that a key released
// while Shift is held still counts as released. A key without a number gets
// its code of its own (core/keys.h); 0 only for an event that names no key
// at all. Window thread.
int32_t virtualKeyFromEvent(const QKeyEvent& event);

// The same translation from a Qt key code and whether it came from the keypad;
// what virtualKeyFromEvent uses where the platform offers no number.
int32_t virtualKeyFromQtKey(int qtKey, bool keypad);

// A short name (at most 19 characters) for a key code: "Left", "Space",
// "Enter", "Esc", "A", "F5", "Num 7", ";", the character a key of a national
// layout types ("Ä"), or the name of a media key ("Volume Up"). A number no
// key produces is shown as "Key" and the number, and 0 as "(none)".
QString virtualKeyName(int32_t virtualKey);
