#include "game/keyboard.h"

#include "core/window.h"

#include <atomic>
#include <map>
#include <mutex>

namespace {

struct KeyState {
    std::atomic<bool> down{false};
    std::atomic<bool> pressed{false};  // went down since the last query
};

std::array<KeyState, keyTableSize> keyTable;
std::atomic<void (*)()> exitActionPort{nullptr};

// Keys beyond the virtual-key numbers get a place on their first press. A
// keyboard has far fewer keys than this; a flood of made-up codes must not
// grow the table without end.
struct ExtraKey {
    bool down = false;
    bool pressed = false;
};
constexpr size_t maxExtraKeys = 512;
std::mutex extraKeysMutex;
std::map<int32_t, ExtraKey> extraKeys;  // under extraKeysMutex

bool inTable(int32_t virtualKey)
{
    return virtualKey >= 0 && virtualKey < keyTableSize;
}

constexpr int32_t altKey = 18;
constexpr int32_t f10Key = 121;

bool isBound(int32_t virtualKey)
{
    for (int32_t key : game.keyBindings)
        if (key == virtualKey)
            return true;
    return false;
}

// Which binding shifts toward higher columns, which toward lower ones and
// which speeds up the fall, by force direction; the fourth move key points
// against gravity on the screen and does nothing.
struct MoveRoles {
    int32_t higher, lower, fastFall;
};

MoveRoles moveRoles(int32_t direction)
{
    switch (direction) {
    case FORCE_UP: return {KEY_MOVE_LEFT, KEY_MOVE_RIGHT, KEY_MOVE_UP};
    case FORCE_RIGHT: return {KEY_MOVE_UP, KEY_MOVE_DOWN, KEY_MOVE_RIGHT};
    case FORCE_LEFT: return {KEY_MOVE_DOWN, KEY_MOVE_UP, KEY_MOVE_LEFT};
    default: return {KEY_MOVE_RIGHT, KEY_MOVE_LEFT, KEY_MOVE_DOWN};
    }
}

// A request already pending for the same rotation is left as it is.
void requestRotation(int32_t rotation)
{
    if (game.pendingRotation != rotation)
        game.pendingRotation = rotation;
}

}  // namespace

void setKeyDown(int32_t virtualKey)
{
    if (inTable(virtualKey)) {
        keyTable[virtualKey].pressed = true;
        keyTable[virtualKey].down = true;
        return;
    }
    if (!isKeyCode(virtualKey))
        return;
    std::lock_guard<std::mutex> lock(extraKeysMutex);
    auto found = extraKeys.find(virtualKey);
    if (found == extraKeys.end()) {
        if (extraKeys.size() >= maxExtraKeys)
            return;
        found = extraKeys.emplace(virtualKey, ExtraKey{}).first;
    }
    found->second.pressed = true;
    found->second.down = true;
}

void setKeyUp(int32_t virtualKey)
{
    if (inTable(virtualKey)) {
        keyTable[virtualKey].down = false;
        return;
    }
    std::lock_guard<std::mutex> lock(extraKeysMutex);
    if (const auto found = extraKeys.find(virtualKey); found != extraKeys.end())
        found->second.down = false;
}

void releaseAllKeys()
{
    for (KeyState& key : keyTable)
        key.down = false;
    std::lock_guard<std::mutex> lock(extraKeysMutex);
    for (auto& [code, key] : extraKeys)
        key.down = false;
}

bool queryKey(int32_t virtualKey)
{
    if (inTable(virtualKey)) {
        const bool pressed = keyTable[virtualKey].pressed.exchange(false);
        return keyTable[virtualKey].down || pressed;
    }
    std::lock_guard<std::mutex> lock(extraKeysMutex);
    const auto found = extraKeys.find(virtualKey);
    if (found == extraKeys.end())
        return false;
    const bool pressed = found->second.pressed;
    found->second.pressed = false;
    return found->second.down || pressed;
}

bool isMenuKey(int32_t virtualKey)
{
    return (virtualKey == altKey || virtualKey == f10Key) && !isBound(virtualKey);
}

void pollKeys()
{
    const MoveRoles roles = moveRoles(game.forceDirection);
    applyMoveKeys(queryKey(game.keyBindings[roles.higher]), queryKey(game.keyBindings[roles.lower]),
                  queryKey(game.keyBindings[roles.fastFall]));
}

void applyMoveKeys(bool higherHeld, bool lowerHeld, bool fastFallHeld)
{
    game.shiftRightHeld = higherHeld;
    game.shiftRightPressed = game.shiftRightHeld && !game.prevShiftRightHeld;
    game.prevShiftRightHeld = game.shiftRightHeld;

    game.shiftLeftHeld = lowerHeld;
    game.shiftLeftPressed = game.shiftLeftHeld && !game.prevShiftLeftHeld;
    game.prevShiftLeftHeld = game.shiftLeftHeld;

    game.fastFallHeld = fastFallHeld;
}

void installExitAction(void (*exitAction)())
{
    exitActionPort = exitAction;
}

void handleKeyPress(int32_t virtualKey)
{
    const auto& keys = game.keyBindings;
    if (virtualKey == keys[KEY_ANTI_BOSS]) {
        if (void (*exitAction)() = exitActionPort.load())
            exitAction();
        return;
    }
    if (game.gameMode == MODE_PAUSED) {
        // Alt and F10 reach for the menu bar; the game stays paused meanwhile.
        if (!isMenuKey(virtualKey))
            setGameMode(MODE_PLAYING);
        return;
    }
    if (game.gameMode != MODE_PLAYING)
        return;
    if (virtualKey == keys[KEY_ROTATE_CCW])
        requestRotation(ROTATE_CCW);
    else if (virtualKey == keys[KEY_ROTATE_180])
        requestRotation(ROTATE_180);
    else if (virtualKey == keys[KEY_ROTATE_CW])
        requestRotation(ROTATE_CW);
    else if (virtualKey == keys[KEY_PAUSE]) {
        game.gameMode = MODE_PAUSED;
        requestRepaint(eraseOnRepaint);
    }
}
