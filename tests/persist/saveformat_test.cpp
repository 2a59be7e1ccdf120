#include "persist/saveformat.h"

#include "core/window.h"
#include "support/gametest.h"
#include "support/samplestates.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string savedText()
{
    std::ostringstream out;
    EXPECT_TRUE(writeGameState(out));
    return out.str();
}

bool readText(const std::string& text)
{
    std::istringstream in(text);
    return readGameState(in);
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// The text with line n (counted from 1, as in the file) replaced.
std::string withLine(const std::string& text, size_t n, const std::string& replacement)
{
    std::vector<std::string> lines = linesOf(text);
    lines.at(n - 1) = replacement;
    return joinLines(lines);
}

using SaveFormatTest = GameTest;

TEST_F(SaveFormatTest, WritesTheDocumentedLayout)
{
    game.fieldWidth = 4;
    game.fieldHeight = 6;
    game.cellCount = 24;
    game.sidesType = SIDES_SOLID;
    game.groundType = GROUND_SOLID;
    game.shapeColumn = 1;
    game.shapeRow = -1;
    game.shapeBoxSize = 2;
    game.score = 42;
    game.fallSpeed = 0.4;
    game.gradualSpeedup = true;
    game.forceDirection = FORCE_DOWN;
    game.effectFrequency = {0, 1, 2, 3, 0};
    game.maxBlocks = 4;
    game.minBlocks = 1;
    game.maxShapeExtent = 2;
    game.minRowsToClear = 1;
    game.fieldCells = {1, 3, 3, 1,  //
                       1, 0, 0, 1,  //
                       1, 0, 0, 1,  //
                       1, 0, 0, 1,  //
                       1, 2, 0, 1,  //
                       1, 1, 1, 1};
    for (ShapeMatrix& entry : game.shapeQueue)
        entry = {3, 3, 0, 3};

    std::string expected =
        "\n"
        "\n"
        "4 6\n"
        "0 0\n"
        "1 -1 2\n"
        "42\n"
        "0.4\n"
        "1\n"
        "0\n"
        "0\n"
        "0\n"
        "0 1 2 3 0\n"
        "4 1 2\n"
        "1\n"
        "1 3 3 1 \n"
        "1 0 0 1 \n"
        "1 0 0 1 \n"
        "1 0 0 1 \n"
        "1 2 0 1 \n"
        "1 1 1 1 \n"
        "\n";
    for (int k = 0; k < queueLength; ++k)
        expected += "3 3 \n0 3 \n\n";
    EXPECT_EQ(savedText(), expected);
}

TEST_F(SaveFormatTest, FallSpeedKeepsSixSignificantDigits)
{
    setUpGameInProgress();
    const std::vector<std::pair<double, std::string>> cases = {
        {0.4, "0.4"}, {0.15, "0.15"}, {0.4000512, "0.400051"}, {12.5, "12.5"}, {0.05, "0.05"}, {1234567.0, "1.23457e+06"}};
    for (const auto& [speed, written] : cases) {
        game.fallSpeed = speed;
        EXPECT_EQ(linesOf(savedText()).at(6), written) << speed;
    }
}

TEST_F(SaveFormatTest, SavedGameReadsBackIdentically)
{
    setUpGameInProgress();
    game.levelFile = "";
    game.tipText = "Shattered shapes!\n\nTip: 100% C:\\games\\ and \\n stay\r\nas they were \\";
    game.shapeRow = -1;
    game.fallSpeed = 0.4000512;
    const std::string first = savedText();
    const std::string tip = game.tipText;

    game = GameState{};
    ASSERT_TRUE(readText(first));
    EXPECT_EQ(game.tipText, tip);
    EXPECT_EQ(game.shapeRow, -1);
    EXPECT_EQ(game.levelFile, "");
    EXPECT_EQ(game.fallSpeed, 0.400051);  // digits beyond the sixth are gone
    EXPECT_EQ(savedText(), first);
}

TEST_F(SaveFormatTest, PlainTipsAreStoredAsTheyStand)
{
    setUpGameInProgress();
    game.tipText = "Tip: Shapes are falling upwards now";
    EXPECT_EQ(linesOf(savedText()).at(1), "Tip: Shapes are falling upwards now");

    game.tipText = "It can't be 10\n\nTip: Yes it's madness";
    EXPECT_EQ(linesOf(savedText()).at(1), "It can't be 10\\n\\nTip: Yes it's madness");

    game.tipText = "a\\b";
    EXPECT_EQ(linesOf(savedText()).at(1), "a\\\\b");
}

TEST_F(SaveFormatTest, UnknownEscapesInOlderFilesStayAsWritten)
{
    setUpGameInProgress();
    const std::string text = withLine(savedText(), 2, "Saved in C:\\games\\dralen\\");
    ASSERT_TRUE(readText(text));
    EXPECT_EQ(game.tipText, "Saved in C:\\games\\dralen\\");
}

TEST_F(SaveFormatTest, CrLfAndLfFilesReadTheSame)
{
    setUpGameInProgress();
    game.tipText = "Unstable field!\n\nTip: Blocks will randomly change sometimes";
    const std::string lf = savedText();
    const GameState written = game;

    for (const std::string& text : {lf, toCrLf(lf)}) {
        game = GameState{};
        ASSERT_TRUE(readText(text));
        EXPECT_EQ(game.levelFile, "levels/Test.sav");
        EXPECT_EQ(game.tipText, written.tipText);
        EXPECT_EQ(game.fieldCells, written.fieldCells);
        EXPECT_EQ(game.shapeQueue, written.shapeQueue);
        EXPECT_EQ(savedText(), lf);
    }
}

TEST_F(SaveFormatTest, GridSizesComeFromTheFile)
{
    setUpGameInProgress(8, 20, 4);
    const std::string text = savedText();
    const std::vector<std::string> lines = linesOf(text);
    EXPECT_EQ(lines.size(), 14u + 20 + 1 + 10 * (4 + 1));
    EXPECT_EQ(lines.at(14), "1 0 3 3 0 0 0 1 ");  // first field row: 8 values

    game = GameState{};
    ASSERT_TRUE(readText(text));
    EXPECT_EQ(game.cellCount, 160);
    EXPECT_EQ(game.fieldCells.size(), 160u);
    EXPECT_EQ(game.scratchCells, Grid(160, CELL_EMPTY));
    EXPECT_EQ(game.projectionCells.size(), 160u);
    for (const ShapeMatrix& entry : game.shapeQueue)
        EXPECT_EQ(entry.size(), 16u);
}

TEST_F(SaveFormatTest, LoadResumesPlayButKeepsTheInitialSpeed)
{
    setUpGameInProgress();
    game.fallSpeed = 0.9;
    // The two falling blocks go along with their box.
    game.fieldCells[2] = game.fieldCells[3] = CELL_EMPTY;
    game.fieldCells[3 * 12 + 4] = game.fieldCells[3 * 12 + 5] = CELL_ACTIVE;
    game.shapeColumn = 4;
    game.shapeRow = 3;
    const std::string text = savedText();

    game = GameState{};
    game.initialFallSpeed = 0.15;
    game.gameMode = MODE_PAUSED;
    game.cellSize = 20;
    game.projectionDirty = false;
    game.predictShapes = false;
    ASSERT_TRUE(readText(text));
    EXPECT_EQ(game.initialFallSpeed, 0.15);
    EXPECT_EQ(game.fallSpeed, 0.9);
    EXPECT_EQ(game.gameMode.load(), MODE_PLAYING);
    EXPECT_TRUE(game.projectionDirty);
    EXPECT_EQ(game.shapeX, 90.0);  // 4 x 20 + 10
    EXPECT_EQ(game.shapeY, 70.0);  // 3 x 20 + 10
    // Gravity up and no preview: the play area is the loaded field's.
    EXPECT_EQ(playAreaWidth, 12 * 20);
    EXPECT_EQ(playAreaHeight, 25 * 20);
}

TEST_F(SaveFormatTest, EveryStateTheGameReachesLoads)
{
    struct Case {
        const char* what;
        std::function<void()> shape;
    };
    const std::vector<Case> cases = {
        {"field grown once by the broadening event", [] { setUpGameInProgress(26, 58, 6); }},
        {"largest field, grown once at the largest extent", [] { setUpGameInProgress(50 + 6, 50 + 46, 20); }},
        {"largest field lying across", [] { setUpGameInProgress(50 + 46, 50 + 6, 20); }},
        {"largest shapes", [] {
             setUpGameInProgress(22, 22, 20);
             game.minBlocks = 10;
             game.maxBlocks = 25;
         }},
        {"smallest field", [] { setUpGameInProgress(4, 4, 2); }},
        {"empty queue entry just spawned", [] {
             setUpGameInProgress(20, 40, 6);
             game.shapeBoxSize = 2 - 6;
             game.shapeColumn = 20 / 2 + 2;
             game.shapeRow = 0;
             game.fieldCells[2] = game.fieldCells[3] = CELL_EMPTY;  // nothing falls
         }},
        {"shape fell out of a field without ground", [] {
             setUpGameInProgress(12, 25, 4);
             game.shapeRow = 25;
             game.fieldCells[2] = game.fieldCells[3] = CELL_EMPTY;
         }},
        {"picture box above the field", [] {
             setUpGameInProgress(12, 25, 4);
             game.shapeBoxSize = 10;
             game.shapeRow = -9;
             game.shapeColumn = 1;
         }},
        {"long game at high speed", [] {
             setUpGameInProgress();
             game.fallSpeed = 212.71;
             game.score = 2147483647;
         }},
    };
    for (const Case& c : cases) {
        game = GameState{};
        c.shape();
        const GameState saved = game;
        const std::string text = savedText();
        game = GameState{};
        EXPECT_TRUE(readText(text)) << c.what;
        EXPECT_EQ(game.fieldCells, saved.fieldCells) << c.what;
        EXPECT_EQ(game.shapeBoxSize, saved.shapeBoxSize) << c.what;
        EXPECT_EQ(savedText(), text) << c.what;
    }
}

TEST_F(SaveFormatTest, RejectedFilesLeaveTheGameAsItWas)
{
    setUpGameInProgress(12, 25, 4);
    const std::string good = savedText();
    // Line numbers as in the file: 3 sizes, 5 shape box, 7 speed, 12 effects,
    // 13 block counts and extent, 14 rows to clear, 15.. field, 41.. queue.
    struct Case {
        const char* what;
        std::string text;
    };
    const std::string longLine(70000, 'x');
    const std::vector<Case> cases = {
        {"empty file", ""},
        {"only the text lines", "levels/a.sav\ntip\n"},
        {"first line never ends", "levels/a.sav"},
        {"huge tip line", withLine(good, 2, longLine)},
        {"field too wide for the cell limit", withLine(good, 3, "10000 10000")},
        {"field side beyond the limit", withLine(good, 3, "12 10001")},
        {"field larger than any game reaches", withLine(good, 3, "2000 2000")},
        {"both sides beyond the shorter limit", withLine(good, 3, "57 57")},
        {"long side beyond its limit", withLine(good, 3, "12 97")},
        {"negative size", withLine(good, 3, "-12 25")},
        {"sides type 4", withLine(good, 4, "4 0")},
        {"ground type 5", withLine(good, 4, "0 5")},
        {"ground type -1", withLine(good, 4, "0 -1")},
        {"shape column past the field", withLine(good, 5, "12 -1 2")},
        {"negative shape column", withLine(good, 5, "-1 -1 2")},
        {"shape row far above", withLine(good, 5, "2 -26 2")},
        {"shape row far below", withLine(good, 5, "2 26 2")},
        {"shape box wider than the field allows", withLine(good, 5, "2 -1 11")},
        {"shape box below the empty-entry size", withLine(good, 5, "2 -1 -3")},
        {"negative score", withLine(good, 6, "-1")},
        {"score beyond 32 bits", withLine(good, 6, "2147483648")},
        {"fall speed not a number", withLine(good, 7, "nan")},
        {"infinite fall speed", withLine(good, 7, "inf")},
        {"zero fall speed", withLine(good, 7, "0")},
        {"negative fall speed", withLine(good, 7, "-0.4")},
        {"absurd fall speed", withLine(good, 7, "1e300")},
        {"direction 4", withLine(good, 9, "4")},
        {"frequency 4", withLine(good, 12, "1 2 3 0 4")},
        {"frequency -1", withLine(good, 12, "-1 2 3 0 1")},
        {"four frequencies then an extent", withLine(good, 12, "1 2 3 0")},
        {"extent 1", withLine(good, 13, "1 1 1")},
        {"extent 21", withLine(good, 13, "5 3 21")},
        {"extent wider than the field's inside", withLine(good, 13, "5 3 11")},
        {"no blocks", withLine(good, 13, "5 0 4")},
        {"minimum above maximum", withLine(good, 13, "3 5 4")},
        {"more blocks than the matrix holds", withLine(good, 13, "17 3 4")},
        {"more than 25 blocks", withLine(good, 13, "26 3 4")},
        {"no rows to clear", withLine(good, 14, "0")},
        {"eleven rows to clear", withLine(good, 14, "11")},
        {"negative rows to clear", withLine(good, 14, "-1")},
        {"field cell 4", withLine(good, 15, "4 3 3 0 0 0 0 0 0 0 0 1 ")},
        {"field cell -1", withLine(good, 15, "1 -1 3 3 0 0 0 0 0 0 0 1 ")},
        {"falling block below the shape's box", withLine(good, 16, "0 0 3 0 0 0 0 0 0 0 0 0 ")},
        {"falling block beside the shape's box", withLine(good, 15, "1 0 3 3 0 0 3 0 0 0 0 1 ")},
        {"falling blocks in the box of an empty queue entry", withLine(good, 5, "2 -1 -2")},
        {"fixed block in the queue", withLine(good, 41, "1 0 0 3 ")},
        {"placed block in the queue", withLine(good, 41, "3 0 2 3 ")},
        {"word instead of a number", withLine(good, 6, "lots")},
        {"decimal where an integer belongs", withLine(good, 3, "12.0 25")},
        {"hexadecimal", withLine(good, 6, "0x10")},
        {"endless digits", withLine(good, 6, std::string(5000, '1'))},
        {"missing last value", good.substr(0, good.rfind("3 ")) + "\n\n"},
        {"numbers after the queue", good + "3 3 3\n"},
        {"field row one value short", withLine(good, 20, "1 0 0 0 0 0 0 0 0 0 0 ")},
    };
    const GameState before = game;
    for (const Case& c : cases) {
        EXPECT_FALSE(readText(c.text)) << c.what;
        EXPECT_TRUE(sameGame(game, before)) << c.what;
        game = before;
    }
}

TEST_F(SaveFormatTest, NumbersReadAsATextStreamReadsThem)
{
    setUpGameInProgress(12, 25, 4);
    const std::string good = savedText();
    // Any nonzero boolean is true; a plus sign is the number's own.
    std::string text = withLine(good, 8, "5");
    text = withLine(text, 10, "-1");
    text = withLine(text, 11, "+7");
    text = withLine(text, 6, "+4321");
    text = withLine(text, 3, "+12 25");
    text = withLine(text, 7, "+0.25");
    ASSERT_TRUE(readText(text));
    EXPECT_TRUE(game.gradualSpeedup);
    EXPECT_TRUE(game.suddenMode);
    EXPECT_TRUE(game.invisibilityMode);
    EXPECT_EQ(game.score, 4321);
    EXPECT_EQ(game.fieldWidth, 12);
    EXPECT_DOUBLE_EQ(game.fallSpeed, 0.25);

    // A sign after the plus is no number.
    const GameState before = game;
    for (const char* score : {"+-3", "++3", "+"}) {
        EXPECT_FALSE(readText(withLine(good, 6, score))) << score;
        EXPECT_TRUE(sameGame(game, before)) << score;
    }
}

TEST_F(SaveFormatTest, StateThatCannotBeWrittenFaithfullyIsRefused)
{
    setUpGameInProgress();
    game.levelFile = "levels/a\nb.sav";
    std::ostringstream out;
    EXPECT_FALSE(writeGameState(out));
    EXPECT_EQ(out.str(), "");

    game = GameState{};  // no game started: no grids yet
    EXPECT_FALSE(writeGameState(out));

    setUpGameInProgress();
    out.setstate(std::ios::badbit);
    EXPECT_FALSE(writeGameState(out));
}

}  // namespace
