// The queue of predicted shapes: spawning its first entry and growing new ones.
#pragma once

#include "core/gamestate.h"

// Moves queue entry 0 into the field as the active shape, squared into its box
// and centred at the top, and appends a freshly generated shape. Returns false
// when a cell the shape needs is occupied (the game is over); the queue is then
// left as it was. Called on the game thread under gameLock, or by a new game
// on the window thread under gameLock.
bool spawnNextShape();

// Fills an all-empty matrix of maxShapeExtent squared cells with a random
// polyomino (or, for the shattered-shapes effect, a loose scatter) of
// minBlocks..maxBlocks blocks, centred in the matrix.
void generateShape(ShapeMatrix& matrix);
