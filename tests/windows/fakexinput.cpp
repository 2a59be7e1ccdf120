// A stand-in for the system's xinput1_4.dll, for tests/windows/play.sh: laid
// beside dralen.exe and preferred to Wine's own, it reports controller 0 as
// connected while fakepad.txt lies beside it, holding the button bits and
// the left stick as "buttons x y" in decimal, and every controller as
// missing otherwise. The script writes the file; the game reads it at its
// next poll.
#include <windows.h>

#include <cstdio>

namespace {

// XINPUT_STATE, spelt out: xinput.h declares XInputGetState as imported.
struct PadState {
    DWORD packet;
    WORD buttons;
    BYTE leftTrigger, rightTrigger;
    SHORT leftX, leftY, rightX, rightY;
};

bool statePath(wchar_t* path, DWORD size)
{
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&statePath), &self))
        return false;
    const DWORD length = GetModuleFileNameW(self, path, size);
    if (length == 0 || length >= size)
        return false;
    wchar_t* slash = wcsrchr(path, L'\\');
    if (slash == nullptr || static_cast<DWORD>(slash - path) + 13 >= size)
        return false;
    wcscpy(slash + 1, L"fakepad.txt");
    return true;
}

DWORD packet = 0;

}  // namespace

extern "C" __declspec(dllexport) DWORD WINAPI XInputGetState(DWORD user, PadState* state)
{
    wchar_t path[MAX_PATH];
    if (state == nullptr || user != 0 || !statePath(path, MAX_PATH))
        return ERROR_DEVICE_NOT_CONNECTED;
    FILE* file = _wfopen(path, L"r");
    if (file == nullptr)
        return ERROR_DEVICE_NOT_CONNECTED;
    unsigned buttons = 0;
    int x = 0, y = 0;
    const int read = std::fscanf(file, "%u %d %d", &buttons, &x, &y);
    std::fclose(file);
    *state = PadState{};
    state->packet = ++packet;
    if (read >= 1)
        state->buttons = static_cast<WORD>(buttons);
    if (read == 3) {
        state->leftX = static_cast<SHORT>(x);
        state->leftY = static_cast<SHORT>(y);
    }
    return ERROR_SUCCESS;
}
