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
// Instead of a step on every read, one millisecond every readsPerMillisecond
// reads, as on the system clock: draws made close together share a reading,
// and a loop of draws still sees the time pass.
void installReadRate(uint32_t start, uint32_t readsPerMillisecond);
void advance(uint32_t ms);
uint32_t now();
}  // namespace fakeClock

// Records every cue the game asks for, in order.
namespace soundLog {
void install();
const std::vector<std::string>& played();
void clear();
}  // namespace soundLog
