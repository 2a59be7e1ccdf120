// Reads the skins' .bmp images from memory, without any toolkit: the
// uncompressed 24- and 32-bit kinds (BI_RGB, or BI_BITFIELDS with the usual
// 8-8-8 masks), bottom-up or top-down, with any info header from
// BITMAPINFOHEADER on. Every size and offset is checked against the bytes
// given; anything else, or a damaged file, gives an empty bitmap, which draws
// nothing.
#pragma once

#include "render/bitmap.h"

#include <cstddef>

// A whole .bmp file: the 14-byte file header ("BM"), the info header, the pixels.
Bitmap readBmp(const void* data, size_t size);

// A packed DIB: the info header first, then any colour masks and table, then
// the pixels. This is what a Windows BITMAP resource holds (the .bmp file
// without its file header).
Bitmap readDib(const void* data, size_t size);
