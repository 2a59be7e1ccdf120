// The places where the game touches the platform. The front end installs the
// real ones at start-up; tests install fakes. Install before any game thread
// runs.
#pragma once

#include <cstdint>

// Clock: a wrapping 32-bit millisecond counter and a sleep. A clock may also
// sleep to a given reading of its counter; without that, sleepUntil sleeps the
// difference.
struct ClockPort {
    uint32_t (*milliseconds)();
    void (*sleep)(uint32_t ms);
    void (*sleepUntil)(uint32_t due) = nullptr;
};

// Sound: play a cue file (relative to the data folder) asynchronously.
// Without an installed player cues are silent.
using SoundPlayer = void (*)(const char* file);

// Installs a clock; nullptr members fall back to the steady system clock.
void installClock(const ClockPort& clock);
// The steady system clock itself, for wrappers that measure it.
ClockPort systemClock();
void installSoundPlayer(SoundPlayer player);

uint32_t currentMilliseconds();
void sleepMilliseconds(uint32_t ms);
// Sleeps until the millisecond counter reads due (taken as at most 24 days
// ahead; a time already past returns at once). The system clock wakes at the
// very start of that millisecond, so ticks paced by it keep to the clock
// instead of adding up each wake-up's lateness.
void sleepUntilMilliseconds(uint32_t due);

// Ends every sleep of the system clock now in progress and every waitForWake,
// so that a thread asked to stop, or to play again, does not sleep on. Any
// thread.
void wakeSleepers();
// How many times wakeSleepers has been called. A thread that is about to
// wait reads it before it looks at what it waits for: a wake that lands
// between the look and the wait then still ends the wait.
uint64_t wakeCount();
// Waits, with no timeout and whatever clock is installed, until wakeCount()
// differs from seen.
void waitForWake(uint64_t seen);

// Names the calling thread where the system keeps thread names (at most 15
// characters), so that profilers and the per-thread figures of the
// benchmarks can tell our threads apart.
void nameThisThread(const char* name);

// Called on the game thread (landing, rotation) under gameLock; never blocks.
void playSound(const char* file);

// The three cue files.
inline constexpr const char* SOUND_ROTATE = "sfx/rotate.wav";
inline constexpr const char* SOUND_SHAPE_PLACED = "sfx/shape_placed.wav";
inline constexpr const char* SOUND_ROW_FILLED = "sfx/row_filled.wav";
