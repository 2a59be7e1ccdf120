// Games played by a steady scripted player and recorded the way the game
// thread records them: the committed replays, the replay fuzzer's seeds and
// the benchmark of the recorder.
#pragma once

#include "core/gamestate.h"
#include "core/window.h"
#include "events/randomevents.h"
#include "game/keyboard.h"
#include "game/replay.h"
#include "game/tick.h"
#include "support/fakes.h"
#include "ui/commands.h"

#include <cstdint>
#include <mutex>
#include <random>
#include <string_view>
#include <thread>

// A player who holds one movement key, or none, for 20 to 40 ticks at a time
// and turns the shape about once a second, as people play, rather than a
// key storm that changes every tick.
class SteadyHands {
public:
    explicit SteadyHands(uint32_t seed) : random(seed) {}

    // The keys and the turn of the next tick, set as the window thread would.
    void beforeTick()
    {
        if (--ticksLeft <= 0) {
            static constexpr int32_t keys[] = {0, 37, 38, 39, 40};
            if (held != 0)
                setKeyUp(held);
            held = keys[random() % 5];
            if (held != 0)
                setKeyDown(held);
            ticksLeft = 20 + static_cast<int32_t>(random() % 21);
        }
        if (random() % 100 == 0)
            game.pendingRotation = static_cast<int32_t>(1 + random() % 3);
    }

    void letGo()
    {
        if (held != 0)
            setKeyUp(held);
        held = 0;
        ticksLeft = 0;
    }

private:
    std::mt19937 random;
    int32_t held = 0;
    int32_t ticksLeft = 0;
};

// One tick as the game thread runs it, recorder included, a tick's time
// after the one before.
inline void recordedTick()
{
    fakeClock::advance(tickLength);
    recordTickStart();
    pollKeys();
    gameStep();
    recordTickEnd();
}

// The play-area pixel inside a field cell, as the editor's click finds it
// with the field falling down.
inline void clickCell(int32_t column, int32_t row)
{
    handleLeftClick(fieldOriginX + column * game.cellSize + 1, fieldOriginY + row * game.cellSize + 1);
}

// Halfway through, what a player does between ticks: faster shifting, a skin
// of another cell size, three cells changed in the editor and the game
// resumed with a click, then random events and wall kicks off and the
// fastest fast fall.
inline void meddle(int32_t tick, int32_t ticks)
{
    if (tick == ticks / 4)
        handleMenuCommand(CMD_SHIFT_VERY_FAST);
    if (tick == ticks / 3)
        handleMenuCommand(CMD_STYLE_NEON);
    if (tick == ticks / 2) {
        handleMenuCommand(CMD_EDITOR_MODE);
        for (int32_t column : {1, 2, game.fieldWidth - 2})
            clickCell(column, game.fieldHeight - 2);
        handleMenuCommand(CMD_EDITOR_MODE);
        clickCell(0, 0);
    }
    if (tick == 2 * ticks / 3) {
        handleMenuCommand(CMD_RANDOM_EVENTS);
        handleMenuCommand(CMD_ALLOW_WALL_KICKS);
        handleMenuCommand(CMD_FAST_FALL_VERY_FAST);
    }
}

struct RecordedGame {
    const char* name;    // the file's, without ".replay"
    const char* sample;  // the sample game's caption
    uint32_t seed;
    int32_t ticks;       // at most; a game over ends it sooner
    bool meddled;        // options and the editor changed mid-game
    bool randomEvent;    // a random event strikes, with a message
};

// Seeds chosen so that the unstable field sees a random event and the
// meddled game lives through every change.
inline constexpr RecordedGame recordedGames[] = {
    {"galaxy-level", "Galaxy", 4, 3000, false, false},
    {"sudden-mode", "Sudden Mode!", 5, 3000, false, false},
    {"falling-right", "Right!", 1, 3000, false, false},
    {"nano-tetramino-scoring", "Nano-tetramino", 5, 3000, false, false},
    {"unstable-field-events", "Unstable Field", 23, 4000, false, true},
    {"tetraminoes-meddled", "Tetraminoes", 1, 4000, true, false},
};

// Plays the sample game from its start, with the default options and a
// fresh clock that reads as the system clock does, on a thread of its own as the game thread of a new run,
// whose generator has drawn nothing yet: the same recording comes out every
// time, whatever ran before. The level games read their level from the game
// directory.
inline Replay playRecordedGame(const RecordedGame& played, int32_t ticks)
{
    Replay recording;
    std::thread player([&] {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        fakeClock::installReadRate(1000, 1000);
        game = GameState{};
        loadDefaultKeys(game.keyBindings);
        // Text events come once a run.
        usedTextEvents = 0;
        for (const SampleGame& row : sampleGames)
            if (std::string_view(row.caption) == played.sample)
                applySampleGame(row);
        resizeWindow(true);
        SteadyHands hands(played.seed);
        for (int32_t t = 0; t < ticks && game.gameMode != MODE_GAME_OVER; ++t) {
            if (played.meddled)
                meddle(t, ticks);
            hands.beforeTick();
            recordedTick();
        }
        hands.letGo();
        recording = currentRecording();
    });
    player.join();
    // Not the name of whoever made the recording last.
    recording.player = "Steady Hands";
    return recording;
}
