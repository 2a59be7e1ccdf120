// The key configuration dialog's working copy of the bindings and its capture
// of the next key, apart from the widgets. The dialog edits the copy and the
// bindings change only on "OK".
#pragma once

#include "core/gamestate.h"

#include <array>
#include <cstdint>

struct KeysDialogState {
    std::array<int32_t, KEY_COUNT> editedKeys{};
    int32_t captureIndex = 0;  // the binding whose new key is awaited
    bool capturingKey = false;
};

// Copies the bindings into the dialog's working copy; no capture.
void openKeysDialog(KeysDialogState& state);

// A binding's button was clicked: its new key is awaited. A second click on
// another button before any key moves the capture there.
void beginKeyCapture(KeysDialogState& state, int32_t index);

// Any other button ends the capture without a key.
void cancelKeyCapture(KeysDialogState& state);

// A key went down with no modifier held. While a capture is on, the awaited
// binding takes the key (0, a key without a number, is not taken and the
// capture goes on) and the capture ends. Returns true when the key was taken.
bool captureKey(KeysDialogState& state, int32_t virtualKey);

// "Load default keys": the copy takes the defaults; the bindings stay as they
// are until "OK".
void loadDefaultKeysIntoDialog(KeysDialogState& state);

// "OK": the copy becomes the bindings.
void commitKeysDialog(const KeysDialogState& state);
