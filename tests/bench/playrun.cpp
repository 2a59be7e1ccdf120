// The whole game, started the way main() starts it, on a real display: how
// soon the first frame is painted; then, left to play on its own, how much of
// one core each thread takes; then, played with keys, how long a key takes
// to show on the screen; then, paused, how often anything wakes up at all.
//
// Usage: dralen_playrun PLAY_SECONDS KEY_SECONDS PAUSED_SECONDS
//        dralen_playrun --first-frame   (quits once the first frame is painted)
#include "audio/sound.h"
#include "core/gamestate.h"
#include "core/ports.h"
#include "core/window.h"
#include "qt/mainwindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Wall-clock time in milliseconds, to compare with the launcher's clock.
double wallMilliseconds()
{
    using namespace std::chrono;
    return duration<double, std::milli>(system_clock::now().time_since_epoch()).count();
}

// CPU time of the whole process, all threads.
double cpuSeconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Peak resident memory where the system tells it, in MB; negative elsewhere.
double peakMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return -1;
}

// What the system counts for each thread of the process: its name, the time
// it ran (nanoseconds) and how often it was switched out (every wake-up ends
// in one).
struct ThreadFigures {
    std::string name;
    double cpuNanoseconds = 0;
    long switches = 0;
};

std::map<std::string, ThreadFigures> threadFigures()
{
    std::map<std::string, ThreadFigures> threads;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        ThreadFigures figures;
        std::ifstream(task.path() / "comm") >> figures.name;
        std::ifstream(task.path() / "schedstat") >> figures.cpuNanoseconds;
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line))
            if (line.find("ctxt_switches:") != std::string::npos)
                figures.switches += std::atol(line.c_str() + line.find(':') + 1);
        threads[task.path().filename().string()] = figures;
    }
    return threads;
}

// Differences between two looks, summed by thread name.
std::map<std::string, ThreadFigures> threadsBetween(const std::map<std::string, ThreadFigures>& before,
                                                    const std::map<std::string, ThreadFigures>& after)
{
    std::map<std::string, ThreadFigures> byName;
    for (const auto& [id, now] : after) {
        ThreadFigures& sum = byName[now.name];
        sum.name = now.name;
        const auto earlier = before.find(id);
        sum.cpuNanoseconds += now.cpuNanoseconds - (earlier == before.end() ? 0 : earlier->second.cpuNanoseconds);
        sum.switches += now.switches - (earlier == before.end() ? 0 : earlier->second.switches);
    }
    return byName;
}

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(share * static_cast<double>(values.size())))];
}

// Successful turns, counted where the game plays their cue: on the game
// thread, under gameLock, in the same tick that turned the shape.
std::atomic<long> turnsDone{0};

void countingSoundPlayer(const char* file)
{
    if (std::strcmp(file, SOUND_ROTATE) == 0)
        ++turnsDone;
    playCue(file);
}

// Watches the play area: the first paint, and for each turn key the time
// from its arrival to the end of the first paint that shows the turn. The
// frame a paint shows is drawn under gameLock, as the turn is made: by the
// game thread's repaint (showGameChanges) or, failing that, by the paint
// itself. The turns counted before that draw began are surely in it; one
// made while it was drawing may be too, and such a sample counts one frame
// late, never early. A turn that leaves the picture as it was (a shape that
// looks the same turned) has nothing to paint: the window finds the frame
// with it alike the one on screen, and the turn is counted apart instead of
// waiting for whatever changes the screen next.
class Watcher : public QApplication {
public:
    using QApplication::QApplication;

    PlayArea* area = nullptr;
    double firstPaintAt = 0;
    QSize windowSize;
    bool quitAfterFirstPaint = false;
    std::vector<double> latencies;  // milliseconds
    long turnsWithoutEffect = 0;
    long turnsAlikeOnScreen = 0;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (area == nullptr)
            return QApplication::notify(receiver, event);
        const QEvent::Type type = event->type();
        // The game thread's repaints are calls posted to the application.
        if (receiver == this && type == QEvent::MetaCall)
            return notifyCall(receiver, event);
        if (receiver != area)
            return QApplication::notify(receiver, event);
        if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
            if (waiting)
                ++turnsWithoutEffect;  // blocked where it stood
            waiting = true;
            keyArrived = Clock::now();
            turnWanted = turnsDone + 1;
        }
        const long turnsInPaint = frameDrawnSincePaint ? turnsInFrame : turnsDone.load();
        if (type == QEvent::Paint && firstPaintAt == 0) {
            firstPaintAt = wallMilliseconds();
            windowSize = area->window()->size();
            if (quitAfterFirstPaint)
                QTimer::singleShot(0, [] { mainWindow->close(); });
        }
        const bool result = QApplication::notify(receiver, event);
        if (type != QEvent::Paint)
            return result;
        frameDrawnSincePaint = false;
        if (waiting && turnsInPaint >= turnWanted) {
            latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - keyArrived).count());
            waiting = false;
        }
        return result;
    }

private:
    bool notifyCall(QObject* receiver, QEvent* event)
    {
        const long turnsBefore = turnsDone;
        const uint64_t drawnBefore = area->gameFramesDrawn();
        const uint64_t alikeBefore = area->gameFramesAlike();
        const bool result = QApplication::notify(receiver, event);
        if (area->gameFramesDrawn() == drawnBefore)
            return result;
        frameDrawnSincePaint = true;
        turnsInFrame = turnsBefore;
        if (waiting && turnsBefore >= turnWanted && area->gameFramesAlike() != alikeBefore) {
            ++turnsAlikeOnScreen;
            waiting = false;
        }
        return result;
    }

    bool waiting = false;
    Clock::time_point keyArrived;
    long turnWanted = 0;
    // Turns counted before the latest frame the game thread's repaint drew
    // for the coming paint.
    bool frameDrawnSincePaint = false;
    long turnsInFrame = 0;
};

// A player: mostly turns, now and then a step aside so that the heap stays
// low, at uneven moments that keep no step with the ticks.
void pressSomeKey(QWidget* area, std::mt19937& player)
{
    const int roll = std::uniform_int_distribution<int>(0, 9)(player);
    const int key = roll < 6 ? Qt::Key_Space : roll < 8 ? Qt::Key_Left : Qt::Key_Right;
    QCoreApplication::postEvent(area, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    QCoreApplication::postEvent(area, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
}

}  // namespace

int main(int argc, char** argv)
{
    Watcher app(argc, argv);
    const bool firstFrameOnly = argc > 1 && std::strcmp(argv[1], "--first-frame") == 0;
    const int playSeconds = !firstFrameOnly && argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const int keySeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
    const int pausedSeconds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;

    installShellPorts();
    app.quitAfterFirstPaint = firstFrameOnly;
    MainWindow* window = startGame();
    app.area = window->playArea();
    if (firstFrameOnly) {
        const int result = QApplication::exec();
        finishGame();
        std::printf("first frame painted at %.3f\n", app.firstPaintAt);
        std::printf("window size %d %d\n", app.windowSize.width(), app.windowSize.height());
        return result;
    }

    double cpuAtStart = 0, cpuPlaying = 0, cpuPaused = 0;
    std::map<std::string, ThreadFigures> threadsAtStart, threadsPlaying, threadsPaused;
    std::mt19937 player(20260314);
    QTimer keys;
    QObject::connect(&keys, &QTimer::timeout, [&] {
        pressSomeKey(app.area, player);
        keys.setInterval(std::uniform_int_distribution<int>(70, 170)(player));
    });

    int at = 1000;
    // Each look at the threads reads a few files: the process's own time is
    // taken inside them, so that their cost is not counted.
    QTimer::singleShot(at, [&] {
        threadsAtStart = threadFigures();
        cpuAtStart = cpuSeconds();
    });
    at += playSeconds * 1000;
    QTimer::singleShot(at, [&] {
        cpuPlaying = (cpuSeconds() - cpuAtStart) / playSeconds;
        threadsPlaying = threadsBetween(threadsAtStart, threadFigures());
        installSoundPlayer(countingSoundPlayer);
        keys.start(100);
    });
    at += keySeconds * 1000;
    QTimer::singleShot(at, [&] {
        keys.stop();
        installSoundPlayer(playCue);
        game.gameMode = MODE_PAUSED;
        requestRepaint(false);
    });
    // A moment for the last cue to ring out and the pause word to show.
    at += 1000;
    QTimer::singleShot(at, [&] {
        threadsAtStart = threadFigures();
        cpuAtStart = cpuSeconds();
    });
    at += pausedSeconds * 1000;
    QTimer::singleShot(at, [&] {
        cpuPaused = (cpuSeconds() - cpuAtStart) / pausedSeconds;
        threadsPaused = threadsBetween(threadsAtStart, threadFigures());
        window->close();
    });
    const int result = QApplication::exec();
    finishGame();

    std::printf("first frame painted at %.3f\n", app.firstPaintAt);
    std::printf("cpu playing %.3f %%\n", cpuPlaying * 100);
    for (const auto& [name, figures] : threadsPlaying)
        std::printf("thread playing %s %.3f %% %.1f/s\n", name.c_str(), figures.cpuNanoseconds / 1e7 / playSeconds,
                    static_cast<double>(figures.switches) / playSeconds);
    long pausedSwitches = 0;
    for (const auto& [name, figures] : threadsPaused) {
        pausedSwitches += figures.switches;
        std::printf("thread paused %s %.4f %% %.2f/s\n", name.c_str(), figures.cpuNanoseconds / 1e7 / pausedSeconds,
                    static_cast<double>(figures.switches) / pausedSeconds);
    }
    std::printf("cpu paused %.3f %%\n", cpuPaused * 100);
    std::printf("wakes paused %.2f /s\n", static_cast<double>(pausedSwitches) / pausedSeconds);
    std::printf("key latency median %.2f ms p99 %.2f ms max %.2f ms over %zu turns"
                " (%ld blocked, %ld alike on screen)\n",
                percentile(app.latencies, 0.5), percentile(app.latencies, 0.99), percentile(app.latencies, 1),
                app.latencies.size(), app.turnsWithoutEffect, app.turnsAlikeOnScreen);
    std::printf("peak memory %.1f MB\n", peakMegabytes());
    return result;
}
