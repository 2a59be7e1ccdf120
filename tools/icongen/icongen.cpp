// icongen: draws Dralen's application icon at the sizes a desktop asks for,
// and the pictures of the Windows installer.
//
//   icongen OUTPUT_DIRECTORY
//
// writes dralen-<size>.png for 16, 24, 32, 48, 64, 128 and 256 pixels, and
// dralen.ico, which holds all of them for the Windows program. The
// picture: on a dark tile, an L of four cyan blocks is about to drop into the
// gap of a magenta row and complete it. Each size is drawn for itself on a
// whole-pixel grid rather than scaled down from the largest, so the small
// icons stay crisp. The Windows installer's pictures are drawn in the same
// style: installer-wizard.bmp (164 x 314, the side of the welcome and finish
// pages) a field in play, installer-header.bmp (150 x 57, the corner of the
// other pages) the icon on the pages' white. The output is the same on every
// run.

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QBuffer>
#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>
#include <vector>

namespace {

constexpr int SIZES[] = {16, 24, 32, 48, 64, 128, 256};
constexpr int GRID = 4;

struct Block {
    int column, row;
    bool falling;  // the cyan piece, else the magenta row
};

// The L stands one row above the gap it fills; the row lacks just those two
// cells.
constexpr Block BLOCKS[] = {
    {1, 0, true}, {1, 1, true}, {1, 2, true}, {2, 2, true},
    {0, 3, false}, {3, 3, false},
};

bool occupied(int column, int row, bool falling)
{
    return std::any_of(std::begin(BLOCKS), std::end(BLOCKS), [&](const Block& b) {
        return b.column == column && b.row == row && b.falling == falling;
    });
}

void drawTile(QPainter& painter, const QRectF& tile)
{
    const qreal radius = tile.width() * 0.2;
    QLinearGradient fill(tile.topLeft(), tile.bottomRight());
    fill.setColorAt(0, QColor(36, 44, 92));
    fill.setColorAt(1, QColor(10, 12, 34));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(tile, radius, radius);
}

// A block joins its neighbours of the same piece, as the skins draw them: the
// piece reads as one shape, with a rim only along its outline.
void drawBlock(QPainter& painter, const Block& block, const QRectF& cell, qreal cellSize)
{
    const QColor base = block.falling ? QColor(70, 225, 255) : QColor(250, 70, 190);
    // Whole pixels only: a half-pixel rim would blur the small icons.
    const qreal inset = cellSize >= 10 ? std::round(cellSize * 0.07) : 0;
    const qreal left = occupied(block.column - 1, block.row, block.falling) ? 0 : inset;
    const qreal top = occupied(block.column, block.row - 1, block.falling) ? 0 : inset;
    const qreal right = occupied(block.column + 1, block.row, block.falling) ? 0 : inset;
    const qreal bottom = occupied(block.column, block.row + 1, block.falling) ? 0 : inset;
    const QRectF body = cell.adjusted(left, top, -right, -bottom);

    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, base.lighter(135));
    fill.setColorAt(1, base.darker(125));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRect(body);

    // From 32 px up there is room for a glint in each block's upper left.
    if (cellSize >= 6) {
        const qreal glint = cellSize * 0.28;
        QRadialGradient shine(body.topLeft() + QPointF(glint, glint), glint);
        shine.setColorAt(0, QColor(255, 255, 255, 150));
        shine.setColorAt(1, QColor(255, 255, 255, 0));
        painter.setBrush(shine);
        painter.drawRect(body);
    }
}

QImage drawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);

    // Small icons use every pixel; large ones keep the margin that the
    // desktop's other icons have.
    const int margin = size >= 48 ? size / 16 : 0;
    drawTile(painter, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));

    const int inner = size - 2 * margin - 2 * std::max(1, size / 10);
    const int cell = inner / GRID;
    const int origin = (size - cell * GRID) / 2;
    for (const Block& block : BLOCKS) {
        const QRectF rect(origin + block.column * cell, origin + block.row * cell, cell, cell);
        drawBlock(painter, block, rect, cell);
    }
    painter.end();
    return image;
}

// The welcome page's side: a tall field in play on the icon's dark ground,
// a cyan L about to complete the top row of the stack.
constexpr int WIZARD_WIDTH = 164, WIZARD_HEIGHT = 314;
constexpr const char* WIZARD_FIELD[] = {
    "........", "........", "....gg..", "...gg...", "........", "........",
    "........", "........", "........", "...c....", "...c....", "...cc...",
    "........", "mmm..vvv", "mgvvgg.v", "gmmvgggv", "ggmmvvgg",
};

QColor fieldColour(char code)
{
    switch (code) {
    case 'c': return QColor(70, 225, 255);
    case 'm': return QColor(250, 70, 190);
    case 'g': return QColor(255, 196, 60);
    case 'v': return QColor(150, 110, 255);
    default: return QColor(110, 230, 120);
    }
}

bool sameCell(int column, int row, char code)
{
    constexpr int rows = static_cast<int>(std::size(WIZARD_FIELD));
    return row >= 0 && row < rows && column >= 0 && column < 8 && WIZARD_FIELD[row][column] == code;
}

QImage drawWizard()
{
    QImage image(WIZARD_WIDTH, WIZARD_HEIGHT, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient ground(0, 0, 0, WIZARD_HEIGHT);
    ground.setColorAt(0, QColor(36, 44, 92));
    ground.setColorAt(1, QColor(10, 12, 34));
    painter.fillRect(image.rect(), ground);

    constexpr int rows = static_cast<int>(std::size(WIZARD_FIELD));
    constexpr int cell = 18;
    const int left = (WIZARD_WIDTH - 8 * cell) / 2;
    const int top = WIZARD_HEIGHT - rows * cell - (WIZARD_WIDTH - 8 * cell) / 2;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < 8; ++column) {
            const QRectF rect(left + column * cell, top + row * cell, cell, cell);
            const char code = WIZARD_FIELD[row][column];
            if (code == '.') {
                // The field's empty cells, just visible against the ground.
                painter.setPen(Qt::NoPen);
                painter.setBrush(QColor(255, 255, 255, 10));
                painter.drawRoundedRect(rect.adjusted(1, 1, -1, -1), 2, 2);
                continue;
            }
            // The falling L reads as one piece; the stack's blocks each
            // keep their rim.
            const bool piece = code == 'c';
            const qreal inset = 1;
            const QRectF body = rect.adjusted(piece && sameCell(column - 1, row, code) ? 0 : inset,
                                              piece && sameCell(column, row - 1, code) ? 0 : inset,
                                              piece && sameCell(column + 1, row, code) ? 0 : -inset,
                                              piece && sameCell(column, row + 1, code) ? 0 : -inset);
            const QColor base = fieldColour(code);
            QLinearGradient fill(body.topLeft(), body.bottomLeft());
            fill.setColorAt(0, base.lighter(135));
            fill.setColorAt(1, base.darker(125));
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill);
            painter.drawRect(body);
            const qreal glint = cell * 0.28;
            QRadialGradient shine(body.topLeft() + QPointF(glint, glint), glint);
            shine.setColorAt(0, QColor(255, 255, 255, 150));
            shine.setColorAt(1, QColor(255, 255, 255, 0));
            painter.setBrush(shine);
            painter.drawRect(body);
        }
    }
    painter.end();
    return image;
}

// The other pages' corner: the 48-pixel icon, right-aligned on their white.
QImage drawHeader()
{
    constexpr int width = 150, height = 57, size = 48;
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawImage(width - size - (height - size) / 2, (height - size) / 2, drawIcon(size));
    painter.end();
    return image;
}

// Windows reads bitmaps of 24 bits per pixel everywhere.
bool saveBitmap(const QImage& image, const std::filesystem::path& file)
{
    return image.convertToFormat(QImage::Format_RGB888).save(QString::fromStdString(file.string()), "BMP");
}

void putLittleEndian(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// An icon file of PNG images, one per size, as Windows has read since Vista.
bool writeIconFile(const std::filesystem::path& file)
{
    std::vector<QByteArray> images;
    for (int size : SIZES) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!drawIcon(size).save(&buffer, "PNG"))
            return false;
        images.push_back(png);
    }
    std::string out;
    putLittleEndian(out, 0, 2);
    putLittleEndian(out, 1, 2);  // an icon, not a cursor
    putLittleEndian(out, static_cast<uint32_t>(images.size()), 2);
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const int size = SIZES[i];
        putLittleEndian(out, size >= 256 ? 0 : size, 1);  // 0 stands for 256
        putLittleEndian(out, size >= 256 ? 0 : size, 1);
        putLittleEndian(out, 0, 2);  // no palette, reserved
        putLittleEndian(out, 1, 2);  // planes
        putLittleEndian(out, 32, 2);  // bits per pixel
        putLittleEndian(out, static_cast<uint32_t>(images[i].size()), 4);
        putLittleEndian(out, offset, 4);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const QByteArray& png : images)
        out.append(png.constData(), static_cast<size_t>(png.size()));
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(out.data(), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(stream);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen OUTPUT_DIRECTORY\n");
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    int failures = 0;
    for (int size : SIZES) {
        const std::filesystem::path file = directory / ("dralen-" + std::to_string(size) + ".png");
        if (!drawIcon(size).save(QString::fromStdString(file.string()), "PNG")) {
            std::fprintf(stderr, "icongen: cannot write %s\n", file.string().c_str());
            ++failures;
        }
    }
    for (const auto& [name, image] : {std::pair{"installer-wizard.bmp", drawWizard()},
                                      std::pair{"installer-header.bmp", drawHeader()}}) {
        if (!saveBitmap(image, directory / name)) {
            std::fprintf(stderr, "icongen: cannot write %s\n", (directory / name).string().c_str());
            ++failures;
        }
    }
    if (!writeIconFile(directory / "dralen.ico")) {
        std::fprintf(stderr, "icongen: cannot write %s\n", (directory / "dralen.ico").string().c_str());
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
