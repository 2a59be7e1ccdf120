// The Hall of Fame: the ten best scores for each set of rules a game can be
// played under, kept in "halloffame.txt" beside the player's other files.
#pragma once

#include "core/gamestate.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The settings that decide how hard a game is: its rules and level file.
// Two games share a table exactly when these are equal. The fall speed here
// is the one the game started at, which for a restored game can differ from
// the speed its rules start a new game at.
struct Difficulty : GameRules {
    std::string levelFile;

    bool operator==(const Difficulty&) const = default;
};

// An entry is known by all of these: the scores other games enter move it,
// but only its own player renames it. Its replay, when it has one, is the
// file of that name in the replays folder beside the Hall of Fame, named
// after the recording itself, so two entries never share one.
struct HallEntry {
    int32_t score = 0;
    std::string name;
    std::string date;  // yyyy-mm-dd
    std::string replay{};
    bool operator==(const HallEntry&) const = default;
};

// Best first; at most hallTableLength entries.
struct HallTable {
    Difficulty rules;
    std::vector<HallEntry> entries;
    int64_t lastPlayed = 0;  // seconds since 1970; 0 when the file did not say
};

using HallOfFame = std::vector<HallTable>;

constexpr size_t hallTableLength = 10;
// The file keeps this many tables at most, those played last; with it, no
// file the game writes is too big for the game to read.
constexpr size_t maxHallTables = 500;

// The rules of the game in the record, the speed it started at included.
Difficulty difficultyOf(const GameState& state);

// The rules as one line of numbers and the level file, and back.
std::string rulesText(const Difficulty& rules);
bool parseRulesText(std::string_view text, Difficulty& rules);

// A short description for a table no sample game matches, e.g.
// "Custom: 12 × 20, 4–6 blocks, solid sides, gravity down".
std::string describeDifficulty(const Difficulty& rules);

// The text of the file and back. Reading is lenient: lines it cannot use are
// skipped (and skipped is set), tables are put in order and cut to their
// length. damaged is set when the text is not a Hall of Fame at all.
HallOfFame parseHallOfFame(const std::string& text, bool& damaged, bool* skipped = nullptr);
// At most maxHallTables tables, and never more bytes than the reader takes,
// counted as they land on disk: the tables played longest ago are left out.
std::string formatHallOfFame(const HallOfFame& hall);

// Puts the entry into the table of these rules (a new table when there is
// none) and returns its place from 0, or nothing when the score is not
// among the best. Scores of nothing never enter.
std::optional<size_t> insertHallEntry(HallOfFame& hall, const Difficulty& rules, const HallEntry& entry);

const HallTable* findHallTable(const HallOfFame& hall, const Difficulty& rules);

// The file in playerFolder(), read under the lock that writers take. A file
// that is not a Hall of Fame is set aside and the game starts a fresh one;
// from a file with lines that could not be read, a copy is kept as it was,
// unless a copy of the same bytes is kept already. Set-aside copies are
// "halloffame.txt.damaged", then ".damaged.1", ..., never overwritten.
// A missing file reads as an empty Hall of Fame, and so does anything under
// the name that is not a regular file (a pipe, a folder): it is left alone,
// and the player is told once a run.
HallOfFame readHallOfFame();
// Written atomically; false when it could not be.
bool writeHallOfFame(const HallOfFame& hall);

// Enters a finished game's score with the player's login name and today's
// date, and writes the file, all under the file's lock so that games ending
// at once each keep their score. Returns the new entry's place, or nothing
// when the score did not enter, there is no folder to keep the file in, the
// file is no regular file, or it could not be written (which the player is told).
// The entry itself is handed back, not its place: by the time the player
// names it, other games may have moved it or pushed it out.
// A recording of the game (the replay format's text) is kept with the entry
// and goes when the entry leaves its table.
std::optional<HallEntry> recordScore(const Difficulty& rules, int32_t score, const std::string& recording = {});

// Where an entry's replay is kept; empty for an entry without one.
std::filesystem::path hallReplayPath(const HallEntry& entry);
// The folder of the entries' replays; empty when there is none yet.
std::filesystem::path hallReplayFolder();

// Where the entry stands in the table now; nothing when it has left it.
std::optional<size_t> placeOfEntry(const HallTable& table, const HallEntry& entry);

// Changes the name of the entry in the file that was read as entry (the
// player edits it right after it went in), and in its replay. Nothing changes, and the result
// is false, when that entry is no longer there. Names are one line of at most
// maxNameLength characters.
bool renameHallEntry(const Difficulty& rules, const HallEntry& entry, const std::string& name);
constexpr size_t maxNameLength = 40;

// The login name of the player, else the name of the home folder, else "Player".
std::string loginName();
