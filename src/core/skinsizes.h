// Pixels per cell of each of the eight skins, in menu order (Stones, Digital,
// Excercise Book, Micro, Pink, Biomass, Neon, Primitive). Kept apart from the
// skin bitmaps so that code without Qt (the configuration reader) can size
// cells too.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int32_t skinCount = 8;
inline constexpr std::array<int32_t, skinCount> skinCellSizes = {10, 15, 20, 8, 10, 12, 16, 10};
