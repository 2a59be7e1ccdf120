#include "persist/savefiles.h"

#include "core/folders.h"
#include "core/gamestate.h"
#include "core/window.h"
#include "persist/durable.h"
#include "persist/saveformat.h"

#include <exception>
#include <fstream>
#include <mutex>
#include <sstream>
#include <system_error>

namespace {

const char* const autosaveName = "autosave.sav";

enum LoadResult {
    LOAD_DONE,
    LOAD_NOT_OPENED,
    LOAD_DAMAGED,
};

LoadResult loadFrom(const std::filesystem::path& path)
{
    try {
        std::error_code error;
        // A folder opens as a stream on some systems and only fails on reading.
        if (std::filesystem::is_directory(path, error))
            return LOAD_NOT_OPENED;
        std::ifstream file(path);
        if (!file.is_open())
            return LOAD_NOT_OPENED;
        return readGameState(file) ? LOAD_DONE : LOAD_DAMAGED;
    } catch (const std::exception&) {
        return LOAD_NOT_OPENED;
    }
}

}  // namespace

bool loadGameFromFile(const std::filesystem::path& path)
{
    switch (loadFrom(path)) {
    case LOAD_DONE:
        return true;
    case LOAD_NOT_OPENED:
        showMessage("Couldn't open file to load game");
        return false;
    case LOAD_DAMAGED:
        showMessage("Couldn't load game: the file is damaged or not a saved game");
        return false;
    }
    return false;
}

bool saveGameToFile(const std::filesystem::path& path)
{
    std::ostringstream text;
    bool written;
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        written = writeGameState(text);
    }
    if (!written) {
        showMessage("Couldn't write file to save game");
        return false;
    }
    switch (replaceFileContents(path, text.str())) {
    case WRITE_DONE:
        return true;
    case WRITE_NOT_OPENED:
        showMessage("Couldn't open file to save game");
        return false;
    case WRITE_FAILED:
        showMessage("Couldn't write file to save game");
        return false;
    }
    return false;
}

bool loadAutosave()
{
    const auto folder = stateFolder();
    return !folder.empty() && loadFrom(folder / autosaveName) == LOAD_DONE;
}

void writeAutosave()
{
    if (const auto folder = stateFolder(); !folder.empty())
        saveGameToFile(folder / autosaveName);
}
