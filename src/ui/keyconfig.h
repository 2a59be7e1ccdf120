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
    // A modifier key that went down alone during a capture: it is taken only
    // if it comes up again before any other key.
    int32_t pendingModifier = 0;
};

// Copies the bindings into the dialog's working copy; no capture.
void openKeysDialog(KeysDialogState& state);

// A binding's button was clicked: its new key is awaited. A second click on
// another button before any key moves the capture there.
void beginKeyCapture(KeysDialogState& state, int32_t index);

// Any other button ends the capture without a key.
void cancelKeyCapture(KeysDialogState& state);

// The awaited binding takes the key and the capture ends (0 and numbers no
// key has are not taken, and the capture goes on). Returns true when the key
// was taken.
bool captureKey(KeysDialogState& state, int32_t virtualKey);

// A fresh key press during a capture. A key pressed with Shift, Ctrl or Alt
// held is ignored (and the held modifier has served as one); a modifier
// pressed alone waits for its release (captureKeyUp); any other key is taken
// by captureKey. Returns true when the key was taken.
bool captureKeyDown(KeysDialogState& state, int32_t virtualKey, bool isModifierKey, bool modifierHeld);

// A key released during a capture: a modifier that went down and up alone is
// taken. Returns true when it was.
bool captureKeyUp(KeysDialogState& state, int32_t virtualKey);

// "Load default keys": the copy takes the defaults; the bindings stay as they
// are until "OK".
void loadDefaultKeysIntoDialog(KeysDialogState& state);

// "OK": the copy becomes the bindings.
void commitKeysDialog(const KeysDialogState& state);
