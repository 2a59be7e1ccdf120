#include "shell/keyconfig.h"

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
}

void cancelKeyCapture(KeysDialogState& state)
{
    state.capturingKey = false;
}

bool captureKey(KeysDialogState& state, int32_t virtualKey)
{
    // Only numbers the key table can hold: a binding outside it could never
    // be pressed.
    if (!state.capturingKey || virtualKey <= 0 || virtualKey >= keyTableSize)
        return false;
    state.editedKeys[state.captureIndex] = virtualKey;
    state.capturingKey = false;
    return true;
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
