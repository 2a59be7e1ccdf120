// The Custom Game, Configure Keys, About and Hall of Fame dialogs, built from
// the shared dialog templates as in-memory dialog templates. Each runs
// modally on the window thread under gameLock, so the game stands still.
#pragma once

#include "persist/halloffame.h"

#include <windows.h>

#include <cstddef>
#include <optional>

void runCustomGameDialog(HWND owner);
void runKeysDialog(HWND owner);
void runAboutDialog(HWND owner);
// With a place, that entry has just gone in: its name can be edited.
void runHallOfFameDialog(HWND owner, const Difficulty& rules, std::optional<HallEntry> entered);
