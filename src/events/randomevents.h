// Random events: pictures dropped as shapes and one-time text events that
// strike the field, the queue or the score.
#pragma once

#include "core/gamestate.h"

#include <array>
#include <atomic>
#include <cstdint>

struct Picture {
    const char* message;  // nullptr: dropped without a word
    const char* pattern;  // n x n of '#' and '.', row 0 at the top as seen
};

extern const std::array<Picture, 18> pictureTable;
extern const std::array<const char*, 8> textEventTable;
// Eight rows of nine cells, row 0 at the top as seen.
extern const char* const smileyPattern;

// Bit e is set once text event e has happened. Never cleared while the
// program runs, so each text event comes at most once a run.
extern std::atomic<uint32_t> usedTextEvents;

// A picture drop (three times in four) or a text event that has not happened
// yet. Called on the game thread holding gameLock exactly once: the lock is
// released around every message box so the window keeps painting.
void runRandomEvent();

// Writes the picture into the top of the field as the active shape, turned
// so that it stands upright on the screen. False, with nothing changed, when
// the field is too small for it.
bool dropPicture(const char* pattern, char block);
