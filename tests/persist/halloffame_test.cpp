#include "persist/halloffame.h"

#include "core/services.h"
#include "game/newgame.h"
#include "persist/savefiles.h"
#include "persist/settings.h"
#include "support/gametest.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

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
    stale.startingSpeed = 0.3;
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
    rules.startingSpeed = 0.15;
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
    noSpeed.startingSpeed = std::nan("");
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
    EXPECT_EQ(recordScore(rules, 40), std::optional<size_t>(0));
    EXPECT_EQ(readHallOfFame().at(0).entries.at(0).score, 40);
    EXPECT_TRUE(renameHallEntry(rules, 0, "Bo\nb"));
    EXPECT_EQ(readHallOfFame().at(0).entries.at(0).name, "Bo b");
    // Too long: cut, never inside a letter.
    EXPECT_TRUE(renameHallEntry(rules, 0, std::string(maxNameLength - 1, 'a') + "\u00eb!"));
    EXPECT_EQ(readHallOfFame().at(0).entries.at(0).name, std::string(maxNameLength - 1, 'a'));
}
