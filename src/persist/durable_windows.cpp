// The Windows half of persist/durable: file handles, overlapped writes,
// FlushFileBuffers and LockFileEx.
#include "persist/durable.h"
#include "persist/durable_native.h"

#include <algorithm>

#include <windows.h>

namespace {

HANDLE handleOf(nativeFile::Native file)
{
    return reinterpret_cast<HANDLE>(file);
}

nativeFile::Native nativeOf(HANDLE handle)
{
    return reinterpret_cast<nativeFile::Native>(handle);
}

}  // namespace

namespace nativeFile {

unsigned long processNumber()
{
    return GetCurrentProcessId();
}

CreateOutcome createNew(const std::filesystem::path& path, Native& file)
{
    file = nativeOf(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file != noNative)
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
    file = nativeOf(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return file != noNative;
}

bool sizeOf(Native file, uint64_t& size)
{
    LARGE_INTEGER value;
    if (!GetFileSizeEx(handleOf(file), &value))
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
        if (!WriteFile(handleOf(file), data, chunk, &written, &at) || written == 0)
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
        if (!ReadFile(handleOf(file), data, chunk, &read, &at) || read == 0)
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
    return SetFileInformationByHandle(handleOf(file), FileEndOfFileInfo, &end, sizeof end) != 0;
}

bool syncToDisk(Native file)
{
    return FlushFileBuffers(handleOf(file)) != 0;
}

void closeNative(Native file)
{
    CloseHandle(handleOf(file));
}

// Windows keeps the readers of a locked range out, even in this process: the
// lock sits on a byte far beyond any data instead.
bool lockNative(Native file)
{
    OVERLAPPED at{};
    at.Offset = 0;
    at.OffsetHigh = 0x7FFFFFF0;
    return LockFileEx(handleOf(file), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0;
}

bool openForLock(const std::filesystem::path& path, Native& file)
{
    file = nativeOf(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return file != noNative;
}

bool stillNamedBy(Native file, const std::filesystem::path& path)
{
    const HANDLE named = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (named == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION held{}, current{};
    const bool same = GetFileInformationByHandle(handleOf(file), &held) && GetFileInformationByHandle(named, &current)
        && held.dwVolumeSerialNumber == current.dwVolumeSerialNumber && held.nFileIndexHigh == current.nFileIndexHigh
        && held.nFileIndexLow == current.nFileIndexLow;
    CloseHandle(named);
    return same;
}

// Windows' own programs expect CR LF; the game's readers take either.
std::string onDiskText(const std::string& text)
{
    std::string lines;
    lines.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            lines += '\r';
        lines += text[i];
    }
    return lines;
}

}  // namespace nativeFile

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
