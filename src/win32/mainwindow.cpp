#include "win32/mainwindow.h"

#include "core/gamestate.h"
#include "core/window.h"
#include "render/frames.h"
#include "render/renderer.h"
#include "ui/commands.h"
#include "ui/shell.h"
#include "ui/texts.h"
#include "win32/audio.h"
#include "win32/dialogs.h"
#include "win32/dpi.h"
#include "win32/filedialog.h"
#include "win32/folders.h"
#include "win32/menus.h"
#include "win32/skins.h"
#include "win32/utf16.h"
#include "win32/xinput.h"

#include <mmsystem.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

HINSTANCE appInstance = nullptr;
HWND mainWindow = nullptr;

namespace {

const wchar_t* const windowClassName = L"Dralen";  // the class of the classic window
constexpr DWORD windowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The shell's calls handed to the window thread; lParam: the call, owned by
// the message.
constexpr UINT WM_SHELL_CALL = WM_USER + 2;

HMENU mainMenu = nullptr;
int showCommandAtStart = SW_SHOWNORMAL;

// The frame on screen: a top-down 32-bit DIB section, made anew whenever
// the play area changes size, and the game's next frame drawn beside it.
HBITMAP frameBitmap = nullptr;
uint32_t* framePixels = nullptr;
int32_t frameWidth = 0, frameHeight = 0;
int32_t zoom = 1;
Bitmap nextFrame;
// The DIB holds what showGameChanges drew for the coming paint.
bool frameFresh = false;

FrameView frameView()
{
    return FrameView{framePixels, frameWidth, frameHeight, frameWidth};
}

void dropFrame()
{
    if (frameBitmap != nullptr)
        DeleteObject(frameBitmap);
    frameBitmap = nullptr;
    framePixels = nullptr;
    frameWidth = frameHeight = 0;
}

bool makeFrame(int32_t width, int32_t height)
{
    if (frameBitmap != nullptr && width == frameWidth && height == frameHeight)
        return true;
    dropFrame();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, as the renderer counts rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    frameBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (frameBitmap == nullptr)
        return false;
    framePixels = static_cast<uint32_t*>(bits);
    frameWidth = width;
    frameHeight = height;
    return true;
}

UINT windowDpi()
{
    return dpiOfWindow(mainWindow);
}

// The frame, caption and menu bar around a client rectangle, measured at the
// scale of the window's monitor: a per-monitor aware window on a second
// monitor of another scale has thicker or thinner ones than the first.
void addWindowFrame(RECT& rect)
{
    adjustWindowRectForDpi(rect, windowStyle, true, 0, windowDpi());
}

WindowGeometry windowGeometry()
{
    WindowGeometry room;
    RECT outer{};
    if (mainWindow != nullptr && GetWindowRect(mainWindow, &outer)) {
        room.x = outer.left;
        room.y = outer.top;
        room.width = outer.right - outer.left;
        room.height = outer.bottom - outer.top;
    }
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(mainWindow, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        room.workX = monitor.rcWork.left;
        room.workY = monitor.rcWork.top;
        room.workWidth = monitor.rcWork.right - monitor.rcWork.left;
        room.workHeight = monitor.rcWork.bottom - monitor.rcWork.top;
    }
    RECT frame{0, 0, 0, 0};
    addWindowFrame(frame);
    room.frameWidth = frame.right - frame.left;
    room.frameHeight = frame.bottom - frame.top;  // the menu bar's line included
    room.scalePercent = static_cast<int32_t>(windowDpi() * 100 / USER_DEFAULT_SCREEN_DPI);
    return room;
}

void setPlayArea(int32_t width, int32_t height, int32_t factor)
{
    if (mainWindow == nullptr)
        return;
    zoom = factor;
    RECT outer{0, 0, width * zoom, height * zoom};
    addWindowFrame(outer);
    const int outerWidth = outer.right - outer.left;
    int outerHeight = outer.bottom - outer.top;
    SetWindowPos(mainWindow, nullptr, 0, 0, outerWidth, outerHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A menu bar too narrow for its items wraps onto a second line: the
    // client area comes out short by that line, which the window then gets.
    RECT client{};
    GetClientRect(mainWindow, &client);
    if (client.bottom < height * zoom) {
        outerHeight += height * zoom - client.bottom;
        SetWindowPos(mainWindow, nullptr, 0, 0, outerWidth, outerHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void moveWindow(int32_t x, int32_t y)
{
    SetWindowPos(mainWindow, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void postToWindowThread(std::function<void()> call)
{
    auto* owned = new std::function<void()>(std::move(call));
    if (mainWindow == nullptr || !PostMessageW(mainWindow, WM_SHELL_CALL, 0, reinterpret_cast<LPARAM>(owned)))
        delete owned;
}

void runShellCall(LPARAM call)
{
    std::unique_ptr<std::function<void()>> owned(reinterpret_cast<std::function<void()>*>(call));
    (*owned)();
}

int showMessageBox(const char* text)
{
    return MessageBoxW(mainWindow, wideFromUtf8(text).c_str(), wideFromUtf8(programTitle).c_str(), MB_OK);
}

// Every box and dialog of the window thread is a #32770 window; closing one
// is what its Esc would do. One still being made, not yet shown, finds the
// close waiting in its queue.
BOOL CALLBACK endDialog(HWND window, LPARAM)
{
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring_view(className) == L"#32770")
        PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

void endModals()
{
    EnumThreadWindows(GetCurrentThreadId(), endDialog, 0);
}

// Painting ---------------------------------------------------------------------

// The game thread's repaint: the next frame is drawn beside the one on
// screen, and only the rectangle that differs is copied and repainted.
void showGameChanges()
{
    if (mainWindow == nullptr)
        return;
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        if (nextFrame.width != playAreaWidth || nextFrame.height != playAreaHeight)
            nextFrame = Bitmap(playAreaWidth, playAreaHeight);
        paintPlayArea(nextFrame.view());
    }
    if (!makeFrame(nextFrame.width, nextFrame.height))
        return;
    const PixelRect changed = copyChangedPixels(frameView(), nextFrame);
    if (changed.isEmpty())
        return;
    frameFresh = true;
    RECT dirty{changed.left * zoom, changed.top * zoom, (changed.left + changed.width) * zoom,
               (changed.top + changed.height) * zoom};
    InvalidateRect(mainWindow, &dirty, FALSE);
}

void paintWindow(HWND window)
{
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window, &paint);
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        if (makeFrame(playAreaWidth, playAreaHeight)) {
            // Paints the system asks for (the window uncovered, a size
            // change) and those of the window's own commands draw the game
            // as it is now.
            if (!frameFresh)
                paintPlayArea(frameView());
            frameFresh = false;
            GdiFlush();
            HDC source = CreateCompatibleDC(target);
            HGDIOBJ old = SelectObject(source, frameBitmap);
            // The part of the frame under the damaged rectangle, whole
            // factors, each pixel a square: never smoothed.
            const RECT& damaged = paint.rcPaint;
            const int left = damaged.left / zoom, top = damaged.top / zoom;
            const int right = std::min<int>(frameWidth, (damaged.right + zoom - 1) / zoom);
            const int bottom = std::min<int>(frameHeight, (damaged.bottom + zoom - 1) / zoom);
            if (right > left && bottom > top) {
                SetStretchBltMode(target, COLORONCOLOR);
                StretchBlt(target, left * zoom, top * zoom, (right - left) * zoom, (bottom - top) * zoom, source,
                           left, top, right - left, bottom - top, SRCCOPY);
            }
            SelectObject(source, old);
            DeleteDC(source);
        }
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

bool createMainWindow()
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = appInstance;
    windowClass.hIcon = LoadIconW(appInstance, L"DRALEN");
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(appInstance, L"DRALEN", IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = windowClassName;
    if (RegisterClassExW(&windowClass) == 0)
        return false;
    mainMenu = buildMenuBar();
    mainWindow = CreateWindowExW(0, windowClassName, wideFromUtf8(programTitle).c_str(), windowStyle, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, mainMenu, appInstance, nullptr);
    return mainWindow != nullptr;
}

// The dialogs, owned by the main window.
void showAbout()
{
    runAboutDialog(mainWindow);
}

void showCustomGame()
{
    runCustomGameDialog(mainWindow);
}

void showKeys()
{
    runKeysDialog(mainWindow);
}

void showHallOfFame(const Difficulty& rules, std::optional<HallEntry> entered)
{
    runHallOfFameDialog(mainWindow, rules, entered);
}

ShellPort win32ShellPort()
{
    ShellPort port{};
    port.post = postToWindowThread;
    port.showBox = showMessageBox;
    port.endModals = endModals;
    port.showAbout = showAbout;
    port.showCustomGame = showCustomGame;
    port.showKeys = showKeys;
    port.showHallOfFame = showHallOfFame;
    port.chooseFile = [](FileChoice choice) { return chooseGameFile(mainWindow, choice); };
    port.setTitle = [](const std::string& title) { SetWindowTextW(mainWindow, wideFromUtf8(title).c_str()); };
    port.geometry = windowGeometry;
    port.setPlayArea = setPlayArea;
    port.moveWindow = moveWindow;
    port.repaint = [](bool erase) {
        frameFresh = false;
        if (mainWindow != nullptr)
            InvalidateRect(mainWindow, nullptr, erase ? TRUE : FALSE);
    };
    port.showGameChanges = showGameChanges;
    port.applyMenu = [](const std::vector<MenuItemState>& items) { applyMenu(mainMenu, items); };
    port.findFolders = findGameFolders;
    port.loadSkins = [] { loadSkinBitmapsFromResources(appInstance); };
    port.createWindow = createMainWindow;
    port.startDevices = [] {
        startWin32Music(mainWindow);
        startXInput(mainWindow);
    };
    port.showWindow = [] {
        ShowWindow(mainWindow, showCommandAtStart);
        UpdateWindow(mainWindow);
        SetForegroundWindow(mainWindow);
    };
    port.stopControllers = [] { stopXInput(mainWindow); };
    port.closeAudio = closeWin32Audio;
    port.quit = [] { DestroyWindow(mainWindow); };
    return port;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        paintWindow(window);
        return 0;
    case WM_ERASEBKGND:
        // The frame covers the whole client area.
        return 1;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        // Bit 30: the key was already down, a repeat.
        const bool kept = shellKeyDown(static_cast<int32_t>(wParam), (lParam & (LPARAM(1) << 30)) != 0);
        if (message == WM_SYSKEYDOWN && !kept)
            break;
        return 0;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const bool kept = shellKeyUp(static_cast<int32_t>(wParam));
        if (message == WM_SYSKEYUP && !kept)
            break;
        return 0;
    }
    case WM_LBUTTONDOWN:
        shellClick(static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam)));
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && lParam == 0) {
            shellCommand(static_cast<int32_t>(LOWORD(wParam)));
            return 0;
        }
        break;
    case WM_ACTIVATE:
        shellActivated(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED)
            shellMinimised();
        break;
    case WM_SHELL_CALL:
        runShellCall(lParam);
        return 0;
    case WM_DPICHANGED: {
        // Moved to a monitor of another scale: where Windows suggests, and
        // sized anew for the zoom that scale gives.
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        shellRefit(false);
        return 0;
    }
    case WM_TIMER:
        if (handleXInputTimer(window, wParam))
            return 0;
        break;
    case MM_MCINOTIFY:
        win32MusicNotification(wParam, lParam);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The process may be ended as soon as this returns.
        if (wParam)
            shellSessionEnding();
        return 0;
    case WM_CLOSE:
        shellClose();
        return 0;
    case WM_DESTROY: {
        // Calls still queued for the window would be lost with it.
        MSG pending;
        while (PeekMessageW(&pending, window, WM_SHELL_CALL, WM_SHELL_CALL, PM_REMOVE))
            delete reinterpret_cast<std::function<void()>*>(pending.lParam);
        mainWindow = nullptr;
        dropFrame();
        PostQuitMessage(0);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool startGame(HINSTANCE instance, int showCommand)
{
    appInstance = instance;
    showCommandAtStart = showCommand;
    return shellStart(win32ShellPort());
}

int runMessageLoop()
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    shellFinish();
    return static_cast<int>(message.wParam);
}
