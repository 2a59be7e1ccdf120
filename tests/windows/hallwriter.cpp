// dralen_hallwriter FOLDER LEVEL SCORE EVENT: one game ending, for the crowd
// test of the Hall of Fame under Windows, which has no fork. It says it is
// ready by the semaphore EVENT-ready and waits for the named event, so that
// the whole crowd ends at once, then records the
// score in FOLDER's Hall of Fame under a table of the level's own. Exits 0
// when the score was reported as recorded.
#include "core/folders.h"
#include "core/gamestate.h"
#include "persist/halloffame.h"

#include <windows.h>

#include <cstdlib>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5)
        return 2;
    HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, argv[4]);
    HANDLE ready = OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, (std::wstring(argv[4]) + L"-ready").c_str());
    if (go == nullptr || ready == nullptr || !ReleaseSemaphore(ready, 1, nullptr)
        || WaitForSingleObject(go, 120000) != WAIT_OBJECT_0)
        return 3;
    gameDirectory = argv[1];
    Difficulty rules = difficultyOf(game);
    rules.levelFile = std::filesystem::path(argv[2]).string();
    return recordScore(rules, static_cast<int32_t>(std::wcstol(argv[3], nullptr, 10))) ? 0 : 1;
}
