// The Hall of Fame window. Runs modally on the window thread under gameLock,
// like the other dialogs. Controls carry object names for tests and tools:
// the list of tables "table", the entries "entries" (place, score, name,
// date), the name being entered "name" and the button "ok".
#pragma once

#include "persist/halloffame.h"

#include <cstddef>
#include <optional>

class QWidget;

// Shows the table of these rules, with a list to look at the others. With a
// place, that entry has just gone in: its row is highlighted and its name can
// be edited; the name is written back when the window closes.
void runHallOfFameDialog(QWidget* parent, const Difficulty& rules, std::optional<HallEntry> entered);
