// The Save Game, Load Game and Watch Replay file choosers: the system's
// common dialogs, each opening with the name last chosen in it (they do not
// share one).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "ui/shell.h"

#include <optional>
#include <string>

// The path chosen, in UTF-8, or nothing when the player cancelled. Saving
// asks before it replaces a file; a name without a suffix gets ".sav" (a
// replay's ".replay"). Window thread.
std::optional<std::string> chooseGameFile(HWND owner, FileChoice choice);
