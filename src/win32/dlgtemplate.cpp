#include "win32/dlgtemplate.h"

#include "win32/mainwindow.h"
#include "win32/utf16.h"

#include <commctrl.h>

#include <cstring>
#include <string>

namespace {

// Appends to a DWORD-aligned buffer in WORD steps.
class TemplateWriter {
public:
    void word(WORD value) { words.push_back(value); }
    void dword(DWORD value)
    {
        word(LOWORD(value));
        word(HIWORD(value));
    }
    void text(const std::wstring& value)
    {
        for (wchar_t c : value)
            word(static_cast<WORD>(c));
        word(0);
    }
    void alignToDword()
    {
        if (words.size() % 2 != 0)
            word(0);
    }
    size_t position() const { return words.size(); }
    void patch(size_t at, WORD value) { words[at] = value; }

    std::vector<DWORD> bytes() const
    {
        std::vector<DWORD> out((words.size() + 1) / 2, 0);
        std::memcpy(out.data(), words.data(), words.size() * sizeof(WORD));
        return out;
    }

private:
    std::vector<WORD> words;
};

// The predefined window classes by their ordinals.
constexpr WORD BUTTON_CLASS = 0x0080;
constexpr WORD EDIT_CLASS = 0x0081;
constexpr WORD STATIC_CLASS = 0x0082;
constexpr WORD SCROLLBAR_CLASS = 0x0084;
constexpr WORD COMBOBOX_CLASS = 0x0085;

DWORD labelStyle(const DialogControl& control)
{
    DWORD style = control.alignment == TEXT_RIGHT ? SS_RIGHT : control.alignment == TEXT_CENTRE ? SS_CENTER : SS_LEFT;
    if (!control.wordWrap && control.alignment == TEXT_LEFT)
        style = SS_LEFTNOWORDWRAP;
    // One line, centred down its rectangle, as beside a button.
    if (control.verticalCentre && !control.wordWrap)
        style |= SS_CENTERIMAGE;
    return style | SS_NOPREFIX;
}

}  // namespace

std::vector<DWORD> buildDialogTemplate(const DialogTemplate& dialog)
{
    TemplateWriter out;
    out.word(1);       // dlgVer
    out.word(0xFFFF);  // signature: the extended form
    out.dword(0);      // helpID
    out.dword(0);      // exStyle
    out.dword(DS_SHELLFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | (dialog.centreOnScreen ? DS_CENTER : 0));
    const size_t countAt = out.position();
    out.word(0);  // the number of items, patched below
    out.word(0);  // x and y: placed by the dialog procedure
    out.word(0);
    out.word(static_cast<WORD>(dialog.width));
    out.word(static_cast<WORD>(dialog.height));
    out.word(0);  // no menu
    out.word(0);  // the standard dialog class
    out.text(wideFromUtf8(dialog.caption));
    out.word(static_cast<WORD>(dialog.fontPoints));
    out.word(FW_NORMAL);
    out.word(0);  // not italic, default character set
    out.text(wideFromUtf8(dialog.fontName));

    WORD count = 0;
    for (const DialogControl& control : dialog.controls) {
        if (control.hostId != 0)
            continue;
        DWORD style = WS_CHILD | WS_VISIBLE;
        WORD classOrdinal = STATIC_CLASS;
        const wchar_t* className = nullptr;
        switch (control.kind) {
        case CONTROL_GROUP_BOX:
            classOrdinal = BUTTON_CLASS;
            style |= BS_GROUPBOX;
            break;
        case CONTROL_LABEL:
            style |= labelStyle(control);
            break;
        case CONTROL_HORIZONTAL_SCROLL_BAR:
            classOrdinal = SCROLLBAR_CLASS;
            style |= SBS_HORZ | WS_TABSTOP;
            break;
        case CONTROL_VERTICAL_SCROLL_BAR:
            classOrdinal = SCROLLBAR_CLASS;
            style |= SBS_VERT | WS_TABSTOP;
            break;
        case CONTROL_DROP_DOWN_LIST:
            classOrdinal = COMBOBOX_CLASS;
            style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
            break;
        case CONTROL_CHECK_BOX:
            classOrdinal = BUTTON_CLASS;
            style |= BS_AUTOCHECKBOX | WS_TABSTOP;
            break;
        case CONTROL_PUSH_BUTTON:
            classOrdinal = BUTTON_CLASS;
            style |= BS_PUSHBUTTON | WS_TABSTOP;
            break;
        case CONTROL_DEFAULT_PUSH_BUTTON:
            classOrdinal = BUTTON_CLASS;
            style |= BS_DEFPUSHBUTTON | WS_TABSTOP;
            break;
        case CONTROL_ENTRY_TABLE:
            className = WC_LISTVIEWW;
            style |= LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_BORDER | WS_TABSTOP;
            break;
        case CONTROL_EDIT:
            classOrdinal = EDIT_CLASS;
            style |= ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
            break;
        }
        out.alignToDword();
        out.dword(0);  // helpID
        out.dword(0);  // exStyle
        out.dword(style);
        const DialogRect& r = control.rect;
        // A drop-down list's rectangle in a template is the open list's.
        const int32_t height = control.kind == CONTROL_DROP_DOWN_LIST ? r.height + control.dropHeight : r.height;
        out.word(static_cast<WORD>(r.x));
        out.word(static_cast<WORD>(r.y));
        out.word(static_cast<WORD>(r.width));
        out.word(static_cast<WORD>(height));
        out.dword(control.id == CTL_STATIC ? 0xFFFF : static_cast<DWORD>(control.id));
        if (className != nullptr) {
            out.text(className);
        } else {
            out.word(0xFFFF);
            out.word(classOrdinal);
        }
        out.text(control.kind == CONTROL_DROP_DOWN_LIST || control.kind == CONTROL_ENTRY_TABLE
                         || control.kind == CONTROL_EDIT
                     ? std::wstring()
                     : wideFromUtf8(control.caption));
        out.word(0);  // no creation data
        ++count;
    }
    out.patch(countAt, count);
    return out.bytes();
}

INT_PTR runDialogTemplate(const DialogTemplate& dialog, HWND owner, DLGPROC procedure, LPARAM parameter)
{
    const std::vector<DWORD> bytes = buildDialogTemplate(dialog);
    return DialogBoxIndirectParamW(appInstance, reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), owner, procedure,
                                   parameter);
}
