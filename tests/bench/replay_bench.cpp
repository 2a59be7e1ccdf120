// What recording costs: one tick with the recorder beside the tick alone, on
// a game of "Tetraminoes" played as people play (a key held for 20 to 40
// ticks, a turn about once a second), and how much an hour of such play
// weighs on disk.
#include "core/gamestate.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/replay.h"
#include "game/tick.h"
#include "persist/replayformat.h"
#include "support/fakes.h"
#include "support/recordedgames.h"
#include "ui/commands.h"

#include <benchmark/benchmark.h>

#include <mutex>
#include <string>

namespace {

constexpr int32_t ticksPerHour = 360000;

void startSteadyGame()
{
    // Read as the system clock is: a tick's draws mostly share a reading.
    fakeClock::installReadRate(1000, 1000);
    game = GameState{};
    loadDefaultKeys(game.keyBindings);
    for (const SampleGame& row : sampleGames)
        if (row.id == CMD_SAMPLE_TETRAMINOES)
            applySampleGame(row);
}

// The player's hands work in both, so that the difference is the recorder's.
// A game that ends starts again, untimed.
void tickSteadily(benchmark::State& state, bool recorded)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    startSteadyGame();
    SteadyHands hands(1);
    for (auto _ : state) {
        hands.beforeTick();
        fakeClock::advance(tickLength);
        if (recorded)
            recordTickStart();
        pollKeys();
        benchmark::DoNotOptimize(gameStep());
        if (recorded)
            recordTickEnd();
        if (game.gameMode == MODE_GAME_OVER) {
            state.PauseTiming();
            startNewGame();
            state.ResumeTiming();
        }
    }
    hands.letGo();
}

void bmTickSteadyPlay(benchmark::State& state) { tickSteadily(state, false); }
void bmTickSteadyPlayRecorded(benchmark::State& state) { tickSteadily(state, true); }

// The size of the ticks, from the line "ticks" to the end line, of a
// recording as written.
size_t tickBytes(const std::string& text)
{
    return text.size() - (text.find("\nticks\n") + 1);
}

// An hour of steady play. The scripted player clears few rows, so the hour is
// many short games; counted as one game of an hour would weigh: one start
// (the header and the saved game) and every game's ticks.
void bmRecordingOfAnHour(benchmark::State& state)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    for (auto _ : state) {
        startSteadyGame();
        SteadyHands hands(2);
        size_t start = 0;
        size_t ticks = 0;
        int64_t games = 0;
        auto weigh = [&] {
            const std::string text = formatReplay(currentRecording());
            start = text.size() - tickBytes(text);
            ticks += tickBytes(text);
            ++games;
        };
        for (int32_t t = 0; t < ticksPerHour; ++t) {
            hands.beforeTick();
            recordedTick();
            if (game.gameMode == MODE_GAME_OVER) {
                weigh();
                startNewGame();
            }
        }
        weigh();
        hands.letGo();
        state.counters["bytes_per_hour"] = static_cast<double>(start + ticks);
        state.counters["games"] = static_cast<double>(games);
    }
}

}  // namespace

BENCHMARK(bmTickSteadyPlay)->Unit(benchmark::kMicrosecond);
BENCHMARK(bmTickSteadyPlayRecorded)->Unit(benchmark::kMicrosecond);
BENCHMARK(bmRecordingOfAnHour)->Iterations(1)->Unit(benchmark::kMillisecond);
