// The text format of saved games, the automatic save and level files.
#pragma once

#include <istream>
#include <ostream>

// Writes the settings and the whole game in progress. Tips with line breaks
// or backslashes are escaped (\n, \r, \\) so they stay on their line; any other
// tip is written as it stands. False when the stream failed or the state
// cannot be written faithfully. Reads the game record without locking: the
// caller holds gameLock while the game thread runs.
bool writeGameState(std::ostream& out);

// Reads a saved game. The file is parsed and checked completely on the side
// (sizes, cell codes, settings, the falling shape's box) before anything of
// the game is touched; a damaged or foreign file returns false and leaves the
// game exactly as it was. On success the game is replaced under gameLock, set
// to playing, and the play area is recomputed. Accepts LF and CR LF lines.
bool readGameState(std::istream& in);
