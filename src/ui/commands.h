// What the menu commands do, the sample-game catalogue and the mouse click
// rule, as plain functions over the game record: part of the shell that both
// front ends drive. Each builds its menus from menuTree and forwards ids,
// clicks and checks here.
#pragma once

#include "core/gamestate.h"
#include "persist/halloffame.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The menus' command ids. Each front end uses them as its platform's menu
// item ids and hands them through as they are, so their values stay fixed.
enum CommandId : int32_t {
    CMD_ABOUT = 40004,
    CMD_CUSTOM_GAME = 40039,
    CMD_EXIT = 40040,
    CMD_RESTART = 40041,
    CMD_SAVE_GAME = 40064,
    CMD_LOAD_GAME = 40065,
    CMD_CONFIGURE_KEYS = 40069,
    CMD_EDITOR_MODE = 40114,
    CMD_HALL_OF_FAME = 40200,
    CMD_ZOOM_1 = 40201,
    CMD_ZOOM_2 = 40202,
    CMD_ZOOM_3 = 40203,
    CMD_ZOOM_4 = 40204,
    CMD_ZOOM_FIT = 40205,
    CMD_WATCH_REPLAY = 40206,
    // Sample games, in menu order.
    CMD_SAMPLE_TETRAMINOES = 40038,
    CMD_SAMPLE_MINI_TETRAMINO = 40088,
    CMD_SAMPLE_MICRO_TETRAMINO = 40089,
    CMD_SAMPLE_NANO_TETRAMINO = 40090,
    CMD_SAMPLE_MEGA_TETRAMINO = 40091,
    CMD_SAMPLE_TORVEL = 40092,
    CMD_SAMPLE_PENTAMINO = 40096,
    CMD_SAMPLE_DRALEN = 40093,
    CMD_SAMPLE_PURE_DRALEN = 40095,
    CMD_SAMPLE_VEMBA = 40097,
    CMD_SAMPLE_MONSTERS = 40099,
    CMD_SAMPLE_SEA_BOTTOM = 40098,
    CMD_SAMPLE_SINKING_SHIPS = 40100,
    CMD_SAMPLE_UNDER_PRESSURE = 40101,
    CMD_SAMPLE_RECYCLE_BIN = 40102,
    CMD_SAMPLE_WHERE_ARE_THE_BORDERS = 40081,
    CMD_SAMPLE_HANG_WHILE_YOU_CAN = 40082,
    CMD_SAMPLE_CLOG = 40083,
    CMD_SAMPLE_STAIRS = 40084,
    CMD_SAMPLE_BRIDGE = 40085,
    CMD_SAMPLE_DOUBLE_TROUBLE = 40105,
    CMD_SAMPLE_THREE_IN_A_ROW = 40109,
    CMD_SAMPLE_ONLY_STICKS_ALLOWED = 40110,
    CMD_SAMPLE_TEN_TIMES_WORTH_IT = 40111,
    CMD_SAMPLE_UP = 40170,
    CMD_SAMPLE_RIGHT = 40171,
    CMD_SAMPLE_LEFT = 40172,
    CMD_SAMPLE_AFRICA = 40117,
    CMD_SAMPLE_FARM = 40125,
    CMD_SAMPLE_FOUNTAIN = 40126,
    CMD_SAMPLE_GALAXY = 40127,
    CMD_SAMPLE_SPIRAL = 40131,
    CMD_SAMPLE_RABBIT_HOLE = 40128,
    CMD_SAMPLE_SMILEY = 40119,
    CMD_SAMPLE_WAREHOUSE = 40129,
    CMD_SAMPLE_UNSTABLE_FIELD = 40174,
    CMD_SAMPLE_SHATTERED_SHAPES = 40176,
    CMD_SAMPLE_ANNOYING_ROWS = 40175,
    CMD_SAMPLE_SUDDEN_MODE = 40143,
    CMD_SAMPLE_SUDDENLY_STICK_SAVED = 40144,
    CMD_SAMPLE_SUDDENLY_RABBIT_HOLE = 40145,
    CMD_SAMPLE_SUDDENLY_FIVE = 40146,
    CMD_SAMPLE_SUDDENLY_CLOGGED = 40147,
    CMD_SAMPLE_SUDDENLY_UNSTABLE = 40180,
    CMD_SAMPLE_INSANITY = 40179,
    // Graphical Style.
    CMD_STYLE_STONES = 40160,
    CMD_STYLE_DIGITAL = 40161,
    CMD_STYLE_EXERCISE_BOOK = 40162,
    CMD_STYLE_MICRO = 40163,
    CMD_STYLE_PINK = 40165,
    CMD_STYLE_BIOMASS = 40166,
    CMD_STYLE_NEON = 40167,
    CMD_STYLE_PRIMITIVE = 40168,
    // Shifting Speed.
    CMD_SHIFT_VERY_SLOW = 40053,
    CMD_SHIFT_SLOW = 40046,
    CMD_SHIFT_MEDIUM = 40047,
    CMD_SHIFT_FAST = 40048,
    CMD_SHIFT_VERY_FAST = 40054,
    // Fast Fall Speed.
    CMD_FAST_FALL_VERY_SLOW = 40055,
    CMD_FAST_FALL_SLOW = 40050,
    CMD_FAST_FALL_MEDIUM = 40051,
    CMD_FAST_FALL_FAST = 40052,
    CMD_FAST_FALL_VERY_FAST = 40056,
    // Switches.
    CMD_SOUNDS = 40148,
    CMD_MUSIC = 40149,
    CMD_PREDICT_SHAPES = 40112,
    CMD_SHOW_PROJECTION = 40113,
    CMD_RANDOM_EVENTS = 40132,
    CMD_ALLOW_WALL_KICKS = 40134,
    CMD_ALLOW_GROUND_KICKS = 40136,
    CMD_FALL_SLOWDOWN_ON_ACTION = 40151,
    // Every command id lies between these two.
    CMD_LOWEST = CMD_ABOUT,
    CMD_HIGHEST = CMD_WATCH_REPLAY,
};

// One row of the catalogue: either a complete set of settings with an
// optional tip, or a level file (levelFile non-empty) and nothing else.
struct SampleGame {
    int32_t id;
    const char* caption;
    GameRules rules;
    const char* tipText;
    const char* levelFile;
    const char* submenu;  // empty: directly in "Sample Game"
};

extern const std::vector<SampleGame> sampleGames;

// The menu bar as a tree: a caption with an id (0 for a submenu or a
// separator, whose caption is empty) and its children.
struct MenuNode {
    std::string caption;
    int32_t id;
    std::vector<MenuNode> children;
    bool isSeparator() const { return caption.empty(); }
};

const std::vector<MenuNode>& menuTree();

// What the commands need from the window: dialogs, file choosers, closing.
// Installed by the main window; tests install their own.
struct CommandPort {
    void (*showAbout)();
    void (*showCustomGame)();
    void (*showKeys)();
    // A path chosen in the save or load dialog, or nothing when cancelled.
    std::optional<std::string> (*chooseSaveFile)();
    std::optional<std::string> (*chooseLoadFile)();
    void (*closeWindow)();
    // "Music" was switched; the audio side turns it into its requests.
    void (*musicSwitched)(bool on);
    // A replay chosen to watch, or nothing when cancelled.
    std::optional<std::string> (*chooseReplayFile)();
};
void installCommandPort(const CommandPort& port);

// What "Hall of Fame..." opens; installed by the main window.
void installHallOfFameViewer(void (*viewer)());

// The name of a Hall of Fame table: the sample game played under these
// rules, or a short description of them.
std::string hallTableName(const Difficulty& rules);

// Runs a menu command by id (only the low 16 bits count) under gameLock.
// Unknown ids do nothing. Window thread.
void handleMenuCommand(int32_t id);

// Assigns the row's settings, or only its level file, and starts a new game.
void applySampleGame(const SampleGame& row);

// Editor mode on, or off into a paused game.
void toggleEditorMode();

// Whether the menu item of this id carries a check mark now; nullopt for
// items that never do.
std::optional<bool> menuItemChecked(int32_t id);

// True for the items of the one-of-many submenus (Graphical Style, Shifting
// Speed, Fast Fall Speed), which show a round mark on the chosen item.
bool menuItemIsChoice(int32_t id);

// A left click at a pixel of the play area: pause, resume, or in editor mode
// cycle the clicked cell. Window thread, without gameLock.
void handleLeftClick(int32_t x, int32_t y);

// The settings of the first game when no automatic save was found.
void applyStartUpSettings();
