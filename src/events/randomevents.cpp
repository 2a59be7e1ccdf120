#include "events/randomevents.h"

#include "core/window.h"
#include "events/fieldeffects.h"

#include <cmath>
#include <cstring>
#include <vector>

const std::array<Picture, 18> pictureTable = {{
    {"An elephant is falling from the sky!", ".##....###....######.#.######.#####..#####..#...#"},
    {"Somebody dropped a heart. Handle it with care!", ".#.#.##########.###...#.."},
    {"Dralen hopes he might one day become the best clone of Ormund's Tetris", "..#..##...#..###"},
    {"Dralen wants to tell you his favorite number", "..##..#....###..#..#..##."},
    {nullptr, ".....#..........#..........#..........#....###..#.....#...#.....#..#....#####.....#.#.........#....."},
    {"After having a lot of experince with Tetris-based game you've finally understood the sense of life", "..............###.#.##.########.................."},
    {"A fish!", "............#...#..####..#####.#.########..####.....#..........."},
    {"Time for dinner!", "#.#.#.##.#.#.######.#.###..#..#...#..#...#..#...#"},
    {"We, computer programs, live is rectangular worlds and have square faces", "########.....##.#.#.##.....##.###.##.....########"},
    {"Memento!", "..###...#####.##.#.#########.#...#..#####...###.."},
    {"That's how a human is represented inside Dralen", "#.#.######..#...###.##.##"},
    {"Packing shapes sometimes looks like parking", "............####.....#..#.#....#..#..#..#########.#........#####.###.###.###.###.###.###............"},
    {"Did you know that Dralen has a pet?", "..........#.....###...#.#######...####....#..#...##.##.#........"},
    {"A previous player got so much addicted that he decided to live in the game", ".####...######..####.#..#######.##############...#####...###...."},
    {"What's a racing car doing here?", "#.###.#########.###.#..#.#..#.#.#.#########.###.#"},
    {"Butterfly effect", "..#.#..##.#.###.###.##..#..#.#.#.#.#..#..####.###"},
    {"Unfortunately, shapes can't hang in the air", ".#######....#......###..#.###.#.########.######....#.#....#####."},
    {"Join us!", "..#####...#######.##########..###..##...#...##########.#######...#...#.....###..."},
}};

const std::array<const char*, 8> textEventTable = {
    "The game is struck by lightning!",
    "Global warming! Sea levels rise!",
    "The game has gone crazy!",
    "A flock of birds was flying by and left traces",
    "Dralen wants to be friendly to it's players",
    "The developer was drunk and overlooked a bug...",
    "Suddenly you've got a really important job to do!",
    "After playing a lot of tetris clones you are feeling your mind broadening",
};

const char* const smileyPattern = "..#####...#.....#.#..#.#..##.......##.#...#.##..###..#.#.....#...#####..";

std::atomic<uint32_t> usedTextEvents{0};

namespace {

enum TextEvent {
    EVENT_LIGHTNING, EVENT_RISING_WATER, EVENT_CRAZY_FIELD, EVENT_BIRDS,
    EVENT_FRIENDLY, EVENT_DRUNK_DEVELOPER, EVENT_IMPORTANT_JOB, EVENT_BROADENING,
};

int32_t& cellAt(int32_t column, int32_t row)
{
    return game.fieldCells[row * game.fieldWidth + column];
}

bool insideField(int32_t column, int32_t row)
{
    return column >= 0 && column < game.fieldWidth && row >= 0 && row < game.fieldHeight;
}

// The window keeps painting and answering while the box is open; the game
// thread waits in it without holding the game.
void showUnlocked(const char* text)
{
    gameLock.unlock();
    showMessage("%s", text);
    gameLock.lock();
}

// Bolts start at the top of the screen and zigzag down toward its middle.
void strikeLightning()
{
    const int32_t w = game.fieldWidth, h = game.fieldHeight;
    const int32_t direction = game.forceDirection;
    const bool across = direction == FORCE_RIGHT || direction == FORCE_LEFT;
    for (int bolt = 0; bolt < 3; ++bolt) {
        int32_t x, y, mainX = 0, mainY = 0, sideX = 0, sideY = 0;
        if (!across) {
            x = randomBelow(w);
            y = direction == FORCE_UP ? h - 1 : 0;
            mainY = direction == FORCE_UP ? -1 : 1;
            sideX = x <= w / 2 ? 1 : -1;
        } else {
            y = randomBelow(h);
            x = direction == FORCE_RIGHT ? w - 1 : 0;
            mainX = direction == FORCE_RIGHT ? -1 : 1;
            sideY = y <= h / 2 ? 1 : -1;
        }
        while (insideField(x, y)) {
            cellAt(x, y) = CELL_EMPTY;
            const bool mainStep = (randomBelow(2) == 1) != across;
            x += mainStep ? mainX : sideX;
            y += mainStep ? mainY : sideY;
        }
    }
}

// Rows below the top 2E are pushed sideways by a shift that grows row by row
// from the bottom. Where the shift would reach before the first cell the
// cell is taken as empty sky.
void shearField()
{
    const int32_t border = 2 * game.maxShapeExtent * game.fieldWidth;
    if (game.cellCount - 1 <= border)
        return;
    int32_t shift = 0;
    for (int32_t i = game.cellCount - 1; i > border; --i) {
        game.fieldCells[i] = i - shift >= 0 ? game.fieldCells[i - shift] : int32_t(CELL_EMPTY);
        if (i % game.fieldWidth == 0 && randomBelow(3) < 2)
            ++shift;
    }
}

void dropBirdTraces()
{
    const int32_t w = game.fieldWidth;
    const int32_t wanted = std::max(1, w / 3);
    std::vector<bool> chosen(w, false);
    int32_t count = 0;
    for (int draw = 0; draw < 1000 && count < wanted; ++draw) {
        const int32_t c = randomBelow(w);
        if (!chosen[c] && cellAt(c, 0) == CELL_EMPTY && cellAt(c, 1) == CELL_EMPTY) {
            chosen[c] = true;
            ++count;
        }
    }
    for (int32_t c = 0; c < w; ++c) {
        if (!chosen[c])
            continue;
        int32_t r = 0;
        while (r < game.fieldHeight && cellAt(c, r) == CELL_EMPTY)
            ++r;
        cellAt(c, r - 1) = CELL_FIXED;
    }
}

void beFriendly()
{
    const int32_t w = game.fieldWidth, h = game.fieldHeight;
    if (w < 11 || h < 2 * game.maxShapeExtent + 10) {
        showUnlocked("42 score points added :)");
        addToScore(42);
        return;
    }
    for (int32_t i = 0; i < 8; ++i)
        for (int32_t j = 0; j < 9; ++j) {
            int32_t column, row;
            switch (game.forceDirection) {
            case FORCE_UP: column = w - (w - 9) / 2 - j - 1; row = h - 2 - i; break;
            case FORCE_RIGHT: column = (w - 8) / 2 + 8 - i; row = h - 10 + j; break;
            case FORCE_LEFT: column = (w - 8) / 2 + i; row = h - 2 - j; break;
            default: column = (w - 9) / 2 + j; row = h - 9 + i; break;
            }
            cellAt(column, row) = smileyPattern[i * 9 + j] == '#' ? CELL_FIXED : CELL_EMPTY;
        }
}

void fillQueue(int32_t everyCell)
{
    for (ShapeMatrix& entry : game.shapeQueue)
        for (int32_t& cell : entry)
            cell = everyCell >= 0 ? everyCell : randomBelow(3) < 1 ? CELL_ACTIVE : CELL_EMPTY;
}

// The field grows by three columns either side and 2E + 3 rows above and
// below, with a gap across its middle; the old walls and ground stay inside.
void broadenField()
{
    const int32_t w = game.fieldWidth, h = game.fieldHeight, e = game.maxShapeExtent;
    const int32_t newWidth = w + 6, newHeight = h + 2 * e + 6;
    Grid grown(static_cast<size_t>(newWidth) * newHeight, CELL_EMPTY);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            grown[(y + 2 * e + 3) * newWidth + x + 3] = cellAt(x, y);
    std::fill_n(grown.begin() + (newHeight / 2) * newWidth, newWidth, int32_t(CELL_EMPTY));
    game.fieldCells.swap(grown);
    game.fieldWidth = newWidth;
    game.fieldHeight = newHeight;
    game.cellCount = newWidth * newHeight;
    // The work grids follow the new size; their contents mean nothing here.
    game.scratchCells.assign(game.cellCount, CELL_EMPTY);
    game.projectionCells.assign(game.cellCount, CELL_EMPTY);
    game.projectionDirty = true;
    resizeWindow(false);
}

// A field grows only while the grown field is one a saved game may hold, so
// that a field grown once already, in this run or an earlier one, stays as
// it is and the automatic save still reads back.
bool canBroaden()
{
    return fieldSizeReachable(game.fieldWidth + 6, game.fieldHeight + 2 * game.maxShapeExtent + 6);
}

void applyTextEvent(int32_t event)
{
    switch (event) {
    case EVENT_LIGHTNING: strikeLightning(); break;
    case EVENT_RISING_WATER: raiseField(5); break;
    case EVENT_CRAZY_FIELD: shearField(); break;
    case EVENT_BIRDS: dropBirdTraces(); break;
    case EVENT_FRIENDLY: beFriendly(); break;
    case EVENT_DRUNK_DEVELOPER: fillQueue(-1); break;
    case EVENT_IMPORTANT_JOB: fillQueue(CELL_ACTIVE); break;
    case EVENT_BROADENING: broadenField(); break;
    }
}

}  // namespace

bool dropPicture(const char* pattern, char block)
{
    const int32_t length = static_cast<int32_t>(std::strlen(pattern));
    const int32_t n = static_cast<int32_t>(std::sqrt(static_cast<double>(length)));
    const int32_t w = game.fieldWidth;
    if (n + 2 > w || n + 2 > game.fieldHeight)
        return false;
    auto at = [&](int32_t r, int32_t j) { return pattern[r * n + j] == block; };

    int32_t first = n, last = -1, leftmost = n, rightmost = -1;
    for (int32_t r = 0; r < n; ++r)
        for (int32_t j = 0; j < n; ++j)
            if (at(r, j)) {
                first = std::min(first, r);
                last = std::max(last, r);
                leftmost = std::min(leftmost, j);
                rightmost = std::max(rightmost, j);
            }
    if (last < 0)
        return false;  // nothing to drop

    const int32_t c0 = (w - n) / 2;
    int32_t boxRow = 0;
    for (int32_t r = 0; r < n; ++r)
        for (int32_t j = 0; j < n; ++j) {
            int32_t column, row;
            switch (game.forceDirection) {
            case FORCE_UP:
                if (r > last) continue;
                column = c0 + n - 1 - j; row = last - r; boxRow = last - n + 1;
                break;
            case FORCE_RIGHT:
                if (j < leftmost) continue;
                column = c0 + n - 1 - r; row = j - leftmost; boxRow = -leftmost;
                break;
            case FORCE_LEFT:
                if (j > rightmost) continue;
                column = c0 + r; row = rightmost - j; boxRow = rightmost - n + 1;
                break;
            default:
                if (r < first) continue;
                column = c0 + j; row = r - first; boxRow = -first;
                break;
            }
            cellAt(column, row) = at(r, j) ? CELL_ACTIVE : CELL_EMPTY;
        }

    game.shapeColumn = c0;
    game.shapeRow = boxRow;
    game.shapeBoxSize = n;
    game.shapeX = game.cellSize * c0 + game.cellSize / 2;
    game.shapeY = game.cellSize * boxRow + game.cellSize / 2;
    game.projectionDirty = true;
    return true;
}

void runRandomEvent()
{
    if (randomBelow(4) < 3) {
        const Picture& picture = pictureTable[randomBelow(static_cast<int32_t>(pictureTable.size()))];
        if (dropPicture(picture.pattern, '#') && picture.message != nullptr)
            showUnlocked(picture.message);
        return;
    }
    int32_t event = -1;
    for (int draw = 0; draw < 1000 && event < 0; ++draw) {
        const int32_t candidate = randomBelow(8);
        if ((usedTextEvents & (1u << candidate)) == 0 && (candidate != EVENT_BROADENING || canBroaden()))
            event = candidate;
    }
    if (event < 0)
        return;
    usedTextEvents |= 1u << event;
    showUnlocked(textEventTable[event]);
    applyTextEvent(event);
}
