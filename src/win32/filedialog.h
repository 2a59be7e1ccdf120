// The Save Game and Load Game file choosers: the system's common dialogs,
// each opening with the name last chosen in it (the two do not share one).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <optional>
#include <string>

// The path chosen, in UTF-8, or nothing when the player cancelled. Saving
// asks before it replaces a file; a name without a suffix gets ".sav".
// Window thread.
std::optional<std::string> chooseGameFile(HWND owner, bool save);
