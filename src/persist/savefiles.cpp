#include "persist/savefiles.h"

#include "core/gamestate.h"
#include "core/services.h"
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

// A read-only file stays as it is, even where the system would let a rename
// replace it, and so does anything that is not a plain file.
bool mayReplace(const std::filesystem::path& target)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(target, error);
    if (error)
        return false;
    if (!std::filesystem::is_regular_file(status))
        return false;
    using std::filesystem::perms;
    if ((status.permissions() & perms::owner_write) == perms::none)
        return false;
    std::ofstream probe(target, std::ios::app);
    return probe.is_open();
}

// Creates or truncates the file and writes all of it through to the disk.
FileWriteResult writeWhole(const std::filesystem::path& path, const std::string& contents)
{
    {
        std::ofstream file(path, std::ios::out | std::ios::trunc);
        if (!file.is_open())
            return WRITE_NOT_OPENED;
        file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        file.flush();
        file.close();
        if (file.fail())
            return WRITE_FAILED;
    }
    return flushFileToDisk(path) ? WRITE_DONE : WRITE_FAILED;
}

}  // namespace

FileWriteResult replaceFileContents(const std::filesystem::path& requested, const std::string& contents)
{
    namespace fs = std::filesystem;
    try {
        std::error_code error;
        fs::path target = requested;
        // Saving through a link replaces the file it points to, not the link.
        if (fs::is_symlink(fs::symlink_status(requested, error))) {
            target = fs::weakly_canonical(requested, error);
            if (error)
                return WRITE_NOT_OPENED;
        }
        const bool targetExists = fs::exists(fs::symlink_status(target, error));
        if (targetExists && !mayReplace(target))
            return WRITE_NOT_OPENED;

        fs::path temporary = target;
        temporary += ".tmp";
        // A leftover of an interrupted save is ours; removing it first also
        // keeps a planted link from redirecting the write.
        fs::remove(temporary, error);

        switch (writeWhole(temporary, contents)) {
        case WRITE_DONE:
            break;
        case WRITE_NOT_OPENED:
            // A folder that takes no new file (read-only, or something of
            // someone else's in the way) may still hold a writable target:
            // a direct write then keeps the save, without the safety net.
            return writeWhole(target, contents);
        case WRITE_FAILED:
            fs::remove(temporary, error);
            return WRITE_FAILED;
        }
        if (targetExists) {
            const fs::perms kept = fs::status(target, error).permissions();
            if (!error)
                fs::permissions(temporary, kept, error);
        }
        if (!renameOver(temporary, target)) {
            fs::remove(temporary, error);
            // Windows will not rename over a file that another program holds
            // open without leave to delete it, though that program may well
            // let us write it: the save then goes into the file itself.
            return targetExists ? writeWhole(target, contents) : WRITE_FAILED;
        }
        // The new name is on the disk too; the file itself is complete
        // whether or not the folder could be flushed.
        flushFolderToDisk(target.parent_path());
        return WRITE_DONE;
    } catch (const std::exception&) {
        return WRITE_FAILED;
    }
}

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
