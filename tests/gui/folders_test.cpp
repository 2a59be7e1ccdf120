#include "qt/folders.h"

#include "core/gamestate.h"
#include "persist/config.h"
#include "persist/halloffame.h"
#include "persist/savefiles.h"
#include "persist/settings.h"
#include "support/fakewindow.h"
#include "support/tempdir.h"

#include <QByteArray>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <pwd.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Sets environment variables for one test and puts the old values back.
class Environment {
public:
    void set(const char* name, const fs::path& value)
    {
        remember(name);
        qputenv(name, QByteArray::fromStdString(value.string()));
    }
    void unset(const char* name)
    {
        remember(name);
        qunsetenv(name);
    }
    ~Environment()
    {
        for (const auto& [name, value] : saved)
            value ? qputenv(name, *value) : qunsetenv(name);
    }

private:
    void remember(const char* name)
    {
        if (!saved.count(name))
            saved.emplace(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    }
    std::map<const char*, std::optional<QByteArray>> saved;
};

class WorkingDirectory {
public:
    explicit WorkingDirectory(const fs::path& dir) : previous(fs::current_path()) { fs::current_path(dir); }
    ~WorkingDirectory() { fs::current_path(previous); }

private:
    fs::path previous;
};

QString qtPath(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

}  // namespace

TEST(GameFoldersTest, InstalledGameReadsDataBesideItselfAndKeepsFilesInTheXdgFolders)
{
    TempDir root;
    fs::create_directories(root / "usr/games");
    fs::create_directories(root / "usr/share/games/dralen/levels");
    Environment environment;
    environment.set("HOME", root / "home");
    environment.set("XDG_CONFIG_HOME", root / "config");
    environment.set("XDG_STATE_HOME", root / "state");
    environment.set("XDG_DATA_HOME", root / "data");

    GameFolders folders = installedLayout(qtPath(root / "usr/games"));
    EXPECT_TRUE(fs::equivalent(folders.data, root / "usr/share/games/dralen")) << folders.data;
    EXPECT_EQ(folders.config, root / "config/dralen");
    EXPECT_EQ(folders.state, root / "state/dralen");
    EXPECT_EQ(folders.player, root / "data/dralen");
}

// The XDG rules ignore a relative folder; each then has its default.
TEST(GameFoldersTest, RelativeXdgFoldersAreIgnored)
{
    TempDir root;
    Environment environment;
    environment.set("HOME", root / "home");
    environment.set("XDG_CONFIG_HOME", "relative/config");
    environment.set("XDG_STATE_HOME", "relative/state");
    environment.set("XDG_DATA_HOME", "relative/data");

    const GameFolders folders = installedLayout(qtPath(root / "usr/games"));
    EXPECT_EQ(folders.config, root / "home/.config/dralen");
    EXPECT_EQ(folders.state, root / "home/.local/state/dralen");
    EXPECT_EQ(folders.player, root / "home/.local/share/dralen");
}

// Without HOME the user database names the home folder, never the root.
TEST(GameFoldersTest, WithoutHomeSetTheUserDatabaseNamesTheHomeFolder)
{
    const passwd* entry = getpwuid(getuid());
    if (entry == nullptr || entry->pw_dir == nullptr || *entry->pw_dir == '\0' || fs::path(entry->pw_dir) == "/")
        GTEST_SKIP() << "no home folder of its own in the user database";
    const fs::path home = entry->pw_dir;
    Environment environment;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME"})
        environment.unset(name);

    const GameFolders folders = installedLayout(QStringLiteral("/usr/games"));
    EXPECT_EQ(folders.config, home / ".config/dralen");
    EXPECT_EQ(folders.state, home / ".local/state/dralen");
    EXPECT_EQ(folders.player, home / ".local/share/dralen");
}

// With no home folder at all the game plays on, says so once and writes
// nothing: not in the working directory, not at the root.
TEST(GameFoldersTest, WithoutAnyHomeFolderNothingIsKeptAndThePlayerIsToldOnce)
{
    TempDir root;
    fs::create_directories(root / "elsewhere");
    Environment environment;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME"})
        environment.unset(name);
    fakeWindow::install();
    {
        WorkingDirectory in(root / "elsewhere");
        findGameFolders(QString());
        saveConfiguration();
        saveExtraSettings();
        writeAutosave();
        EXPECT_FALSE(recordScore(difficultyOf(game), 100).has_value());
    }
    const std::vector<std::string> messages = fakeWindow::messages();
    fakeWindow::uninstall();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("home folder"), std::string::npos) << messages[0];
    EXPECT_TRUE(configFolder().empty());
    EXPECT_TRUE(stateFolder().empty());
    EXPECT_TRUE(playerFolder().empty());
    EXPECT_TRUE(fs::is_empty(root / "elsewhere"));

    // Back to portable, as the other tests expect.
    fs::create_directories(root / "portable/levels");
    {
        WorkingDirectory in(root / "portable");
        findGameFolders();
    }
    gameDirectory.clear();
}

// Installed data beside the program decides: such a game is installed even
// where the working directory holds levels/, as a home folder may.
TEST(GameFoldersTest, InstalledGameIgnoresLevelsInTheWorkingDirectory)
{
    TempDir root;
    fs::create_directories(root / "usr/games");
    fs::create_directories(root / "usr/share/games/dralen/levels");
    fs::create_directories(root / "home/levels");
    EXPECT_FALSE(runsPortably(qtPath(root / "usr/games"), root / "home"));
    // Without it the rule is as it was: `make run` runs build/dralen in
    // build/game/, which holds levels/.
    fs::create_directories(root / "build/game/levels");
    EXPECT_TRUE(runsPortably(qtPath(root / "build"), root / "build/game"));
    EXPECT_FALSE(runsPortably(qtPath(root / "build"), root / "home/elsewhere"));
}

TEST(GameFoldersTest, FolderWithLevelsIsPortableAndAnyOtherMeansInstalled)
{
    TempDir root;
    fs::create_directories(root / "portable/levels");
    fs::create_directories(root / "elsewhere");
    fs::create_directories(root / "home/Documents");
    Environment environment;
    environment.set("HOME", root / "home");
    environment.set("XDG_CONFIG_HOME", root / "config");

    {
        WorkingDirectory in(root / "portable");
        findGameFolders();
    }
    EXPECT_TRUE(fs::equivalent(gameDirectory, root / "portable"));
    EXPECT_TRUE(fs::equivalent(configFolder(), root / "portable"));
    EXPECT_TRUE(fs::equivalent(stateFolder(), root / "portable"));
    EXPECT_TRUE(fileDialogFolder().isEmpty());

    {
        WorkingDirectory in(root / "elsewhere");
        findGameFolders();
    }
    EXPECT_EQ(configFolder(), root / "config/dralen");
    EXPECT_NE(dataFolder(), gameDirectory);
    EXPECT_TRUE(fs::equivalent(fileDialogFolder().toStdString(), root / "home/Documents"));
    // A fresh account may have no documents folder yet: the dialogs then
    // open at home rather than in a folder that is not there.
    fs::remove(root / "home/Documents");
    EXPECT_TRUE(fs::equivalent(fileDialogFolder().toStdString(), root / "home"));

    // Back to portable, as the other tests expect.
    {
        WorkingDirectory in(root / "portable");
        findGameFolders();
    }
    gameDirectory.clear();
}
