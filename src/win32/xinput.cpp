#include "win32/xinput.h"

#include "game/gamepad.h"

#include <xinput.h>

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

}  // namespace

void startXInput(HWND window)
{
    loadXInput();
    if (getState != nullptr)
        schedule(window, padPollIdleMs);
}

bool handleXInputTimer(HWND window, WPARAM timer)
{
    if (timer != padTimer || getState == nullptr)
        return false;
    PadBindings held{};
    bool connected = false;
    for (DWORD pad = 0; pad < XUSER_MAX_COUNT; ++pad) {
        XINPUT_STATE state{};
        if (getState(pad, &state) != ERROR_SUCCESS)
            continue;
        connected = true;
        const XINPUT_GAMEPAD& g = state.Gamepad;
        const PadBindings one = padBindings(padReadingFromXInput(g.wButtons, g.sThumbLX, g.sThumbLY));
        for (size_t k = 0; k < held.size(); ++k)
            held[k] = held[k] || one[k];
    }
    feedPadBindings(held);
    schedule(window, connected ? padPollConnectedMs : padPollIdleMs);
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
