// The Hall of Fame window apart from its widgets: which tables it offers,
// the rows of the table shown, the entry that has just gone in and the name
// the player gives it.
#pragma once

#include "persist/halloffame.h"
#include "ui/dialogtemplates.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One entry as the list shows it.
struct HallRow {
    std::string place;  // "1." to "10."
    std::string score;
    std::string name;
    std::string date;
    bool operator==(const HallRow&) const = default;
};

// The rows of a table, best first.
std::vector<HallRow> hallRows(const HallTable& table);

struct HallOfFameDialog {
    Difficulty rules;  // of the game played
    // The tables to choose from: that of the game played first, whether or
    // not it has entries yet, then every other table with entries, by name.
    HallOfFame tables;
    std::vector<std::string> tableNames;
    int32_t shownTable = 0;
    // The place in the first table of the entry that has just gone in.
    std::optional<size_t> newPlace;
    std::string enteredName;
    std::string originalName;
    // The row selected in the table shown.
    std::optional<size_t> selectedRow;
};

// Opens on the table of these rules, from the Hall of Fame as read. With an
// entry just entered, that entry of the played table is new and its name can
// be edited, wherever other games have moved it; when they have pushed it
// out, nothing is.
void openHallOfFameDialog(HallOfFameDialog& dialog, const HallOfFame& read, const Difficulty& rules,
                          const std::optional<HallEntry>& entered);

// The rows of the table shown.
std::vector<HallRow> hallDialogRows(const HallOfFameDialog& dialog);

// The row whose name is being entered, when the table shown holds it.
std::optional<size_t> hallDialogNameRow(const HallOfFameDialog& dialog);

// A table chosen in the list (CTL_HALL_TABLE); one out of range shows no rows.
void hallDialogTableChosen(HallOfFameDialog& dialog, int32_t index);

// The name field (CTL_HALL_NAME) now holds this text, in UTF-8.
void hallDialogNameEdited(HallOfFameDialog& dialog, const std::string& name);

// A row of the table shown was selected, or none is.
void hallDialogRowSelected(HallOfFameDialog& dialog, std::optional<size_t> row);
// Whether "Watch" (CTL_HALL_WATCH) can be pressed: the selected entry's
// replay is kept.
bool hallDialogCanWatch(const HallOfFameDialog& dialog);

// "OK" closes the window, and so does Cancel (Escape); the name is written
// however it closes. "Watch" closes it too, and the selected entry's replay
// is shown once it has closed.
DialogOutcome hallOfFameDialogCommand(HallOfFameDialog& dialog, int32_t id);

// What closing writes: the new entry as it was read, by which the file finds
// it again, and its new name without surrounding white space. Nothing when
// no entry was new or its name was left as it was.
struct HallRename {
    HallEntry entry;
    std::string name;
};
std::optional<HallRename> hallDialogRename(const HallOfFameDialog& dialog);

// Writes the rename, if any, into the file. Window thread.
void closeHallOfFameDialog(const HallOfFameDialog& dialog);
