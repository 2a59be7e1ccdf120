#include "game/tick.h"

#include "core/gamestate.h"
#include "core/generator.h"
#include "core/landing.h"
#include "core/motion.h"
#include "core/ports.h"
#include "core/window.h"
#include "events/fieldeffects.h"
#include "events/randomevents.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/replay.h"
#include "persist/halloffame.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace {

// Ticks late by more than this are not caught up one after another: after a
// stall (a menu command holding gameLock, a message box, a machine that
// stopped the process) the game goes on from now, as a player would expect.
// Below it, a late tick is made up at once and the rhythm stays the clock's.
constexpr int32_t stallLimit = 5 * static_cast<int32_t>(tickLength);

std::thread gameThread;
std::atomic<bool> stopRequested{false};
std::atomic<void (*)()> newGameRequest{nullptr};
std::atomic<void (*)(const Difficulty&, const HallEntry&)> hallOfFameRequest{nullptr};
std::atomic<void (*)()> watchTick{nullptr};

// Cell boundary the pixel position lies in, truncated toward zero.
int32_t cellOf(double pixels)
{
    return static_cast<int32_t>(std::trunc(pixels / game.cellSize));
}

// No shape is falling: a random event, the field effects, then the next shape.
bool stepWithoutShape()
{
    if (game.randomEvents && !game.suddenMode && randomBelow(1000) < 5) {
        runRandomEvent();
        if (fieldContains(game.fieldCells, CELL_ACTIVE))
            return true;  // a picture drops instead of the next shape
    }
    applyFieldEffects();
    if (!spawnNextShape())
        game.gameMode = MODE_GAME_OVER;
    return true;
}

bool turnShape()
{
    // Taken and cleared in one go, so a key pressed meanwhile is not lost.
    const int32_t rotation = game.pendingRotation.exchange(ROTATE_NONE);
    recordTurn(rotation);
    if (rotation == ROTATE_NONE || !rotateActiveShape(rotation))
        return false;
    game.projectionDirty = true;
    if (game.suddenMode)
        dropToProjection();
    if (game.soundsOn)
        playSound(SOUND_ROTATE);
    return true;
}

// A press jumps just inside the next column; a held key pushes at the
// shifting speed. The grid follows the pixel position one column per tick.
bool shiftShape()
{
    const double cs = game.cellSize;
    const int32_t column = game.shapeColumn;
    if (game.shiftRightPressed)
        game.shapeX = (column + 1) * cs + cs / 10;
    else if (game.shiftRightHeld)
        game.shapeX += game.shiftSpeed * cs / 100;
    if (game.shiftLeftPressed)
        game.shapeX = (column - 1) * cs + 9 * cs / 10;
    else if (game.shiftLeftHeld)
        game.shapeX -= game.shiftSpeed * cs / 100;

    const int32_t dx = game.shapeX >= 0 ? std::clamp(cellOf(game.shapeX) - column, -1, 1) : -1;
    if (dx == 0)
        return false;
    game.projectionDirty = true;
    if (!shiftActiveShape(dx)) {
        game.shapeX = column * game.cellSize + game.cellSize / 2;
        return false;
    }
    const double fieldPixels = game.fieldWidth * cs;
    if (game.shapeX < 0)
        game.shapeX += fieldPixels;
    else if (game.shapeX >= fieldPixels)
        game.shapeX -= fieldPixels;
    if (game.suddenMode)
        dropToProjection();
    return true;
}

// Slowdown keeps the shape hanging for a few ticks after a turn or a shift.
bool fallIsHeldBack(bool turned, bool moved)
{
    if (turned && game.slowdownTicks <= 8)
        game.slowdownTicks = 8;
    if (moved && game.slowdownTicks <= 4)
        game.slowdownTicks = 4;
    if (!game.fallSlowdownOnAction || game.slowdownTicks <= 0)
        return false;
    return --game.slowdownTicks > 0;
}

void startNewGameDirectly()
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    startNewGame();
}

void endGame()
{
    int32_t score;
    Difficulty rules;
    std::string replay;
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        score = game.score;
        rules = difficultyOf(game);
        if (recording())
            replay = formatReplay(currentRecording());
    }
    // Entered before the box, so that closing the game on it keeps the score.
    const std::optional<HallEntry> entered = recordScore(rules, score, replay);
    showMessage("Your score: %d", score);
    if (stopRequested)
        return;
    if (void (*showHall)(const Difficulty&, const HallEntry&) = hallOfFameRequest.load(); entered && showHall)
        showHall(rules, *entered);
    if (stopRequested)
        return;
    if (void (*request)() = newGameRequest.load())
        request();
    else
        startNewGameDirectly();
}

}  // namespace

bool gameStep()
{
    if (!fieldContains(game.fieldCells, CELL_ACTIVE))
        return stepWithoutShape();

    const bool turned = turnShape();
    const bool moved = shiftShape();
    bool changed = turned || moved;

    if (game.gradualSpeedup)
        game.fallSpeed += 0.00005;

    if (!fallIsHeldBack(turned, moved)) {
        const double cs = game.cellSize;
        if (game.suddenMode)
            game.shapeY += game.fallSpeed * cs / 100;
        else {
            game.shapeY += game.fallSpeed * cs / 10;
            if (game.fastFallHeld)
                game.shapeY += game.fastFallSpeed * cs / 10;
        }
    }

    if (game.suddenMode) {
        // The shape already rests at its landing row; the timer only decides
        // when it is fixed there.
        if (cellOf(game.shapeY) - game.shapeRow >= 1) {
            landActiveShape();
            return true;
        }
        return changed;
    }
    const int32_t dy = std::clamp(cellOf(game.shapeY) - game.shapeRow, -1, 1);
    if (dy == 0)
        return changed;
    if (!fallActiveShape(dy))
        landActiveShape();
    return true;
}

void gameThreadMain()
{
    nameThisThread("dralen-game");
    bool paced = false;
    for (;;) {
        // Read before looking at the mode, so that a resume landing between
        // the look and the wait still ends the wait.
        const uint64_t seen = wakeCount();
        if (stopRequested)
            break;
        if (game.gameMode != MODE_PLAYING) {
            // Nothing moves until the mode changes: no reason to look in.
            waitForWake(seen);
            paced = false;
            continue;
        }
        // The difference is taken signed so that the counter wrapping around
        // costs nothing.
        const uint32_t now = currentMilliseconds();
        if (!paced || static_cast<int32_t>(now - game.nextTickTime) > stallLimit)
            game.nextTickTime = now;
        paced = true;
        bool watched = false;
        {
            // Looked at under the lock: a replay that began while this
            // thread waited for it must not take a step of the player's.
            std::lock_guard<std::recursive_mutex> lock(gameLock);
            watched = runWatchTick();
            if (!watched) {
                recordTickStart();
                pollKeys();
                const bool changed = gameStep();
                recordTickEnd();
                if (changed)
                    requestRepaint(false);
            }
        }
        if (!watched && game.gameMode == MODE_GAME_OVER)
            endGame();
        // Each tick is due a fixed time after the one before, not after the
        // moment this one ended.
        game.nextTickTime = game.nextTickTime + tickLength;
        if (!stopRequested)
            sleepUntilMilliseconds(game.nextTickTime);
    }
}

void startGameThread()
{
    if (gameThread.joinable())
        return;
    stopRequested = false;
    gameThread = std::thread(gameThreadMain);
}

void stopGameThread()
{
    stopRequested = true;
    wakeSleepers();
    if (gameThread.joinable())
        gameThread.join();
}

bool gameThreadStopRequested()
{
    return stopRequested;
}

void installNewGameRequest(void (*request)())
{
    newGameRequest = request;
}

void installHallOfFameRequest(void (*request)(const Difficulty& rules, const HallEntry& entry))
{
    hallOfFameRequest = request;
}

void installWatchTick(void (*tick)())
{
    watchTick = tick;
}

bool runWatchTick()
{
    void (*watch)() = watchTick.load();
    if (watch == nullptr)
        return false;
    watch();
    return true;
}
