// How the game replaces a file: never so that a crash, a full disk or a second
// running game can leave an empty, half-written or lost file where the old
// one stood. Every file the game writes goes through here as bytes.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

// Writes the file's contents through every cache to the disk. False when the
// file cannot be opened or the system reports the flush failed.
bool flushFileToDisk(const std::filesystem::path& file);

// Makes the folder's list of names durable, so that a file just renamed into
// it keeps its new name after a power cut. Where folders need no flush of
// their own (Windows, file systems that refuse it) this succeeds at once.
bool flushFolderToDisk(const std::filesystem::path& folder);

// Renames the file over the target in one step, replacing a target that
// exists: a reader sees either the old or the new file, never neither.
bool renameOver(const std::filesystem::path& from, const std::filesystem::path& to);

enum FileWriteResult {
    WRITE_DONE = 0,
    WRITE_NOT_OPENED = 1,  // the target or its temporary could not be opened
    WRITE_FAILED = 2,      // opened, but the contents did not reach the disk
};

// Replaces the file's contents with the text, its lines ending in CR LF on
// Windows and LF elsewhere. The new contents go to a temporary file of
// this writer's own beside the target, are flushed to the disk and renamed
// over the target, so that a reader sees the old file or the new one. Only
// where the folder takes no new file (no permission, read-only) but the
// target may be written is it overwritten in place, with the room for the
// new contents taken before any old byte is touched. A full disk never costs
// the old file. An existing target that is read-only or no regular file is
// left alone; through a link, the file the link points to is written (and
// made in the link's folder when missing). Shows no message.
FileWriteResult replaceFileContents(const std::filesystem::path& target, const std::string& contents);

// An exclusive lock on a file that several running games read, change and
// write, held while the object lives. The system lets go of it when the
// process ends, however it ends, so it never goes stale. The file is made,
// empty, when missing. A holder may replace the file with replaceFileContents:
// whoever waited for the old file takes the lock on the new one instead.
class FileLock {
public:
    // How long a writer goes on waiting while others replace the file under
    // it; after that the lock is not held.
    static constexpr std::chrono::seconds lockPatience{60};
    explicit FileLock(const std::filesystem::path& file);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // False when the file could neither be opened nor made, or others kept
    // replacing it for longer than lockPatience. Nothing is to be written
    // then.
    bool held() const { return handle != noHandle; }

private:
    static constexpr intptr_t noHandle = -1;
    intptr_t handle = noHandle;
};

// Sets a copy of the contents aside under the first of "<file><suffix>",
// "<file><suffix>.1", "<file><suffix>.2", ... that is free, claimed so that
// no other writer takes the same name. The name used, or nothing.
std::optional<std::filesystem::path> keepNumberedCopy(const std::filesystem::path& file, const std::string& suffix,
                                                      const std::string& contents);

// Moves the file itself aside in the same way, for a file too big to copy.
std::optional<std::filesystem::path> moveToNumberedName(const std::filesystem::path& file, const std::string& suffix);
