#include "render/bmpfile.h"
#include "render/skins.h"
#include "support/skinfiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

void put16(Bytes& out, uint32_t v)
{
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void put32(Bytes& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

struct Layout {
    int32_t width = 3, height = 2;
    uint32_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    bool masksAfterHeader = false;  // BI_BITFIELDS with a 40-byte header
    uint32_t red = 0x00FF0000, green = 0x0000FF00, blue = 0x000000FF;
};

// The colour the test files hold at (x, y), counted from the top.
uint32_t colourAt(int32_t x, int32_t y)
{
    return rgbPixel(20 + 40 * x, 30 + 50 * y, 200 - 10 * x - 20 * y);
}

// A .bmp file of the layout; rows bottom-up unless the height is negative.
Bytes makeBmp(const Layout& layout)
{
    const int32_t rows = layout.height < 0 ? -layout.height : layout.height;
    const uint32_t rowBytes = (uint32_t(layout.width) * layout.bitCount + 31) / 32 * 4;
    const uint32_t masks = layout.masksAfterHeader ? 12 : 0;
    const uint32_t offset = 14 + layout.headerSize + masks;
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + rowBytes * rows);
    put32(out, 0);
    put32(out, offset);
    put32(out, layout.headerSize);
    put32(out, uint32_t(layout.width));
    put32(out, uint32_t(layout.height));
    put16(out, 1);
    put16(out, layout.bitCount);
    put32(out, layout.compression);
    put32(out, rowBytes * rows);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    if (layout.headerSize > 40 || layout.masksAfterHeader) {
        put32(out, layout.red);
        put32(out, layout.green);
        put32(out, layout.blue);
    }
    while (out.size() < offset)
        out.push_back(0);
    for (int32_t r = 0; r < rows; ++r) {
        const int32_t y = layout.height < 0 ? r : rows - 1 - r;
        const size_t start = out.size();
        for (int32_t x = 0; x < layout.width; ++x) {
            const uint32_t c = colourAt(x, y);
            out.push_back(pixelBlue(c));
            out.push_back(pixelGreen(c));
            out.push_back(pixelRed(c));
            if (layout.bitCount == 32)
                out.push_back(0x12);  // not alpha: Format_RGB32 ignores it
        }
        while (out.size() - start < rowBytes)
            out.push_back(0xEE);  // padding, never a pixel
    }
    return out;
}

void expectPicture(const Bitmap& bitmap, int32_t width, int32_t height)
{
    ASSERT_FALSE(bitmap.isNull());
    ASSERT_EQ(bitmap.width, width);
    ASSERT_EQ(bitmap.height, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            EXPECT_EQ(bitmap.pixel(x, y), colourAt(x, y)) << x << "," << y;
}

Bitmap read(const Bytes& bytes)
{
    return readBmp(bytes.data(), bytes.size());
}

// The file without its 14-byte file header, as a Windows BITMAP resource.
Bitmap readAsDib(const Bytes& bytes)
{
    return readDib(bytes.data() + 14, bytes.size() - 14);
}

}  // namespace

TEST(BmpFile, ReadsBottomUpTwentyFourBitWithRowPadding)
{
    for (int32_t width : {1, 2, 3, 4, 5}) {
        Layout layout;
        layout.width = width;
        layout.height = 3;
        const Bytes file = makeBmp(layout);
        expectPicture(read(file), width, 3);
        expectPicture(readAsDib(file), width, 3);
    }
}

TEST(BmpFile, ReadsTopDownAndThirtyTwoBitWithOpaquePixels)
{
    Layout layout;
    layout.height = -2;
    expectPicture(read(makeBmp(layout)), 3, 2);
    layout.bitCount = 32;
    expectPicture(read(makeBmp(layout)), 3, 2);
    layout.height = 4;
    expectPicture(read(makeBmp(layout)), 3, 4);
    expectPicture(readAsDib(makeBmp(layout)), 3, 4);
}

TEST(BmpFile, ReadsBitfieldsWithTheUsualMasksOnly)
{
    Layout layout;
    layout.bitCount = 32;
    layout.compression = 3;
    layout.masksAfterHeader = true;
    expectPicture(read(makeBmp(layout)), 3, 2);
    expectPicture(readAsDib(makeBmp(layout)), 3, 2);
    for (uint32_t headerSize : {108u, 124u}) {  // V4 and V5: the masks inside the header
        Layout inside = layout;
        inside.masksAfterHeader = false;
        inside.headerSize = headerSize;
        expectPicture(read(makeBmp(inside)), 3, 2);
        expectPicture(readAsDib(makeBmp(inside)), 3, 2);
    }
    layout.red = 0x000000FF;
    layout.blue = 0x00FF0000;
    EXPECT_TRUE(read(makeBmp(layout)).isNull()) << "swapped masks";
    layout = Layout{};
    layout.compression = 3;
    layout.masksAfterHeader = true;
    EXPECT_TRUE(read(makeBmp(layout)).isNull()) << "bitfields at 24 bits";
}

TEST(BmpFile, RefusesWhatItDoesNotRead)
{
    const Bytes good = makeBmp(Layout{});
    ASSERT_FALSE(read(good).isNull());
    EXPECT_TRUE(readBmp(nullptr, 100).isNull());
    EXPECT_TRUE(readDib(nullptr, 100).isNull());
    EXPECT_TRUE(readBmp(good.data(), 0).isNull());

    auto patched = [&](size_t at, uint32_t value, int bytes) {
        Bytes file = good;
        for (int k = 0; k < bytes; ++k)
            file[at + k] = (value >> (8 * k)) & 0xFF;
        return read(file);
    };
    EXPECT_TRUE(patched(0, 'X', 1).isNull()) << "no BM";
    EXPECT_TRUE(patched(10, 0, 4).isNull()) << "pixels inside the file header";
    EXPECT_TRUE(patched(10, 40, 4).isNull()) << "pixels inside the info header";
    EXPECT_TRUE(patched(10, uint32_t(good.size()), 4).isNull()) << "pixels past the end";
    EXPECT_TRUE(patched(10, 0xFFFFFFF0u, 4).isNull()) << "offset that wraps";
    EXPECT_TRUE(patched(14, 12, 4).isNull()) << "OS/2 core header";
    EXPECT_TRUE(patched(14, 39, 4).isNull()) << "short info header";
    EXPECT_TRUE(patched(14, 0xFFFFFFFFu, 4).isNull()) << "info header longer than the file";
    EXPECT_TRUE(patched(18, 0, 4).isNull()) << "no width";
    EXPECT_TRUE(patched(18, uint32_t(-3), 4).isNull()) << "negative width";
    EXPECT_TRUE(patched(18, 0x7FFFFFFF, 4).isNull()) << "huge width";
    EXPECT_TRUE(patched(18, 4000, 4).isNull()) << "wider than the pixels";
    EXPECT_TRUE(patched(22, 0, 4).isNull()) << "no height";
    EXPECT_TRUE(patched(22, 0x80000000u, 4).isNull()) << "height that cannot be negated";
    EXPECT_TRUE(patched(22, 0x7FFFFFFF, 4).isNull()) << "huge height";
    EXPECT_TRUE(patched(26, 2, 2).isNull()) << "two planes";
    for (uint32_t bits : {0u, 1u, 4u, 8u, 16u, 48u})
        EXPECT_TRUE(patched(28, bits, 2).isNull()) << bits << " bits";
    for (uint32_t compression : {1u, 2u, 4u, 5u, 6u, 99u})
        EXPECT_TRUE(patched(30, compression, 4).isNull()) << "compression " << compression;

    // Every file cut short is refused; none is read past its end.
    for (size_t length = 0; length < good.size(); ++length) {
        const Bytes cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(length));
        EXPECT_TRUE(read(cut).isNull()) << length << " bytes";
    }
    const Bytes dib(good.begin() + 14, good.end());
    for (size_t length = 0; length < dib.size(); ++length)
        EXPECT_TRUE(readDib(dib.data(), length).isNull()) << length << " bytes of the DIB";
    EXPECT_FALSE(patched(46, 300, 4).isNull()) << "colours used: no matter when the offset is given";
    Bytes table = dib;
    table[32] = 1;  // one colour in a table that is not there
    EXPECT_TRUE(readDib(table.data(), table.size()).isNull());
    table[32] = 0;
    table[33] = 1;  // 256 colours
    EXPECT_TRUE(readDib(table.data(), table.size()).isNull());
}

TEST(BmpFile, DamagedFilesGiveAWholeBitmapOrNone)
{
    Layout layout;
    layout.width = 5;
    layout.height = 4;
    const Bytes good = makeBmp(layout);
    std::mt19937 random(20260314);
    for (int round = 0; round < 20000; ++round) {
        Bytes file = good;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < changes; ++k)
            file[random() % 60] = static_cast<unsigned char>(random());  // the headers
        if (random() % 4 == 0)
            file.resize(random() % (file.size() + 1));
        const Bitmap dib = file.size() > 14 ? readDib(file.data() + 14, file.size() - 14) : Bitmap();
        for (const Bitmap& bitmap : {read(file), dib}) {
            if (bitmap.isNull()) {
                EXPECT_TRUE(bitmap.pixels.empty() && bitmap.width == 0 && bitmap.height == 0);
                continue;
            }
            ASSERT_EQ(bitmap.pixels.size(), size_t(bitmap.width) * size_t(bitmap.height));
            for (uint32_t pixel : bitmap.pixels)
                ASSERT_EQ(pixel >> 24, 0xFFu) << "every pixel opaque";
        }
    }
}

// The files the game ships: every skin image reads, at the size its header
// gives and its skin needs.
TEST(BmpFile, ReadsEverySkinImage)
{
    for (const Skin& skin : skinTable) {
        for (const char* name : {skin.blocksResource, skin.wordsResource}) {
            const Bytes file = fileBytes(std::string(DRALEN_RESOURCES_DIR) + "/" + name + ".bmp");
            ASSERT_GT(file.size(), 54u) << name;
            const Bitmap bitmap = readBmp(file.data(), file.size());
            ASSERT_FALSE(bitmap.isNull()) << name;
            int32_t width = 0, height = 0;
            std::memcpy(&width, file.data() + 18, 4);
            std::memcpy(&height, file.data() + 22, 4);
            EXPECT_EQ(bitmap.width, width) << name;
            EXPECT_EQ(bitmap.height, height < 0 ? -height : height) << name;
            EXPECT_EQ(readDib(file.data() + 14, file.size() - 14), bitmap) << name;
        }
        const int32_t cs = skin.cellSize;
        const Bitmap blocks = readBmpFile(std::string(DRALEN_RESOURCES_DIR) + "/" + skin.blocksResource + ".bmp");
        const Bitmap words = readBmpFile(std::string(DRALEN_RESOURCES_DIR) + "/" + skin.wordsResource + ".bmp");
        EXPECT_EQ(blocks.width, 6 * cs) << skin.blocksResource;
        EXPECT_EQ(blocks.height, (skin.neighbourMode == 4 ? 16 : 1) * cs) << skin.blocksResource;
        EXPECT_EQ(words.width, 5 * cs) << skin.wordsResource;
        EXPECT_EQ(words.height, 5 * cs) << skin.wordsResource;
    }
    EXPECT_TRUE(readBmpFile(std::string(DRALEN_RESOURCES_DIR) + "/NO_SUCH_SKIN.bmp").isNull());
}
