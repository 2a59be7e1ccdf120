// dralen_wineprobe: the Windows side of the test that plays dralen.exe under
// Wine. It looks at the running game's dialogs through the Win32 API, as a
// player's eyes cannot: where each control lies, in dialog units.
//
//   dralen_wineprobe command ID              the main window's menu command ID
//   dralen_wineprobe dialog NAME             the open dialog's controls lie at
//                                            their rectangles in dialog units
//   dralen_wineprobe scroll NAME ID CODE     a scroll of the bar ID, as its arrow would
//   dralen_wineprobe press NAME ID           a click on the button ID
//   dralen_wineprobe enabled NAME ID         the control ID can be used
//   dralen_wineprobe message TEXT            the game's message box shows TEXT
//   dralen_wineprobe gone NAME               the dialog NAME, or the message
//                                            box for "message", has closed
//   dralen_wineprobe tab NAME                Tab, from the first control on,
//                                            walks the controls in the order
//                                            of the dialog's table
//   dralen_wineprobe texts NAME              every static text fits its
//                                            control, wrapped where it wraps
//   dralen_wineprobe filename                prints the name in the open file
//                                            dialog's name field
//
// NAME is custom, keys, about or hall. Exits 0 when all is as it should be.
#include "ui/dialogtemplates.h"
#include "ui/texts.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

// The window that has the keyboard focus in the dialog's thread; GetFocus
// sees only the caller's own thread.
HWND focusOf(HWND dialog)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) ? info.hwndFocus : nullptr;
}

bool takesFocus(const DialogControl& control)
{
    return control.hostId == 0 && control.kind != CONTROL_LABEL && control.kind != CONTROL_GROUP_BOX;
}

// Focus on the first control, then one Tab after another through the
// dialog's message loop, as the key would arrive: the walk must follow the
// table and come back to the first control.
int checkTabOrder(HWND window, const DialogTemplate& dialog)
{
    std::vector<int32_t> order;
    for (const DialogControl& control : dialog.controls)
        if (takesFocus(control))
            order.push_back(control.id);
    if (order.empty())
        return 1;
    SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window, order.front())), TRUE);
    Sleep(100);
    int faults = 0;
    for (size_t step = 0; step <= order.size(); ++step) {
        const int32_t expected = order[step % order.size()];
        const int32_t shown = GetDlgCtrlID(focusOf(window));
        if (shown != expected) {
            std::printf("after %zu Tab presses the focus is on control %d, not %d\n", step, shown, expected);
            ++faults;
        }
        HWND focus = focusOf(window);
        PostMessageW(focus, WM_KEYDOWN, VK_TAB, 0x000F0001);
        PostMessageW(focus, WM_KEYUP, VK_TAB, static_cast<LPARAM>(0xC00F0001));
        Sleep(100);
    }
    return faults == 0 ? 0 : 1;
}

// The font the dialog draws its texts in: its own where the system lets
// another process use it, else the one its template names, as the dialog
// manager makes it for a shell-font dialog.
HFONT dialogFont(HWND window, const DialogTemplate& dialog, bool& made)
{
    made = false;
    auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    LOGFONTW described{};
    if (font != nullptr && GetObjectW(font, sizeof described, &described) == sizeof described)
        return font;
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(dialog.fontPoints, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    const std::wstring face = dialog.fontName == "MS Shell Dlg" ? L"MS Shell Dlg 2" : wide(dialog.fontName);
    made = true;
    return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
}

// Every static text in its control: a wrapping one within its width and
// height, a one-line one on its one line.
int checkTexts(HWND window, const DialogTemplate& dialog)
{
    bool made = false;
    HFONT font = dialogFont(window, dialog, made);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    wchar_t face[LF_FACESIZE] = L"";
    GetTextFaceW(dc, LF_FACESIZE, face);
    int faults = 0;
    // The font measured must be the one the dialog's units came from: an
    // eighth of its height down, and across at least a quarter of its
    // average letter (wider where the dialog widened to fit its texts).
    SIZE letters{};
    GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    RECT whole{};
    GetClientRect(window, &whole);
    const int unitsAcross = MulDiv(whole.right, 4, dialog.width);
    const int unitsDown = MulDiv(whole.bottom, 8, dialog.height);
    if (unitsAcross < (letters.cx / 26 + 1) / 2 || unitsDown != metrics.tmHeight) {
        std::printf("the dialog's units (%d x %d) are not those of %ls (%ld x %ld)\n", unitsAcross, unitsDown, face,
                    (letters.cx / 26 + 1) / 2, metrics.tmHeight);
        ++faults;
    }
    for (HWND item = GetWindow(window, GW_CHILD); item != nullptr; item = GetWindow(item, GW_HWNDNEXT)) {
        wchar_t className[32] = L"";
        GetClassNameW(item, className, 32);
        if (lstrcmpiW(className, L"Static") != 0)
            continue;
        wchar_t text[512] = L"";
        SendMessageW(item, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
        if (text[0] == L'\0')
            continue;
        const LONG style = GetWindowLongW(item, GWL_STYLE);
        const LONG kind = style & SS_TYPEMASK;
        const bool wraps = kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT;
        RECT client{};
        GetClientRect(item, &client);
        RECT needed{0, 0, client.right, 0};
        DrawTextW(dc, text, -1, &needed,
                  DT_CALCRECT | DT_EXPANDTABS | (wraps ? DT_WORDBREAK : DT_SINGLELINE)
                      | ((style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0));
        if (needed.right > client.right || needed.bottom > client.bottom) {
            char narrow[1024] = "";
            WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
            std::printf("\"%s\" needs %ld x %ld pixels in %ls of %ld pixels (the dialog's own font: %s), its "
                        "control has %ld x %ld\n",
                        narrow, needed.right, needed.bottom, face, metrics.tmHeight, made ? "no" : "yes",
                        client.right, client.bottom);
            ++faults;
        }
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    if (made)
        DeleteObject(font);
    return faults == 0 ? 0 : 1;
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
    // Closed from outside, as Task Manager's End task does.
    if (argc == 2 && std::strcmp(argv[1], "close") == 0) {
        HWND game = FindWindowW(L"Dralen", nullptr);
        return game != nullptr && PostMessageW(game, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    // The desktop session ends, as Windows tells each top-level window.
    if (argc == 2 && std::strcmp(argv[1], "endsession") == 0) {
        HWND game = FindWindowW(L"Dralen", nullptr);
        DWORD_PTR agreed = 0;
        if (game == nullptr
            || !SendMessageTimeoutW(game, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, &agreed)
            || agreed == 0)
            return 1;
        SendMessageTimeoutW(game, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, nullptr);
        return 0;
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
        std::fprintf(stderr, "usage: dralen_wineprobe command ID | close | endsession | message TEXT | filename\n"
                             "       dralen_wineprobe dialog|tab|texts|scroll|press|enabled|gone NAME ...\n");
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
    if (command == "tab")
        return checkTabOrder(window, *dialog);
    if (command == "texts")
        return checkTexts(window, *dialog);
    if (command == "scroll" && argc == 5) {
        HWND bar = GetDlgItem(window, std::atoi(argv[3]));
        const UINT message = (GetWindowLongW(bar, GWL_STYLE) & SBS_VERT) != 0 ? WM_VSCROLL : WM_HSCROLL;
        return bar != nullptr && PostMessageW(window, message, MAKEWPARAM(std::atoi(argv[4]), 0),
                                              reinterpret_cast<LPARAM>(bar))
            ? 0
            : 1;
    }
    if (command == "enabled" && argc == 4) {
        HWND control = GetDlgItem(window, std::atoi(argv[3]));
        return control != nullptr && IsWindowEnabled(control) ? 0 : 1;
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
