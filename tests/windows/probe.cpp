// dralen_probe: the Linux side of the test that plays the Windows program
// under Wine. It reads and writes games with the library as the Linux build
// does, so that the two systems are compared through the files they share.
//
//   dralen_probe size SAVE DIR          prints the play area's width and height
//                                       for the game, with DIR's options
//   dralen_probe frame SAVE DIR OUT.ppm draws the game, paused, as the Linux
//                                       renderer does, into a PPM image
//   dralen_probe column SAVE            prints the leftmost column of the
//                                       falling shape
//   dralen_probe slow-game OUT.sav      writes a new game whose shapes fall
//                                       one cell a second, without random events
//   dralen_probe ending-game OUT.sav    writes a game of 40 points whose field is
//                                       full: it ends as the next shape comes
//   dralen_probe same SAVE SAVE         exits 0 when the two files hold the same game
//   dralen_probe field SAVE             prints the field's width and height
//   dralen_probe replay FILE...         plays each recording; exits 0 when every
//                                       one ends exactly as it was recorded
#include "core/folders.h"
#include "core/gamestate.h"
#include "core/window.h"
#include "core/utf8path.h"
#include "game/newgame.h"
#include "game/replay.h"
#include "persist/config.h"
#include "persist/replayformat.h"
#include "persist/saveformat.h"
#include "render/bmpfile.h"
#include "render/renderer.h"
#include "render/skins.h"
#include "ui/commands.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool readGame(const char* file)
{
    std::ifstream in(file, std::ios::binary);
    return in.is_open() && readGameState(in);
}

std::string savedText()
{
    std::ostringstream out;
    writeGameState(out);
    return out.str();
}

Bitmap readBmpFile(const std::string& name)
{
    std::ifstream in(std::string(DRALEN_RESOURCES_DIR) + "/" + name + ".bmp", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return readBmp(bytes.data(), bytes.size());
}

// The game in SAVE with the options of DIR, as the game started in DIR shows it.
bool loadWithOptions(const char* save, const char* directory)
{
    gameDirectory = directory;
    loadConfiguration();
    if (!readGame(save))
        return false;
    resizeWindow(false);
    return true;
}

int usage()
{
    std::fprintf(stderr, "usage: dralen_probe size|frame|column|slow-game|same|replay ...\n");
    return 2;
}

// Plays the recording to its end, as a player watching it would.
bool replaysToItsEnd(const char* file)
{
    Replay replay;
    if (readReplayFile(pathFromUtf8(file), replay) != REPLAY_READ || !beginPlayback(replay)) {
        std::printf("%s: no recording that plays\n", file);
        return false;
    }
    PlaybackStep step = PLAYBACK_STEPPED;
    while (step == PLAYBACK_STEPPED)
        step = playbackStep();
    std::printf("%s: %s after %lld of %lld ticks\n", file, step == PLAYBACK_FINISHED ? "finished" : "diverged",
                static_cast<long long>(playbackTicks()), static_cast<long long>(replay.end.ticks));
    endPlayback();
    return step == PLAYBACK_FINISHED;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return usage();
    const std::string command = argv[1];
    if (command == "size" && argc == 4) {
        if (!loadWithOptions(argv[2], argv[3]))
            return 1;
        std::printf("%d %d\n", playAreaWidth, playAreaHeight);
        return 0;
    }
    if (command == "frame" && argc == 5) {
        if (!loadWithOptions(argv[2], argv[3]))
            return 1;
        for (int32_t index = 0; index < static_cast<int32_t>(skinTable.size()); ++index)
            setSkinBitmaps(index, readBmpFile(skinTable[index].blocksResource),
                           readBmpFile(skinTable[index].wordsResource));
        game.gameMode = MODE_PAUSED;
        Bitmap frame(playAreaWidth, playAreaHeight);
        paintPlayArea(frame.view());
        std::ofstream out(argv[4], std::ios::binary);
        out << "P6\n" << frame.width << ' ' << frame.height << "\n255\n";
        for (uint32_t pixel : frame.pixels) {
            const char rgb[3] = {static_cast<char>(pixelRed(pixel)), static_cast<char>(pixelGreen(pixel)),
                                 static_cast<char>(pixelBlue(pixel))};
            out.write(rgb, 3);
        }
        return out ? 0 : 1;
    }
    if (command == "column" && argc == 3) {
        if (!readGame(argv[2]))
            return 1;
        int32_t leftmost = game.fieldWidth;
        for (int32_t row = 0; row < game.fieldHeight; ++row)
            for (int32_t column = 0; column < game.fieldWidth; ++column)
                if (game.fieldCells[row * game.fieldWidth + column] == CELL_ACTIVE)
                    leftmost = std::min(leftmost, column);
        std::printf("%d\n", leftmost);
        return leftmost < game.fieldWidth ? 0 : 1;
    }
    if (command == "field" && argc == 3) {
        if (!readGame(argv[2]))
            return 1;
        std::printf("%d %d\n", game.fieldWidth, game.fieldHeight);
        return 0;
    }
    if (command == "slow-game" && argc == 3) {
        applyStartUpSettings();
        game.initialFallSpeed = 0.01;
        game.gradualSpeedup = false;
        game.sidesType = SIDES_SOLID;
        startNewGame();
        std::ofstream out(argv[2], std::ios::binary);
        out << savedText();
        return out ? 0 : 1;
    }
    if (command == "ending-game" && argc == 3) {
        applyStartUpSettings();
        startNewGame();
        game.fieldCells.assign(game.fieldCells.size(), CELL_FIXED);
        game.score = 40;
        std::ofstream out(argv[2], std::ios::binary);
        out << savedText();
        return out ? 0 : 1;
    }
    if (command == "replay") {
        bool all = true;
        for (int i = 2; i < argc; ++i)
            all = replaysToItsEnd(argv[i]) && all;
        return all ? 0 : 1;
    }
    if (command == "same" && argc == 4) {
        if (!readGame(argv[2]))
            return 1;
        const std::string first = savedText();
        if (!readGame(argv[3]))
            return 1;
        return savedText() == first ? 0 : 1;
    }
    return usage();
}
