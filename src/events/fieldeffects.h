// Flood, erosion and petrification: disturbances of the field between shapes.
#pragma once

#include "core/gamestate.h"

// Gives the three effects their chance, at most one of them per call. Called
// on the game thread under gameLock, with no active shape, before a spawn.
void applyFieldEffects();

// Pushes the placed blocks up by rows (fixed cells stay put) and fills the gap
// under the heap with random blocks.
void raiseField(int32_t rows);
