// The shell both front ends drive, against a fake platform: zoom, the
// window's place, menu marks, the key rule and the one exit.
#include "core/folders.h"
#include "core/utf8path.h"
#include "core/window.h"
#include "game/gamepad.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "persist/config.h"
#include "persist/settings.h"
#include "ui/commands.h"
#include "ui/shell.h"
#include "ui/watching.h"
#include "support/scriptedplay.h"
#include "support/gametest.h"
#include "support/tempdir.h"

#include <atomic>
#include <fstream>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace {

// The start-up field at 1x is 340 x 500 pixels.
constexpr int32_t fieldWidth = 340, fieldHeight = 500;

WindowGeometry room(int32_t workWidth, int32_t workHeight, int32_t frameWidth, int32_t frameHeight,
                    int32_t menuBarHeight)
{
    WindowGeometry geometry;
    geometry.workWidth = workWidth;
    geometry.workHeight = workHeight;
    geometry.frameWidth = frameWidth;
    geometry.frameHeight = frameHeight;
    geometry.menuBarHeight = menuBarHeight;
    return geometry;
}

// A platform that records: a window of the size the shell gives it on one
// monitor, calls posted to a queue the test runs, boxes answered at once.
namespace fake {
WindowGeometry window;
// Posted from any thread, run by the test on its own.
std::mutex postedMutex;
std::deque<std::function<void()>> posted;
std::atomic<int> postCount{0};
std::vector<MenuItemState> menu;
std::vector<std::string> boxes;
std::function<void()> whileBoxOpen;
int modalsEnded = 0;
bool quit = false;
std::string title;
std::string chosenFile;

ShellPort port()
{
    ShellPort port{};
    port.post = [](std::function<void()> call) {
        std::lock_guard<std::mutex> lock(postedMutex);
        posted.push_back(std::move(call));
        ++postCount;
    };
    port.showBox = [](const char* text) {
        boxes.emplace_back(text);
        if (whileBoxOpen)
            whileBoxOpen();
        return 1;
    };
    port.endModals = [] { ++modalsEnded; };
    port.geometry = [] { return window; };
    port.setPlayArea = [](int32_t width, int32_t height, int32_t zoom) {
        window.width = width * zoom + window.frameWidth;
        window.height = height * zoom + window.frameHeight + window.menuBarHeight;
    };
    port.moveWindow = [](int32_t x, int32_t y) {
        window.x = x;
        window.y = y;
    };
    port.applyMenu = [](const std::vector<MenuItemState>& items) { menu = items; };
    port.quit = [] { quit = true; };
    port.setTitle = [](const std::string& text) { title = text; };
    port.chooseFile = [](FileChoice) { return std::optional<std::string>(chosenFile); };
    return port;
}

void runPosted()
{
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard<std::mutex> lock(postedMutex);
            if (posted.empty())
                return;
            call = std::move(posted.front());
            posted.pop_front();
        }
        call();
    }
}
}  // namespace fake

}  // namespace

TEST(ZoomFit, TheLargestFactorCountsTheFrameAndTheMenuBar)
{
    EXPECT_EQ(largestFittingZoom(fieldWidth, fieldHeight, room(1280, 1024, 0, 0, 19)), 2) << "1000 + 19 <= 1024";
    EXPECT_EQ(largestFittingZoom(fieldWidth, fieldHeight, room(1280, 1024, 4, 6, 19)), 1) << "1000 + 19 + 6 > 1024";
    EXPECT_EQ(largestFittingZoom(fieldWidth, fieldHeight, room(1280, 1024, 0, 0, 25)), 1) << "a taller menu bar";
    EXPECT_EQ(largestFittingZoom(fieldWidth, fieldHeight, room(1019, 2160, 0, 0, 19)), 2) << "the width decides";
    EXPECT_EQ(largestFittingZoom(fieldWidth, fieldHeight, room(1024, 2160, 8, 30, 19)), 2) << "with the frame";
    EXPECT_EQ(largestFittingZoom(fieldWidth, fieldHeight, room(800, 600, 8, 30, 19)), 1);
    EXPECT_EQ(largestFittingZoom(fieldWidth, fieldHeight, room(800, 540, 8, 30, 19)), 0) << "not even 1x";
    // "Fit screen" is not bounded by the menu's largest factor.
    EXPECT_EQ(largestFittingZoom(100, 100, room(3840, 2160, 0, 0, 0)), 21);
}

TEST(ZoomFit, TheChoiceIsAppliedWhenItFitsAndTheDisplaysScaleUntilThereIsOne)
{
    EXPECT_EQ(appliedZoom(3, true, 100, 4), 3);
    EXPECT_EQ(appliedZoom(3, true, 100, 2), 2);
    EXPECT_EQ(appliedZoom(3, true, 100, 0), 1) << "1x even when it does not fit";
    EXPECT_EQ(appliedZoom(ZOOM_FIT_SCREEN, true, 100, 6), 6);
    EXPECT_EQ(appliedZoom(ZOOM_FIT_SCREEN, true, 100, 0), 1);
    EXPECT_EQ(appliedZoom(9, true, 100, 9), maxZoomFactor) << "a stored value out of range stays within the menu's";
    EXPECT_EQ(appliedZoom(1, false, 150, 4), 2) << "150 % rounds to 2x";
    EXPECT_EQ(appliedZoom(1, false, 125, 4), 1);
    EXPECT_EQ(appliedZoom(1, false, 200, 1), 1) << "the scale, too, only where it fits";
    EXPECT_EQ(appliedZoom(1, true, 200, 4), 1) << "a choice wins over the scale";
}

TEST(ZoomFit, FactorsThatDoNotFitAreGreyedOutBut1xAndFitScreenNever)
{
    const auto enabled = [](int32_t largestFitting) {
        std::string items;
        for (int32_t id = CMD_ZOOM_1; id <= CMD_ZOOM_FIT; ++id)
            items += zoomItemEnabled(id, largestFitting) ? 'o' : '-';
        return items;
    };
    // 1x, 2x, 3x, 4x, Fit screen
    EXPECT_EQ(enabled(5), "ooooo");
    EXPECT_EQ(enabled(2), "oo--o");
    EXPECT_EQ(enabled(0), "o---o");
    EXPECT_TRUE(zoomItemEnabled(CMD_RESTART, 0)) << "other items are no zoom factors";
}

TEST(WindowPlace, AWindowIsMovedWhollyOntoItsScreenOrCentred)
{
    WindowGeometry window = room(1600, 900, 0, 0, 0);
    window.workX = 0;
    window.workY = 30;  // a task bar at the top
    window.x = 300;
    window.y = 100;
    window.width = 1400;
    window.height = 600;
    placeOnScreen(window, false);
    EXPECT_EQ(window.x, 200) << "its right edge comes back to the screen's";
    EXPECT_EQ(window.y, 100) << "a window that fits stays where it is";
    placeOnScreen(window, true);
    EXPECT_EQ(window.x, 100);
    EXPECT_EQ(window.y, 180);
    window.height = 1000;
    placeOnScreen(window, false);
    EXPECT_EQ(window.y, 30) << "taller than the screen: the menu bar stays on it";
}

class ShellTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        fake::window = room(1280, 1024, 8, 30, 20);
        fake::posted.clear();
        fake::postCount = 0;
        fake::boxes.clear();
        fake::whileBoxOpen = nullptr;
        fake::modalsEnded = 0;
        fake::quit = false;
        gameDirectory = dir.path();
        loadDefaultKeys(game.keyBindings);
        game.cellSize = 20;
        shellInstall(fake::port());
        applyStartUpSettings();
        startNewGame();
    }
    void TearDown() override
    {
        fake::runPosted();
        shellUninstall();
        extraSettings = ExtraSettings{};
        releaseAllKeys();
    }

    const MenuItemState& item(int32_t id)
    {
        static const MenuItemState none{};
        for (const MenuItemState& state : fake::menu)
            if (state.id == id)
                return state;
        ADD_FAILURE() << "no item " << id;
        return none;
    }

    TempDir dir;
};

TEST_F(ShellTest, ANewFieldKeepsTheWindowOnItsScreen)
{
    fake::window.x = 900;
    shellCommand(CMD_RESTART);
    // "Right!" lies on its side: wider than the screen at 2x, moved back in.
    extraSettings.zoom = 2;
    extraSettings.zoomChosen = true;
    for (const SampleGame& row : sampleGames)
        if (std::string(row.caption) == "Right!")
            shellCommand(row.id);
    EXPECT_LE(fake::window.x + fake::window.width, 1280);
    EXPECT_GE(fake::window.x, 0);
    EXPECT_LE(fake::window.y + fake::window.height, 1024);
}

TEST_F(ShellTest, EveryOneOfManySubmenuMarksOneItemRoundAndTheZoomDrawn)
{
    fake::window = room(1920, 1200, 8, 30, 20);
    fake::window.scalePercent = 150;
    shellRefit(false);
    EXPECT_TRUE(item(CMD_ZOOM_2).checked) << "drawn at 2x on a 150 % display";
    EXPECT_FALSE(item(CMD_ZOOM_1).checked);
    int radioChecked = 0, radio = 0;
    for (const MenuItemState& state : fake::menu)
        if (state.radio) {
            ++radio;
            radioChecked += state.checked;
        }
    // Graphical Style, Shifting Speed, Fast Fall Speed and Zoom: one each.
    EXPECT_EQ(radio, 8 + 5 + 5 + 5);
    EXPECT_EQ(radioChecked, 4);
    shellCommand(CMD_ZOOM_3);
    EXPECT_TRUE(item(CMD_ZOOM_3).checked);
    EXPECT_FALSE(item(CMD_ZOOM_2).checked);
}

TEST_F(ShellTest, AltAndF10StayTheGamesOnlyWhileItIsPlayed)
{
    constexpr int32_t alt = 0x12, f10 = 0x79;  // their virtual-key numbers
    game.gameMode = MODE_PLAYING;
    EXPECT_TRUE(shellKeyDown(alt, false));
    EXPECT_TRUE(shellKeyUp(alt));
    EXPECT_EQ(game.gameMode, MODE_PLAYING) << "Alt resumes and pauses nothing";
    game.gameMode = MODE_PAUSED;
    EXPECT_FALSE(shellKeyDown(f10, false));
    EXPECT_EQ(game.gameMode, MODE_PAUSED);
}

TEST_F(ShellTest, AClosingWithABoxOpenEndsTheBoxFirstAndThenExits)
{
    fake::whileBoxOpen = [] {
        shellClose();  // the system's close arrives inside the box's loop
        EXPECT_EQ(fake::modalsEnded, 1);
        EXPECT_FALSE(fake::quit) << "the exit ran under an open box";
    };
    showMessage("Your score: %d", 40);
    EXPECT_FALSE(fake::quit);
    fake::runPosted();
    EXPECT_TRUE(fake::quit);
    EXPECT_TRUE(std::filesystem::exists(stateFolder() / "autosave.sav"));
}

TEST_F(ShellTest, AGameThreadWaitingForItsBoxIsLetGoByTheClose)
{
    // The box was asked for but the window thread never comes to it.
    std::thread gameThread([] { showMessage("Game over"); });
    while (fake::postCount == 0)
        std::this_thread::yield();
    shellClose();
    gameThread.join();
    EXPECT_TRUE(fake::quit);
    fake::runPosted();
    EXPECT_TRUE(fake::boxes.empty()) << "no box opens once the program is closing";
}

TEST_F(ShellTest, TheSessionsEndWritesWhatANormalExitKeeps)
{
    game.shiftSpeed = 20;
    shellSessionEnding();
    EXPECT_TRUE(fake::quit);
    EXPECT_TRUE(std::filesystem::exists(stateFolder() / "autosave.sav"));
    game.shiftSpeed = 10;
    loadConfiguration();
    EXPECT_EQ(game.shiftSpeed, 20) << "the options were written before the process could be ended";
}

TEST_F(ShellTest, AFailureWhileTheFoldersAreLookedUpIsShown)
{
    ShellPort port = fake::port();
    port.findFolders = [] { showMessage("Failed to get currect game directory, error code: %d", 2); };
    port.createWindow = [] { return false; };
    EXPECT_FALSE(shellStart(port));
    ASSERT_EQ(fake::boxes.size(), 1u) << "the box came before the window port";
    EXPECT_EQ(fake::boxes[0], "Failed to get currect game directory, error code: 2");
}

TEST_F(ShellTest, AReplayIsWatchedAtItsSpeedAndThePlayersGameComesBackAsItWas)
{
    // A game recorded, and another one, the player's, under way and paused.
    std::mt19937 hands(3);
    for (int t = 0; t < 800 && game.gameMode == MODE_PLAYING; ++t)
        playScriptedTick(hands, false);
    const Replay recorded = currentRecording();
    fake::chosenFile = utf8FromPath(dir / "game.replay");
    { std::ofstream(dir / "game.replay", std::ios::binary) << formatReplay(recorded); }
    startNewGame();
    for (int t = 0; t < 100; ++t)
        playScriptedTick(hands, false);
    game.gameMode = MODE_PAUSED;
    const uint64_t players = stateDigest();
    const int64_t playersTicks = currentRecording().end.ticks;

    shellCommand(CMD_WATCH_REPLAY);
    ASSERT_TRUE(watching());
    EXPECT_NE(fake::title.find(recorded.player + "'s game, " + std::to_string(recorded.end.score) + " points"),
              std::string::npos) << fake::title;
    shellKeyDown(0x20, false);
    EXPECT_EQ(game.gameMode, MODE_PAUSED);
    shellKeyDown(0x0D, false);
    EXPECT_EQ(game.gameMode, MODE_PLAYING);
    for (int i = 0; i < 6; ++i)
        shellKeyDown(0xBB, false);
    EXPECT_EQ(watchSpeed(), 8.0) << "no faster than eight times";
    for (int i = 0; i < 6; ++i)
        shellKeyDown(0x25, false);
    EXPECT_EQ(watchSpeed(), 0.5) << "no slower than half";
    shellKeyDown(0x27, false);
    shellKeyDown(0x27, false);
    shellKeyDown(0x27, false);
    // A key of the game's own moves nothing: the replay plays what was played.
    shellKeyDown(game.keyBindings[KEY_ROTATE_CW], false);
    int ticks = 0;
    while (watching() && ticks < 1000) {
        ASSERT_TRUE(runWatchTick());
        ++ticks;
        fake::runPosted();
    }
    EXPECT_EQ(ticks, (recorded.end.ticks + 3) / 4) << "four recorded ticks a tick";
    EXPECT_TRUE(fake::boxes.empty()) << "played to its end as recorded";
    EXPECT_EQ(stateDigest(), players);
    EXPECT_EQ(fake::title, "Dralen");

    // Left with Esc, or a controller's B; one whose end differs is said to
    // be of other rules.
    shellCommand(CMD_WATCH_REPLAY);
    shellKeyDown(0x1B, false);
    EXPECT_FALSE(watching());
    shellCommand(CMD_WATCH_REPLAY);
    PadBindings held{};
    held[KEY_ROTATE_CCW] = true;  // A
    feedPadBindings(held);
    EXPECT_EQ(game.gameMode, MODE_PAUSED) << "A pauses";
    held[KEY_ROTATE_CW] = true;  // B
    feedPadBindings(held);
    EXPECT_FALSE(watching());
    feedPadBindings({});
    EXPECT_EQ(game.pendingRotation, ROTATE_NONE) << "the buttons turned nothing of the player's";
    Replay other = recorded;
    other.end.score += 1;
    { std::ofstream(dir / "game.replay", std::ios::binary) << formatReplay(other); }
    shellCommand(CMD_WATCH_REPLAY);
    while (watching() && runWatchTick())
        fake::runPosted();
    EXPECT_EQ(fake::boxes, std::vector<std::string>{replayOtherVersionText});
    EXPECT_EQ(stateDigest(), players);
    EXPECT_EQ(currentRecording().end.ticks, playersTicks) << "nothing watched goes into the player's recording";
}
