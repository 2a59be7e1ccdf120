#include "audio/sound.h"

#include "audio/music.h"
#include "core/ports.h"
#include "core/services.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <string>

namespace {

// Debian's FluidSynth picks whatever soundfont it was configured with unless
// told otherwise; this one is installed alongside SDL2_mixer.
constexpr const char* SOUNDFONT = "/usr/share/sounds/sf3/default-GM.sf3";

// 1024 frames at 44.1 kHz is about 23 ms: a cue follows its key press without
// a noticeable lag, and FluidSynth still renders comfortably per buffer.
constexpr int SAMPLE_RATE = 44100;
constexpr int BUFFER_FRAMES = 1024;

// The one mixer channel: playing on it halts whatever it was playing, which is
// exactly the cut-off a new cue should make.
constexpr int CUE_CHANNEL = 0;

// Our cues come out about 7 dB above the music; 72 of 128 (-5 dB) leaves them
// just on top of it, clear enough to mark an event without startling.
constexpr int CUE_VOLUME = 72;

// Guards the cue cache and the open state: the game thread plays cues while the
// window thread may be closing the device.
std::mutex cueMutex;
bool audioOpen = false;
// Files that failed to load are kept as nullptr so that a missing cue costs no
// disk access on every rotation.
std::map<std::string, Mix_Chunk*> cueCache;

Mix_Chunk* cueChunk(const char* file)
{
    auto found = cueCache.find(file);
    if (found != cueCache.end())
        return found->second;
    Mix_Chunk* chunk = Mix_LoadWAV(dataFilePath(file).c_str());
    cueCache.emplace(file, chunk);
    return chunk;
}

}  // namespace

std::string dataFilePath(const char* file)
{
    const std::u8string path = (dataFolder() / file).u8string();
    return {path.begin(), path.end()};
}

bool openAudio()
{
    std::lock_guard<std::mutex> lock(cueMutex);
    if (audioOpen)
        return true;
    std::error_code error;
    if (std::filesystem::exists(SOUNDFONT, error))
        Mix_SetSoundFonts(SOUNDFONT);
    // SDL would otherwise take over SIGINT and SIGTERM and the game could no
    // longer be ended by the system; the window's own exit path is enough.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    if (Mix_OpenAudio(SAMPLE_RATE, AUDIO_S16SYS, 2, BUFFER_FRAMES) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_AllocateChannels(1);
    Mix_Volume(CUE_CHANNEL, CUE_VOLUME);
    audioOpen = true;
    // Loaded now, so that the game thread never waits for the disk.
    for (const char* cue : {SOUND_ROTATE, SOUND_SHAPE_PLACED, SOUND_ROW_FILLED})
        cueChunk(cue);
    return true;
}

void closeAudio()
{
    stopMusicThread();
    std::lock_guard<std::mutex> lock(cueMutex);
    if (!audioOpen)
        return;
    Mix_HaltChannel(-1);
    for (auto& [file, chunk] : cueCache)
        if (chunk)
            Mix_FreeChunk(chunk);
    cueCache.clear();
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioOpen = false;
}

void playSoundFile(const char* file)
{
    std::lock_guard<std::mutex> lock(cueMutex);
    if (!audioOpen || !file)
        return;
    if (Mix_Chunk* chunk = cueChunk(file))
        Mix_PlayChannel(CUE_CHANNEL, chunk, 0);
}
