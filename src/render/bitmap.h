// Plain pixel memory for the renderer, free of any toolkit. A pixel is one
// uint32_t 0xAARRGGBB with alpha 0xFF: in memory exactly what Qt's
// QImage::Format_RGB32 and a top-down 32-bit BI_RGB DIB section on Windows
// hold, so a front end shows the renderer's frame without copying it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A frame owned by the caller: width x height pixels, rows stride pixels
// apart (stride counts pixels, not bytes; stride >= width), first row at the
// top. A null pixels pointer or a non-positive size is an empty view.
struct FrameView {
    uint32_t* pixels = nullptr;
    int32_t width = 0, height = 0;
    int32_t stride = 0;

    bool isEmpty() const { return pixels == nullptr || width <= 0 || height <= 0 || stride < width; }
    uint32_t* row(int32_t y) const { return pixels + static_cast<ptrdiff_t>(y) * stride; }
};

// An image that owns its pixels, rows packed (stride == width). Empty (no
// pixels) means missing: a skin image that failed to load draws nothing.
struct Bitmap {
    std::vector<uint32_t> pixels;
    int32_t width = 0, height = 0;

    Bitmap() = default;
    // width x height pixels, every one set to fill.
    Bitmap(int32_t w, int32_t h, uint32_t fill = 0xFF000000u)
        : pixels(w > 0 && h > 0 ? static_cast<size_t>(w) * static_cast<size_t>(h) : 0, fill),
          width(pixels.empty() ? 0 : w), height(pixels.empty() ? 0 : h)
    {
    }

    // True unless the pixels are there and match the size.
    bool isNull() const
    {
        return width <= 0 || height <= 0
            || pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height);
    }
    uint32_t pixel(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    FrameView view() { return isNull() ? FrameView{} : FrameView{pixels.data(), width, height, width}; }
    bool operator==(const Bitmap&) const = default;
};

// 0xFFRRGGBB from the three channels.
constexpr uint32_t rgbPixel(int32_t red, int32_t green, int32_t blue)
{
    return 0xFF000000u | (uint32_t(red & 0xFF) << 16) | (uint32_t(green & 0xFF) << 8) | uint32_t(blue & 0xFF);
}
constexpr int32_t pixelRed(uint32_t pixel) { return int32_t((pixel >> 16) & 0xFF); }
constexpr int32_t pixelGreen(uint32_t pixel) { return int32_t((pixel >> 8) & 0xFF); }
constexpr int32_t pixelBlue(uint32_t pixel) { return int32_t(pixel & 0xFF); }
