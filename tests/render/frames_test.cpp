// Whole frames of saved games, pinned pixel for pixel: each frame's pixels
// hash to what the renderer drew before it left Qt (QImage frames and skins
// loaded by QImage from the same .bmp files), for eight skins, the four
// gravity directions, the side panel, the projection, PAUSE and EDIT, the
// score, a margin and a missing words image.
#include "core/gamestate.h"
#include "core/window.h"
#include "persist/saveformat.h"
#include "render/renderer.h"
#include "render/skins.h"
#include "support/gametest.h"
#include "support/skinfiles.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// FNV-1a, 64 bits, over the width, the height and every pixel, each as four
// bytes from the lowest.
uint64_t frameHash(const Bitmap& frame)
{
    uint64_t hash = 1469598103934665603ull;
    auto mix = [&](uint32_t value) {
        for (int k = 0; k < 4; ++k) {
            hash ^= (value >> (8 * k)) & 0xFF;
            hash *= 1099511628211ull;
        }
    };
    mix(uint32_t(frame.width));
    mix(uint32_t(frame.height));
    for (uint32_t pixel : frame.pixels)
        mix(pixel);
    return hash;
}

// What lies in the frame before the paint: a pattern, so that a pixel drawn
// where it was not before, or left alone where it was drawn, shows.
uint32_t backdrop(int32_t x, int32_t y)
{
    return 0xFF000000u | uint32_t((x * 7919 + y * 104729) & 0xFFFFFF);
}

// A 4 x 6 field with two blocks in a queue of 2 x 2 shapes: narrower and
// lower than the smallest play area, so it sits in a gray margin.
void smallField()
{
    game.fieldWidth = 4;
    game.fieldHeight = 6;
    game.cellCount = 24;
    game.maxShapeExtent = 2;
    game.fieldCells.assign(24, CELL_EMPTY);
    game.fieldCells[0] = game.fieldCells[1] = CELL_ACTIVE;
    for (int32_t i = 20; i < 24; ++i)
        game.fieldCells[i] = CELL_FIXED;
    game.fieldCells[17] = game.fieldCells[18] = CELL_PLACED;
    game.shapeRow = 0;
    game.shapeColumn = 0;
    game.shapeBoxSize = 2;
    game.scratchCells.assign(24, CELL_EMPTY);
    game.projectionCells.assign(24, CELL_EMPTY);
    for (ShapeMatrix& shape : game.shapeQueue) {
        shape.assign(4, CELL_EMPTY);
        shape[0] = shape[3] = CELL_ACTIVE;
    }
    game.score = 987;
}

struct PinnedFrame {
    const char* file;  // under data/ or the fuzz corpus; empty: smallField()
    int32_t skin, direction, variant;
    bool withoutWords;
    int32_t width, height;
    uint64_t hash;
};

// Recorded with the renderer as it was in Dralen 1.14, before src/render/
// left Qt.
const PinnedFrame pinnedFrames[] = {
    {"levels/Fountain.sav", 0, 0, 0, false, 260, 300, 0x2606d3ecc7144775},
    {"levels/Fountain.sav", 1, 1, 1, false, 300, 450, 0xd642fc42d1fc2fa7},
    {"levels/Fountain.sav", 2, 2, 2, false, 600, 520, 0x0cc0fc6f98c1ba0f},
    {"levels/Fountain.sav", 3, 3, 3, false, 240, 208, 0xa205c82d49ee8aef},
    {"levels/Fountain.sav", 4, 0, 1, false, 200, 300, 0xcca1565d8317e19e},
    {"levels/Fountain.sav", 4, 0, 1, true, 200, 300, 0xf7690eed4db557da},
    {"levels/Fountain.sav", 5, 1, 2, false, 312, 360, 0xf531d1cb2941c81e},
    {"levels/Fountain.sav", 6, 2, 3, false, 480, 416, 0xa5e73190b8b0cf89},
    {"levels/Fountain.sav", 7, 3, 0, false, 300, 260, 0x3620250b7aec6120},
    {"levels/Galaxy.sav", 6, 0, 0, false, 432, 512, 0xaae5e94f1a31261d},
    {"levels/Galaxy.sav", 6, 1, 0, false, 432, 512, 0xae8fd62f5ea67819},
    {"levels/Galaxy.sav", 6, 2, 0, false, 512, 432, 0x0ce5356668e64cee},
    {"levels/Galaxy.sav", 6, 3, 0, false, 512, 432, 0xb863518f6a51c48e},
    {"savegame/autosave-borders.sav", 3, 0, 3, false, 150, 200, 0x68ac919a05964558},
    {"savegame/autosave-borders.sav", 3, 1, 3, false, 150, 200, 0xbde9d4bc3b39f11d},
    {"savegame/autosave-borders.sav", 3, 2, 3, false, 200, 136, 0x1139a475ea150168},
    {"savegame/autosave-borders.sav", 3, 3, 3, false, 200, 136, 0x19243ef4f69da4db},
    {"savegame/grown-leftward.sav", 5, 2, 1, false, 696, 312, 0xa0146933d2c5cf61},
    {"savegame/sudden-upward-tip.sav", 7, 1, 0, false, 180, 250, 0xf1ceec578571ad02},
    {"", 2, 0, 1, false, 150, 120, 0xcb9de48158d4b130},
    {"", 2, 1, 1, false, 150, 120, 0x634148dadf0cbe0c},
    {"", 2, 2, 1, false, 150, 80, 0xc2bdfe5334a0101c},
    {"", 2, 3, 1, false, 150, 80, 0x58c4402b88dd0f67},
};

class PinnedFramesTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ASSERT_TRUE(loadSkinFiles(DRALEN_RESOURCES_DIR));
    }
    void TearDown() override { releaseSkinBitmaps(); }

    // The game of the pinned frame, turned, skinned and in its variant's mode.
    void setUpGame(const PinnedFrame& pinned)
    {
        game = GameState{};
        const std::string file = pinned.file;
        if (file.empty()) {
            smallField();
        } else {
            const std::string folder = file.rfind("levels/", 0) == 0 ? DRALEN_DATA_DIR : DRALEN_FUZZ_CORPUS_DIR;
            std::ifstream in(folder + "/" + file, std::ios::binary);
            ASSERT_TRUE(readGameState(in)) << file;
        }
        game.forceDirection = pinned.direction;
        selectSkin(pinned.skin);
        switch (pinned.variant) {
        case 0:  // playing: panel and projection
            game.gameMode = MODE_PLAYING;
            game.predictShapes = true;
            game.showProjection = true;
            break;
        case 1:  // paused, no panel, invisible blocks, the largest score
            game.gameMode = MODE_PAUSED;
            game.predictShapes = false;
            game.score = 2147483647;
            game.invisibilityMode = true;
            break;
        case 2:  // the editor, score 0
            game.gameMode = MODE_EDITOR;
            game.predictShapes = true;
            game.score = 0;
            break;
        default:  // paused with panel and projection
            game.gameMode = MODE_PAUSED;
            game.predictShapes = true;
            game.suddenMode = false;
            game.showProjection = true;
            game.score = 40961;
            break;
        }
        game.projectionDirty = true;
        resizeWindow(false);
    }
};

}  // namespace

TEST_F(PinnedFramesTest, SavedGamesDrawTheSamePixelsAsBefore)
{
    for (const PinnedFrame& pinned : pinnedFrames) {
        const std::string name = std::string(pinned.file[0] ? pinned.file : "small field") + ", skin "
            + std::to_string(pinned.skin) + ", direction " + std::to_string(pinned.direction) + ", variant "
            + std::to_string(pinned.variant) + (pinned.withoutWords ? ", no words image" : "");
        setUpGame(pinned);
        Bitmap words;
        if (pinned.withoutWords)
            words = std::exchange(skinTable[pinned.skin].wordsBitmap, Bitmap());
        Bitmap frame(playAreaWidth, playAreaHeight);
        for (int32_t y = 0; y < frame.height; ++y)
            for (int32_t x = 0; x < frame.width; ++x)
                frame.pixels[size_t(y) * frame.width + x] = backdrop(x, y);
        paintPlayArea(frame.view());
        if (pinned.withoutWords)
            skinTable[pinned.skin].wordsBitmap = std::move(words);
        ASSERT_EQ(frame.width, pinned.width) << name;
        ASSERT_EQ(frame.height, pinned.height) << name;
        char hash[24];
        std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(frameHash(frame)));
        char expected[24];
        std::snprintf(expected, sizeof expected, "%016llx", static_cast<unsigned long long>(pinned.hash));
        EXPECT_STREQ(hash, expected) << name;
    }
}

// A frame with a stride wider than its rows draws the same pixels and leaves
// the gap between rows alone; an empty view draws nothing and still paints.
TEST_F(PinnedFramesTest, StridedAndEmptyViews)
{
    setUpGame(pinnedFrames[3]);
    Bitmap packed(playAreaWidth, playAreaHeight, 0x12345678u);
    paintPlayArea(packed.view());

    const int32_t stride = playAreaWidth + 7;
    std::vector<uint32_t> wide(size_t(stride) * playAreaHeight, 0x12345678u);
    paintPlayArea(FrameView{wide.data(), playAreaWidth, playAreaHeight, stride});
    for (int32_t y = 0; y < playAreaHeight; ++y) {
        for (int32_t x = 0; x < playAreaWidth; ++x)
            ASSERT_EQ(wide[size_t(y) * stride + x], packed.pixel(x, y)) << x << "," << y;
        for (int32_t x = playAreaWidth; x < stride; ++x)
            ASSERT_EQ(wide[size_t(y) * stride + x], 0x12345678u) << "gap " << x << "," << y;
    }

    // A frame smaller than the play area is clipped: its pixels are the
    // corner of the whole frame.
    setUpGame(pinnedFrames[3]);
    Bitmap corner(37, 23, 0x12345678u);
    paintPlayArea(corner.view());
    for (int32_t y = 0; y < corner.height; ++y)
        for (int32_t x = 0; x < corner.width; ++x)
            ASSERT_EQ(corner.pixel(x, y), packed.pixel(x, y)) << x << "," << y;

    game.projectionDirty = true;
    paintPlayArea(FrameView{});
    paintPlayArea(FrameView{wide.data(), 0, 10, stride});
    EXPECT_FALSE(game.projectionDirty) << "the paint goes on without pixels";
}
