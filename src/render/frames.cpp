#include "render/frames.h"

#include <algorithm>
#include <cstring>

PixelRect copyChangedPixels(FrameView shown, const Bitmap& next)
{
    // Most ticks that move something move one shape by one cell: a few
    // hundred pixels of the frame, which is all the window needs to copy.
    const int32_t width = next.width;
    if (shown.isEmpty() || next.isNull() || shown.width != width || shown.height != next.height)
        return {};
    const size_t rowBytes = static_cast<size_t>(width) * sizeof(uint32_t);
    int32_t top = -1, bottom = -1, left = width, right = -1;
    for (int32_t y = 0; y < next.height; ++y) {
        const uint32_t* was = shown.row(y);
        const uint32_t* is = next.pixels.data() + static_cast<size_t>(y) * width;
        if (std::memcmp(was, is, rowBytes) == 0)
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        int32_t first = 0;
        while (was[first] == is[first])
            ++first;
        int32_t last = width - 1;
        while (was[last] == is[last])
            --last;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    if (top < 0)
        return {};
    const PixelRect changed{left, top, right - left + 1, bottom - top + 1};
    const size_t bytes = static_cast<size_t>(changed.width) * sizeof(uint32_t);
    for (int32_t y = changed.top; y <= bottom; ++y)
        std::memcpy(shown.row(y) + left, next.pixels.data() + static_cast<size_t>(y) * width + left, bytes);
    return changed;
}
