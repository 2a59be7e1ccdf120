#include "render/bmpfile.h"

#include <cstdint>

namespace {

constexpr uint32_t BI_RGB = 0, BI_BITFIELDS = 3;
constexpr int32_t largestSide = 32768;

uint32_t read16(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

uint32_t read32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The info header at the start of bytes; the pixels at pixelOffset from it
// (none given: right after the header, its masks and its colour table).
Bitmap decode(const uint8_t* bytes, size_t size, bool pixelOffsetGiven, uint64_t pixelOffset)
{
    if (size < 40)
        return {};
    const uint32_t headerSize = read32(bytes);
    if (headerSize < 40 || headerSize > size)
        return {};
    const int32_t width = static_cast<int32_t>(read32(bytes + 4));
    const int32_t rawHeight = static_cast<int32_t>(read32(bytes + 8));
    const uint32_t planes = read16(bytes + 12);
    const uint32_t bitCount = read16(bytes + 14);
    const uint32_t compression = read32(bytes + 16);
    const uint32_t coloursUsed = read32(bytes + 32);
    if (planes != 1 || (bitCount != 24 && bitCount != 32))
        return {};
    if (width <= 0 || width > largestSide || rawHeight == 0 || rawHeight < -largestSide || rawHeight > largestSide)
        return {};
    const bool topDown = rawHeight < 0;
    const int32_t height = topDown ? -rawHeight : rawHeight;

    // The masks follow a plain 40-byte header, and lie inside any longer one.
    uint64_t afterHeader = headerSize;
    if (compression == BI_BITFIELDS) {
        if (bitCount != 32)
            return {};
        if (headerSize == 40)
            afterHeader += 12;
        if (afterHeader > size || 40 + 12 > afterHeader)
            return {};
        if (read32(bytes + 40) != 0x00FF0000u || read32(bytes + 44) != 0x0000FF00u || read32(bytes + 48) != 0x000000FFu)
            return {};
    } else if (compression != BI_RGB) {
        return {};
    }
    if (!pixelOffsetGiven) {
        if (coloursUsed > 256)
            return {};
        pixelOffset = afterHeader + uint64_t(coloursUsed) * 4;
    }
    if (pixelOffset < afterHeader)
        return {};

    const uint64_t rowBytes = (uint64_t(width) * bitCount + 31) / 32 * 4;
    if (pixelOffset > size || rowBytes * uint64_t(height) > size - pixelOffset)
        return {};

    Bitmap bitmap(width, height);
    const uint8_t* pixels = bytes + pixelOffset;
    const size_t step = bitCount / 8;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* from = pixels + rowBytes * uint64_t(topDown ? y : height - 1 - y);
        uint32_t* to = bitmap.pixels.data() + size_t(y) * size_t(width);
        for (int32_t x = 0; x < width; ++x, from += step)
            to[x] = rgbPixel(from[2], from[1], from[0]);  // stored blue, green, red (, unused)
    }
    return bitmap;
}

}  // namespace

Bitmap readBmp(const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (bytes == nullptr || size < 14 || bytes[0] != 'B' || bytes[1] != 'M')
        return {};
    const uint32_t pixelOffset = read32(bytes + 10);
    if (pixelOffset < 14)
        return {};
    return decode(bytes + 14, size - 14, true, uint64_t(pixelOffset) - 14);
}

Bitmap readDib(const void* data, size_t size)
{
    if (data == nullptr)
        return {};
    return decode(static_cast<const uint8_t*>(data), size, false, 0);
}
