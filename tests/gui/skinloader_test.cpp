// The Qt front end's half of the skins and frames: the images it loads from
// its resources are the pixels the library's own BMP reader gives (which the
// renderer's tests and the Windows front end use), and the window shows the
// renderer's frame, pixel for pixel, through its double buffer.
#include "core/folders.h"
#include "core/window.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "persist/config.h"
#include "render/bmpfile.h"
#include "render/renderer.h"
#include "render/skins.h"
#include "qt/mainwindow.h"
#include "qt/skinloader.h"
#include "support/gametest.h"
#include "support/tempdir.h"

#include <QFile>
#include <QImage>

#include <string>

namespace {

std::vector<std::string> allResourceNames()
{
    std::vector<std::string> names{"DRALEN"};
    for (const Skin& skin : skinTable) {
        names.emplace_back(skin.blocksResource);
        names.emplace_back(skin.wordsResource);
    }
    return names;
}

}  // namespace

TEST(SkinLoader, QtAndTheLibrarysReaderGiveTheSamePixels)
{
    for (const std::string& name : allResourceNames()) {
        QFile file(QStringLiteral(":/skins/%1.bmp").arg(QString::fromStdString(name)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        const QByteArray bytes = file.readAll();
        const Bitmap read = readBmp(bytes.constData(), static_cast<size_t>(bytes.size()));
        const Bitmap loaded = loadBitmapResource(name.c_str());
        ASSERT_FALSE(loaded.isNull()) << name;
        EXPECT_EQ(loaded.width, read.width) << name;
        EXPECT_EQ(loaded.height, read.height) << name;
        EXPECT_TRUE(loaded.pixels == read.pixels) << name;
    }
}

TEST(SkinLoader, LoadsEverySkinAndAMissingImageIsEmpty)
{
    loadSkinBitmaps();
    for (const Skin& skin : skinTable) {
        EXPECT_EQ(skin.blocksBitmap.width, 6 * skin.cellSize) << skin.blocksResource;
        EXPECT_EQ(skin.wordsBitmap.width, 5 * skin.cellSize) << skin.wordsResource;
    }
    releaseSkinBitmaps();
    for (const Skin& skin : skinTable)
        EXPECT_TRUE(skin.blocksBitmap.isNull() && skin.wordsBitmap.isNull());
    EXPECT_TRUE(loadBitmapResource("NO_SUCH_SKIN").isNull());
    EXPECT_TRUE(bitmapFromImage(QImage()).isNull());
}

TEST(SkinLoader, ImagesConvertAndWrapWithoutACopy)
{
    QImage argb(3, 2, QImage::Format_ARGB32);
    argb.fill(qRgba(10, 20, 30, 255));
    argb.setPixel(2, 1, qRgb(200, 100, 50));
    const Bitmap bitmap = bitmapFromImage(argb);
    ASSERT_EQ(bitmap.width, 3);
    ASSERT_EQ(bitmap.height, 2);
    EXPECT_EQ(bitmap.pixel(0, 0), rgbPixel(10, 20, 30));
    EXPECT_EQ(bitmap.pixel(2, 1), rgbPixel(200, 100, 50));

    Bitmap frame(5, 4, rgbPixel(1, 2, 3));
    QImage over = imageOverBitmap(frame);
    EXPECT_EQ(over.format(), QImage::Format_RGB32);
    EXPECT_EQ(over.constBits(), reinterpret_cast<const uchar*>(frame.pixels.data()));
    frame.pixels[2 * 5 + 4] = rgbPixel(250, 0, 7);
    EXPECT_EQ(over.pixel(4, 2), qRgb(250, 0, 7)) << "the same memory";
    const Bitmap& constant = frame;
    EXPECT_EQ(imageOverBitmap(constant).constBits(), reinterpret_cast<const uchar*>(frame.pixels.data()));
    EXPECT_TRUE(imageOverBitmap(Bitmap()).isNull());
}

namespace {

int noMessage(const char*)
{
    return 1;
}

}  // namespace

class PlayAreaFramesTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ShellPort port = qtShellPort();
        port.showBox = noMessage;
        shellInstall(port);
        loadDefaultKeys(game.keyBindings);
        game.skinIndex = 6;
        game.cellSize = 16;
        game.randomEvents = false;
        gameDirectory = dir.path();
        startNewGame();
        loadSkinBitmaps();
        window = new MainWindow();
        mainWindow = window;
        window->show();
    }
    void TearDown() override
    {
        delete window;
        mainWindow = nullptr;
        releaseSkinBitmaps();
        releaseAllKeys();
        shellUninstall();
    }

    // What the window shows now, against the renderer's frame of the game.
    void expectWindowShowsTheFrame(const std::string& when)
    {
        const QImage shown = window->playArea()->grab().toImage();
        Bitmap expected(playAreaWidth, playAreaHeight);
        {
            std::lock_guard<std::recursive_mutex> lock(gameLock);
            paintPlayArea(expected.view());
        }
        ASSERT_EQ(shown.width(), expected.width) << when;
        ASSERT_EQ(shown.height(), expected.height) << when;
        for (int32_t y = 0; y < expected.height; ++y)
            for (int32_t x = 0; x < expected.width; ++x)
                ASSERT_EQ(shown.pixel(x, y), expected.pixel(x, y)) << when << ": " << x << "," << y;
    }

    TempDir dir;
    MainWindow* window = nullptr;
};

TEST_F(PlayAreaFramesTest, TheWindowShowsTheRenderersPixels)
{
    expectWindowShowsTheFrame("first paint");

    // The game thread's repaint: only the changed rectangle reaches the back buffer.
    game.fieldCells[game.cellCount - 2 * game.fieldWidth + 3] = CELL_PLACED;
    game.score = 4711;
    window->playArea()->showGameChanges();
    expectWindowShowsTheFrame("changed rectangle");
    window->playArea()->showGameChanges();
    expectWindowShowsTheFrame("nothing changed");

    // A new size: the back buffer is made anew.
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        game.forceDirection = FORCE_RIGHT;
        game.gameMode = MODE_PAUSED;
        resizeWindow(false);
    }
    window->playArea()->showGameChanges();
    expectWindowShowsTheFrame("turned and paused");

    // A small field in a gray margin, drawn afresh by a repaint of the window's own.
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        game.fieldWidth = 4;
        game.fieldHeight = 6;
        startNewGame();
    }
    ASSERT_TRUE(eraseOnRepaint);
    window->playArea()->repaintAll();
    expectWindowShowsTheFrame("small field");
}
