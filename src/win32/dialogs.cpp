#include "win32/dialogs.h"

#include "core/gamestate.h"
#include "ui/customgame.h"
#include "ui/halloffame.h"
#include "ui/keyconfig.h"
#include "win32/dlgtemplate.h"
#include "win32/editlimit.h"
#include "win32/mainwindow.h"
#include "win32/utf16.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Shows what the model says each control is to show.
void showControls(HWND dialog, const std::vector<ControlState>& states)
{
    for (const ControlState& state : states) {
        HWND control = GetDlgItem(dialog, state.id);
        if (control == nullptr)
            continue;
        if (state.position)
            SetScrollPos(control, SB_CTL, *state.position, TRUE);
        if (state.text)
            SetWindowTextW(control, wideFromUtf8(*state.text).c_str());
        if (state.checked)
            SendMessageW(control, BM_SETCHECK, *state.checked ? BST_CHECKED : BST_UNCHECKED, 0);
        if (state.selection)
            SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(*state.selection), 0);
        if (state.enabled)
            EnableWindow(control, *state.enabled ? TRUE : FALSE);
    }
}

// What the template gives each control beyond its place: list items and
// scroll ranges.
void fillControls(HWND dialog, const DialogTemplate& layout)
{
    for (const DialogControl& control : layout.controls) {
        HWND window = GetDlgItem(dialog, control.id);
        if (window == nullptr || control.id == CTL_STATIC)
            continue;
        switch (control.kind) {
        case CONTROL_DROP_DOWN_LIST:
            for (const std::string& item : control.items)
                SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wideFromUtf8(item).c_str()));
            break;
        case CONTROL_HORIZONTAL_SCROLL_BAR:
        case CONTROL_VERTICAL_SCROLL_BAR:
            SetScrollRange(window, SB_CTL, control.minimum, control.maximum, FALSE);
            break;
        default:
            break;
        }
    }
}

// Over the middle of the owner, or of the screen, kept on the screen.
void placeDialog(HWND dialog, const DialogTemplate& layout)
{
    RECT own{};
    GetWindowRect(dialog, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    HWND owner = GetWindow(dialog, GW_OWNER);
    GetMonitorInfoW(MonitorFromWindow(owner != nullptr ? owner : dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT around = monitor.rcWork;
    if (!layout.centreOnScreen && owner != nullptr)
        GetWindowRect(owner, &around);
    LONG x = around.left + ((around.right - around.left) - width) / 2;
    LONG y = around.top + ((around.bottom - around.top) - height) / 2;
    x = std::max(monitor.rcWork.left, std::min<LONG>(x, monitor.rcWork.right - width));
    y = std::max(monitor.rcWork.top, std::min<LONG>(y, monitor.rcWork.bottom - height));
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Whether a label's caption fits its rectangle at this width in pixels, on
// one line or, where it wraps, in the lines its height holds.
bool captionFits(HDC dc, const DialogControl& label, int width, int height)
{
    const std::wstring caption = wideFromUtf8(label.caption);
    RECT needed{0, 0, width, 0};
    DrawTextW(dc, caption.c_str(), -1, &needed,
              DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (label.wordWrap ? DT_WORDBREAK : DT_SINGLELINE));
    return needed.right <= width && (!label.wordWrap || needed.bottom <= height);
}

// The template's rectangles were laid out for a narrower font than the one
// the system may give "MS Shell Dlg": where a caption would be cut off, the
// dialog's unit across widens until every one fits, as on Linux, and each
// control keeps its rectangle in those wider units.
void fitCaptions(HWND dialog, const DialogTemplate& layout)
{
    RECT client{};
    GetClientRect(dialog, &client);
    const double across = static_cast<double>(client.right) / layout.width;
    const double down = static_cast<double>(client.bottom) / layout.height;
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    double widened = 1.0;
    for (const DialogControl& control : layout.controls) {
        if (control.kind != CONTROL_LABEL || control.caption.empty())
            continue;
        const int height = static_cast<int>(control.rect.height * down + 0.5);
        while (widened < 2.0 && !captionFits(dc, control, static_cast<int>(control.rect.width * across * widened), height))
            widened += 0.01;
    }
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    if (widened == 1.0)
        return;
    // The dialog makes its controls in the template's order, each below
    // the one before.
    HWND child = GetWindow(dialog, GW_CHILD);
    for (const DialogControl& control : layout.controls) {
        if (control.hostId != 0)
            continue;
        if (child == nullptr)
            break;
        RECT shown{};
        GetWindowRect(child, &shown);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&shown), 2);
        const DialogRect pixels = dialogUnitsToPixels(control.rect, across * widened, down);
        // A drop-down list's height is that of its open list.
        const int height = control.kind == CONTROL_DROP_DOWN_LIST
            ? static_cast<int>((control.rect.height + control.dropHeight) * down + 0.5)
            : shown.bottom - shown.top;
        SetWindowPos(child, nullptr, pixels.x, shown.top, pixels.width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        child = GetWindow(child, GW_HWNDNEXT);
    }
    RECT outer{};
    GetWindowRect(dialog, &outer);
    const DialogRect wider = dialogUnitsToPixels({0, 0, layout.width, layout.height}, across * widened, down);
    SetWindowPos(dialog, nullptr, 0, 0, outer.right - outer.left + wider.width - client.right, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool closes(DialogOutcome outcome)
{
    return outcome == DIALOG_ACCEPTED || outcome == DIALOG_CANCELLED;
}

// Custom game ------------------------------------------------------------------

INT_PTR CALLBACK customGameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* model = reinterpret_cast<CustomGameDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        model = reinterpret_cast<CustomGameDialog*>(lParam);
        fillControls(dialog, customGameTemplate());
        showControls(dialog, customGameDialogControls(*model));
        fitCaptions(dialog, customGameTemplate());
        placeDialog(dialog, customGameTemplate());
        return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL: {
        const int32_t id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        // The 16-bit position of the message is too short for nothing here,
        // but the bar's own tracking position is the one to trust.
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS | SIF_POS;
        GetScrollInfo(reinterpret_cast<HWND>(lParam), SB_CTL, &info);
        const int32_t code = LOWORD(wParam);
        const int32_t position = code == SB_THUMBTRACK || code == SB_THUMBPOSITION ? info.nTrackPos : info.nPos;
        customGameDialogScrolled(*model, id, code, position);
        showControls(dialog, customGameDialogControls(*model));
        return TRUE;
    }
    case WM_COMMAND: {
        const int32_t id = LOWORD(wParam);
        const int notification = HIWORD(wParam);
        HWND control = reinterpret_cast<HWND>(lParam);
        if (notification == CBN_SELCHANGE) {
            customGameDialogSelected(*model, id, static_cast<int32_t>(SendMessageW(control, CB_GETCURSEL, 0, 0)));
            showControls(dialog, customGameDialogControls(*model));
            return TRUE;
        }
        if (notification != BN_CLICKED)
            return FALSE;
        if (control != nullptr && (GetWindowLongW(control, GWL_STYLE) & 0x0F) == BS_AUTOCHECKBOX) {
            customGameDialogChecked(*model, id, SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
            showControls(dialog, customGameDialogControls(*model));
            return TRUE;
        }
        if (closes(customGameDialogCommand(*model, id)))
            EndDialog(dialog, 0);
        return TRUE;
    }
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

// Configure keys ---------------------------------------------------------------

KeysDialogState* keysModel = nullptr;
HWND keysWindow = nullptr;

// Key names as Windows gives them: the name of the key's scan code, at most
// 19 characters.
std::string keyName(int32_t virtualKey)
{
    UINT scanCode = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC);
    LONG parameter = static_cast<LONG>(scanCode << 16);
    // The keys of the navigation block share their scan codes with the
    // number pad's; the extended bit tells them apart.
    switch (virtualKey) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT:
    case VK_END: case VK_HOME: case VK_INSERT: case VK_DELETE: case VK_DIVIDE: case VK_NUMLOCK:
        parameter |= 1 << 24;
        break;
    default:
        break;
    }
    wchar_t name[20] = {};
    if (GetKeyNameTextW(parameter, name, 20) > 0)
        return utf8FromWide(name);
    return "#" + std::to_string(virtualKey);
}

bool isModifier(WPARAM key)
{
    switch (key) {
    case VK_SHIFT: case VK_CONTROL: case VK_MENU: case VK_LWIN: case VK_RWIN:
    case VK_LSHIFT: case VK_RSHIFT: case VK_LCONTROL: case VK_RCONTROL: case VK_LMENU: case VK_RMENU:
        return true;
    default:
        return false;
    }
}

bool otherModifierHeld(WPARAM key)
{
    const auto held = [](int code) { return (GetKeyState(code) & 0x8000) != 0; };
    return (key != VK_SHIFT && held(VK_SHIFT)) || (key != VK_CONTROL && held(VK_CONTROL))
        || (key != VK_MENU && held(VK_MENU)) || (key != VK_LWIN && held(VK_LWIN)) || (key != VK_RWIN && held(VK_RWIN));
}

// Sees every key of the dialog's message loop before the dialog does, so
// that Return, Escape and Space can be bound like any other key while one is
// awaited.
LRESULT CALLBACK keysMessageFilter(int code, WPARAM wParam, LPARAM lParam)
{
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code >= 0 && keysModel != nullptr && message != nullptr) {
        DialogKeyEvent key;
        bool isKey = true;
        switch (message->message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            key.kind = DIALOG_KEY_PRESS;
            key.autoRepeat = (message->lParam & (LPARAM(1) << 30)) != 0;
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            key.kind = DIALOG_KEY_RELEASE;
            break;
        default:
            isKey = false;
            break;
        }
        if (isKey) {
            key.virtualKey = static_cast<int32_t>(message->wParam);
            key.isModifierKey = isModifier(message->wParam);
            key.modifierHeld = otherModifierHeld(message->wParam);
            const bool keep = keysDialogKey(*keysModel, key);
            showControls(keysWindow, keysDialogControls(*keysModel, keyName));
            if (keep)
                return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR CALLBACK keysDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        keysModel = reinterpret_cast<KeysDialogState*>(lParam);
        keysWindow = dialog;
        showControls(dialog, keysDialogControls(*keysModel, keyName));
        fitCaptions(dialog, keysTemplate());
        placeDialog(dialog, keysTemplate());
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED || keysModel == nullptr)
            return FALSE;
        if (closes(keysDialogCommand(*keysModel, LOWORD(wParam))))
            EndDialog(dialog, 0);
        else
            showControls(dialog, keysDialogControls(*keysModel, keyName));
        return TRUE;
    case WM_CLOSE:
        if (keysModel != nullptr)
            keysDialogCommand(*keysModel, CTL_CANCEL);
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

// About ----------------------------------------------------------------------------

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        fitCaptions(dialog, aboutTemplate());
        placeDialog(dialog, aboutTemplate());
        return TRUE;
    case WM_COMMAND:
        if (closes(aboutDialogCommand(LOWORD(wParam))))
            EndDialog(dialog, 0);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

// Hall of Fame ---------------------------------------------------------------------

HWND nameEdit = nullptr;

void showHallRows(HWND dialog, HallOfFameDialog& model)
{
    HWND list = GetDlgItem(dialog, CTL_HALL_ENTRIES);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    const std::vector<HallRow> rows = hallDialogRows(model);
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::array<std::wstring, 4> cells = {wideFromUtf8(rows[i].place), wideFromUtf8(rows[i].score),
                                                   wideFromUtf8(rows[i].name), wideFromUtf8(rows[i].date)};
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(cells[0].c_str());
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (int column = 1; column < 4; ++column) {
            item.iSubItem = column;
            item.pszText = const_cast<wchar_t*>(cells[static_cast<size_t>(column)].c_str());
            SendMessageW(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        }
    }
    // The new entry's row, selected, with its name open for editing.
    const std::optional<size_t> nameRow = hallDialogNameRow(model);
    if (nameEdit != nullptr) {
        DestroyWindow(nameEdit);
        nameEdit = nullptr;
    }
    if (!nameRow)
        return;
    LVITEMW selected{};
    selected.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    selected.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, *nameRow, reinterpret_cast<LPARAM>(&selected));
    RECT cell{};
    cell.top = 2;  // the name column
    cell.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETSUBITEMRECT, *nameRow, reinterpret_cast<LPARAM>(&cell));
    const DialogControl* field = findDialogControl(hallOfFameTemplate(), CTL_HALL_NAME);
    nameEdit = CreateWindowExW(0, L"EDIT", wideFromUtf8(model.enteredName).c_str(),
                               WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, cell.left, cell.top,
                               cell.right - cell.left, cell.bottom - cell.top, list,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(CTL_HALL_NAME)), appInstance, nullptr);
    SendMessageW(nameEdit, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), TRUE);
    if (field != nullptr)
        limitToCharacters(nameEdit, *field);
    SendMessageW(nameEdit, EM_SETSEL, 0, -1);
    SetFocus(nameEdit);
}

std::string editText(HWND edit)
{
    const int length = GetWindowTextLengthW(edit);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(edit, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return utf8FromWide(text);
}

INT_PTR CALLBACK hallOfFameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* model = reinterpret_cast<HallOfFameDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        model = reinterpret_cast<HallOfFameDialog*>(lParam);
        HWND tables = GetDlgItem(dialog, CTL_HALL_TABLE);
        for (const std::string& name : model->tableNames)
            SendMessageW(tables, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wideFromUtf8(name).c_str()));
        SendMessageW(tables, CB_SETCURSEL, static_cast<WPARAM>(model->shownTable), 0);
        HWND list = GetDlgItem(dialog, CTL_HALL_ENTRIES);
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
        if (const DialogControl* entries = findDialogControl(hallOfFameTemplate(), CTL_HALL_ENTRIES)) {
            int column = 0;
            for (const TableColumn& heading : entries->columns) {
                RECT width{0, 0, heading.width, 0};
                MapDialogRect(dialog, &width);
                const std::wstring caption = wideFromUtf8(heading.caption);
                LVCOLUMNW item{};
                item.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
                item.fmt = heading.alignment == TEXT_RIGHT ? LVCFMT_RIGHT : LVCFMT_LEFT;
                item.cx = width.right;
                item.pszText = const_cast<wchar_t*>(caption.c_str());
                SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column++), reinterpret_cast<LPARAM>(&item));
            }
        }
        showHallRows(dialog, *model);
        EnableWindow(GetDlgItem(dialog, CTL_HALL_WATCH), hallDialogCanWatch(*model));
        placeDialog(dialog, hallOfFameTemplate());
        // Focus stays where showHallRows put it: in the name being entered.
        return nameEdit == nullptr;
    }
    case WM_COMMAND: {
        const int32_t id = LOWORD(wParam);
        if (id == CTL_HALL_TABLE && HIWORD(wParam) == CBN_SELCHANGE) {
            if (nameEdit != nullptr)
                hallDialogNameEdited(*model, editText(nameEdit));
            hallDialogTableChosen(
                *model, static_cast<int32_t>(SendMessageW(reinterpret_cast<HWND>(lParam), CB_GETCURSEL, 0, 0)));
            showHallRows(dialog, *model);
            EnableWindow(GetDlgItem(dialog, CTL_HALL_WATCH), hallDialogCanWatch(*model));
            return TRUE;
        }
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        if (nameEdit != nullptr)
            hallDialogNameEdited(*model, editText(nameEdit));
        if (closes(hallOfFameDialogCommand(*model, id)))
            EndDialog(dialog, 0);
        return TRUE;
    }
    case WM_NOTIFY: {
        // A row selected in the list: Watch follows whether it has a replay.
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (model == nullptr || change->hdr.idFrom != CTL_HALL_ENTRIES || change->hdr.code != LVN_ITEMCHANGED
            || (change->uChanged & LVIF_STATE) == 0)
            return FALSE;
        const int selected = static_cast<int>(SendMessageW(change->hdr.hwndFrom, LVM_GETNEXTITEM, WPARAM(-1),
                                                           LVNI_SELECTED));
        hallDialogRowSelected(*model, selected >= 0 ? std::optional<size_t>(selected) : std::nullopt);
        EnableWindow(GetDlgItem(dialog, CTL_HALL_WATCH), hallDialogCanWatch(*model));
        return TRUE;
    }
    case WM_CLOSE:
        if (nameEdit != nullptr)
            hallDialogNameEdited(*model, editText(nameEdit));
        EndDialog(dialog, 0);
        return TRUE;
    case WM_DESTROY:
        nameEdit = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void runCustomGameDialog(HWND owner)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    CustomGameDialog model;
    openCustomGameDialog(model);
    runDialogTemplate(customGameTemplate(), owner, customGameDialogProc, reinterpret_cast<LPARAM>(&model));
}

void runKeysDialog(HWND owner)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    KeysDialogState model;
    openKeysDialog(model);
    HHOOK filter = SetWindowsHookExW(WH_MSGFILTER, keysMessageFilter, nullptr, GetCurrentThreadId());
    runDialogTemplate(keysTemplate(), owner, keysDialogProc, reinterpret_cast<LPARAM>(&model));
    if (filter != nullptr)
        UnhookWindowsHookEx(filter);
    keysModel = nullptr;
    keysWindow = nullptr;
}

void runAboutDialog(HWND owner)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    runDialogTemplate(aboutTemplate(), owner, aboutDialogProc, 0);
}

void runHallOfFameDialog(HWND owner, const Difficulty& rules, std::optional<HallEntry> entered)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    HallOfFameDialog model;
    openHallOfFameDialog(model, readHallOfFame(), rules, entered);
    runDialogTemplate(hallOfFameTemplate(), owner, hallOfFameDialogProc, reinterpret_cast<LPARAM>(&model));
    closeHallOfFameDialog(model);
}
