#include "ui/commands.h"

#include "core/utf8path.h"
#include "core/window.h"
#include "game/newgame.h"
#include "game/replay.h"
#include "persist/savefiles.h"
#include "persist/settings.h"
#include "render/skins.h"
#include "ui/watching.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>

// In menu order. Level rows carry only their caption, id and level file.
const std::vector<SampleGame> sampleGames = {
    {CMD_SAMPLE_TETRAMINOES, "Tetraminoes", {12, 25, 4, 4, 4, 1, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "", "", ""},
    {CMD_SAMPLE_MINI_TETRAMINO, "Mini-tetramino", {6, 20, 3, 4, 4, 1, 0.1, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "", "", "Fields 'n' Shapes"},
    {CMD_SAMPLE_MICRO_TETRAMINO, "Micro-tetramino", {5, 15, 2, 4, 3, 1, 0.1, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "", "", "Fields 'n' Shapes"},
    {CMD_SAMPLE_NANO_TETRAMINO, "Nano-tetramino", {4, 15, 1, 4, 2, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "", "", "Fields 'n' Shapes"},
    {CMD_SAMPLE_MEGA_TETRAMINO, "Mega-tetramino", {30, 21, 4, 4, 4, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "", "", "Fields 'n' Shapes"},
    {CMD_SAMPLE_TORVEL, "Torvel", {14, 25, 5, 5, 5, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "", "", "Fields 'n' Shapes"},
    {CMD_SAMPLE_PENTAMINO, "Pentamino", {6, 35, 5, 5, 4, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "", "", "Fields 'n' Shapes"},
    {CMD_SAMPLE_DRALEN, "Dralen", {12, 27, 4, 6, 5, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "", "", "Fields 'n' Shapes"},
    {CMD_SAMPLE_PURE_DRALEN, "Pure dralen", {14, 28, 6, 6, 6, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "In pure dralen you will only receive shapes with 6 blocks", "", "Fields 'n' Shapes"},
    {CMD_SAMPLE_VEMBA, "Vemba", {12, 30, 3, 8, 5, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "Warning! The shapes in Vemba will have up to 8 blocks", "", "Fields 'n' Shapes"},
    {CMD_SAMPLE_MONSTERS, "Monsters!", {20, 35, 1, 25, 6, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "", "", "Fields 'n' Shapes"},
    {CMD_SAMPLE_SEA_BOTTOM, "Sea bottom", {50, 15, 3, 5, 5, 1, 0.08, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "", "", "Fields 'n' Shapes"},
    {CMD_SAMPLE_SINKING_SHIPS, "Sinking ships", {40, 25, 4, 16, 4, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "", "", "Fields 'n' Shapes"},
    {CMD_SAMPLE_UNDER_PRESSURE, "Under pressure", {40, 6, 2, 4, 4, 1, 0.05, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "", "", "Fields 'n' Shapes"},
    {CMD_SAMPLE_RECYCLE_BIN, "Recycle bin", {8, 29, 1, 16, 4, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "", "", "Fields 'n' Shapes"},
    {CMD_SAMPLE_WHERE_ARE_THE_BORDERS, "Where are the borders?", {10, 25, 4, 5, 5, 1, 0.1, true, SIDES_NONE, GROUND_CENTER_BLOCK, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "Where are the field borders?!\n\nTip: Hang your shapes on the already placed blocks or they will fall thru", "", "Falling thru!"},
    {CMD_SAMPLE_HANG_WHILE_YOU_CAN, "Hang while you can", {15, 30, 4, 5, 5, 1, 0.1, true, SIDES_SMALL_HOLES, GROUND_NONE, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "And where should I place the shapes so that they don't fall thru?\n\nTip: Note that the borders are jagged", "", "Falling thru!"},
    {CMD_SAMPLE_CLOG, "Clog", {12, 25, 4, 5, 4, 1, 0.1, true, SIDES_BIG_HOLES, GROUND_SCATTERED, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "", "", "Falling thru!"},
    {CMD_SAMPLE_STAIRS, "Stairs", {20, 25, 2, 4, 4, 1, 0.1, true, SIDES_SOLID, GROUND_CORNER_BLOCK, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "This didn't look to be hard at start...\n\nTip: Attempt not to let your construction grow high too fast", "", "Falling thru!"},
    {CMD_SAMPLE_BRIDGE, "Bridge", {20, 20, 5, 5, 5, 1, 0.1, true, SIDES_SOLID, GROUND_CORNER_BLOCK, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "But not with such a wide field!", "", "Falling thru!"},
    {CMD_SAMPLE_DOUBLE_TROUBLE, "Double Trouble", {8, 20, 4, 4, 4, 2, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "Now only double rows count...\n\nTip: Make sure you place double rows, singe rows don't count!", "", "Row Resistance"},
    {CMD_SAMPLE_THREE_IN_A_ROW, "Three-in-a-row", {10, 25, 4, 4, 4, 3, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "Triple rows?", "", "Row Resistance"},
    {CMD_SAMPLE_ONLY_STICKS_ALLOWED, "Only Sticks Allowed", {8, 30, 4, 4, 4, 4, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "I need a stick! NOW!", "", "Row Resistance"},
    {CMD_SAMPLE_TEN_TIMES_WORTH_IT, "10-Times Worth It", {16, 35, 3, 5, 5, 10, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}}, "It can't be 10\n\nTip: Yes it's madness, but now only 10 rows at once count", "", "Row Resistance"},
    {CMD_SAMPLE_UP, "Up!", {12, 25, 4, 4, 4, 1, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_UP, false, false, {0, 0, 0, 0, 0}}, "Tip: Shapes are falling upwards now", "", "Losing Orientation"},
    {CMD_SAMPLE_RIGHT, "Right!", {12, 25, 4, 4, 4, 1, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_RIGHT, false, false, {0, 0, 0, 0, 0}}, "Tip: Shapes are falling to the right", "", "Losing Orientation"},
    {CMD_SAMPLE_LEFT, "Left!", {12, 25, 4, 4, 4, 1, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_LEFT, false, false, {0, 0, 0, 0, 0}}, "Tip: Shapes are falling to the left", "", "Losing Orientation"},
    {CMD_SAMPLE_AFRICA, "Africa", {0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}}, "", "levels/Africa.sav", "Killing Fields"},
    {CMD_SAMPLE_FARM, "Farm", {0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}}, "", "levels/Farm.sav", "Killing Fields"},
    {CMD_SAMPLE_FOUNTAIN, "Fountain", {0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}}, "", "levels/Fountain.sav", "Killing Fields"},
    {CMD_SAMPLE_GALAXY, "Galaxy", {0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}}, "", "levels/Galaxy.sav", "Killing Fields"},
    {CMD_SAMPLE_SPIRAL, "Spiral", {0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}}, "", "levels/Spiral.sav", "Killing Fields"},
    {CMD_SAMPLE_RABBIT_HOLE, "Rabbit Hole", {0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}}, "", "levels/RabbitHole.sav", "Killing Fields"},
    {CMD_SAMPLE_SMILEY, "Smiley", {0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}}, "", "levels/Smiley.sav", "Killing Fields"},
    {CMD_SAMPLE_WAREHOUSE, "Warehouse", {0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}}, "", "levels/Warehouse.sav", "Killing Fields"},
    {CMD_SAMPLE_UNSTABLE_FIELD, "Unstable Field", {12, 25, 4, 4, 4, 1, 0.5, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {3, 3, 3, 0, 0}}, "Unstable field!\n\nTip: Blocks will randomly change sometimes", "", "Extras!"},
    {CMD_SAMPLE_SHATTERED_SHAPES, "Shattered Shapes", {12, 25, 4, 4, 4, 1, 0.5, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {1, 3, 3, 3, 0}}, "Shattered shapes!\n\nTip: Those scattered blocks aren't a bug, they are just new kind of shapes", "", "Extras!"},
    {CMD_SAMPLE_ANNOYING_ROWS, "Annoying Rows", {12, 25, 4, 4, 4, 1, 0.5, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {1, 1, 1, 1, 3}}, "Gettin' annoyed?\n\nTip: Sometimes your placed rows just won't disappear and will turn into garbage", "", "Extras!"},
    {CMD_SAMPLE_SUDDEN_MODE, "Sudden Mode!", {12, 25, 4, 4, 4, 1, 0.5, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, true, false, {0, 0, 0, 0, 0}}, "Welcome to sudden mode! \nAll shapes will immediately fall to the ground, but you still have a short time to rotate and slide them", "", "Grand Master"},
    {CMD_SAMPLE_SUDDENLY_STICK_SAVED, "Suddenly Stick Saved!", {12, 30, 4, 4, 4, 4, 0.3, true, SIDES_SOLID, GROUND_SOLID, FORCE_UP, true, false, {0, 0, 0, 0, 0}}, "For pros only: 4 rows at once count! Moreover, the world is upside down!", "", "Grand Master"},
    {CMD_SAMPLE_SUDDENLY_RABBIT_HOLE, "Suddlenly Rabbit Hole", {0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}}, "", "levels/SuddenlyRabbitHole.sav", "Grand Master"},
    {CMD_SAMPLE_SUDDENLY_FIVE, "Suddenly Five", {14, 30, 5, 5, 5, 1, 0.3, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, true, false, {0, 0, 0, 0, 0}}, "Up for 5-tile shapes?", "", "Grand Master"},
    {CMD_SAMPLE_SUDDENLY_CLOGGED, "Suddenly Clogged", {12, 25, 4, 4, 4, 1, 0.5, true, SIDES_BIG_HOLES, GROUND_CENTER_BLOCK, FORCE_RIGHT, true, false, {0, 0, 0, 0, 0}}, "", "", "Grand Master"},
    {CMD_SAMPLE_SUDDENLY_UNSTABLE, "Suddenly Unstable", {12, 25, 4, 4, 4, 1, 0.5, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, true, false, {2, 2, 2, 2, 2}}, "You can't survive in this changing world...", "", "Grand Master"},
    {CMD_SAMPLE_INSANITY, "Insanity", {12, 25, 4, 4, 4, 1, 0.5, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, true, true, {0, 0, 0, 0, 0}}, "Insanity! Everything is sudden and invisibe", "", "Grand Master"},
};

namespace {

CommandPort commandPort{};
void (*hallOfFameViewer)() = nullptr;

struct Choice {
    int32_t id;
    const char* caption;
    int32_t value;
};

const Choice styleChoices[] = {
    {CMD_STYLE_STONES, "Stones", 0}, {CMD_STYLE_DIGITAL, "Digital", 1},
    {CMD_STYLE_EXERCISE_BOOK, "Excercise Book", 2}, {CMD_STYLE_MICRO, "Micro", 3},
    {CMD_STYLE_PINK, "Pink", 4}, {CMD_STYLE_BIOMASS, "Biomass", 5},
    {CMD_STYLE_NEON, "Neon", 6}, {CMD_STYLE_PRIMITIVE, "Primitive", 7},
};
const Choice shiftChoices[] = {
    {CMD_SHIFT_VERY_SLOW, "Very Slow", 5}, {CMD_SHIFT_SLOW, "Slow", 8}, {CMD_SHIFT_MEDIUM, "Medium", 10},
    {CMD_SHIFT_FAST, "Fast", 15}, {CMD_SHIFT_VERY_FAST, "Very Fast", 20},
};
const Choice zoomChoices[] = {
    {CMD_ZOOM_1, "1×", 1}, {CMD_ZOOM_2, "2×", 2}, {CMD_ZOOM_3, "3×", 3}, {CMD_ZOOM_4, "4×", 4},
    {CMD_ZOOM_FIT, "Fit screen", ZOOM_FIT_SCREEN},
};
const Choice fastFallChoices[] = {
    {CMD_FAST_FALL_VERY_SLOW, "Very Slow", 1}, {CMD_FAST_FALL_SLOW, "Slow", 2}, {CMD_FAST_FALL_MEDIUM, "Medium", 3},
    {CMD_FAST_FALL_FAST, "Fast", 4}, {CMD_FAST_FALL_VERY_FAST, "Very Fast", 5},
};

struct Switch {
    int32_t id;
    const char* caption;
    bool GameState::*flag;
};

const Switch switches[] = {
    {CMD_SOUNDS, "Sounds", &GameState::soundsOn},
    {CMD_MUSIC, "Music", &GameState::musicOn},
    {CMD_PREDICT_SHAPES, "Predict Shapes", &GameState::predictShapes},
    {CMD_SHOW_PROJECTION, "Show Shape Projection", &GameState::showProjection},
    {CMD_RANDOM_EVENTS, "Random Events", &GameState::randomEvents},
    {CMD_ALLOW_WALL_KICKS, "Allow Wall Kicks", &GameState::allowWallKicks},
    {CMD_ALLOW_GROUND_KICKS, "Allow Ground Kicks", &GameState::allowGroundKicks},
    {CMD_FALL_SLOWDOWN_ON_ACTION, "Fall Slowdown On Action", &GameState::fallSlowdownOnAction},
};

const Switch* findSwitch(int32_t id)
{
    for (const Switch& s : switches)
        if (s.id == id)
            return &s;
    return nullptr;
}

template <size_t N>
const Choice* findChoice(const Choice (&choices)[N], int32_t id)
{
    for (const Choice& c : choices)
        if (c.id == id)
            return &c;
    return nullptr;
}

MenuNode item(const char* caption, int32_t id)
{
    return {caption, id, {}};
}

MenuNode separator()
{
    return {"", 0, {}};
}

template <size_t N>
MenuNode choiceMenu(const char* caption, const Choice (&choices)[N])
{
    MenuNode menu{caption, 0, {}};
    for (const Choice& c : choices)
        menu.children.push_back(item(c.caption, c.id));
    return menu;
}

MenuNode switchItem(int32_t id)
{
    return item(findSwitch(id)->caption, id);
}

MenuNode sampleGameMenu()
{
    MenuNode menu{"Sample Game", 0, {}};
    for (const SampleGame& row : sampleGames) {
        if (*row.submenu == '\0') {
            menu.children.push_back(item(row.caption, row.id));
            menu.children.push_back(separator());
            continue;
        }
        auto sub = std::find_if(menu.children.begin(), menu.children.end(),
                                [&](const MenuNode& node) { return node.caption == row.submenu; });
        if (sub == menu.children.end()) {
            menu.children.push_back({row.submenu, 0, {}});
            sub = menu.children.end() - 1;
        }
        sub->children.push_back(item(row.caption, row.id));
    }
    return menu;
}

std::vector<MenuNode> buildMenuTree()
{
    MenuNode gameMenu{"Game", 0, {}};
    gameMenu.children = {item("Custom Game...", CMD_CUSTOM_GAME), sampleGameMenu(), separator(),
                         item("Restart", CMD_RESTART), separator(), item("Save Game", CMD_SAVE_GAME),
                         item("Load Game", CMD_LOAD_GAME), separator(), item("Exit", CMD_EXIT),
                         separator(), item("Hall of Fame...", CMD_HALL_OF_FAME),
                         item("Watch Replay...", CMD_WATCH_REPLAY)};
    MenuNode options{"Options", 0, {}};
    options.children = {choiceMenu("Graphical Style", styleChoices), switchItem(CMD_SOUNDS), switchItem(CMD_MUSIC),
                        separator(), choiceMenu("Shifting Speed", shiftChoices),
                        choiceMenu("Fast Fall Speed", fastFallChoices), separator(),
                        switchItem(CMD_PREDICT_SHAPES), switchItem(CMD_SHOW_PROJECTION), separator(),
                        switchItem(CMD_RANDOM_EVENTS), switchItem(CMD_ALLOW_WALL_KICKS),
                        switchItem(CMD_ALLOW_GROUND_KICKS), switchItem(CMD_FALL_SLOWDOWN_ON_ACTION), separator(),
                        item("Configure Keys...", CMD_CONFIGURE_KEYS), separator(), choiceMenu("Zoom", zoomChoices)};
    MenuNode help{"?", 0, {}};
    help.children = {item("About", CMD_ABOUT), separator(), item("Editor Mode", CMD_EDITOR_MODE)};
    return {gameMenu, options, help};
}

template <typename Call>
void callPort(Call call)
{
    if (call)
        call();
}

void saveGameCommand()
{
    if (!commandPort.chooseSaveFile)
        return;
    if (const std::optional<std::string> path = commandPort.chooseSaveFile())
        saveGameToFile(pathFromUtf8(*path));
}

void loadGameCommand()
{
    if (!commandPort.chooseLoadFile)
        return;
    if (const std::optional<std::string> path = commandPort.chooseLoadFile())
        if (loadGameFromFile(pathFromUtf8(*path)))
            startRecording();
}

void watchReplayCommand()
{
    if (!commandPort.chooseReplayFile)
        return;
    if (const std::optional<std::string> path = commandPort.chooseReplayFile())
        watchReplay(pathFromUtf8(*path));
}

// Options: a style, a speed or a switch. False when the id is none of them.
bool runOptionCommand(int32_t id)
{
    if (const Choice* style = findChoice(styleChoices, id)) {
        selectSkin(style->value);
        resizeWindow(false);
    } else if (const Choice* shift = findChoice(shiftChoices, id)) {
        game.shiftSpeed = shift->value;
    } else if (const Choice* fastFall = findChoice(fastFallChoices, id)) {
        game.fastFallSpeed = fastFall->value;
    } else if (const Choice* zoom = findChoice(zoomChoices, id)) {
        extraSettings.zoom = zoom->value;
        extraSettings.zoomChosen = true;
        resizeWindow(true);
    } else if (const Switch* option = findSwitch(id)) {
        bool& flag = game.*(option->flag);
        flag = !flag;
        if (id == CMD_PREDICT_SHAPES)
            resizeWindow(false);  // the preview column comes or goes
        if (id == CMD_MUSIC && commandPort.musicSwitched)
            commandPort.musicSwitched(flag);
    } else {
        return false;
    }
    return true;
}

void runCommand(int32_t id)
{
    switch (id) {
    case CMD_ABOUT: callPort(commandPort.showAbout); return;
    case CMD_CUSTOM_GAME: callPort(commandPort.showCustomGame); return;
    case CMD_CONFIGURE_KEYS: callPort(commandPort.showKeys); return;
    case CMD_EXIT: callPort(commandPort.closeWindow); return;
    case CMD_RESTART: startNewGame(); return;
    case CMD_SAVE_GAME: saveGameCommand(); return;
    case CMD_LOAD_GAME: loadGameCommand(); return;
    case CMD_EDITOR_MODE: toggleEditorMode(); return;
    case CMD_HALL_OF_FAME: callPort(hallOfFameViewer); return;
    case CMD_WATCH_REPLAY: watchReplayCommand(); return;
    default: break;
    }
    if (runOptionCommand(id))
        return;
    for (const SampleGame& row : sampleGames)
        if (row.id == id) {
            applySampleGame(row);
            return;
        }
}

// Everything a setting row decides; the level file is cleared.
void assignSettings(const SampleGame& row)
{
    static_cast<GameRules&>(game) = row.rules;
    game.levelFile.clear();
    game.tipText = row.tipText;
}

// Which field cell a click on the screen cell (x, y) means, for each gravity.
void cellUnderClick(int32_t screenX, int32_t screenY, int32_t& column, int32_t& row)
{
    const int32_t w = game.fieldWidth, h = game.fieldHeight;
    switch (game.forceDirection) {
    case FORCE_UP: column = w - 1 - screenX; row = h - 1 - screenY; break;
    case FORCE_RIGHT: column = w - 1 - screenY; row = screenX; break;
    case FORCE_LEFT: column = screenY; row = h - 1 - screenX; break;
    default: column = screenX; row = screenY; break;
    }
}

void editCellAt(int32_t x, int32_t y)
{
    // Click positions arrive as unsigned 16-bit values.
    const int32_t px = static_cast<uint16_t>(x), py = static_cast<uint16_t>(y);
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    int32_t column, row;
    cellUnderClick((px - fieldOriginX) / game.cellSize, (py - fieldOriginY) / game.cellSize, column, row);
    if (column < 0 || column >= game.fieldWidth || row < 0 || row >= game.fieldHeight)
        return;
    int32_t& cell = game.fieldCells[row * game.fieldWidth + column];
    switch (cell) {
    case CELL_EMPTY: cell = CELL_FIXED; break;
    case CELL_FIXED: cell = CELL_PLACED; break;
    default: cell = CELL_EMPTY; break;
    }
    game.projectionDirty = true;
}

}  // namespace

const std::vector<MenuNode>& menuTree()
{
    static const std::vector<MenuNode> tree = buildMenuTree();
    return tree;
}

void installCommandPort(const CommandPort& port)
{
    commandPort = port;
}

void handleMenuCommand(int32_t id)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    const int32_t command = id & 0xFFFF;
    if (command >= CMD_LOWEST && command <= CMD_HIGHEST)
        runCommand(command);
}

void applySampleGame(const SampleGame& row)
{
    if (*row.levelFile != '\0')
        game.levelFile = row.levelFile;
    else
        assignSettings(row);
    startNewGame();
}

void toggleEditorMode()
{
    game.gameMode = game.gameMode == MODE_EDITOR ? MODE_PAUSED : MODE_EDITOR;
    requestRepaint(false);
}

std::optional<bool> menuItemChecked(int32_t id)
{
    if (const Choice* style = findChoice(styleChoices, id))
        return game.skinIndex == style->value;
    if (const Choice* shift = findChoice(shiftChoices, id))
        return game.shiftSpeed == shift->value;
    if (const Choice* fastFall = findChoice(fastFallChoices, id))
        return game.fastFallSpeed == fastFall->value;
    if (const Switch* option = findSwitch(id))
        return game.*(option->flag);
    if (const Choice* zoom = findChoice(zoomChoices, id))
        return extraSettings.zoom == zoom->value;
    if (id == CMD_EDITOR_MODE)
        return game.gameMode == MODE_EDITOR;
    return std::nullopt;
}

bool menuItemIsChoice(int32_t id)
{
    return findChoice(styleChoices, id) || findChoice(shiftChoices, id) || findChoice(fastFallChoices, id)
        || findChoice(zoomChoices, id);
}

void handleLeftClick(int32_t x, int32_t y)
{
    switch (game.gameMode) {
    case MODE_PLAYING: game.gameMode = MODE_PAUSED; break;
    case MODE_PAUSED: setGameMode(MODE_PLAYING); break;
    case MODE_EDITOR: editCellAt(x, y); break;
    default: break;
    }
    requestRepaint(eraseOnRepaint);
}

void applyStartUpSettings()
{
    // The settings of "Where are the borders?", without its tip.
    for (const SampleGame& row : sampleGames)
        if (row.id == CMD_SAMPLE_WHERE_ARE_THE_BORDERS)
            assignSettings(row);
    game.tipText.clear();
}

void installHallOfFameViewer(void (*viewer)())
{
    hallOfFameViewer = viewer;
}

std::string hallTableName(const Difficulty& rules)
{
    for (const SampleGame& row : sampleGames) {
        if (*row.levelFile != '\0') {
            if (rules.levelFile == row.levelFile)
                return row.caption;
            continue;
        }
        if (rules == Difficulty{row.rules, ""})
            return row.caption;
    }
    return describeDifficulty(rules);
}
