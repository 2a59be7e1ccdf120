#include "game/newgame.h"

#include "core/folders.h"
#include "core/gamestate.h"
#include "core/generator.h"
#include "core/utf8path.h"
#include "core/window.h"
#include "game/replay.h"
#include "persist/savefiles.h"

#include <algorithm>

namespace {

// Each side cell of a holed wall is a wall with the given chance in 100,
// left before right, row by row from the top.
void buildHoledSides(int32_t chance)
{
    const int32_t w = game.fieldWidth;
    for (int32_t row = 0; row < game.fieldHeight; ++row) {
        if (randomBelow(100) < chance)
            game.fieldCells[row * w] = CELL_FIXED;
        if (randomBelow(100) < chance)
            game.fieldCells[row * w + w - 1] = CELL_FIXED;
    }
}

void buildSides()
{
    const int32_t w = game.fieldWidth;
    switch (game.sidesType) {
    case SIDES_SOLID:
        for (int32_t row = 0; row < game.fieldHeight; ++row)
            game.fieldCells[row * w] = game.fieldCells[row * w + w - 1] = CELL_FIXED;
        break;
    case SIDES_SMALL_HOLES: buildHoledSides(75); break;
    case SIDES_BIG_HOLES: buildHoledSides(25); break;
    default: break;
    }
}

void placeCentreBlock()
{
    game.fieldCells[game.cellCount - game.fieldWidth / 2] = CELL_FIXED;
}

// Scattered blocks fall in the lower half of the grid, never on a wall or on
// each other.
void scatterGroundBlocks()
{
    const int32_t count = game.cellCount;
    if (count < 30) {
        placeCentreBlock();
        return;
    }
    const int32_t half = count / 2;
    for (int32_t block = std::max(1, count / 30); block > 0; --block) {
        int32_t index;
        do
            index = half + randomBelow(half);
        while (game.fieldCells[index] != CELL_EMPTY);
        game.fieldCells[index] = CELL_FIXED;
    }
}

void buildGround()
{
    const int32_t w = game.fieldWidth;
    switch (game.groundType) {
    case GROUND_SOLID:
        std::fill(game.fieldCells.end() - w, game.fieldCells.end(), int32_t(CELL_FIXED));
        break;
    case GROUND_CENTER_BLOCK: placeCentreBlock(); break;
    case GROUND_CORNER_BLOCK:
        game.fieldCells[game.cellCount - 1] = CELL_FIXED;
        game.fieldCells[game.cellCount - 1 - w] = CELL_EMPTY;  // a gap in the wall above it
        break;
    case GROUND_SCATTERED: scatterGroundBlocks(); break;
    default: break;
    }
}

// Level names are relative to the game directory; a rooted name from a
// stored file is taken relative to it too, and a name that climbs out of it
// ("../outside.sav") is refused like a level that cannot be opened, so a
// stored file never makes the game read elsewhere.
bool loadLevelFile()
{
    if (game.levelFile.empty())
        return false;
    const std::filesystem::path folder = dataFolder().lexically_normal();
    const std::filesystem::path level =
        (folder / pathFromUtf8(game.levelFile).relative_path()).lexically_normal();
    const std::filesystem::path inside = level.lexically_relative(folder);
    if (inside.empty() || *inside.begin() == ".." || *inside.begin() == ".") {
        showMessage("Couldn't open file to load game");
        return false;
    }
    return loadGameFromFile(level);
}

}  // namespace

void startNewGame()
{
    if (!loadLevelFile()) {
        game.cellCount = game.fieldHeight * game.fieldWidth;
        game.fieldCells.assign(game.cellCount, CELL_EMPTY);
        game.scratchCells.assign(game.cellCount, CELL_EMPTY);
        game.projectionCells.assign(game.cellCount, CELL_EMPTY);
        buildSides();
        buildGround();

        game.fallSpeed = game.initialFallSpeed;
        game.startingFallSpeed = game.fallSpeed;
        game.score = 0;
        setGameMode(MODE_PLAYING);

        for (ShapeMatrix& entry : game.shapeQueue)
            entry.assign(static_cast<size_t>(game.maxShapeExtent) * game.maxShapeExtent, CELL_EMPTY);
        // Ten spawns of empty entries fill the queue without placing anything;
        // the eleventh brings the first shape into the field.
        for (int i = 0; i <= queueLength; ++i)
            spawnNextShape();

        resizeWindow(false);
    }
    startRecording();
    if (!game.tipText.empty())
        showMessage("%s", game.tipText.c_str());
}
