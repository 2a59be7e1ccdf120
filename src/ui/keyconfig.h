// The key configuration dialog's working copy of the bindings and its capture
// of the next key, apart from the widgets. The dialog edits the copy and the
// bindings change only on "OK".
#pragma once

#include "core/gamestate.h"
#include "ui/dialogtemplates.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct KeysDialogState {
    std::array<int32_t, KEY_COUNT> editedKeys{};
    int32_t captureIndex = 0;  // the binding whose new key is awaited
    bool capturingKey = false;
    // A modifier key that went down alone during a capture: it is taken only
    // if it comes up again before any other key.
    int32_t pendingModifier = 0;
    // The buttons that show they wait for a key: a clicked button keeps
    // showing it until it gets a key or the defaults are loaded, also when
    // a click on another button has taken the capture over.
    std::array<bool, KEY_COUNT> showsAwaited{};
    // The key just captured, while it is held: its repeats and its release
    // belong to the capture too, so a held Return does not go on to press
    // a button.
    int32_t capturedKeyHeld = 0;
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

// What a key button shows while its key is awaited.
inline constexpr const char* keyAwaitedCaption = "...";

// What the buttons of keysTemplate() show: the name of each edited key
// (keyName is the front end's), or keyAwaitedCaption.
std::vector<ControlState> keysDialogControls(const KeysDialogState& state, std::string (*keyName)(int32_t));

// A push button of keysTemplate(): a key button begins its capture; "Load
// default keys", "OK" and "Cancel" end any capture first, and "OK" writes
// the bindings.
DialogOutcome keysDialogCommand(KeysDialogState& state, int32_t id);

enum DialogKeyKind : int32_t {
    DIALOG_KEY_PRESS = 0,
    DIALOG_KEY_RELEASE = 1,
    // Any other key event of the toolkit's, such as its check for a
    // shortcut before a press.
    DIALOG_KEY_OTHER = 2,
};

struct DialogKeyEvent {
    DialogKeyKind kind = DIALOG_KEY_PRESS;
    int32_t virtualKey = 0;
    bool autoRepeat = false;
    bool isModifierKey = false;  // Shift, Ctrl, Alt or the system key itself
    bool modifierHeld = false;   // one of them held, apart from the key itself
};

// A key event while the dialog is open, before any button or shortcut sees
// it. During a capture only a fresh press or release counts (captureKeyDown,
// captureKeyUp) and every key event is kept from the dialog; after it, the
// repeats and the release of the key just captured are kept too. Returns
// true when the event is to be kept from the dialog.
bool keysDialogKey(KeysDialogState& state, const DialogKeyEvent& key);
