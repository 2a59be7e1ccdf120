// The places where the game touches the platform. The shell installs the real
// ones at start-up; tests install fakes. Install before any game thread runs.
#pragma once

#include <cstdint>

// Clock: a wrapping 32-bit millisecond counter and a sleep.
struct ClockPort {
    uint32_t (*milliseconds)();
    void (*sleep)(uint32_t ms);
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
// Ends every sleep of the system clock now in progress, so that a thread
// asked to stop does not first sleep out its tick. Any thread.
void wakeSleepers();

// Called on the game thread (landing, rotation) under gameLock; never blocks.
void playSound(const char* file);

// The three cue files.
inline constexpr const char* SOUND_ROTATE = "sfx/rotate.wav";
inline constexpr const char* SOUND_SHAPE_PLACED = "sfx/shape_placed.wav";
inline constexpr const char* SOUND_ROW_FILLED = "sfx/row_filled.wav";
