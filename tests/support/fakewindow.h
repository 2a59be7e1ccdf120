// A stand-in for the main window: records what the game asks of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fakeWindow {

struct Resize {
    int32_t width;
    int32_t height;
    bool moveToCentre;
};

// Installs the fake as the window port and forgets earlier records. Message
// boxes answer with boxResult.
void install(int boxResult = 1);
// Back to no window at all.
void uninstall();
void clear();

// Copies of the records, safe to take while the game thread is still running.
// Texts shown, in order.
std::vector<std::string> messages();
// Whether messageBoxOpen was set while each of them was on screen.
std::vector<bool> flagWhileShown();
std::vector<Resize> resizes();
// The erase argument of each repaint request.
std::vector<bool> repaints();

}  // namespace fakeWindow
