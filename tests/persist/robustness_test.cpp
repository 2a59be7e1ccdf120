// Damaged files of every kind must neither crash the readers nor leave a half
// loaded game behind: each variant is either refused with the game untouched,
// or read into a state the game can play.
#include "core/folders.h"
#include "core/keys.h"
#include "core/skinsizes.h"
#include "persist/config.h"
#include "persist/saveformat.h"
#include "support/gametest.h"
#include "support/samplestates.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string replacements = std::string("0349-.x \n\r\\\t") + '\0';

// Every stride-th truncation, replaced, deleted and doubled character, and
// every dropped and doubled line.
void forEachVariant(const std::string& text, size_t stride, const std::function<void(const std::string&)>& visit)
{
    for (size_t n = 0; n < text.size(); n += stride)
        visit(text.substr(0, n));
    for (size_t i = 0; i < text.size(); i += stride) {
        for (char r : replacements) {
            if (r == text[i])
                continue;
            std::string changed = text;
            changed[i] = r;
            visit(changed);
        }
        visit(text.substr(0, i) + text.substr(i + 1));
        visit(text.substr(0, i + 1) + text.substr(i));
    }
    std::vector<size_t> lineStarts = {0};
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && i + 1 < text.size())
            lineStarts.push_back(i + 1);
    lineStarts.push_back(text.size());
    for (size_t k = 0; k + 1 < lineStarts.size(); ++k) {
        const size_t start = lineStarts[k];
        const size_t end = lineStarts[k + 1];
        visit(text.substr(0, start) + text.substr(end));
        visit(text.substr(0, end) + text.substr(start, end - start) + text.substr(end));
    }
}

bool readText(const std::string& text)
{
    std::istringstream in(text);
    return readGameState(in);
}

std::string savedText()
{
    std::ostringstream out;
    writeGameState(out);
    return out.str();
}

// What the rest of the game relies on after a load.
::testing::AssertionResult playable()
{
    const GameState& g = game;
    const int32_t m = g.maxShapeExtent;
    if (g.gameMode.load() != MODE_PLAYING)
        return ::testing::AssertionFailure() << "not playing";
    if (g.fieldWidth < 4 || g.fieldHeight < 4 || g.cellCount != g.fieldWidth * g.fieldHeight)
        return ::testing::AssertionFailure() << "field size " << g.fieldWidth << "x" << g.fieldHeight;
    if (g.fieldCells.size() != size_t(g.cellCount) || g.scratchCells.size() != size_t(g.cellCount)
        || g.projectionCells.size() != size_t(g.cellCount))
        return ::testing::AssertionFailure() << "grid sizes";
    for (int32_t cell : g.fieldCells)
        if (cell < CELL_EMPTY || cell > CELL_ACTIVE)
            return ::testing::AssertionFailure() << "cell code " << cell;
    if (m < 2 || m > 20 || m > g.fieldWidth - 2 || m > g.fieldHeight - 2)
        return ::testing::AssertionFailure() << "extent " << m;
    for (const ShapeMatrix& entry : g.shapeQueue) {
        if (entry.size() != size_t(m * m))
            return ::testing::AssertionFailure() << "queue entry size";
        for (int32_t cell : entry)
            if (cell != CELL_EMPTY && cell != CELL_ACTIVE)
                return ::testing::AssertionFailure() << "queue cell " << cell;
    }
    if (g.minBlocks < 1 || g.minBlocks > g.maxBlocks || g.maxBlocks > m * m)
        return ::testing::AssertionFailure() << "block counts";
    if (g.shapeColumn < 0 || g.shapeColumn >= g.fieldWidth)
        return ::testing::AssertionFailure() << "shape column " << g.shapeColumn;
    if (!std::isfinite(g.fallSpeed) || g.fallSpeed <= 0)
        return ::testing::AssertionFailure() << "fall speed";
    if (g.sidesType < 0 || g.sidesType > 3 || g.groundType < 0 || g.groundType > 4 || g.forceDirection < 0
        || g.forceDirection > 3)
        return ::testing::AssertionFailure() << "enumerations";
    for (int32_t f : g.effectFrequency)
        if (f < 0 || f > 3)
            return ::testing::AssertionFailure() << "frequency " << f;
    if (g.minRowsToClear < 1)
        return ::testing::AssertionFailure() << "rows to clear";
    return ::testing::AssertionSuccess();
}

struct Outcome {
    int accepted = 0;
    int refused = 0;
};

void feedVariants(const std::string& base, size_t stride, Outcome& outcome)
{
    ASSERT_TRUE(readText(base));
    const GameState before = game;
    forEachVariant(base, stride, [&](const std::string& variant) {
        if (readText(variant)) {
            ++outcome.accepted;
            ASSERT_TRUE(playable()) << variant;
            // What was accepted saves and loads again.
            const std::string again = savedText();
            ASSERT_TRUE(readText(again)) << variant;
            game = before;
        } else {
            ++outcome.refused;
            ASSERT_TRUE(sameGame(game, before)) << variant;
        }
    });
}

// The shipped levels, when the source tree is at hand.
std::vector<std::filesystem::path> levelFiles()
{
#ifdef DRALEN_DATA_DIR
    const std::filesystem::path levels = std::filesystem::path(DRALEN_DATA_DIR) / "levels";
#else
    const std::filesystem::path levels =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data" / "levels";
#endif
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(levels, error))
        if (entry.path().extension() == ".sav")
            files.push_back(entry.path());
    return files;
}

using SaveRobustnessTest = GameTest;

TEST_F(SaveRobustnessTest, DamagedSavedGamesAreRefusedWhole)
{
    Outcome outcome;

    setUpGameInProgress(12, 25, 4);
    feedVariants(savedText(), 1, outcome);

    game = GameState{};
    setUpGameInProgress(4, 5, 2);
    game.tipText = "Two lines\nand a \\ backslash";
    game.levelFile = "";
    feedVariants(savedText(), 1, outcome);

    game = GameState{};
    setUpGameInProgress(26, 58, 6);  // grown by the broadening event
    feedVariants(savedText(), 7, outcome);

    // Both kinds of outcome must have occurred, or the variants prove nothing.
    EXPECT_GT(outcome.accepted, 100);
    EXPECT_GT(outcome.refused, 1000);
}

TEST_F(SaveRobustnessTest, DamagedLevelFilesAreRefusedWhole)
{
    const std::vector<std::filesystem::path> files = levelFiles();
    if (files.empty())
        GTEST_SKIP() << "no level files beside the sources";
    for (const std::filesystem::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        game = GameState{};
        std::ifstream in(file, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Outcome outcome;
        feedVariants(text, std::max<size_t>(1, text.size() / 250), outcome);
    }
}

class ConfigRobustnessTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        gameDirectory = dir.path();
    }
    void TearDown() override { gameDirectory.clear(); }

    TempDir dir;
};

TEST_F(ConfigRobustnessTest, DamagedConfigurationsGiveUsableOptions)
{
    const std::string base = "6\n15\n5\n1\n0\n1\n0\n1\n0\n1\n1\n65\t66\t38\t40\t86\t67\t32\t13\t27\t\n";
    int variants = 0;
    forEachVariant(base, 1, [&](const std::string& variant) {
        ++variants;
        writeWholeFile(dir / "dralen.cfg", variant);
        game = GameState{};
        loadConfiguration();
        ASSERT_GE(game.skinIndex, 0) << variant;
        ASSERT_LT(game.skinIndex, skinCount) << variant;
        ASSERT_EQ(game.cellSize, skinCellSizes[game.skinIndex]) << variant;
        ASSERT_GE(game.shiftSpeed, 1) << variant;
        ASSERT_LE(game.shiftSpeed, 100) << variant;
        ASSERT_GE(game.fastFallSpeed, 1) << variant;
        ASSERT_LE(game.fastFallSpeed, 10) << variant;
        for (int32_t key : game.keyBindings)
            ASSERT_TRUE(isKeyCode(key)) << variant;
    });
    EXPECT_GT(variants, 500);
}

}  // namespace
