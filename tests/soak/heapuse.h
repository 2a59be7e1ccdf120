// How much of the heap this test program holds right now, to tell a leak or
// an ever-growing container from a game that runs in steady state.
#pragma once

#include <cstdint>
#include <optional>

namespace heapUse {

// Bytes allocated and not yet freed, by every thread of the program.
int64_t liveBytes();

// Allocations not yet freed; nothing when the allocator in use cannot tell.
std::optional<int64_t> liveBlocks();

}  // namespace heapUse
