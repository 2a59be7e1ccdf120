#include "ui/halloffame.h"

#include "ui/commands.h"
#include "ui/watching.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <utility>

namespace {

// The white space a name is trimmed of: ASCII's, the next-line control and
// Unicode's space and separator characters, as a text field counts them.
bool isWhiteSpace(char32_t c)
{
    return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680
        || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F
        || c == 0x3000;
}

// The code point at text[at] and the bytes it takes. A byte that starts no
// proper UTF-8 sequence stands for itself, as something that is no space.
std::pair<char32_t, size_t> decodeAt(const std::string& text, size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const size_t length = lead < 0x80 ? 1
        : (lead & 0xE0) == 0xC0       ? 2
        : (lead & 0xF0) == 0xE0       ? 3
        : (lead & 0xF8) == 0xF0       ? 4
                                      : 0;
    if (length == 0 || length > text.size() - at)
        return {0xFFFD, 1};
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return {0xFFFD, 1};
        point = (point << 6) | (next & 0x3F);
    }
    return {point, length};
}

std::string trimmed(const std::string& text)
{
    // The code points, each with where it starts.
    std::vector<std::pair<size_t, char32_t>> points;
    for (size_t at = 0; at < text.size();) {
        const auto [point, length] = decodeAt(text, at);
        points.emplace_back(at, point);
        at += length;
    }
    size_t first = 0, last = points.size();
    while (first < last && isWhiteSpace(points[first].second))
        ++first;
    while (last > first && isWhiteSpace(points[last - 1].second))
        --last;
    if (first == last)
        return {};
    const size_t begin = points[first].first;
    const size_t end = last < points.size() ? points[last].first : text.size();
    return text.substr(begin, end - begin);
}

const HallEntry* newEntry(const HallOfFameDialog& dialog)
{
    if (!dialog.newPlace || dialog.tables.empty() || *dialog.newPlace >= dialog.tables.front().entries.size())
        return nullptr;
    return &dialog.tables.front().entries[*dialog.newPlace];
}

}  // namespace

std::vector<HallRow> hallRows(const HallTable& table)
{
    std::vector<HallRow> rows;
    for (size_t i = 0; i < table.entries.size(); ++i) {
        const HallEntry& entry = table.entries[i];
        rows.push_back({std::to_string(i + 1) + ".", std::to_string(entry.score), entry.name, entry.date});
    }
    return rows;
}

void openHallOfFameDialog(HallOfFameDialog& dialog, const HallOfFame& read, const Difficulty& rules,
                          const std::optional<HallEntry>& entered)
{
    dialog = HallOfFameDialog{};
    dialog.rules = rules;
    HallOfFame& tables = dialog.tables;
    std::copy_if(read.begin(), read.end(), std::back_inserter(tables),
                 [](const HallTable& table) { return !table.entries.empty(); });
    if (findHallTable(tables, rules) == nullptr)
        tables.push_back({rules, {}, 0});
    // The game being played first, the others by name.
    std::vector<std::pair<std::string, HallTable>> named;
    for (HallTable& table : tables)
        named.emplace_back(hallTableName(table.rules), std::move(table));
    std::stable_sort(named.begin(), named.end(), [&](const auto& a, const auto& b) {
        if ((a.second.rules == rules) != (b.second.rules == rules))
            return a.second.rules == rules;
        return a.first < b.first;
    });
    tables.clear();
    for (auto& [name, table] : named) {
        dialog.tableNames.push_back(name);
        tables.push_back(std::move(table));
    }
    if (entered && !tables.empty())
        dialog.newPlace = placeOfEntry(tables.front(), *entered);
    if (const HallEntry* entry = newEntry(dialog))
        dialog.enteredName = dialog.originalName = entry->name;
    dialog.selectedRow = hallDialogNameRow(dialog);
}

std::vector<HallRow> hallDialogRows(const HallOfFameDialog& dialog)
{
    if (dialog.shownTable < 0 || static_cast<size_t>(dialog.shownTable) >= dialog.tables.size())
        return {};
    return hallRows(dialog.tables[dialog.shownTable]);
}

std::optional<size_t> hallDialogNameRow(const HallOfFameDialog& dialog)
{
    if (dialog.shownTable != 0 || newEntry(dialog) == nullptr)
        return std::nullopt;
    return dialog.newPlace;
}

void hallDialogTableChosen(HallOfFameDialog& dialog, int32_t index)
{
    dialog.shownTable = index;
    dialog.selectedRow = hallDialogNameRow(dialog);
}

void hallDialogRowSelected(HallOfFameDialog& dialog, std::optional<size_t> row)
{
    dialog.selectedRow = row;
}

namespace {

const HallEntry* selectedEntry(const HallOfFameDialog& dialog)
{
    if (!dialog.selectedRow || dialog.shownTable < 0 || static_cast<size_t>(dialog.shownTable) >= dialog.tables.size())
        return nullptr;
    const std::vector<HallEntry>& entries = dialog.tables[dialog.shownTable].entries;
    return *dialog.selectedRow < entries.size() ? &entries[*dialog.selectedRow] : nullptr;
}

}  // namespace

bool hallDialogCanWatch(const HallOfFameDialog& dialog)
{
    const HallEntry* entry = selectedEntry(dialog);
    if (entry == nullptr)
        return false;
    const std::filesystem::path replay = hallReplayPath(*entry);
    std::error_code error;
    return !replay.empty() && std::filesystem::is_regular_file(replay, error);
}

void hallDialogNameEdited(HallOfFameDialog& dialog, const std::string& name)
{
    dialog.enteredName = name;
}

DialogOutcome hallOfFameDialogCommand(HallOfFameDialog& dialog, int32_t id)
{
    if (id == CTL_HALL_WATCH && hallDialogCanWatch(dialog)) {
        const HallEntry& entry = *selectedEntry(dialog);
        // The name being typed for this very entry is the one to show.
        const bool typing = dialog.shownTable == 0 && dialog.selectedRow == hallDialogNameRow(dialog);
        requestWatching(hallReplayPath(entry), typing ? trimmed(dialog.enteredName) : entry.name);
        return DIALOG_ACCEPTED;
    }
    return id == CTL_OK ? DIALOG_ACCEPTED : id == CTL_CANCEL ? DIALOG_CANCELLED : DIALOG_STAYS_OPEN;
}

std::optional<HallRename> hallDialogRename(const HallOfFameDialog& dialog)
{
    const HallEntry* entry = newEntry(dialog);
    if (entry == nullptr || dialog.enteredName == dialog.originalName)
        return std::nullopt;
    return HallRename{*entry, trimmed(dialog.enteredName)};
}

void closeHallOfFameDialog(const HallOfFameDialog& dialog)
{
    if (const std::optional<HallRename> rename = hallDialogRename(dialog))
        renameHallEntry(dialog.rules, rename->entry, rename->name);
}
