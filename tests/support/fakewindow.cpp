#include "support/fakewindow.h"

#include "core/window.h"

#include <mutex>

namespace {

// The game thread shows messages and asks for repaints while a test thread
// reads the records.
std::mutex recordsMutex;
int answer = 1;
std::vector<std::string> shown;
std::vector<bool> flags;
std::vector<fakeWindow::Resize> sizes;
std::vector<bool> erases;

int recordMessage(const char* text)
{
    std::lock_guard<std::mutex> lock(recordsMutex);
    shown.emplace_back(text);
    flags.push_back(messageBoxOpen.load());
    return answer;
}

void recordResize(int32_t width, int32_t height, bool moveToCentre)
{
    std::lock_guard<std::mutex> lock(recordsMutex);
    sizes.push_back({width, height, moveToCentre});
}

void recordRepaint(bool erase)
{
    std::lock_guard<std::mutex> lock(recordsMutex);
    erases.push_back(erase);
}

}  // namespace

namespace fakeWindow {

void install(int boxResult)
{
    clear();
    {
        std::lock_guard<std::mutex> lock(recordsMutex);
        answer = boxResult;
    }
    installWindowPort({recordMessage, recordResize, recordRepaint});
}

void uninstall()
{
    removeWindowPort();
}

void clear()
{
    std::lock_guard<std::mutex> lock(recordsMutex);
    shown.clear();
    flags.clear();
    sizes.clear();
    erases.clear();
}

std::vector<std::string> messages()
{
    std::lock_guard<std::mutex> lock(recordsMutex);
    return shown;
}

std::vector<bool> flagWhileShown()
{
    std::lock_guard<std::mutex> lock(recordsMutex);
    return flags;
}

std::vector<Resize> resizes()
{
    std::lock_guard<std::mutex> lock(recordsMutex);
    return sizes;
}

std::vector<bool> repaints()
{
    std::lock_guard<std::mutex> lock(recordsMutex);
    return erases;
}

}  // namespace fakeWindow
