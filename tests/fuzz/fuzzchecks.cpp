#include "fuzz/fuzzchecks.h"

#include "core/folders.h"
#include "core/gamestate.h"
#include "core/skinsizes.h"
#include "events/randomevents.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/replay.h"
#include "game/tick.h"
#include "persist/config.h"
#include "persist/halloffame.h"
#include "persist/replayformat.h"
#include "persist/saveformat.h"
#include "persist/settings.h"
#include "support/fakes.h"
#include "support/invariants.h"
#include "support/samplestates.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <mutex>
#include <sstream>

namespace {

constexpr int32_t playedTicks = 300;
// Stepping costs time in proportion to the field; huge fields are only read
// and saved, so that one input cannot stall the fuzzer.
constexpr int32_t largestPlayedField = 40000;

// A recording may ask for any number of quiet ticks; playing stops after
// this many, fewer on a large field, so that one input cannot stall the
// fuzzer.
constexpr int64_t replayedTicks = 200000;
constexpr int64_t replayedCellTicks = int64_t(200) * 1000 * 1000;

const std::array<int32_t, 4> arrowKeys = {37, 38, 39, 40};

// The game a refused file must leave alone: a default game in progress.
const GameState& gameBeforeLoading()
{
    static const GameState prototype = [] {
        game = GameState{};
        loadDefaultKeys(game.keyBindings);
        startNewGame();
        return game;
    }();
    return prototype;
}

std::string savedText()
{
    std::ostringstream out;
    if (!writeGameState(out))
        return {};
    return out.str();
}

bool readText(const std::string& text)
{
    std::istringstream in(text);
    return readGameState(in);
}

// The player's hands, derived from the input so that a run repeats exactly.
class Hands {
public:
    Hands(const uint8_t* data, size_t size)
    {
        for (size_t i = 0; i < size; ++i)
            state = (state ^ data[i]) * 1099511628211u;
    }

    uint32_t next(uint32_t n)
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<uint32_t>(state >> 33) % n;
    }

private:
    uint64_t state = 14695981039346656037u;
};

// Every key up and every pending press consumed, so that the next input
// starts from a quiet keyboard.
void quietKeys()
{
    releaseAllKeys();
    for (int32_t key : arrowKeys)
        queryKey(key);
}

std::string play(Hands& hands)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    bool restarted = false;
    for (int32_t tick = 0; tick < playedTicks; ++tick) {
        if (game.gameMode == MODE_GAME_OVER) {
            if (restarted)
                break;
            // A new game from the loaded settings; a level name from the file
            // is not followed, the fuzzer must not read files at random.
            game.levelFile.clear();
            startNewGame();
            restarted = true;
            if (std::string broken = brokenInvariant(); !broken.empty())
                return "new game after loading: " + broken;
        }
        const uint32_t roll = hands.next(16);
        const int32_t key = arrowKeys[hands.next(4)];
        if (roll < 3)
            setKeyDown(key);
        else if (roll < 6)
            setKeyUp(key);
        else if (roll < 8)
            game.pendingRotation = static_cast<int32_t>(1 + hands.next(3));
        pollKeys();
        gameStep();
        if (std::string broken = brokenInvariant(); !broken.empty())
            return "tick " + std::to_string(tick) + ": " + broken;
    }
    return {};
}

}  // namespace

std::string checkSavedGameInput(const uint8_t* data, size_t size)
{
    fakeClock::install(1000, 1);
    usedTextEvents = 0;
    const GameState& before = gameBeforeLoading();
    game = before;

    const std::string input(reinterpret_cast<const char*>(data), size);
    if (!readText(input)) {
        if (!sameGame(game, before))
            return "a refused file changed the game";
        return {};
    }
    if (std::string broken = brokenInvariant(); !broken.empty())
        return "accepted file: " + broken;
    if (game.gameMode != MODE_PLAYING)
        return "accepted file is not playing";

    const std::string saved = savedText();
    if (saved.empty())
        return "an accepted game does not save";
    if (!readText(saved))
        return "an accepted game saves as a file that is refused";
    if (savedText() != saved)
        return "saving, loading and saving again changes the file";

    if (game.cellCount > largestPlayedField)
        return {};
    Hands hands(data, size);
    std::string complaint = play(hands);
    quietKeys();
    return complaint;
}

std::string checkConfigurationInput(const std::filesystem::path& directory, const uint8_t* data, size_t size)
{
    gameDirectory = directory;
    {
        std::ofstream out(directory / "dralen.cfg", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out)
            return "could not write the input";
    }
    game = GameState{};
    loadConfiguration();

    if (game.skinIndex < 0 || game.skinIndex >= skinCount)
        return "skin " + std::to_string(game.skinIndex);
    if (game.cellSize != skinCellSizes[game.skinIndex])
        return "cell size " + std::to_string(game.cellSize);
    if (game.shiftSpeed < 1 || game.shiftSpeed > 100)
        return "shifting speed " + std::to_string(game.shiftSpeed);
    if (game.fastFallSpeed < 1 || game.fastFallSpeed > 10)
        return "fast fall speed " + std::to_string(game.fastFallSpeed);
    for (int32_t key : game.keyBindings)
        if (!isKeyCode(key))
            return "key code " + std::to_string(key);

    const GameState loaded = game;
    saveConfiguration();
    game = GameState{};
    loadConfiguration();
    const bool same = game.skinIndex == loaded.skinIndex && game.cellSize == loaded.cellSize
        && game.shiftSpeed == loaded.shiftSpeed && game.fastFallSpeed == loaded.fastFallSpeed
        && game.predictShapes == loaded.predictShapes && game.showProjection == loaded.showProjection
        && game.randomEvents == loaded.randomEvents && game.allowWallKicks == loaded.allowWallKicks
        && game.allowGroundKicks == loaded.allowGroundKicks
        && game.fallSlowdownOnAction == loaded.fallSlowdownOnAction && game.soundsOn == loaded.soundsOn
        && game.musicOn == loaded.musicOn && game.keyBindings == loaded.keyBindings;
    if (!same)
        return "the options changed on their way through a save";
    return {};
}

std::string checkHallOfFameInput(const uint8_t* data, size_t size)
{
    bool damaged = false;
    const HallOfFame read = parseHallOfFame(std::string(reinterpret_cast<const char*>(data), size), damaged);
    const std::string written = formatHallOfFame(read);
    if (written.size() > (1u << 20))
        return "writes a file of " + std::to_string(written.size()) + " bytes, more than the reader takes";
    bool skipped = false;
    const HallOfFame back = parseHallOfFame(written, damaged, &skipped);
    if (damaged)
        return "what it writes reads as damaged";
    if (skipped)
        return "what it writes has lines the reader skips";
    if (formatHallOfFame(back) != written)
        return "writing, reading and writing again changes the file";
    return {};
}

std::string checkSettingsInput(const std::filesystem::path& directory, const uint8_t* data, size_t size)
{
    gameDirectory = directory;
    {
        std::ofstream out(directory / "settings.cfg", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out)
            return "could not write the input";
    }
    loadExtraSettings();
    if (extraSettings.zoom < 0 || extraSettings.zoom > maxZoomFactor)
        return "zoom " + std::to_string(extraSettings.zoom);
    const ExtraSettings loaded = extraSettings;
    saveExtraSettings();
    loadExtraSettings();
    if (extraSettings.zoom != loaded.zoom || extraSettings.autosavedRules != loaded.autosavedRules)
        return "the settings changed on their way through a save";
    return {};
}

std::string checkReplayInput(const uint8_t* data, size_t size)
{
    fakeClock::install(1000, 1);
    usedTextEvents = 0;
    game = GameState{};
    Replay replay;
    if (parseReplay(std::string_view(reinterpret_cast<const char*>(data), size), replay) != REPLAY_READ)
        return {};
    const std::string written = formatReplay(replay);
    Replay back;
    if (parseReplay(written, back) != REPLAY_READ)
        return "what it writes is refused";
    if (formatReplay(back) != written)
        return "writing, reading and writing again changes the text";

    std::lock_guard<std::recursive_mutex> lock(gameLock);
    if (!beginPlayback(replay))
        return {};
    const int64_t cap = std::min(replayedTicks, replayedCellTicks / std::max<int64_t>(1, game.cellCount));
    while (playbackStep() == PLAYBACK_STEPPED && playbackTicks() < cap)
        ;
    endPlayback();
    return {};
}
