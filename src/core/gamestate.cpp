#include "core/gamestate.h"

#include "core/ports.h"

#include <algorithm>
#include <limits>
#include <utility>

const std::array<const char*, 4> sidesTypeNames = {"Solid", "Small holes", "Big holes", "No sides"};
const std::array<const char*, 5> groundTypeNames = {
    "Solid", "Single center block", "Single corner block", "Scattered", "No ground"};
const std::array<const char*, 4> forceDirectionNames = {"Down", "Up", "Right", "Left"};
const std::array<const char*, 4> frequencyNames = {"Never", "Rarely", "Sometimes", "Often"};
const std::array<const char*, EFFECT_COUNT> effectNames = {
    "Flood", "Erosion", "Petrification", "Shattered shapes", "Row placement failure"};

GameState game;
std::recursive_mutex gameLock;

namespace {

// Each thread draws from its own generator, so the window thread's draws
// (new fields built from a menu) never disturb the game thread's sequence.
thread_local uint32_t generatorState = 1;
thread_local RandomTap* randomTap = nullptr;

int32_t nextRaw(uint32_t& state)
{
    state = state * 214013u + 2531011u;
    return static_cast<int32_t>((state >> 16) & 0x7fff);
}

}  // namespace

int32_t randomBelow(int32_t n)
{
    if (n < 2)
        return 0;
    int32_t value = 0;
    if (randomTap != nullptr && randomTap->give(n, value))
        return value;
    const uint32_t now = currentMilliseconds();
    if (randomTap != nullptr)
        randomTap->taken(now);
    return drawWithClock(generatorState, now, n);
}

int32_t drawWithClock(uint32_t& state, uint32_t now, int32_t n)
{
    // Adding a raw value keeps two draws within one millisecond apart.
    state = now + static_cast<uint32_t>(nextRaw(state));
    return nextRaw(state) % n;
}

uint32_t randomState()
{
    return generatorState;
}

RandomTap* setRandomTap(RandomTap* tap)
{
    return std::exchange(randomTap, tap);
}

bool fieldContains(const std::vector<int32_t>& grid, int32_t code)
{
    return std::find(grid.begin(), grid.end(), code) != grid.end();
}

void setGameMode(int32_t mode)
{
    game.gameMode = mode;
    if (mode == MODE_PLAYING)
        wakeSleepers();
}

void addToScore(int64_t points)
{
    constexpr int64_t top = std::numeric_limits<int32_t>::max();
    constexpr int64_t bottom = std::numeric_limits<int32_t>::min();
    game.score = static_cast<int32_t>(std::clamp<int64_t>(game.score + points, bottom, top));
}
