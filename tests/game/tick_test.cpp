#include "core/generator.h"
#include "core/ports.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/tick.h"
#include "support/fakewindow.h"
#include "support/gametest.h"
#include "support/tempdir.h"

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

namespace {

// A walled field with ground and a one-block shape at the top, in column 4.
void singleBlockGame(int32_t cellSize = 10, int32_t width = 10, int32_t height = 30)
{
    std::vector<std::string> rows(height, "#" + std::string(width - 2, '.') + "#");
    rows.back() = std::string(width, '#');
    setField(rows);
    game.cellSize = cellSize;
    game.fieldCells[4] = CELL_ACTIVE;
    game.shapeRow = 0;
    game.shapeColumn = 4;
    game.shapeBoxSize = 1;
    game.shapeX = cellSize * 4 + cellSize / 2;
    game.shapeY = cellSize / 2;
    game.gradualSpeedup = false;
    game.randomEvents = false;
    game.keyBindings = {37, 39, 38, 40, 86, 67, 32, 13, 27};
    for (ShapeMatrix& entry : game.shapeQueue)
        entry.assign(game.maxShapeExtent * game.maxShapeExtent, CELL_EMPTY);
    game.shapeQueue[0][3 * 6 + 3] = CELL_ACTIVE;
}

// One tick as the game thread runs it, without the thread.
bool tick()
{
    pollKeys();
    return gameStep();
}

// Ticks at which the shape entered a new column (or row), over a run.
std::vector<int> ticksWhenChanged(int ticks, const int32_t& watched)
{
    std::vector<int> when;
    int32_t last = watched;
    for (int t = 1; t <= ticks; ++t) {
        tick();
        if (watched != last)
            when.push_back(t);
        last = watched;
    }
    return when;
}

std::vector<int> differences(const std::vector<int>& ticks)
{
    std::vector<int> gaps;
    for (size_t i = 1; i < ticks.size(); ++i)
        gaps.push_back(ticks[i] - ticks[i - 1]);
    return gaps;
}

}  // namespace

class TickTest : public GameTest {
protected:
    void TearDown() override { releaseAllKeys(); }
};

TEST_F(TickTest, FreeFallIsOneRowEveryQuarterSecondWhateverTheCellSize)
{
    for (int32_t cellSize : {10, 20}) {
        singleBlockGame(cellSize);
        const std::vector<int> moves = ticksWhenChanged(150, game.shapeRow);
        ASSERT_EQ(moves.size(), 6u) << "cell size " << cellSize;
        EXPECT_EQ(moves[0], 13) << "half a cell to go at the start";
        EXPECT_EQ(differences(moves), std::vector<int>(5, 25));
    }
}

TEST_F(TickTest, FastFallAddsItsSpeed)
{
    singleBlockGame();
    game.fastFallSpeed = 3;
    setKeyDown(40);
    const std::vector<int> moves = ticksWhenChanged(50, game.shapeRow);
    ASSERT_GE(moves.size(), 5u);
    EXPECT_LE(differences(moves)[2], 3) << "3.4 tenths of a cell a tick";
}

TEST_F(TickTest, ATapBetweenTwoPollsMovesExactlyOneColumn)
{
    singleBlockGame();
    game.fallSpeed = 0;
    setKeyDown(39);
    setKeyUp(39);
    tick();
    EXPECT_EQ(game.shapeColumn, 5);
    for (int t = 0; t < 30; ++t)
        tick();
    EXPECT_EQ(game.shapeColumn, 5);
}

TEST_F(TickTest, HeldKeyMovesAtOnceThenAtTheShiftingSpeed)
{
    singleBlockGame(10, 20);
    game.fallSpeed = 0;
    game.shiftSpeed = 10;
    game.fieldCells[4] = CELL_EMPTY;
    game.fieldCells[2] = CELL_ACTIVE;
    game.shapeColumn = 2;
    game.shapeX = 25;
    setKeyDown(39);
    const std::vector<int> moves = ticksWhenChanged(40, game.shapeColumn);
    ASSERT_GE(moves.size(), 4u);
    EXPECT_EQ(moves[0], 1);
    EXPECT_EQ(moves[1], 10) << "0.9 of a cell after the press";
    EXPECT_EQ(moves[2], 20);
    EXPECT_EQ(moves[3], 30);
}

TEST_F(TickTest, BothShiftKeysTogether)
{
    singleBlockGame();
    game.fallSpeed = 0;
    setKeyDown(37);
    setKeyDown(39);
    tick();
    EXPECT_EQ(game.shapeColumn, 3) << "the lower-column key is applied last";
    for (int t = 0; t < 40; ++t)
        tick();
    EXPECT_EQ(game.shapeColumn, 3) << "held together they cancel";
}

TEST_F(TickTest, ShiftingAgainstAWallRecentresTheShape)
{
    singleBlockGame();
    game.fallSpeed = 0;
    game.fieldCells[4] = CELL_EMPTY;
    game.fieldCells[8] = CELL_ACTIVE;
    game.shapeColumn = 8;
    game.shapeX = 85;
    setKeyDown(39);
    for (int t = 0; t < 25; ++t) {
        tick();
        ASSERT_EQ(game.shapeColumn, 8);
    }
    setKeyUp(39);
    tick();
    tick();
    EXPECT_LT(game.shapeX, 90);
    EXPECT_GE(game.shapeX, 80);
}

TEST_F(TickTest, SlowdownAfterTurnsHoldsTheShape)
{
    struct Case {
        int turnEvery;
        int expectedFallingTicks;
    };
    for (Case c : {Case{7, 0}, Case{8, 10}}) {
        singleBlockGame();
        soundLog::clear();
        const double startY = game.shapeY;
        int falling = 0;
        for (int t = 0; t < 80; ++t) {
            if (t % c.turnEvery == 0)
                game.pendingRotation = ROTATE_CW;
            const double before = game.shapeY;
            tick();
            falling += game.shapeY != before;
        }
        EXPECT_EQ(falling, c.expectedFallingTicks) << "turned every " << c.turnEvery;
        EXPECT_EQ(soundLog::played().size(), static_cast<size_t>(80 / c.turnEvery + (80 % c.turnEvery != 0)));
        if (c.turnEvery == 7) {
            EXPECT_EQ(game.shapeY, startY);
        }
    }
}

TEST_F(TickTest, RefusedTurnIsForgottenWithoutSound)
{
    singleBlockGame();
    game.fieldCells[4] = CELL_EMPTY;
    // A vertical two in the first open column, box of 2: turning it needs the wall column.
    game.fieldCells[1 * 10 + 1] = game.fieldCells[2 * 10 + 1] = CELL_ACTIVE;
    game.shapeRow = 1;
    game.shapeColumn = 0;
    game.shapeBoxSize = 2;
    game.allowWallKicks = game.allowGroundKicks = false;
    game.pendingRotation = ROTATE_CCW;
    tick();
    EXPECT_EQ(game.pendingRotation, ROTATE_NONE);
    EXPECT_TRUE(soundLog::played().empty());
}

TEST_F(TickTest, SuddenModeFixesTheShapeAfterItsTimer)
{
    singleBlockGame();
    game.suddenMode = true;
    game.fieldCells[4] = CELL_EMPTY;
    game.fieldCells[0] = CELL_FIXED;
    ASSERT_TRUE(spawnNextShape());  // dropped straight to the ground
    ASSERT_EQ(game.shapeRow, 28);
    int ticks = 0;
    while (fieldContains(game.fieldCells, CELL_ACTIVE) && ticks < 1000) {
        tick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 125);
    EXPECT_EQ(game.fieldCells[28 * 10 + 5], CELL_PLACED);
}

TEST_F(TickTest, ShapeFallingOutOfTheFieldLandsNowhere)
{
    singleBlockGame(10, 10, 6);
    game.fieldCells.assign(game.cellCount, CELL_EMPTY);
    game.fieldCells[4] = CELL_ACTIVE;
    game.fallSpeed = 5;
    int ticks = 0;
    while (fieldContains(game.fieldCells, CELL_ACTIVE) && ticks < 100) {
        tick();
        ++ticks;
    }
    EXPECT_EQ(countCells(game.fieldCells, CELL_PLACED), 0);
    EXPECT_TRUE(soundLog::played().empty());
    tick();
    EXPECT_TRUE(fieldContains(game.fieldCells, CELL_ACTIVE)) << "the next shape comes in";
    EXPECT_EQ(game.gameMode, MODE_PLAYING);
}

TEST_F(TickTest, GameIsOverOnlyWhenTheSpawnCellsAreTaken)
{
    singleBlockGame();
    game.fieldCells[4] = CELL_EMPTY;
    for (int32_t c = 1; c < 9; ++c)
        if (c != 5)
            game.fieldCells[1 * 10 + c] = CELL_PLACED;  // nearly full second row
    EXPECT_TRUE(gameStep());
    EXPECT_EQ(game.gameMode, MODE_PLAYING) << "the spawn cell itself is free";

    singleBlockGame();
    game.fieldCells[4] = CELL_EMPTY;
    game.fieldCells[5] = CELL_PLACED;  // where the next shape appears
    EXPECT_TRUE(gameStep());
    EXPECT_EQ(game.gameMode, MODE_GAME_OVER);
}

TEST_F(TickTest, KeyRolesFollowTheForceDirection)
{
    game.keyBindings = {37, 39, 38, 40, 86, 67, 32, 13, 27};
    struct Case {
        int32_t direction;
        int32_t higher, lower, fastFall;
    };
    const Case cases[] = {{FORCE_DOWN, 39, 37, 40}, {FORCE_UP, 37, 39, 38}, {FORCE_RIGHT, 38, 40, 39}, {FORCE_LEFT, 40, 38, 37}};
    for (const Case& c : cases) {
        game.forceDirection = c.direction;
        for (int32_t key : {37, 38, 39, 40}) {
            game.prevShiftRightHeld = game.prevShiftLeftHeld = false;
            setKeyDown(key);
            pollKeys();
            setKeyUp(key);
            EXPECT_EQ(game.shiftRightHeld, key == c.higher) << c.direction << "/" << key;
            EXPECT_EQ(game.shiftRightPressed, key == c.higher);
            EXPECT_EQ(game.shiftLeftHeld, key == c.lower);
            EXPECT_EQ(game.fastFallHeld, key == c.fastFall);
            for (int32_t drained : {37, 38, 39, 40})
                queryKey(drained);  // forget the tap for the next direction
        }
    }
}

namespace {
int exitCalls = 0;
void countExit() { ++exitCalls; }
}  // namespace

TEST_F(TickTest, KeyPressRule)
{
    loadDefaultKeys(game.keyBindings);
    installExitAction(countExit);
    exitCalls = 0;
    for (int32_t mode : {MODE_PLAYING, MODE_PAUSED, MODE_GAME_OVER, MODE_EDITOR}) {
        game.gameMode = mode;
        handleKeyPress(27);
    }
    EXPECT_EQ(exitCalls, 4) << "Anti-boss! works in every mode";

    game.gameMode = MODE_PAUSED;
    handleKeyPress(13);
    EXPECT_EQ(game.gameMode, MODE_PLAYING) << "any key resumes, Pause included";
    EXPECT_EQ(game.pendingRotation, ROTATE_NONE);

    handleKeyPress(86);
    EXPECT_EQ(game.pendingRotation, ROTATE_CCW);
    handleKeyPress(67);
    EXPECT_EQ(game.pendingRotation, ROTATE_180) << "a second rotation replaces the first";
    handleKeyPress(32);
    EXPECT_EQ(game.pendingRotation, ROTATE_CW);
    handleKeyPress(13);
    EXPECT_EQ(game.gameMode, MODE_PAUSED);

    game.gameMode = MODE_EDITOR;
    game.pendingRotation = ROTATE_NONE;
    handleKeyPress(86);
    EXPECT_EQ(game.pendingRotation, ROTATE_NONE);
    EXPECT_EQ(game.gameMode, MODE_EDITOR);

    // A key bound to a rotation and to Pause turns the shape.
    game.gameMode = MODE_PLAYING;
    game.keyBindings[KEY_PAUSE] = 32;
    handleKeyPress(32);
    EXPECT_EQ(game.gameMode, MODE_PLAYING);
    installExitAction(nullptr);
}

TEST_F(TickTest, KeysWithoutAVirtualKeyNumberResumeAndCanBeBound)
{
    loadDefaultKeys(game.keyBindings);
    const int32_t umlaut = characterKeyBase + 0xC4;
    const int32_t mediaKey = namedKeyBase + 0x80;
    game.gameMode = MODE_PAUSED;
    handleKeyPress(umlaut);
    EXPECT_EQ(game.gameMode, MODE_PLAYING) << "any key resumes";

    game.keyBindings[KEY_MOVE_LEFT] = umlaut;
    game.keyBindings[KEY_ROTATE_CW] = mediaKey;
    handleKeyPress(mediaKey);
    EXPECT_EQ(game.pendingRotation, ROTATE_CW);
    setKeyDown(umlaut);
    setKeyUp(umlaut);
    pollKeys();
    EXPECT_TRUE(game.shiftLeftPressed) << "a tap between two polls counts for these keys too";
    pollKeys();
    EXPECT_FALSE(game.shiftLeftHeld);
    EXPECT_FALSE(queryKey(mediaKey)) << "never went down";
}

TEST_F(TickTest, MenuKeysNeitherResumeNorPlayUnlessBound)
{
    loadDefaultKeys(game.keyBindings);
    for (int32_t menuKey : {18, 121}) {  // Alt, F10
        game.gameMode = MODE_PAUSED;
        handleKeyPress(menuKey);
        EXPECT_EQ(game.gameMode, MODE_PAUSED) << menuKey << " only opens the menu";
        EXPECT_TRUE(isMenuKey(menuKey));
    }
    // Bound to an action, Alt is a game key like any other.
    game.keyBindings[KEY_ROTATE_180] = 18;
    EXPECT_FALSE(isMenuKey(18));
    handleKeyPress(18);
    EXPECT_EQ(game.gameMode, MODE_PLAYING);
    handleKeyPress(18);
    EXPECT_EQ(game.pendingRotation, ROTATE_180);
}

TEST_F(TickTest, GameThreadEndsAGameEntersItsScoreAndStartsTheNext)
{
    static std::atomic<int> shownScore{-1};
    installHallOfFameRequest([](const Difficulty&, const HallEntry& entry) { shownScore = entry.score; });
    TempDir dir;
    gameDirectory = dir.path();
    fakeWindow::install();
    fakeClock::install(1000, 1);
    game.fieldWidth = 10;
    game.fieldHeight = 12;
    game.maxShapeExtent = 4;
    game.maxBlocks = 4;
    game.randomEvents = false;
    startNewGame();
    const Difficulty rules = difficultyOf(game);
    game.score = 17;
    // Block the spawn: the shape now falling is the last one.
    std::fill(game.fieldCells.begin(), game.fieldCells.begin() + 10 * 5, int32_t(CELL_PLACED));
    for (int32_t i = 0; i < 50; ++i)
        if (i % 10 == 0 || i % 10 == 9)
            game.fieldCells[i] = CELL_FIXED;
        else if (i % 10 == 3)
            game.fieldCells[i] = CELL_EMPTY;  // no full rows
    game.fieldCells[6 * 10 + 5] = CELL_EMPTY;

    startGameThread();
    // On the fake clock the game thread runs at full speed and could end the
    // next game too before the checks: it is paused the moment it is seen.
    bool nextGamePlaying = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!nextGamePlaying && std::chrono::steady_clock::now() < deadline) {
        {
            std::lock_guard<std::recursive_mutex> lock(gameLock);
            nextGamePlaying = shownScore >= 0 && game.score == 0 && game.gameMode == MODE_PLAYING;
            if (nextGamePlaying)
                game.gameMode = MODE_PAUSED;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stopGameThread();

    ASSERT_FALSE(fakeWindow::messages().empty());
    EXPECT_EQ(fakeWindow::messages()[0], "Your score: 17");
    EXPECT_TRUE(nextGamePlaying) << "a new game followed, at 0 points, playing";
    fakeWindow::uninstall();
    installHallOfFameRequest(nullptr);

    // The score went into the table of its rules, which was then shown.
    EXPECT_EQ(shownScore, 17);
    const HallOfFame hall = readHallOfFame();
    const HallTable* table = findHallTable(hall, rules);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->entries.at(0).score, 17);
    EXPECT_EQ(table->entries.at(0).name, loginName());
}

namespace {

// A clock whose every reading costs 3 ms, as a slow tick would, and whose
// sleeps to a deadline record it and jump there, one of them much later.
std::atomic<uint32_t> stallingNow{1000};
std::vector<uint32_t> deadlines;
std::atomic<size_t> stallAt{0};

uint32_t slowReading()
{
    return stallingNow.fetch_add(3);
}

void jumpToDeadline(uint32_t due)
{
    deadlines.push_back(due);
    stallingNow = deadlines.size() == stallAt ? due + 200 : due;
    if (deadlines.size() >= 40)
        setGameMode(MODE_PAUSED);
}

}  // namespace

TEST_F(TickTest, TicksKeepToFixedDeadlinesAndGoOnFromNowAfterAStall)
{
    singleBlockGame();
    deadlines.clear();
    stallingNow = 1000;
    stallAt = 20;
    installClock({slowReading, nullptr, jumpToDeadline});
    game.gameMode = MODE_PLAYING;
    startGameThread();
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (game.gameMode == MODE_PLAYING && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stopGameThread();
    fakeClock::install();

    ASSERT_GE(deadlines.size(), 40u);
    for (size_t i = 1; i < 40; ++i) {
        if (i == stallAt)
            // 200 ms late: no burst of twenty ticks to catch up, the next one
            // is due a tick after the late one.
            EXPECT_EQ(deadlines[i], deadlines[i - 1] + 200 + 10) << i;
        else
            EXPECT_EQ(deadlines[i], deadlines[i - 1] + 10) << "the time a tick takes must not add up, tick " << i;
    }
}

TEST_F(TickTest, ResumingWhileTheGameThreadSettlesIntoItsWaitIsNeverLost)
{
    fakeWindow::install();
    fakeClock::install(1000, 1);
    game.randomEvents = false;
    startNewGame();
    startGameThread();
    std::mt19937 jitter(7);
    for (int round = 0; round < 200; ++round) {
        setGameMode(MODE_PAUSED);
        // Land the resume anywhere around the moment the thread looks at the
        // mode and begins to wait for it to change.
        for (int spin = std::uniform_int_distribution<int>(0, 2000)(jitter); spin > 0; --spin)
            std::atomic_signal_fence(std::memory_order_seq_cst);
        setGameMode(MODE_PLAYING);
        const uint32_t before = fakeClock::now();
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (fakeClock::now() == before && std::chrono::steady_clock::now() < limit)
            std::this_thread::yield();
        ASSERT_NE(fakeClock::now(), before) << "the game thread slept through a resume, round " << round;
    }
    stopGameThread();
    fakeWindow::uninstall();
}
