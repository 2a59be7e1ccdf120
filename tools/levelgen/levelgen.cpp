// Writes the nine prepared fields of the "Killing Fields" and "Grand Master"
// levels into data/levels. Each picture is the lower part of the field as seen
// with gravity down: '#' stone (never moves, never clears), 'o' placed blocks,
// '.' empty. Side walls and the ground are added around it, the queue is grown
// by the game's own generator on a counting clock, so every run writes the
// same files.
#include "core/gamestate.h"
#include "core/generator.h"
#include "core/ports.h"
#include "persist/saveformat.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Level {
    const char* name;
    const char* tip;
    int32_t width, height;
    int32_t minBlocks, maxBlocks, extent;
    double fallSpeed;
    bool sudden;
    std::vector<std::string> picture;  // width - 2 cells a row
};

const std::vector<std::string> rabbitHole = {
    "######......######",
    "#######....#######",
    "#######....#######",
    "######....########",
    "#####....#########",
    "####....##########",
    "####...###########",
    "####....##########",
    "#####....#########",
    "######....########",
    "#######....#######",
    "########...#######",
    "#######....#######",
    "######....########",
    "#####o...o########",
    "####oo..ooo#######",
};

const std::vector<Level> levels = {
    {"Africa", "Africa! Clear the continent from the Mediterranean down to the Cape",
     20, 32, 4, 5, 4, 0.15, false,
     {
         "....oooo..ooo.....",
         "..oooooooooooo....",
         ".ooooooooooooooo..",
         "oooooooooooooooo..",
         "ooooooooooooooooo.",
         ".ooooooo#oooooooo.",
         "..oooooo##ooooooo.",
         "......ooooooooooo.",
         ".......oooo#ooo...",
         "........ooooooo...",
         "........oooooo..o.",
         "........ooooo..oo.",
         ".........oooo..oo.",
         ".........ooo...o..",
         "..........o.......",
     }},
    {"Farm", "Down on the farm: the barn stands for ever, but the hay bales can go",
     20, 30, 3, 5, 4, 0.15, false,
     {
         "........#.........",
         ".......###........",
         "......#####.......",
         ".....#######......",
         "....#########.....",
         ".....#ooooo#......",
         ".....#o#o#o#......",
         ".....#ooooo#..o.o.",
         ".....#oo.oo#..ooo.",
         "#.#.##oo.oo##.ooo.",
         "oooooooo.ooooooooo",
         "o.o.o.o.o.o.o.o.o.",
     }},
    {"Fountain", "The fountain in the square: the basin is stone, the water is yours to clear",
     20, 30, 4, 4, 4, 0.15, false,
     {
         "....o........o....",
         "...o...o..o...o...",
         "..o...o....o...o..",
         "..o..o..oo..o..o..",
         ".o...o..oo..o...o.",
         ".....o..oo..o.....",
         "........oo........",
         "#o.o.o.o##o.o.o.o#",
         "#oooooooooooooo.o#",
         ".##############.#.",
         "......####........",
         "......####........",
         "....########......",
     }},
    {"Galaxy", "A spiral galaxy with a black hole at its heart: the stars clear, the hole stays",
     20, 32, 3, 6, 5, 0.12, false,
     {
         ".......o..........",
         "....o.....oo..o...",
         "..o....ooo....o...",
         ".o...oo...o....o..",
         ".o..o..oo..o...o..",
         "o..o..o##o..o..o..",
         "o..o.o#..#o.o..o..",
         "o..o.o#..#o.o..o..",
         ".o..o.o##o..o..o..",
         ".o...o....oo..o...",
         "..o...ooooo..o....",
         "...o........o...o.",
         "....oooooooo......",
         ".o.........o..o...",
     }},
    {"Spiral", "Into the spiral! Its way in is on the right",
     20, 32, 4, 4, 4, 0.15, false,
     {
         "oooooooooooooooo..",
         "...............o..",
         "oooooooooooooo.o..",
         "o............o.o..",
         "o.oooooooooo.o.o..",
         "o.o........o.o.o..",
         "o.o.oooooo.o.o.o..",
         "o.o.o....o.o.o.o..",
         "o.o.o.o##o.o.o.o..",
         "o.o.o.oooo.o.o.o..",
         "o.o.o......o.o.o..",
         "o.o.oooooooo.o.o..",
         "o.o..........o.o..",
         "o.oooooooooooo.o..",
         "o..............o..",
         "oooooooooooooooo..",
     }},
    {"RabbitHole", "Follow the rabbit down the hole: slide your shapes along its bends",
     20, 32, 1, 4, 3, 0.12, false, rabbitHole},
    {"Smiley", "Keep smiling! The eyes and the mouth are made of stone",
     20, 30, 4, 4, 4, 0.15, false,
     {
         "......oooooo......",
         "....oo......oo....",
         "...o..........o...",
         "..o............o..",
         "..o...##..##...o..",
         ".o....##..##....o.",
         ".o..............o.",
         ".o......oo......o.",
         ".o..#........#..o.",
         "..o..#......#..o..",
         "..o...######...o..",
         "...o..........o...",
         "....oo......oo....",
         "......oooooo......",
     }},
    {"Warehouse", "Stack the crates: the shelves are bolted to the floor",
     20, 30, 4, 6, 4, 0.15, false,
     {
         "oooo..........oooo",
         "o..o..........o..o",
         "oooo..ooo.....oooo",
         "####..o.o..#..####",
         "#.....ooo..#.....#",
         "#..oooooo..#.ooo.#",
         "#..o....o..#.o.o.#",
         "#..oooooo..#.ooo.#",
         "#####..######..###",
         "#.........#......#",
         "#.oooo.oo.#.oooo.#",
         "#.o..o.oo.#.o..o.#",
         "#.oooo.oo.#.oooo.#",
         "####..#####..#####",
     }},
    {"SuddenlyRabbitHole", "Suddenly, the rabbit hole! Every shape drops at once, so line it up first",
     20, 32, 1, 4, 3, 0.3, true, rabbitHole},
};

uint32_t countingClock()
{
    static uint32_t now = 0;
    return now += 7;
}

void noSleep(uint32_t) {}

int32_t cellOf(char c)
{
    return c == '#' ? CELL_FIXED : c == 'o' ? CELL_PLACED : CELL_EMPTY;
}

bool buildField(const Level& level)
{
    const int32_t w = level.width, h = level.height;
    const int32_t top = h - 1 - static_cast<int32_t>(level.picture.size());
    if (top < level.extent + 1) {
        std::fprintf(stderr, "%s: picture leaves no room for the first shape\n", level.name);
        return false;
    }
    game.fieldCells.assign(w * h, CELL_EMPTY);
    for (int32_t r = 0; r < h; ++r) {
        game.fieldCells[r * w] = game.fieldCells[r * w + w - 1] = CELL_FIXED;
        if (r == h - 1)
            std::fill_n(game.fieldCells.begin() + r * w, w, int32_t(CELL_FIXED));
        else if (r >= top) {
            const std::string& row = level.picture[r - top];
            if (static_cast<int32_t>(row.size()) != w - 2 || row.find('.') == std::string::npos) {
                std::fprintf(stderr, "%s: row %d is %zu wide or has no gap\n", level.name, r - top, row.size());
                return false;
            }
            for (int32_t c = 0; c < w - 2; ++c)
                game.fieldCells[r * w + 1 + c] = cellOf(row[c]);
        }
    }
    return true;
}

bool writeLevel(const Level& level, const std::filesystem::path& directory)
{
    game = GameState{};
    game.fieldWidth = level.width;
    game.fieldHeight = level.height;
    game.cellCount = level.width * level.height;
    game.minBlocks = level.minBlocks;
    game.maxBlocks = level.maxBlocks;
    game.maxShapeExtent = level.extent;
    game.initialFallSpeed = game.fallSpeed = level.fallSpeed;
    game.suddenMode = level.sudden;
    // Restarting a level loads it again.
    game.levelFile = std::string("levels/") + level.name + ".sav";
    game.tipText = level.tip;
    if (!buildField(level))
        return false;
    game.scratchCells.assign(game.cellCount, CELL_EMPTY);
    for (ShapeMatrix& entry : game.shapeQueue)
        entry.assign(level.extent * level.extent, CELL_EMPTY);
    for (int i = 0; i <= queueLength; ++i)
        spawnNextShape();
    if (!fieldContains(game.fieldCells, CELL_ACTIVE)) {
        std::fprintf(stderr, "%s: the first shape does not spawn\n", level.name);
        return false;
    }

    const std::filesystem::path file = directory / (std::string(level.name) + ".sav");
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out || !writeGameState(out)) {
        std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
        return false;
    }
    std::printf("wrote %s\n", file.string().c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: levelgen <output directory>\n");
        return 2;
    }
    installClock({countingClock, noSleep});
    std::filesystem::create_directories(argv[1]);
    bool ok = true;
    for (const Level& level : levels)
        ok = writeLevel(level, argv[1]) && ok;
    return ok ? 0 : 1;
}
