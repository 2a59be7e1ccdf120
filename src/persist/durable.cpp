#include "persist/durable.h"
#include "persist/durable_native.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <string_view>
#include <system_error>

using namespace nativeFile;

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
// games saving at once never write into each other's file. A fixed mark and
// numbers of a fixed width make them the game's own beyond doubt: the sweep
// below takes nothing else, however much a player's file looks like a leftover.
std::atomic<uint32_t> temporaryCount{0};
constexpr std::string_view temporarySuffix = ".tmp";
constexpr size_t numberDigits = 8;

std::string bytesOf(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string hexNumber(uint32_t value)
{
    std::string digits(numberDigits, '0');
    for (size_t i = numberDigits; i-- > 0; value >>= 4)
        digits[i] = "0123456789abcdef"[value & 0xF];
    return digits;
}

bool isHexNumber(std::string_view text)
{
    return text.size() == numberDigits
        && std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// FNV-1a: unlike std::hash, the same number for the same name in every run
// and on every system, as the sweep of a later run needs.
uint32_t nameHash(std::string_view name)
{
    uint32_t hash = 2166136261u;
    for (const char c : name)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

// What every temporary for the target starts with. The target's name stands
// in it only as a number, so that the temporary's name is short and of one
// length: a target whose name is near the system's limit saves as any other.
// Two targets that get the same number share no more than the sweep of
// their stale leftovers: process and count still keep temporaries apart.
std::string temporaryStem(const fs::path& target)
{
    return "dralen-" + hexNumber(nameHash(bytesOf(target.filename()))) + "-";
}

fs::path temporaryName(const fs::path& target, uint32_t number)
{
    const std::string name = temporaryStem(target) + hexNumber(static_cast<uint32_t>(processNumber())) + "-"
        + hexNumber(number) + std::string(temporarySuffix);
    return target.parent_path() / fs::path(std::u8string(name.begin(), name.end()));
}

// Exactly the names temporaryName gives, and no other.
bool isOwnTemporary(std::string_view name, std::string_view stem)
{
    if (name.size() != stem.size() + 2 * numberDigits + 1 + temporarySuffix.size() || !name.starts_with(stem)
        || !name.ends_with(temporarySuffix))
        return false;
    const std::string_view numbers = name.substr(stem.size(), 2 * numberDigits + 1);
    return isHexNumber(numbers.substr(0, numberDigits)) && numbers[numberDigits] == '-'
        && isHexNumber(numbers.substr(numberDigits + 1));
}

// Temporaries an interrupted save left behind. Only ones old enough that no
// running save can still be writing them go: a writer never takes away a
// file that may be another's work in progress. Older versions named theirs
// "<file>.<process>.<number>.tmp", a name a player's own copy may have as
// well: those stay.
void sweepLeftovers(const fs::path& target)
{
    std::error_code error;
    const std::string stem = temporaryStem(target);
    const auto stale = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::directory_iterator entries(target.parent_path().empty() ? fs::path(".") : target.parent_path(), error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        if (!isOwnTemporary(bytesOf(entries->path().filename()), stem))
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
    // waited for; the lock on the old one guards nothing then, and we wait
    // again. A crowd of games ending at once sends the last of them back
    // once for every one before it, so the waiting is bounded by time, not
    // by a count of turns.
    const auto giveUp = std::chrono::steady_clock::now() + lockPatience;
    do {
        Native native = noNative;
        if (!openForLock(file, native))
            return;
        if (lockNative(native) && stillNamedBy(native, file)) {
            handle = native;
            return;
        }
        closeNative(native);
    } while (std::chrono::steady_clock::now() < giveUp);
}

FileLock::~FileLock()
{
    if (held())
        closeNative(handle);
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
