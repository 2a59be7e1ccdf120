#include "shell/mainwindow.h"

#include "audio/music.h"
#include "audio/sound.h"
#include "core/gamestate.h"
#include "core/ports.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/tick.h"
#include "persist/config.h"
#include "persist/savefiles.h"
#include "render/renderer.h"
#include "render/skins.h"
#include "shell/commands.h"
#include "shell/dialogs.h"
#include "shell/keymap.h"
#include "core/services.h"

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
#include <QPointer>
#include <QScreen>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <set>

MainWindow* mainWindow = nullptr;

namespace {

// Set once the exit path has begun: requests of the game thread are then
// answered at once instead of waiting on the window.
std::atomic<bool> shuttingDown{false};
std::mutex requestMutex;
std::condition_variable requestAnswered;
std::atomic<bool> repaintPosted{false};
std::set<QMessageBox*> openBoxes;  // window thread only

bool onWindowThread()
{
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// Runs the call on the window thread. The game thread waits for it without
// holding gameLock, and stops waiting when the program shuts down.
void runOnWindowThread(std::function<void()> call)
{
    if (onWindowThread()) {
        call();
        return;
    }
    auto done = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [call, done] {
            if (!shuttingDown)
                call();
            {
                std::lock_guard<std::mutex> lock(requestMutex);
                *done = true;
            }
            requestAnswered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(requestMutex);
    requestAnswered.wait(lock, [&] { return *done || shuttingDown; });
}

int showMessageBox(const char* text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Dralen"), QString::fromUtf8(text), QMessageBox::Ok,
                    mainWindow);
    openBoxes.insert(&box);
    box.exec();
    openBoxes.erase(&box);
    return 1;  // OK is the only answer
}

// Window port: any thread.
int showMessageOnWindow(const char* text)
{
    auto result = std::make_shared<int>(0);
    const std::string copy = text;
    runOnWindowThread([result, copy] { *result = showMessageBox(copy.c_str()); });
    return *result;
}

// Window port: the window thread, or the game thread under gameLock (the
// growing field), which must not wait here: its size change is posted.
void setPlayAreaSizeOnWindow(int32_t width, int32_t height, bool moveToCentre)
{
    if (onWindowThread()) {
        if (mainWindow)
            mainWindow->applyPlayAreaSize(width, height, moveToCentre);
        return;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [width, height, moveToCentre] {
            if (mainWindow)
                mainWindow->applyPlayAreaSize(width, height, moveToCentre);
        },
        Qt::QueuedConnection);
}

// Window port: any thread. Requests from the game thread are folded into one
// pending repaint.
void repaintWindow(bool)
{
    if (onWindowThread()) {
        if (mainWindow)
            mainWindow->playArea()->repaintAll();
        return;
    }
    if (repaintPosted.exchange(true))
        return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            repaintPosted = false;
            if (mainWindow)
                mainWindow->playArea()->showGameChanges();
        },
        Qt::QueuedConnection);
}

// The smallest rectangle holding every pixel in which two frames of one size
// differ; empty when they are alike.
QRect changedRectangle(const QImage& before, const QImage& after)
{
    const int width = after.width();
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    int top = -1, bottom = -1, left = width, right = -1;
    for (int y = 0; y < after.height(); ++y) {
        const auto* was = reinterpret_cast<const QRgb*>(before.constScanLine(y));
        const auto* is = reinterpret_cast<const QRgb*>(after.constScanLine(y));
        if (std::memcmp(was, is, rowBytes) == 0)
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        int first = 0;
        while (was[first] == is[first])
            ++first;
        int last = width - 1;
        while (was[last] == is[last])
            --last;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    return top < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// After a game over, on the game thread: the next game starts on the window
// thread under gameLock, and the game thread waits until it has.
void requestNewGameOnWindow()
{
    runOnWindowThread([] {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        startNewGame();
    });
}

// Music thread, before it plays anything.
void openSoundDevice()
{
    if (!openAudio())
        return;
    letAudioRestWhenSilent();
    installSoundPlayer(playSoundFile);
}

// Closing is posted, so that a command that asks for it has released gameLock
// before the exit path stops the game thread.
void closeMainWindow()
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            if (mainWindow)
                mainWindow->close();
        },
        Qt::QueuedConnection);
}

std::optional<std::string> chooseFile(bool save)
{
    // Each dialog opens with the name last chosen in it.
    static QString lastSaved, lastLoaded;
    QString& remembered = save ? lastSaved : lastLoaded;
    QFileDialog dialog(mainWindow);
    dialog.setNameFilter(QStringLiteral("Save Files (*.sav)"));
    dialog.setDefaultSuffix(QStringLiteral("sav"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!remembered.isEmpty())
        dialog.selectFile(remembered);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    remembered = dialog.selectedFiles().first();
    return QFile::encodeName(remembered).toStdString();
}

std::optional<std::string> chooseSaveFile()
{
    return chooseFile(true);
}

std::optional<std::string> chooseLoadFile()
{
    return chooseFile(false);
}

void showAbout()
{
    runAboutDialog(mainWindow);
}

void showCustomGame()
{
    runCustomGameDialog(mainWindow);
}

void showKeys()
{
    runKeysDialog(mainWindow);
}

}  // namespace

PlayArea::PlayArea(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlayArea::drawFrame(QImage& into)
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    if (into.width() != playAreaWidth || into.height() != playAreaHeight)
        into = QImage(playAreaWidth, playAreaHeight, QImage::Format_RGB32);
    paintPlayArea(into);
}

void PlayArea::showGameChanges()
{
    // Most ticks that move something move one shape by one cell: a few
    // hundred pixels of the frame, which is all the window needs to copy.
    // The next frame is drawn beside the one on screen, and only what
    // differs is copied over, so that pixels a frame leaves alone keep what
    // the frame before left there.
    if (nextFrame.size() != backBuffer.size())
        nextFrame = backBuffer.copy();
    drawFrame(nextFrame);
    backBufferFresh = true;
    if (nextFrame.size() != backBuffer.size()) {
        backBuffer = nextFrame.copy();
        update();
        return;
    }
    const QRect changed = changedRectangle(backBuffer, nextFrame);
    if (changed.isEmpty())
        return;
    const size_t bytes = static_cast<size_t>(changed.width()) * 4;
    for (int y = changed.top(); y <= changed.bottom(); ++y)
        std::memcpy(backBuffer.scanLine(y) + changed.left() * 4, nextFrame.constScanLine(y) + changed.left() * 4,
                    bytes);
    update(changed);
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
    QPainter(this).drawImage(event->rect(), backBuffer, event->rect());
}

void PlayArea::keyPressEvent(QKeyEvent* event)
{
    const int32_t key = virtualKeyFromEvent(*event);
    if (key == 0)
        return;
    // A held key repeats: it counts as one press for the movement keys, while
    // the rotation keys turn again on every repeat.
    if (!event->isAutoRepeat())
        setKeyDown(key);
    handleKeyPress(key);
}

void PlayArea::keyReleaseEvent(QKeyEvent* event)
{
    if (!event->isAutoRepeat())
        setKeyUp(virtualKeyFromEvent(*event));
}

void PlayArea::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        handleLeftClick(static_cast<int32_t>(event->position().x()), static_cast<int32_t>(event->position().y()));
}

void PlayArea::focusOutEvent(QFocusEvent* event)
{
    releaseAllKeys();  // a key released elsewhere would stay down for ever
    QWidget::focusOutEvent(event);
}

MainWindow::MainWindow() : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                    Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                                    Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Dralen"));
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
    for (const MenuNode& child : node.children) {
        if (child.isSeparator()) {
            menu->addSeparator();
        } else if (!child.children.empty()) {
            buildMenu(menu->addMenu(QString::fromUtf8(child.caption)), child);
        } else {
            QAction* item = menu->addAction(QString::fromUtf8(child.caption));
            item->setData(child.id);
            item->setCheckable(menuItemChecked(child.id).has_value());
            const int32_t id = child.id;
            connect(item, &QAction::triggered, this, [this, id] {
                handleMenuCommand(id);
                refreshMenuChecks();
            });
            actions[id] = item;
        }
    }
}

QAction* MainWindow::action(int32_t id) const
{
    const auto found = actions.find(id);
    return found == actions.end() ? nullptr : found->second;
}

void MainWindow::refreshMenuChecks()
{
    std::lock_guard<std::recursive_mutex> lock(gameLock);
    for (const auto& [id, item] : actions)
        if (const std::optional<bool> checked = menuItemChecked(id))
            item->setChecked(*checked);
}

void MainWindow::applyPlayAreaSize(int32_t width, int32_t height, bool moveToCentre)
{
    area->setFixedSize(width, height);
    adjustSize();
    if (moveToCentre && screen() != nullptr) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen()->availableGeometry().center());
        move(frame.topLeft());
    }
    area->repaintAll();
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange) {
        if (!isActiveWindow()) {
            releaseAllKeys();
            if (game.gameMode == MODE_PLAYING)
                game.gameMode = MODE_PAUSED;
        }
        requestRepaint(eraseOnRepaint);
        refreshMenuChecks();
        musicWindowActivation(isActiveWindow());
    } else if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized)) {
        game.gameMode = MODE_PAUSED;
    }
    QMainWindow::changeEvent(event);
}

// The exit path, however it was reached: the close box, "Exit" or the
// Anti-boss! key.
void MainWindow::closeEvent(QCloseEvent* event)
{
    if (closing) {
        event->accept();
        return;
    }
    closing = true;
    writeAutosave();
    shuttingDown = true;
    requestAnswered.notify_all();
    for (QMessageBox* box : openBoxes)
        box->done(QMessageBox::Ok);
    stopGameThread();
    musicStopRequest = true;
    stopMusicThread();
    installSoundPlayer(nullptr);
    closeAudio();
    installWindowPort({showMessageBox, setPlayAreaSizeOnWindow, repaintWindow});
    releaseSkinBitmaps();
    event->accept();
    QCoreApplication::quit();
}

void installShellPorts()
{
    installWindowPort({showMessageOnWindow, setPlayAreaSizeOnWindow, repaintWindow});
    installNewGameRequest(requestNewGameOnWindow);
    installExitAction(closeMainWindow);
    installCommandPort({showAbout, showCustomGame, showKeys, chooseSaveFile, chooseLoadFile, closeMainWindow,
                        musicOptionSwitched});
}

MainWindow* startGame()
{
    findGameDirectory();
    loadConfiguration();
    if (!loadAutosave()) {
        applyStartUpSettings();
        startNewGame();
    }
    loadSkinBitmaps();
    mainWindow = new MainWindow();
    startGameThread();
    // The sound device and its soundfont open on the music thread, while the
    // window shows its first frame. Without a device the game plays on
    // silently.
    startMusicThread(openSoundDevice);
    resizeWindow(true);
    mainWindow->show();
    mainWindow->activateWindow();
    mainWindow->refreshMenuChecks();
    return mainWindow;
}

void finishGame()
{
    stopGameThread();
    delete mainWindow;
    saveConfiguration();
}
