#include "ui/shell.h"

#include "audio/music.h"
#include "core/gamestate.h"
#include "core/ports.h"
#include "core/window.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/replay.h"
#include "game/tick.h"
#include "persist/config.h"
#include "persist/savefiles.h"
#include "persist/settings.h"
#include "render/skins.h"
#include "ui/commands.h"
#include "ui/watching.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

ShellPort port{};
std::thread::id windowThread;

// Set when the program is asked to end: requests of the game thread are then
// answered at once instead of waiting on the window, and no new box opens.
std::atomic<bool> closeRequested{false};
bool exiting = false;  // window thread only
std::mutex requestMutex;
std::condition_variable requestAnswered;
std::atomic<bool> repaintPosted{false};

// Boxes and dialogs open on the window thread, nested or not. The exit waits
// until the last of them has returned, so that no modal loop is left running
// under a window that is gone. Window thread only.
int openModals = 0;

int32_t zoom = 1;
int32_t largestFitting = maxZoomFactor;

bool onWindowThread()
{
    return std::this_thread::get_id() == windowThread;
}

template <typename Call>
auto modal(Call call) -> decltype(call())
{
    // Once the program is closing no box or dialog opens: the exit would
    // wait for it.
    if (closeRequested)
        return decltype(call())();
    ++openModals;
    struct Leave {
        ~Leave()
        {
            // The close that ended this box goes on once every modal loop
            // has returned and the command that opened it has let go of
            // gameLock.
            if (--openModals == 0 && closeRequested && port.post)
                port.post(shellClose);
        }
    } leave;
    return call();
}

// Runs the call on the window thread. Another thread waits for it without
// holding gameLock, and stops waiting when the program is asked to end.
void runOnWindowThread(std::function<void()> call)
{
    if (onWindowThread() || !port.post) {
        call();
        return;
    }
    if (closeRequested)
        return;
    auto done = std::make_shared<bool>(false);
    port.post([call, done] {
        if (!closeRequested)
            call();
        {
            std::lock_guard<std::mutex> lock(requestMutex);
            *done = true;
        }
        requestAnswered.notify_all();
    });
    std::unique_lock<std::mutex> lock(requestMutex);
    requestAnswered.wait(lock, [&] { return *done || closeRequested; });
}

int showBoxNow(const char* text)
{
    if (!port.showBox)
        return 0;
    return modal([text] { return port.showBox(text); });
}

// Window port, any thread: the game thread shows its box without gameLock.
int showMessageOnWindow(const char* text)
{
    if (onWindowThread())
        return showBoxNow(text);
    auto result = std::make_shared<int>(0);
    const std::string copy = text;
    runOnWindowThread([result, copy] { *result = showBoxNow(copy.c_str()); });
    return *result;
}

void applyMenuStates()
{
    if (port.applyMenu)
        port.applyMenu(shellMenuStates());
}

void applyPlayAreaSize(int32_t width, int32_t height, bool moveToCentre)
{
    if (!port.geometry || !port.setPlayArea)
        return;
    const WindowGeometry room = port.geometry();
    largestFitting = largestFittingZoom(width, height, room);
    zoom = appliedZoom(extraSettings.zoom, extraSettings.zoomChosen, room.scalePercent, largestFitting);
    port.setPlayArea(width, height, zoom);
    // A new field, factor, skin or preview column changes the window's
    // size: it must still lie wholly on its screen.
    WindowGeometry placed = port.geometry();
    const int32_t wasX = placed.x, wasY = placed.y;
    placeOnScreen(placed, moveToCentre);
    if ((placed.x != wasX || placed.y != wasY) && port.moveWindow)
        port.moveWindow(placed.x, placed.y);
    applyMenuStates();
    if (port.repaint)
        port.repaint(false);
}

// Window port: the window thread, or the game thread under gameLock (the
// growing field), which must not wait here: its size change is posted.
void setPlayAreaSizeOnWindow(int32_t width, int32_t height, bool moveToCentre)
{
    if (onWindowThread()) {
        applyPlayAreaSize(width, height, moveToCentre);
    } else if (port.post) {
        port.post([width, height, moveToCentre] {
            std::lock_guard<std::recursive_mutex> lock(gameLock);
            applyPlayAreaSize(width, height, moveToCentre);
        });
    }
}

// Window port, any thread. Requests of the game thread fold into one pending
// repaint of what changed.
void repaintWindow(bool erase)
{
    if (onWindowThread()) {
        if (port.repaint)
            port.repaint(erase);
        return;
    }
    if (!port.post || repaintPosted.exchange(true))
        return;
    port.post([] {
        repaintPosted = false;
        if (port.showGameChanges)
            port.showGameChanges();
    });
}

// After a game over, on the game thread: the next game starts on the window
// thread under gameLock, and the game thread waits until it has.
void requestNewGameOnWindow()
{
    runOnWindowThread([] {
        {
            std::lock_guard<std::recursive_mutex> lock(gameLock);
            startNewGame();
        }
        // "Watch" pressed in the Hall of Fame just shown: the game the
        // player comes back to is the new one.
        watchRequested();
    });
}

// After the score box of a game that entered the Hall of Fame, on the game
// thread: the table opens on the window thread, and the game thread waits.
void showHallOfFameEntry(const Difficulty& rules, const HallEntry& entry)
{
    runOnWindowThread([rules, entry] {
        if (port.showHallOfFame)
            modal([&] { port.showHallOfFame(rules, entry); });
    });
}

void showHallOfFameViewer()
{
    if (port.showHallOfFame)
        modal([] { port.showHallOfFame(difficultyOf(game), std::nullopt); });
    watchRequested();
}

template <void (*ShellPort::*dialog)()>
void showDialog()
{
    if (port.*dialog)
        modal([] { (port.*dialog)(); });
}

template <FileChoice choice>
std::optional<std::string> chooseFile()
{
    if (!port.chooseFile)
        return std::nullopt;
    return modal([] { return port.chooseFile(choice); });
}

void postCall(void (*call)())
{
    if (port.post)
        port.post(call);
}

void setTitle(const std::string& title)
{
    if (port.setTitle)
        port.setTitle(title);
}

// Asked for on the window thread while it runs a command under gameLock, or
// by the Anti-boss! key: posted, so that the command has let go of gameLock
// before the exit stops the game thread.
void closeLater()
{
    if (port.post)
        port.post(shellClose);
}

}  // namespace

void shellInstall(const ShellPort& shellPort)
{
    port = shellPort;
    windowThread = std::this_thread::get_id();
    closeRequested = false;
    exiting = false;
    openModals = 0;
    installWindowPort({showMessageOnWindow, setPlayAreaSizeOnWindow, repaintWindow});
    installNewGameRequest(requestNewGameOnWindow);
    installExitAction(closeLater);
    installHallOfFameRequest(showHallOfFameEntry);
    installHallOfFameViewer(showHallOfFameViewer);
    installCommandPort({showDialog<&ShellPort::showAbout>, showDialog<&ShellPort::showCustomGame>,
                        showDialog<&ShellPort::showKeys>, chooseFile<FILE_SAVE_GAME>, chooseFile<FILE_LOAD_GAME>,
                        closeLater, musicOptionSwitched, chooseFile<FILE_WATCH_REPLAY>});
    installWatchPort({postCall, setTitle});
}

void shellUninstall()
{
    removeWindowPort();
    installNewGameRequest(nullptr);
    installExitAction(nullptr);
    installHallOfFameRequest(nullptr);
    installHallOfFameViewer(nullptr);
    installCommandPort({});
    installWatchPort({});
    port = {};
}

namespace {

void collectMenuStates(const MenuNode& node, std::vector<MenuItemState>& states)
{
    for (const MenuNode& child : node.children) {
        if (!child.children.empty()) {
            collectMenuStates(child, states);
        } else if (!child.isSeparator()) {
            std::optional<bool> checked = menuItemChecked(child.id);
            // Until the player chooses a factor the window follows the
            // display's scale, and the factor drawn is the one marked.
            if (child.id >= CMD_ZOOM_1 && child.id < CMD_ZOOM_FIT && !extraSettings.zoomChosen)
                checked = child.id - CMD_ZOOM_1 + 1 == zoom;
            else if (child.id == CMD_ZOOM_FIT && !extraSettings.zoomChosen)
                checked = false;
            states.push_back({child.id, checked.has_value(), checked.value_or(false), menuItemIsChoice(child.id),
                              zoomItemEnabled(child.id, largestFitting)});
        }
    }
}

// The exit itself, once no box or dialog is open.
void exitNow()
{
    exiting = true;
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        stopWatching();
        writeAutosave();
        keepRecordingBesideAutosave();
        extraSettings.autosavedRules = difficultyOf(game);
    }
    if (port.stopControllers)
        port.stopControllers();
    stopGameThread();
    musicStopRequest = true;
    stopMusicThread();
    installSoundPlayer(nullptr);
    if (port.closeAudio)
        port.closeAudio();
    removeWindowPort();
    releaseSkinBitmaps();
    if (port.quit)
        port.quit();
}

}  // namespace

bool shellStart(const ShellPort& shellPort)
{
    shellInstall(shellPort);
    if (port.findFolders)
        port.findFolders();
    loadConfiguration();
    loadExtraSettings();
    if (loadAutosave()) {
        adoptAutosavedRules();
        takeUpRecordingBesideAutosave();
    } else {
        applyStartUpSettings();
        startNewGame();
    }
    if (port.loadSkins)
        port.loadSkins();
    if (port.createWindow && !port.createWindow())
        return false;
    // Sized before the game thread starts: the resize rewrites the falling
    // shape's pixel position, which the first ticks already move.
    resizeWindow(true);
    startGameThread();
    if (port.startDevices)
        port.startDevices();
    if (port.showWindow)
        port.showWindow();
    applyMenuStates();
    return true;
}

void shellFinish()
{
    stopGameThread();
    saveConfiguration();
    saveExtraSettings();
}

bool shellKeyDown(int32_t virtualKey, bool repeat)
{
    if (watching()) {
        // The replay's keys, and Anti-boss! still leaves at once; no other
        // key reaches the game put aside.
        if (!repeat && !watchKeyDown(virtualKey) && virtualKey == game.keyBindings[KEY_ANTI_BOSS])
            handleKeyPress(virtualKey);
        return shellKeepsKey(virtualKey);
    }
    // A held key repeats: it counts as one press for the movement keys, while
    // the rotation keys turn again on every repeat.
    if (!repeat)
        setKeyDown(virtualKey);
    const bool kept = shellKeepsKey(virtualKey);
    handleKeyPress(virtualKey);
    return kept;
}

bool shellKeyUp(int32_t virtualKey)
{
    setKeyUp(virtualKey);
    return shellKeepsKey(virtualKey);
}

bool shellKeepsKey(int32_t virtualKey)
{
    // A lone Alt or F10 would take the keyboard to the menu bar, and with it
    // the arrow keys and Escape, while the game runs on. Paused, they still
    // open the menu.
    return isMenuKey(virtualKey) && game.gameMode == MODE_PLAYING;
}

void shellClick(int32_t x, int32_t y)
{
    if (watching()) {
        watchClick();
        return;
    }
    handleLeftClick(x / std::max(1, zoom), y / std::max(1, zoom));
}

void shellCommand(int32_t id)
{
    {
        // Every command is the player's own game's again.
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        stopWatching();
    }
    handleMenuCommand(id);
    applyMenuStates();
}

void shellActivated(bool active)
{
    if (!active) {
        releaseAllKeys();  // a key released elsewhere would stay down for ever
        if (game.gameMode == MODE_PLAYING)
            game.gameMode = MODE_PAUSED;
    }
    requestRepaint(eraseOnRepaint);
    applyMenuStates();
    musicWindowActivation(active);
}

void shellMinimised()
{
    game.gameMode = MODE_PAUSED;
}

void shellRefit(bool centre)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    applyPlayAreaSize(playAreaWidth, playAreaHeight, centre);
}

void shellClose()
{
    if (exiting)
        return;
    if (!closeRequested) {
        {
            // Under the mutex: a game thread between its check of the flag
            // and its wait would otherwise miss the wake.
            std::lock_guard<std::mutex> lock(requestMutex);
            closeRequested = true;
        }
        requestAnswered.notify_all();
    }
    if (openModals > 0) {
        if (port.endModals)
            port.endModals();
        return;
    }
    exitNow();
}

void shellSessionEnding()
{
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        stopWatching();
        writeAutosave();
        keepRecordingBesideAutosave();
        extraSettings.autosavedRules = difficultyOf(game);
        saveConfiguration();
        saveExtraSettings();
    }
    shellClose();
}

std::vector<MenuItemState> shellMenuStates()
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    std::vector<MenuItemState> states;
    for (const MenuNode& node : menuTree())
        collectMenuStates(node, states);
    return states;
}

int32_t largestFittingZoom(int32_t playWidth, int32_t playHeight, const WindowGeometry& room)
{
    if (playWidth <= 0 || playHeight <= 0)
        return 0;
    const int32_t spareWidth = room.workWidth - room.frameWidth;
    const int32_t spareHeight = room.workHeight - room.frameHeight - room.menuBarHeight;
    return std::max(0, std::min(spareWidth / playWidth, spareHeight / playHeight));
}

int32_t appliedZoom(int32_t storedZoom, bool chosen, int32_t scalePercent, int32_t largestFitting)
{
    const int32_t fitting = std::max(1, largestFitting);
    if (!chosen) {
        // The display's scale rounded to a whole factor, so that the blocks
        // on a 150 % display are as large as the desktop's other things and
        // stay sharp.
        storedZoom = std::clamp((scalePercent + 50) / 100, 1, maxZoomFactor);
    }
    if (storedZoom == ZOOM_FIT_SCREEN)
        return fitting;
    return std::min(std::clamp(storedZoom, 1, maxZoomFactor), fitting);
}

bool zoomItemEnabled(int32_t id, int32_t largestFitting)
{
    if (id < CMD_ZOOM_1 || id > CMD_ZOOM_FIT)
        return true;
    return id == CMD_ZOOM_1 || id == CMD_ZOOM_FIT || id - CMD_ZOOM_1 + 1 <= largestFitting;
}

void placeOnScreen(WindowGeometry& window, bool centre)
{
    if (window.workWidth <= 0 || window.workHeight <= 0)
        return;
    const auto place = [centre](int32_t at, int32_t size, int32_t workAt, int32_t workSize) {
        if (centre)
            at = workAt + (workSize - size) / 2;
        // Moved back in from the far edge first, then from the near one, so
        // that a window larger than the screen keeps its menu bar in reach.
        at = std::min(at, workAt + workSize - size);
        return std::max(at, workAt);
    };
    window.x = place(window.x, window.width, window.workX, window.workWidth);
    window.y = place(window.y, window.height, window.workY, window.workHeight);
}
