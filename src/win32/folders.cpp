#include "win32/folders.h"

#include "core/folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace {

bool portable = true;
const wchar_t* const portableMarker = L"dralen-portable.txt";

std::filesystem::path knownFolder(const KNOWNFOLDERID& id)
{
    PWSTR path = nullptr;
    std::filesystem::path folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path)) && path != nullptr)
        folder = path;
    CoTaskMemFree(path);
    return folder;
}

std::filesystem::path programFolder()
{
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            return {};
        if (length < name.size())
            return std::filesystem::path(std::wstring(name.data(), length)).parent_path();
        name.resize(name.size() * 2);
    }
}

}  // namespace

void findGameFolders()
{
    findGameDirectory();
    std::error_code error;
    const std::filesystem::path program = programFolder();
    // The unpacked zip: everything beside the program, wherever it was
    // started from.
    if (!program.empty() && std::filesystem::exists(program / portableMarker, error)) {
        gameDirectory = program;
        portable = true;
        installedFolders = GameFolders{};
        return;
    }
    // The classic way: a folder with levels/ to start in, as long as the
    // program has no data of its own beside it. An installed game, whose
    // shortcut starts it in its own folder, never writes there.
    const bool dataBesideProgram = !program.empty() && std::filesystem::is_directory(program / "levels", error);
    portable = !dataBesideProgram && std::filesystem::is_directory(gameDirectory / "levels", error);
    if (portable) {
        installedFolders = GameFolders{};
        return;
    }
    const std::filesystem::path roaming = knownFolder(FOLDERID_RoamingAppData);
    const std::filesystem::path local = knownFolder(FOLDERID_LocalAppData);
    installedFolders.data = programFolder();
    installedFolders.config = roaming.empty() ? std::filesystem::path() : roaming / L"Dralen";
    installedFolders.player = installedFolders.config;
    installedFolders.state = local.empty() ? installedFolders.config : local / L"Dralen";
}

std::wstring fileDialogFolder()
{
    if (portable)
        return {};
    return knownFolder(FOLDERID_Documents).wstring();
}
