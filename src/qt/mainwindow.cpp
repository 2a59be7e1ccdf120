#include "qt/mainwindow.h"

#include "audio/music.h"
#include "core/gamestate.h"
#include "core/ports.h"
#include "core/utf8path.h"
#include "core/window.h"
#include "game/keyboard.h"
#include "persist/halloffame.h"
#include "render/frames.h"
#include "render/renderer.h"
#include "ui/commands.h"
#include "ui/shell.h"
#include "ui/texts.h"
#include "qt/dialogs.h"
#include "qt/folders.h"
#include "qt/gamepad.h"
#include "qt/halloffame.h"
#include "qt/keymap.h"
#include "qt/sdlaudio.h"
#include "qt/skinloader.h"
#include "qt/x11frame.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <mutex>

MainWindow* mainWindow = nullptr;

namespace {

void postToWindowThread(std::function<void()> call)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
}

int showMessageBox(const char* text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(programTitle), QString::fromUtf8(text), QMessageBox::Ok,
                    mainWindow);
    box.setObjectName(QLatin1String(gameMessageObjectName));
    box.exec();
    return 1;  // OK is the only answer
}

void endModals()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(window); dialog != nullptr && dialog->isVisible())
            dialog->reject();
}

// Where the Hall of Fame keeps its replays, for the replay chooser to start in.
QString replayFolder()
{
    const std::filesystem::path folder = hallReplayFolder();
    return folder.empty() ? fileDialogFolder() : QString::fromStdString(utf8FromPath(folder));
}

std::optional<std::string> chooseFile(FileChoice choice)
{
    // Each dialog opens with the name last chosen in it.
    static QString remembered[3];
    QString& last = remembered[choice];
    const bool replay = choice == FILE_WATCH_REPLAY;
    QFileDialog dialog(mainWindow);
    dialog.setNameFilter(QStringLiteral("%1 (%2)").arg(
        QString::fromUtf8(replay ? replayFileKindName : saveFileKindName),
        QString::fromUtf8(replay ? replayFilePattern : saveFilePattern)));
    dialog.setDefaultSuffix(QString::fromUtf8(replay ? replayFileSuffix : saveFileSuffix));
    const bool save = choice == FILE_SAVE_GAME;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QString folder = replay ? replayFolder() : fileDialogFolder();
    if (!last.isEmpty())
        dialog.selectFile(last);
    else if (!folder.isEmpty())
        dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    last = dialog.selectedFiles().first();
    return last.toStdString();
}

WindowGeometry windowGeometry()
{
    WindowGeometry room;
    if (mainWindow == nullptr)
        return room;
    const QRect frame = mainWindow->frameGeometry();
    room.x = frame.x();
    room.y = frame.y();
    room.width = frame.width();
    room.height = frame.height();
    if (const QScreen* screen = mainWindow->screen()) {
        const QRect free = screen->availableGeometry();
        room.workX = free.x();
        room.workY = free.y();
        room.workWidth = free.width();
        room.workHeight = free.height();
    }
    const QSize around = frame.size() - mainWindow->geometry().size();
    room.frameWidth = around.width();
    room.frameHeight = around.height();
    room.menuBarHeight = mainWindow->menuBar()->sizeHint().height();
    return room;
}

// Music thread, before it plays anything.
void openSoundDevice()
{
    if (!openAudio())
        return;
    letAudioRestWhenSilent();
    installAudioPort(sdlAudioPort());
    installSoundPlayer(playCue);
}

}  // namespace

PlayArea::PlayArea(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool PlayArea::event(QEvent* event)
{
    // Taken here, a key the game keeps never becomes the menu's shortcut.
    if (event->type() == QEvent::ShortcutOverride
        && shellKeepsKey(virtualKeyFromEvent(static_cast<const QKeyEvent&>(*event)))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void PlayArea::drawFrame(Bitmap& into)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    if (into.width != playAreaWidth || into.height != playAreaHeight)
        into = Bitmap(playAreaWidth, playAreaHeight);
    paintPlayArea(into.view());
}

void PlayArea::showGameChanges()
{
    // The next frame is drawn beside the one on screen, and only what
    // differs is copied over, so that pixels a frame leaves alone keep what
    // the frame before left there.
    const auto sameSize = [](const Bitmap& a, const Bitmap& b) { return a.width == b.width && a.height == b.height; };
    if (!sameSize(nextFrame, backBuffer))
        nextFrame = backBuffer;
    drawFrame(nextFrame);
    ++framesDrawn;
    backBufferFresh = true;
    if (!sameSize(nextFrame, backBuffer)) {
        backBuffer = nextFrame;
        update();
        return;
    }
    const PixelRect changed = copyChangedPixels(backBuffer.view(), nextFrame);
    if (changed.isEmpty()) {
        ++framesAlike;
        return;
    }
    update(QRect(changed.left * zoom, changed.top * zoom, changed.width * zoom, changed.height * zoom));
}

void PlayArea::repaintAll()
{
    backBufferFresh = false;
    update();
}

void PlayArea::paintEvent(QPaintEvent* event)
{
    // Paints the system asks for (the window uncovered, a size change) and
    // those of the window's own commands draw the game as it is now.
    if (!backBufferFresh)
        drawFrame(backBuffer);
    backBufferFresh = false;
    // The part of the frame under the damaged rectangle, drawn at whole
    // factors and without smoothing so the skins' pixels stay crisp.
    const QRect target = event->rect();
    const QPoint first(target.left() / zoom, target.top() / zoom);
    const QPoint last(target.right() / zoom, target.bottom() / zoom);
    const QRect source(first, last);
    // The back buffer's own pixels, shown without a copy.
    const Bitmap& shown = backBuffer;
    QPainter(this).drawImage(QRect(source.topLeft() * zoom, source.size() * zoom), imageOverBitmap(shown), source);
}

void PlayArea::keyPressEvent(QKeyEvent* event)
{
    const int32_t key = virtualKeyFromEvent(*event);
    if (key == 0)
        return;
    if (!event->isAutoRepeat() && event->nativeScanCode() != 0)
        heldByScanCode[event->nativeScanCode()] = key;
    shellKeyDown(key, event->isAutoRepeat());
}

void PlayArea::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat())
        return;
    // On a layout other than the US one a key may come up as another
    // character than it went down as (ß going down, ? coming up with Shift):
    // the physical key tells which code to let go of.
    int32_t key = virtualKeyFromEvent(*event);
    if (const auto held = heldByScanCode.find(event->nativeScanCode()); held != heldByScanCode.end()) {
        key = held->second;
        heldByScanCode.erase(held);
    }
    shellKeyUp(key);
}

void PlayArea::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        shellClick(static_cast<int32_t>(event->position().x()), static_cast<int32_t>(event->position().y()));
}

void PlayArea::focusOutEvent(QFocusEvent* event)
{
    releaseAllKeys();  // a key released elsewhere would stay down for ever
    heldByScanCode.clear();
    QWidget::focusOutEvent(event);
}

MainWindow::MainWindow() : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                    Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                                    Qt::WindowCloseButtonHint |
                                                    Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QString::fromUtf8(programTitle));
    setWindowIcon(QIcon(QStringLiteral(":/skins/DRALEN.bmp")));
    area = new PlayArea(this);
    setCentralWidget(area);
    // The window is exactly the menu bar over the play area, never resized by hand.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    for (const MenuNode& node : menuTree())
        buildMenu(menuBar()->addMenu(QString::fromUtf8(node.caption)), node);
    area->setFixedSize(playAreaWidth, playAreaHeight);
    area->setFocus();
}

MainWindow::~MainWindow()
{
    if (mainWindow == this)
        mainWindow = nullptr;
}

void MainWindow::buildMenu(QMenu* menu, const MenuNode& node)
{
    // One-of-many items share a group, which gives them round marks.
    QActionGroup* choices = nullptr;
    for (const MenuNode& child : node.children) {
        if (child.isSeparator()) {
            menu->addSeparator();
        } else if (!child.children.empty()) {
            buildMenu(menu->addMenu(QString::fromUtf8(child.caption)), child);
        } else {
            QAction* item = menu->addAction(QString::fromUtf8(child.caption));
            item->setData(child.id);
            item->setCheckable(menuItemChecked(child.id).has_value());
            if (menuItemIsChoice(child.id)) {
                if (choices == nullptr)
                    choices = new QActionGroup(menu);
                choices->addAction(item);
            }
            const int32_t id = child.id;
            connect(item, &QAction::triggered, this, [id] { shellCommand(id); });
            actions[id] = item;
        }
    }
}

QAction* MainWindow::action(int32_t id) const
{
    const auto found = actions.find(id);
    return found == actions.end() ? nullptr : found->second;
}

void MainWindow::applyMenu(const std::vector<MenuItemState>& items)
{
    for (const MenuItemState& state : items)
        if (QAction* item = action(state.id)) {
            item->setEnabled(state.enabled);
            if (state.checkable)
                item->setChecked(state.checked);
        }
}

void MainWindow::refreshMenuChecks()
{
    applyMenu(shellMenuStates());
}

void MainWindow::setPlayArea(int32_t width, int32_t height, int32_t zoom)
{
    countedFrame = frameGeometry().size() - geometry().size();
    area->setZoom(zoom);
    area->setFixedSize(width * zoom, height * zoom);
    adjustSize();
}

void MainWindow::refitToKnownFrame()
{
    if (frameGeometry().size() - geometry().size() != countedFrame)
        shellRefit(true);
}

void MainWindow::refitToScreen()
{
    shellRefit(false);
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange) {
        shellActivated(isActiveWindow());
        if (isActiveWindow())
            refitToKnownFrame();
    } else if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized)) {
        shellMinimised();
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::showEvent(QShowEvent* event)
{
    // The native window exists now and is not mapped yet, so the window
    // manager reads the hints before it draws a frame.
    askForNoResizeBorder(*this);
    // Another screen may leave room for other zoom factors.
    connect(windowHandle(), &QWindow::screenChanged, this, &MainWindow::refitToScreen, Qt::UniqueConnection);
    QMainWindow::showEvent(event);
    refitToKnownFrame();
}

// The close box, "Exit", the Anti-boss! key and the end of the session all
// take the shell's one exit, which takes the window away itself.
void MainWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    shellClose();
}

ShellPort qtShellPort()
{
    ShellPort port{};
    port.post = postToWindowThread;
    port.showBox = showMessageBox;
    port.endModals = endModals;
    port.showAbout = [] { runAboutDialog(mainWindow); };
    port.showCustomGame = [] { runCustomGameDialog(mainWindow); };
    port.showKeys = [] { runKeysDialog(mainWindow); };
    port.showHallOfFame = [](const Difficulty& rules, std::optional<HallEntry> entered) {
        runHallOfFameDialog(mainWindow, rules, entered);
    };
    port.chooseFile = chooseFile;
    port.setTitle = [](const std::string& title) {
        if (mainWindow != nullptr)
            mainWindow->setWindowTitle(QString::fromStdString(title));
    };
    port.geometry = windowGeometry;
    port.setPlayArea = [](int32_t width, int32_t height, int32_t zoom) {
        if (mainWindow)
            mainWindow->setPlayArea(width, height, zoom);
    };
    port.moveWindow = [](int32_t x, int32_t y) {
        if (mainWindow)
            mainWindow->move(x, y);
    };
    port.repaint = [](bool) {
        if (mainWindow)
            mainWindow->playArea()->repaintAll();
    };
    port.showGameChanges = [] {
        if (mainWindow)
            mainWindow->playArea()->showGameChanges();
    };
    port.applyMenu = [](const std::vector<MenuItemState>& items) {
        if (mainWindow)
            mainWindow->applyMenu(items);
    };
    port.findFolders = [] { findGameFolders(); };
    port.loadSkins = [] { loadSkinBitmaps(); };
    port.createWindow = [] {
        mainWindow = new MainWindow();
        return true;
    };
    port.startDevices = [] {
        // Before the music thread starts: SDL's subsystems are not to be
        // started from two threads at once.
        startGamepads(mainWindow);
        // The sound device and its soundfont open on the music thread, while
        // the window shows its first frame. Without a device the game plays
        // on silently.
        startMusicThread(openSoundDevice, freeSdlThreadData);
    };
    port.showWindow = [] {
        mainWindow->show();
        mainWindow->activateWindow();
    };
    port.stopControllers = stopGamepads;
    port.closeAudio = [] {
        installAudioPort({});
        closeAudio();
    };
    port.quit = [] {
        if (mainWindow)
            mainWindow->hide();
        QCoreApplication::quit();
    };
    return port;
}

void installShellPorts()
{
    shellInstall(qtShellPort());
}

MainWindow* startGame()
{
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(DRALEN_APP_ID));
    shellStart(qtShellPort());
    return mainWindow;
}

void finishGame()
{
    shellFinish();
    delete mainWindow;
}
