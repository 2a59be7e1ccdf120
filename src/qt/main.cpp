// Dralen: a customisable falling-block puzzle game.
#include "qt/mainwindow.h"
#include "ui/shell.h"

#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// SIGTERM (the session's end, a service manager, kill) reaches the window
// thread through a socket, since a signal handler may do next to nothing.
int signalSockets[2] = {-1, -1};

void onTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
}

void closeOnTerminate(QApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSockets) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char byte;
        [[maybe_unused]] const ssize_t read = ::read(signalSockets[1], &byte, 1);
        shellClose();
    });
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    closeOnTerminate(app);
    // Logging off: what the game keeps is written while the session manager
    // still waits for it.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, [](QSessionManager&) { shellSessionEnding(); });
    installShellPorts();
    startGame();
    const int result = QApplication::exec();
    finishGame();
    return result;
}
