// Files written while other games run, on full disks and in folders that
// take no new file. Needs POSIX processes, users and mounts.
#if defined(__unix__)

#include "core/folders.h"
#include "core/window.h"
#include "persist/durable.h"
#include "persist/halloffame.h"
#include "persist/savefiles.h"
#include "support/fakewindow.h"
#include "support/gametest.h"
#include "support/samplestates.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <set>
#include <thread>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Runs the function in a child process and gives back its exit code. With
// unprivileged, the child gives up root first, so that file permissions
// bind it as they bind a player.
int inChild(const std::function<bool()>& body, bool unprivileged = false)
{
    const pid_t child = fork();
    if (child == 0) {
        if (unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}

// A small file system of its own, mounted over the folder while it lives.
class SmallDisk {
public:
    SmallDisk(const fs::path& folder, const char* options) : folder(folder)
    {
        mounted = mount("tmpfs", folder.c_str(), "tmpfs", 0, options) == 0;
    }
    ~SmallDisk()
    {
        if (mounted)
            umount(folder.c_str());
    }
    bool mounted = false;

private:
    fs::path folder;
};

// Fills the disk until no file and no byte more fits.
void fillUp(const fs::path& folder)
{
    for (int n = 0;; ++n) {
        FILE* file = std::fopen((folder / ("filler" + std::to_string(n))).c_str(), "wb");
        if (file == nullptr)
            return;
        size_t taken = 0;
        for (size_t size : {4096, 512, 1}) {
            const std::string block(size, 'x');
            while (std::fwrite(block.data(), 1, block.size(), file) == block.size() && std::fflush(file) == 0)
                taken += size;
            std::clearerr(file);
        }
        std::fclose(file);
        if (taken == 0)
            return;
    }
}

class SharedFilesTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        fakeWindow::install();
        gameDirectory = dir.path();
        setUpGameInProgress();
    }
    void TearDown() override
    {
        fakeWindow::uninstall();
        gameDirectory.clear();
    }
    TempDir dir;
};

}  // namespace

TEST_F(SharedFilesTest, GamesEndingAtOnceEachKeepTheirScores)
{
    // Each game fills tables of its own in the one file, and all of them
    // into one full table as well: without the lock, one writer's file
    // replaces the other's and whole tables vanish.
    const Difficulty shared = difficultyOf(game);
    for (int32_t score = 1; score <= 10; ++score)
        ASSERT_TRUE(recordScore(shared, score * 10));
    constexpr int games = 3, scoresEach = 15;
    std::vector<pid_t> children;
    for (int g = 0; g < games; ++g) {
        const pid_t child = fork();
        if (child == 0) {
            bool allEntered = true;
            for (int s = 0; s < scoresEach; ++s) {
                Difficulty own = shared;
                own.levelFile = "game" + std::to_string(g) + "-" + std::to_string(s);
                allEntered = allEntered && recordScore(own, 7).has_value();
                recordScore(shared, 1000 + s * games + g);
            }
            _exit(allEntered ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const HallOfFame hall = readHallOfFame();
    EXPECT_EQ(hall.size(), 1u + games * scoresEach);
    const HallTable* table = findHallTable(hall, shared);
    ASSERT_NE(table, nullptr);
    // The ten best of all the games' scores, none lost in between.
    std::multiset<int32_t> best;
    for (const HallEntry& entry : table->entries)
        best.insert(entry.score);
    EXPECT_EQ(best.size(), hallTableLength);
    for (int g = 0; g < games; ++g)
        for (int s = scoresEach - 3; s < scoresEach; ++s)
            EXPECT_EQ(best.count(1000 + s * games + g), 1u) << "game " << g << ", score " << s;
    EXPECT_FALSE(fs::exists(dir / "halloffame.txt.damaged"));
}

TEST_F(SharedFilesTest, ACrowdOfGamesEndingAtOnceLosesNoScoreItReported)
{
    // Every writer that replaces the file sends the others waiting for it
    // back to the lock: with a crowd, some wait through many replacements.
    constexpr int games = 200;
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    std::vector<pid_t> children;
    for (int g = 0; g < games; ++g) {
        const pid_t child = fork();
        if (child == 0) {
            close(start[1]);
            char go;
            [[maybe_unused]] const ssize_t read = ::read(start[0], &go, 1);  // all start together
            Difficulty own = difficultyOf(game);
            own.levelFile = "crowd-" + std::to_string(g);
            _exit(recordScore(own, 100 + g).has_value() ? 0 : 1);
        }
        children.push_back(child);
    }
    close(start[0]);
    close(start[1]);
    std::set<std::string> reported;
    for (int g = 0; g < games; ++g) {
        int status = 0;
        waitpid(children[g], &status, 0);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
            reported.insert("crowd-" + std::to_string(g));
    }
    std::set<std::string> kept;
    for (const HallTable& table : readHallOfFame())
        kept.insert(table.rules.levelFile);
    EXPECT_EQ(kept, reported) << "a score reported as recorded is missing, or one kept was reported lost";
    EXPECT_EQ(reported.size(), size_t(games)) << "the lock waits as long as the crowd takes";
}

// Another game ending while this one's box waits for its player: whether it
// got the Hall of Fame's lock within a few seconds.
std::thread otherGame;
std::atomic<bool> otherGotTheLock{false};
bool gotItWhileTheBoxWaited = false;
int boxWhileAnotherGameEnds(const char*)
{
    otherGame = std::thread([] { otherGotTheLock = FileLock(playerFolder() / "halloffame.txt").held(); });
    for (int wait = 0; wait < 300 && !otherGotTheLock; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    gotItWhileTheBoxWaited = otherGotTheLock;
    return 1;
}

TEST_F(SharedFilesTest, NoBoxWaitsForThePlayerWhileTheHallOfFameIsLocked)
{
    const fs::path folder = dir / "disk";
    fs::create_directory(folder);
    SmallDisk disk(folder, "size=64k,nr_inodes=4");
    if (!disk.mounted)
        GTEST_SKIP() << "cannot mount a small file system here";
    installedFolders.player = folder;
    writeWholeFile(folder / "halloffame.txt", "");
    fillUp(folder);
    installWindowPort({boxWhileAnotherGameEnds, [](int32_t, int32_t, bool) {}, [](bool) {}});

    EXPECT_FALSE(recordScore(difficultyOf(game), 50)) << "the full disk took no score";
    otherGame.join();
    EXPECT_TRUE(gotItWhileTheBoxWaited) << "the box was shown with the lock held";
    installedFolders = {};
}

TEST_F(SharedFilesTest, AFullDiskNeverCostsTheOldSave)
{
    const fs::path folder = dir / "disk";
    fs::create_directory(folder);
    SmallDisk disk(folder, "size=64k,nr_inodes=3");
    if (!disk.mounted)
        GTEST_SKIP() << "cannot mount a small file system here";
    writeWholeFile(folder / "game.sav", "old contents\n");
    fillUp(folder);

    EXPECT_FALSE(saveGameToFile(folder / "game.sav"));
    EXPECT_EQ(fakeWindow::messages(), std::vector<std::string>{"Couldn't write file to save game"});
    EXPECT_EQ(readWholeFile(folder / "game.sav"), "old contents\n");
}

TEST_F(SharedFilesTest, InPlaceWritesTakeTheRoomBeforeTouchingTheOldFile)
{
    // A folder the player may not add to, holding a save the player may write.
    const fs::path folder = dir / "disk";
    fs::create_directory(folder);
    SmallDisk disk(folder, "size=64k,mode=0777");
    if (!disk.mounted)
        GTEST_SKIP() << "cannot mount a small file system here";
    fs::permissions(dir.path(), fs::perms::all);
    writeWholeFile(folder / "game.sav", "old contents\n");
    fs::permissions(folder / "game.sav", fs::perms::all);
    const std::string longer(20000, 'n');

    // There is room: written in place.
    fs::permissions(folder, fs::perms(0555));
    EXPECT_EQ(inChild([&] { return replaceFileContents(folder / "game.sav", longer) == WRITE_DONE; }, true), 0);
    EXPECT_EQ(readWholeFile(folder / "game.sav"), longer);

    // No room for the longer contents: the shorter old file stays whole.
    writeWholeFile(folder / "game.sav", "old contents\n");
    fs::permissions(folder, fs::perms::all);
    fillUp(folder);
    fs::permissions(folder, fs::perms(0555));
    EXPECT_EQ(inChild([&] { return replaceFileContents(folder / "game.sav", longer + longer) == WRITE_FAILED; }, true),
              0);
    fs::permissions(folder, fs::perms::all);
    EXPECT_EQ(readWholeFile(folder / "game.sav"), "old contents\n");
}

TEST_F(SharedFilesTest, AHallOfFameThePlayerMayWriteButNotReadIsNotReplaced)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs to switch to another user, which only root may";
    const fs::path folder = dir / "players";
    fs::create_directory(folder);
    installedFolders.player = folder;
    const Difficulty rules = difficultyOf(game);
    ASSERT_TRUE(recordScore(rules, 500));
    const std::string kept = readWholeFile(folder / "halloffame.txt");
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(folder, fs::perms(0555));
    fs::permissions(folder / "halloffame.txt", fs::perms(0222));  // write only

    EXPECT_EQ(inChild([&] { return !recordScore(rules, 10); }, true), 0) << "a score was reported as kept";
    fs::permissions(folder, fs::perms::all);
    fs::permissions(folder / "halloffame.txt", fs::perms(0644));
    EXPECT_EQ(readWholeFile(folder / "halloffame.txt"), kept) << "the scores that could not be read were lost";
    installedFolders = {};
}

#endif
