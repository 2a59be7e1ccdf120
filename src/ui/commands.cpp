#include "ui/commands.h"

#include "core/services.h"
#include "core/utf8path.h"
#include "game/newgame.h"
#include "persist/savefiles.h"
#include "persist/settings.h"
#include "render/skins.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>

// In menu order. Level rows carry only their caption, id and level file.
const std::vector<SampleGame> sampleGames = {
    {40038, "Tetraminoes", 12, 25, 4, 4, 4, 1, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "", "", ""},
    {40088, "Mini-tetramino", 6, 20, 3, 4, 4, 1, 0.1, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "", "", "Fields 'n' Shapes"},
    {40089, "Micro-tetramino", 5, 15, 2, 4, 3, 1, 0.1, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "", "", "Fields 'n' Shapes"},
    {40090, "Nano-tetramino", 4, 15, 1, 4, 2, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "", "", "Fields 'n' Shapes"},
    {40091, "Mega-tetramino", 30, 21, 4, 4, 4, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "", "", "Fields 'n' Shapes"},
    {40092, "Torvel", 14, 25, 5, 5, 5, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "", "", "Fields 'n' Shapes"},
    {40096, "Pentamino", 6, 35, 5, 5, 4, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "", "", "Fields 'n' Shapes"},
    {40093, "Dralen", 12, 27, 4, 6, 5, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "", "", "Fields 'n' Shapes"},
    {40095, "Pure dralen", 14, 28, 6, 6, 6, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "In pure dralen you will only receive shapes with 6 blocks", "", "Fields 'n' Shapes"},
    {40097, "Vemba", 12, 30, 3, 8, 5, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "Warning! The shapes in Vemba will have up to 8 blocks", "", "Fields 'n' Shapes"},
    {40099, "Monsters!", 20, 35, 1, 25, 6, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "", "", "Fields 'n' Shapes"},
    {40098, "Sea bottom", 50, 15, 3, 5, 5, 1, 0.08, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "", "", "Fields 'n' Shapes"},
    {40100, "Sinking ships", 40, 25, 4, 16, 4, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "", "", "Fields 'n' Shapes"},
    {40101, "Under pressure", 40, 6, 2, 4, 4, 1, 0.05, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "", "", "Fields 'n' Shapes"},
    {40102, "Recycle bin", 8, 29, 1, 16, 4, 1, 0.1, false, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "", "", "Fields 'n' Shapes"},
    {40081, "Where are the borders?", 10, 25, 4, 5, 5, 1, 0.1, true, SIDES_NONE, GROUND_CENTER_BLOCK, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "Where are the field borders?!\n\nTip: Hang your shapes on the already placed blocks or they will fall thru", "", "Falling thru!"},
    {40082, "Hang while you can", 15, 30, 4, 5, 5, 1, 0.1, true, SIDES_SMALL_HOLES, GROUND_NONE, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "And where should I place the shapes so that they don't fall thru?\n\nTip: Note that the borders are jagged", "", "Falling thru!"},
    {40083, "Clog", 12, 25, 4, 5, 4, 1, 0.1, true, SIDES_BIG_HOLES, GROUND_SCATTERED, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "", "", "Falling thru!"},
    {40084, "Stairs", 20, 25, 2, 4, 4, 1, 0.1, true, SIDES_SOLID, GROUND_CORNER_BLOCK, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "This didn't look to be hard at start...\n\nTip: Attempt not to let your construction grow high too fast", "", "Falling thru!"},
    {40085, "Bridge", 20, 20, 5, 5, 5, 1, 0.1, true, SIDES_SOLID, GROUND_CORNER_BLOCK, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "But not with such a wide field!", "", "Falling thru!"},
    {40105, "Double Trouble", 8, 20, 4, 4, 4, 2, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "Now only double rows count...\n\nTip: Make sure you place double rows, singe rows don't count!", "", "Row Resistance"},
    {40109, "Three-in-a-row", 10, 25, 4, 4, 4, 3, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "Triple rows?", "", "Row Resistance"},
    {40110, "Only Sticks Allowed", 8, 30, 4, 4, 4, 4, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "I need a stick! NOW!", "", "Row Resistance"},
    {40111, "10-Times Worth It", 16, 35, 3, 5, 5, 10, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {0, 0, 0, 0, 0}, "It can't be 10\n\nTip: Yes it's madness, but now only 10 rows at once count", "", "Row Resistance"},
    {40170, "Up!", 12, 25, 4, 4, 4, 1, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_UP, false, false, {0, 0, 0, 0, 0}, "Tip: Shapes are falling upwards now", "", "Losing Orientation"},
    {40171, "Right!", 12, 25, 4, 4, 4, 1, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_RIGHT, false, false, {0, 0, 0, 0, 0}, "Tip: Shapes are falling to the right", "", "Losing Orientation"},
    {40172, "Left!", 12, 25, 4, 4, 4, 1, 0.15, true, SIDES_SOLID, GROUND_SOLID, FORCE_LEFT, false, false, {0, 0, 0, 0, 0}, "Tip: Shapes are falling to the left", "", "Losing Orientation"},
    {40117, "Africa", 0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}, "", "levels/Africa.sav", "Killing Fields"},
    {40125, "Farm", 0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}, "", "levels/Farm.sav", "Killing Fields"},
    {40126, "Fountain", 0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}, "", "levels/Fountain.sav", "Killing Fields"},
    {40127, "Galaxy", 0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}, "", "levels/Galaxy.sav", "Killing Fields"},
    {40131, "Spiral", 0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}, "", "levels/Spiral.sav", "Killing Fields"},
    {40128, "Rabbit Hole", 0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}, "", "levels/RabbitHole.sav", "Killing Fields"},
    {40119, "Smiley", 0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}, "", "levels/Smiley.sav", "Killing Fields"},
    {40129, "Warehouse", 0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}, "", "levels/Warehouse.sav", "Killing Fields"},
    {40174, "Unstable Field", 12, 25, 4, 4, 4, 1, 0.5, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {3, 3, 3, 0, 0}, "Unstable field!\n\nTip: Blocks will randomly change sometimes", "", "Extras!"},
    {40176, "Shattered Shapes", 12, 25, 4, 4, 4, 1, 0.5, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {1, 3, 3, 3, 0}, "Shattered shapes!\n\nTip: Those scattered blocks aren't a bug, they are just new kind of shapes", "", "Extras!"},
    {40175, "Annoying Rows", 12, 25, 4, 4, 4, 1, 0.5, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, false, {1, 1, 1, 1, 3}, "Gettin' annoyed?\n\nTip: Sometimes your placed rows just won't disappear and will turn into garbage", "", "Extras!"},
    {40143, "Sudden Mode!", 12, 25, 4, 4, 4, 1, 0.5, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, true, false, {0, 0, 0, 0, 0}, "Welcome to sudden mode! \nAll shapes will immediately fall to the ground, but you still have a short time to rotate and slide them", "", "Grand Master"},
    {40144, "Suddenly Stick Saved!", 12, 30, 4, 4, 4, 4, 0.3, true, SIDES_SOLID, GROUND_SOLID, FORCE_UP, true, false, {0, 0, 0, 0, 0}, "For pros only: 4 rows at once count! Moreover, the world is upside down!", "", "Grand Master"},
    {40145, "Suddlenly Rabbit Hole", 0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, false, false, {}, "", "levels/SuddenlyRabbitHole.sav", "Grand Master"},
    {40146, "Suddenly Five", 14, 30, 5, 5, 5, 1, 0.3, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, true, false, {0, 0, 0, 0, 0}, "Up for 5-tile shapes?", "", "Grand Master"},
    {40147, "Suddenly Clogged", 12, 25, 4, 4, 4, 1, 0.5, true, SIDES_BIG_HOLES, GROUND_CENTER_BLOCK, FORCE_RIGHT, true, false, {0, 0, 0, 0, 0}, "", "", "Grand Master"},
    {40180, "Suddenly Unstable", 12, 25, 4, 4, 4, 1, 0.5, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, true, false, {2, 2, 2, 2, 2}, "You can't survive in this changing world...", "", "Grand Master"},
    {40179, "Insanity", 12, 25, 4, 4, 4, 1, 0.5, true, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, true, true, {0, 0, 0, 0, 0}, "Insanity! Everything is sudden and invisibe", "", "Grand Master"},
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
    {40160, "Stones", 0}, {40161, "Digital", 1}, {40162, "Excercise Book", 2}, {40163, "Micro", 3},
    {40165, "Pink", 4}, {40166, "Biomass", 5}, {40167, "Neon", 6}, {40168, "Primitive", 7},
};
const Choice shiftChoices[] = {
    {40053, "Very Slow", 5}, {40046, "Slow", 8}, {40047, "Medium", 10}, {40048, "Fast", 15}, {40054, "Very Fast", 20},
};
const Choice zoomChoices[] = {
    {CMD_ZOOM_1, "1×", 1}, {CMD_ZOOM_2, "2×", 2}, {CMD_ZOOM_3, "3×", 3}, {CMD_ZOOM_4, "4×", 4},
    {CMD_ZOOM_FIT, "Fit screen", ZOOM_FIT_SCREEN},
};
const Choice fastFallChoices[] = {
    {40055, "Very Slow", 1}, {40050, "Slow", 2}, {40051, "Medium", 3}, {40052, "Fast", 4}, {40056, "Very Fast", 5},
};

struct Switch {
    int32_t id;
    const char* caption;
    bool GameState::*flag;
};

const Switch switches[] = {
    {40148, "Sounds", &GameState::soundsOn},
    {40149, "Music", &GameState::musicOn},
    {40112, "Predict Shapes", &GameState::predictShapes},
    {40113, "Show Shape Projection", &GameState::showProjection},
    {40132, "Random Events", &GameState::randomEvents},
    {40134, "Allow Wall Kicks", &GameState::allowWallKicks},
    {40136, "Allow Ground Kicks", &GameState::allowGroundKicks},
    {40151, "Fall Slowdown On Action", &GameState::fallSlowdownOnAction},
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
                         separator(), item("Hall of Fame...", CMD_HALL_OF_FAME)};
    MenuNode options{"Options", 0, {}};
    options.children = {choiceMenu("Graphical Style", styleChoices), switchItem(40148), switchItem(40149),
                        separator(), choiceMenu("Shifting Speed", shiftChoices),
                        choiceMenu("Fast Fall Speed", fastFallChoices), separator(), switchItem(40112),
                        switchItem(40113), separator(), switchItem(40132), switchItem(40134),
                        switchItem(40136), switchItem(40151), separator(),
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
        loadGameFromFile(pathFromUtf8(*path));
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
        if (id == 40112)
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

constexpr int32_t startUpGameId = 40081;

// Everything a setting row decides; the level file is cleared.
void assignSettings(const SampleGame& row, GameState& target = game)
{
    target.fieldWidth = row.fieldWidth;
    target.fieldHeight = row.fieldHeight;
    target.minBlocks = row.minBlocks;
    target.maxBlocks = row.maxBlocks;
    target.maxShapeExtent = row.maxShapeExtent;
    target.minRowsToClear = row.minRowsToClear;
    target.initialFallSpeed = row.initialFallSpeed;
    target.gradualSpeedup = row.gradualSpeedup;
    target.sidesType = row.sidesType;
    target.groundType = row.groundType;
    target.forceDirection = row.forceDirection;
    target.suddenMode = row.suddenMode;
    target.invisibilityMode = row.invisibilityMode;
    target.effectFrequency = row.effectFrequency;
    target.levelFile.clear();
    target.tipText = row.tipText;
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
    if (command >= 40004 && command <= CMD_ZOOM_FIT)
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

int32_t largestFittingZoom(int32_t playWidth, int32_t playHeight, const ScreenRoom& room)
{
    if (playWidth <= 0 || playHeight <= 0)
        return 0;
    const int32_t spareWidth = room.freeWidth - room.frameWidth;
    const int32_t spareHeight = room.freeHeight - room.frameHeight - room.menuBarHeight;
    return std::max(0, std::min(spareWidth / playWidth, spareHeight / playHeight));
}

int32_t appliedZoom(int32_t storedZoom, int32_t largestFitting)
{
    const int32_t fitting = std::max(1, largestFitting);
    if (storedZoom == ZOOM_FIT_SCREEN)
        return fitting;
    return std::min(std::clamp(storedZoom, 1, maxZoomFactor), fitting);
}

bool zoomItemEnabled(int32_t id, int32_t largestFitting)
{
    const Choice* zoom = findChoice(zoomChoices, id);
    return zoom == nullptr || zoom->value == ZOOM_FIT_SCREEN || zoom->value == 1 || zoom->value <= largestFitting;
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
        if (row.id == startUpGameId)
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
        GameState sample;
        assignSettings(row, sample);
        sample.startingFallSpeed = row.initialFallSpeed;
        if (rules == difficultyOf(sample))
            return row.caption;
    }
    return describeDifficulty(rules);
}
