#include "audio/sound.h"

#include <atomic>

namespace {

// One atomic per member: the game thread plays cues while the music thread
// installs the port it has just opened the device for.
std::atomic<void (*)(const char*)> cuePlayer{nullptr};
std::atomic<bool (*)(const char*)> pieceOpener{nullptr};
std::atomic<bool (*)()> piecePlayer{nullptr};
std::atomic<void (*)()> piecePauser{nullptr};
std::atomic<void (*)()> pieceResumer{nullptr};
std::atomic<void (*)()> pieceCloser{nullptr};

}  // namespace

void installAudioPort(const AudioPort& port)
{
    cuePlayer = port.playCue;
    pieceOpener = port.openPiece;
    piecePlayer = port.playPiece;
    piecePauser = port.pausePiece;
    pieceResumer = port.resumePiece;
    pieceCloser = port.closePiece;
}

AudioPort audioPort()
{
    return {cuePlayer.load(), pieceOpener.load(), piecePlayer.load(),
            piecePauser.load(), pieceResumer.load(), pieceCloser.load()};
}

void playCue(const char* file)
{
    if (!file)
        return;
    if (void (*play)(const char*) = cuePlayer.load())
        play(file);
}
