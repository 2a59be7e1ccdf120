// Dralen for Windows: a customisable falling-block puzzle game.
#include "win32/mainwindow.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (!startGame(instance, showCommand))
        return 0;
    return runMessageLoop();
}
