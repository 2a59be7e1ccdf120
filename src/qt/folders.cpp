#include "qt/folders.h"

#include "core/utf8path.h"
#include "core/window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGlobal>

#include <system_error>

#ifndef Q_OS_WIN
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

const QString GAME_FOLDER = QStringLiteral("dralen");

std::filesystem::path toPath(const QString& folder)
{
    return pathFromUtf8(QDir::toNativeSeparators(QDir::cleanPath(folder)).toStdString());
}

std::filesystem::path installedData(const QString& programFolder)
{
    return toPath(QDir(programFolder).filePath(QStringLiteral(DRALEN_DATA_FROM_PROGRAM)));
}

#ifndef Q_OS_WIN
// The XDG base directory rule, which Qt bends (it takes a relative folder, and
// without $HOME it starts from the root): an absolute folder from the
// environment, else the default under home.
QString xdgLocation(const char* variable, const QString& home, const char* underHome)
{
    const QString fromEnvironment = qEnvironmentVariable(variable);
    if (!fromEnvironment.isEmpty() && QDir::isAbsolutePath(fromEnvironment))
        return fromEnvironment;
    return QDir(home).filePath(QLatin1String(underHome));
}
#endif

bool portable = true;

}  // namespace

QString homeFolder()
{
#ifdef Q_OS_WIN
    return QDir::homePath();
#else
    const QString fromEnvironment = qEnvironmentVariable("HOME");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const passwd* entry = getpwuid(getuid());
    const QString fromDatabase =
        entry != nullptr && entry->pw_dir != nullptr ? QFile::decodeName(entry->pw_dir) : QString();
    // A system account's entry may name the root, where nothing of ours belongs.
    if (!QDir::isAbsolutePath(fromDatabase) || QDir(fromDatabase).isRoot())
        return {};
    return fromDatabase;
#endif
}

bool runsPortably(const QString& programFolder, const std::filesystem::path& workingDirectory)
{
    std::error_code error;
    if (std::filesystem::is_directory(installedData(programFolder), error))
        return false;
    return std::filesystem::is_directory(workingDirectory / "levels", error);
}

GameFolders installedLayout(const QString& programFolder, const QString& home)
{
    GameFolders folders;
    folders.data = installedData(programFolder);
    if (home.isEmpty()) {
        folders.keepsFiles = false;
        return folders;
    }
    const auto gameFolderIn = [](const QString& base) { return toPath(QDir(base).filePath(GAME_FOLDER)); };
#ifdef Q_OS_WIN
    // What Windows has in their place, as Qt names it; Qt names the state
    // folder only from 6.7 on.
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    const auto stateLocation = QStandardPaths::GenericStateLocation;
#else
    const auto stateLocation = QStandardPaths::GenericDataLocation;
#endif
    folders.config = gameFolderIn(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    folders.state = gameFolderIn(QStandardPaths::writableLocation(stateLocation));
    folders.player = gameFolderIn(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
#else
    folders.config = gameFolderIn(xdgLocation("XDG_CONFIG_HOME", home, ".config"));
    folders.state = gameFolderIn(xdgLocation("XDG_STATE_HOME", home, ".local/state"));
    folders.player = gameFolderIn(xdgLocation("XDG_DATA_HOME", home, ".local/share"));
#endif
    return folders;
}

void findGameFolders(const QString& home)
{
    findGameDirectory();
    const QString programFolder = QCoreApplication::applicationDirPath();
    portable = runsPortably(programFolder, gameDirectory);
    installedFolders = portable ? GameFolders{} : installedLayout(programFolder, home);
    if (!installedFolders.keepsFiles)
        showMessage("Dralen can't find your home folder, so it won't keep your options, saves or scores this time.");
}

QString fileDialogFolder()
{
    if (portable)
        return {};
    // Without a home folder Qt names the root, which is no place to offer.
    const QString home = homeFolder();
    if (home.isEmpty())
        return {};
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : home;
}
