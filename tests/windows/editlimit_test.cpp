// The Hall of Fame's name edit, made in the tests' own process: forty
// characters fit, each letter beyond the plane taking two UTF-16 units.
#include "persist/halloffame.h"
#include "ui/dialogtemplates.h"
#include "win32/editlimit.h"

#include <gtest/gtest.h>

#include <string>

TEST(WindowsEditLimit, FortyLettersBeyondThePlaneFitAndNoMore)
{
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 200, 20, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    limitToCharacters(edit, *findDialogControl(hallOfFameTemplate(), CTL_HALL_NAME));
    // Typed: each letter arrives as its two halves.
    for (size_t i = 0; i <= maxNameLength; ++i) {
        SendMessageW(edit, WM_CHAR, 0xD83D, 1);
        SendMessageW(edit, WM_CHAR, 0xDE00, 1);
    }
    EXPECT_EQ(GetWindowTextLengthW(edit), static_cast<int>(2 * maxNameLength));
    // Pasted past the limit: turned away whole, the text as it was.
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Bo"));
    SendMessageW(edit, EM_SETSEL, 2, 2);
    const std::wstring tooLong(maxNameLength, L'x');
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(tooLong.c_str()));
    wchar_t text[8] = {};
    GetWindowTextW(edit, text, 8);
    EXPECT_EQ(std::wstring(text), L"Bo");
    DestroyWindow(edit);
}
