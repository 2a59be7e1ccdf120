#include "core/generator.h"
#include "events/randomevents.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/tick.h"
#include "support/fakewindow.h"
#include "support/gametest.h"
#include "support/invariants.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <set>

namespace {

using Point = std::pair<int32_t, int32_t>;  // (x, y) on the screen, in cells

// Where a field cell appears on the screen for each force direction.
Point toScreenCell(int32_t column, int32_t row)
{
    const int32_t w = game.fieldWidth, h = game.fieldHeight;
    switch (game.forceDirection) {
    case FORCE_UP: return {w - 1 - column, h - 1 - row};
    case FORCE_RIGHT: return {row, w - 1 - column};
    case FORCE_LEFT: return {h - 1 - row, column};
    default: return {column, row};
    }
}

std::set<Point> normalised(std::set<Point> points)
{
    int32_t minX = INT32_MAX, minY = INT32_MAX;
    for (auto [x, y] : points) {
        minX = std::min(minX, x);
        minY = std::min(minY, y);
    }
    std::set<Point> moved;
    for (auto [x, y] : points)
        moved.insert({x - minX, y - minY});
    return moved;
}

// The cells of a code as the player sees them, moved to the top-left corner.
std::set<Point> seenOnScreen(int32_t code)
{
    std::set<Point> points;
    for (int32_t i = 0; i < game.cellCount; ++i)
        if (game.fieldCells[i] == code)
            points.insert(toScreenCell(i % game.fieldWidth, i / game.fieldWidth));
    return normalised(points);
}

std::set<Point> patternPoints(const char* pattern, int32_t columns)
{
    std::set<Point> points;
    for (int32_t i = 0; pattern[i] != '\0'; ++i)
        if (pattern[i] == '#')
            points.insert({i % columns, i / columns});
    return normalised(points);
}

void emptyField(int32_t width, int32_t height)
{
    setField(std::vector<std::string>(height, std::string(width, '.')));
    for (ShapeMatrix& entry : game.shapeQueue)
        entry.assign(game.maxShapeExtent * game.maxShapeExtent, CELL_EMPTY);
}

// Runs events on a fresh default field until the given text event has come,
// holding the lock as the game thread does.
void runUntilTextEvent(int32_t event, const std::function<void()>& setUp)
{
    usedTextEvents = 0xFFu & ~(1u << event);
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    for (int tries = 0; tries < 400 && usedTextEvents != 0xFFu; ++tries) {
        setUp();
        fakeWindow::clear();
        runRandomEvent();
    }
    ASSERT_EQ(usedTextEvents, 0xFFu) << "event " << event << " never came";
}

}  // namespace

class RandomEventsTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        fakeWindow::install();
    }
    void TearDown() override { fakeWindow::uninstall(); }
};

TEST_F(RandomEventsTest, ElephantLandsAtTheTopCentre)
{
    emptyField(20, 40);
    ASSERT_TRUE(dropPicture(pictureTable[0].pattern, '#'));
    EXPECT_EQ(game.shapeColumn, 6);
    EXPECT_EQ(game.shapeRow, 0);
    EXPECT_EQ(game.shapeBoxSize, 7);
    EXPECT_DOUBLE_EQ(game.shapeX, 65);
    EXPECT_DOUBLE_EQ(game.shapeY, 5);
    const std::string elephant = pictureTable[0].pattern;
    for (int32_t r = 0; r < 7; ++r) {
        std::string expected = elephant.substr(r * 7, 7);
        for (char& c : expected)
            c = c == '#' ? 'x' : '.';
        EXPECT_EQ(fieldPicture()[r].substr(6, 7), expected) << "row " << r;
    }
    EXPECT_EQ(countCells(game.fieldCells, CELL_ACTIVE), static_cast<int>(std::count(elephant.begin(), elephant.end(), '#')));
}

TEST_F(RandomEventsTest, EveryPictureStandsUprightInEveryDirection)
{
    for (int32_t direction : {FORCE_DOWN, FORCE_UP, FORCE_RIGHT, FORCE_LEFT})
        for (size_t i = 0; i < pictureTable.size(); ++i) {
            const char* pattern = pictureTable[i].pattern;
            const int32_t n = static_cast<int32_t>(std::sqrt(double(std::strlen(pattern))));
            ASSERT_EQ(n * n, static_cast<int32_t>(std::strlen(pattern))) << "picture " << i;
            emptyField(20, 30);
            game.forceDirection = direction;
            ASSERT_TRUE(dropPicture(pattern, '#'));
            EXPECT_EQ(seenOnScreen(CELL_ACTIVE), patternPoints(pattern, n)) << "picture " << i << ", direction " << direction;
            // Row 0, where shapes enter, holds picture content, and the box covers it.
            EXPECT_TRUE(std::count(game.fieldCells.begin(), game.fieldCells.begin() + 20, int32_t(CELL_ACTIVE)) > 0);
            EXPECT_EQ(brokenInvariant(), "");
        }
}

TEST_F(RandomEventsTest, DinnerUpsideDownIsMirroredInTheField)
{
    emptyField(20, 30);
    game.forceDirection = FORCE_UP;
    ASSERT_TRUE(dropPicture(pictureTable[7].pattern, '#'));
    const std::string dinner = pictureTable[7].pattern;
    // The last picture row with a block comes first, read right to left.
    const int32_t last = static_cast<int32_t>(dinner.rfind('#')) / 7;
    for (int32_t r = 0; r <= last; ++r) {
        std::string row = dinner.substr(r * 7, 7);
        std::string mirrored(row.rbegin(), row.rend());
        for (char& c : mirrored)
            c = c == '#' ? 'x' : '.';
        EXPECT_EQ(fieldPicture()[last - r].substr(6, 7), mirrored);
    }
    EXPECT_EQ(game.shapeRow, last - 6);
}

TEST_F(RandomEventsTest, PicturesTooLargeForTheFieldAreSkipped)
{
    emptyField(10, 40);
    game.fieldCells[5] = CELL_PLACED;
    const auto before = fieldPicture();
    EXPECT_FALSE(dropPicture(pictureTable[4].pattern, '#')) << "10 x 10 needs 12 x 12";
    EXPECT_EQ(fieldPicture(), before);
    EXPECT_TRUE(dropPicture(pictureTable[0].pattern, '#'));
}

TEST_F(RandomEventsTest, EachTextEventComesOncePerRun)
{
    usedTextEvents = 0;
    std::map<std::string, int> shown;
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    for (int i = 0; i < 600; ++i) {
        game.maxShapeExtent = 4;
        game.fieldWidth = 20;
        game.fieldHeight = 40;
        game.fieldCells.assign(800, CELL_EMPTY);
        game.scratchCells.assign(800, CELL_EMPTY);
        game.projectionCells.assign(800, CELL_EMPTY);
        game.cellCount = 800;
        for (ShapeMatrix& entry : game.shapeQueue)
            entry.assign(16, CELL_EMPTY);
        fakeWindow::clear();
        runRandomEvent();
        for (const std::string& message : fakeWindow::messages())
            ++shown[message];
        ASSERT_EQ(brokenInvariant(), "");
    }
    EXPECT_EQ(usedTextEvents, 0xFFu);
    for (const char* text : textEventTable)
        EXPECT_EQ(shown[text], 1) << text;
}

TEST_F(RandomEventsTest, FriendlyOnASmallFieldGivesFortyTwoPoints)
{
    runUntilTextEvent(4, [] {
        emptyField(10, 30);
        game.score = 100;
    });
    EXPECT_EQ(game.score, 142);
    EXPECT_EQ(fakeWindow::messages(),
              (std::vector<std::string>{"Dralen wants to be friendly to it's players", "42 score points added :)"}));
}

TEST_F(RandomEventsTest, FriendlySmileyStandsUprightAboveTheBottom)
{
    for (int32_t direction : {FORCE_DOWN, FORCE_UP, FORCE_RIGHT, FORCE_LEFT}) {
        runUntilTextEvent(4, [direction] {
            emptyField(20, 40);
            game.forceDirection = direction;
        });
        EXPECT_EQ(seenOnScreen(CELL_FIXED), patternPoints(smileyPattern, 9)) << "direction " << direction;
    }
}

TEST_F(RandomEventsTest, BroadeningGrowsTheField)
{
    runUntilTextEvent(7, [] {
        emptyField(20, 40);
        game.maxShapeExtent = 6;
        game.fieldCells[0] = CELL_FIXED;
        game.fieldCells[29 - 15 + 0] = CELL_PLACED;
        for (int32_t c = 0; c < 20; ++c)
            game.fieldCells[14 * 20 + c] = CELL_PLACED;  // lands on the new middle row
    });
    EXPECT_EQ(game.fieldWidth, 26);
    EXPECT_EQ(game.fieldHeight, 58);
    EXPECT_EQ(game.cellCount, 26 * 58);
    EXPECT_EQ(game.fieldCells[15 * 26 + 3], CELL_FIXED) << "old (0, 0) is at (3, 15)";
    EXPECT_EQ(fieldPicture()[29], std::string(26, '.'));
    EXPECT_EQ(brokenInvariant(), "");
    ASSERT_FALSE(fakeWindow::resizes().empty());
    EXPECT_FALSE(fakeWindow::resizes().back().moveToCentre);
}

TEST_F(RandomEventsTest, AFieldGrownToTheLimitGrowsNoFurther)
{
    // Grown once at the largest extent, the field is the largest a saved
    // game may hold; another growth would make an autosave that never loads.
    usedTextEvents = 0xFFu & ~(1u << 7);
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    for (int tries = 0; tries < 400; ++tries) {
        game.maxShapeExtent = 20;
        emptyField(56, 96);
        runRandomEvent();
        ASSERT_EQ(game.fieldWidth, 56);
        ASSERT_EQ(game.fieldHeight, 96);
    }
    EXPECT_EQ(usedTextEvents & (1u << 7), 0u) << "the broadening never came";
}

TEST_F(RandomEventsTest, QueueEventsScatterOrFillThePredictedShapes)
{
    auto setUp = [] {
        emptyField(12, 30);
        game.maxShapeExtent = 4;
        for (ShapeMatrix& entry : game.shapeQueue)
            entry.assign(16, CELL_EMPTY);
    };
    runUntilTextEvent(5, setUp);
    int active = 0;
    for (const ShapeMatrix& entry : game.shapeQueue)
        active += countCells(entry, CELL_ACTIVE);
    EXPECT_NEAR(active / 160.0, 1.0 / 3, 0.12);
    EXPECT_EQ(brokenInvariant(), "");

    runUntilTextEvent(6, setUp);
    for (const ShapeMatrix& entry : game.shapeQueue)
        EXPECT_EQ(countCells(entry, CELL_ACTIVE), 16);
    ASSERT_TRUE(spawnNextShape());
    EXPECT_EQ(game.shapeBoxSize, 4);
    EXPECT_EQ(countCells(game.fieldCells, CELL_ACTIVE), 16);
}

TEST_F(RandomEventsTest, CrazyFieldNeverReadsBeforeTheFirstCell)
{
    runUntilTextEvent(2, [] {
        game.maxShapeExtent = 2;
        emptyField(4, 50);
        for (int32_t i = 16; i < 200; ++i)
            game.fieldCells[i] = i % 3 == 0 ? CELL_PLACED : CELL_FIXED;
    });
    EXPECT_EQ(brokenInvariant(), "");
    EXPECT_EQ(fieldPicture()[0], "....") << "the top 2E rows are untouched";
}

TEST_F(RandomEventsTest, BirdsDropOneStoneOnTopOfChosenColumns)
{
    runUntilTextEvent(3, [] {
        setField({"...............", "...............", "...............", "ooooooooooooooo", "###############"});
    });
    const auto rows = fieldPicture();
    EXPECT_EQ(std::count(rows[2].begin(), rows[2].end(), '#'), 5);
    EXPECT_EQ(rows[3], "ooooooooooooooo");
}

TEST_F(RandomEventsTest, LightningClearsPathsFromTheTopOfTheScreen)
{
    for (int32_t direction : {FORCE_DOWN, FORCE_UP, FORCE_RIGHT, FORCE_LEFT}) {
        runUntilTextEvent(0, [direction] {
            setField(std::vector<std::string>(20, std::string(12, 'o')));
            game.forceDirection = direction;
        });
        // The cleared cells of the top screen row: at least one bolt starts there.
        std::set<Point> cleared;
        for (int32_t i = 0; i < game.cellCount; ++i)
            if (game.fieldCells[i] == CELL_EMPTY)
                cleared.insert(toScreenCell(i % 12, i / 12));
        ASSERT_FALSE(cleared.empty());
        EXPECT_TRUE(std::any_of(cleared.begin(), cleared.end(), [](Point p) { return p.second == 0; }))
            << "direction " << direction;
    }
}

TEST_F(RandomEventsTest, NoEventsInSuddenModeOrWhenSwitchedOff)
{
    usedTextEvents = 0;
    for (bool sudden : {true, false}) {
        game.suddenMode = sudden;
        game.randomEvents = !sudden ? false : true;
        game.fieldWidth = 20;
        game.fieldHeight = 40;
        game.maxShapeExtent = 6;
        startNewGame();
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        for (int i = 0; i < 3000; ++i) {
            game.fieldCells.assign(800, CELL_EMPTY);
            game.fieldCells[799] = CELL_FIXED;
            gameStep();
        }
    }
    EXPECT_TRUE(fakeWindow::messages().empty());
    EXPECT_EQ(usedTextEvents, 0u);
}
