#include "render/skins.h"

#include "core/gamestate.h"

#include <utility>

std::array<Skin, skinCount> skinTable = {{
    {{}, "BLOCKS_STONES", {}, "WORDS_STONES", skinCellSizes[0], 0},
    {{}, "BLOCKS_DIGITAL", {}, "WORDS_DIGITAL", skinCellSizes[1], 0},
    {{}, "BLOCKS_EXCERCISEBOOK", {}, "WORDS_EXCERCISEBOOK", skinCellSizes[2], 0},
    {{}, "BLOCKS_MICRO", {}, "WORDS_MICRO", skinCellSizes[3], 4},
    {{}, "BLOCKS_PINK", {}, "WORDS_PINK", skinCellSizes[4], 4},
    {{}, "BLOCKS_BIOMASS", {}, "WORDS_BIOMASS", skinCellSizes[5], 4},
    {{}, "BLOCKS_NEON", {}, "WORDS_NEON", skinCellSizes[6], 4},
    {{}, "BLOCKS_PRIMITIVE", {}, "WORDS_PRIMITIVE", skinCellSizes[7], 4},
}};

const std::array<const char*, skinCount> skinNames = {
    "Stones", "Digital", "Excercise Book", "Micro", "Pink", "Biomass", "Neon", "Primitive"};

void setSkinBitmaps(int32_t index, Bitmap blocks, Bitmap words)
{
    if (index < 0 || index >= skinCount)
        return;
    skinTable[index].blocksBitmap = std::move(blocks);
    skinTable[index].wordsBitmap = std::move(words);
}

void releaseSkinBitmaps()
{
    for (Skin& skin : skinTable) {
        skin.blocksBitmap = Bitmap();
        skin.wordsBitmap = Bitmap();
    }
}

void selectSkin(int32_t index)
{
    if (index < 0 || index >= skinCount)
        return;
    game.skinIndex = index;
    game.cellSize = skinTable[index].cellSize;
}

const Skin& currentSkin()
{
    const int32_t index = game.skinIndex;
    return skinTable[index >= 0 && index < skinCount ? index : 0];
}
