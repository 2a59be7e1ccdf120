// The one process-wide game record, its cell codes and enumerations, and the
// random source every game decision draws from.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// Cell codes. Grids and shape matrices hold nothing else, and the first four
// tile columns of every skin follow this order.
enum CellCode : int32_t {
    CELL_EMPTY = 0,
    CELL_FIXED = 1,   // walls, ground, petrified blocks: never move
    CELL_PLACED = 2,  // landed blocks
    CELL_ACTIVE = 3,  // the falling shape
};

enum GameMode : int32_t {
    MODE_PLAYING = 0,
    MODE_PAUSED = 1,
    MODE_GAME_OVER = 2,
    MODE_EDITOR = 3,
};

enum SidesType : int32_t {
    SIDES_SOLID = 0,
    SIDES_SMALL_HOLES = 1,
    SIDES_BIG_HOLES = 2,
    SIDES_NONE = 3,
};

enum GroundType : int32_t {
    GROUND_SOLID = 0,
    GROUND_CENTER_BLOCK = 1,
    GROUND_CORNER_BLOCK = 2,
    GROUND_SCATTERED = 3,
    GROUND_NONE = 4,
};

enum ForceDirection : int32_t {
    FORCE_DOWN = 0,
    FORCE_UP = 1,
    FORCE_RIGHT = 2,
    FORCE_LEFT = 3,
};

enum EffectFrequency : int32_t {
    FREQ_NEVER = 0,
    FREQ_RARELY = 1,
    FREQ_SOMETIMES = 2,
    FREQ_OFTEN = 3,
};

// Positions in GameState::effectFrequency.
enum EffectIndex : int32_t {
    EFFECT_FLOOD = 0,
    EFFECT_EROSION = 1,
    EFFECT_PETRIFICATION = 2,
    EFFECT_SHATTERED_SHAPES = 3,
    EFFECT_ROW_PLACEMENT_FAILURE = 4,
    EFFECT_COUNT = 5,
};

enum Rotation : int32_t {
    ROTATE_NONE = 0,
    ROTATE_CCW = 1,
    ROTATE_180 = 2,
    ROTATE_CW = 3,
};

// Indices into GameState::keyBindings.
enum KeyBindingIndex : int32_t {
    KEY_MOVE_LEFT = 0,
    KEY_MOVE_RIGHT = 1,
    KEY_MOVE_UP = 2,
    KEY_MOVE_DOWN = 3,
    KEY_ROTATE_CCW = 4,
    KEY_ROTATE_180 = 5,
    KEY_ROTATE_CW = 6,
    KEY_PAUSE = 7,
    KEY_ANTI_BOSS = 8,
    KEY_COUNT = 9,
};

// Display texts of the enumerations, in value order (the custom game dialog's lists).
extern const std::array<const char*, 4> sidesTypeNames;
extern const std::array<const char*, 5> groundTypeNames;
extern const std::array<const char*, 4> forceDirectionNames;
extern const std::array<const char*, 4> frequencyNames;
extern const std::array<const char*, EFFECT_COUNT> effectNames;

constexpr int tickLength = 10;  // milliseconds per game tick
constexpr int queueLength = 10;

// Score for removing N rows at once, N = 0..13.
constexpr std::array<int32_t, 14> rowScoreTable = {
    0, 1, 3, 10, 30, 100, 300, 1000, 3000, 10000, 30000, 100000, 300000, 1000000};

// The field sizes a game can reach: 4 to 50 cells a side from the custom game
// dialog, grown once by the broadening event (6 more columns, 2 x 20 + 6 more
// rows at the largest extent). Either side may be the long one. Anything
// larger is a damaged file, however it was made.
constexpr int32_t minFieldSide = 4;
constexpr int32_t maxFieldShortSide = 56;
constexpr int32_t maxFieldLongSide = 96;

constexpr bool fieldSizeReachable(int32_t width, int32_t height)
{
    const int32_t shorter = width < height ? width : height;
    const int32_t longer = width < height ? height : width;
    return shorter >= minFieldSide && shorter <= maxFieldShortSide && longer <= maxFieldLongSide;
}

using Grid = std::vector<int32_t>;         // row by row, fieldWidth cells a row
using ShapeMatrix = std::vector<int32_t>;  // maxShapeExtent x maxShapeExtent, row by row

// A value the window thread writes without gameLock. Copyable so the record
// can be reset as a whole; every access is a relaxed atomic load or store,
// which is all a single flag or mode handed between threads needs.
template <typename T>
class Shared {
public:
    Shared(T v = T{}) : value(v) {}
    Shared(const Shared& other) : value(other.load()) {}
    Shared& operator=(const Shared& other) { store(other.load()); return *this; }
    Shared& operator=(T v) { store(v); return *this; }
    operator T() const { return load(); }
    T load() const { return value.load(std::memory_order_relaxed); }
    void store(T v) { value.store(v, std::memory_order_relaxed); }
    T exchange(T v) { return value.exchange(v, std::memory_order_relaxed); }

private:
    std::atomic<T> value;
};

// The rules a game is played under: what a sample game, the custom game
// dialog and a Hall of Fame table each set or compare as one. In this order,
// so that a sample game's row reads as one list of numbers.
struct GameRules {
    int32_t fieldWidth = 20;
    int32_t fieldHeight = 40;
    int32_t minBlocks = 1;
    int32_t maxBlocks = 6;
    int32_t maxShapeExtent = 6;
    uint32_t minRowsToClear = 1;
    double initialFallSpeed = 0.4;
    bool gradualSpeedup = true;
    int32_t sidesType = SIDES_SOLID;
    int32_t groundType = GROUND_SOLID;
    int32_t forceDirection = FORCE_DOWN;
    bool suddenMode = false;
    bool invisibilityMode = false;
    std::array<int32_t, EFFECT_COUNT> effectFrequency{};

    bool operator==(const GameRules&) const = default;
};

struct GameState : GameRules {
    // Settings of the current game, besides its rules.
    int32_t cellCount = 800;
    std::string levelFile;
    std::string tipText;

    // Options (configuration file, never saved games).
    int32_t shiftSpeed = 20;
    int32_t fastFallSpeed = 3;
    bool predictShapes = true;
    bool showProjection = true;
    bool randomEvents = true;
    bool allowWallKicks = true;
    bool allowGroundKicks = true;
    bool fallSlowdownOnAction = true;
    bool soundsOn = true;
    bool musicOn = false;
    std::array<int32_t, KEY_COUNT> keyBindings{};
    int32_t skinIndex = 0;
    int32_t cellSize = 10;

    // Running state.
    Grid fieldCells;
    Grid scratchCells;
    Grid projectionCells;
    std::array<ShapeMatrix, queueLength> shapeQueue;
    int32_t shapeRow = 0;
    int32_t shapeColumn = 0;
    int32_t shapeBoxSize = 0;
    double shapeX = 0;
    double shapeY = 0;
    int32_t projectedRow = 0;
    bool projectionDirty = true;
    double fallSpeed = 0.4;
    // The fall speed the game began with; a restored game knows it only
    // from where it was restored.
    double startingFallSpeed = 0.4;
    int32_t score = 0;
    Shared<int32_t> gameMode{MODE_PLAYING};
    Shared<int32_t> pendingRotation{ROTATE_NONE};
    bool shiftRightPressed = false;
    bool shiftLeftPressed = false;
    bool shiftRightHeld = false;
    bool shiftLeftHeld = false;
    bool fastFallHeld = false;
    bool prevShiftRightHeld = false;
    bool prevShiftLeftHeld = false;
    int32_t slowdownTicks = 0;
    Shared<uint32_t> nextTickTime{0};  // the game thread's, read and written outside gameLock
};

// The one record of the process.
extern GameState game;

// Held by the game thread around each key poll and game step, and by the
// window thread for every paint and the whole of every menu command.
extern std::recursive_mutex gameLock;

// The one random source of all game logic: 0..n-1, or 0 without drawing when
// n < 2. Every draw reseeds this thread's generator from the millisecond clock.
int32_t randomBelow(int32_t n);

// A draw is decided by the generator's state and the clock's reading, so a
// replay needs only those: a recording is told the reading of each draw,
// and a playback draws from its own copy of the state with the recorded
// readings. Each thread has its own tap, so only the game thread's steps are
// seen; draws of n < 2 are no draws and never reach it.
class RandomTap {
public:
    virtual ~RandomTap() = default;
    // True with the value to use instead of drawing.
    virtual bool give(int32_t n, int32_t& value) = 0;
    virtual void taken(uint32_t now) = 0;
};
// The draw itself, from this state at this reading of the clock.
int32_t drawWithClock(uint32_t& state, uint32_t now, int32_t n);
// This thread's generator, as the next draw finds it.
uint32_t randomState();
// Sets this thread's tap (nullptr for none) and returns the one it replaces.
RandomTap* setRandomTap(RandomTap* tap);

// True when any cell of the grid (or shape matrix) holds the code.
bool fieldContains(const std::vector<int32_t>& grid, int32_t code);

// Sets gameMode; a game that starts or resumes playing wakes the game thread
// at once, which sleeps longer while nothing is played. Any thread.
void setGameMode(int32_t mode);

// Adds to the score, saturating at the largest 32-bit value instead of
// wrapping into a negative score.
void addToScore(int64_t points);
