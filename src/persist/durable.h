// Getting a written file onto the disk itself, so that a power cut right after
// a save cannot leave an empty or half-written file where the old one stood.
#pragma once

#include <filesystem>

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
