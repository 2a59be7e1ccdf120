#include "win32/menus.h"

#include "ui/commands.h"
#include "win32/utf16.h"

namespace {

void buildMenu(HMENU menu, const MenuNode& node)
{
    for (const MenuNode& child : node.children) {
        if (child.isSeparator()) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else if (!child.children.empty()) {
            HMENU submenu = CreatePopupMenu();
            buildMenu(submenu, child);
            AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(submenu),
                        wideFromUtf8(child.caption).c_str());
        } else {
            AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(child.id), wideFromUtf8(child.caption).c_str());
            if (menuItemIsChoice(child.id)) {
                // A round mark, set on each item by itself: the items of one
                // submenu need not have neighbouring ids.
                MENUITEMINFOW info{};
                info.cbSize = sizeof info;
                info.fMask = MIIM_FTYPE;
                info.fType = MFT_STRING | MFT_RADIOCHECK;
                SetMenuItemInfoW(menu, static_cast<UINT>(child.id), FALSE, &info);
            }
        }
    }
}

}  // namespace

HMENU buildMenuBar()
{
    HMENU bar = CreateMenu();
    for (const MenuNode& node : menuTree()) {
        HMENU menu = CreatePopupMenu();
        buildMenu(menu, node);
        AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu), wideFromUtf8(node.caption).c_str());
    }
    return bar;
}

void applyMenu(HMENU bar, const std::vector<MenuItemState>& items)
{
    for (const MenuItemState& item : items) {
        const UINT id = static_cast<UINT>(item.id);
        if (item.checkable)
            CheckMenuItem(bar, id, MF_BYCOMMAND | (item.checked ? MF_CHECKED : MF_UNCHECKED));
        EnableMenuItem(bar, id, MF_BYCOMMAND | (item.enabled ? MF_ENABLED : MF_GRAYED));
    }
}
