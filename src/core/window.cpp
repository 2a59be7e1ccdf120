#include "core/window.h"

#include "core/gamestate.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

int32_t playAreaWidth = 200;
int32_t playAreaHeight = 400;
int32_t fieldOriginX = 0;
int32_t fieldOriginY = 0;
std::atomic<bool> eraseOnRepaint{false};

std::atomic<bool> messageBoxOpen{false};

namespace {

constexpr int32_t minPlayAreaWidth = 150;
constexpr int32_t minPlayAreaHeight = 50;

// Each member on its own, as the clock port does: the game thread may show a
// message at any moment, and a half-copied struct must never be seen.
std::atomic<int (*)(const char*)> portShowMessage{nullptr};
std::atomic<void (*)(int32_t, int32_t, bool)> portSetPlayAreaSize{nullptr};
std::atomic<void (*)(bool)> portRepaint{nullptr};
std::atomic<bool> windowInstalled{false};

// The window thread and the game thread can each have a box open at the same
// time; the flag may only drop when the last of them closes.
std::mutex openBoxesMutex;
int openBoxes = 0;

void markBoxOpened()
{
    std::lock_guard<std::mutex> lock(openBoxesMutex);
    ++openBoxes;
    messageBoxOpen = true;
}

void markBoxClosed()
{
    std::lock_guard<std::mutex> lock(openBoxesMutex);
    if (openBoxes > 0)
        --openBoxes;
    if (openBoxes == 0)
        messageBoxOpen = false;
}

// Measures first and then formats into a string of exactly that size, so no
// text is ever cut short.
std::string formatText(const char* format, va_list args)
{
    va_list measuring;
    va_copy(measuring, args);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length <= 0)
        return {};
    std::string text(static_cast<size_t>(length), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

int32_t atLeast(int32_t value, int32_t minimum)
{
    return value > minimum ? value : minimum;
}

int32_t marginFor(int32_t natural, int32_t minimum)
{
    return natural > minimum ? 0 : (minimum - natural) / 2;
}

}  // namespace

void installWindowPort(const WindowPort& port)
{
    portShowMessage = port.showMessage;
    portSetPlayAreaSize = port.setPlayAreaSize;
    portRepaint = port.repaint;
    windowInstalled = true;
}

void removeWindowPort()
{
    windowInstalled = false;
    portShowMessage = nullptr;
    portSetPlayAreaSize = nullptr;
    portRepaint = nullptr;
}

bool windowExists()
{
    return windowInstalled.load();
}

void resizeWindow(bool moveToCentre)
{
    const int64_t cs = game.cellSize;
    game.shapeX = static_cast<double>(cs * game.shapeColumn + cs / 2);
    game.shapeY = static_cast<double>(cs * game.shapeRow + cs / 2);

    const int64_t panel = game.predictShapes ? game.maxShapeExtent + 2 : 0;
    int64_t width = 0;
    int64_t height = 0;
    switch (game.forceDirection) {
    case FORCE_DOWN:
    case FORCE_UP:
        width = (game.fieldWidth + panel) * cs;
        height = game.fieldHeight * cs;
        break;
    case FORCE_RIGHT:
    case FORCE_LEFT:
        width = game.fieldHeight * cs;
        height = (game.fieldWidth + panel) * cs;
        break;
    default:
        break;
    }
    const auto natural = [](int64_t pixels) {
        return static_cast<int32_t>(std::clamp<int64_t>(pixels, 0, INT32_MAX));
    };
    playAreaWidth = atLeast(natural(width), minPlayAreaWidth);
    playAreaHeight = atLeast(natural(height), minPlayAreaHeight);
    fieldOriginX = marginFor(natural(width), minPlayAreaWidth);
    fieldOriginY = marginFor(natural(height), minPlayAreaHeight);
    eraseOnRepaint = fieldOriginX != 0 || fieldOriginY != 0;

    if (!windowExists())
        return;
    if (auto setSize = portSetPlayAreaSize.load())
        setSize(playAreaWidth, playAreaHeight, moveToCentre);
    if (auto repaint = portRepaint.load())
        repaint(false);
}

void requestRepaint(bool erase)
{
    if (!windowExists())
        return;
    if (auto repaint = portRepaint.load())
        repaint(erase);
}

namespace {
thread_local void (*messageDiversion)(const std::string& text) = nullptr;
}  // namespace

void divertMessages(void (*to)(const std::string& text))
{
    messageDiversion = to;
}

int showMessage(const char* format, ...)
{
    markBoxOpened();
    va_list args;
    va_start(args, format);
    const std::string text = formatText(format, args);
    va_end(args);

    int result = 0;
    if (void (*divert)(const std::string&) = messageDiversion)
        divert(text);
    else if (windowExists())
        if (auto show = portShowMessage.load())
            result = show(text.c_str());
    markBoxClosed();
    return result;
}
