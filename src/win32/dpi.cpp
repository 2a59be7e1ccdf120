#include "win32/dpi.h"

namespace {

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiCall = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using GetDpiForMonitorCall = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int effectiveDpi = 0;  // MDT_EFFECTIVE_DPI

template <typename Call>
Call userCall(const char* name)
{
    // user32 is imported, so it is always loaded.
    HMODULE user = GetModuleHandleW(L"user32.dll");
    return user != nullptr ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(user, name))) : nullptr;
}

// Windows 8.1's per-monitor scale lives in shcore.dll, which Windows 7 does
// not have; only the system's own copy will do.
GetDpiForMonitorCall monitorDpiCall()
{
    HMODULE shcore = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return shcore != nullptr
        ? reinterpret_cast<GetDpiForMonitorCall>(reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
        : nullptr;
}

UINT systemDpi()
{
    HDC screen = GetDC(nullptr);
    if (screen == nullptr)
        return USER_DEFAULT_SCREEN_DPI;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

UINT dpiOfWindow(HWND window)
{
    if (window == nullptr)
        return systemDpi();
    static const GetDpiForWindowCall forWindow = userCall<GetDpiForWindowCall>("GetDpiForWindow");
    if (forWindow != nullptr)
        return forWindow(window);
    static const GetDpiForMonitorCall forMonitor = monitorDpiCall();
    UINT x = 0, y = 0;
    if (forMonitor != nullptr
        && SUCCEEDED(forMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), effectiveDpi, &x, &y)) && x > 0)
        return x;
    return systemDpi();
}

void adjustWindowRectForDpi(RECT& rect, DWORD style, bool menu, DWORD exStyle, UINT dpi)
{
    static const AdjustWindowRectExForDpiCall forDpi =
        userCall<AdjustWindowRectExForDpiCall>("AdjustWindowRectExForDpi");
    if (forDpi != nullptr)
        forDpi(&rect, style, menu, exStyle, dpi);
    else
        AdjustWindowRectEx(&rect, style, menu, exStyle);
}
