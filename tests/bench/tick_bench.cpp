// Time of one game tick (key poll and game step) while a shape falls, on the
// default field and on a field grown by the random event.
#include "core/gamestate.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/tick.h"

#include <benchmark/benchmark.h>

#include <mutex>

namespace {

void tickWhileFalling(benchmark::State& state, int32_t width, int32_t height)
{
    game = GameState{};
    game.fieldWidth = width;
    game.fieldHeight = height;
    game.randomEvents = false;
    loadDefaultKeys(game.keyBindings);
    startNewGame();
    // A heap in the lower half, so that landings have rows to test.
    for (int32_t r = height / 2; r < height - 1; ++r)
        for (int32_t c = 1; c < width - 1; ++c)
            if ((r * 3 + c * 7) % 5 != 0)
                game.fieldCells[r * width + c] = CELL_PLACED;
    const Grid start = game.fieldCells;
    const double startY = game.shapeY;
    const int32_t startRow = game.shapeRow;
    int ticks = 0;
    for (auto _ : state) {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        pollKeys();
        benchmark::DoNotOptimize(gameStep());
        // Keep a shape falling through the upper half: put it back now and then.
        if (++ticks % 200 == 0 || game.gameMode != MODE_PLAYING || !fieldContains(game.fieldCells, CELL_ACTIVE)) {
            state.PauseTiming();
            game.fieldCells = start;
            game.shapeY = startY;
            game.shapeRow = startRow;
            game.gameMode = MODE_PLAYING;
            state.ResumeTiming();
        }
    }
}

void bmTick20x40(benchmark::State& state) { tickWhileFalling(state, 20, 40); }
void bmTick56x96(benchmark::State& state) { tickWhileFalling(state, 56, 96); }

}  // namespace

BENCHMARK(bmTick20x40)->Unit(benchmark::kMicrosecond);
BENCHMARK(bmTick56x96)->Unit(benchmark::kMicrosecond);
