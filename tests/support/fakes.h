// Deterministic stand-ins for the platform ports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A millisecond clock that moves only when told to, plus a fixed step on every
// read: the step keeps reseeded random draws from repeating a short cycle while
// still giving the same sequence on every run.
namespace fakeClock {
void install(uint32_t start = 1000, uint32_t stepPerRead = 1);
void advance(uint32_t ms);
uint32_t now();
}  // namespace fakeClock

// Records every cue the game asks for, in order.
namespace soundLog {
void install();
const std::vector<std::string>& played();
void clear();
}  // namespace soundLog
