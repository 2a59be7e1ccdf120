// Writes a contact sheet of every skin's tiles and of sample frames in the
// four gravity directions, to look at the artwork and the renderer together.
#include "core/gamestate.h"
#include "core/ports.h"
#include "core/window.h"
#include "game/newgame.h"
#include "render/renderer.h"
#include "render/skins.h"
#include "qt/skinloader.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <vector>

namespace {

uint32_t countingClock()
{
    static uint32_t now = 0;
    return now += 3;
}

void noSleep(uint32_t) {}

// A 12 x 20 game with a ragged heap, a shape at the top, paused.
void setUpSampleGame(int32_t direction)
{
    game = GameState{};
    game.fieldWidth = 12;
    game.fieldHeight = 20;
    game.maxShapeExtent = 4;
    game.minBlocks = 3;
    game.maxBlocks = 5;
    game.forceDirection = direction;
    selectSkin(6);
    startNewGame();
    game.score = 12345;
    for (int32_t r = 13; r < 19; ++r)
        for (int32_t c = 1; c < 11; ++c)
            if ((r * 5 + c * 3) % 7 > 1)
                game.fieldCells[r * 12 + c] = CELL_PLACED;
    game.fieldCells[14 * 12 + 5] = CELL_FIXED;
    game.projectionDirty = true;
    game.gameMode = MODE_PAUSED;
}

Bitmap frameFor(int32_t direction)
{
    setUpSampleGame(direction);
    Bitmap frame(playAreaWidth, playAreaHeight, rgbPixel(0, 0, 0));
    paintPlayArea(frame.view());
    return frame;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: preview <output.png>\n");
        return 2;
    }
    installClock({countingClock, noSleep});
    loadSkinBitmaps();

    const int scale = 2, gap = 12;
    std::vector<Bitmap> frames;
    for (int32_t direction = 0; direction < 4; ++direction)
        frames.push_back(frameFor(direction));

    int width = gap, height = gap;
    for (const Skin& skin : skinTable) {
        width = std::max(width, gap + (skin.blocksBitmap.width + skin.wordsBitmap.width) * scale + 3 * gap);
        height += std::max(skin.blocksBitmap.height, skin.wordsBitmap.height) * scale + gap;
    }
    int framesWidth = gap, framesHeight = 0;
    for (const Bitmap& frame : frames) {
        framesWidth += frame.width + gap;
        framesHeight = std::max(framesHeight, frame.height);
    }
    QImage sheet(std::max(width, framesWidth), height + framesHeight + gap, QImage::Format_RGB32);
    sheet.fill(qRgb(60, 60, 70));
    QPainter painter(&sheet);
    int y = gap;
    for (const Skin& skin : skinTable) {
        const QImage blocks = imageOverBitmap(skin.blocksBitmap), words = imageOverBitmap(skin.wordsBitmap);
        painter.drawImage(QPoint(gap, y), blocks.scaled(blocks.size() * scale));
        painter.drawImage(QPoint(gap * 3 + blocks.width() * scale, y), words.scaled(words.size() * scale));
        y += std::max(blocks.height(), words.height()) * scale + gap;
    }
    int x = gap;
    for (const Bitmap& frame : frames) {
        painter.drawImage(QPoint(x, y), imageOverBitmap(frame));
        x += frame.width + gap;
    }
    painter.end();
    if (!sheet.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("wrote %s\n", argv[1]);
    return 0;
}
