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

// fsync flushes the file, whichever descriptor names it. A file system that
// cannot flush at all says so with EINVAL or ENOTSUP; a save there is no less
// complete than before, so only a failed flush (EIO, a full disk) counts.
bool flushDescriptorOf(const std::filesystem::path& path, int flags)
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
    const bool done = result == 0 || errno == EINVAL || errno == ENOTSUP;
    ::close(descriptor);
    return done;
}

}  // namespace

bool flushFileToDisk(const std::filesystem::path& file)
{
    // A file we may write but not read is flushed through a writing descriptor.
    return flushDescriptorOf(file, O_RDONLY) || (errno == EACCES && flushDescriptorOf(file, O_WRONLY));
}

bool flushFolderToDisk(const std::filesystem::path& folder)
{
    return flushDescriptorOf(folder.empty() ? std::filesystem::path(".") : folder, O_RDONLY | O_DIRECTORY);
}

bool renameOver(const std::filesystem::path& from, const std::filesystem::path& to)
{
    // rename(2) replaces the target atomically.
    std::error_code error;
    std::filesystem::rename(from, to, error);
    return !error;
}

#endif
