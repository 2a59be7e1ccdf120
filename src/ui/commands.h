// What the menu commands do, the sample-game catalogue and the mouse click
// rule, as plain functions over the game record. The Qt window only builds
// the menus from menuTree and forwards ids, clicks and checks here.
#pragma once

#include "core/gamestate.h"
#include "persist/halloffame.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Command ids of the menus that are not sample games or options.
enum CommandId : int32_t {
    CMD_ABOUT = 40004,
    CMD_TETRAMINOES = 40038,
    CMD_CUSTOM_GAME = 40039,
    CMD_EXIT = 40040,
    CMD_RESTART = 40041,
    CMD_SAVE_GAME = 40064,
    CMD_LOAD_GAME = 40065,
    CMD_CONFIGURE_KEYS = 40069,
    CMD_EDITOR_MODE = 40114,
    CMD_MUSIC = 40149,
    CMD_HALL_OF_FAME = 40200,
    CMD_ZOOM_1 = 40201,
    CMD_ZOOM_2 = 40202,
    CMD_ZOOM_3 = 40203,
    CMD_ZOOM_4 = 40204,
    CMD_ZOOM_FIT = 40205,
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

// Zoom. The room the window has on its screen: the screen's free area, and
// what the window adds around the play area (its frame, both sides together,
// and the menu bar).
struct ScreenRoom {
    int32_t freeWidth, freeHeight;
    int32_t frameWidth, frameHeight;
    int32_t menuBarHeight;
};

// The largest whole factor at which the window around a play area of this
// size fits the room; 0 when not even 1x does.
int32_t largestFittingZoom(int32_t playWidth, int32_t playHeight, const ScreenRoom& room);

// The factor the play area is drawn at: the stored choice (extraSettings.zoom)
// when it fits, otherwise the largest that does, and 1 when none does. "Fit
// screen" is the largest that fits. The stored choice itself never changes.
int32_t appliedZoom(int32_t storedZoom, int32_t largestFitting);

// Whether a zoom item can be chosen: 1x and "Fit screen" always, the other
// factors when their window fits. True for items that are not zoom factors.
bool zoomItemEnabled(int32_t id, int32_t largestFitting);

// A left click at a pixel of the play area: pause, resume, or in editor mode
// cycle the clicked cell. Window thread, without gameLock.
void handleLeftClick(int32_t x, int32_t y);

// The settings of the first game when no automatic save was found.
void applyStartUpSettings();
