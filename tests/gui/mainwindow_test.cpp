#include "core/folders.h"
#include "core/window.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/tick.h"
#include "persist/config.h"
#include "persist/savefiles.h"
#include "persist/settings.h"
#include "render/skins.h"
#include "ui/commands.h"
#include "qt/mainwindow.h"
#include "qt/skinloader.h"
#include "support/gametest.h"
#include "support/invariants.h"
#include "support/tempdir.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <filesystem>
#include <fstream>
#include <set>

namespace {

std::string menuDump(const QList<QAction*>& items, int depth)
{
    std::string dump;
    for (QAction* item : items) {
        dump += std::string(depth * 2, ' ');
        if (item->isSeparator())
            dump += "---\n";
        else if (item->menu() != nullptr)
            dump += item->text().toStdString() + "\n" + menuDump(item->menu()->actions(), depth + 1);
        else
            dump += item->text().toStdString() + " [" + std::to_string(item->data().toInt()) + "]\n";
    }
    return dump;
}

// The window port of these tests: messages are recorded instead of shown,
// sizes reach the real window.
std::vector<std::string> shown;
int recordMessage(const char* text)
{
    shown.emplace_back(text);
    return 1;
}
std::optional<std::string> chosenPath;
std::optional<std::string> choosePath(FileChoice)
{
    return chosenPath;
}

// The real window, with boxes recorded and file choosers answered.
ShellPort testPort()
{
    ShellPort port = qtShellPort();
    port.showBox = recordMessage;
    port.chooseFile = choosePath;
    return port;
}

// The screens of the offscreen platform (tests/gui/screens.json): "4k", the
// primary, 3840 x 2160, where every zoom factor of these games fits, "sxga",
// 1280 x 1024, and "svga", 800 x 600.
QScreen* screenNamed(const char* name)
{
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->name() == QLatin1String(name))
            return screen;
    return nullptr;
}

std::string rectText(const QRect& rect)
{
    return std::to_string(rect.width()) + "x" + std::to_string(rect.height()) + "+" + std::to_string(rect.x())
        + "+" + std::to_string(rect.y());
}

}  // namespace

class MainWindowTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        shown.clear();
        shellInstall(testPort());
        loadDefaultKeys(game.keyBindings);
        game.skinIndex = 2;
        game.cellSize = 20;
        game.randomEvents = false;
        gameDirectory = dir.path();
        applyStartUpSettings();
        startNewGame();
        loadSkinBitmaps();
        window = new MainWindow();
        mainWindow = window;
    }
    void TearDown() override
    {
        delete window;
        mainWindow = nullptr;
        releaseSkinBitmaps();
        releaseAllKeys();
        shellUninstall();
        extraSettings = ExtraSettings{};
    }

    void command(int32_t id) { window->action(id)->trigger(); }

    TempDir dir;
    MainWindow* window = nullptr;
};

TEST_F(MainWindowTest, MenuBarHoldsEveryCommandInItsPlace)
{
    const std::string expected = R"(Game
  Custom Game... [40039]
  Sample Game
    Tetraminoes [40038]
    ---
    Fields 'n' Shapes
      Mini-tetramino [40088]
      Micro-tetramino [40089]
      Nano-tetramino [40090]
      Mega-tetramino [40091]
      Torvel [40092]
      Pentamino [40096]
      Dralen [40093]
      Pure dralen [40095]
      Vemba [40097]
      Monsters! [40099]
      Sea bottom [40098]
      Sinking ships [40100]
      Under pressure [40101]
      Recycle bin [40102]
    Falling thru!
      Where are the borders? [40081]
      Hang while you can [40082]
      Clog [40083]
      Stairs [40084]
      Bridge [40085]
    Row Resistance
      Double Trouble [40105]
      Three-in-a-row [40109]
      Only Sticks Allowed [40110]
      10-Times Worth It [40111]
    Losing Orientation
      Up! [40170]
      Right! [40171]
      Left! [40172]
    Killing Fields
      Africa [40117]
      Farm [40125]
      Fountain [40126]
      Galaxy [40127]
      Spiral [40131]
      Rabbit Hole [40128]
      Smiley [40119]
      Warehouse [40129]
    Extras!
      Unstable Field [40174]
      Shattered Shapes [40176]
      Annoying Rows [40175]
    Grand Master
      Sudden Mode! [40143]
      Suddenly Stick Saved! [40144]
      Suddlenly Rabbit Hole [40145]
      Suddenly Five [40146]
      Suddenly Clogged [40147]
      Suddenly Unstable [40180]
      Insanity [40179]
  ---
  Restart [40041]
  ---
  Save Game [40064]
  Load Game [40065]
  ---
  Exit [40040]
  ---
  Hall of Fame... [40200]
  Watch Replay... [40206]
Options
  Graphical Style
    Stones [40160]
    Digital [40161]
    Excercise Book [40162]
    Micro [40163]
    Pink [40165]
    Biomass [40166]
    Neon [40167]
    Primitive [40168]
  Sounds [40148]
  Music [40149]
  ---
  Shifting Speed
    Very Slow [40053]
    Slow [40046]
    Medium [40047]
    Fast [40048]
    Very Fast [40054]
  Fast Fall Speed
    Very Slow [40055]
    Slow [40050]
    Medium [40051]
    Fast [40052]
    Very Fast [40056]
  ---
  Predict Shapes [40112]
  Show Shape Projection [40113]
  ---
  Random Events [40132]
  Allow Wall Kicks [40134]
  Allow Ground Kicks [40136]
  Fall Slowdown On Action [40151]
  ---
  Configure Keys... [40069]
  ---
  Zoom
    1× [40201]
    2× [40202]
    3× [40203]
    4× [40204]
    Fit screen [40205]
?
  About [40004]
  ---
  Editor Mode [40114]
)";
    EXPECT_EQ(menuDump(window->menuBar()->actions(), 0), expected);
}

TEST_F(MainWindowTest, OptionCommandsKeepOneCheckPerSubmenu)
{
    command(CMD_STYLE_MICRO);
    EXPECT_EQ(game.skinIndex, 3);
    EXPECT_EQ(game.cellSize, 8);
    EXPECT_EQ(window->playArea()->width(), playAreaWidth);
    EXPECT_EQ(playAreaHeight, 25 * 8);
    for (int32_t id : {CMD_STYLE_STONES, CMD_STYLE_DIGITAL, CMD_STYLE_EXERCISE_BOOK, CMD_STYLE_MICRO, CMD_STYLE_PINK,
                       CMD_STYLE_BIOMASS, CMD_STYLE_NEON, CMD_STYLE_PRIMITIVE})
        EXPECT_EQ(window->action(id)->isChecked(), id == CMD_STYLE_MICRO) << id;

    command(CMD_SHIFT_FAST);
    EXPECT_EQ(game.shiftSpeed, 15);
    command(CMD_FAST_FALL_VERY_SLOW);
    EXPECT_EQ(game.fastFallSpeed, 1);
    for (int32_t id : {CMD_SHIFT_VERY_SLOW, CMD_SHIFT_SLOW, CMD_SHIFT_MEDIUM, CMD_SHIFT_FAST, CMD_SHIFT_VERY_FAST})
        EXPECT_EQ(window->action(id)->isChecked(), id == CMD_SHIFT_FAST);

    const bool before = game.showProjection;
    command(CMD_SHOW_PROJECTION);
    EXPECT_NE(game.showProjection, before);
    EXPECT_EQ(window->action(CMD_SHOW_PROJECTION)->isChecked(), game.showProjection);

    // A speed the menu does not offer checks none of its items.
    game.shiftSpeed = 7;
    window->refreshMenuChecks();
    for (int32_t id : {CMD_SHIFT_VERY_SLOW, CMD_SHIFT_SLOW, CMD_SHIFT_MEDIUM, CMD_SHIFT_FAST, CMD_SHIFT_VERY_FAST})
        EXPECT_FALSE(window->action(id)->isChecked());
}

TEST_F(MainWindowTest, OneOfManySubmenusShowRoundMarks)
{
    const std::vector<std::vector<int32_t>> submenus = {
        {CMD_STYLE_STONES, CMD_STYLE_DIGITAL, CMD_STYLE_EXERCISE_BOOK, CMD_STYLE_MICRO, CMD_STYLE_PINK,
         CMD_STYLE_BIOMASS, CMD_STYLE_NEON, CMD_STYLE_PRIMITIVE},
        {CMD_SHIFT_VERY_SLOW, CMD_SHIFT_SLOW, CMD_SHIFT_MEDIUM, CMD_SHIFT_FAST, CMD_SHIFT_VERY_FAST},
        {CMD_FAST_FALL_VERY_SLOW, CMD_FAST_FALL_SLOW, CMD_FAST_FALL_MEDIUM, CMD_FAST_FALL_FAST, CMD_FAST_FALL_VERY_FAST},
        {CMD_ZOOM_1, CMD_ZOOM_2, CMD_ZOOM_3, CMD_ZOOM_4, CMD_ZOOM_FIT}};
    std::set<QActionGroup*> groups;
    for (const std::vector<int32_t>& items : submenus) {
        QActionGroup* group = window->action(items.front())->actionGroup();
        ASSERT_NE(group, nullptr) << items.front();
        EXPECT_TRUE(group->isExclusive());
        EXPECT_EQ(group->actions().size(), qsizetype(items.size()));
        for (int32_t id : items)
            EXPECT_EQ(window->action(id)->actionGroup(), group) << id;
        groups.insert(group);
    }
    EXPECT_EQ(groups.size(), 4u) << "one group for each submenu";
    for (int32_t onOff : {CMD_SOUNDS, CMD_MUSIC, CMD_PREDICT_SHAPES, CMD_SHOW_PROJECTION, CMD_FALL_SLOWDOWN_ON_ACTION,
                          CMD_EDITOR_MODE})
        EXPECT_EQ(window->action(onOff)->actionGroup(), nullptr) << onOff << " keeps its check box";
}

TEST_F(MainWindowTest, AltLeavesTheKeysToTheGameWhilePlaying)
{
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    window->playArea()->setFocus();
    QWindow* handle = window->windowHandle();

    QTest::keyClick(handle, Qt::Key_Alt, Qt::AltModifier);
    EXPECT_EQ(window->menuBar()->activeAction(), nullptr) << "the menu bar took the keyboard";
    EXPECT_EQ(game.gameMode, MODE_PLAYING);
    QTest::keyClick(handle, Qt::Key_Return);
    EXPECT_EQ(game.gameMode, MODE_PAUSED) << "the game still sees its keys";

    // Paused, Alt opens the menu as usual and leaves the game paused.
    QTest::keyClick(handle, Qt::Key_Alt, Qt::AltModifier);
    EXPECT_NE(window->menuBar()->activeAction(), nullptr);
    EXPECT_EQ(game.gameMode, MODE_PAUSED);
}

TEST_F(MainWindowTest, ClosingWhileTheGameThreadWaitsForAMessageBoxNeverHangs)
{
    // A level with a full field: every game ends at its first spawn, so the
    // game thread posts its score box again and again.
    std::filesystem::create_directories(dir / "levels");
    game.fieldCells.assign(game.cellCount, CELL_FIXED);
    game.tipText.clear();
    game.levelFile = "levels/Full.sav";
    ASSERT_TRUE(saveGameToFile(dir / "levels" / "Full.sav"));
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        installShellPorts();
        startNewGame();
        if (window == nullptr) {
            window = new MainWindow();
            mainWindow = window;
        }
        window->show();
        startGameThread();
        // Closed at a moment of its own each round, box open or not.
        QTimer::singleShot(round % 8, window, [this] { window->close(); });
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }, 10000));
        stopGameThread();
        delete window;
        window = nullptr;
        mainWindow = nullptr;
    }
}

TEST_F(MainWindowTest, PredictShapesResizesThePlayArea)
{
    game.fieldWidth = 4;
    game.fieldHeight = 15;
    game.maxShapeExtent = 2;
    game.maxBlocks = 4;
    game.minBlocks = 1;
    startNewGame();
    ASSERT_TRUE(game.predictShapes);
    EXPECT_EQ(playAreaWidth, 160) << "(4 + 2 + 2) cells of 20 px";
    command(CMD_PREDICT_SHAPES);
    EXPECT_FALSE(game.predictShapes);
    EXPECT_EQ(playAreaWidth, 150);
    EXPECT_EQ(fieldOriginX, 35);
    EXPECT_EQ(window->playArea()->width(), 150);
}

TEST_F(MainWindowTest, SampleGamesAssignEverySetting)
{
    ASSERT_EQ(sampleGames.size(), 45u);
    gameDirectory = DRALEN_DATA_DIR;
    for (const SampleGame& row : sampleGames) {
        SCOPED_TRACE(row.caption);
        // Something else first, so that a setting the row forgets shows.
        game.effectFrequency.fill(FREQ_OFTEN);
        game.invisibilityMode = game.suddenMode = true;
        game.levelFile = "levels/Nowhere.sav";
        shown.clear();
        command(row.id);
        ASSERT_EQ(brokenInvariant(), "");
        EXPECT_EQ(game.gameMode, MODE_PLAYING);
        if (*row.levelFile != '\0') {
            EXPECT_EQ(game.levelFile, row.levelFile);
            ASSERT_EQ(shown.size(), 1u) << "the level's tip, no failure";
            continue;
        }
        EXPECT_EQ(game.fieldWidth, row.rules.fieldWidth);
        EXPECT_EQ(game.fieldHeight, row.rules.fieldHeight);
        EXPECT_EQ(game.minBlocks, row.rules.minBlocks);
        EXPECT_EQ(game.maxBlocks, row.rules.maxBlocks);
        EXPECT_EQ(game.maxShapeExtent, row.rules.maxShapeExtent);
        EXPECT_EQ(game.minRowsToClear, row.rules.minRowsToClear);
        EXPECT_EQ(game.initialFallSpeed, row.rules.initialFallSpeed);
        EXPECT_EQ(game.fallSpeed, row.rules.initialFallSpeed);
        EXPECT_EQ(game.gradualSpeedup, row.rules.gradualSpeedup);
        EXPECT_EQ(game.sidesType, row.rules.sidesType);
        EXPECT_EQ(game.groundType, row.rules.groundType);
        EXPECT_EQ(game.forceDirection, row.rules.forceDirection);
        EXPECT_EQ(game.suddenMode, row.rules.suddenMode);
        EXPECT_EQ(game.invisibilityMode, row.rules.invisibilityMode);
        EXPECT_EQ(game.effectFrequency, row.rules.effectFrequency);
        EXPECT_EQ(game.levelFile, "");
        EXPECT_EQ(game.tipText, row.tipText);
        EXPECT_EQ(shown.size(), *row.tipText ? 1u : 0u);
        // What the generator and the field rely on.
        EXPECT_LE(1, row.rules.minBlocks);
        EXPECT_LE(row.rules.minBlocks, row.rules.maxBlocks);
        EXPECT_LE(row.rules.maxBlocks, row.rules.maxShapeExtent * row.rules.maxShapeExtent);
        EXPECT_LE(row.rules.maxShapeExtent, std::min(row.rules.fieldWidth, row.rules.fieldHeight) - 2);
    }
}

TEST_F(MainWindowTest, SomeSampleGamesAsTheyAreKnown)
{
    command(CMD_SAMPLE_UNSTABLE_FIELD);
    command(CMD_SAMPLE_INSANITY);
    EXPECT_EQ(game.effectFrequency, (std::array<int32_t, 5>{0, 0, 0, 0, 0}));
    EXPECT_TRUE(game.suddenMode);
    EXPECT_TRUE(game.invisibilityMode);
    EXPECT_EQ(game.tipText, "Insanity! Everything is sudden and invisibe");

    command(CMD_SAMPLE_SUDDENLY_CLOGGED);
    EXPECT_EQ(game.sidesType, SIDES_BIG_HOLES);
    EXPECT_EQ(game.groundType, GROUND_CENTER_BLOCK);
    EXPECT_EQ(game.forceDirection, FORCE_RIGHT);
    EXPECT_TRUE(game.suddenMode);

    command(CMD_SAMPLE_MONSTERS);
    EXPECT_EQ(game.maxBlocks, 25);
    EXPECT_EQ(game.maxShapeExtent, 6);
    // A missing level keeps the previous game's settings, after the message.
    shown.clear();
    command(CMD_SAMPLE_AFRICA);  // not in this empty game directory
    EXPECT_EQ(shown, std::vector<std::string>{"Couldn't open file to load game"});
    EXPECT_EQ(game.maxBlocks, 25);
    EXPECT_EQ(game.fieldWidth, 20);

    command(CMD_SAMPLE_WHERE_ARE_THE_BORDERS);
    EXPECT_EQ(game.tipText,
              "Where are the field borders?!\n\nTip: Hang your shapes on the already placed blocks or they will fall thru");
}

TEST_F(MainWindowTest, KeysPauseResumeAndTurnThroughRealKeyEvents)
{
    PlayArea* area = window->playArea();
    QTest::keyClick(area, Qt::Key_Return);
    EXPECT_EQ(game.gameMode, MODE_PAUSED);
    QTest::keyClick(area, Qt::Key_Return);
    EXPECT_EQ(game.gameMode, MODE_PLAYING) << "any key resumes, Pause included";
    QTest::keyClick(area, Qt::Key_V);
    EXPECT_EQ(game.pendingRotation, ROTATE_CCW);
    QTest::keyClick(area, Qt::Key_Space);
    EXPECT_EQ(game.pendingRotation, ROTATE_CW);

    // Held move keys reach the key table that the game thread polls.
    QTest::keyPress(area, Qt::Key_Left);
    EXPECT_TRUE(queryKey(37));
    EXPECT_TRUE(queryKey(37)) << "still held";
    QTest::keyRelease(area, Qt::Key_Left);
    EXPECT_FALSE(queryKey(37));
    QTest::keyClick(area, Qt::Key_Right);
    EXPECT_TRUE(queryKey(39)) << "a tap between two polls still counts";
    EXPECT_FALSE(queryKey(39));
}

TEST_F(MainWindowTest, AKeyComingUpAsAnotherCharacterIsLetGo)
{
    // German layout: the ß key goes down alone and comes up with Shift held.
    PlayArea* area = window->playArea();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_ssharp, Qt::NoModifier, 20, 0, 0, QString::fromUtf8("ß"));
    QApplication::sendEvent(area, &down);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Question, Qt::ShiftModifier, 20, 0, 0, QStringLiteral("?"));
    QApplication::sendEvent(area, &up);
    const int32_t sharpS = characterKeyBase + 0xDF;
    EXPECT_TRUE(queryKey(sharpS)) << "the tap counts";
    EXPECT_FALSE(queryKey(sharpS)) << "and the key is up again";
}

TEST_F(MainWindowTest, ClicksPauseResumeAndEditCellsInEveryDirection)
{
    PlayArea* area = window->playArea();
    QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(game.gameMode, MODE_PAUSED);
    QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(game.gameMode, MODE_PLAYING);

    struct Case {
        int32_t direction;
        int32_t column, row;  // the cell under screen cell (0, 1)
    };
    for (Case c : {Case{FORCE_DOWN, 0, 1}, Case{FORCE_UP, 9, 23}, Case{FORCE_RIGHT, 8, 0}, Case{FORCE_LEFT, 1, 24}}) {
        game.forceDirection = c.direction;
        startNewGame();
        game.fieldCells.assign(game.cellCount, CELL_EMPTY);
        command(CMD_EDITOR_MODE);
        ASSERT_EQ(game.gameMode, MODE_EDITOR);
        const QPoint screenCell(fieldOriginX + 5, fieldOriginY + 20 + 5);
        const int32_t index = c.row * game.fieldWidth + c.column;
        QTest::mouseClick(area, Qt::LeftButton, {}, screenCell);
        EXPECT_EQ(game.fieldCells[index], CELL_FIXED) << "direction " << c.direction;
        QTest::mouseClick(area, Qt::LeftButton, {}, screenCell);
        EXPECT_EQ(game.fieldCells[index], CELL_PLACED);
        QTest::mouseClick(area, Qt::LeftButton, {}, screenCell);
        EXPECT_EQ(game.fieldCells[index], CELL_EMPTY);
        EXPECT_EQ(countCells(game.fieldCells, CELL_EMPTY), game.cellCount) << "only that cell changed";
        command(CMD_EDITOR_MODE);
        EXPECT_EQ(game.gameMode, MODE_PAUSED) << "leaving the editor pauses";
    }
    game.gameMode = MODE_GAME_OVER;
    command(CMD_EDITOR_MODE);
    EXPECT_EQ(game.gameMode, MODE_EDITOR);
    EXPECT_TRUE(window->action(CMD_EDITOR_MODE)->isChecked());
}

TEST_F(MainWindowTest, MinimisingPausesInAnyMode)
{
    window->show();
    for (int32_t mode : {MODE_PLAYING, MODE_EDITOR}) {
        window->showNormal();
        game.gameMode = mode;
        window->showMinimized();
        EXPECT_EQ(game.gameMode, MODE_PAUSED);
    }
}

TEST_F(MainWindowTest, SaveAndLoadThroughTheCommands)
{
    game.score = 4321;
    chosenPath = (dir / "mine.sav").string();
    command(CMD_SAVE_GAME);
    ASSERT_TRUE(std::filesystem::exists(dir / "mine.sav"));

    startNewGame();
    EXPECT_EQ(game.score, 0);
    game.gameMode = MODE_PAUSED;
    command(CMD_LOAD_GAME);
    EXPECT_EQ(game.score, 4321);
    EXPECT_EQ(game.gameMode, MODE_PLAYING) << "a loaded game plays at once";

    chosenPath.reset();  // cancelled
    game.score = 5;
    command(CMD_LOAD_GAME);
    EXPECT_EQ(game.score, 5);
}

TEST_F(MainWindowTest, ExitWritesTheAutosaveThenTheConfiguration)
{
    game.score = 77;
    game.shiftSpeed = 15;
    window->show();
    window->close();
    EXPECT_TRUE(std::filesystem::exists(dir / "autosave.sav"));
    EXPECT_FALSE(std::filesystem::exists(dir / "dralen.cfg")) << "the configuration comes last";
    finishGame();
    window = nullptr;
    EXPECT_TRUE(std::filesystem::exists(dir / "dralen.cfg"));

    game = GameState{};
    ASSERT_TRUE(loadAutosave());
    EXPECT_EQ(game.score, 77);
    loadConfiguration();
    EXPECT_EQ(game.shiftSpeed, 15);
}

TEST_F(MainWindowTest, ZoomScalesTheWindowByWholeFactorsWithoutSmoothing)
{
    window->show();
    PlayArea* area = window->playArea();
    const QSize oneTimes(playAreaWidth, playAreaHeight);
    EXPECT_EQ(area->size(), oneTimes) << "1x is the window as it always was";
    const QImage plain = area->grab().toImage();

    command(CMD_ZOOM_3);
    EXPECT_EQ(area->size(), oneTimes * 3);
    EXPECT_TRUE(window->action(CMD_ZOOM_3)->isChecked());
    EXPECT_FALSE(window->action(CMD_ZOOM_1)->isChecked());
    const QImage zoomed = area->grab().toImage();
    // Every pixel becomes a 3 x 3 square of exactly its colour.
    for (int y = 0; y < plain.height(); y += 7)
        for (int x = 0; x < plain.width(); x += 5)
            for (int d : {0, 1, 2})
                ASSERT_EQ(zoomed.pixel(3 * x + d, 3 * y + 2 - d), plain.pixel(x, y)) << x << "," << y;

    // The largest factor whose window fits the screen, and the next does not.
    command(CMD_ZOOM_FIT);
    const int32_t fit = area->zoomFactor();
    const QRect free = window->screen()->availableGeometry();
    EXPECT_EQ(area->size(), oneTimes * fit);
    EXPECT_LE(window->frameGeometry().height(), free.height());
    EXPECT_LE(window->frameGeometry().width(), free.width());
    EXPECT_TRUE((fit + 1) * playAreaHeight > free.height() - window->menuBar()->height()
                || (fit + 1) * playAreaWidth > free.width());

    // A new field keeps the factor; the setting lives outside dralen.cfg.
    command(CMD_ZOOM_2);
    game.fieldWidth = 8;
    startNewGame();
    EXPECT_EQ(area->size(), QSize(playAreaWidth, playAreaHeight) * 2);
    saveConfiguration();
    saveExtraSettings();
    extraSettings = ExtraSettings{};
    loadExtraSettings();
    EXPECT_EQ(extraSettings.zoom, 2);
    std::ifstream config(dir / "dralen.cfg");
    int lines = 0;
    for (std::string line; std::getline(config, line);)
        ++lines;
    EXPECT_EQ(lines, 12);
}

TEST_F(MainWindowTest, AStoredZoomThatDoesNotFitTheScreenFallsBackAndIsGreyedOut)
{
    for (const char* name : {"sxga", "svga"}) {
        SCOPED_TRACE(name);
        QScreen* screen = screenNamed(name);
        ASSERT_NE(screen, nullptr) << "QT_QPA_PLATFORM=offscreen:configfile=tests/gui/screens.json";
        // As at start-up: 3x from settings.cfg, a new window sized and
        // centred, then shown.
        extraSettings.zoom = 3;
        extraSettings.zoomChosen = true;
        delete window;
        window = new MainWindow();
        mainWindow = window;
        const QRect free = screen->availableGeometry();
        window->move(free.topLeft());
        ASSERT_EQ(window->screen(), screen);
        resizeWindow(true);
        window->show();
        window->refreshMenuChecks();

        const PlayArea* area = window->playArea();
        EXPECT_TRUE(free.contains(window->frameGeometry()))
            << rectText(window->frameGeometry()) << " on " << rectText(free);
        EXPECT_TRUE(window->action(CMD_ZOOM_1)->isEnabled());
        EXPECT_FALSE(window->action(CMD_ZOOM_3)->isEnabled());
        EXPECT_FALSE(window->action(CMD_ZOOM_4)->isEnabled());
        EXPECT_TRUE(window->action(CMD_ZOOM_FIT)->isEnabled());
        // The largest factor that fits is drawn; the player's choice stays,
        // and keeps its mark, for a screen where it fits.
        EXPECT_EQ(area->zoomFactor(), window->action(CMD_ZOOM_2)->isEnabled() ? 2 : 1);
        EXPECT_EQ(area->size(), QSize(playAreaWidth, playAreaHeight) * area->zoomFactor());
        EXPECT_EQ(extraSettings.zoom, 3);
        EXPECT_TRUE(window->action(CMD_ZOOM_3)->isChecked());
    }
    EXPECT_FALSE(window->action(CMD_ZOOM_2)->isEnabled()) << "800 x 600 has no room for 2x";

    // "Pentamino" is 700 pixels high: not even 1x fits 800 x 600, yet 1x can
    // be chosen, and the window keeps its menu bar on the screen.
    command(CMD_SAMPLE_PENTAMINO);
    command(CMD_ZOOM_1);
    EXPECT_EQ(window->playArea()->zoomFactor(), 1);
    EXPECT_EQ(window->frameGeometry().top(), screenNamed("svga")->availableGeometry().top());
}

TEST_F(MainWindowTest, ZoomFactorsAreGreyedAnewWhenTheFieldOrTheScreenChanges)
{
    PlayArea* area = window->playArea();
    QScreen* small = screenNamed("svga");
    ASSERT_NE(small, nullptr) << "QT_QPA_PLATFORM=offscreen:configfile=tests/gui/screens.json";
    window->show();
    command(CMD_ZOOM_4);
    ASSERT_EQ(area->zoomFactor(), 4);

    // "Sea bottom" is 50 cells wide: 4x no longer fits, 3x is drawn, and 4x
    // comes back with a narrower field.
    command(CMD_SAMPLE_SEA_BOTTOM);
    EXPECT_EQ(area->zoomFactor(), 3);
    EXPECT_FALSE(window->action(CMD_ZOOM_4)->isEnabled());
    EXPECT_TRUE(window->action(CMD_ZOOM_4)->isChecked());
    EXPECT_EQ(extraSettings.zoom, 4);
    command(CMD_SAMPLE_TETRAMINOES);
    EXPECT_EQ(area->zoomFactor(), 4);
    EXPECT_TRUE(window->action(CMD_ZOOM_4)->isEnabled());

    // Dragged onto the 800 x 600 screen, only 1x and "Fit screen" are left.
    QRect frame = window->frameGeometry();
    frame.moveCenter(small->geometry().center());
    window->move(frame.topLeft());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->screen() == small; }));
    EXPECT_TRUE(window->action(CMD_ZOOM_1)->isEnabled());
    EXPECT_FALSE(window->action(CMD_ZOOM_2)->isEnabled());
    EXPECT_FALSE(window->action(CMD_ZOOM_4)->isEnabled());
    EXPECT_TRUE(window->action(CMD_ZOOM_FIT)->isEnabled());
}

TEST_F(MainWindowTest, EditorClicksHitTheirCellAtEveryZoom)
{
    PlayArea* area = window->playArea();
    for (int32_t factor : {1, 2, 3, 4}) {
        command(CMD_ZOOM_1 + factor - 1);
        game.fieldCells.assign(game.cellCount, CELL_EMPTY);
        game.gameMode = MODE_EDITOR;
        // The last pixel of cell (3, 2) on the screen, and the first of (4, 2).
        const int32_t cs = game.cellSize;
        const QPoint lastOfCell((fieldOriginX + 4 * cs) * factor - 1, (fieldOriginY + 3 * cs) * factor - 1);
        QTest::mouseClick(area, Qt::LeftButton, {}, lastOfCell);
        QTest::mouseClick(area, Qt::LeftButton, {}, lastOfCell + QPoint(1, 0));
        EXPECT_EQ(game.fieldCells[2 * game.fieldWidth + 3], CELL_FIXED) << factor << "x";
        EXPECT_EQ(game.fieldCells[2 * game.fieldWidth + 4], CELL_FIXED) << factor << "x";
        EXPECT_EQ(countCells(game.fieldCells, CELL_FIXED), 2);
    }
}
