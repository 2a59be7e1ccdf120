#include "win32/xinput.h"

#include "core/window.h"
#include "game/gamepad.h"
#include "ui/dialogtemplates.h"
#include "ui/texts.h"
#include "win32/utf16.h"

#include <xinput.h>

#include <string>

namespace {

constexpr UINT_PTR padTimer = 0x50AD;
using GetState = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);
HMODULE library = nullptr;
GetState getState = nullptr;
UINT currentInterval = 0;

void loadXInput()
{
    // Every Windows from 8 on has the first; Windows 7 and Wine the second too.
    for (const wchar_t* name : {L"xinput1_4.dll", L"xinput9_1_0.dll"}) {
        library = LoadLibraryW(name);
        if (library != nullptr)
            break;
    }
    if (library != nullptr)
        getState = reinterpret_cast<GetState>(reinterpret_cast<void*>(GetProcAddress(library, "XInputGetState")));
}

void schedule(HWND window, UINT interval)
{
    if (interval != currentInterval) {
        SetTimer(window, padTimer, interval, nullptr);
        currentInterval = interval;
    }
}

std::wstring captionOf(HWND window)
{
    wchar_t caption[128] = L"";
    GetWindowTextW(window, caption, 128);
    return caption;
}

// The one dialog that takes input while the window is disabled: the dialog
// window of this thread that is shown and enabled. A modal dialog disables
// the one below, so there is at most one.
HWND dialogInFront(HWND window)
{
    struct Search {
        HWND window;
        HWND found;
    } search{window, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND candidate, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            wchar_t className[16] = L"";
            GetClassNameW(candidate, className, 16);
            if (candidate != s.window && IsWindowVisible(candidate) && IsWindowEnabled(candidate)
                && std::wstring(className) == L"#32770")
                s.found = candidate;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// What is in front of the game, and the dialog when that is one. The
// message box is the game's only dialog captioned with the game's name.
PadFront frontOf(HWND window, HWND& dialog)
{
    dialog = nullptr;
    if (IsWindowEnabled(window))
        return GetForegroundWindow() == window ? PAD_FRONT_PLAY : PAD_FRONT_ELSEWHERE;
    dialog = dialogInFront(window);
    if (dialog == nullptr)
        return PAD_FRONT_DIALOG;
    const std::wstring caption = captionOf(dialog);
    if (messageBoxOpen && caption == wideFromUtf8(programTitle))
        return PAD_FRONT_MESSAGE;
    if (caption == wideFromUtf8(hallOfFameTemplate().caption))
        return PAD_FRONT_HALL;
    return PAD_FRONT_DIALOG;
}

}  // namespace

void startXInput(HWND window)
{
    loadXInput();
    // The first look comes at once, so that a controller already plugged
    // in plays from the first moment; without one, the looks slow down.
    if (getState != nullptr)
        schedule(window, padPollConnectedMs);
}

bool handleXInputTimer(HWND window, WPARAM timer)
{
    if (timer != padTimer || getState == nullptr)
        return false;
    PadReading readings[XUSER_MAX_COUNT];
    size_t connected = 0;
    for (DWORD pad = 0; pad < XUSER_MAX_COUNT; ++pad) {
        XINPUT_STATE state{};
        if (getState(pad, &state) != ERROR_SUCCESS)
            continue;
        const XINPUT_GAMEPAD& g = state.Gamepad;
        readings[connected++] = padReadingFromXInput(g.wButtons, g.sThumbLX, g.sThumbLY);
    }
    // The timer still fires while a modal dialog runs its own message loop.
    HWND dialog = nullptr;
    const PadFront front = frontOf(window, dialog);
    switch (feedPads(readings, connected, front)) {
    case PAD_ANSWER_CONFIRM:
        // As a click on OK: the message box's and the Hall of Fame's both
        // carry IDOK, and the Hall of Fame keeps the offered name.
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        break;
    case PAD_ANSWER_CLOSE:
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        break;
    case PAD_ANSWER_NONE:
        break;
    }
    schedule(window, connected == 0 ? padPollIdleMs : padPollConnectedMs);
    return true;
}

void stopXInput(HWND window)
{
    if (currentInterval != 0)
        KillTimer(window, padTimer);
    currentInterval = 0;
    feedPadBindings(PadBindings{});
    if (library != nullptr)
        FreeLibrary(library);
    library = nullptr;
    getState = nullptr;
}
