#include "qt/folders.h"

#include "support/tempdir.h"

#include <QByteArray>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>

namespace {

namespace fs = std::filesystem;

// Sets environment variables for one test and puts the old values back.
class Environment {
public:
    void set(const char* name, const fs::path& value)
    {
        if (!saved.count(name))
            saved.emplace(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
        qputenv(name, QByteArray::fromStdString(value.string()));
    }
    ~Environment()
    {
        for (const auto& [name, value] : saved)
            value ? qputenv(name, *value) : qunsetenv(name);
    }

private:
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

    // The XDG rules ignore a relative folder; the state then has its default.
    environment.set("XDG_STATE_HOME", "relative/state");
    folders = installedLayout(qtPath(root / "usr/games"));
    EXPECT_EQ(folders.state, root / "home/.local/state/dralen");
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
