// The yardstick for the game's start-up: a Qt program that shows nothing but
// an empty window of the given size, timed to its first paint the same way.
//
// Usage: dralen_barewindow WIDTH HEIGHT
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

class FirstPaint : public QObject {
public:
    double paintedAt = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && paintedAt == 0) {
            using namespace std::chrono;
            paintedAt = duration<double, std::milli>(system_clock::now().time_since_epoch()).count();
            QTimer::singleShot(0, [] { QApplication::quit(); });
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int width = argc > 2 ? std::atoi(argv[1]) : 640;
    const int height = argc > 2 ? std::atoi(argv[2]) : 480;
    QWidget window;
    window.setFixedSize(width, height);
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    const int result = QApplication::exec();
    std::printf("first frame painted at %.3f\n", firstPaint.paintedAt);
    return result;
}
