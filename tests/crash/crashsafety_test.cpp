// The program killed again and again while it writes its automatic save. The
// save on disk must always load, and be the last one the program finished or
// the one it was finishing: never a torn file and never an older game. A
// temporary file a kill leaves behind must not stop the next save.
#include "core/folders.h"
#include "core/gamestate.h"
#include "persist/savefiles.h"
#include "support/invariants.h"
#include "support/tempdir.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// What the save loop said before it died: the number of the last save that
// returned (0 when none did) and whatever it showed the player.
struct LoopReport {
    int32_t lastSaved = 0;
    std::vector<std::string> messages;
};

LoopReport readReport(const std::string& output)
{
    LoopReport report;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (lines.eof())
            break;  // the kill may cut a line short
        if (line.rfind("saved ", 0) == 0)
            report.lastSaved = std::stoi(line.substr(6));
        else
            report.messages.push_back(line);
    }
    return report;
}

std::vector<std::string> filesIn(const std::filesystem::path& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A temporary file of a save: "dralen-<name>-<process>-<number>.tmp".
bool isTemporary(const std::string& name)
{
    return name.starts_with("dralen-") && name.ends_with(".tmp");
}

}  // namespace

TEST(CrashSafety, TheAutosaveSurvivesKillsInTheMiddleOfSaving)
{
    TempDir dir;
    gameDirectory = dir.path();
    const std::filesystem::path autosave = dir / "autosave.sav";
    const auto temporaryShows = [&] {
        const std::vector<std::string> files = filesIn(dir.path());
        return static_cast<int>(std::count_if(files.begin(), files.end(), isTemporary));
    };
    int leftovers = 0;
    // The moments of the kills: fixed, so that a failure can be replayed.
    std::mt19937 moments(7411);
    int32_t onDisk = 0;  // the score, that is the number, of the save on disk
    int killsInsideAWrite = 0;

    constexpr int rounds = 30;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        QProcess loop;
        loop.setProgram(QStringLiteral(DRALEN_SAVELOOP));
        loop.setArguments({QString::fromStdString(dir.path().string()), QString::number(onDisk + 1)});
        loop.start();
        ASSERT_TRUE(loop.waitForStarted(30000)) << loop.errorString().toStdString();

        // Kill once saving is under way: at some moment in the next few
        // saves, or, every other round, as soon as a temporary file shows,
        // which is while a save is being written. Most of a save's time goes
        // into composing the text, so waiting alone seldom hits a write.
        std::string output;
        while (output.find("saved ") == std::string::npos) {
            ASSERT_TRUE(loop.waitForReadyRead(30000)) << "the save loop never saved";
            output += loop.readAllStandardOutput().toStdString();
        }
        if (round % 2 == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(moments() % 60000));
        } else {
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(3);
            while (temporaryShows() == leftovers && std::chrono::steady_clock::now() < giveUp)
                std::this_thread::yield();
        }
        loop.kill();
        ASSERT_TRUE(loop.waitForFinished(30000));
        output += loop.readAllStandardOutput().toStdString();

        const LoopReport report = readReport(output);
        EXPECT_EQ(report.messages, std::vector<std::string>{}) << "a save failed";
        ASSERT_GT(report.lastSaved, onDisk);

        ASSERT_TRUE(std::filesystem::exists(autosave));
        game = GameState{};
        ASSERT_TRUE(loadAutosave()) << "the automatic save on disk does not load";
        EXPECT_EQ(brokenInvariant(), "");
        EXPECT_TRUE(game.score == report.lastSaved || game.score == report.lastSaved + 1)
            << "the file holds save " << game.score << " after save " << report.lastSaved << " had returned";
        onDisk = game.score;

        // At most one more temporary file, the killed program's own. No
        // later save takes it away: it might as well be another running
        // game's save in progress.
        const int nowLeft = temporaryShows();
        EXPECT_EQ(filesIn(dir.path()).size(), 1u + nowLeft);
        EXPECT_LE(nowLeft - leftovers, 1);
        killsInsideAWrite += nowLeft - leftovers;
        leftovers = nowLeft;
    }
    // Without kills that cut a write short the rounds above prove little; the
    // next round's program then started with leftovers beside the save.
    EXPECT_GE(killsInsideAWrite, 3);

    // Nor does a leftover stop a save of this program, which takes away
    // those a day old: no save in progress is that slow.
    for (const std::string& name : filesIn(dir.path()))
        if (isTemporary(name))
            std::filesystem::last_write_time(dir / name,
                                             std::filesystem::file_time_type::clock::now() - std::chrono::hours(49));
    writeAutosave();
    EXPECT_EQ(temporaryShows(), 0);
    const int32_t saved = game.score;
    game = GameState{};
    ASSERT_TRUE(loadAutosave());
    EXPECT_EQ(game.score, saved);
}
