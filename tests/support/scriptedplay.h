// A scripted player's hands on the recorded game: ticks as the game thread
// runs them, and now and then what the window thread does between them.
#pragma once

#include "core/gamestate.h"
#include "core/window.h"
#include "events/randomevents.h"
#include "game/keyboard.h"
#include "game/replay.h"
#include "game/tick.h"
#include "persist/replayformat.h"

#include <cstring>
#include <random>
#include <vector>

// Everything a tick can change that decides the ticks after it.
inline uint64_t stateDigest()
{
    uint64_t hash = fieldChecksum(game.fieldWidth, game.fieldHeight, game.fieldCells);
    auto mix = [&](uint64_t value) { hash = (hash ^ value) * 1099511628211ull; };
    for (double value : {game.shapeX, game.shapeY, game.fallSpeed}) {
        uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        mix(bits);
    }
    for (int64_t value : {int64_t(game.score), int64_t(game.shapeRow), int64_t(game.shapeColumn),
                          int64_t(game.slowdownTicks), int64_t(game.gameMode.load()), int64_t(usedTextEvents.load())})
        mix(static_cast<uint64_t>(value));
    for (const ShapeMatrix& entry : game.shapeQueue)
        mix(fieldChecksum(1, static_cast<int32_t>(entry.size()), entry));
    return hash;
}

// One tick with random keys and turns; with between set, sometimes an
// option, a skin, a resize or an editor's click between ticks as well.
inline void playScriptedTick(std::mt19937& hands, bool between)
{
    static const int32_t keys[] = {37, 38, 39, 40};
    const int32_t key = keys[hands() % 4];
    if (hands() % 4 == 0)
        setKeyDown(key);
    else
        setKeyUp(key);
    if (hands() % 6 == 0)
        game.pendingRotation = static_cast<int32_t>(hands() % 4);
    if (between && hands() % 200 == 0) {
        switch (hands() % 4) {
        case 0: game.shiftSpeed = 5 + static_cast<int32_t>(hands() % 30); break;
        case 1:
            game.cellSize = game.cellSize == 10 ? 16 : 10;
            resizeWindow(false);
            break;
        case 2: game.fallSlowdownOnAction = !game.fallSlowdownOnAction; break;
        default: {
            const size_t cell = hands() % game.fieldCells.size();
            if (game.fieldCells[cell] == CELL_EMPTY)
                game.fieldCells[cell] = CELL_FIXED;
        }
        }
    }
    recordTickStart();
    pollKeys();
    gameStep();
    recordTickEnd();
}
