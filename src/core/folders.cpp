#include "core/folders.h"

#include "core/window.h"

#include <cstdlib>
#include <exception>
#include <system_error>
#include <vector>

std::filesystem::path gameDirectory;
GameFolders installedFolders;

namespace {

std::filesystem::path folderOrGameDirectory(const std::filesystem::path& folder)
{
    return folder.empty() ? gameDirectory : folder;
}

// Every folder made on the way is the player's alone, as the XDG base
// directory rules ask of folders an application creates there. A folder that
// cannot be made is left to the write that follows, which then reports it.
// Without a home folder there is none.
std::filesystem::path playersOwnFolder(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    if (!installedFolders.keepsFiles)
        return {};
    if (folder.empty())
        return gameDirectory;
    std::error_code error;
    if (fs::is_directory(folder, error))
        return folder;
    std::vector<fs::path> missing;
    for (fs::path at = folder; !at.empty() && !fs::exists(at, error); at = at.parent_path()) {
        missing.push_back(at);
        if (at == at.parent_path())
            break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        if (fs::create_directory(*it, error))
            fs::permissions(*it, fs::perms::owner_all, fs::perm_options::replace, error);
    return folder;
}

}  // namespace

std::filesystem::path dataFolder() { return folderOrGameDirectory(installedFolders.data); }
std::filesystem::path configFolder() { return playersOwnFolder(installedFolders.config); }
std::filesystem::path stateFolder() { return playersOwnFolder(installedFolders.state); }
std::filesystem::path playerFolder() { return playersOwnFolder(installedFolders.player); }

void findGameDirectory()
{
    std::error_code error;
    std::filesystem::path directory;
    try {
        directory = std::filesystem::current_path(error);
    } catch (const std::exception&) {
        error = std::make_error_code(std::errc::not_enough_memory);
    }
    if (error || directory.empty()) {
        showMessage("Failed to get currect game directory, error code: %d", error.value());
        std::exit(0);
    }
    gameDirectory = directory;
}
