#include "persist/halloffame.h"

#include "core/folders.h"
#include "core/utf8path.h"
#include "core/utf8text.h"
#include "core/window.h"
#include "persist/durable.h"
#include "persist/replayformat.h"

#include <algorithm>
#include <charconv>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <system_error>

namespace {

const char* const hallName = "halloffame.txt";
const char* const hallHeader = "Dralen Hall of Fame";
const char* const tablePrefix = "table ";
const char* const playedPrefix = "played ";
const char* const damagedSuffix = ".damaged";
const char* const replayFolder = "replays";
const char* const replayPrefix = "replay ";
constexpr std::string_view replaySuffix = ".replay";
const std::string_view byteOrderMark = "\xEF\xBB\xBF";

// A file this big was never written by us.
constexpr std::streamsize maxHallSize = 1 << 20;

// On Windows every line reaches the disk with a CR before its LF, and the
// reader counts those bytes against its limit too.
#ifdef _WIN32
constexpr size_t lineEndGrowth = 1;
#else
constexpr size_t lineEndGrowth = 0;
#endif

size_t bytesOnDisk(const std::string& text)
{
    return text.size() + lineEndGrowth * static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::string speedText(double speed)
{
    std::array<char, 32> digits;
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), speed);
    return std::string(digits.data(), result.ptr);
}

// Whitespace-separated words, each parsed whole.
class Words {
public:
    explicit Words(std::string_view line) : text(line) {}

    template <typename T>
    bool next(T& value)
    {
        skipSpaces();
        const char* begin = text.data() + at;
        const char* end = text.data() + text.size();
        const auto [stop, error] = std::from_chars(begin, end, value);
        if (error != std::errc{} || (stop != end && *stop != ' '))
            return false;
        at = static_cast<size_t>(stop - text.data());
        return true;
    }

    bool flag(bool& value)
    {
        int32_t number = 0;
        if (!next(number) || (number != 0 && number != 1))
            return false;
        value = number == 1;
        return true;
    }

    // What follows the single space after the last word.
    std::string rest() const
    {
        return at < text.size() ? std::string(text.substr(at + 1)) : std::string();
    }

private:
    void skipSpaces()
    {
        while (at < text.size() && text[at] == ' ')
            ++at;
    }
    std::string_view text;
    size_t at = 0;
};

bool isDate(const std::string& date)
{
    if (date.size() != 10 || date[4] != '-' || date[7] != '-')
        return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (date[i] < '0' || date[i] > '9')
            return false;
    return true;
}

// One line of at most maxNameLength characters; a letter of several bytes
// counts once and is never cut, and so does each byte that is no letter.
std::string oneLineName(std::string name)
{
    std::replace_if(name.begin(), name.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
    name.resize(firstCharacters(name, maxNameLength).size());
    return name;
}

// Only names of the game's own making: a file that names anything else can
// neither make the game read elsewhere nor have it delete a player's file.
bool isReplayName(std::string_view name)
{
    if (name.size() <= replaySuffix.size() || name.size() > 64
        || name.substr(name.size() - replaySuffix.size()) != replaySuffix)
        return false;
    const std::string_view stem = name.substr(0, name.size() - replaySuffix.size());
    return stem.find_first_not_of("0123456789abcdef-") == std::string_view::npos && stem.front() != '-';
}

// Named by its date, score and the recording's own hash.
std::string replayNameFor(const HallEntry& entry, const std::string& recording)
{
    uint64_t hash = 14695981039346656037ull;
    for (char c : recording)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return entry.date + '-' + std::to_string(entry.score) + '-' + digits + std::string(replaySuffix);
}

bool parseEntry(std::string_view line, HallEntry& entry)
{
    Words words(line);
    if (!words.next(entry.score) || entry.score <= 0)
        return false;
    std::string tail = words.rest();
    const size_t space = tail.find(' ');
    entry.date = tail.substr(0, space);
    entry.name = oneLineName(space == std::string::npos ? std::string() : tail.substr(space + 1));
    return isDate(entry.date);
}

bool higher(const HallEntry& a, const HallEntry& b)
{
    return a.score > b.score;
}

std::string todaysDate()
{
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    if (local == nullptr)
        return "1970-01-01";
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", local);
    return text;
}

HallTable* findTable(HallOfFame& hall, const Difficulty& rules)
{
    return const_cast<HallTable*>(findHallTable(hall, rules));
}

std::filesystem::path hallPath()
{
    return playerFolder() / hallName;
}

std::string readWholeHallFile()
{
    try {
        std::ifstream file(hallPath(), std::ios::binary);
        if (!file.is_open())
            return {};
        std::string text(static_cast<size_t>(maxHallSize) + 1, '\0');
        file.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(file.gcount()));
        return text;
    } catch (const std::exception&) {
        return {};
    }
}

bool sameBytes(const std::filesystem::path& file, const std::string& text)
{
    std::ifstream in(file, std::ios::binary);
    std::string bytes(text.size() + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<size_t>(in.gcount()) == text.size() && bytes.compare(0, text.size(), text) == 0;
}

// Whether one of the copies set aside already holds exactly this text: the
// game reads the file at every view and game over, and a file no one mends
// would otherwise leave a new copy behind each time.
bool alreadyKept(const std::string& text)
{
    const std::string copyName = std::string(hallName) + damagedSuffix;
    std::error_code error;
    std::filesystem::directory_iterator entries(playerFolder(), error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::string name = utf8FromPath(entries->path().filename());
        if (name.compare(0, copyName.size(), copyName) != 0)
            continue;
        const std::string number = name.substr(copyName.size());
        if (!number.empty()
            && (number.size() < 2 || number[0] != '.' || number.find_first_not_of("0123456789", 1) != std::string::npos))
            continue;
        std::error_code ignored;
        if (entries->is_regular_file(ignored) && entries->file_size(ignored) == text.size() && !ignored
            && sameBytes(entries->path(), text))
            return true;
    }
    return false;
}

// A pipe or a device under the file's name would keep the read waiting for
// as long as nothing writes into it, at every view and every game over: only
// a regular file is read or replaced. Anything else is left as it is, and
// the player told once, not at each of those times. Called from the window
// thread (views) and the game thread (game over), with no lock held.
bool hallFileIsUsable()
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(hallPath(), error);
    if (status.type() == std::filesystem::file_type::not_found || status.type() == std::filesystem::file_type::none
        || std::filesystem::is_regular_file(status))
        return true;
    static std::mutex reportedLock;
    static std::filesystem::path reported;
    {
        const std::lock_guard<std::mutex> lock(reportedLock);
        if (reported == hallPath())
            return false;
        reported = hallPath();
    }
    showMessage("Couldn't use the Hall of Fame: %s is not a regular file, so no score is kept in it",
                utf8FromPath(hallPath()).c_str());
    return false;
}

// Called with the file's lock held, so that what is set aside is what was
// read, not a good file another game has just written.
HallOfFame readLockedHallOfFame()
{
    const std::string text = readWholeHallFile();
    bool damaged = text.size() > static_cast<size_t>(maxHallSize);
    bool skipped = false;
    HallOfFame hall;
    if (!damaged)
        hall = parseHallOfFame(text, damaged, &skipped);
    if (damaged)
        moveToNumberedName(hallPath(), damagedSuffix);
    else if (skipped && !alreadyKept(text))
        // What could not be read is left out of the next write: the file as
        // it was stays beside it, for the player or a later version to mend.
        keepNumberedCopy(hallPath(), damagedSuffix, text);
    return hall;
}

bool entersTable(const HallTable* table, int32_t score)
{
    return table == nullptr
        || std::count_if(table->entries.begin(), table->entries.end(),
                         [&](const HallEntry& entry) { return entry.score >= score; })
        < static_cast<std::ptrdiff_t>(hallTableLength);
}

// Replays no entry names any more. Called with the lock held, right after
// the file that names the others was written.
void sweepReplays(const HallOfFame& kept)
{
    std::vector<std::string> named;
    for (const HallTable& table : kept)
        for (const HallEntry& entry : table.entries)
            named.push_back(entry.replay);
    std::error_code error;
    std::filesystem::directory_iterator files(playerFolder() / replayFolder, error);
    for (; !error && files != std::filesystem::directory_iterator(); files.increment(error)) {
        const std::string name = utf8FromPath(files->path().filename());
        std::error_code ignored;
        if (isReplayName(name) && files->is_regular_file(ignored)
            && std::find(named.begin(), named.end(), name) == named.end())
            std::filesystem::remove(files->path(), ignored);
    }
}

// The name in the replay follows the entry's, so that a shared replay says
// whose game it is. Called with the lock held.
void renameReplay(const HallEntry& entry)
{
    const std::filesystem::path path = hallReplayPath(entry);
    Replay replay;
    if (path.empty() || readReplayFile(path, replay) != REPLAY_READ)
        return;
    replay.player = entry.name;
    replaceFileContents(path, formatReplay(replay));
}

}  // namespace

std::string rulesText(const Difficulty& r)
{
    std::string line;
    for (int64_t value : {int64_t(r.fieldWidth), int64_t(r.fieldHeight), int64_t(r.sidesType), int64_t(r.groundType),
                          int64_t(r.forceDirection), int64_t(r.suddenMode), int64_t(r.invisibilityMode)})
        line += std::to_string(value) + ' ';
    for (int32_t frequency : r.effectFrequency)
        line += std::to_string(frequency) + ' ';
    for (int64_t value : {int64_t(r.minBlocks), int64_t(r.maxBlocks), int64_t(r.maxShapeExtent),
                          int64_t(r.minRowsToClear)})
        line += std::to_string(value) + ' ';
    return line + speedText(r.initialFallSpeed) + ' ' + (r.gradualSpeedup ? "1" : "0") + ' ' + r.levelFile;
}

bool parseRulesText(std::string_view line, Difficulty& r)
{
    Words words(line);
    bool read = words.next(r.fieldWidth) && words.next(r.fieldHeight) && words.next(r.sidesType)
        && words.next(r.groundType) && words.next(r.forceDirection) && words.flag(r.suddenMode)
        && words.flag(r.invisibilityMode);
    for (int32_t& frequency : r.effectFrequency)
        read = read && words.next(frequency);
    read = read && words.next(r.minBlocks) && words.next(r.maxBlocks) && words.next(r.maxShapeExtent)
        && words.next(r.minRowsToClear) && words.next(r.initialFallSpeed) && words.flag(r.gradualSpeedup);
    // A speed that is no number would never equal itself, nor find its table.
    if (!read || !std::isfinite(r.initialFallSpeed))
        return false;
    r.levelFile = words.rest();
    return true;
}

Difficulty difficultyOf(const GameState& g)
{
    Difficulty r{g, g.levelFile};
    r.initialFallSpeed = g.startingFallSpeed;
    return r;
}

std::string describeDifficulty(const Difficulty& r)
{
    std::string text = r.levelFile.empty() ? "Custom: " : "Level " + r.levelFile + ": ";
    text += std::to_string(r.fieldWidth) + " \u00d7 " + std::to_string(r.fieldHeight) + ", ";
    text += r.minBlocks == r.maxBlocks ? std::to_string(r.maxBlocks)
                                       : std::to_string(r.minBlocks) + "\u2013" + std::to_string(r.maxBlocks);
    text += " blocks in " + std::to_string(r.maxShapeExtent) + ", speed " + speedText(r.initialFallSpeed);
    if (r.gradualSpeedup)
        text += " rising";
    // In lower case, as they stand inside a sentence.
    auto nameOf = [](const auto& names, int32_t value) -> std::string {
        std::string name = value >= 0 && static_cast<size_t>(value) < names.size() ? names[value] : "?";
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        return name;
    };
    text += ", sides " + nameOf(sidesTypeNames, r.sidesType) + ", ground " + nameOf(groundTypeNames, r.groundType);
    if (r.forceDirection != FORCE_DOWN)
        text += ", gravity " + nameOf(forceDirectionNames, r.forceDirection);
    if (r.minRowsToClear > 1)
        text += ", " + std::to_string(r.minRowsToClear) + " rows at once";
    if (r.suddenMode)
        text += ", sudden";
    if (r.invisibilityMode)
        text += ", invisible";
    for (int32_t e = 0; e < EFFECT_COUNT; ++e)
        if (r.effectFrequency[e] != FREQ_NEVER)
            text += ", " + nameOf(effectNames, e) + " " + nameOf(frequencyNames, r.effectFrequency[e]);
    return text;
}

HallOfFame parseHallOfFame(const std::string& text, bool& damaged, bool* skipped)
{
    HallOfFame hall;
    bool skippedAny = false;
    // Some editors start a file with a byte-order mark.
    std::istringstream lines(text.compare(0, byteOrderMark.size(), byteOrderMark) == 0
                                 ? text.substr(byteOrderMark.size())
                                 : text);
    std::string line;
    auto nextLine = [&] {
        if (!std::getline(lines, line))
            return false;
        // Every line end a system adds, and any the player's editor left:
        // no field ends in one, or it would read back one shorter each time
        // the file went through a system that writes CR LF.
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        return true;
    };
    // An empty file is one whose first writer was interrupted, or that a
    // lock made: no scores yet, and nothing to set aside.
    if (text.empty() || text == byteOrderMark) {
        damaged = false;
        if (skipped != nullptr)
            *skipped = false;
        return hall;
    }
    damaged = !nextLine() || line != hallHeader;
    if (damaged)
        return hall;
    HallTable* current = nullptr;
    bool entryBefore = false;
    while (nextLine()) {
        if (line.empty())
            continue;
        if (line.rfind(replayPrefix, 0) != 0)
            entryBefore = false;
        if (line.rfind(tablePrefix, 0) == 0) {
            Difficulty rules;
            current = nullptr;
            if (!parseRulesText(std::string_view(line).substr(std::char_traits<char>::length(tablePrefix)), rules)) {
                skippedAny = true;
                continue;
            }
            current = findTable(hall, rules);
            if (current == nullptr)
                current = &hall.emplace_back(HallTable{rules, {}, 0});
            continue;
        }
        if (line.rfind(playedPrefix, 0) == 0) {
            int64_t played = 0;
            const char* begin = line.data() + std::char_traits<char>::length(playedPrefix);
            const char* end = line.data() + line.size();
            const auto [stop, error] = std::from_chars(begin, end, played);
            // A time ahead of this clock (another machine's, or this one
            // set back) counts as now, so that it cannot outrank the table
            // played next.
            if (current != nullptr && error == std::errc{} && stop == end)
                current->lastPlayed = std::max(current->lastPlayed, std::min<int64_t>(played, std::time(nullptr)));
            else
                skippedAny = true;
            continue;
        }
        if (line.rfind(replayPrefix, 0) == 0) {
            // Belongs to the entry just before it.
            const std::string name = line.substr(std::char_traits<char>::length(replayPrefix));
            if (current != nullptr && entryBefore && isReplayName(name))
                current->entries.back().replay = name;
            else
                skippedAny = true;
            entryBefore = false;
            continue;
        }
        HallEntry entry;
        entryBefore = current != nullptr && parseEntry(line, entry);
        if (entryBefore)
            current->entries.push_back(std::move(entry));
        else
            skippedAny = true;
    }
    for (HallTable& table : hall) {
        std::stable_sort(table.entries.begin(), table.entries.end(), higher);
        if (table.entries.size() > hallTableLength) {
            table.entries.resize(hallTableLength);
            skippedAny = true;
        }
    }
    if (skipped != nullptr)
        *skipped = skippedAny;
    return hall;
}

std::string formatHallOfFame(const HallOfFame& hall)
{
    const std::string header = std::string(hallHeader) + '\n';
    std::vector<std::string> chunks(hall.size());
    std::vector<size_t> byRecency;
    for (size_t t = 0; t < hall.size(); ++t) {
        const HallTable& table = hall[t];
        if (table.entries.empty())
            continue;
        std::string& text = chunks[t];
        text = tablePrefix + rulesText(table.rules) + '\n';
        if (table.lastPlayed != 0)
            text += playedPrefix + std::to_string(table.lastPlayed) + '\n';
        for (const HallEntry& entry : table.entries)
        {
            text += std::to_string(entry.score) + ' ' + entry.date + ' ' + oneLineName(entry.name) + '\n';
            if (isReplayName(entry.replay))
                text += replayPrefix + entry.replay + '\n';
        }
        byRecency.push_back(t);
    }
    // Played last first; of tables played at the same time, the later in the file.
    std::stable_sort(byRecency.begin(), byRecency.end(), [&](size_t a, size_t b) {
        return hall[a].lastPlayed != hall[b].lastPlayed ? hall[a].lastPlayed > hall[b].lastPlayed : a > b;
    });
    std::vector<bool> kept(hall.size(), false);
    size_t size = bytesOnDisk(header);
    size_t count = 0;
    for (size_t t : byRecency) {
        if (count == maxHallTables)
            break;
        const size_t chunkSize = bytesOnDisk(chunks[t]);
        if (size + chunkSize > static_cast<size_t>(maxHallSize))
            break;
        kept[t] = true;
        size += chunkSize;
        ++count;
    }
    std::string text = header;
    for (size_t t = 0; t < hall.size(); ++t)
        if (kept[t])
            text += chunks[t];
    return text;
}

std::optional<size_t> insertHallEntry(HallOfFame& hall, const Difficulty& rules, const HallEntry& entry)
{
    if (entry.score <= 0)
        return std::nullopt;
    HallTable* table = findTable(hall, rules);
    if (table == nullptr)
        table = &hall.emplace_back(HallTable{rules, {}, 0});
    auto& entries = table->entries;
    // Below every equal score: who got there first keeps the place.
    const auto at = std::upper_bound(entries.begin(), entries.end(), entry, higher);
    const size_t place = static_cast<size_t>(at - entries.begin());
    if (place >= hallTableLength)
        return std::nullopt;
    entries.insert(at, entry);
    if (entries.size() > hallTableLength)
        entries.resize(hallTableLength);
    return place;
}

const HallTable* findHallTable(const HallOfFame& hall, const Difficulty& rules)
{
    for (const HallTable& table : hall)
        if (table.rules == rules)
            return &table;
    return nullptr;
}

HallOfFame readHallOfFame()
{
    if (playerFolder().empty())
        return {};
    std::error_code error;
    if (!std::filesystem::exists(hallPath(), error) || !hallFileIsUsable())
        return {};
    const FileLock lock(hallPath());
    if (!lock.held())
        return {};
    return readLockedHallOfFame();
}

bool writeHallOfFame(const HallOfFame& hall)
{
    if (playerFolder().empty())
        return false;
    std::error_code error;
    std::filesystem::create_directories(playerFolder(), error);
    return replaceFileContents(hallPath(), formatHallOfFame(hall)) == WRITE_DONE;
}

std::filesystem::path hallReplayPath(const HallEntry& entry)
{
    if (!isReplayName(entry.replay) || playerFolder().empty())
        return {};
    return playerFolder() / replayFolder / entry.replay;
}

std::filesystem::path hallReplayFolder()
{
    std::error_code error;
    if (playerFolder().empty() || !std::filesystem::is_directory(playerFolder() / replayFolder, error))
        return {};
    return playerFolder() / replayFolder;
}

std::optional<HallEntry> recordScore(const Difficulty& rules, int32_t score, const std::string& recording)
{
    if (playerFolder().empty() || score <= 0)
        return std::nullopt;
    std::error_code error;
    std::filesystem::create_directories(playerFolder(), error);
    if (!hallFileIsUsable())
        return std::nullopt;
    HallEntry entry{score, loginName(), todaysDate()};
    std::optional<size_t> place;
    bool written = false;
    {
        // Another game may be ending at this very moment: what it wrote is
        // read again inside the lock, so that neither score overwrites the
        // other. Never written without it.
        const FileLock lock(hallPath());
        if (lock.held()) {
            HallOfFame hall = readLockedHallOfFame();
            if (!recording.empty() && entersTable(findTable(hall, rules), score)) {
                // Kept before the entry that names it is written, so that
                // no entry ever names a replay that is not there.
                entry.replay = replayNameFor(entry, recording);
                std::filesystem::create_directories(playerFolder() / replayFolder, error);
                if (replaceFileContents(hallReplayPath(entry), recording) != WRITE_DONE)
                    entry.replay.clear();
            }
            place = insertHallEntry(hall, rules, entry);
            HallTable* table = findTable(hall, rules);
            if (table == nullptr)
                return std::nullopt;
            table->lastPlayed = std::time(nullptr);
            // Last in the file wins among tables played in the same second,
            // so the table just played is never the one cut.
            std::rotate(table, table + 1, hall.data() + hall.size());
            // What the file holds once written: the formatter may have left
            // out the tables played longest ago, and their entries' replays
            // go with them.
            const std::string text = formatHallOfFame(hall);
            written = replaceFileContents(hallPath(), text) == WRITE_DONE;
            bool damaged = false;
            if (written)
                sweepReplays(parseHallOfFame(text, damaged));
        }
    }
    // Told once the lock is let go: every other game ending meanwhile would
    // otherwise wait for this player's OK.
    if (!written) {
        showMessage("Couldn't write file to keep your score in the Hall of Fame");
        return std::nullopt;
    }
    if (!place)
        return std::nullopt;
    return entry;
}

std::optional<size_t> placeOfEntry(const HallTable& table, const HallEntry& entry)
{
    const auto found = std::find(table.entries.begin(), table.entries.end(), entry);
    if (found == table.entries.end())
        return std::nullopt;
    return static_cast<size_t>(found - table.entries.begin());
}

bool renameHallEntry(const Difficulty& rules, const HallEntry& entry, const std::string& name)
{
    if (playerFolder().empty() || !hallFileIsUsable())
        return false;
    const FileLock lock(hallPath());
    if (!lock.held())
        return false;
    HallOfFame hall = readLockedHallOfFame();
    HallTable* table = findTable(hall, rules);
    if (table == nullptr)
        return false;
    // The place may have changed since the entry was shown: another game
    // may have entered a higher score meanwhile.
    const auto found = std::find(table->entries.begin(), table->entries.end(), entry);
    if (found == table->entries.end())
        return false;
    found->name = oneLineName(name);
    renameReplay(*found);
    return writeHallOfFame(hall);
}

std::string loginName()
{
    for (const char* variable : {"USER", "LOGNAME", "USERNAME"})
        if (const char* value = std::getenv(variable); value != nullptr && *value != '\0')
            return oneLineName(value);
    // Without those, the home folder is usually named after its owner.
    for (const char* variable : {"HOME", "USERPROFILE"})
        if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') {
            std::filesystem::path home(value);
            if (!home.has_filename())
                home = home.parent_path();  // a trailing separator
            const std::string owner = utf8FromPath(home.filename());
            if (!owner.empty())
                return oneLineName(owner);
        }
    return "Player";
}
