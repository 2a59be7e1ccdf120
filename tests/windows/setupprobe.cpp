// dralen_setupprobe: the Windows side of the test that clicks through the
// installer and the uninstaller under Wine. It reads their wizard pages
// through the Win32 API, as the controls inside a window are no X windows
// that xdotool could see.
//
//   dralen_setupprobe page CAPTION         prints the title of the page shown
//   dralen_setupprobe click CAPTION TEXT   clicks the button (push button,
//                                          check box or radio button) TEXT
//   dralen_setupprobe checked CAPTION TEXT the check box TEXT is ticked
//   dralen_setupprobe message CAPTION      prints the text of the message box
//
// CAPTION is the window's, "Dralen 1.14 Setup" say; TEXT a button's caption
// without its & marks. Each waits up to ten seconds for its window and
// control, and exits 0 when it found them (and, for checked, the tick).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::wstring wide(const char* text)
{
    std::wstring out(std::strlen(text) + 1, L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), static_cast<int>(out.size()));
    out.resize(length > 0 ? static_cast<size_t>(length - 1) : 0);
    return out;
}

std::string narrow(const std::wstring& text)
{
    std::string out(text.size() * 4 + 1, '\0');
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(length > 0 ? static_cast<size_t>(length - 1) : 0);
    return out;
}

std::wstring textOf(HWND window)
{
    wchar_t text[1024] = L"";
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

std::wstring withoutMarks(std::wstring text)
{
    std::wstring out;
    for (wchar_t c : text)
        if (c != L'&')
            out += c;
    return out;
}

bool classIs(HWND window, const wchar_t* name)
{
    wchar_t className[64] = L"";
    GetClassNameW(window, className, 64);
    return lstrcmpiW(className, name) == 0;
}

// Each page adds its own subcaption to the wizard's, for the pages of Modern
// UI a space.
std::wstring trimmed(std::wstring text)
{
    while (!text.empty() && text.back() == L' ')
        text.pop_back();
    return text;
}

// The shown top-level dialogs of this caption: the wizard, and the message
// box it may have opened, which carries the same caption.
std::vector<HWND> windowsCaptioned(const std::wstring& caption)
{
    struct Search {
        const std::wstring* caption;
        std::vector<HWND> found;
    } search{&caption, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (IsWindowVisible(window) && classIs(window, L"#32770") && trimmed(textOf(window)) == *s->caption)
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The wizard has a placeholder (1018) for its pages, a message box none.
constexpr int innerPageId = 1018;
constexpr int headerTitleId = 1037;
constexpr int messageTextId = 0xFFFF;

HWND wizard(const std::wstring& caption)
{
    for (HWND window : windowsCaptioned(caption))
        if (GetDlgItem(window, innerPageId) != nullptr)
            return window;
    return nullptr;
}

HWND messageBox(const std::wstring& caption)
{
    for (HWND window : windowsCaptioned(caption))
        if (GetDlgItem(window, innerPageId) == nullptr && GetDlgItem(window, messageTextId) != nullptr)
            return window;
    return nullptr;
}

// The page shown: a dialog of its own over the wizard's placeholder.
HWND shownPage(HWND window)
{
    for (HWND item = GetWindow(window, GW_CHILD); item != nullptr; item = GetWindow(item, GW_HWNDNEXT))
        if (IsWindowVisible(item) && classIs(item, L"#32770"))
            return item;
    return nullptr;
}

// The title of the page shown: the header's on most pages; the welcome and
// finish pages hide the header and show their title as their first text.
std::wstring pageTitle(HWND window)
{
    HWND header = GetDlgItem(window, headerTitleId);
    if (header != nullptr && IsWindowVisible(header))
        return textOf(header);
    HWND page = shownPage(window);
    if (page == nullptr)
        return L"";
    for (HWND item = GetWindow(page, GW_CHILD); item != nullptr; item = GetWindow(item, GW_HWNDNEXT)) {
        if (!IsWindowVisible(item) || !classIs(item, L"Static"))
            continue;
        const std::wstring text = textOf(item);
        if (!text.empty())
            return text;
    }
    return L"";
}

struct ButtonSearch {
    std::wstring text;
    HWND found = nullptr;
};

BOOL CALLBACK findButton(HWND item, LPARAM data)
{
    auto* search = reinterpret_cast<ButtonSearch*>(data);
    if (IsWindowVisible(item) && IsWindowEnabled(item) && classIs(item, L"Button")
        && withoutMarks(textOf(item)) == search->text) {
        search->found = item;
        return FALSE;
    }
    return TRUE;
}

// A button of this caption in the message box, when one is open, else in
// the wizard's page or its frame.
HWND button(const std::wstring& caption, const std::wstring& text)
{
    ButtonSearch search{text};
    for (HWND window : {messageBox(caption), wizard(caption)})
        if (window != nullptr) {
            EnumChildWindows(window, findButton, reinterpret_cast<LPARAM>(&search));
            if (search.found != nullptr)
                return search.found;
        }
    return nullptr;
}

template <typename Find>
auto waitFor(Find find)
{
    for (int tries = 0; tries < 100; ++tries) {
        if (auto found = find())
            return found;
        Sleep(100);
    }
    return decltype(find())();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: dralen_setupprobe page|click|checked|message CAPTION [TEXT]\n");
        return 2;
    }
    const std::string command = argv[1];
    const std::wstring caption = wide(argv[2]);
    if (command == "page") {
        HWND window = waitFor([&] { return wizard(caption); });
        if (window == nullptr)
            return 1;
        std::printf("%s\n", narrow(pageTitle(window)).c_str());
        return 0;
    }
    if (command == "message") {
        HWND box = waitFor([&] { return messageBox(caption); });
        if (box == nullptr)
            return 1;
        std::printf("%s\n", narrow(textOf(GetDlgItem(box, messageTextId))).c_str());
        return 0;
    }
    if ((command == "click" || command == "checked") && argc == 4) {
        const std::wstring text = wide(argv[3]);
        HWND target = waitFor([&] { return button(caption, text); });
        if (target == nullptr)
            return 1;
        if (command == "checked")
            return SendMessageW(target, BM_GETCHECK, 0, 0) == BST_CHECKED ? 0 : 1;
        // Posted: the click may end the page, or the program, before a sent
        // message would come back.
        PostMessageW(target, BM_CLICK, 0, 0);
        return 0;
    }
    std::fprintf(stderr, "dralen_setupprobe: unknown command %s\n", command.c_str());
    return 2;
}
