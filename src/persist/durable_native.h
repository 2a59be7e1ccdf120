// The few file calls each system makes its own way: a handle that creates
// exclusively, writes at an offset, cuts, flushes and locks. durable_posix.cpp
// and durable_windows.cpp each make them for their system; durable.cpp builds
// the policy that is the same everywhere on top. Only persist/durable's own
// files include this: persist/durable.h is the module's interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace nativeFile {

// A descriptor, or the value of a Windows handle.
using Native = intptr_t;
constexpr Native noNative = -1;

// Why a new file could not be made.
enum CreateOutcome {
    CREATE_DONE,
    CREATE_NAME_TAKEN,     // someone else's file has the name: try another
    CREATE_REFUSED,        // the folder takes no new file (permissions, read-only)
    CREATE_NO_FOLDER,      // the folder is missing
    CREATE_FAILED,         // a full disk, a quota, no inode, a name too long...
};

unsigned long processNumber();

// Makes the file only when no file has the name, links included.
CreateOutcome createNew(const std::filesystem::path& path, Native& file);
// An existing file, to be written in place.
bool openForWriting(const std::filesystem::path& path, Native& file);
bool sizeOf(Native file, uint64_t& size);
bool writeAt(Native file, uint64_t offset, const char* data, size_t size);
bool readAt(Native file, uint64_t offset, char* data, size_t size);
bool cutTo(Native file, uint64_t size);
bool syncToDisk(Native file);
void closeNative(Native file);

// The file to lock, made when missing; then the exclusive lock, waited for.
bool openForLock(const std::filesystem::path& path, Native& file);
bool lockNative(Native file);
// Whether the name still leads to the file held, and not to one renamed over it.
bool stillNamedBy(Native file, const std::filesystem::path& path);

// Text files end their lines as the system's own programs expect.
std::string onDiskText(const std::string& text);

}  // namespace nativeFile
