// The text format of replays: a whole game as what it started from and what
// it consumed tick by tick. Described for players and other programs in
// docs/replay-format.md.
#pragma once

#include "persist/halloffame.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The options that change how a game plays, as opposed to how it looks: a
// replay plays under the recorded ones whatever the viewer has set. The cell
// size is the skin's, in which the falling shape's position is kept.
struct ReplayOptions {
    int32_t shiftSpeed = 20;
    int32_t fastFallSpeed = 3;
    int32_t cellSize = 10;
    bool randomEvents = true;
    bool allowWallKicks = true;
    bool allowGroundKicks = true;
    bool fallSlowdownOnAction = true;
    bool operator==(const ReplayOptions&) const = default;
};

// What the save format rounds or leaves out of a game in progress.
struct ReplayExact {
    double fallSpeed = 0;
    double startingFallSpeed = 0;
    double shapeX = 0;
    double shapeY = 0;
    int32_t slowdownTicks = 0;
    bool prevHigherHeld = false;
    bool prevLowerHeld = false;
    // The text events that have come already, which come once a run.
    uint32_t usedTextEvents = 0;
};

// Where the recording stops: after this many ticks, with this score and a
// checksum of the field. over is set when the game ended there; otherwise
// the game goes on (a recording kept beside the automatic save).
struct ReplayEnd {
    int64_t ticks = 0;
    int32_t score = 0;
    uint32_t fieldChecksum = 0;
    bool over = false;
    bool operator==(const ReplayEnd&) const = default;
};

struct Replay {
    std::string player;
    Difficulty rules;
    ReplayOptions options;
    ReplayExact exact;
    std::string state;   // the start, in the save format
    std::string stream;  // the ticks, as tokens (below)
    ReplayEnd end;
};

constexpr int32_t replayVersion = 1;
// The most draws one tick of a recording may hold.
constexpr int64_t maxReplayDrawsATick = int64_t(1) << 20;
// More than a hundred hours of play; anything larger is no recording of ours.
constexpr size_t maxReplaySize = 16u << 20;

std::string formatReplay(const Replay& replay);

enum ReplayReadResult : int32_t {
    REPLAY_READ = 0,
    REPLAY_DAMAGED = 1,        // not a replay, cut short, or too large
    REPLAY_OTHER_VERSION = 2,  // a replay, of a format this version does not know
    REPLAY_NOT_OPENED = 3,     // no such file, or no regular file
};
// Checks the whole text, the token stream included, before it gives
// anything back. Accepts LF and CR LF lines.
ReplayReadResult parseReplay(std::string_view text, Replay& replay);
// The same from a file. Reads regular files only (a pipe would keep it
// waiting) and never more than maxReplaySize.
ReplayReadResult readReplayFile(const std::filesystem::path& path, Replay& replay);

// The token stream, one token at a time, each with its arguments:
//   s / sN        one tick / N ticks: the first takes the tokens before
//                 it, the others nothing new
//   kB            the movement keys held from now on: 1 the higher shift,
//                 2 the lower, 4 fast fall (their sum)
//   tR            a turn taken in the next tick (a rotation code)
//   gS            the game's random generator is in state S from now on
//   rD*C,D*C,...  the next tick's draws: C of them (*C left out for one) at
//                 the clock's reading D milliseconds after the draw before
//                 (modulo 2^32), then the next C at D after those...
//   eI,C          the field's cell I set to C between two ticks (editor)
//   xF,X,Y,S,P,U  what the save format rounds or leaves out, set between
//                 two ticks (a resize re-centres the falling shape, a
//                 restored game starts from the save's rounded speed and
//                 a new run's text events): the fall speed, the shape's
//                 position, the slowdown ticks, 1 the higher + 2 the lower
//                 shift held at the last poll, and the text events used
//   oS,F,C,B      options changed: shifting and fast-fall speed, cell size,
//                 and 1 random events + 2 wall kicks + 4 ground kicks +
//                 8 slowdown on action
// Tokens are separated by spaces or line ends.
struct ReplayToken {
    char kind = 0;
    int64_t number[4] = {};
    double exact[3] = {};  // for x: the fall speed and the position
    std::string_view draws;  // for r: the runs of draws, as written
};
// Reads the token at `at` and moves past it; false at the end of the stream
// or at a token that is no token.
bool nextReplayToken(std::string_view stream, size_t& at, ReplayToken& token);
// The next run of an r token's draws; false when there is none left.
bool nextDrawRun(std::string_view& draws, uint32_t& delay, int64_t& count);

// The checksum of the end line: of the field's size and cells.
uint32_t fieldChecksum(int32_t width, int32_t height, const std::vector<int32_t>& cells);
