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

// Every code a key can have lies below this; the key table has a place for each.
constexpr int32_t keyTableSize = 256;
