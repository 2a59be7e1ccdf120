#include "win32/audio.h"

#include "audio/music.h"
#include "audio/sound.h"
#include "core/folders.h"
#include "core/ports.h"
#include "core/utf8path.h"

#include <mmsystem.h>

#include <atomic>
#include <filesystem>
#include <string>

namespace {

HWND notifiedWindow = nullptr;
// The sequencer's device of the open piece; 0 when none is open. Written on
// the music thread, read on the window thread when a notification arrives.
std::atomic<MCIDEVICEID> pieceDevice{0};

std::wstring dataPath(const char* file)
{
    return (dataFolder() / pathFromUtf8(file)).wstring();
}

// Game thread, under gameLock: returns at once. Without a sound device
// PlaySound fails at once, and the game plays on in silence.
void playCueFile(const char* file)
{
    PlaySoundW(dataPath(file).c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
}

bool openPiece(const char* file)
{
    const std::wstring path = dataPath(file);
    MCI_OPEN_PARMSW open{};
    open.lpstrDeviceType = L"sequencer";
    open.lpstrElementName = path.c_str();
    if (mciSendCommandW(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, reinterpret_cast<DWORD_PTR>(&open)) != 0)
        return false;
    pieceDevice = open.wDeviceID;
    return true;
}

// Plays from where the piece stands, with the end reported to the window.
bool playFromHere()
{
    const MCIDEVICEID device = pieceDevice;
    if (device == 0)
        return false;
    MCI_PLAY_PARMS play{};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(notifiedWindow);
    return mciSendCommandW(device, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play)) == 0;
}

bool playPiece()
{
    const MCIDEVICEID device = pieceDevice;
    if (device == 0)
        return false;
    mciSendCommandW(device, MCI_SEEK, MCI_SEEK_TO_START | MCI_WAIT, 0);
    return playFromHere();
}

void pausePiece()
{
    if (const MCIDEVICEID device = pieceDevice; device != 0)
        mciSendCommandW(device, MCI_PAUSE, MCI_WAIT, 0);
}

void resumePiece()
{
    playFromHere();
}

void closePiece()
{
    if (const MCIDEVICEID device = pieceDevice.exchange(0); device != 0)
        mciSendCommandW(device, MCI_CLOSE, MCI_WAIT, 0);
}

// Music thread, before it plays anything.
void installWin32Port()
{
    AudioPort port;
    port.playCue = playCueFile;
    port.openPiece = openPiece;
    port.playPiece = playPiece;
    port.pausePiece = pausePiece;
    port.resumePiece = resumePiece;
    port.closePiece = closePiece;
    installAudioPort(port);
    installSoundPlayer(playCue);
}

}  // namespace

void startWin32Music(HWND window)
{
    notifiedWindow = window;
    startMusicThread(installWin32Port);
}

void win32MusicNotification(WPARAM flags, LPARAM device)
{
    // A pause or a close cuts a play short with "aborted" or "superseded";
    // only a piece that played to its end goes on to the next.
    if (flags == MCI_NOTIFY_SUCCESSFUL && static_cast<MCIDEVICEID>(device) == pieceDevice && pieceDevice != 0)
        musicPieceEnded();
}

void closeWin32Audio()
{
    installSoundPlayer(nullptr);
    installAudioPort({});
    PlaySoundW(nullptr, nullptr, 0);
}
