#include "ui/keyconfig.h"

#include "game/keyboard.h"

void openKeysDialog(KeysDialogState& state)
{
    state.editedKeys = game.keyBindings;
    state.captureIndex = 0;
    state.capturingKey = false;
}

void beginKeyCapture(KeysDialogState& state, int32_t index)
{
    if (index < 0 || index >= KEY_COUNT)
        return;
    state.captureIndex = index;
    state.capturingKey = true;
    state.pendingModifier = 0;
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
    loadDefaultKeys(state.editedKeys);
}

void commitKeysDialog(const KeysDialogState& state)
{
    game.keyBindings = state.editedKeys;
}
