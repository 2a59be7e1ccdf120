#include "persist/halloffame.h"

#include "core/folders.h"
#include "game/newgame.h"
#include "persist/replayformat.h"
#include "persist/savefiles.h"
#include "persist/settings.h"
#include "support/fakewindow.h"
#include "support/gametest.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <future>
#include <memory>
#include <sstream>
#include <thread>

#if defined(__unix__)
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;

std::vector<int32_t> scoresOf(const HallTable& table)
{
    std::vector<int32_t> scores;
    for (const HallEntry& entry : table.entries)
        scores.push_back(entry.score);
    return scores;
}

class HallOfFameTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        gameDirectory = dir.path();
    }
    // Tables of ten entries under the longest names, with level names as long
    // as asked, each played at its own time and in no order.
    HallOfFame bigHall(size_t levelNameLength) const
    {
        HallOfFame hall;
        std::string widest;
        for (size_t i = 0; i < maxNameLength; ++i)
            widest += "\U0001F600";
        for (int64_t t = 0; t < 700; ++t) {
            Difficulty rules = difficultyOf(game);
            rules.levelFile = "levels/" + std::string(levelNameLength, 'x') + std::to_string(t) + ".sav";
            for (int32_t score = 1; score <= 10; ++score)
                insertHallEntry(hall, rules, {score, widest, "2026-01-01"});
            hall.back().lastPlayed = 1000 + (t * 7919) % 700;
        }
        return hall;
    }
    std::string fileText() const
    {
        std::ifstream file(dir / "halloffame.txt", std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    TempDir dir;
};

}  // namespace

TEST_F(HallOfFameTest, TablesAreKeyedByTheRulesAloneAndSurviveTheAutosave)
{
    game.gradualSpeedup = true;
    game.initialFallSpeed = 0.15;
    game.randomEvents = false;
    startNewGame();
    const Difficulty started = difficultyOf(game);

    // Options are no rules: another skin or shifting speed plays the same table.
    game.shiftSpeed = 5;
    game.skinIndex = 4;
    game.fallSpeed += 0.01;  // the game has sped up meanwhile
    EXPECT_EQ(difficultyOf(game), started);
    Difficulty other = started;
    other.effectFrequency[EFFECT_EROSION] = FREQ_RARELY;
    EXPECT_NE(other, started);

    // Continued from the automatic save, the game still plays the table it began on.
    writeAutosave();
    extraSettings.autosavedRules = difficultyOf(game);
    saveExtraSettings();
    game = GameState{};
    loadExtraSettings();
    ASSERT_TRUE(loadAutosave());
    adoptAutosavedRules();
    EXPECT_EQ(difficultyOf(game), started);

    // A recorded speed of other rules is not taken over.
    Difficulty stale = started;
    stale.fieldWidth += 1;
    stale.initialFallSpeed = 0.3;
    extraSettings.autosavedRules = stale;
    ASSERT_TRUE(loadAutosave());
    adoptAutosavedRules();
    EXPECT_NE(game.startingFallSpeed, 0.3);
}

TEST_F(HallOfFameTest, KeepsTheTenBestInOrderFirstComerFirst)
{
    HallOfFame hall;
    const Difficulty rules = difficultyOf(game);
    for (int32_t score : {50, 10, 90, 30, 70, 20, 60, 40, 80, 100})
        ASSERT_TRUE(insertHallEntry(hall, rules, {score, "p" + std::to_string(score), "2026-01-01"}));
    EXPECT_EQ(scoresOf(hall[0]), (std::vector<int32_t>{100, 90, 80, 70, 60, 50, 40, 30, 20, 10}));

    // A tie goes below the score already there; the eleventh falls off.
    EXPECT_EQ(insertHallEntry(hall, rules, {60, "late", "2026-01-02"}), std::optional<size_t>(5));
    EXPECT_EQ(hall[0].entries[4].name, "p60");
    EXPECT_EQ(hall[0].entries.size(), hallTableLength);
    EXPECT_EQ(hall[0].entries.back().score, 20);
    // Not better than the last: stays out. Nothing scored: never in.
    EXPECT_FALSE(insertHallEntry(hall, rules, {20, "tie", "2026-01-03"}));
    Difficulty other = rules;
    other.levelFile = "levels/Farm.sav";
    EXPECT_FALSE(insertHallEntry(hall, other, {0, "none", "2026-01-03"}));
    EXPECT_EQ(insertHallEntry(hall, other, {1, "one", "2026-01-03"}), std::optional<size_t>(0));
    EXPECT_EQ(hall.size(), 2u);
}

TEST_F(HallOfFameTest, ReadsLenientlyAndSetsADamagedFileAside)
{
    Difficulty rules = difficultyOf(game);
    rules.levelFile = "levels/My level.sav";
    rules.initialFallSpeed = 0.15;
    HallOfFame hall;
    insertHallEntry(hall, rules, {5, "Ann Lee", "2026-03-04"});
    std::string text = formatHallOfFame(hall);
    bool damaged = true;
    HallOfFame back = parseHallOfFame(text, damaged);
    ASSERT_FALSE(damaged);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].rules, rules);
    EXPECT_EQ(back[0].entries[0].name, "Ann Lee");

    // Edited by hand: CRLF, rubbish lines, unsorted, too many, an entry of no table.
    Difficulty noSpeed = rules;
    noSpeed.initialFallSpeed = std::nan("");
    std::string edited = "Dralen Hall of Fame\r\n7 2026-01-01 orphan\r\ntable rubbish\r\n3 2026-01-01 lost\r\ntable "
                         + rulesText(noSpeed) + "\r\n99 2026-01-01 no speed\r\n"
                         + text.substr(text.find("table "), text.find('\n', text.find("table ")) - text.find("table "))
                         + "\r\n";
    for (int i = 1; i <= 12; ++i)
        edited += std::to_string(i) + " 2026-02-0" + std::to_string(i % 10) + " n" + std::to_string(i) + "\r\n";
    edited += "x 2026-01-01 bad score\r\n99 yesterday bad date\r\n-4 2026-01-01 negative\r\n";
    back = parseHallOfFame(edited, damaged);
    ASSERT_FALSE(damaged);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(scoresOf(back[0]), (std::vector<int32_t>{12, 11, 10, 9, 8, 7, 6, 5, 4, 3}));

    // Not a Hall of Fame at all: put aside, and the next score starts afresh.
    { std::ofstream(dir / "halloffame.txt") << "\x01\x02 garbage\n"; }
    EXPECT_TRUE(readHallOfFame().empty());
    EXPECT_TRUE(fs::exists(dir / "halloffame.txt.damaged"));
    EXPECT_TRUE(recordScore(rules, 40));
    EXPECT_EQ(readHallOfFame().at(0).entries.at(0).score, 40);
    EXPECT_TRUE(renameHallEntry(rules, readHallOfFame().at(0).entries.at(0), "Bo\nb"));
    EXPECT_EQ(readHallOfFame().at(0).entries.at(0).name, "Bo b");
    // Too long: cut after as many letters as the dialog takes, however many
    // bytes each letter needs.
    std::string longName;
    for (size_t i = 0; i <= maxNameLength; ++i)
        longName += "\u00eb";
    EXPECT_TRUE(renameHallEntry(rules, readHallOfFame().at(0).entries.at(0), longName));
    EXPECT_EQ(readHallOfFame().at(0).entries.at(0).name, longName.substr(0, 2 * maxNameLength));
    // Bytes that are no letter count one each; forty letters of four bytes all fit.
    EXPECT_TRUE(renameHallEntry(rules, readHallOfFame().at(0).entries.at(0), std::string(300, '\x80')));
    EXPECT_EQ(readHallOfFame().at(0).entries.at(0).name, std::string(maxNameLength, '\x80'));
    longName.clear();
    for (size_t i = 0; i < maxNameLength; ++i)
        longName += "\U0001F600";
    EXPECT_TRUE(renameHallEntry(rules, readHallOfFame().at(0).entries.at(0), longName + "\xF0\x9F\x98"));
    EXPECT_EQ(readHallOfFame().at(0).entries.at(0).name, longName);
}

TEST_F(HallOfFameTest, TheNameGoesToTheEntryItWasTypedFor)
{
    const Difficulty rules = difficultyOf(game);
    const std::optional<HallEntry> entered = recordScore(rules, 100);
    ASSERT_TRUE(entered);
    const HallEntry mine = *entered;
    EXPECT_EQ(mine, readHallOfFame().at(0).entries.at(0)) << "the entry handed back is the one written";
    // Meanwhile another game enters above it, under another name.
    HallOfFame hall = readHallOfFame();
    insertHallEntry(hall, rules, {500, "Other", "2026-01-01"});
    ASSERT_TRUE(writeHallOfFame(hall));

    EXPECT_TRUE(renameHallEntry(rules, mine, "Me"));
    const std::vector<HallEntry> entries = readHallOfFame().at(0).entries;
    EXPECT_EQ(entries.at(0).name, "Other");
    EXPECT_EQ(entries.at(1).name, "Me");
    // Gone from the table: nothing changes.
    EXPECT_FALSE(renameHallEntry(rules, mine, "Again"));
    EXPECT_EQ(fileText(), asTextFile(formatHallOfFame(readHallOfFame())));
}

TEST_F(HallOfFameTest, WhatTheGameWritesItCanAlwaysReadBack)
{
    // Tables enough, with the longest names, to pass what the reader takes.
    const HallOfFame hall = bigHall(200);
    ASSERT_TRUE(writeHallOfFame(hall));
    const HallOfFame back = readHallOfFame();
    EXPECT_FALSE(fs::exists(dir / "halloffame.txt.damaged"));
    ASSERT_FALSE(back.empty());
    EXPECT_LE(back.size(), maxHallTables);
    // The tables left out are those played longest ago.
    int64_t oldestKept = INT64_MAX;
    for (const HallTable& table : back)
        oldestKept = std::min(oldestKept, table.lastPlayed);
    EXPECT_EQ(oldestKept, 1000 + 700 - static_cast<int64_t>(back.size()));
}

TEST_F(HallOfFameTest, TheSizeLimitCountsTheLineEndsAsTheyLandOnDisk)
{
    // Level names so long that the bytes run out before the tables do, with
    // less room to spare than a byte for each line.
    ASSERT_TRUE(writeHallOfFame(bigHall(400)));
    const size_t kept = readHallOfFame().size();
    EXPECT_FALSE(fs::exists(dir / "halloffame.txt.damaged"));
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, maxHallTables);
}

TEST_F(HallOfFameTest, TheTableJustPlayedIsKeptWhenTheClockIsBehindTheFile)
{
    // A full file whose every table was played "later" than this clock says.
    HallOfFame hall = bigHall(0);
    for (HallTable& table : hall)
        table.lastPlayed = std::time(nullptr) + 1000000;
    ASSERT_TRUE(writeHallOfFame(hall));
    Difficulty fresh = difficultyOf(game);
    fresh.levelFile = "levels/fresh.sav";
    ASSERT_TRUE(recordScore(fresh, 5).has_value());
    EXPECT_NE(findHallTable(readHallOfFame(), fresh), nullptr) << "the place was reported for a table that was cut";
}

TEST_F(HallOfFameTest, NothingUnreadableIsDroppedSilently)
{
    const Difficulty rules = difficultyOf(game);
    HallOfFame hall;
    insertHallEntry(hall, rules, {5, "Ann", "2026-03-04"});
    const std::string good = formatHallOfFame(hall);
    // A byte-order mark is no damage.
    { std::ofstream(dir / "halloffame.txt", std::ios::binary) << "\xEF\xBB\xBF" << good; }
    EXPECT_EQ(readHallOfFame().at(0).entries.at(0).name, "Ann");
    EXPECT_FALSE(fs::exists(dir / "halloffame.txt.damaged"));

    // A table whose header lost a character: what can be read is read, and
    // the file as it was is kept, once however often it is read; damaged
    // otherwise, it is kept again under a new number.
    std::string mended = good;
    mended.insert(mended.find("table ") + 6, "x");
    const std::string damaged = mended + good.substr(good.find('\n') + 1);
    { std::ofstream(dir / "halloffame.txt", std::ios::binary) << damaged; }
    for (int time = 0; time < 3; ++time)
        EXPECT_EQ(readHallOfFame().size(), 1u);
    { std::ofstream(dir / "halloffame.txt", std::ios::binary) << damaged << "rubbish\n"; }
    EXPECT_EQ(readHallOfFame().size(), 1u);
    EXPECT_EQ(readWholeFile(dir / "halloffame.txt.damaged"), damaged);
    EXPECT_EQ(readWholeFile(dir / "halloffame.txt.damaged.1"), damaged + "rubbish\n");
    // Not a Hall of Fame at all: moved aside, under the next free number.
    { std::ofstream(dir / "halloffame.txt", std::ios::binary) << "rubbish"; }
    EXPECT_TRUE(readHallOfFame().empty());
    EXPECT_EQ(readWholeFile(dir / "halloffame.txt.damaged.2"), "rubbish");
}

TEST_F(HallOfFameTest, AScoreThatCannotBeWrittenIsReported)
{
    fakeWindow::install();
    // Where the player's folder should be lies a file.
    writeWholeFile(dir / "blocked", "");
    gameDirectory = dir / "blocked";
    EXPECT_FALSE(recordScore(difficultyOf(game), 10));
    EXPECT_EQ(fakeWindow::messages().size(), 1u);
    fakeWindow::uninstall();
}

TEST_F(HallOfFameTest, APipeInItsPlaceIsLeftAloneAndReportedOnce)
{
#if defined(__unix__)
    ASSERT_EQ(mkfifo((dir / "halloffame.txt").c_str(), 0666), 0);
    fakeWindow::install();
    // Views and a game over, on a thread of their own: a read that waits for
    // the pipe fails the test instead of hanging it.
    auto outcome = std::make_shared<std::promise<std::pair<size_t, std::optional<HallEntry>>>>();
    std::future<std::pair<size_t, std::optional<HallEntry>>> done = outcome->get_future();
    const Difficulty rules = difficultyOf(game);
    std::thread([outcome, rules] {
        const size_t tables = readHallOfFame().size() + readHallOfFame().size();
        outcome->set_value({tables, recordScore(rules, 10)});
    }).detach();
    const bool returned = done.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    const std::vector<std::string> messages = fakeWindow::messages();
    fakeWindow::uninstall();
    ASSERT_TRUE(returned) << "the Hall of Fame waits on a pipe";
    EXPECT_EQ(done.get(), (std::pair<size_t, std::optional<HallEntry>>{0, std::nullopt}));
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(dir / "halloffame.txt")));
#else
    GTEST_SKIP() << "no named pipes in this system's file system";
#endif
}

TEST_F(HallOfFameTest, EachEntryKeepsItsReplayUntilItLeavesTheTable)
{
    const Difficulty rules = difficultyOf(game);
    Replay replay;
    replay.rules = rules;
    replay.state = "start\n";
    std::vector<HallEntry> entered;
    for (int32_t score = 1; score <= 11; ++score) {
        replay.end.score = score;
        const std::optional<HallEntry> entry = recordScore(rules, score, formatReplay(replay));
        ASSERT_TRUE(entry && !hallReplayPath(*entry).empty());
        entered.insert(entered.begin(), *entry);
    }
    { std::ofstream(dir / "replays" / "notes.txt") << "the player's own"; }
    // The eleventh pushed the lowest out, and its replay went with it.
    EXPECT_EQ(readHallOfFame().at(0).entries, std::vector<HallEntry>(entered.begin(), entered.end() - 1));
    EXPECT_FALSE(fs::exists(hallReplayPath(entered.back())));
    ASSERT_TRUE(recordScore(rules, 12));
    EXPECT_TRUE(fs::exists(dir / "replays" / "notes.txt"));
    EXPECT_TRUE(fs::exists(hallReplayPath(entered.front())));

    // The name typed for an entry is the name in its replay.
    ASSERT_TRUE(renameHallEntry(rules, entered.front(), "Zo\u00eb"));
    Replay back;
    ASSERT_EQ(readReplayFile(hallReplayPath(entered.front()), back), REPLAY_READ);
    EXPECT_EQ(back.player, "Zo\u00eb");

    // A replay line naming anything but a replay of the game's own is not followed.
    std::string text = fileText();
    text.insert(text.find('\n', text.find("12 ")) + 1, "replay ../halloffame.txt\n");
    bool damaged = false, skipped = false;
    EXPECT_TRUE(parseHallOfFame(text, damaged, &skipped).at(0).entries.at(0).replay.empty());
    EXPECT_TRUE(skipped);
}
