#include "persist/durable.h"

#include <system_error>

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

bool flushFileToDisk(const std::filesystem::path& file)
{
    // FlushFileBuffers needs a handle with write access.
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const BOOL flushed = FlushFileBuffers(handle);
    CloseHandle(handle);
    return flushed != 0;
}

bool flushFolderToDisk(const std::filesystem::path&)
{
    // NTFS journals its names itself; a folder cannot be flushed like a file.
    return true;
}

bool renameOver(const std::filesystem::path& from, const std::filesystem::path& to)
{
    // Write-through: the call returns only once the new name is on the disk.
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

#else

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#ifndef O_DIRECTORY
#define O_DIRECTORY 0
#endif

// fsync flushes the file, whichever descriptor names it.
bool flushDescriptorOf(const std::filesystem::path& path, int flags, bool refusalIsDone)
{
    int descriptor;
    do
        descriptor = ::open(path.c_str(), flags | O_CLOEXEC);
    while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0)
        return false;
    int result;
    do
        result = ::fsync(descriptor);
    while (result != 0 && errno == EINTR);
    // Some file systems have nothing to flush for a folder and say so.
    const bool done = result == 0 || (refusalIsDone && (errno == EINVAL || errno == ENOTSUP));
    ::close(descriptor);
    return done;
}

}  // namespace

bool flushFileToDisk(const std::filesystem::path& file)
{
    return flushDescriptorOf(file, O_RDONLY, false);
}

bool flushFolderToDisk(const std::filesystem::path& folder)
{
    return flushDescriptorOf(folder.empty() ? std::filesystem::path(".") : folder, O_RDONLY | O_DIRECTORY, true);
}

bool renameOver(const std::filesystem::path& from, const std::filesystem::path& to)
{
    // rename(2) replaces the target atomically.
    std::error_code error;
    std::filesystem::rename(from, to, error);
    return !error;
}

#endif
