#include "core/keys.h"

const std::array<const char*, KEY_COUNT> keyBindingLabels = {
    "Move left", "Move right", "Move up", "Move down", "Rotate 90° CCW",
    "Rotate 180°", "Rotate 90° CW", "Pause", "Anti-boss!"};  // UTF-8

void loadDefaultKeys(std::array<int32_t, KEY_COUNT>& keys)
{
    keys = {
        37,  // left arrow: move left
        39,  // right arrow: move right
        38,  // up arrow: move up
        40,  // down arrow: move down
        86,  // V: rotate 90 degrees counter-clockwise
        67,  // C: rotate 180 degrees
        32,  // space: rotate 90 degrees clockwise
        13,  // Enter: pause
        27,  // Escape: anti-boss
    };
}

bool isKeyCode(int64_t code)
{
    return (code >= 1 && code <= 254) || (code > characterKeyBase + ' ' && code <= characterKeyBase + lastCodePoint)
        || (code >= namedKeyBase && code < scanKeyBase) || (code > scanKeyBase && code <= scanKeyBase + lastScanCode);
}
