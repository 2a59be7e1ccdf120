// The shell: every rule between the game library and a window system, once,
// for both front ends. A front end turns its platform's events into the calls
// below (a key down, a click, a menu command, activation, a close) and
// installs a ShellPort through which the shell reaches the platform's half of
// the window: boxes, dialogs, file choosers, the window's size and place, its
// menu's marks, the hand-off to the window thread, and the devices.
#pragma once

#include "persist/halloffame.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Where the window is and how much room it has, in desktop pixels.
struct WindowGeometry {
    // The window's outer rectangle, frame and menu bar included.
    int32_t x = 0, y = 0, width = 0, height = 0;
    // The work area of the monitor the window is on (without task bars).
    int32_t workX = 0, workY = 0, workWidth = 0, workHeight = 0;
    // What the window adds around the play area: its frame (both sides
    // together) and the menu bar.
    int32_t frameWidth = 0, frameHeight = 0, menuBarHeight = 0;
    // The display's scale in per cent; 100 where the toolkit scales by itself.
    int32_t scalePercent = 100;
};

// What one menu item shows: its mark (none, a tick, or a round mark for the
// items of a one-of-many submenu) and whether it can be chosen.
struct MenuItemState {
    int32_t id;
    bool checkable;
    bool checked;
    bool radio;
    bool enabled;
    bool operator==(const MenuItemState&) const = default;
};

// The file dialogs: a saved game to write or to read, a replay to watch.
enum FileChoice : int32_t {
    FILE_SAVE_GAME = 0,
    FILE_LOAD_GAME = 1,
    FILE_WATCH_REPLAY = 2,
};

// The platform's half of the window, installed by the front end. Every member
// is called on the window thread unless it says otherwise.
struct ShellPort {
    // Runs the call on the window thread from its event loop, modal loops
    // included, and returns at once. Any thread.
    void (*post)(std::function<void()> call);
    // A modal box titled "Dralen" with the text and one OK button.
    int (*showBox)(const char* text);
    // Ends every box and dialog now open, as the player's Esc would.
    void (*endModals)();
    void (*showAbout)();
    void (*showCustomGame)();
    void (*showKeys)();
    // The Hall of Fame of these rules, with the entry just entered
    // highlighted for its name, wherever it stands by then.
    void (*showHallOfFame)(const Difficulty& rules, std::optional<HallEntry> entered);
    // A path (UTF-8) chosen in the save or the load dialog, or the dialog
    // that opens a replay; nothing when the player cancelled.
    std::optional<std::string> (*chooseFile)(FileChoice choice);
    // The window's title.
    void (*setTitle)(const std::string& title);
    // Where the window is now; before the window exists, its monitor's.
    WindowGeometry (*geometry)();
    // Gives the play area width x height pixels of the game drawn at zoom
    // (whole screen pixels per pixel); the window keeps its top-left corner.
    void (*setPlayArea)(int32_t width, int32_t height, int32_t zoom);
    // Moves the window's outer top-left corner.
    void (*moveWindow)(int32_t x, int32_t y);
    // The whole play area drawn afresh at the next paint, its background
    // erased first when erase is set.
    void (*repaint)(bool erase);
    // The game thread's repaint: draws the game's new frame and repaints
    // only what differs from the frame on screen.
    void (*showGameChanges)();
    // Sets every item's mark and whether it is enabled.
    void (*applyMenu)(const std::vector<MenuItemState>& items);
    // Start-up and exit steps that only the platform knows.
    void (*findFolders)();
    void (*loadSkins)();
    bool (*createWindow)();
    void (*startDevices)();  // controllers, sound device, music thread
    void (*showWindow)();
    void (*stopControllers)();
    void (*closeAudio)();  // after the music thread has stopped
    // Takes the window away and ends the event loop.
    void (*quit)();
};

// Start-up, window thread: installs the port (so that even a failure to find
// the game's folder is shown), reads the configuration and settings,
// continues the automatic save or starts the first game, makes the window at
// its size and starts the threads. False when the window could not be made.
bool shellStart(const ShellPort& port);
// Only installs the port and the shell's answers to the game's requests,
// for a window made by hand (tests). Window thread.
void shellInstall(const ShellPort& port);
// Takes the port and the shell's answers away again: the game reaches no
// window any more. Window thread, with no game thread running (tests).
void shellUninstall();
// After the event loop has ended: the configuration and settings are written
// last.
void shellFinish();

// A key went down (repeat: held down, the system repeats it) or came up.
// True when the key is the game's and must not reach the menu bar (Alt and
// F10 while a game is played).
bool shellKeyDown(int32_t virtualKey, bool repeat);
bool shellKeyUp(int32_t virtualKey);
// Whether the key, pressed now, stays the game's rather than the menu's.
bool shellKeepsKey(int32_t virtualKey);
// The left button went down at a point of the window's play area, in screen
// pixels (the zoom is the shell's to undo).
void shellClick(int32_t x, int32_t y);
// A menu item was chosen.
void shellCommand(int32_t id);
// The window became the active one or stopped being it; it was minimised.
void shellActivated(bool active);
void shellMinimised();
// The window's frame, its monitor or the monitor's scale changed: the zoom
// and the window's size are chosen again, and its place (centred when asked).
void shellRefit(bool centre);

// The player, the system or the game asks the program to end. Boxes and
// dialogs still open are ended first; the exit itself runs once none is
// open: the automatic save is written under gameLock, the threads stop, the
// window goes. Window thread.
void shellClose();
// The desktop session ends (log off, shut down): what a normal exit keeps
// is written now, since the process may be ended as soon as this returns,
// and the program closes. Window thread.
void shellSessionEnding();

// The state of every item of the menu tree now.
std::vector<MenuItemState> shellMenuStates();

// Zoom: the largest whole factor at which the window around a play area of
// this size fits the room; 0 when not even 1x does.
int32_t largestFittingZoom(int32_t playWidth, int32_t playHeight, const WindowGeometry& room);
// The factor the play area is drawn at: the stored choice (extraSettings.zoom)
// when it fits, otherwise the largest that does, and 1 when none does. "Fit
// screen" is the largest that fits. Until the player chooses, the display's
// scale rounded to a whole factor. The stored choice itself never changes.
int32_t appliedZoom(int32_t storedZoom, bool chosen, int32_t scalePercent, int32_t largestFitting);
// Whether a zoom item can be chosen: 1x and "Fit screen" always, the other
// factors when their window fits. True for items that are not zoom factors.
bool zoomItemEnabled(int32_t id, int32_t largestFitting);
// Where a window of this outer size goes: centred in the work area when
// asked, otherwise where it is but moved wholly into the work area; a window
// larger than the work area keeps its top-left corner (menu bar) on it.
void placeOnScreen(WindowGeometry& window, bool centre);
