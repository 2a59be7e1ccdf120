// Landing the active shape: placed blocks, full rows, score and removal.
#pragma once

#include "core/gamestate.h"

// Turns the active shape into placed blocks, then scores and removes (or, with
// the row placement failure effect, punches holes into) the rows that qualify.
// Called on the game thread under gameLock.
void landActiveShape();

// Deletes one row: everything above it sinks by one row, fixed cells stay.
void removeRow(int32_t row);
