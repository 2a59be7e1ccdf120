// Every sample game played for many thousand ticks by an automatic player
// that slides, turns and drops the shapes, with random events on and each
// game's own disturbances. After every step the record is sound; every so
// often a frame is painted and the game goes through a save and back; and
// the heap holds as much at the last thousand ticks as at the first.
#include "core/folders.h"
#include "core/ports.h"
#include "core/window.h"
#include "events/randomevents.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/tick.h"
#include "persist/saveformat.h"
#include "render/renderer.h"
#include "render/skins.h"
#include "ui/commands.h"
#include "ui/shell.h"
#include "qt/skinloader.h"
#include "soak/heapuse.h"
#include "support/fakes.h"
#include "support/fakewindow.h"
#include "support/invariants.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int ticksPerGame = 30000;
// The heap is compared between the first and the last window of ticks. The
// ticks before the first one let every lazily built table come into being.
constexpr int warmUpTicks = 1000;
constexpr int windowTicks = 1000;
constexpr int heapSampleEvery = 10;
// Odd periods, so that frames and saves fall on every phase of the play.
constexpr int paintEvery = 97;
constexpr int saveEvery = 499;

// The arrow bindings as the screen shows them for the current gravity: the
// one pointing with it (fast fall), the one against it (does nothing), and
// the two that slide the shape toward higher and lower field columns.
struct GravityKeys {
    int32_t with, against, higher, lower;
};

GravityKeys gravityKeys()
{
    const auto& k = game.keyBindings;
    switch (game.forceDirection) {
    case FORCE_UP: return {k[KEY_MOVE_UP], k[KEY_MOVE_DOWN], k[KEY_MOVE_LEFT], k[KEY_MOVE_RIGHT]};
    case FORCE_RIGHT: return {k[KEY_MOVE_RIGHT], k[KEY_MOVE_LEFT], k[KEY_MOVE_UP], k[KEY_MOVE_DOWN]};
    case FORCE_LEFT: return {k[KEY_MOVE_LEFT], k[KEY_MOVE_RIGHT], k[KEY_MOVE_DOWN], k[KEY_MOVE_UP]};
    default: return {k[KEY_MOVE_DOWN], k[KEY_MOVE_UP], k[KEY_MOVE_RIGHT], k[KEY_MOVE_LEFT]};
    }
}

bool isObstacle(int32_t cell)
{
    return cell == CELL_FIXED || cell == CELL_PLACED;
}

using Cell = std::pair<int32_t, int32_t>;  // row, column of the field

// The falling shape's blocks as rows and columns of its box, from its
// top-left corner; the box may wrap around the sides.
std::vector<Cell> shapeInBox()
{
    const int32_t w = game.fieldWidth;
    std::vector<Cell> cells;
    for (int32_t i = 0; i < game.cellCount; ++i)
        if (game.fieldCells[i] == CELL_ACTIVE)
            cells.emplace_back(i / w - game.shapeRow, ((i % w - game.shapeColumn) % w + w) % w);
    return cells;
}

// The same blocks turned a quarter clockwise inside the box, as the player
// pictures the turn.
std::vector<Cell> turnedClockwise(const std::vector<Cell>& cells)
{
    std::vector<Cell> turned;
    for (const auto& [row, column] : cells)
        turned.emplace_back(column, game.shapeBoxSize - 1 - row);
    return turned;
}

// How good it would be to drop these blocks of the box with the box slid by
// this many columns: deep landings count, holes left under the blocks cost,
// full rows count far more. Nothing when the blocks do not fit where the box
// is now, or when they would fall out of a field without ground.
std::optional<int> placementScore(const std::vector<Cell>& inBox, int32_t offset)
{
    const int32_t w = game.fieldWidth, h = game.fieldHeight;
    std::vector<Cell> cells;
    for (const auto& [row, column] : inBox) {
        const Cell cell{game.shapeRow + row, ((game.shapeColumn + column + offset) % w + w) % w};
        if (cell.first < 0 || cell.first >= h || isObstacle(game.fieldCells[cell.first * w + cell.second]))
            return std::nullopt;
        cells.push_back(cell);
    }
    if (cells.empty())
        return std::nullopt;
    int32_t drop = 0;
    for (bool blocked = false; !blocked; ++drop)
        for (const auto& [row, column] : cells) {
            if (row + drop + 1 >= h)
                return std::nullopt;
            if (isObstacle(game.fieldCells[(row + drop + 1) * w + column]))
                blocked = true;
        }
    --drop;
    for (Cell& cell : cells)
        cell.first += drop;
    auto holds = [&](int32_t row, int32_t column) {
        return isObstacle(game.fieldCells[row * w + column])
            || std::find(cells.begin(), cells.end(), Cell{row, column}) != cells.end();
    };
    int score = 0;
    for (const auto& [row, column] : cells) {
        score += 10 * row;
        if (row + 1 < h && !holds(row + 1, column))
            score -= 40;
        bool full = true;
        for (int32_t c = 0; c < w && full; ++c)
            full = holds(row, c);
        if (full)
            score += 1000;  // once for each of its blocks in the row
    }
    return score;
}

// The hands on the keyboard. Every key goes down and up through the key
// table and the window's key-press rule, as the window thread sends them.
// For each new shape it makes a few turns, then mostly slides the shape to
// where it lands best and holds the fast-fall key; sometimes it slides at
// random or holds a slide key instead, turns or slides late, presses the key
// that does nothing, or pauses. Its choices come from its own fixed-seed
// generator, never from the game's random source.
class AutoPlayer {
public:
    explicit AutoPlayer(uint32_t seed) : hands(seed) {}

    // Called once a tick, before the game thread's poll.
    void act()
    {
        if (game.gameMode == MODE_EDITOR) {
            if (editorClicksLeft-- > 0) {
                clickSomewhere();
            } else {
                shellCommand(CMD_EDITOR_MODE);  // back into a paused game
                pausedFor = roll(20);
            }
            return;
        }
        if (game.gameMode == MODE_PAUSED) {
            if (--pausedFor <= 0)
                tap(game.keyBindings[roll(KEY_ANTI_BOSS)]);  // any key but Anti-boss! resumes
            return;
        }
        const bool falling = fieldContains(game.fieldCells, CELL_ACTIVE);
        if (falling && (!wasFalling || game.shapeRow < lastRow)) {
            ++shapes;
            planNewShape();
        }
        wasFalling = falling;
        lastRow = game.shapeRow;

        if (roll(4000) == 0) {
            tap(game.keyBindings[KEY_PAUSE]);
            pausedFor = 5 + roll(60);
            return;
        }
        if (roll(6000) == 0) {
            clickSomewhere();  // a click pauses
            pausedFor = 5 + roll(60);
            return;
        }
        // Now and then a few cells changed by hand in the editor, the
        // falling shape's own among them, which no key could do.
        if (roll(8000) == 0) {
            shellCommand(CMD_EDITOR_MODE);
            editorClicksLeft = 1 + roll(20);
            return;
        }
        if (roll(400) == 0)
            tap(gravityKeys().against);
        if (cooldown > 0) {
            --cooldown;
            return;
        }
        if (turnsLeft > 0) {
            tap(randomTurns ? rotationKey() : plannedTurnKey());
            --turnsLeft;
            cooldown = 1 + roll(6);
            return;
        }
        if (aimWanted) {
            aimWanted = false;
            aim();
        }
        if (slidesLeft > 0) {
            tap(slideKey);
            --slidesLeft;
            cooldown = 1 + roll(3);  // a key still down at the next poll would be a hold
            return;
        }
        if (holdLeft > 0) {
            if (!keyHeld(slideKey))
                press(slideKey);
            else if (holdLeft % 5 == 0)
                shellKeyDown(slideKey, true);  // the platform's auto-repeat
            if (--holdLeft == 0)
                release(slideKey);
            return;
        }
        if (dropWanted && heldFastFall == 0) {
            heldFastFall = gravityKeys().with;
            press(heldFastFall);
        }
        // Late touches near the heap, the turns that need a kick, but not
        // on a shape placed with thought.
        if (!randomTurns)
            return;
        if (roll(40) == 0)
            tap(rotationKey());
        if (roll(60) == 0)
            tap(roll(2) == 0 ? gravityKeys().higher : gravityKeys().lower);
    }

    void releaseEverything()
    {
        releaseAllKeys();
        held.fill(false);
        heldFastFall = 0;
        turnsLeft = slidesLeft = holdLeft = cooldown = 0;
    }

    int shapesSeen() const { return shapes; }

private:
    int roll(int n) { return static_cast<int>(hands() % static_cast<uint32_t>(n)); }

    int32_t rotationKey()
    {
        static constexpr KeyBindingIndex rotations[] = {KEY_ROTATE_CCW, KEY_ROTATE_180, KEY_ROTATE_CW};
        return game.keyBindings[rotations[roll(3)]];
    }

    bool keyHeld(int32_t key) const { return key >= 0 && key < keyTableSize && held[key]; }

    void press(int32_t key)
    {
        shellKeyDown(key, false);
        if (key >= 0 && key < keyTableSize)
            held[key] = true;
    }

    void release(int32_t key)
    {
        shellKeyUp(key);
        if (key >= 0 && key < keyTableSize)
            held[key] = false;
    }

    // A left click anywhere in the play area, margins included; in the
    // editor mostly near the falling shape.
    void clickSomewhere()
    {
        int32_t x = roll(playAreaWidth), y = roll(playAreaHeight);
        if (game.gameMode == MODE_EDITOR && roll(2) == 0) {
            const int32_t cs = game.cellSize, reach = 2 * game.maxShapeExtent;
            const ScreenPoint near = toScreen(game.shapeColumn, std::max(0, game.shapeRow), game.fieldWidth,
                                              game.fieldHeight, ScreenPoint{fieldOriginX, fieldOriginY});
            x = near.x + (roll(2 * reach + 1) - reach) * cs + roll(cs);
            y = near.y + (roll(2 * reach + 1) - reach) * cs + roll(cs);
        }
        shellClick(x, y);
    }

    // Down and up between two polls: the poll still sees it.
    void tap(int32_t key)
    {
        if (keyHeld(key))
            return;
        press(key);
        release(key);
    }

    void planNewShape()
    {
        if (heldFastFall != 0)
            release(heldFastFall);
        heldFastFall = 0;
        if (holdLeft > 0)
            release(slideKey);
        holdLeft = slidesLeft = turnsLeft = 0;
        if (roll(4) == 0) {
            // Anyhow: some turns and a slide at random, or a held slide.
            aimWanted = false;
            randomTurns = true;
            turnsLeft = roll(4);
            slideKey = roll(2) == 0 ? gravityKeys().higher : gravityKeys().lower;
            if (roll(3) == 0)
                holdLeft = 3 + roll(30);
            else
                slidesLeft = roll(game.fieldWidth / 2 + 1);
        } else {
            // With thought: the turn whose best landing is best, then a slide
            // there, aimed again at what the turn really gave.
            aimWanted = true;
            randomTurns = false;
            std::vector<Cell> cells = shapeInBox();
            std::optional<int> best;
            for (int quarter = 0; quarter < 4; ++quarter, cells = turnedClockwise(cells)) {
                const std::optional<int> score = bestPlacement(cells).second;
                if (score && (!best || *score > *best)) {
                    best = score;
                    turnsLeft = quarter;
                }
            }
        }
        dropWanted = roll(8) != 0;
        cooldown = roll(5);
    }

    // The best slide for these blocks of the box, and its score.
    std::pair<int32_t, std::optional<int>> bestPlacement(const std::vector<Cell>& cells)
    {
        const int32_t reach = game.fieldWidth / 2;
        std::optional<int> best;
        int32_t bestOffset = 0;
        for (int32_t offset = -reach; offset <= reach; ++offset) {
            const std::optional<int> score = placementScore(cells, offset);
            if (score && (!best || *score > *best || (*score == *best && roll(2) == 0))) {
                best = score;
                bestOffset = offset;
            }
        }
        return {bestOffset, best};
    }

    // Slides toward the best landing place for the shape as it is turned now.
    void aim()
    {
        const int32_t offset = bestPlacement(shapeInBox()).first;
        slideKey = offset > 0 ? gravityKeys().higher : gravityKeys().lower;
        slidesLeft = offset > 0 ? offset : -offset;
    }

    // A planned turn of one, two or three quarters clockwise is one key: the
    // clockwise, the half or the counter-clockwise turn.
    int32_t plannedTurnKey()
    {
        static constexpr KeyBindingIndex byQuarters[] = {KEY_ROTATE_CW, KEY_ROTATE_180, KEY_ROTATE_CCW};
        const int quarters = turnsLeft;
        turnsLeft = 1;
        return game.keyBindings[byQuarters[quarters - 1]];
    }

    std::mt19937 hands;
    std::array<bool, keyTableSize> held{};
    bool wasFalling = false;
    int32_t lastRow = 0;
    int32_t slideKey = 0;
    int32_t heldFastFall = 0;
    bool dropWanted = true;
    bool aimWanted = false;
    bool randomTurns = false;
    int shapes = 0;
    int turnsLeft = 0, slidesLeft = 0, holdLeft = 0, cooldown = 0, pausedFor = 0, editorClicksLeft = 0;
};

// Heap the record's own grids, queue and the renderer's masks account for.
int64_t heapHeldByTheGame()
{
    auto bytes = [](const std::vector<int32_t>& v) { return static_cast<int64_t>(v.capacity() * sizeof(int32_t)); };
    int64_t total = bytes(game.fieldCells) + bytes(game.scratchCells) + bytes(game.projectionCells) + bytes(fieldMasks);
    for (const ShapeMatrix& entry : game.shapeQueue)
        total += bytes(entry);
    for (const std::vector<int32_t>& masks : queueMasks)
        total += bytes(masks);
    return total;
}

// The largest heap figures seen during one window of ticks, leaving out what
// the game's grids account for: those follow the field, which a random event
// may grow for good.
struct HeapWindow {
    int64_t bytes = INT64_MIN;
    int64_t blocks = INT64_MIN;

    void sample()
    {
        bytes = std::max(bytes, heapUse::liveBytes() - heapHeldByTheGame());
        if (const std::optional<int64_t> live = heapUse::liveBlocks())
            blocks = std::max(blocks, *live);
    }
};

// What the play did, from the cues it played and the moves the record shows.
struct PlayCount {
    int landings = 0;
    int rowRemovals = 0;
    int turns = 0;
    int slides = 0;
    int gamesOver = 0;
};

void countCues(PlayCount& count)
{
    for (const std::string& cue : soundLog::played()) {
        if (cue == SOUND_SHAPE_PLACED)
            ++count.landings;
        else if (cue == SOUND_ROW_FILLED)
            ++count.landings, ++count.rowRemovals;
        else if (cue == SOUND_ROTATE)
            ++count.turns;
    }
    soundLog::clear();
}

// A frame as the window's paint makes it.
void paintFrame()
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    Bitmap frame(playAreaWidth, playAreaHeight);
    ASSERT_FALSE(frame.isNull());
    paintPlayArea(frame.view());
}

// Whatever the play reaches must survive the automatic save: written, read
// back and equal to what was written. Play then goes on either from the game
// as it was or, as after a restart, from the game as loaded.
void expectSaveAndLoad(bool goOnFromLoaded)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    const GameState before = game;
    std::stringstream file;
    ASSERT_TRUE(writeGameState(file));
    ASSERT_TRUE(readGameState(file)) << file.str();
    EXPECT_EQ(game.fieldWidth, before.fieldWidth);
    EXPECT_EQ(game.fieldHeight, before.fieldHeight);
    EXPECT_EQ(game.fieldCells, before.fieldCells);
    EXPECT_EQ(game.shapeQueue, before.shapeQueue);
    EXPECT_EQ(game.shapeRow, before.shapeRow);
    EXPECT_EQ(game.shapeColumn, before.shapeColumn);
    EXPECT_EQ(game.shapeBoxSize, before.shapeBoxSize);
    EXPECT_EQ(game.score, before.score);
    EXPECT_NEAR(game.fallSpeed, before.fallSpeed, before.fallSpeed * 1e-5);
    EXPECT_EQ(game.effectFrequency, before.effectFrequency);
    EXPECT_EQ(game.levelFile, before.levelFile);
    EXPECT_EQ(game.tipText, before.tipText);
    EXPECT_EQ(brokenInvariant(), "");
    if (!goOnFromLoaded)
        game = before;
}

std::string testName(const ::testing::TestParamInfo<size_t>& info)
{
    std::string name = std::to_string(info.param) + "_";
    for (const char* c = sampleGames[info.param].caption; *c != '\0'; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c)))
            name += *c;
    return name;
}

}  // namespace

class SampleGameSoak : public ::testing::TestWithParam<size_t> {
protected:
    void SetUp() override
    {
        game = GameState{};
        fakeClock::install(1000 + 7919 * static_cast<uint32_t>(GetParam()));
        soundLog::install();
        fakeWindow::install();
        installExitAction(nullptr);
        releaseAllKeys();
        gameDirectory = DRALEN_DATA_DIR;
        static const bool skinsLoaded = (loadSkinBitmaps(), true);
        (void)skinsLoaded;
    }
    void TearDown() override
    {
        releaseAllKeys();
        fakeWindow::uninstall();
    }
};

TEST_P(SampleGameSoak, PlaysOnSoundlyWithFlatMemory)
{
    const size_t index = GetParam();
    const SampleGame& row = sampleGames[index];

    // The options differ from game to game, so that between them every
    // switch is played both ways.
    loadDefaultKeys(game.keyBindings);
    game.randomEvents = true;
    game.allowWallKicks = index % 3 != 1;
    game.allowGroundKicks = index % 4 != 2;
    game.fallSlowdownOnAction = index % 5 != 3;
    game.predictShapes = index % 6 != 4;
    game.showProjection = index % 7 != 5;
    game.shiftSpeed = std::array{5, 8, 10, 15, 20}[index % 5];
    game.fastFallSpeed = 1 + static_cast<int32_t>(index % 5);
    selectSkin(static_cast<int32_t>(index % skinCount));
    usedTextEvents = 0;

    int32_t baseWidth = 0, baseHeight = 0;
    int32_t largestField = 0;
    auto startOfGame = [&] {
        baseWidth = game.fieldWidth;
        baseHeight = game.fieldHeight;
        // Each game as in a fresh run: every text event can come again.
        usedTextEvents = 0;
    };
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        applySampleGame(row);
        if (*row.levelFile != '\0') {
            ASSERT_EQ(game.levelFile, row.levelFile);
        }
        ASSERT_EQ(brokenInvariant(), "");
        startOfGame();
    }
    const bool hasFloor = std::all_of(game.fieldCells.end() - game.fieldWidth, game.fieldCells.end(),
                                      [](int32_t cell) { return cell == CELL_FIXED; });

    AutoPlayer player(20261207u + static_cast<uint32_t>(index));
    PlayCount count;
    HeapWindow first, last;
    for (int tick = 0; tick < ticksPerGame; ++tick) {
        player.act();
        fakeClock::advance(tickLength);
        if (game.gameMode == MODE_PLAYING) {
            std::lock_guard<std::recursive_mutex> lock(gameLock);
            const bool wasFalling = fieldContains(game.fieldCells, CELL_ACTIVE);
            const int32_t column = game.shapeColumn;
            pollKeys();
            gameStep();
            if (wasFalling && game.shapeColumn != column && fieldContains(game.fieldCells, CELL_ACTIVE))
                ++count.slides;

            // Only the broadening event grows the field, once a game; the
            // grids never hold more than the largest field had.
            ASSERT_LE(game.fieldWidth, baseWidth + 6) << "tick " << tick;
            ASSERT_LE(game.fieldHeight, baseHeight + 2 * game.maxShapeExtent + 6) << "tick " << tick;
            largestField = std::max(largestField, game.cellCount);
            for (const Grid* grid : {&game.fieldCells, &game.scratchCells, &game.projectionCells})
                ASSERT_LE(grid->capacity(), static_cast<size_t>(largestField)) << "tick " << tick;

            if (game.gameMode == MODE_GAME_OVER) {
                ASSERT_EQ(brokenInvariant(), "") << "game over at tick " << tick;
                ++count.gamesOver;
                startNewGame();
                ASSERT_EQ(game.gameMode, MODE_PLAYING);
                ASSERT_EQ(brokenInvariant(), "") << "new game at tick " << tick;
                startOfGame();
            }
        }
        // Whatever the tick did: a step, a pause, edits by hand.
        {
            std::lock_guard<std::recursive_mutex> lock(gameLock);
            ASSERT_EQ(brokenInvariant(), "") << "tick " << tick << ", mode " << game.gameMode;
        }
        if (tick % paintEvery == 0) {
            ASSERT_NO_FATAL_FAILURE(paintFrame());
        }
        if (tick % saveEvery == 0) {
            ASSERT_NO_FATAL_FAILURE(expectSaveAndLoad(tick % (3 * saveEvery) == 0)) << "tick " << tick;
        }

        countCues(count);
        for (const std::string& message : fakeWindow::messages()) {
            ASSERT_EQ(message.find("Couldn't"), std::string::npos) << message;
        }
        fakeWindow::clear();

        if (tick % heapSampleEvery == 0) {
            if (tick >= warmUpTicks && tick < warmUpTicks + windowTicks)
                first.sample();
            else if (tick >= ticksPerGame - windowTicks)
                last.sample();
        }
    }
    player.releaseEverything();

    // The play really played: shapes came, turned, slid and, on a field with
    // a floor, landed. Without one most shapes fall through.
    EXPECT_GE(player.shapesSeen(), 50);
    if (hasFloor) {
        EXPECT_GE(count.landings, 40);
    }
    EXPECT_GE(count.turns, 20);
    EXPECT_GE(count.slides, 20);
    // Between ticks the heap beyond the grids stays put to a few dozen bytes:
    // a leak of a byte a tick, or of one block every few landings, shows here.
    EXPECT_LE(last.bytes, first.bytes + 2048) << "heap grew from " << first.bytes << " to " << last.bytes;
    EXPECT_LE(last.blocks, first.blocks + 8) << "live blocks grew from " << first.blocks << " to " << last.blocks;

    std::printf("  %-24s %4d shapes, %4d landings, %3d row removals, %4d turns, %4d slides, %3d games over;"
                " heap beyond the grids %lld -> %lld bytes\n",
                row.caption, player.shapesSeen(), count.landings, count.rowRemovals, count.turns, count.slides,
                count.gamesOver, static_cast<long long>(first.bytes), static_cast<long long>(last.bytes));
}

// The range is taken when the tests are registered, after the catalogue exists.
INSTANTIATE_TEST_SUITE_P(EverySampleGame, SampleGameSoak, ::testing::Range<size_t>(0, sampleGames.size()), testName);
