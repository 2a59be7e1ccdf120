#include "game/replay.h"

#include "core/folders.h"
#include "core/gamestate.h"
#include "events/randomevents.h"
#include "game/keyboard.h"
#include "game/tick.h"
#include "persist/durable.h"
#include "persist/saveformat.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <sstream>

namespace {

ReplayOptions optionsOf(const GameState& g)
{
    return {g.shiftSpeed, g.fastFallSpeed, g.cellSize, g.randomEvents, g.allowWallKicks, g.allowGroundKicks,
            g.fallSlowdownOnAction};
}

int32_t optionBits(const ReplayOptions& o)
{
    return (o.randomEvents ? 1 : 0) | (o.allowWallKicks ? 2 : 0) | (o.allowGroundKicks ? 4 : 0)
        | (o.fallSlowdownOnAction ? 8 : 0);
}

void applyOptions(const ReplayOptions& o)
{
    game.shiftSpeed = o.shiftSpeed;
    game.fastFallSpeed = o.fastFallSpeed;
    game.randomEvents = o.randomEvents;
    game.allowWallKicks = o.allowWallKicks;
    game.allowGroundKicks = o.allowGroundKicks;
    game.fallSlowdownOnAction = o.fallSlowdownOnAction;
}

// What a tick leaves that the save format does not keep exactly.
struct Loose {
    double fallSpeed = 0;
    double shapeX = 0;
    double shapeY = 0;
    int32_t slowdownTicks = 0;
    int32_t prevHeld = 0;
    uint32_t usedTextEvents = 0;
    bool operator==(const Loose&) const = default;
};

Loose looseOf(const GameState& g)
{
    return {g.fallSpeed, g.shapeX, g.shapeY, g.slowdownTicks,
            (g.prevShiftRightHeld ? 1 : 0) | (g.prevShiftLeftHeld ? 2 : 0), usedTextEvents};
}

void applyLoose(const Loose& l)
{
    game.fallSpeed = l.fallSpeed;
    game.shapeX = l.shapeX;
    game.shapeY = l.shapeY;
    game.slowdownTicks = l.slowdownTicks;
    game.prevShiftRightHeld = (l.prevHeld & 1) != 0;
    game.prevShiftLeftHeld = (l.prevHeld & 2) != 0;
    usedTextEvents = l.usedTextEvents;
}

int32_t keysOf(const GameState& g)
{
    return (g.shiftRightHeld ? 1 : 0) | (g.shiftLeftHeld ? 2 : 0) | (g.fastFallHeld ? 4 : 0);
}

// Tokens are appended number by number, with no temporary strings: the
// stream's own growth is the only allocation a tick may cause.
void appendNumber(std::string& text, int64_t value)
{
    char digits[24];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void appendNumber(std::string& text, double value)
{
    char digits[32];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void startToken(std::string& text, char kind)
{
    if (!text.empty())
        text += ' ';
    text += kind;
}

template <typename... Values>
void appendToken(std::string& text, char kind, Values... values)
{
    startToken(text, kind);
    bool first = true;
    ((text += first ? "" : ",", first = false, appendNumber(text, values)), ...);
}

class Recorder : public RandomTap {
public:
    bool active = false;
    bool resting = false;
    Replay replay;
    int64_t ticks = 0;
    int64_t quiet = 0;  // ticks not yet written: the last with tokens and the quiet ones after it
    std::string tick;   // this tick's tokens
    std::string draws;  // this tick's runs of draws, but the last
    ReplayOptions options;
    int32_t keys = 0;
    Loose loose;
    Grid field;
    RandomTap* previousTap = nullptr;
    // The generator as the last tick left it, and the clock's readings.
    bool stateKnown = false;
    uint32_t state = 0;
    uint32_t lastNow = 0;
    uint32_t runDelay = 0;
    int64_t runLength = 0;

    bool give(int32_t, int32_t&) override { return false; }
    // A tick's draws mostly share one reading: they go as runs.
    void taken(uint32_t now) override
    {
        if (runLength > 0 && now == lastNow) {
            ++runLength;
            return;
        }
        closeRun();
        runDelay = now - lastNow;
        runLength = 1;
        lastNow = now;
    }
    void closeRun()
    {
        if (runLength == 0)
            return;
        if (!draws.empty())
            draws += ',';
        appendNumber(draws, int64_t(runDelay));
        if (runLength > 1) {
            draws += '*';
            appendNumber(draws, runLength);
        }
        runLength = 0;
    }

    bool on() const { return active && !resting; }

    void flushQuiet(std::string& stream) const
    {
        if (quiet == 0)
            return;
        startToken(stream, 's');
        if (quiet > 1)
            appendNumber(stream, quiet);
    }
};

Recorder recorder;

// The clock's reading at the last draw of a recording: its delays summed.
uint32_t lastReading(std::string_view stream)
{
    uint32_t now = 0;
    size_t at = 0;
    ReplayToken token;
    while (nextReplayToken(stream, at, token)) {
        if (token.kind != 'r')
            continue;
        uint32_t delay = 0;
        int64_t count = 0;
        while (nextDrawRun(token.draws, delay, count))
            now += delay;
    }
    return now;
}

void noteTheGameAsItStands()
{
    recorder.stateKnown = false;
    recorder.options = optionsOf(game);
    recorder.keys = 0;
    recorder.loose = looseOf(game);
    recorder.field = game.fieldCells;
}

class Playback : public RandomTap {
public:
    Replay replay;
    size_t at = 0;
    int32_t keys = 0;
    int32_t cellSize = 10;
    int64_t ticks = 0;
    int64_t quietLeft = 0;
    std::string_view draws;
    bool diverged = false;
    bool wasRecording = false;
    uint32_t state = 0;
    uint32_t now = 0;
    int64_t runLeft = 0;
    int64_t drawsThisTick = 0;

    bool give(int32_t n, int32_t& value) override
    {
        // Once the recording is off, the step still has to end: the shape
        // generator draws until a shape fits, and a clock that stands still
        // could keep it drawing for ever. The clock moves on as it would.
        if (++drawsThisTick > maxReplayDrawsATick)
            diverged = true;
        if (diverged) {
            value = drawWithClock(state, ++now, n);
            return true;
        }
        uint32_t delay = 0;
        if (runLeft == 0) {
            if (!nextDrawRun(draws, delay, runLeft)) {
                diverged = true;
                runLeft = 1;
            }
            now += delay;
        }
        --runLeft;
        value = drawWithClock(state, now, n);
        return true;
    }
    void taken(uint32_t) override {}

    bool atEnd() const
    {
        size_t next = at;
        while (next < replay.stream.size() && replay.stream[next] == ' ')
            ++next;
        return next >= replay.stream.size() && quietLeft == 0;
    }
};

Playback playback;

// Applies the tokens up to the next tick's; false when the stream ends first
// or a token does not fit the game it is applied to.
bool readUpToTick()
{
    ReplayToken token;
    while (nextReplayToken(playback.replay.stream, playback.at, token)) {
        const int64_t* n = token.number;
        switch (token.kind) {
        case 's': playback.quietLeft = n[0]; return true;
        case 'k': playback.keys = static_cast<int32_t>(n[0]); break;
        case 't': game.pendingRotation = static_cast<int32_t>(n[0]); break;
        case 'r': playback.draws = token.draws; break;
        case 'g': playback.state = static_cast<uint32_t>(n[0]); break;
        case 'e':
            if (n[0] >= static_cast<int64_t>(game.fieldCells.size()))
                return false;
            game.fieldCells[static_cast<size_t>(n[0])] = static_cast<int32_t>(n[1]);
            game.projectionDirty = true;
            break;
        case 'x':
            applyLoose({token.exact[0], token.exact[1], token.exact[2], static_cast<int32_t>(n[0]),
                        static_cast<int32_t>(n[1]), static_cast<uint32_t>(n[2])});
            break;
        case 'o': {
            ReplayOptions o{static_cast<int32_t>(n[0]), static_cast<int32_t>(n[1]), static_cast<int32_t>(n[2]),
                            (n[3] & 1) != 0, (n[3] & 2) != 0, (n[3] & 4) != 0, (n[3] & 8) != 0};
            applyOptions(o);
            playback.cellSize = o.cellSize;
            break;
        }
        default: return false;
        }
    }
    return false;
}

bool reachedTheRecordedEnd()
{
    const ReplayEnd& end = playback.replay.end;
    return playback.ticks == end.ticks && game.score == end.score
        && fieldChecksum(game.fieldWidth, game.fieldHeight, game.fieldCells) == end.fieldChecksum
        && (game.gameMode == MODE_GAME_OVER) == end.over;
}

}  // namespace

void startRecording()
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    Replay& r = recorder.replay;
    r = Replay{};
    r.player = loginName();
    r.rules = difficultyOf(game);
    r.options = optionsOf(game);
    r.exact = {game.fallSpeed, game.startingFallSpeed, game.shapeX, game.shapeY, game.slowdownTicks,
               game.prevShiftRightHeld, game.prevShiftLeftHeld, usedTextEvents};
    std::ostringstream state;
    recorder.active = writeGameState(state);
    r.state = state.str();
    recorder.ticks = 0;
    recorder.quiet = 0;
    recorder.lastNow = 0;
    noteTheGameAsItStands();
}

bool continueRecording(const Replay& kept)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    const ReplayEnd& end = kept.end;
    if (end.over || end.score != game.score
        || end.fieldChecksum != fieldChecksum(game.fieldWidth, game.fieldHeight, game.fieldCells)) {
        startRecording();
        return false;
    }
    recorder.replay = kept;
    recorder.active = true;
    recorder.ticks = end.ticks;
    recorder.quiet = 0;
    noteTheGameAsItStands();
    // Where the recording left the keys, the options and the rounded values
    // is not known here: the first tick writes them as they are now.
    recorder.keys = -1;
    recorder.options.cellSize = 0;
    recorder.lastNow = lastReading(kept.stream);
    recorder.loose.fallSpeed = std::numeric_limits<double>::quiet_NaN();
    return true;
}

void pauseRecording()
{
    recorder.resting = true;
}

void resumeRecording()
{
    recorder.resting = false;
}

bool recording()
{
    return recorder.on();
}

void recordTickStart()
{
    if (!recorder.on())
        return;
    std::string& tick = recorder.tick;
    tick.clear();
    recorder.draws.clear();
    const ReplayOptions options = optionsOf(game);
    if (!(options == recorder.options)) {
        appendToken(tick, 'o', int64_t(options.shiftSpeed), int64_t(options.fastFallSpeed),
                    int64_t(options.cellSize), int64_t(optionBits(options)));
        recorder.options = options;
    }
    const Loose loose = looseOf(game);
    if (!(loose == recorder.loose))
        appendToken(tick, 'x', loose.fallSpeed, loose.shapeX, loose.shapeY, int64_t(loose.slowdownTicks),
                    int64_t(loose.prevHeld), int64_t(loose.usedTextEvents));
    if (game.fieldCells.size() != recorder.field.size()) {
        // Only a new game changes the field's size between ticks, and a
        // new game starts a recording of its own.
        recorder.active = false;
        return;
    }
    for (size_t i = 0; i < game.fieldCells.size(); ++i)
        if (game.fieldCells[i] != recorder.field[i])
            appendToken(tick, 'e', int64_t(i), int64_t(game.fieldCells[i]));
    // The first tick, a new run's game thread, or a draw between ticks.
    if (!recorder.stateKnown || randomState() != recorder.state)
        appendToken(tick, 'g', int64_t(randomState()));
    recorder.previousTap = setRandomTap(&recorder);
}

void recordTurn(int32_t rotation)
{
    if (recorder.on() && rotation != ROTATE_NONE)
        appendToken(recorder.tick, 't', int64_t(rotation));
}

void recordTickEnd()
{
    if (!recorder.on())
        return;
    setRandomTap(recorder.previousTap);
    recorder.closeRun();
    recorder.stateKnown = true;
    recorder.state = randomState();
    const int32_t keys = keysOf(game);
    if (keys != recorder.keys) {
        appendToken(recorder.tick, 'k', int64_t(keys));
        recorder.keys = keys;
    }
    if (!recorder.draws.empty()) {
        startToken(recorder.tick, 'r');
        recorder.tick += recorder.draws;
    }
    ++recorder.ticks;
    if (recorder.tick.empty())
        ++recorder.quiet;
    else {
        // The tokens hold for the next tick; the quiet ones after it join
        // its run, as "k1 s16" rather than "k1 s s15".
        std::string& stream = recorder.replay.stream;
        recorder.flushQuiet(stream);
        if (!stream.empty())
            stream += ' ';
        stream += recorder.tick;
        recorder.quiet = 1;
    }
    recorder.loose = looseOf(game);
    recorder.field = game.fieldCells;
}

Replay currentRecording()
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    Replay r = recorder.replay;
    recorder.flushQuiet(r.stream);
    r.end = {recorder.ticks, game.score, fieldChecksum(game.fieldWidth, game.fieldHeight, game.fieldCells),
             game.gameMode == MODE_GAME_OVER};
    return r;
}

namespace {
const char* const keptName = "autosave.replay";
}  // namespace

void keepRecordingBesideAutosave()
{
    const std::filesystem::path folder = stateFolder();
    if (folder.empty())
        return;
    if (recorder.active)
        replaceFileContents(folder / keptName, formatReplay(currentRecording()));
    else {
        // A recording of another game would be taken up for this one.
        std::error_code ignored;
        std::filesystem::remove(folder / keptName, ignored);
    }
}

void takeUpRecordingBesideAutosave()
{
    Replay kept;
    const std::filesystem::path folder = stateFolder();
    if (folder.empty() || readReplayFile(folder / keptName, kept) != REPLAY_READ || !continueRecording(kept))
        startRecording();
}

bool beginPlayback(const Replay& replay)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    std::istringstream state(replay.state);
    if (!readGameState(state))
        return false;
    playback = Playback{};
    playback.replay = replay;
    playback.cellSize = replay.options.cellSize;
    playback.wasRecording = !recorder.resting;
    recorder.resting = true;
    applyOptions(replay.options);
    const ReplayExact& e = replay.exact;
    applyLoose({e.fallSpeed, e.shapeX, e.shapeY, e.slowdownTicks,
                (e.prevHigherHeld ? 1 : 0) | (e.prevLowerHeld ? 2 : 0), e.usedTextEvents});
    game.startingFallSpeed = e.startingFallSpeed;
    game.pendingRotation = ROTATE_NONE;
    return true;
}

PlaybackStep playbackStep()
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    if (playback.diverged)
        return PLAYBACK_DIVERGED;
    if (playback.quietLeft == 0) {
        if (playback.atEnd())
            return reachedTheRecordedEnd() ? PLAYBACK_FINISHED : PLAYBACK_DIVERGED;
        if (!readUpToTick() || game.gameMode == MODE_GAME_OVER) {
            playback.diverged = true;
            return PLAYBACK_DIVERGED;
        }
    }
    --playback.quietLeft;
    // The falling shape's position is kept in the recorded skin's pixels;
    // the viewer's own skin only draws.
    const int32_t shownCellSize = game.cellSize;
    game.cellSize = playback.cellSize;
    applyMoveKeys(playback.keys & 1, playback.keys & 2, playback.keys & 4);
    RandomTap* previous = setRandomTap(&playback);
    playback.drawsThisTick = 0;
    gameStep();
    setRandomTap(previous);
    game.cellSize = shownCellSize;
    ++playback.ticks;
    if (!playback.draws.empty() || playback.runLeft != 0)
        playback.diverged = true;
    playback.draws = {};
    if (playback.diverged)
        return PLAYBACK_DIVERGED;
    if (playback.atEnd())
        return reachedTheRecordedEnd() ? PLAYBACK_FINISHED : PLAYBACK_DIVERGED;
    return PLAYBACK_STEPPED;
}

void endPlayback()
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    if (playback.wasRecording)
        recorder.resting = false;
    playback = Playback{};
}

int64_t playbackTicks()
{
    return playback.ticks;
}
