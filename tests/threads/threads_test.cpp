// The real game thread plays while a stand-in for the window thread does
// what a restless player makes the window do: keys, clicks, menu commands,
// message boxes and paints, all at once and in no fixed order. Built with
// ThreadSanitizer this is where a missing lock or atomic shows; in every build
// the record must come out of it sound, and the game thread must never wait
// on the window while it holds gameLock.
#include "core/folders.h"
#include "core/gamestate.h"
#include "core/ports.h"
#include "core/window.h"
#include "events/randomevents.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/tick.h"
#include "render/renderer.h"
#include "render/skins.h"
#include "ui/commands.h"
#include "ui/shell.h"
#include "qt/skinloader.h"
#include "support/fakes.h"
#include "support/invariants.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>

namespace {

// What the stand-in window has been asked for, from either thread.
std::atomic<int> gameOvers{0};
std::atomic<int> eventMessages{0};
std::atomic<int> cuesPlayed{0};
std::atomic<int> waitsUnderLock{0};
std::atomic<bool> repaintPending{false};
std::atomic<std::thread::id> windowThread;

// Message boxes and new games the game thread waits for, served by the
// window thread's loop as the real window serves posted calls; the exit path
// answers them at once.
std::mutex requestMutex;
std::condition_variable requestChanged;
bool boxWanted = false;
bool newGameWanted = false;
bool shuttingDown = false;

bool isEventMessage(const char* text)
{
    for (const Picture& picture : pictureTable)
        if (picture.message != nullptr && std::strcmp(picture.message, text) == 0)
            return true;
    for (const char* event : textEventTable)
        if (std::strcmp(event, text) == 0)
            return true;
    return false;
}

// True when another thread can take gameLock, that is when the caller does
// not hold it. The window thread may hold it for a moment, hence the tries.
bool lockIsFreeForOthers()
{
    bool free = false;
    std::thread probe([&] {
        for (int attempt = 0; attempt < 100000 && !free; ++attempt) {
            if (gameLock.try_lock()) {
                gameLock.unlock();
                free = true;
            } else {
                std::this_thread::yield();
            }
        }
    });
    probe.join();
    return free;
}

// Blocks the calling thread until the window thread has served the request.
// The real window needs gameLock to paint behind a box or to start a game, so
// a caller holding it would hang the program; here it is counted instead.
void waitForWindow(bool& wanted)
{
    std::unique_lock<std::mutex> lock(requestMutex);
    if (shuttingDown)
        return;
    lock.unlock();
    if (!lockIsFreeForOthers()) {
        ++waitsUnderLock;
        return;
    }
    lock.lock();
    wanted = true;
    requestChanged.notify_all();
    requestChanged.wait(lock, [&] { return !wanted || shuttingDown; });
}

// A box stays open a moment. The window thread's own boxes are modal right
// where it is, gameLock held; the game thread's are shown by the window
// thread, which paints while they are open.
int showBox(const char* text)
{
    if (std::strncmp(text, "Your score: ", 12) == 0)
        ++gameOvers;
    else if (isEventMessage(text))
        ++eventMessages;
    if (std::this_thread::get_id() == windowThread.load())
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    else
        waitForWindow(boxWanted);
    return 1;
}

void setSize(int32_t, int32_t, bool) {}

void postRepaint(bool)
{
    repaintPending = true;
}

void requestNewGame()
{
    waitForWindow(newGameWanted);
}

std::filesystem::path savePath;

std::optional<std::string> chooseSave()
{
    return savePath.string();
}

std::optional<std::string> chooseLoad()
{
    return savePath.string();
}

void showAbout()
{
    showMessage("Dralen");
}

// Ticks that advance the fake clock and give the processor away, so that the
// game thread, never really sleeping, does not starve the window thread.
uint32_t tickingClock()
{
    const uint32_t now = fakeClock::now();
    fakeClock::advance(1);
    return now;
}

void yieldingSleep(uint32_t ms)
{
    fakeClock::advance(ms);
    std::this_thread::yield();
}

// Small fields end quickly; the others bring level files, sideways gravity,
// holed walls, every field effect and sudden mode.
const int32_t sampleGameIds[] = {CMD_SAMPLE_MINI_TETRAMINO, CMD_SAMPLE_MICRO_TETRAMINO, CMD_SAMPLE_CLOG,
                                 CMD_SAMPLE_WHERE_ARE_THE_BORDERS, CMD_SAMPLE_RIGHT, CMD_SAMPLE_LEFT,
                                 CMD_SAMPLE_UNSTABLE_FIELD, CMD_SAMPLE_ANNOYING_ROWS, CMD_SAMPLE_SHATTERED_SHAPES,
                                 CMD_SAMPLE_SUDDEN_MODE, CMD_SAMPLE_RABBIT_HOLE, CMD_SAMPLE_SMILEY};
const int32_t optionIds[] = {CMD_STYLE_STONES, CMD_STYLE_MICRO, CMD_STYLE_NEON, CMD_PREDICT_SHAPES, CMD_SHOW_PROJECTION,
                             CMD_SOUNDS, CMD_ALLOW_WALL_KICKS, CMD_ALLOW_GROUND_KICKS, CMD_FALL_SLOWDOWN_ON_ACTION,
                             CMD_SHIFT_VERY_SLOW, CMD_SHIFT_VERY_FAST, CMD_FAST_FALL_VERY_SLOW, CMD_FAST_FALL_VERY_FAST};
const int32_t moveKeys[] = {37, 38, 39, 40};
const int32_t pressKeys[] = {86, 67, 32, 32, 86, 13, 65};

class WindowStandIn {
public:
    explicit WindowStandIn(uint32_t seed) : script(seed) {}

    void run()
    {
        windowThread = std::this_thread::get_id();
        // Enough of everything to have met every kind of overlap a few times.
        while (actions < minimumActions || gameOvers < 3 || eventMessages < 2 || paints < 200) {
            if (actions == maximumActions)
                break;
            act();
            ++actions;
            letTheGameRun();
        }
        releaseAllKeys();
        {
            std::lock_guard<std::mutex> lock(requestMutex);
            shuttingDown = true;
        }
        requestChanged.notify_all();
    }

    int actions = 0;
    int paints = 0;
    static constexpr int minimumActions = 5000;
    static constexpr int maximumActions = 1000000;
    static constexpr uint32_t ticksPerAction = 5;

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(script); }

    template <size_t N>
    int32_t pickOf(const int32_t (&values)[N])
    {
        return values[pick(static_cast<int>(N))];
    }

    void answer(bool& wanted)
    {
        std::lock_guard<std::mutex> lock(requestMutex);
        wanted = false;
        requestChanged.notify_all();
    }

    void serveRequests()
    {
        bool box, newGame;
        {
            std::lock_guard<std::mutex> lock(requestMutex);
            box = boxWanted;
            newGame = newGameWanted;
        }
        if (box) {
            paint();  // the window keeps painting behind an open box
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            answer(boxWanted);
        }
        if (newGame) {
            {
                std::lock_guard<std::recursive_mutex> lock(gameLock);
                startNewGame();
            }
            answer(newGameWanted);
        }
        if (repaintPending.exchange(false))
            paint();
    }

    void paint()
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        if (frame.width != playAreaWidth || frame.height != playAreaHeight)
            frame = Bitmap(playAreaWidth, playAreaHeight);
        paintPlayArea(frame.view());
        ++paints;
    }

    // A click somewhere in the play area, in the play area's own pixels.
    void click()
    {
        int32_t width, height;
        {
            std::lock_guard<std::recursive_mutex> lock(gameLock);
            width = playAreaWidth;
            height = playAreaHeight;
        }
        shellClick(pick(width), pick(height));
    }

    void act()
    {
        const int roll = pick(1000);
        if (roll < 400) {
            // A movement key goes down or up; the key table is read on the
            // game thread in the same moment.
            const int32_t key = pickOf(moveKeys);
            if (pick(2) == 0)
                shellKeyDown(key, false);
            else
                shellKeyUp(key);
        } else if (roll < 550) {
            const int32_t key = pickOf(pressKeys);
            shellKeyDown(key, false);
            shellKeyUp(key);
        } else if (roll < 600) {
            paint();
        } else if (roll < 630) {
            click();
        } else if (roll < 730) {
            // Pauses and the editor would otherwise hold the game still for
            // long stretches of the script.
            if (game.gameMode == MODE_EDITOR)
                shellCommand(CMD_EDITOR_MODE);
            if (game.gameMode == MODE_PAUSED)
                shellClick(0, 0);
        } else if (roll < 760) {
            shellCommand(pickOf(optionIds));
        } else if (roll < 775) {
            shellCommand(pickOf(sampleGameIds));
        } else if (roll < 785) {
            shellCommand(CMD_RESTART);
        } else if (roll < 800) {
            shellCommand(pick(2) == 0 ? CMD_SAVE_GAME : CMD_LOAD_GAME);
        } else if (roll < 805) {
            shellCommand(CMD_ABOUT);
        } else if (roll < 808) {
            shellCommand(CMD_EDITOR_MODE);
        } else if (roll < 820) {
            // Text events happen once a run; let them come again.
            usedTextEvents = 0;
        }
    }

    // A player is slow next to the game: a few ticks pass between two
    // actions, counted on the fake clock, not waited for in real time. A
    // paused game thread waits for the mode to change and moves no clock.
    void letTheGameRun()
    {
        const uint32_t start = fakeClock::now();
        while (fakeClock::now() - start < ticksPerAction * tickLength) {
            serveRequests();
            if (game.gameMode == MODE_PAUSED || game.gameMode == MODE_EDITOR)
                break;
            std::this_thread::yield();
        }
    }

    std::mt19937 script;
    Bitmap frame;
};

class GameAndWindowThreadsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        game = GameState{};
        loadDefaultKeys(game.keyBindings);
        usedTextEvents = 0;
        gameOvers = eventMessages = cuesPlayed = waitsUnderLock = 0;
        boxWanted = newGameWanted = shuttingDown = false;
        // Until the stand-in runs, this thread plays the window.
        windowThread = std::this_thread::get_id();
        gameDirectory = DRALEN_DATA_DIR;
        installedFolders.player = dir.path();  // the scores of its game overs
        savePath = dir / "threads.sav";
        fakeClock::install(1000, 1);
        installClock({tickingClock, yieldingSleep});
        installSoundPlayer([](const char*) { ++cuesPlayed; });
        installWindowPort({showBox, setSize, postRepaint});
        installNewGameRequest(requestNewGame);
        installCommandPort({showAbout, nullptr, nullptr, chooseSave, chooseLoad, nullptr, nullptr, nullptr});
        loadSkinBitmaps();
        selectSkin(3);
    }

    void TearDown() override
    {
        installCommandPort({});
        installNewGameRequest(nullptr);
        removeWindowPort();
        installSoundPlayer(nullptr);
        installClock({});
        releaseSkinBitmaps();
        gameDirectory.clear();
        installedFolders = {};
    }

    TempDir dir;
};

TEST_F(GameAndWindowThreadsTest, PlayTogetherAndLeaveASoundGame)
{
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        applySampleGame(sampleGames[1]);  // "Mini-tetramino": games end fast
    }
    startGameThread();
    WindowStandIn window(20260314);
    std::thread windowLoop([&] { window.run(); });
    windowLoop.join();
    stopGameThread();

    EXPECT_LT(window.actions, WindowStandIn::maximumActions) << "the game thread never got far enough";
    EXPECT_EQ(waitsUnderLock, 0) << "the game thread waited on the window holding gameLock";
    EXPECT_GE(gameOvers, 3);
    EXPECT_GE(eventMessages, 2);
    EXPECT_GE(window.paints, 200);
    EXPECT_GT(cuesPlayed, 0);
    EXPECT_FALSE(messageBoxOpen);

    std::lock_guard<std::recursive_mutex> lock(gameLock);
    EXPECT_EQ(brokenInvariant(), "");
    // The game as it was left still paints and plays on.
    Bitmap frame(playAreaWidth, playAreaHeight);
    paintPlayArea(frame.view());
    for (int tick = 0; tick < 200 && game.gameMode == MODE_PLAYING; ++tick) {
        pollKeys();
        gameStep();
        ASSERT_EQ(brokenInvariant(), "") << "tick " << tick;
    }
}

}  // namespace
