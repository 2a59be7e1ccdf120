// Moving the active shape on the grid. Every move is built in scratchCells and
// reaches fieldCells only when all of it fits, so a refused move changes nothing.
// All of these run with gameLock held.
#pragma once

#include "core/gamestate.h"

// Replaces the field's active cells by the active cells of the scratch grid.
void commitScratchShape();

// One column toward higher (+1) or lower (-1) columns, wrapping around the sides.
bool shiftActiveShape(int32_t dx);

// One row down (+1) or up (-1); blocks that leave the field are lost. False
// when an obstacle is in the way: the caller lands the shape.
bool fallActiveShape(int32_t dy);

// Turns the shape inside its box (ROTATE_CCW, ROTATE_180, ROTATE_CW), trying
// wall kicks and then ground kicks when the turned shape collides.
bool rotateActiveShape(int32_t direction);

// Fills projectionCells with the field and the shape at its landing row, and
// sets projectedRow (fieldHeight when the shape would fall out of the field).
void computeProjection();

// Moves the shape straight to its landing row (sudden mode).
void dropToProjection();
