// A crowd of Windows processes ending their games at once, each with a score
// for a table of its own: every score reported as recorded is in the file.
#include "persist/halloffame.h"
#include "core/folders.h"
#include "support/gametest.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

class WindowsHallCrowdTest : public GameTest {};

TEST_F(WindowsHallCrowdTest, ACrowdOfGamesEndingAtOnceLosesNoScoreItReported)
{
    constexpr int games = 200;
    TempDir dir;
    const std::wstring event = L"dralen-crowd-" + std::to_wstring(GetCurrentProcessId());
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
    HANDLE ready = CreateSemaphoreW(nullptr, 0, games, (event + L"-ready").c_str());
    ASSERT_TRUE(go != nullptr && ready != nullptr);
    std::vector<PROCESS_INFORMATION> children;
    for (int g = 0; g < games; ++g) {
        std::wstring command = L"\"" + std::filesystem::path(DRALEN_HALL_WRITER).wstring() + L"\" \""
            + dir.path().wstring() + L"\" crowd-" + std::to_wstring(g) + L" " + std::to_wstring(100 + g) + L" "
            + event;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &child))
            << "game " << g;
        children.push_back(child);
    }
    // All at once: Wine starts a process slower than one records a score.
    for (int g = 0; g < games; ++g)
        ASSERT_EQ(WaitForSingleObject(ready, 120000), WAIT_OBJECT_0) << "only " << g << " games started";
    SetEvent(go);
    std::set<std::string> reported;
    for (int g = 0; g < games; ++g) {
        WaitForSingleObject(children[g].hProcess, INFINITE);
        DWORD code = 1;
        GetExitCodeProcess(children[g].hProcess, &code);
        EXPECT_NE(code, 3u) << "game " << g << " never started";
        if (code == 0)
            reported.insert("crowd-" + std::to_string(g));
        CloseHandle(children[g].hProcess);
        CloseHandle(children[g].hThread);
    }
    CloseHandle(go);
    CloseHandle(ready);
    gameDirectory = dir.path();
    std::set<std::string> kept;
    for (const HallTable& table : readHallOfFame())
        kept.insert(table.rules.levelFile);
    EXPECT_EQ(kept, reported) << "a score reported as recorded is missing, or one kept was reported lost";
    EXPECT_EQ(reported.size(), size_t(games)) << "the lock waits as long as the crowd takes";
}
