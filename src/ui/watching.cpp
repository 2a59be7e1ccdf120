#include "ui/watching.h"

#include "core/gamestate.h"
#include "core/ports.h"
#include "core/window.h"
#include "events/randomevents.h"
#include "game/gamepad.h"
#include "game/keyboard.h"
#include "game/replay.h"
#include "game/tick.h"
#include "persist/replayformat.h"
#include "ui/texts.h"

#include <array>
#include <atomic>
#include <mutex>

namespace {

// Half ticks of the replay per tick of the clock: 1/2, 1, 2, 4 and 8 times.
constexpr std::array<int32_t, 5> speeds = {1, 2, 4, 8, 16};
constexpr size_t normalSpeed = 1;
// How long a box of the recorded game stays in the title.
constexpr uint32_t messageShownMs = 2500;

WatchPort port{};

// All of it under gameLock, but for the flag the game thread reads first.
struct Watch {
    std::atomic<bool> active{false};
    GameState players;  // the player's game, as it was
    uint32_t playersTextEvents = 0;
    std::string whose;
    int32_t score = 0;
    size_t speed = normalSpeed;
    int32_t halves = 0;
    bool over = false;
    std::string message;
    uint32_t messageSince = 0;
    bool messageShown = false;
} watch;

struct Request {
    std::filesystem::path file;
    std::string whose;
} request;

void showTitle()
{
    if (port.setTitle)
        port.setTitle(watchTitle());
}

void postTitle()
{
    if (port.post)
        port.post([] {
            std::lock_guard<std::recursive_mutex> lock(gameLock);
            showTitle();
        });
}

// The recorded game's boxes: into the title, and the replay goes on.
void noteMessage(const std::string& text)
{
    watch.message = text;
    watch.messageSince = currentMilliseconds();
    watch.messageShown = true;
    postTitle();
}

void endedOnWindow()
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    if (watching())
        stopWatching();
}

void divergedOnWindow()
{
    endedOnWindow();
    showMessage("%s", replayOtherVersionText);
}

// The game thread's tick while watching.
void watchTick()
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    if (!watch.active || watch.over)
        return;
    divertMessages(noteMessage);
    watch.halves += speeds[watch.speed];
    PlaybackStep step = PLAYBACK_STEPPED;
    while (watch.halves >= 2 && step == PLAYBACK_STEPPED) {
        watch.halves -= 2;
        step = playbackStep();
    }
    divertMessages(nullptr);
    requestRepaint(false);
    if (watch.messageShown && currentMilliseconds() - watch.messageSince >= messageShownMs) {
        watch.messageShown = false;
        postTitle();
    }
    if (step != PLAYBACK_STEPPED) {
        watch.over = true;
        if (port.post)
            port.post(step == PLAYBACK_FINISHED ? endedOnWindow : divergedOnWindow);
    }
}

void togglePause()
{
    if (watch.over)
        return;
    if (game.gameMode == MODE_PLAYING)
        game.gameMode = MODE_PAUSED;
    else
        setGameMode(MODE_PLAYING);
    showTitle();
}

void changeSpeed(int32_t by)
{
    const int32_t next = static_cast<int32_t>(watch.speed) + by;
    if (next >= 0 && next < static_cast<int32_t>(speeds.size()))
        watch.speed = static_cast<size_t>(next);
    showTitle();
}

// A controller while watching: A (or Start) pauses, the d-pad's left and
// right change the speed, B ends.
void padPress(int32_t binding)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    if (!watch.active)
        return;
    switch (binding) {
    case KEY_ROTATE_CCW:
    case KEY_PAUSE: togglePause(); break;
    case KEY_MOVE_LEFT: changeSpeed(-1); break;
    case KEY_MOVE_RIGHT: changeSpeed(1); break;
    case KEY_ROTATE_CW: stopWatching(); break;
    default: break;
    }
}

}  // namespace

void installWatchPort(const WatchPort& watchPort)
{
    port = watchPort;
}

bool watchReplay(const std::filesystem::path& file, const std::string& whose)
{
    Replay replay;
    switch (readReplayFile(file, replay)) {
    case REPLAY_READ: break;
    case REPLAY_NOT_OPENED: showMessage("%s", replayNotOpenedText); return false;
    case REPLAY_OTHER_VERSION: showMessage("%s", replayOtherVersionText); return false;
    default: showMessage("%s", replayDamagedText); return false;
    }
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    // The game thread is about to end the player's game: its score first.
    if (game.gameMode == MODE_GAME_OVER)
        return false;
    if (watching())
        stopWatching();
    watch.players = game;
    watch.playersTextEvents = usedTextEvents;
    // Keys held for the player's game would otherwise move the replay's.
    releaseAllKeys();
    if (!beginPlayback(replay)) {
        game = watch.players;
        showMessage("%s", replayDamagedText);
        return false;
    }
    watch.whose = whose.empty() ? replay.player : whose;
    watch.score = replay.end.score;
    watch.speed = normalSpeed;
    watch.halves = 0;
    watch.over = false;
    watch.messageShown = false;
    watch.active = true;
    installWatchTick(watchTick);
    divertPadPresses(padPress);
    setGameMode(MODE_PLAYING);
    showTitle();
    requestRepaint(eraseOnRepaint);
    return true;
}

void stopWatching()
{
    if (!watch.active)
        return;
    installWatchTick(nullptr);
    divertPadPresses(nullptr);
    watch.active = false;
    endPlayback();
    game = watch.players;
    usedTextEvents = watch.playersTextEvents;
    if (game.gameMode == MODE_PLAYING)
        game.gameMode = MODE_PAUSED;
    // The resize puts the falling shape in the middle of its cells: the
    // player's game goes on from exactly where it was.
    const double x = game.shapeX, y = game.shapeY;
    resizeWindow(false);
    game.shapeX = x;
    game.shapeY = y;
    releaseAllKeys();
    showTitle();
    requestRepaint(eraseOnRepaint);
}

bool watching()
{
    return watch.active;
}

void requestWatching(const std::filesystem::path& file, const std::string& whose)
{
    request = {file, whose};
}

void watchRequested()
{
    if (request.file.empty())
        return;
    const Request asked = std::move(request);
    request = {};
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    watchReplay(asked.file, asked.whose);
}

bool watchKeyDown(int32_t virtualKey)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    if (!watch.active)
        return false;
    switch (virtualKey) {
    case 0x20:  // Space
    case 0x0D:  // Enter
        togglePause();
        return true;
    case 0x27:  // Right
    case 0x6B:  // + on the keypad
    case 0xBB:  // + beside the row of digits
        changeSpeed(1);
        return true;
    case 0x25:  // Left
    case 0x6D:  // - on the keypad
    case 0xBD:  // - beside the row of digits
        changeSpeed(-1);
        return true;
    case 0x1B:  // Esc
        stopWatching();
        return true;
    default: return false;
    }
}

void watchClick()
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    if (watch.active)
        togglePause();
}

double watchSpeed()
{
    return speeds[watch.speed] / 2.0;
}

std::string watchTitle()
{
    std::string title = programTitle;
    if (!watch.active)
        return title;
    static const char* const speedNames[] = {"\u00bd\u00d7", "1\u00d7", "2\u00d7", "4\u00d7", "8\u00d7"};
    title += " \u2013 " + watch.whose + "'s game, " + std::to_string(watch.score) + " points (replay";
    if (watch.speed != normalSpeed)
        title += std::string(" at ") + speedNames[watch.speed];
    if (game.gameMode == MODE_PAUSED)
        title += ", paused";
    title += ')';
    if (watch.messageShown)
        title += " \u2013 " + watch.message;
    return title;
}
