#include "persist/durable.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <string_view>
#include <system_error>

// The few calls each system makes its own way: a file handle that creates
// exclusively, writes at an offset, cuts, flushes and locks. The policy on
// top of them is the same everywhere.
namespace {

// Why a new file could not be made.
enum CreateOutcome {
    CREATE_DONE,
    CREATE_NAME_TAKEN,     // someone else's file has the name: try another
    CREATE_REFUSED,        // the folder takes no new file (permissions, read-only)
    CREATE_NO_FOLDER,      // the folder is missing
    CREATE_FAILED,         // a full disk, a quota, no inode, a name too long...
};

}  // namespace

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

using Native = HANDLE;
const Native noNative = INVALID_HANDLE_VALUE;

intptr_t toHandle(Native file)
{
    return reinterpret_cast<intptr_t>(file);
}

Native fromHandle(intptr_t handle)
{
    return reinterpret_cast<Native>(handle);
}

unsigned long processNumber()
{
    return GetCurrentProcessId();
}

CreateOutcome createNew(const std::filesystem::path& path, Native& file)
{
    file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        return CREATE_DONE;
    switch (GetLastError()) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return CREATE_NAME_TAKEN;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return CREATE_REFUSED;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
        return CREATE_NO_FOLDER;
    default:
        return CREATE_FAILED;
    }
}

bool openForWriting(const std::filesystem::path& path, Native& file)
{
    // Shared as the game's own readers share it, so that a program that
    // keeps the file open for reading does not stop the save.
    file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE;
}

bool sizeOf(Native file, uint64_t& size)
{
    LARGE_INTEGER value;
    if (!GetFileSizeEx(file, &value))
        return false;
    size = static_cast<uint64_t>(value.QuadPart);
    return true;
}

bool writeAt(Native file, uint64_t offset, const char* data, size_t size)
{
    while (size > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, &at) || written == 0)
            return false;
        data += written;
        size -= written;
        offset += written;
    }
    return true;
}

bool readAt(Native file, uint64_t offset, char* data, size_t size)
{
    while (size > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        DWORD read = 0;
        if (!ReadFile(file, data, chunk, &read, &at) || read == 0)
            return false;
        data += read;
        size -= read;
        offset += read;
    }
    return true;
}

bool cutTo(Native file, uint64_t size)
{
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    return SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof end) != 0;
}

bool syncToDisk(Native file)
{
    return FlushFileBuffers(file) != 0;
}

void closeNative(Native file)
{
    CloseHandle(file);
}

// Windows keeps the readers of a locked range out, even in this process: the
// lock sits on a byte far beyond any data instead.
bool lockNative(Native file)
{
    OVERLAPPED at{};
    at.Offset = 0;
    at.OffsetHigh = 0x7FFFFFF0;
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0;
}

bool openForLock(const std::filesystem::path& path, Native& file)
{
    file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE;
}

bool stillNamedBy(Native file, const std::filesystem::path& path)
{
    const HANDLE named = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (named == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION held{}, current{};
    const bool same = GetFileInformationByHandle(file, &held) && GetFileInformationByHandle(named, &current)
        && held.dwVolumeSerialNumber == current.dwVolumeSerialNumber && held.nFileIndexHigh == current.nFileIndexHigh
        && held.nFileIndexLow == current.nFileIndexLow;
    CloseHandle(named);
    return same;
}

}  // namespace

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
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#ifndef O_DIRECTORY
#define O_DIRECTORY 0
#endif

using Native = int;
const Native noNative = -1;

intptr_t toHandle(Native file)
{
    return file;
}

Native fromHandle(intptr_t handle)
{
    return static_cast<Native>(handle);
}

unsigned long processNumber()
{
    return static_cast<unsigned long>(::getpid());
}

Native openRetrying(const std::filesystem::path& path, int flags, mode_t mode = 0)
{
    int descriptor;
    do
        descriptor = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

// A file system that cannot flush at all says so with EINVAL or ENOTSUP; a
// save there is no less complete than before, so only a failed flush (EIO,
// a full disk) counts.
bool syncToDisk(Native file)
{
    int result;
    do
        result = ::fsync(file);
    while (result != 0 && errno == EINTR);
    return result == 0 || errno == EINVAL || errno == ENOTSUP;
}

void closeNative(Native file)
{
    ::close(file);
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
    if (::fstat(file, &status) != 0)
        return false;
    size = static_cast<uint64_t>(status.st_size);
    return true;
}

bool writeAt(Native file, uint64_t offset, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(file, data, size, static_cast<off_t>(offset));
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
        const ssize_t read = ::pread(file, data, size, static_cast<off_t>(offset));
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
        result = ::ftruncate(file, static_cast<off_t>(size));
    while (result != 0 && errno == EINTR);
    return result == 0;
}

bool lockNative(Native file)
{
    int result;
    do
        result = ::flock(file, LOCK_EX);
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
    return ::fstat(file, &held) == 0 && ::stat(path.c_str(), &current) == 0 && held.st_dev == current.st_dev
        && held.st_ino == current.st_ino;
}

}  // namespace

bool flushFileToDisk(const std::filesystem::path& file)
{
    Native descriptor = openRetrying(file, O_RDONLY);
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
    const Native descriptor = openRetrying(folder.empty() ? std::filesystem::path(".") : folder, O_RDONLY | O_DIRECTORY);
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

#endif

namespace {

namespace fs = std::filesystem;

// Closes the handle however the function is left.
class HeldFile {
public:
    HeldFile() = default;
    ~HeldFile()
    {
        if (native != noNative)
            closeNative(native);
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    Native native = noNative;
};

// Temporary names are this process's own, and numbered within it, so two
// games saving at once never write into each other's file.
std::atomic<unsigned> temporaryCount{0};
const std::string_view temporarySuffix = ".tmp";

fs::path temporaryName(const fs::path& target, unsigned number)
{
    fs::path name = target;
    name += "." + std::to_string(processNumber()) + "." + std::to_string(number) + std::string(temporarySuffix);
    return name;
}

// Temporaries an interrupted save left behind. Only ones old enough that no
// running save can still be writing them go: a writer never takes away a
// file that may be another's work in progress.
void sweepLeftovers(const fs::path& target)
{
    std::error_code error;
    const std::string prefix = target.filename().string() + ".";
    const auto stale = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::directory_iterator entries(target.parent_path().empty() ? fs::path(".") : target.parent_path(), error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        if (name.size() <= prefix.size() + temporarySuffix.size() || name.compare(0, prefix.size(), prefix) != 0
            || name.compare(name.size() - temporarySuffix.size(), temporarySuffix.size(), temporarySuffix) != 0)
            continue;
        std::error_code ignored;
        if (entries->is_regular_file(ignored) && entries->last_write_time(ignored) < stale && !ignored)
            fs::remove(entries->path(), ignored);
    }
}

// A read-only file stays as it is, even where the system would let a rename
// replace it, and so does anything that is not a plain file.
bool mayReplace(const fs::path& target)
{
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    if (error || !fs::is_regular_file(status))
        return false;
    if ((status.permissions() & fs::perms::owner_write) == fs::perms::none)
        return false;
    HeldFile probe;
    return openForWriting(target, probe.native);
}

// The file a link points to, through any number of links; the name itself
// when it is none. Empty when the links go round in a circle.
fs::path followLinks(fs::path path)
{
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error)))
            return path;
        const fs::path next = fs::read_symlink(path, error);
        if (error)
            return {};
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return {};
}

// The in-place case: no temporary file, so the old contents are what a
// failure must leave. The file first grows to take the new length (written
// past the old end, the old bytes still whole), only then is the start
// overwritten and the rest cut off; a failure on the way puts the old bytes back.
FileWriteResult writeInPlace(const fs::path& target, const std::string& contents)
{
    HeldFile file;
    if (!openForWriting(target, file.native))
        return WRITE_NOT_OPENED;
    uint64_t oldSize = 0;
    if (!sizeOf(file.native, oldSize))
        return WRITE_FAILED;
    std::string old(static_cast<size_t>(oldSize), '\0');
    const bool canRestore = readAt(file.native, 0, old.data(), old.size());
    const uint64_t newSize = contents.size();
    if (newSize > oldSize
        && !writeAt(file.native, oldSize, contents.data() + oldSize, static_cast<size_t>(newSize - oldSize))) {
        cutTo(file.native, oldSize);
        syncToDisk(file.native);
        return WRITE_FAILED;
    }
    const size_t overlap = static_cast<size_t>(std::min(oldSize, newSize));
    if (writeAt(file.native, 0, contents.data(), overlap) && cutTo(file.native, newSize) && syncToDisk(file.native))
        return WRITE_DONE;
    if (canRestore && writeAt(file.native, 0, old.data(), old.size()))
        cutTo(file.native, oldSize);
    syncToDisk(file.native);
    return WRITE_FAILED;
}

// Text files end their lines as the system's own programs expect: CR LF on
// Windows, where the game's readers take either.
std::string onDiskText(const std::string& text)
{
#ifdef _WIN32
    std::string lines;
    lines.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            lines += '\r';
        lines += text[i];
    }
    return lines;
#else
    return text;
#endif
}

// Makes a new file under a name no one else has; the name, or why not.
CreateOutcome createOwnTemporary(const fs::path& target, HeldFile& file, fs::path& name)
{
    for (int attempt = 0; attempt < 64; ++attempt) {
        name = temporaryName(target, temporaryCount.fetch_add(1));
        const CreateOutcome outcome = createNew(name, file.native);
        if (outcome != CREATE_NAME_TAKEN)
            return outcome;
    }
    return CREATE_FAILED;
}

// Claims the first free numbered name beside the file.
std::optional<fs::path> claimNumberedName(const fs::path& file, const std::string& suffix, HeldFile& claimed)
{
    for (int number = 0; number < 1000; ++number) {
        fs::path name = file;
        name += suffix;
        if (number > 0)
            name += "." + std::to_string(number);
        switch (createNew(name, claimed.native)) {
        case CREATE_DONE:
            return name;
        case CREATE_NAME_TAKEN:
            continue;
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

FileWriteResult replaceFileContents(const fs::path& requested, const std::string& text)
{
    try {
        const std::string contents = onDiskText(text);
        const fs::path target = followLinks(requested);
        if (target.empty())
            return WRITE_NOT_OPENED;
        std::error_code error;
        const bool targetExists = fs::exists(fs::symlink_status(target, error));
        if (targetExists && !mayReplace(target))
            return WRITE_NOT_OPENED;
        sweepLeftovers(target);

        HeldFile temporary;
        fs::path temporaryPath;
        switch (createOwnTemporary(target, temporary, temporaryPath)) {
        case CREATE_DONE:
            break;
        case CREATE_REFUSED:
            // A folder that takes no new file may still hold a writable target.
            return targetExists ? writeInPlace(target, contents) : WRITE_NOT_OPENED;
        case CREATE_NO_FOLDER:
            return WRITE_NOT_OPENED;
        default:
            // No room for a second copy is no reason to give up the first.
            return WRITE_FAILED;
        }
        const bool written = writeAt(temporary.native, 0, contents.data(), contents.size())
            && syncToDisk(temporary.native);
        closeNative(temporary.native);
        temporary.native = noNative;
        if (!written) {
            fs::remove(temporaryPath, error);
            return WRITE_FAILED;
        }
        if (targetExists) {
            const fs::perms kept = fs::status(target, error).permissions();
            if (!error)
                fs::permissions(temporaryPath, kept, error);
        }
        if (!renameOver(temporaryPath, target)) {
            fs::remove(temporaryPath, error);
            // Windows will not rename over a file that another program holds
            // open without leave to delete it, though that program may well
            // let us write it: the save then goes into the file itself.
            return targetExists ? writeInPlace(target, contents) : WRITE_FAILED;
        }
        // The new name is on the disk too; the file itself is complete
        // whether or not the folder could be flushed.
        flushFolderToDisk(target.parent_path());
        return WRITE_DONE;
    } catch (const std::exception&) {
        return WRITE_FAILED;
    }
}

FileLock::FileLock(const fs::path& file)
{
    // Whoever held the lock may have renamed a new file over the one we
    // waited for; the lock on the old one guards nothing then.
    for (int attempt = 0; attempt < 100; ++attempt) {
        Native native = noNative;
        if (!openForLock(file, native))
            return;
        if (lockNative(native) && stillNamedBy(native, file)) {
            handle = toHandle(native);
            return;
        }
        closeNative(native);
    }
}

FileLock::~FileLock()
{
    if (held())
        closeNative(fromHandle(handle));
}

std::optional<fs::path> keepNumberedCopy(const fs::path& file, const std::string& suffix, const std::string& contents)
{
    HeldFile copy;
    const std::optional<fs::path> name = claimNumberedName(file, suffix, copy);
    if (!name)
        return std::nullopt;
    if (!writeAt(copy.native, 0, contents.data(), contents.size()) || !syncToDisk(copy.native)) {
        closeNative(copy.native);
        copy.native = noNative;
        std::error_code ignored;
        fs::remove(*name, ignored);
        return std::nullopt;
    }
    return name;
}

std::optional<fs::path> moveToNumberedName(const fs::path& file, const std::string& suffix)
{
    std::optional<fs::path> name;
    {
        HeldFile claimed;
        name = claimNumberedName(file, suffix, claimed);
    }
    if (name && !renameOver(file, *name)) {
        std::error_code ignored;
        fs::remove(*name, ignored);
        return std::nullopt;
    }
    return name;
}
