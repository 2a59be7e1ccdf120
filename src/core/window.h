// The window as the game sees it: the port the shell installs, the size of
// the play area derived from the field and the cell size, the repaint
// request and the one message box.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

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
// While set, this thread's messages go to the function instead of a box
// and nothing waits for a player: a replay shows the boxes of the game it
// plays without stopping at each. nullptr ends it.
void divertMessages(void (*to)(const std::string& text));
