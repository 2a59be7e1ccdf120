// Plays a little and writes the automatic save, over and over, until it is
// killed: the crash-safety test kills it at unforeseen moments.
//
//   dralen_saveloop GAME_DIRECTORY FIRST_SCORE
//
// Every save carries its number as the score, starting at FIRST_SCORE, and
// "saved N" is written to standard output once save N has returned. Anything
// the game shows the player (a failed save above all) is written as
// "message: TEXT".
#include "core/folders.h"
#include "core/gamestate.h"
#include "core/window.h"
#include "game/newgame.h"
#include "game/tick.h"
#include "persist/savefiles.h"

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <mutex>

namespace {

int printMessage(const char* text)
{
    std::printf("message: %s\n", text);
    std::fflush(stdout);
    return 1;
}

void ignoreSize(int32_t, int32_t, bool) {}
void ignoreRepaint(bool) {}

// Fields of very different sizes make saves of very different lengths, so a
// file cut short, or one save's start under another's end, can never read as
// a whole game. The large ones, the largest fields a game reaches, leave
// their temporary file on disk long enough for the test to kill the program
// while it is there.
struct Layout {
    int32_t width, height, extent, maxBlocks;
};
constexpr Layout layouts[] = {{12, 25, 4, 4}, {56, 96, 6, 9}, {20, 40, 5, 6}, {96, 56, 5, 25}};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: dralen_saveloop GAME_DIRECTORY FIRST_SCORE\n");
        return 2;
    }
    gameDirectory = argv[1];
    const int32_t firstScore = static_cast<int32_t>(std::strtol(argv[2], nullptr, 10));
    installWindowPort({printMessage, ignoreSize, ignoreRepaint});
    // Events would talk to the player; this run is only about saving.
    game.randomEvents = false;

    for (int32_t save = firstScore;; ++save) {
        {
            std::lock_guard<std::recursive_mutex> lock(gameLock);
            const Layout& layout = layouts[save % std::size(layouts)];
            game.fieldWidth = layout.width;
            game.fieldHeight = layout.height;
            game.maxShapeExtent = layout.extent;
            game.maxBlocks = layout.maxBlocks;
            game.minBlocks = 1;
            game.forceDirection = save % 4;
            startNewGame();
            for (int step = 0; step < 30 && game.gameMode == MODE_PLAYING; ++step)
                gameStep();
            game.gameMode = MODE_PLAYING;
            game.score = save;
        }
        writeAutosave();
        std::printf("saved %d\n", save);
        std::fflush(stdout);
    }
}
