// The one main window: a menu bar over the play area. A thin adapter: keys,
// clicks, activation and menu ids go to the plain functions of the game.
#pragma once

#include "render/bitmap.h"
#include "ui/shell.h"

#include <QMainWindow>
#include <QWidget>

#include <cstdint>
#include <map>
#include <vector>

class QAction;
class QMenu;
struct MenuNode;

// The drawing area, exactly playAreaWidth x playAreaHeight pixels.
class PlayArea : public QWidget {
    Q_OBJECT
public:
    explicit PlayArea(QWidget* parent);

    // Each pixel of the play area is drawn as a square of zoom x zoom
    // pixels, without smoothing.
    void setZoom(int32_t factor) { zoom = factor; }
    int32_t zoomFactor() const { return zoom; }
    // The game thread's repaint, run on the window thread: draws the new
    // frame at once and hands the window only the rectangle that differs
    // from the frame on screen, nothing when none does.
    void showGameChanges();
    // Any other repaint: the whole area is drawn afresh at the next paint.
    void repaintAll();
    // How many frames showGameChanges has drawn, and how many of them it
    // found alike the one on screen, so that nothing was painted; the
    // benchmarks tell from them when a change of the game is on screen.
    uint64_t gameFramesDrawn() const { return framesDrawn; }
    uint64_t gameFramesAlike() const { return framesAlike; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Draws the frame of the game as it is now into the back buffer.
    void drawFrame(Bitmap& into);

    // The frames are the renderer's plain pixels; paints wrap them in a
    // QImage without copying.
    Bitmap backBuffer;
    // The code each physical key went down with, until it comes up again.
    std::map<quint32, int32_t> heldByScanCode;
    int32_t zoom = 1;
    Bitmap nextFrame;
    // The back buffer holds what showGameChanges drew for the coming paint.
    bool backBufferFresh = false;
    uint64_t framesDrawn = 0;
    uint64_t framesAlike = 0;
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    PlayArea* playArea() const { return area; }
    QAction* action(int32_t id) const;

    // Sets every item's mark and whether it is enabled.
    void applyMenu(const std::vector<MenuItemState>& items);
    // The same, from the shell's states of now.
    void refreshMenuChecks();
    // Gives the drawing area width x height pixels of the game drawn at
    // zoom; the window follows.
    void setPlayArea(int32_t width, int32_t height, int32_t zoom);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenu(QMenu* menu, const MenuNode& node);
    // The window manager's frame is known only once the window shows: when
    // it differs from the one the size was chosen with, the size is chosen
    // again and the window centred.
    void refitToKnownFrame();
    // Another screen may leave room for other zoom factors.
    void refitToScreen();

    PlayArea* area;
    std::map<int32_t, QAction*> actions;
    QSize countedFrame;  // the frame the play area's size was chosen with
};

// The window of the process, null before it is made and after it is gone.
extern MainWindow* mainWindow;

// The Qt side of the shell's port.
ShellPort qtShellPort();
// Connects the shell to the Qt side without starting a game (tests).
void installShellPorts();

// The shell's start-up with the Qt side; returns the window, shown and
// centred.
MainWindow* startGame();

// After the message loop: the configuration is written last.
void finishGame();
