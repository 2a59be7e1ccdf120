#include "ui/halloffame.h"

#include "core/folders.h"
#include "ui/commands.h"
#include "support/gametest.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <ostream>

// Readable failure messages.
static void PrintTo(const HallRow& row, std::ostream* out)
{
    *out << '{' << row.place << ' ' << row.score << ' ' << row.name << ' ' << row.date << '}';
}

namespace {

Difficulty rulesOfWidth(int32_t width)
{
    Difficulty rules = difficultyOf(GameState{});
    rules.fieldWidth = width;
    return rules;
}

HallTable tableOf(const Difficulty& rules, std::vector<HallEntry> entries)
{
    return {rules, std::move(entries), 0};
}

}  // namespace

using HallOfFameDialogModel = GameTest;

TEST_F(HallOfFameDialogModel, OpensOnThePlayedTableWithItsNewRowAndHandsBackTheEntryAsRead)
{
    const Difficulty played = rulesOfWidth(30);
    // Named "Custom: 12 × ..." and "Custom: 20 × ...", both before the played table.
    const HallOfFame read = {
        tableOf(rulesOfWidth(20), {{50, "Bo", "2026-01-02"}}),
        tableOf(rulesOfWidth(25), {}),
        tableOf(played, {{300, "Ann", "2026-01-01"}, {200, "me", "2026-03-04"}, {100, "Cy", "2026-01-03"}}),
        tableOf(rulesOfWidth(12), {{70, "Di", "2026-01-04"}}),
    };
    HallOfFameDialog dialog;
    openHallOfFameDialog(dialog, read, played, HallEntry{200, "me", "2026-03-04"});

    ASSERT_EQ(dialog.tableNames.size(), 3u) << "a table without entries is left out";
    EXPECT_EQ(dialog.tableNames[0], hallTableName(played));
    EXPECT_EQ(dialog.tableNames[1], hallTableName(rulesOfWidth(12)));
    EXPECT_EQ(hallDialogRows(dialog).at(1), (HallRow{"2.", "200", "me", "2026-03-04"}));
    EXPECT_EQ(hallDialogNameRow(dialog), std::optional<size_t>(1));

    hallDialogTableChosen(dialog, 2);
    EXPECT_EQ(hallDialogRows(dialog), (std::vector<HallRow>{{"1.", "50", "Bo", "2026-01-02"}}));
    EXPECT_EQ(hallDialogNameRow(dialog), std::nullopt) << "the name is edited only in its own table";
    hallDialogTableChosen(dialog, 0);

    EXPECT_EQ(hallDialogRename(dialog), std::nullopt) << "a name left alone is not written";
    hallDialogNameEdited(dialog, "\u00a0 Zo\u00eb\t\u3000");
    EXPECT_EQ(hallOfFameDialogCommand(dialog, CTL_OK), DIALOG_ACCEPTED);
    const std::optional<HallRename> rename = hallDialogRename(dialog);
    ASSERT_TRUE(rename.has_value());
    EXPECT_EQ(rename->name, "Zo\u00eb");
    EXPECT_EQ(rename->entry.name, "me");
    EXPECT_EQ(rename->entry.score, 200);
    EXPECT_EQ(rename->entry.date, "2026-03-04");
}

TEST_F(HallOfFameDialogModel, ThePlayedTableIsOfferedBeforeItHasEntries)
{
    const Difficulty played = rulesOfWidth(30);
    HallOfFameDialog dialog;
    openHallOfFameDialog(dialog, {tableOf(rulesOfWidth(12), {{70, "Di", "2026-01-04"}})}, played,
                         HallEntry{70, "Di", "2026-01-04"});
    ASSERT_EQ(dialog.tableNames.size(), 2u);
    EXPECT_EQ(dialog.tableNames[0], hallTableName(played));
    EXPECT_TRUE(hallDialogRows(dialog).empty());
    // An entry the played table does not hold edits nothing.
    EXPECT_EQ(hallDialogNameRow(dialog), std::nullopt);
    hallDialogNameEdited(dialog, "Eve");
    EXPECT_EQ(hallDialogRename(dialog), std::nullopt);
}

TEST_F(HallOfFameDialogModel, EachNameGoesOnItsOwnScoreWhateverAnotherGameEnteredMeanwhile)
{
    TempDir dir;
    gameDirectory = dir.path();
    const Difficulty played = rulesOfWidth(30);
    // A ends with 100 and its score box waits; B ends with 200 and is named
    // first; then A's player names A's entry.
    const std::optional<HallEntry> a = recordScore(played, 100);
    const std::optional<HallEntry> b = recordScore(played, 200);
    ASSERT_TRUE(a && b);
    const auto nameIt = [&](const HallEntry& entered, const char* name) {
        HallOfFameDialog dialog;
        openHallOfFameDialog(dialog, readHallOfFame(), played, entered);
        hallDialogNameEdited(dialog, name);
        closeHallOfFameDialog(dialog);
    };
    nameIt(*b, "Bob");
    nameIt(*a, "Alice");
    const HallOfFame named = readHallOfFame();
    const HallTable* table = findHallTable(named, played);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->entries.at(0).name, "Bob");
    EXPECT_EQ(table->entries.at(1).name, "Alice");

    // Pushed out of the table before its dialog opened: nothing to name.
    HallOfFame full = readHallOfFame();
    for (int32_t score = 1000; score < 1010; ++score)
        insertHallEntry(full, played, {score, "Crowd", "2026-01-01"});
    ASSERT_TRUE(writeHallOfFame(full));
    HallOfFameDialog late;
    openHallOfFameDialog(late, readHallOfFame(), played, *a);
    EXPECT_EQ(hallDialogNameRow(late), std::nullopt);
    gameDirectory.clear();
}
