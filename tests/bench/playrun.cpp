// The whole game, started the way main() starts it, left to play on its own
// on a real display: how soon the first frame is painted, how much of one
// core it takes while playing and while paused, and its peak memory.
#include "core/gamestate.h"
#include "shell/mainwindow.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

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
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

class FirstPaint : public QObject {
public:
    double paintedAt = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && paintedAt == 0)
            paintedAt = wallMilliseconds();
        return false;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int playSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const int pausedSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;

    installShellPorts();
    FirstPaint firstPaint;
    MainWindow* window = startGame();
    window->playArea()->installEventFilter(&firstPaint);

    double cpuAtStart = 0, cpuPlaying = 0, cpuPaused = 0;
    QTimer::singleShot(1000, [&] { cpuAtStart = cpuSeconds(); });
    QTimer::singleShot(1000 + playSeconds * 1000, [&] {
        cpuPlaying = (cpuSeconds() - cpuAtStart) / playSeconds;
        game.gameMode = MODE_PAUSED;
        cpuAtStart = cpuSeconds();
    });
    QTimer::singleShot(1000 + (playSeconds + pausedSeconds) * 1000, [&] {
        cpuPaused = (cpuSeconds() - cpuAtStart) / pausedSeconds;
        window->close();
    });
    const int result = QApplication::exec();
    finishGame();

    std::printf("first frame painted at %.3f\n", firstPaint.paintedAt);
    std::printf("cpu playing %.3f %%\n", cpuPlaying * 100);
    std::printf("cpu paused %.3f %%\n", cpuPaused * 100);
    std::printf("peak memory %.1f MB\n", peakMegabytes());
    return result;
}
