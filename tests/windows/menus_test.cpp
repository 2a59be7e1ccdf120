// The Windows menu bar as the player sees it, read back through the Win32
// API: one round mark in each one-of-many submenu, wherever its items' ids
// lie, and the shell's greyed zoom factors.
#include "persist/settings.h"
#include "ui/commands.h"
#include "ui/shell.h"
#include "win32/menus.h"
#include "support/gametest.h"

namespace {

UINT menuState(HMENU bar, int32_t id)
{
    return GetMenuState(bar, static_cast<UINT>(id), MF_BYCOMMAND);
}

bool radioType(HMENU bar, int32_t id)
{
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    return GetMenuItemInfoW(bar, static_cast<UINT>(id), FALSE, &info) && (info.fType & MFT_RADIOCHECK) != 0;
}

}  // namespace

class WindowsMenuTest : public GameTest {};

TEST_F(WindowsMenuTest, EveryChoiceSubmenuShowsTheMarkOfItsItem)
{
    HMENU bar = buildMenuBar();
    ASSERT_NE(bar, nullptr);
    // Shifting Speed's items run 40053, 40046-40048, 40054: no id range.
    for (const int32_t speed : {5, 8, 10, 15, 20}) {
        game.shiftSpeed = speed;
        game.fastFallSpeed = speed % 5 + 1;
        applyMenu(bar, shellMenuStates());
        int marked = 0;
        for (const MenuItemState& item : shellMenuStates()) {
            const bool shown = (menuState(bar, item.id) & MF_CHECKED) != 0;
            EXPECT_EQ(shown, item.checked) << item.id;
            EXPECT_EQ(radioType(bar, item.id), item.radio) << item.id;
            EXPECT_EQ((menuState(bar, item.id) & MF_GRAYED) == 0, item.enabled) << item.id;
            marked += item.radio && shown;
        }
        EXPECT_EQ(marked, 4) << "style, shifting speed, fast fall speed and zoom, at shifting speed " << speed;
    }
    DestroyMenu(bar);
}
