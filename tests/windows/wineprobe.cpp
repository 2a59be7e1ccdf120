// dralen_wineprobe: the Windows side of the test that plays dralen.exe under
// Wine. It looks at the running game's dialogs through the Win32 API, as a
// player's eyes cannot: where each control lies, in dialog units.
//
//   dralen_wineprobe command ID              the main window's menu command ID
//   dralen_wineprobe dialog NAME             the open dialog's controls lie at
//                                            their rectangles in dialog units
//   dralen_wineprobe scroll NAME ID CODE     a scroll of the bar ID, as its arrow would
//   dralen_wineprobe press NAME ID           a click on the button ID
//   dralen_wineprobe message TEXT            the game's message box shows TEXT
//   dralen_wineprobe gone NAME               the dialog NAME, or the message
//                                            box for "message", has closed
//   dralen_wineprobe filename                prints the name in the open file
//                                            dialog's name field
//
// NAME is custom, keys, about or hall. Exits 0 when all is as it should be.
#include "ui/dialogtemplates.h"
#include "ui/texts.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const DialogTemplate* templateNamed(const char* name)
{
    if (std::strcmp(name, "custom") == 0)
        return &customGameTemplate();
    if (std::strcmp(name, "keys") == 0)
        return &keysTemplate();
    if (std::strcmp(name, "about") == 0)
        return &aboutTemplate();
    if (std::strcmp(name, "hall") == 0)
        return &hallOfFameTemplate();
    return nullptr;
}

std::wstring wide(const std::string& text)
{
    std::wstring out(text.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()));
    out.resize(length > 0 ? static_cast<size_t>(length - 1) : 0);
    return out;
}

HWND shownDialog(const std::string& caption)
{
    HWND window = FindWindowW(L"#32770", wide(caption).c_str());
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

// The dialog of this caption, once shown, waited for up to ten seconds.
HWND findDialog(const std::string& caption)
{
    for (int tries = 0; tries < 100; ++tries) {
        // Shown only once all its controls exist.
        if (HWND window = shownDialog(caption)) {
            Sleep(200);
            return window;
        }
        Sleep(100);
    }
    return nullptr;
}

// Pixels for dialog units. MapDialogRect cannot reach into another process's
// dialog, so the units come from the dialog's own client area, which the
// dialog manager made from the template's size in the same units.
struct Units {
    double across, down;
    LONG x(int32_t units) const { return static_cast<LONG>(units * across + 0.5); }
    LONG y(int32_t units) const { return static_cast<LONG>(units * down + 0.5); }
};

bool closeTo(LONG shown, LONG expected)
{
    return shown >= expected - 1 && shown <= expected + 1;
}

// The name field of the open Save or Open dialog, in UTF-8.
int printFileName()
{
    HWND chooser = nullptr;
    for (int tries = 0; tries < 100 && chooser == nullptr; ++tries) {
        for (const wchar_t* caption : {L"Save As", L"Open"}) {
            HWND found = FindWindowW(L"#32770", caption);
            if (found != nullptr && IsWindowVisible(found))
                chooser = found;
        }
        if (chooser == nullptr)
            Sleep(100);
    }
    if (chooser == nullptr)
        return 1;
    Sleep(300);
    // The name field: an editable list (cmb13) in the newer dialog, a plain
    // edit (edt1) in the older one.
    HWND field = GetDlgItem(chooser, 0x47C);
    if (field == nullptr)
        field = GetDlgItem(chooser, 0x480);
    wchar_t text[1024] = L"";
    if (field != nullptr)
        SendMessageW(field, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    char narrow[4096] = "";
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    std::printf("%s\n", narrow);
    return field != nullptr ? 0 : 1;
}

int checkRectangles(HWND window, const DialogTemplate& dialog)
{
    RECT client{};
    GetClientRect(window, &client);
    const Units units{static_cast<double>(client.right) / dialog.width, static_cast<double>(client.bottom) / dialog.height};
    int faults = 0;
    for (const DialogControl& control : dialog.controls) {
        if (control.id == CTL_STATIC || control.hostId != 0)
            continue;
        HWND item = GetDlgItem(window, control.id);
        if (item == nullptr) {
            std::printf("control %d (%s) is missing\n", control.id, control.name.c_str());
            ++faults;
            continue;
        }
        RECT shown{};
        GetWindowRect(item, &shown);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&shown), 2);
        const DialogRect& r = control.rect;
        const RECT expected{units.x(r.x), units.y(r.y), units.x(r.x + r.width), units.y(r.y + r.height)};
        // A drop-down list is as tall as the system makes its one line.
        const bool sameHeight = control.kind == CONTROL_DROP_DOWN_LIST || closeTo(shown.bottom, expected.bottom);
        if (!closeTo(shown.left, expected.left) || !closeTo(shown.top, expected.top) || !closeTo(shown.right, expected.right)
            || !sameHeight) {
            std::printf("control %d (%s) at %ld,%ld-%ld,%ld, not %ld,%ld-%ld,%ld\n", control.id, control.name.c_str(),
                        shown.left, shown.top, shown.right, shown.bottom, expected.left, expected.top, expected.right,
                        expected.bottom);
            ++faults;
        }
    }
    return faults == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "command") == 0) {
        HWND game = FindWindowW(L"Dralen", nullptr);
        return game != nullptr && PostMessageW(game, WM_COMMAND, static_cast<WPARAM>(std::atoi(argv[2])), 0) ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "message") == 0) {
        HWND box = findDialog(programTitle);
        wchar_t text[256] = L"";
        // The text of a message box is its control 0xFFFF.
        if (box != nullptr)
            GetDlgItemTextW(box, 0xFFFF, text, 256);
        return box != nullptr && wide(argv[2]) == text ? 0 : 1;
    }
    if (argc == 2 && std::strcmp(argv[1], "filename") == 0)
        return printFileName();
    if (argc == 3 && std::strcmp(argv[1], "gone") == 0) {
        const DialogTemplate* named = templateNamed(argv[2]);
        const std::string caption = named != nullptr ? named->caption : std::string(programTitle);
        for (int tries = 0; tries < 50; ++tries) {
            if (shownDialog(caption) == nullptr)
                return 0;
            Sleep(100);
        }
        return 1;
    }
    const DialogTemplate* dialog = argc >= 3 ? templateNamed(argv[2]) : nullptr;
    if (dialog == nullptr) {
        std::fprintf(stderr, "usage: dralen_wineprobe command ID | message TEXT | filename\n"
                             "       dralen_wineprobe dialog|scroll|press|gone NAME ...\n");
        return 2;
    }
    HWND window = findDialog(dialog->caption);
    if (window == nullptr) {
        std::printf("no dialog \"%s\" is open\n", dialog->caption.c_str());
        return 1;
    }
    const std::string command = argv[1];
    if (command == "dialog")
        return checkRectangles(window, *dialog);
    if (command == "scroll" && argc == 5) {
        HWND bar = GetDlgItem(window, std::atoi(argv[3]));
        const UINT message = (GetWindowLongW(bar, GWL_STYLE) & SBS_VERT) != 0 ? WM_VSCROLL : WM_HSCROLL;
        return bar != nullptr && PostMessageW(window, message, MAKEWPARAM(std::atoi(argv[4]), 0),
                                              reinterpret_cast<LPARAM>(bar))
            ? 0
            : 1;
    }
    if (command == "press" && argc == 4) {
        const int id = std::atoi(argv[3]);
        HWND button = GetDlgItem(window, id);
        return button != nullptr && PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                                 reinterpret_cast<LPARAM>(button))
            ? 0
            : 1;
    }
    return 2;
}
