// The nine key bindings and their defaults. Codes are Windows virtual-key
// numbers everywhere, in the configuration file too.
#pragma once

#include "core/gamestate.h"

#include <array>
#include <cstdint>

// Labels of the nine bindings, in the order of KeyBindingIndex.
extern const std::array<const char*, KEY_COUNT> keyBindingLabels;

// Fills the table with the default keys: the four arrows, V, C, Space, Enter
// and Escape, in the order of KeyBindingIndex.
void loadDefaultKeys(std::array<int32_t, KEY_COUNT>& keys);

// Windows virtual-key numbers lie below this; the key table has a place for
// each of them.
constexpr int32_t keyTableSize = 256;

// Keys that have no virtual-key number (a character of a national layout such
// as Ä or É, media keys) get codes of their own, far above those numbers, so
// that they too can resume a game and be bound. A code depends only on the
// key's meaning, never on the run or the order of presses, since the
// configuration file keeps it:
// - a character key: characterKeyBase + the Unicode code point of its
//   capital character;
// - any other key the window system names: its number in the window
//   toolkit's key list, all of which lie from namedKeyBase on;
// - a key the window system cannot name: scanKeyBase + its scan code.
constexpr int32_t characterKeyBase = 0x10000;
constexpr int32_t namedKeyBase = 0x1000000;
constexpr int32_t scanKeyBase = 0x2000000;
constexpr int32_t lastCodePoint = 0x10FFFF;
constexpr int32_t lastScanCode = 0xFFFF;

// True for every code a key can have: a virtual-key number 1 to 254 or one of
// the codes above.
bool isKeyCode(int64_t code);
