#include "win32/filedialog.h"

#include "persist/halloffame.h"
#include "ui/texts.h"
#include "win32/folders.h"
#include "win32/utf16.h"

#include <commdlg.h>

#include <vector>

namespace {

// What each dialog was last given, kept for the next time it opens.
std::wstring remembered[3];

}  // namespace

std::optional<std::string> chooseGameFile(HWND owner, FileChoice choice)
{
    const bool save = choice == FILE_SAVE_GAME;
    const bool replay = choice == FILE_WATCH_REPLAY;
    std::wstring& last = remembered[choice];
    std::vector<wchar_t> name(4096, L'\0');
    last.copy(name.data(), name.size() - 1);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    // Pairs of name and pattern, each ending in a zero, and a zero after the last.
    const char* const pattern = replay ? replayFilePattern : saveFilePattern;
    std::wstring filter =
        wideFromUtf8(std::string(replay ? replayFileKindName : saveFileKindName) + " (" + pattern + ")");
    filter += L'\0';
    filter += wideFromUtf8(pattern);
    filter += L'\0';
    const std::wstring suffix = wideFromUtf8(replay ? replayFileSuffix : saveFileSuffix);
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrDefExt = suffix.c_str();
    // A remembered name carries its folder; until there is one, the
    // documents folder of an installed game.
    const std::filesystem::path replays = replay ? hallReplayFolder() : std::filesystem::path();
    const std::wstring folder = replays.empty() ? fileDialogFolder() : replays.wstring();
    if (last.empty() && !folder.empty())
        dialog.lpstrInitialDir = folder.c_str();
    // The game opens its files by full path, so the dialog may leave the
    // working directory where the player left it.
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER
        | (save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen)
        return std::nullopt;
    last = name.data();
    return utf8FromWide(last);
}
