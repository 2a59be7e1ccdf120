#include "render/renderer.h"

#include "core/gamestate.h"
#include "core/motion.h"
#include "core/window.h"
#include "render/skins.h"

#include <algorithm>
#include <cstring>
#include <string>

std::vector<int32_t> fieldMasks;
std::array<std::vector<int32_t>, 10> queueMasks;

namespace {

// The frame being painted; empty between paints. Every tile copy goes
// straight to its memory.
FrameView frameBeingPainted;

constexpr uint32_t marginGray = rgbPixel(128, 128, 128);

bool alongY()
{
    return game.forceDirection == FORCE_DOWN || game.forceDirection == FORCE_UP;
}

// One line of E tiles across the panel at position s along it.
void drawPanelLine(int32_t s, int32_t panelStart, int32_t extent, int32_t column, int32_t row)
{
    const int32_t cs = game.cellSize;
    for (int32_t k = 0; k < extent; ++k) {
        if (alongY())
            drawTile(panelStart + k * cs, s, column, row);
        else
            drawTile(s, panelStart + k * cs, column, row);
    }
}

// The side panel: two border lines, then slots of a separator and a
// predicted shape each, the next shape first, as far as the play area goes.
void drawSidePanel()
{
    const int32_t cs = game.cellSize, w = game.fieldWidth, h = game.fieldHeight;
    const int32_t e = game.maxShapeExtent;
    const int32_t direction = game.forceDirection;
    const bool forward = direction == FORCE_DOWN || direction == FORCE_RIGHT;
    const int32_t origin = alongY() ? fieldOriginY : fieldOriginX;
    const int32_t limit = alongY() ? playAreaHeight : playAreaWidth;
    const int32_t panelStart = (alongY() ? fieldOriginX : fieldOriginY) + (w + 1) * cs;
    const int32_t first = forward ? origin : origin + (h - 1) * cs;
    const int32_t step = forward ? cs : -cs;
    auto inside = [&](int32_t s) { return forward ? s < limit : s >= 0; };

    for (int32_t s = first; inside(s); s += step)
        for (int32_t border : {panelStart - cs, panelStart + e * cs}) {
            if (alongY())
                drawTile(border, s, TILE_BORDER, 0);
            else
                drawTile(s, border, TILE_BORDER, 0);
        }

    int32_t s = first;
    int32_t slot = 0;
    for (; slot < queueLength; ++slot) {
        drawPanelLine(s, panelStart, e, TILE_BORDER, 0);
        const ShapeMatrix& shape = game.shapeQueue[slot];
        const std::vector<int32_t>& masks = queueMasks[slot];
        if (static_cast<int32_t>(shape.size()) == e * e && masks.size() == shape.size()) {
            const int32_t corner = forward ? s + cs : s - e * cs;
            const ScreenPoint topLeft = alongY() ? ScreenPoint{panelStart, corner} : ScreenPoint{corner, panelStart};
            for (int32_t i = 0; i < e * e; ++i) {
                const ScreenPoint at = toScreen(i % e, i / e, e, e, topLeft);
                if (shape[i] == CELL_EMPTY)
                    drawTile(at.x, at.y, CELL_EMPTY, masks[i]);
                else if (shape[i] == CELL_ACTIVE)
                    drawTile(at.x, at.y, slot == 0 ? CELL_ACTIVE : CELL_PLACED, masks[i]);
            }
        }
        s += forward ? (e + 1) * cs : -(e + 1) * cs;
        if (forward ? s > limit : s < 0)
            return;
    }
    for (; inside(s); s += step)
        drawPanelLine(s, panelStart, e, CELL_EMPTY, 0);
}

void drawStatusWord()
{
    int32_t row;
    if (game.gameMode == MODE_PAUSED)
        row = 3;
    else if (game.gameMode == MODE_EDITOR)
        row = 4;
    else
        return;
    const int32_t cs = game.cellSize;
    blitBitmap(currentSkin().wordsBitmap, playAreaWidth - 5 * cs, playAreaHeight - 2 * cs, 0, row * cs, 5 * cs, cs);
}

// Right-aligned in the bottom row, over whatever lies there.
void drawScore()
{
    const int32_t cs = game.cellSize;
    const std::string digits = std::to_string(game.score);
    int32_t x = playAreaWidth - static_cast<int32_t>(digits.size()) * cs;
    for (char c : digits) {
        if (c >= '0' && c <= '9') {
            const int32_t d = c - '0';
            blitBitmap(currentSkin().wordsBitmap, x, playAreaHeight - cs, (d % 5) * cs, (1 + d / 5) * cs, cs, cs);
        }
        x += cs;
    }
}

void drawField()
{
    const int32_t w = game.fieldWidth;
    const ScreenPoint origin{fieldOriginX, fieldOriginY};
    for (int32_t i = 0; i < game.cellCount; ++i) {
        int32_t code = game.fieldCells[i];
        if (code < CELL_EMPTY || code > CELL_ACTIVE)
            continue;
        if (code == CELL_PLACED && game.invisibilityMode)
            code = CELL_EMPTY;  // the mask still shows the true neighbourhood
        const ScreenPoint at = toScreen(i % w, i / w, w, game.fieldHeight, origin);
        drawTile(at.x, at.y, code, fieldMasks[i]);
    }
}

}  // namespace

int32_t rotateMaskToScreen(int32_t mask)
{
    // Screen bit for field left, up, right, down, by direction.
    static constexpr int32_t turned[4][4] = {
        {MASK_LEFT, MASK_UP, MASK_RIGHT, MASK_DOWN},
        {MASK_RIGHT, MASK_DOWN, MASK_LEFT, MASK_UP},
        {MASK_DOWN, MASK_LEFT, MASK_UP, MASK_RIGHT},
        {MASK_UP, MASK_RIGHT, MASK_DOWN, MASK_LEFT},
    };
    const int32_t direction = game.forceDirection >= 0 && game.forceDirection < 4 ? game.forceDirection : 0;
    int32_t screen = 0;
    for (int32_t bit = 0; bit < 4; ++bit)
        if (mask & (1 << bit))
            screen |= turned[direction][bit];
    return screen;
}

void computeNeighbourMasks(std::vector<int32_t>& masks, const std::vector<int32_t>& cells,
                           int32_t width, int32_t height, bool wrap)
{
    masks.assign(static_cast<size_t>(std::max(0, width * height)), 0);
    if (currentSkin().neighbourMode != 4 || cells.size() < masks.size())
        return;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const int32_t v = cells[y * width + x];
            auto same = [&](int32_t cx, int32_t cy) { return cells[cy * width + cx] == v; };
            // Fixed cells, the side walls above all, never join across the edge.
            const bool wraps = wrap && v != CELL_FIXED;
            int32_t mask = 0;
            if (x > 0 ? same(x - 1, y) : wraps && same(width - 1, y))
                mask |= MASK_LEFT;
            if (x < width - 1 ? same(x + 1, y) : wraps && same(0, y))
                mask |= MASK_RIGHT;
            if (y > 0 && same(x, y - 1))
                mask |= MASK_UP;
            if (y < height - 1 && same(x, y + 1))
                mask |= MASK_DOWN;
            masks[y * width + x] = rotateMaskToScreen(mask);
        }
}

ScreenPoint toScreen(int32_t column, int32_t row, int32_t width, int32_t height, ScreenPoint origin)
{
    const int32_t cs = game.cellSize;
    switch (game.forceDirection) {
    case FORCE_UP: return {origin.x + (width - 1 - column) * cs, origin.y + (height - 1 - row) * cs};
    case FORCE_RIGHT: return {origin.x + row * cs, origin.y + (width - 1 - column) * cs};
    case FORCE_LEFT: return {origin.x + (height - 1 - row) * cs, origin.y + column * cs};
    default: return {origin.x + column * cs, origin.y + row * cs};
    }
}

bool cellInField(int32_t column, int32_t row)
{
    return column >= 0 && column < game.fieldWidth && row >= 0 && row < game.fieldHeight;
}

void blitBitmap(const Bitmap& bitmap, int32_t x, int32_t y, int32_t sourceX, int32_t sourceY,
                int32_t width, int32_t height)
{
    const FrameView& frame = frameBeingPainted;
    if (frame.isEmpty() || bitmap.isNull())
        return;
    // Clip against the source image and the frame.
    const int32_t left = std::max({0, -x, -sourceX});
    const int32_t top = std::max({0, -y, -sourceY});
    const int32_t right = std::min({width, frame.width - x, bitmap.width - sourceX});
    const int32_t bottom = std::min({height, frame.height - y, bitmap.height - sourceY});
    if (left >= right || top >= bottom)
        return;
    const size_t bytes = static_cast<size_t>(right - left) * sizeof(uint32_t);
    const ptrdiff_t sourceStride = bitmap.width;
    const uint32_t* from = bitmap.pixels.data() + (sourceY + top) * sourceStride + (sourceX + left);
    uint32_t* to = frame.row(y + top) + (x + left);
    for (int32_t row = top; row < bottom; ++row, from += sourceStride, to += frame.stride)
        std::memcpy(to, from, bytes);
}

void drawTile(int32_t x, int32_t y, int32_t column, int32_t row)
{
    const Skin& skin = currentSkin();
    const int32_t cs = game.cellSize;
    if (skin.neighbourMode != 4 || column >= TILE_PROJECTION)
        row = 0;
    blitBitmap(skin.blocksBitmap, x, y, column * cs, row * cs, cs, cs);
}

void drawProjection()
{
    if (game.projectionDirty) {
        game.projectionDirty = false;
        computeProjection();
    }
    if (game.projectedRow >= game.fieldHeight || game.projectedRow == game.shapeRow)
        return;
    const int32_t w = game.fieldWidth;
    const int64_t begin = std::max<int64_t>(int64_t(game.projectedRow) * w, 0);
    const int64_t end = std::min<int64_t>(game.cellCount, (int64_t(game.projectedRow) + game.shapeBoxSize) * w);
    const ScreenPoint origin{fieldOriginX, fieldOriginY};
    for (int64_t i = begin; i < end; ++i)
        if (game.projectionCells[i] == CELL_ACTIVE && game.fieldCells[i] != CELL_ACTIVE) {
            const ScreenPoint at = toScreen(i % w, i / w, w, game.fieldHeight, origin);
            drawTile(at.x, at.y, TILE_PROJECTION, 0);
        }
}

void paintPlayArea(FrameView frame)
{
    if (frame.isEmpty())
        frame = FrameView{};
    if (eraseOnRepaint && !frame.isEmpty())
        for (int32_t y = 0; y < frame.height; ++y)
            std::fill_n(frame.row(y), frame.width, marginGray);

    frameBeingPainted = frame;

    const bool fieldReady = game.cellCount > 0 && game.fieldCells.size() == static_cast<size_t>(game.cellCount);
    if (fieldReady) {
        computeNeighbourMasks(fieldMasks, game.fieldCells, game.fieldWidth, game.fieldHeight, true);
        drawField();
    }
    if (game.predictShapes) {
        const int32_t e = game.maxShapeExtent;
        for (int32_t k = 0; k < queueLength; ++k)
            computeNeighbourMasks(queueMasks[k], game.shapeQueue[k], e, e, false);
        drawSidePanel();
    }
    const int32_t mode = game.gameMode;
    if (fieldReady && game.showProjection && !game.suddenMode && (mode == MODE_PLAYING || mode == MODE_PAUSED))
        drawProjection();
    drawStatusWord();
    drawScore();
    frameBeingPainted = FrameView{};
}
