// Dralen: a customisable falling-block puzzle game.
#include "qt/mainwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    installShellPorts();
    startGame();
    const int result = QApplication::exec();
    finishGame();
    return result;
}
