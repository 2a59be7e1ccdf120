#include "qt/mainwindow.h"

#include "audio/music.h"
#include "audio/sound.h"
#include "core/gamestate.h"
#include "core/ports.h"
#include "core/services.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/tick.h"
#include "persist/config.h"
#include "persist/savefiles.h"
#include "persist/settings.h"
#include "render/renderer.h"
#include "render/skins.h"
#include "ui/commands.h"
#include "ui/texts.h"
#include "qt/dialogs.h"
#include "qt/folders.h"
#include "qt/gamepad.h"
#include "qt/halloffame.h"
#include "qt/keymap.h"
#include "qt/sdlaudio.h"
#include "qt/skinloader.h"

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
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QWindow>

#if defined(DRALEN_HAVE_XCB) && QT_CONFIG(xcb)
#include <QGuiApplication>
#include <xcb/xcb.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
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
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(programTitle), QString::fromUtf8(text), QMessageBox::Ok,
                    mainWindow);
    box.setObjectName(QLatin1String(gameMessageObjectName));
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
QRect changedRectangle(const Bitmap& before, const Bitmap& after)
{
    const int width = after.width;
    const size_t rowBytes = static_cast<size_t>(width) * sizeof(uint32_t);
    int top = -1, bottom = -1, left = width, right = -1;
    for (int y = 0; y < after.height; ++y) {
        const uint32_t* was = before.pixels.data() + static_cast<size_t>(y) * width;
        const uint32_t* is = after.pixels.data() + static_cast<size_t>(y) * width;
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
    installAudioPort(sdlAudioPort());
    installSoundPlayer(playCue);
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
    dialog.setNameFilter(
        QStringLiteral("%1 (%2)").arg(QString::fromUtf8(saveFileKindName), QString::fromUtf8(saveFilePattern)));
    dialog.setDefaultSuffix(QString::fromUtf8(saveFileSuffix));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!remembered.isEmpty())
        dialog.selectFile(remembered);
    else if (const QString folder = fileDialogFolder(); !folder.isEmpty())
        dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    remembered = dialog.selectedFiles().first();
    return remembered.toStdString();
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

#if defined(DRALEN_HAVE_XCB) && QT_CONFIG(xcb)
// Motif window-manager hints: which frame parts and functions the window
// asks for. Qt always asks for a resize border on a titled window.
constexpr uint32_t motifHintsFunctions = 1, motifHintsDecorations = 2;
constexpr uint32_t motifFunctionAll = 1, motifFunctionResize = 2;
constexpr uint32_t motifDecorationAll = 1, motifDecorationResizeHandles = 4;

// The window has a fixed size and no maximise box, so it asks for no resize
// border either: the resize bits are taken out of the hints Qt wrote.
void askForNoResizeBorder(QWidget& window)
{
    // Other platforms (offscreen, Wayland) have no such hints.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return;
    const xcb_window_t handle = static_cast<xcb_window_t>(window.winId());
    const char name[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* atomReply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    if (atomReply == nullptr)
        return;
    const xcb_atom_t atom = atomReply->atom;
    std::free(atomReply);

    // flags, functions, decorations, input mode, status
    std::array<uint32_t, 5> hints{};
    xcb_get_property_reply_t* current =
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, handle, atom, atom, 0, 5), nullptr);
    if (current != nullptr) {
        if (current->format == 32 && xcb_get_property_value_length(current) >= int(sizeof hints))
            std::memcpy(hints.data(), xcb_get_property_value(current), sizeof hints);
        std::free(current);
    }
    if ((hints[0] & motifHintsFunctions) == 0) {
        hints[0] |= motifHintsFunctions;
        hints[1] = motifFunctionAll;
    }
    if ((hints[0] & motifHintsDecorations) == 0) {
        hints[0] |= motifHintsDecorations;
        hints[2] = motifDecorationAll;
    }
    // With the "all" bit set, the bits that follow name what is left out.
    if (hints[1] & motifFunctionAll)
        hints[1] |= motifFunctionResize;
    else
        hints[1] &= ~motifFunctionResize;
    if (hints[2] & motifDecorationAll)
        hints[2] |= motifDecorationResizeHandles;
    else
        hints[2] &= ~motifDecorationResizeHandles;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, handle, atom, atom, 32, hints.size(), hints.data());
    xcb_flush(connection);
}
#else
void askForNoResizeBorder(QWidget&)
{
    // Elsewhere the fixed-size window flags already leave the border out.
}
#endif
void showHallOfFame()
{
    runHallOfFameDialog(mainWindow, difficultyOf(game), std::nullopt);
}

// After the score box of a game that entered the Hall of Fame, on the game
// thread: the table opens on the window thread, and the game thread waits.
void showHallOfFameEntry(const Difficulty& rules, size_t place)
{
    runOnWindowThread([rules, place] { runHallOfFameDialog(mainWindow, rules, place); });
}

}  // namespace

PlayArea::PlayArea(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool PlayArea::event(QEvent* event)
{
    // A lone Alt or F10 would take the keyboard to the menu bar, and with it
    // the arrow keys and Escape, while the game runs on. Taken here, they
    // never become the menu's shortcut; paused, they still open the menu.
    if (event->type() == QEvent::ShortcutOverride && game.gameMode == MODE_PLAYING
        && isMenuKey(virtualKeyFromEvent(static_cast<const QKeyEvent&>(*event)))) {
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
    // Most ticks that move something move one shape by one cell: a few
    // hundred pixels of the frame, which is all the window needs to copy.
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
    const QRect changed = changedRectangle(backBuffer, nextFrame);
    if (changed.isEmpty()) {
        ++framesAlike;
        return;
    }
    const size_t bytes = static_cast<size_t>(changed.width()) * sizeof(uint32_t);
    for (int y = changed.top(); y <= changed.bottom(); ++y) {
        const size_t at = static_cast<size_t>(y) * backBuffer.width + changed.left();
        std::memcpy(backBuffer.pixels.data() + at, nextFrame.pixels.data() + at, bytes);
    }
    update(QRect(changed.topLeft() * zoom, changed.size() * zoom));
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
    // A held key repeats: it counts as one press for the movement keys, while
    // the rotation keys turn again on every repeat.
    if (!event->isAutoRepeat()) {
        setKeyDown(key);
        if (event->nativeScanCode() != 0)
            heldByScanCode[event->nativeScanCode()] = key;
    }
    handleKeyPress(key);
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
    setKeyUp(key);
}

void PlayArea::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        handleLeftClick(static_cast<int32_t>(event->position().x()) / zoom,
                        static_cast<int32_t>(event->position().y()) / zoom);
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

ScreenRoom MainWindow::screenRoom() const
{
    if (screen() == nullptr)
        return {};
    const QSize free = screen()->availableGeometry().size();
    const QSize frame = frameGeometry().size() - geometry().size();
    return {free.width(), free.height(), frame.width(), frame.height(), menuBar()->sizeHint().height()};
}

void MainWindow::refitToKnownFrame()
{
    if (frameGeometry().size() - geometry().size() == countedFrame)
        return;
    const int32_t zoom = area->zoomFactor();
    applyPlayAreaSize(area->width() / zoom, area->height() / zoom, true);
}

void MainWindow::refreshZoomItems()
{
    const int32_t zoom = area->zoomFactor();
    const int32_t largest = largestFittingZoom(area->width() / zoom, area->height() / zoom, screenRoom());
    for (int32_t id = CMD_ZOOM_1; id <= CMD_ZOOM_FIT; ++id)
        if (QAction* item = action(id))
            item->setEnabled(zoomItemEnabled(id, largest));
}

void MainWindow::applyPlayAreaSize(int32_t width, int32_t height, bool moveToCentre)
{
    countedFrame = frameGeometry().size() - geometry().size();
    const int32_t zoom = appliedZoom(extraSettings.zoom, largestFittingZoom(width, height, screenRoom()));
    area->setZoom(zoom);
    area->setFixedSize(width * zoom, height * zoom);
    adjustSize();
    if (moveToCentre && screen() != nullptr) {
        // A window larger than the screen even at 1x keeps its menu bar on it.
        const QRect free = screen()->availableGeometry();
        QRect frame = frameGeometry();
        frame.moveCenter(free.center());
        move(std::max(frame.left(), free.left()), std::max(frame.top(), free.top()));
    }
    refreshZoomItems();
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
        if (isActiveWindow())
            refitToKnownFrame();
        musicWindowActivation(isActiveWindow());
    } else if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized)) {
        game.gameMode = MODE_PAUSED;
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::showEvent(QShowEvent* event)
{
    // The native window exists now and is not mapped yet, so the window
    // manager reads the hints before it draws a frame.
    askForNoResizeBorder(*this);
    // Another screen may leave room for other zoom factors.
    connect(windowHandle(), &QWindow::screenChanged, this, &MainWindow::refreshZoomItems, Qt::UniqueConnection);
    QMainWindow::showEvent(event);
    refitToKnownFrame();
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
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        extraSettings.autosavedRules = difficultyOf(game);
    }
    stopGamepads();
    {
        // Under the mutex: a game thread between its check of the flag and
        // its wait would otherwise miss the wake and never be joined.
        std::lock_guard<std::mutex> lock(requestMutex);
        shuttingDown = true;
    }
    requestAnswered.notify_all();
    for (QMessageBox* box : openBoxes)
        box->done(QMessageBox::Ok);
    stopGameThread();
    musicStopRequest = true;
    stopMusicThread();
    installSoundPlayer(nullptr);
    installAudioPort({});
    closeAudio();
    installWindowPort({showMessageBox, setPlayAreaSizeOnWindow, repaintWindow});
    releaseSkinBitmaps();
    event->accept();
    QCoreApplication::quit();
}

void installShellPorts()
{
    shuttingDown = false;
    installWindowPort({showMessageOnWindow, setPlayAreaSizeOnWindow, repaintWindow});
    installNewGameRequest(requestNewGameOnWindow);
    installExitAction(closeMainWindow);
    installHallOfFameRequest(showHallOfFameEntry);
    installHallOfFameViewer(showHallOfFame);
    installCommandPort({showAbout, showCustomGame, showKeys, chooseSaveFile, chooseLoadFile, closeMainWindow,
                        musicOptionSwitched});
}

MainWindow* startGame()
{
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(DRALEN_APP_ID));
    findGameFolders();
    loadConfiguration();
    loadExtraSettings();
    if (loadAutosave()) {
        adoptAutosavedRules();
    } else {
        applyStartUpSettings();
        startNewGame();
    }
    loadSkinBitmaps();
    mainWindow = new MainWindow();
    // Sized before the game thread starts: the resize rewrites the falling
    // shape's pixel position, which the first ticks already move.
    resizeWindow(true);
    startGameThread();
    // Before the music thread starts: SDL's subsystems are not to be started
    // from two threads at once.
    startGamepads(mainWindow);
    // The sound device and its soundfont open on the music thread, while the
    // window shows its first frame. Without a device the game plays on
    // silently.
    startMusicThread(openSoundDevice, freeSdlThreadData);
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
    saveExtraSettings();
}
