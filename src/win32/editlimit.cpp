#include "win32/editlimit.h"

#include "win32/utf16.h"

#include <commctrl.h>

#include <string>

namespace {

std::wstring windowText(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Every way text comes in: typing (a letter beyond the plane arrives as two
// WM_CHARs, each checked), an input method, the clipboard, and undo.
bool mayAddText(UINT message)
{
    switch (message) {
    case WM_CHAR:
    case WM_IME_CHAR:
    case WM_IME_COMPOSITION:
    case WM_PASTE:
    case EM_REPLACESEL:
    case WM_UNDO:
    case EM_UNDO: return true;
    default: return false;
    }
}

LRESULT CALLBACK characterLimitProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR data)
{
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(edit, characterLimitProc, id);
    if (!mayAddText(message))
        return DefSubclassProc(edit, message, wParam, lParam);
    const std::wstring before = windowText(edit);
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
    const auto& control = *reinterpret_cast<const DialogControl*>(data);
    if (!editTextFits(control, utf8FromWide(windowText(edit)))) {
        SetWindowTextW(edit, before.c_str());
        SendMessageW(edit, EM_SETSEL, start, end);
        MessageBeep(MB_OK);
    }
    return result;
}

}  // namespace

void limitToCharacters(HWND edit, const DialogControl& control)
{
    if (control.maxLength <= 0)
        return;
    SendMessageW(edit, EM_SETLIMITTEXT, static_cast<WPARAM>(editUnitLimit(control)), 0);
    SetWindowSubclass(edit, characterLimitProc, 1, reinterpret_cast<DWORD_PTR>(&control));
}
