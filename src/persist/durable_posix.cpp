// The POSIX half of persist/durable: descriptors, pwrite, fsync and flock.
#include "persist/durable.h"
#include "persist/durable_native.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#ifndef O_DIRECTORY
#define O_DIRECTORY 0
#endif

namespace {

int openRetrying(const std::filesystem::path& path, int flags, mode_t mode = 0)
{
    int descriptor;
    do
        descriptor = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

int descriptorOf(nativeFile::Native file)
{
    return static_cast<int>(file);
}

}  // namespace

namespace nativeFile {

unsigned long processNumber()
{
    return static_cast<unsigned long>(::getpid());
}

// A file system that cannot flush at all says so with EINVAL or ENOTSUP; a
// save there is no less complete than before, so only a failed flush (EIO,
// a full disk) counts.
bool syncToDisk(Native file)
{
    int result;
    do
        result = ::fsync(descriptorOf(file));
    while (result != 0 && errno == EINTR);
    return result == 0 || errno == EINVAL || errno == ENOTSUP;
}

void closeNative(Native file)
{
    ::close(descriptorOf(file));
}

CreateOutcome createNew(const std::filesystem::path& path, Native& file)
{
    file = openRetrying(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
    if (file >= 0)
        return CREATE_DONE;
    switch (errno) {
    case EEXIST:
    case ELOOP:  // a link planted under the name
        return CREATE_NAME_TAKEN;
    case EACCES:
    case EPERM:
    case EROFS:
        return CREATE_REFUSED;
    case ENOENT:
    case ENOTDIR:
        return CREATE_NO_FOLDER;
    default:
        return CREATE_FAILED;
    }
}

bool openForWriting(const std::filesystem::path& path, Native& file)
{
    file = openRetrying(path, O_RDWR);
    // A file we may write but not read is still ours to replace.
    if (file < 0 && errno == EACCES)
        file = openRetrying(path, O_WRONLY);
    return file >= 0;
}

bool sizeOf(Native file, uint64_t& size)
{
    struct stat status {};
    if (::fstat(descriptorOf(file), &status) != 0)
        return false;
    size = static_cast<uint64_t>(status.st_size);
    return true;
}

bool writeAt(Native file, uint64_t offset, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(descriptorOf(file), data, size, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<size_t>(written);
        offset += static_cast<uint64_t>(written);
    }
    return true;
}

bool readAt(Native file, uint64_t offset, char* data, size_t size)
{
    while (size > 0) {
        const ssize_t read = ::pread(descriptorOf(file), data, size, static_cast<off_t>(offset));
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0)
            return false;
        data += read;
        size -= static_cast<size_t>(read);
        offset += static_cast<uint64_t>(read);
    }
    return true;
}

bool cutTo(Native file, uint64_t size)
{
    int result;
    do
        result = ::ftruncate(descriptorOf(file), static_cast<off_t>(size));
    while (result != 0 && errno == EINTR);
    return result == 0;
}

bool lockNative(Native file)
{
    int result;
    do
        result = ::flock(descriptorOf(file), LOCK_EX);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

bool openForLock(const std::filesystem::path& path, Native& file)
{
    file = openRetrying(path, O_RDWR | O_CREAT, 0666);
    // A lock needs no write access: a file we may only read still locks.
    if (file < 0 && (errno == EACCES || errno == EROFS))
        file = openRetrying(path, O_RDONLY);
    return file >= 0;
}

bool stillNamedBy(Native file, const std::filesystem::path& path)
{
    struct stat held {}, current {};
    return ::fstat(descriptorOf(file), &held) == 0 && ::stat(path.c_str(), &current) == 0 && held.st_dev == current.st_dev
        && held.st_ino == current.st_ino;
}

std::string onDiskText(const std::string& text)
{
    return text;
}

}  // namespace nativeFile

using namespace nativeFile;

bool flushFileToDisk(const std::filesystem::path& file)
{
    int descriptor = openRetrying(file, O_RDONLY);
    // A file we may write but not read is flushed through a writing descriptor.
    if (descriptor < 0 && errno == EACCES)
        descriptor = openRetrying(file, O_WRONLY);
    if (descriptor < 0)
        return false;
    const bool done = syncToDisk(descriptor);
    closeNative(descriptor);
    return done;
}

bool flushFolderToDisk(const std::filesystem::path& folder)
{
    const int descriptor = openRetrying(folder.empty() ? std::filesystem::path(".") : folder, O_RDONLY | O_DIRECTORY);
    if (descriptor < 0)
        return false;
    const bool done = syncToDisk(descriptor);
    closeNative(descriptor);
    return done;
}

bool renameOver(const std::filesystem::path& from, const std::filesystem::path& to)
{
    // rename(2) replaces the target atomically.
    std::error_code error;
    std::filesystem::rename(from, to, error);
    return !error;
}
