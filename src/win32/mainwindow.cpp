#include "win32/mainwindow.h"

#include "audio/music.h"
#include "core/gamestate.h"
#include "core/ports.h"
#include "core/services.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/tick.h"
#include "persist/config.h"
#include "persist/savefiles.h"
#include "persist/settings.h"
#include "render/renderer.h"
#include "render/skins.h"
#include "ui/commands.h"
#include "ui/texts.h"
#include "win32/audio.h"
#include "win32/dialogs.h"
#include "win32/filedialog.h"
#include "win32/folders.h"
#include "win32/skins.h"
#include "win32/utf16.h"
#include "win32/xinput.h"

#include <commdlg.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

HINSTANCE appInstance = nullptr;
HWND mainWindow = nullptr;

namespace {

const wchar_t* const windowClassName = L"Dralen";  // the class of the classic window
constexpr DWORD windowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// Private messages: the game thread reaches the window only through these.
constexpr UINT WM_SHOW_MESSAGE = WM_USER + 2;     // lParam: the text; sent
constexpr UINT WM_PLAY_AREA_SIZE = WM_USER + 3;   // wParam: width, lParam: height | centre << 31; posted
constexpr UINT WM_SHOW_HALL_ENTRY = WM_USER + 4;  // lParam: the request; sent
constexpr UINT WM_CLOSE_GAME = WM_USER + 5;       // posted

HMENU mainMenu = nullptr;
DWORD windowThreadId = 0;
std::atomic<bool> shuttingDown{false};
std::atomic<bool> repaintPosted{false};

// The frame the renderer draws into: a top-down 32-bit DIB section, made
// anew whenever the play area changes size.
HBITMAP frameBitmap = nullptr;
uint32_t* framePixels = nullptr;
int32_t frameWidth = 0, frameHeight = 0;
int32_t zoom = 1;

bool onWindowThread()
{
    return GetCurrentThreadId() == windowThreadId;
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
    return mainWindow != nullptr ? GetDpiForWindow(mainWindow) : USER_DEFAULT_SCREEN_DPI;
}

// Grows a client rectangle by the frame, caption and menu bar, measured at
// the scale of the window's monitor: a per-monitor aware window on a second
// monitor of another scale has thicker or thinner ones than the first.
void addWindowFrame(RECT& rect)
{
    AdjustWindowRectExForDpi(&rect, windowStyle, TRUE, 0, windowDpi());
}

// The largest whole factor whose window fits the work area of the window's
// monitor.
int32_t fittingZoom(int32_t width, int32_t height)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(mainWindow, MONITOR_DEFAULTTOPRIMARY), &monitor))
        return 1;
    RECT frame{0, 0, 0, 0};
    addWindowFrame(frame);
    const int32_t spareWidth = (monitor.rcWork.right - monitor.rcWork.left) - (frame.right - frame.left);
    const int32_t spareHeight = (monitor.rcWork.bottom - monitor.rcWork.top) - (frame.bottom - frame.top);
    if (width <= 0 || height <= 0)
        return 1;
    return std::max(1, std::min(spareWidth / width, spareHeight / height));
}

int32_t zoomFor(int32_t width, int32_t height)
{
    const int32_t fits = fittingZoom(width, height);
    if (extraSettings.zoom == ZOOM_FIT_SCREEN)
        return fits;
    // Until the player chooses, the display's scale rounded to a whole
    // factor, so that the blocks on a 150 % display are as large as the
    // desktop's other things and stay sharp.
    if (!extraSettings.zoomChosen) {
        const int32_t scale = static_cast<int32_t>((windowDpi() + USER_DEFAULT_SCREEN_DPI / 2) / USER_DEFAULT_SCREEN_DPI);
        return std::clamp(std::min(scale, fits), 1, maxZoomFactor);
    }
    return std::clamp(std::min(extraSettings.zoom, fits), 1, maxZoomFactor);
}

void applyPlayAreaSize(int32_t width, int32_t height, bool moveToCentre)
{
    if (mainWindow == nullptr)
        return;
    zoom = zoomFor(width, height);
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
    if (moveToCentre) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (GetMonitorInfoW(MonitorFromWindow(mainWindow, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
            const RECT& work = monitor.rcWork;
            const int x = static_cast<int>(work.left + std::max<LONG>(0, ((work.right - work.left) - outerWidth) / 2));
            // Never above the top edge: the menu bar must stay in reach.
            const int y = static_cast<int>(work.top + std::max<LONG>(0, ((work.bottom - work.top) - outerHeight) / 2));
            SetWindowPos(mainWindow, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    InvalidateRect(mainWindow, nullptr, TRUE);
}

// Window port ---------------------------------------------------------------

int showMessageBox(const char* text)
{
    const std::wstring wide = wideFromUtf8(text);
    messageBoxOpen = true;
    const int result = MessageBoxW(mainWindow, wide.c_str(), wideFromUtf8(programTitle).c_str(), MB_OK);
    messageBoxOpen = false;
    return result;
}

// Any thread; the game thread waits for the box without holding gameLock.
int showMessageOnWindow(const char* text)
{
    if (onWindowThread() || mainWindow == nullptr)
        return showMessageBox(text);
    if (shuttingDown)
        return 0;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(mainWindow, WM_SHOW_MESSAGE, 0, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, INFINITE, &result);
    return static_cast<int>(result);
}

void setPlayAreaSizeOnWindow(int32_t width, int32_t height, bool moveToCentre)
{
    if (onWindowThread()) {
        applyPlayAreaSize(width, height, moveToCentre);
        return;
    }
    if (mainWindow != nullptr)
        PostMessageW(mainWindow, WM_PLAY_AREA_SIZE, static_cast<WPARAM>(width),
                     static_cast<LPARAM>(height) | (moveToCentre ? (LPARAM(1) << 31) : 0));
}

void repaintWindow(bool erase)
{
    if (mainWindow == nullptr)
        return;
    // Requests of the game thread fold into one pending paint.
    if (!onWindowThread() && repaintPosted.exchange(true))
        return;
    InvalidateRect(mainWindow, nullptr, erase ? TRUE : FALSE);
}

// Game thread, after a game over: the window starts the next game under
// gameLock while the game thread waits.
void requestNewGameOnWindow()
{
    if (mainWindow != nullptr && !shuttingDown)
        SendMessageW(mainWindow, WM_NEWGAME, 0, 0);
}

struct HallEntryRequest {
    Difficulty rules;
    size_t place;
};

void showHallOfFameEntry(const Difficulty& rules, size_t place)
{
    if (mainWindow == nullptr || shuttingDown)
        return;
    HallEntryRequest request{rules, place};
    SendMessageW(mainWindow, WM_SHOW_HALL_ENTRY, 0, reinterpret_cast<LPARAM>(&request));
}

void showHallOfFame()
{
    runHallOfFameDialog(mainWindow, difficultyOf(game), std::nullopt);
}

// Posted, so that a command that asks for it has left gameLock before the
// exit path stops the game thread.
void closeMainWindow()
{
    if (mainWindow != nullptr)
        PostMessageW(mainWindow, WM_CLOSE_GAME, 0, 0);
}

std::optional<std::string> chooseSaveFile()
{
    return chooseGameFile(mainWindow, true);
}

std::optional<std::string> chooseLoadFile()
{
    return chooseGameFile(mainWindow, false);
}

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

// Menus ----------------------------------------------------------------------

struct MenuItemPlace {
    HMENU menu;
    int32_t id;
    // The first and last id of the one-of-many group the item belongs to.
    int32_t groupFirst, groupLast;
};
std::vector<MenuItemPlace> menuItems;

void buildMenu(HMENU menu, const MenuNode& node)
{
    size_t groupStart = menuItems.size();
    for (const MenuNode& child : node.children) {
        if (child.isSeparator()) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            groupStart = menuItems.size();
        } else if (!child.children.empty()) {
            HMENU submenu = CreatePopupMenu();
            buildMenu(submenu, child);
            AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(submenu),
                        wideFromUtf8(child.caption).c_str());
        } else {
            AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(child.id), wideFromUtf8(child.caption).c_str());
            menuItems.push_back({menu, child.id, child.id, child.id});
        }
    }
    // Runs of one-of-many items in this menu share their radio group.
    for (size_t i = groupStart; i < menuItems.size();) {
        if (menuItems[i].menu != menu || !menuItemIsChoice(menuItems[i].id)) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end + 1 < menuItems.size() && menuItems[end + 1].menu == menu && menuItemIsChoice(menuItems[end + 1].id))
            ++end;
        for (size_t k = i; k <= end; ++k) {
            menuItems[k].groupFirst = menuItems[i].id;
            menuItems[k].groupLast = menuItems[end].id;
        }
        i = end + 1;
    }
}

HMENU buildMenuBar()
{
    menuItems.clear();
    HMENU bar = CreateMenu();
    for (const MenuNode& node : menuTree()) {
        HMENU menu = CreatePopupMenu();
        buildMenu(menu, node);
        AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu), wideFromUtf8(node.caption).c_str());
    }
    return bar;
}

void refreshMenuChecks()
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    for (const MenuItemPlace& item : menuItems) {
        const std::optional<bool> checked = menuItemChecked(item.id);
        if (!checked)
            continue;
        if (menuItemIsChoice(item.id)) {
            if (*checked)
                CheckMenuRadioItem(item.menu, static_cast<UINT>(item.groupFirst), static_cast<UINT>(item.groupLast),
                                   static_cast<UINT>(item.id), MF_BYCOMMAND);
        } else {
            CheckMenuItem(item.menu, static_cast<UINT>(item.id), MF_BYCOMMAND | (*checked ? MF_CHECKED : MF_UNCHECKED));
        }
    }
}

// Painting ---------------------------------------------------------------------

void paintWindow(HWND window)
{
    repaintPosted = false;
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window, &paint);
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        if (makeFrame(playAreaWidth, playAreaHeight)) {
            paintPlayArea(FrameView{framePixels, frameWidth, frameHeight, frameWidth});
            GdiFlush();
            HDC source = CreateCompatibleDC(target);
            HGDIOBJ old = SelectObject(source, frameBitmap);
            if (zoom == 1) {
                BitBlt(target, 0, 0, frameWidth, frameHeight, source, 0, 0, SRCCOPY);
            } else {
                // Whole factors, each pixel a square: never smoothed.
                SetStretchBltMode(target, COLORONCOLOR);
                StretchBlt(target, 0, 0, frameWidth * zoom, frameHeight * zoom, source, 0, 0, frameWidth,
                           frameHeight, SRCCOPY);
            }
            SelectObject(source, old);
            DeleteDC(source);
        }
    }
    EndPaint(window, &paint);
}

// The exit path, however it was reached: the close box, "Exit" or the
// Anti-boss! key.
bool closing = false;

void exitGame()
{
    if (closing)
        return;
    closing = true;
    writeAutosave();
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        extraSettings.autosavedRules = difficultyOf(game);
    }
    stopXInput(mainWindow);
    shuttingDown = true;
    stopGameThread();
    musicStopRequest = true;
    stopMusicThread();
    installSoundPlayer(nullptr);
    closeWin32Audio();
    removeWindowPort();
    DestroyWindow(mainWindow);
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
        const int32_t key = static_cast<int32_t>(wParam);
        // Bit 30: the key was already down, a repeat.
        if ((lParam & (LPARAM(1) << 30)) == 0)
            setKeyDown(key);
        handleKeyPress(key);
        // While a game is played Alt and F10 stay the game's: the menu bar
        // would otherwise take the keyboard from it.
        if (message == WM_SYSKEYDOWN && !(isMenuKey(key) && game.gameMode == MODE_PLAYING))
            break;
        return 0;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
        setKeyUp(static_cast<int32_t>(wParam));
        if (message == WM_SYSKEYUP && !(isMenuKey(static_cast<int32_t>(wParam)) && game.gameMode == MODE_PLAYING))
            break;
        return 0;
    case WM_LBUTTONDOWN:
        handleLeftClick(static_cast<int32_t>(static_cast<int16_t>(LOWORD(lParam))) / zoom,
                        static_cast<int32_t>(static_cast<int16_t>(HIWORD(lParam))) / zoom);
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && lParam == 0) {
            handleMenuCommand(static_cast<int32_t>(LOWORD(wParam)));
            refreshMenuChecks();
            return 0;
        }
        break;
    case WM_ACTIVATE: {
        const bool active = LOWORD(wParam) != WA_INACTIVE;
        if (!active) {
            releaseAllKeys();
            if (game.gameMode == MODE_PLAYING)
                game.gameMode = MODE_PAUSED;
        }
        requestRepaint(eraseOnRepaint);
        refreshMenuChecks();
        musicWindowActivation(active);
        return 0;
    }
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED)
            game.gameMode = MODE_PAUSED;
        break;
    case WM_NEWGAME: {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        startNewGame();
        return 0;
    }
    case WM_SHOW_MESSAGE:
        return showMessageBox(reinterpret_cast<const char*>(lParam));
    case WM_PLAY_AREA_SIZE:
        applyPlayAreaSize(static_cast<int32_t>(wParam), static_cast<int32_t>(lParam & 0x7FFFFFFF),
                          (lParam & (LPARAM(1) << 31)) != 0);
        return 0;
    case WM_SHOW_HALL_ENTRY: {
        const auto* request = reinterpret_cast<const HallEntryRequest*>(lParam);
        runHallOfFameDialog(mainWindow, request->rules, request->place);
        return 0;
    }
    case WM_DPICHANGED: {
        // Moved to a monitor of another scale: where Windows suggests, and
        // sized anew for the zoom that scale gives.
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        applyPlayAreaSize(playAreaWidth, playAreaHeight, false);
        return 0;
    }
    case WM_TIMER:
        if (handleXInputTimer(window, wParam))
            return 0;
        break;
    case MM_MCINOTIFY:
        win32MusicNotification(wParam, lParam);
        return 0;
    case WM_CLOSE_GAME:
    case WM_CLOSE:
        exitGame();
        return 0;
    case WM_DESTROY:
        mainWindow = nullptr;
        dropFrame();
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool startGame(HINSTANCE instance, int showCommand)
{
    appInstance = instance;
    windowThreadId = GetCurrentThreadId();
    findGameFolders();
    loadConfiguration();
    loadExtraSettings();
    if (loadAutosave()) {
        adoptAutosavedRules();
    } else {
        applyStartUpSettings();
        startNewGame();
    }
    loadSkinBitmapsFromResources(instance);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, L"DRALEN");
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, L"DRALEN", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = windowClassName;
    if (RegisterClassExW(&windowClass) == 0)
        return false;
    mainMenu = buildMenuBar();
    mainWindow = CreateWindowExW(0, windowClassName, wideFromUtf8(programTitle).c_str(), windowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, nullptr, mainMenu, instance, nullptr);
    if (mainWindow == nullptr)
        return false;

    installWindowPort({showMessageOnWindow, setPlayAreaSizeOnWindow, repaintWindow});
    installNewGameRequest(requestNewGameOnWindow);
    installExitAction(closeMainWindow);
    installHallOfFameRequest(showHallOfFameEntry);
    installHallOfFameViewer(showHallOfFame);
    installCommandPort({showAbout, showCustomGame, showKeys, chooseSaveFile, chooseLoadFile, closeMainWindow,
                        musicOptionSwitched});
    // Sized before the game thread starts: the resize rewrites the falling
    // shape's pixel position, which the first ticks already move.
    resizeWindow(true);
    startGameThread();
    startWin32Music(mainWindow);
    startXInput(mainWindow);
    ShowWindow(mainWindow, showCommand);
    UpdateWindow(mainWindow);
    SetForegroundWindow(mainWindow);
    refreshMenuChecks();
    return true;
}

int runMessageLoop()
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    saveConfiguration();
    saveExtraSettings();
    return static_cast<int>(message.wParam);
}
