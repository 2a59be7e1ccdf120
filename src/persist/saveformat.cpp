#include "persist/saveformat.h"

#include "core/gamestate.h"
#include "core/window.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <mutex>
#include <streambuf>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace {

// Limits of what the game can produce, so that a damaged header can neither
// ask for gigabytes nor make a window no screen can show. The field's own
// limits are the reachable sizes of the game record.
constexpr int32_t minShapeExtent = 2;
constexpr int32_t maxShapeExtentLimit = 20;
constexpr int32_t maxBlocksLimit = 25;
constexpr uint32_t maxRowsToClear = 10;
// Gradual speed-up adds 0.3 a minute while a shape falls: 10000 is weeks of
// falling, and keeps the pixel position far from overflowing.
constexpr double maxFallSpeed = 10000.0;
constexpr size_t maxTextLine = 65536;
constexpr size_t maxTokenLength = 32;

bool isSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Reads straight from the stream buffer, so a damaged file can neither make
// the stream throw nor make one number swallow megabytes.
class Scanner {
public:
    explicit Scanner(std::streambuf* source) : buffer(source) {}

    // One line whole, without its line break and without a CR before it.
    // A line that never ends is a truncated file.
    bool textLine(std::string& line)
    {
        line.clear();
        for (;;) {
            const int c = buffer->sbumpc();
            if (c == std::char_traits<char>::eof())
                return false;
            if (c == '\n')
                break;
            if (line.size() >= maxTextLine)
                return false;
            line.push_back(static_cast<char>(c));
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return true;
    }

    template <typename T>
    bool integer(T& value)
    {
        if (!token())
            return false;
        const char* first = numberStart();
        const auto [end, error] = std::from_chars(first, text.data() + length, value);
        return error == std::errc{} && end == text.data() + length;
    }

    bool real(double& value)
    {
        if (!token())
            return false;
        const char* first = numberStart();
        const auto [end, error] = std::from_chars(first, text.data() + length, value, std::chars_format::general);
        return error == std::errc{} && end == text.data() + length;
    }

    // True when nothing but whitespace is left.
    bool atEnd()
    {
        for (;;) {
            const int c = buffer->sbumpc();
            if (c == std::char_traits<char>::eof())
                return true;
            if (!isSpace(c))
                return false;
        }
    }

private:
    // A text stream reads "+5" as 5, so the format does too; a sign after the
    // plus is no number.
    const char* numberStart() const
    {
        if (length > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+')
            return text.data() + 1;
        return text.data();
    }

    bool token()
    {
        int c = buffer->sbumpc();
        while (c != std::char_traits<char>::eof() && isSpace(c))
            c = buffer->sbumpc();
        length = 0;
        while (c != std::char_traits<char>::eof() && !isSpace(c)) {
            if (length == maxTokenLength)
                return false;
            text[length++] = static_cast<char>(c);
            c = buffer->sbumpc();
        }
        return length > 0;
    }

    std::streambuf* buffer;
    std::array<char, maxTokenLength> text{};
    size_t length = 0;
};

// Everything a file holds, kept apart from the game until all of it is known
// to be sound.
struct SavedGame {
    std::string levelFile;
    std::string tipText;
    int32_t fieldWidth = 0;
    int32_t fieldHeight = 0;
    int32_t sidesType = 0;
    int32_t groundType = 0;
    int32_t shapeColumn = 0;
    int32_t shapeRow = 0;
    int32_t shapeBoxSize = 0;
    int32_t score = 0;
    double fallSpeed = 0;
    int32_t gradualSpeedup = 0;
    int32_t forceDirection = 0;
    int32_t suddenMode = 0;
    int32_t invisibilityMode = 0;
    std::array<int32_t, EFFECT_COUNT> effectFrequency{};
    int32_t maxBlocks = 0;
    int32_t minBlocks = 0;
    int32_t maxShapeExtent = 0;
    uint32_t minRowsToClear = 0;
    Grid fieldCells;
    std::array<ShapeMatrix, queueLength> shapeQueue;
};

bool inRange(int64_t value, int64_t low, int64_t high)
{
    return value >= low && value <= high;
}

// The settings and the shape's box, checked before any grid is allocated.
bool headerIsSound(const SavedGame& g)
{
    const int32_t w = g.fieldWidth;
    const int32_t h = g.fieldHeight;
    if (!fieldSizeReachable(w, h))
        return false;
    if (!inRange(g.sidesType, SIDES_SOLID, SIDES_NONE) || !inRange(g.groundType, GROUND_SOLID, GROUND_NONE)
        || !inRange(g.forceDirection, FORCE_DOWN, FORCE_LEFT))
        return false;
    for (int32_t frequency : g.effectFrequency)
        if (!inRange(frequency, FREQ_NEVER, FREQ_OFTEN))
            return false;

    // The shape generator only terminates when the blocks fit the matrix, and
    // the shapes only spawn when the matrix fits between the walls.
    const int32_t m = g.maxShapeExtent;
    if (!inRange(m, minShapeExtent, maxShapeExtentLimit) || m > w - 2 || m > h - 2)
        return false;
    if (g.minBlocks < 1 || g.minBlocks > g.maxBlocks || g.maxBlocks > std::min(maxBlocksLimit, m * m))
        return false;
    if (!inRange(g.minRowsToClear, 1, maxRowsToClear))
        return false;
    if (!std::isfinite(g.fallSpeed) || g.fallSpeed <= 0 || g.fallSpeed > maxFallSpeed)
        return false;
    if (g.score < 0)
        return false;

    // The box of the falling shape: spawning an empty queue entry leaves a
    // box of 2 - extent, a dropped picture one of up to min(w, h) - 2; the box
    // starts above the field by less than its size and ends at most one row
    // below it, once a shape has fallen out of a field without ground.
    if (!inRange(g.shapeColumn, 0, w - 1))
        return false;
    if (!inRange(g.shapeBoxSize, 2 - m, std::min(w, h) - 2))
        return false;
    if (!inRange(g.shapeRow, -h, h))
        return false;
    return true;
}

bool isCellCode(int32_t value)
{
    return value >= CELL_EMPTY && value <= CELL_ACTIVE;
}

bool isShapeCell(int32_t value)
{
    return value == CELL_EMPTY || value == CELL_ACTIVE;
}

// Turns, projections and the landing row see only the shape's box, so a
// falling block outside it would hang in the air or be lost. The box wraps
// around the sides with the field's columns.
bool activeCellsInBox(const SavedGame& g)
{
    const int32_t w = g.fieldWidth;
    const int32_t box = g.shapeBoxSize;
    for (size_t i = 0; i < g.fieldCells.size(); ++i) {
        if (g.fieldCells[i] != CELL_ACTIVE)
            continue;
        const int32_t row = static_cast<int32_t>(i / w) - g.shapeRow;
        const int32_t column = ((static_cast<int32_t>(i % w) - g.shapeColumn) % w + w) % w;
        if (row < 0 || row >= box || column >= box)
            return false;
    }
    return true;
}

bool readCells(Scanner& scan, std::vector<int32_t>& cells, size_t count, bool (*allowed)(int32_t))
{
    cells.assign(count, CELL_EMPTY);
    for (int32_t& cell : cells)
        if (!scan.integer(cell) || !allowed(cell))
            return false;
    return true;
}

// \n, \r and \\ are the only escapes. A backslash before anything else stays
// as it is, so a plain backslash written by an older version reads the same.
std::string unescapeTip(const std::string& line)
{
    if (line.find('\\') == std::string::npos)
        return line;
    std::string tip;
    tip.reserve(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\' || i + 1 == line.size()) {
            tip.push_back(line[i]);
            continue;
        }
        switch (line[i + 1]) {
        case 'n': tip.push_back('\n'); ++i; break;
        case 'r': tip.push_back('\r'); ++i; break;
        case '\\': tip.push_back('\\'); ++i; break;
        default: tip.push_back('\\'); break;
        }
    }
    return tip;
}

std::string escapeTip(const std::string& tip)
{
    if (tip.find_first_of("\n\r\\") == std::string::npos)
        return tip;
    std::string line;
    line.reserve(tip.size() + 16);
    for (char c : tip) {
        switch (c) {
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        case '\\': line += "\\\\"; break;
        default: line.push_back(c); break;
        }
    }
    return line;
}

bool parse(Scanner& scan, SavedGame& g)
{
    std::string tipLine;
    if (!scan.textLine(g.levelFile) || !scan.textLine(tipLine))
        return false;
    // A stray CR inside the name could never be written back on its line.
    if (g.levelFile.find('\r') != std::string::npos)
        return false;
    g.tipText = unescapeTip(tipLine);

    const bool headerRead = scan.integer(g.fieldWidth) && scan.integer(g.fieldHeight)
        && scan.integer(g.sidesType) && scan.integer(g.groundType) && scan.integer(g.shapeColumn)
        && scan.integer(g.shapeRow) && scan.integer(g.shapeBoxSize) && scan.integer(g.score)
        && scan.real(g.fallSpeed) && scan.integer(g.gradualSpeedup) && scan.integer(g.forceDirection)
        && scan.integer(g.suddenMode) && scan.integer(g.invisibilityMode);
    if (!headerRead)
        return false;
    for (int32_t& frequency : g.effectFrequency)
        if (!scan.integer(frequency))
            return false;
    if (!scan.integer(g.maxBlocks) || !scan.integer(g.minBlocks) || !scan.integer(g.maxShapeExtent)
        || !scan.integer(g.minRowsToClear))
        return false;
    if (!headerIsSound(g))
        return false;

    const size_t cellCount = static_cast<size_t>(g.fieldWidth) * static_cast<size_t>(g.fieldHeight);
    if (!readCells(scan, g.fieldCells, cellCount, isCellCode) || !activeCellsInBox(g))
        return false;
    const size_t matrixSize = static_cast<size_t>(g.maxShapeExtent) * static_cast<size_t>(g.maxShapeExtent);
    for (ShapeMatrix& entry : g.shapeQueue)
        if (!readCells(scan, entry, matrixSize, isShapeCell))
            return false;
    // Numbers left over mean the sizes above did not describe this file.
    return scan.atEnd();
}

void install(SavedGame& g)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    game.levelFile = std::move(g.levelFile);
    game.tipText = std::move(g.tipText);
    game.fieldWidth = g.fieldWidth;
    game.fieldHeight = g.fieldHeight;
    game.sidesType = g.sidesType;
    game.groundType = g.groundType;
    game.shapeColumn = g.shapeColumn;
    game.shapeRow = g.shapeRow;
    game.shapeBoxSize = g.shapeBoxSize;
    game.score = g.score;
    game.fallSpeed = g.fallSpeed;
    game.startingFallSpeed = g.fallSpeed;
    game.gradualSpeedup = g.gradualSpeedup != 0;
    game.forceDirection = g.forceDirection;
    game.suddenMode = g.suddenMode != 0;
    game.invisibilityMode = g.invisibilityMode != 0;
    game.effectFrequency = g.effectFrequency;
    game.maxBlocks = g.maxBlocks;
    game.minBlocks = g.minBlocks;
    game.maxShapeExtent = g.maxShapeExtent;
    game.minRowsToClear = g.minRowsToClear;

    game.cellCount = g.fieldWidth * g.fieldHeight;
    game.fieldCells = std::move(g.fieldCells);
    game.scratchCells.assign(game.cellCount, CELL_EMPTY);
    game.projectionCells.assign(game.cellCount, CELL_EMPTY);
    game.shapeQueue = std::move(g.shapeQueue);

    setGameMode(MODE_PLAYING);
    resizeWindow(false);
    game.projectionDirty = true;
}

template <typename T>
void appendNumber(std::string& text, T value)
{
    std::array<char, 32> digits;
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    text.append(digits.data(), result.ptr);
}

// Six significant digits, trailing zeros dropped, whatever the C locale says.
void appendSpeed(std::string& text, double value)
{
    std::array<char, 32> digits;
    const auto result =
        std::to_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::general, 6);
    text.append(digits.data(), result.ptr);
}

void appendLine(std::string& text, std::initializer_list<int64_t> values)
{
    const char* separator = "";
    for (int64_t value : values) {
        text += separator;
        appendNumber(text, value);
        separator = " ";
    }
    text += '\n';
}

void appendGrid(std::string& text, const std::vector<int32_t>& cells, int32_t width, int32_t height)
{
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            appendNumber(text, cells[static_cast<size_t>(r) * width + c]);
            text += ' ';
        }
        text += '\n';
    }
    text += '\n';
}

int32_t flag(bool value)
{
    return value ? 1 : 0;
}

// A level name with a line break, or grids that do not match their sizes,
// would give a file that reads back as something else.
bool stateIsWritable()
{
    if (game.levelFile.find_first_of("\n\r") != std::string::npos)
        return false;
    if (game.fieldWidth < 1 || game.fieldHeight < 1 || game.maxShapeExtent < 1)
        return false;
    if (game.fieldCells.size() != static_cast<size_t>(game.fieldWidth) * static_cast<size_t>(game.fieldHeight))
        return false;
    const size_t matrixSize = static_cast<size_t>(game.maxShapeExtent) * static_cast<size_t>(game.maxShapeExtent);
    return std::all_of(game.shapeQueue.begin(), game.shapeQueue.end(),
                       [&](const ShapeMatrix& entry) { return entry.size() == matrixSize; });
}

}  // namespace

bool writeGameState(std::ostream& out)
{
    if (!stateIsWritable())
        return false;

    std::string text;
    text.reserve(game.fieldCells.size() * 2 + queueLength * game.shapeQueue[0].size() * 2 + 512);
    text += game.levelFile;
    text += '\n';
    text += escapeTip(game.tipText);
    text += '\n';
    appendLine(text, {game.fieldWidth, game.fieldHeight});
    appendLine(text, {game.sidesType, game.groundType});
    appendLine(text, {game.shapeColumn, game.shapeRow, game.shapeBoxSize});
    appendLine(text, {game.score});
    appendSpeed(text, game.fallSpeed);
    text += '\n';
    appendLine(text, {flag(game.gradualSpeedup)});
    appendLine(text, {game.forceDirection});
    appendLine(text, {flag(game.suddenMode)});
    appendLine(text, {flag(game.invisibilityMode)});
    const auto& f = game.effectFrequency;
    appendLine(text, {f[0], f[1], f[2], f[3], f[4]});
    appendLine(text, {game.maxBlocks, game.minBlocks, game.maxShapeExtent});
    appendLine(text, {game.minRowsToClear});
    appendGrid(text, game.fieldCells, game.fieldWidth, game.fieldHeight);
    for (const ShapeMatrix& entry : game.shapeQueue)
        appendGrid(text, entry, game.maxShapeExtent, game.maxShapeExtent);

    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    return out.good();
}

bool readGameState(std::istream& in)
{
    std::streambuf* source = in.rdbuf();
    if (!in.good() || source == nullptr)
        return false;
    SavedGame loaded;
    try {
        Scanner scan(source);
        if (!parse(scan, loaded))
            return false;
    } catch (const std::exception&) {
        return false;
    }
    install(loaded);
    return true;
}
