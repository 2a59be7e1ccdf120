// The small services everything else leans on: where data files live, the
// size of the play area derived from the field and the cell size, the repaint
// request and the one message box. Plain C++: the front ends (qt/, win32/)
// reach the screen through the window port below.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>

// What the window offers the game. The front end installs it once the main
// window exists; until then, and in tests without a fake, the services below
// reach no screen at all.
struct WindowPort {
    // Shows the text in a modal box titled "Dralen" with one OK button, waits
    // until the player dismisses it and returns the box's result. Called on the
    // window thread and on the game thread (the latter without gameLock).
    int (*showMessage)(const char* text);
    // Gives the drawing area this size in pixels; the window keeps its place,
    // or is centred on the screen when moveToCentre is set. The frame around
    // the drawing area is the platform's. Called on the window thread, and on
    // the game thread under gameLock (the growing-field event), so the front
    // end must not block on the window thread there.
    void (*setPlayAreaSize)(int32_t width, int32_t height, bool moveToCentre);
    // Asks for the whole play area to be painted again, erasing the
    // background first when erase is set. Never paints on the spot.
    void (*repaint)(bool erase);
};

// Installs the window's port; from now on the services reach the window.
// Every member must be set. Called on the window thread before the game thread
// starts.
void installWindowPort(const WindowPort& port);
// Back to no window: the services do nothing visible any more. Called on the
// window thread after the game thread has stopped.
void removeWindowPort();
bool windowExists();

// The working directory at start-up. Level files, the automatic save and the
// configuration are opened as gameDirectory / relative name, so a file dialog
// that changes the current directory does not move them.
extern std::filesystem::path gameDirectory;

// Where each kind of file lives when the game is installed rather than run
// from its own folder: the game's data (levels/, sfx/, music/), the
// configuration and the settings beside it, the automatic save, and anything
// else the player keeps. The front end sets them at start-up, before the first
// file is read; an empty one means gameDirectory, as in the portable layout.
// The player's own folders (config, state, player) are made when first asked
// for, so a fresh account needs no set-up; the data folder is only read.
// Without a home folder there is nowhere to keep the player's files:
// keepsFiles is false, configFolder(), stateFolder() and playerFolder() are
// empty, and nothing is read from or written to them.
struct GameFolders {
    std::filesystem::path data, config, state, player;
    bool keepsFiles = true;
};
extern GameFolders installedFolders;
std::filesystem::path dataFolder();
std::filesystem::path configFolder();
std::filesystem::path stateFolder();
std::filesystem::path playerFolder();

// The drawing area: at least 150 x 50 pixels, the field centred in it when it
// is smaller than that.
extern int32_t playAreaWidth;
extern int32_t playAreaHeight;
extern int32_t fieldOriginX;
extern int32_t fieldOriginY;
// Set when the field does not fill the drawing area, so repaints must clear
// the margin. Atomic: the window thread reads it without gameLock for the
// repaints of its key and click handlers, while the growing field changes it
// on the game thread.
extern std::atomic<bool> eraseOnRepaint;

// True while a message box is open; the music thread reads it.
extern std::atomic<bool> messageBoxOpen;

// Fills gameDirectory from the working directory. When that cannot be found
// the player is told and the process ends. The first step of start-up.
void findGameDirectory();

// Recomputes the play area from the field size, the cell size and the preview
// panel, re-anchors the falling shape's pixel position to its cell, and then,
// when a window exists, resizes it (centred when moveToCentre is set) and asks
// for a repaint. Runs under gameLock whenever the game thread is running.
void resizeWindow(bool moveToCentre);

// Asks the window to repaint the play area. Called on the window thread and
// on the game thread; callers pass eraseOnRepaint or false.
void requestRepaint(bool erase);

// Formats printf-style, however long the text, shows it in the message box
// and returns the box's result (0 when there is no window to show it in).
// Texts that come from files or players are passed as showMessage("%s", text)
// so that a per-cent sign in them stays as it is. Called on the window thread
// and on the game thread; takes no lock.
int showMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
