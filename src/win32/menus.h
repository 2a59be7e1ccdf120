// The menu bar of the Windows window, built from the shared menu tree, and
// the shell's item states applied to it.
#pragma once

#include "ui/shell.h"

#include <windows.h>

#include <vector>

HMENU buildMenuBar();
// Marks and greys every item by its id, wherever it lies in the bar.
void applyMenu(HMENU bar, const std::vector<MenuItemState>& items);
