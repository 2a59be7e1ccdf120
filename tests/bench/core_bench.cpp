// Figures for the game logic that runs inside a tick: shape growth, projection
// and landing, on the real clock.
#include "core/generator.h"
#include "core/landing.h"
#include "core/motion.h"

#include <benchmark/benchmark.h>

namespace {

void generate(benchmark::State& state, int32_t blocks, int32_t extent)
{
    game = GameState{};
    game.minBlocks = game.maxBlocks = blocks;
    game.maxShapeExtent = extent;
    ShapeMatrix matrix;
    for (auto _ : state) {
        generateShape(matrix);
        benchmark::DoNotOptimize(matrix.data());
    }
}

void bmGenerate25In6x6(benchmark::State& state) { generate(state, 25, 6); }
void bmGenerate16In4x4(benchmark::State& state) { generate(state, 16, 4); }

// A 50 x 50 field with walls, ground, a ragged heap in the lower half and a
// five-block shape at the top.
void setUpLargeField()
{
    game = GameState{};
    game.fieldWidth = game.fieldHeight = 50;
    game.cellCount = 2500;
    game.fieldCells.assign(game.cellCount, CELL_EMPTY);
    game.scratchCells = game.projectionCells = game.fieldCells;
    for (int32_t r = 0; r < 50; ++r)
        for (int32_t c = 0; c < 50; ++c) {
            int32_t& cell = game.fieldCells[r * 50 + c];
            if (c == 0 || c == 49 || r == 49)
                cell = CELL_FIXED;
            else if (r >= 30 && (r * 7 + c * 13) % 11 != 0)
                cell = CELL_PLACED;
        }
    for (int32_t c = 23; c < 28; ++c)
        game.fieldCells[1 * 50 + c] = CELL_ACTIVE;
    game.shapeRow = 0;
    game.shapeColumn = 23;
    game.shapeBoxSize = 5;
}

void bmProjection50x50(benchmark::State& state)
{
    setUpLargeField();
    for (auto _ : state) {
        computeProjection();
        benchmark::DoNotOptimize(game.projectedRow);
    }
}

void bmLanding50x50(benchmark::State& state)
{
    setUpLargeField();
    game.soundsOn = false;
    const Grid start = game.fieldCells;
    // Five full rows under the shape so that landing also removes rows.
    Grid withFullRows = start;
    for (int32_t r = 44; r < 49; ++r)
        for (int32_t c = 1; c < 49; ++c)
            withFullRows[r * 50 + c] = CELL_PLACED;
    for (auto _ : state) {
        game.fieldCells = withFullRows;
        landActiveShape();
        benchmark::DoNotOptimize(game.fieldCells.data());
    }
}

}  // namespace

BENCHMARK(bmGenerate25In6x6);
BENCHMARK(bmGenerate16In4x4);
BENCHMARK(bmProjection50x50);
BENCHMARK(bmLanding50x50);
