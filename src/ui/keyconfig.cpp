#include "ui/keyconfig.h"

#include "game/keyboard.h"

void openKeysDialog(KeysDialogState& state)
{
    state = KeysDialogState{};
    state.editedKeys = game.keyBindings;
}

void beginKeyCapture(KeysDialogState& state, int32_t index)
{
    if (index < 0 || index >= KEY_COUNT)
        return;
    state.captureIndex = index;
    state.capturingKey = true;
    state.pendingModifier = 0;
    state.showsAwaited[index] = true;
    state.capturedKeyHeld = 0;
}

void cancelKeyCapture(KeysDialogState& state)
{
    state.capturingKey = false;
    state.pendingModifier = 0;
}

bool captureKey(KeysDialogState& state, int32_t virtualKey)
{
    // Only codes a key can have: a binding to anything else could never be
    // pressed.
    if (!state.capturingKey || !isKeyCode(virtualKey))
        return false;
    state.editedKeys[state.captureIndex] = virtualKey;
    state.showsAwaited[state.captureIndex] = false;
    state.capturingKey = false;
    state.pendingModifier = 0;
    return true;
}

bool captureKeyDown(KeysDialogState& state, int32_t virtualKey, bool isModifierKey, bool modifierHeld)
{
    if (!state.capturingKey)
        return false;
    if (modifierHeld) {
        // Shift+B is neither B nor Shift.
        state.pendingModifier = 0;
        return false;
    }
    if (isModifierKey) {
        state.pendingModifier = virtualKey;
        return false;
    }
    return captureKey(state, virtualKey);
}

bool captureKeyUp(KeysDialogState& state, int32_t virtualKey)
{
    if (!state.capturingKey || state.pendingModifier == 0 || virtualKey != state.pendingModifier)
        return false;
    return captureKey(state, virtualKey);
}

void loadDefaultKeysIntoDialog(KeysDialogState& state)
{
    state.capturingKey = false;
    state.showsAwaited = {};
    loadDefaultKeys(state.editedKeys);
}

void commitKeysDialog(const KeysDialogState& state)
{
    game.keyBindings = state.editedKeys;
}

std::vector<ControlState> keysDialogControls(const KeysDialogState& state, std::string (*keyName)(int32_t))
{
    std::vector<ControlState> controls;
    for (int32_t i = 0; i < KEY_COUNT; ++i) {
        ControlState button;
        button.id = CTL_KEY_FIRST + i;
        button.text = state.showsAwaited[i] ? std::string(keyAwaitedCaption) : keyName(state.editedKeys[i]);
        controls.push_back(button);
    }
    return controls;
}

DialogOutcome keysDialogCommand(KeysDialogState& state, int32_t id)
{
    if (id >= CTL_KEY_FIRST && id - CTL_KEY_FIRST < int32_t{KEY_COUNT}) {
        beginKeyCapture(state, id - CTL_KEY_FIRST);
        return DIALOG_STAYS_OPEN;
    }
    switch (id) {
    case CTL_LOAD_DEFAULTS:
        cancelKeyCapture(state);
        loadDefaultKeysIntoDialog(state);
        return DIALOG_STAYS_OPEN;
    case CTL_OK:
        cancelKeyCapture(state);
        commitKeysDialog(state);
        return DIALOG_ACCEPTED;
    case CTL_CANCEL:
        cancelKeyCapture(state);
        return DIALOG_CANCELLED;
    default: return DIALOG_STAYS_OPEN;
    }
}

bool keysDialogKey(KeysDialogState& state, const DialogKeyEvent& key)
{
    if (state.capturingKey) {
        // Only a fresh press counts: the repeats of a key held since the
        // click are not the player's choice. A modifier counts once it has
        // been released without serving as one.
        if (key.kind != DIALOG_KEY_OTHER && !key.autoRepeat) {
            const bool pressed = key.kind == DIALOG_KEY_PRESS;
            const bool taken = pressed ? captureKeyDown(state, key.virtualKey, key.isModifierKey, key.modifierHeld)
                                       : captureKeyUp(state, key.virtualKey);
            // A key taken on its release has nothing left to keep.
            if (taken)
                state.capturedKeyHeld = pressed ? key.virtualKey : 0;
        }
        // No key reaches a button or a shortcut while one is awaited.
        return true;
    }
    if (state.capturedKeyHeld == 0 || key.virtualKey != state.capturedKeyHeld)
        return false;
    const bool keep = key.autoRepeat || key.kind == DIALOG_KEY_RELEASE;
    // A fresh press means the release went elsewhere: the key is free again.
    if (!key.autoRepeat)
        state.capturedKeyHeld = 0;
    return keep;
}
