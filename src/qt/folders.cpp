#include "qt/folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGlobal>

#include <system_error>

namespace {

const QString GAME_FOLDER = QStringLiteral("dralen");

// In the file system's own encoding: wide on Windows, the locale's bytes
// elsewhere.
std::filesystem::path toPath(const QString& folder)
{
    const QString clean = QDir::toNativeSeparators(QDir::cleanPath(folder));
#ifdef Q_OS_WIN
    return clean.toStdWString();
#else
    return QFile::encodeName(clean).toStdString();
#endif
}

// Qt names the state folder only from 6.7 on; before that it is the XDG rule
// itself: an absolute $XDG_STATE_HOME, else ~/.local/state.
QString stateLocation()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    return QStandardPaths::writableLocation(QStandardPaths::GenericStateLocation);
#elif defined(Q_OS_WIN)
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#else
    const QString fromEnvironment = qEnvironmentVariable("XDG_STATE_HOME");
    if (!fromEnvironment.isEmpty() && QDir::isAbsolutePath(fromEnvironment))
        return fromEnvironment;
    return QDir::home().filePath(QStringLiteral(".local/state"));
#endif
}

bool portable = true;

}  // namespace

GameFolders installedLayout(const QString& programFolder)
{
    const auto gameFolderIn = [](const QString& base) { return toPath(QDir(base).filePath(GAME_FOLDER)); };
    return {
        toPath(QDir(programFolder).filePath(QStringLiteral(DRALEN_DATA_FROM_PROGRAM))),
        gameFolderIn(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)),
        gameFolderIn(stateLocation()),
        gameFolderIn(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)),
    };
}

void findGameFolders()
{
    findGameDirectory();
    std::error_code error;
    portable = std::filesystem::is_directory(gameDirectory / "levels", error);
    installedFolders = portable ? GameFolders{} : installedLayout(QCoreApplication::applicationDirPath());
}

QString fileDialogFolder()
{
    if (portable)
        return {};
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}
