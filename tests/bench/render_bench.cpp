// Time per frame of the renderer, at 20 px cells, for the default field and
// for a field grown by the random event.
#include "core/gamestate.h"
#include "core/window.h"
#include "game/newgame.h"
#include "render/renderer.h"
#include "render/skins.h"
#include "qt/skinloader.h"

#include <benchmark/benchmark.h>

namespace {

void paintField(benchmark::State& state, int32_t width, int32_t height)
{
    game = GameState{};
    game.fieldWidth = width;
    game.fieldHeight = height;
    game.randomEvents = false;
    if (skinTable[2].blocksBitmap.isNull())
        loadSkinBitmaps();
    selectSkin(2);  // "Excercise Book": 20 px cells
    startNewGame();
    for (int32_t r = height / 2; r < height - 1; ++r)
        for (int32_t c = 1; c < width - 1; ++c)
            if ((r * 3 + c * 7) % 5 != 0)
                game.fieldCells[r * width + c] = CELL_PLACED;
    Bitmap frame(playAreaWidth, playAreaHeight);
    for (auto _ : state) {
        game.projectionDirty = true;
        paintPlayArea(frame.view());
        benchmark::DoNotOptimize(frame.pixels.data());
    }
}

void bmPaint20x40(benchmark::State& state) { paintField(state, 20, 40); }
void bmPaint56x96(benchmark::State& state) { paintField(state, 56, 96); }

}  // namespace

BENCHMARK(bmPaint20x40)->Unit(benchmark::kMicrosecond);
BENCHMARK(bmPaint56x96)->Unit(benchmark::kMicrosecond);
