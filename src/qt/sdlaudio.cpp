#include "qt/sdlaudio.h"

#include "audio/music.h"
#include "core/folders.h"
#include "core/ports.h"
#include "core/utf8path.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <utility>

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

// Each line: a piece's file name and its length in milliseconds, up to the
// release of its last note.
constexpr const char* LENGTHS_FILE = "music/lengths.txt";
// Our endings fade below -60 dBFS within a second of the last note-off, so
// halting then cuts nothing audible. FluidSynth itself reports the end only
// about two seconds later still.
constexpr uint32_t RING_OUT_MS = 1000;

// Guards the cue cache and the open state: the game thread plays cues while the
// window thread may be closing the device.
std::mutex cueMutex;
bool audioOpen = false;
// Files that failed to load are kept as nullptr so that a missing cue costs no
// disk access on every rotation.
std::map<std::string, Mix_Chunk*> cueCache;

// The audio thread's rest. restAllowed and wakeHolds are read under
// restMutex by the resting thread, so that a wake cannot slip in between its
// look and its wait.
std::mutex restMutex;
std::condition_variable restEnds;
bool restAllowed = false;
int wakeHolds = 0;
bool resting = false;
// A cue handed to the resting audio thread, which starts it itself as it
// wakes; under restMutex.
Mix_Chunk* cueForWaking = nullptr;
int silentBuffers = 0;  // audio thread only

// The open piece, for the one thread that plays music. The audio thread reads
// lengthMs, rate and frameBytes only while countPlayedFrames is registered,
// which is after openPiece has set them and before closePiece clears them.
Mix_Music* music = nullptr;
uint32_t lengthMs = 0;  // 0: not listed, FluidSynth's own report ends it
int rate = 0;
int frameBytes = 0;
// Frames the mixer has played of the open piece: a pause must not bring the
// end closer, and neither may a device that runs slow.
std::atomic<uint64_t> framesPlayed{0};
// The mixer adds the music to its buffers only while it plays and is not
// paused, which is when this is set.
std::atomic<bool> counting{false};
// The end of this play of the piece has been reported.
std::atomic<bool> endReported{false};

// A post-mix effect: audio thread, inside the mixer callback, with the
// device's lock held. The buffer that saw the last cue or note end still
// carries its tail; only the one after it, mixed with nothing sounding, is
// surely silent, and the thread rests before handing that one over. A cue
// handed over meanwhile is started here, after the mix, so that the next
// buffer carries it from its start.
void restWhileSilent(int, void*, int, void*)
{
    const bool sounding = Mix_Playing(CUE_CHANNEL) != 0 || (Mix_PlayingMusic() != 0 && Mix_PausedMusic() == 0);
    if (sounding) {
        silentBuffers = 0;
        return;
    }
    if (++silentBuffers < 2)
        return;
    std::unique_lock<std::mutex> lock(restMutex);
    if (!restAllowed || wakeHolds > 0)
        return;
    resting = true;
    restEnds.wait(lock, [] { return !restAllowed || wakeHolds > 0 || cueForWaking; });
    resting = false;
    Mix_Chunk* const cue = std::exchange(cueForWaking, nullptr);
    lock.unlock();
    if (cue)
        Mix_PlayChannel(CUE_CHANNEL, cue, 0);
    silentBuffers = 0;
}

// Wakes the audio thread and lets closeAudio's calls through. Caller holds
// cueMutex.
void endRest()
{
    {
        std::lock_guard<std::mutex> lock(restMutex);
        if (!restAllowed)
            return;
        restAllowed = false;
    }
    restEnds.notify_all();
    Mix_UnregisterEffect(MIX_CHANNEL_POST, restWhileSilent);
}

Mix_Chunk* cueChunk(const char* file)
{
    auto found = cueCache.find(file);
    if (found != cueCache.end())
        return found->second;
    Mix_Chunk* chunk = Mix_LoadWAV(dataFilePath(file).c_str());
    cueCache.emplace(file, chunk);
    return chunk;
}

// The port's playCue.
void playSdlCue(const char* file)
{
    std::lock_guard<std::mutex> lock(cueMutex);
    if (!audioOpen || !file)
        return;
    Mix_Chunk* chunk = cueChunk(file);
    if (!chunk)
        return;
    {
        // A resting audio thread holds the device's lock until it has been
        // woken and has run, which on a busy machine can take milliseconds,
        // and the game thread calls this under gameLock, which every paint
        // needs: the cue goes to the resting thread instead, and this
        // returns at once.
        std::unique_lock<std::mutex> rest(restMutex);
        if (resting) {
            cueForWaking = chunk;
            rest.unlock();
            restEnds.notify_all();
            return;
        }
        // Awake, the thread is kept from resting until the cue is under way;
        // it holds the device's lock only while it mixes a buffer.
        ++wakeHolds;
    }
    Mix_PlayChannel(CUE_CHANNEL, chunk, 0);
    std::lock_guard<std::mutex> rest(restMutex);
    --wakeHolds;
}

uint32_t listedLength(const char* file)
{
    const std::string name = utf8FromPath(pathFromUtf8(file).filename());
    std::ifstream in(dataFolder() / LENGTHS_FILE);
    std::string listed;
    uint32_t ms = 0;
    while (in >> listed >> ms)
        if (listed == name)
            return ms;
    return 0;
}

uint64_t playedMs()
{
    return framesPlayed * 1000 / static_cast<uint64_t>(rate);
}

// A post-mix effect: audio thread, inside the mixer callback, once for every
// buffer the mixer fills. Registered while a piece is open. A listed piece
// is reported ended from here, with the buffer that takes it past its end,
// so that the music thread need not watch the clock.
void countPlayedFrames(int, void*, int bytes, void*)
{
    if (!counting || frameBytes <= 0)
        return;
    framesPlayed += static_cast<uint64_t>(bytes / frameBytes);
    if (lengthMs != 0 && playedMs() >= lengthMs + RING_OUT_MS && !endReported.exchange(true))
        musicPieceEnded();
}

// The port's closePiece. SDL_mixer's end-of-piece hook fires on the halt.
void closeSdlPiece()
{
    if (!music)
        return;
    counting = false;
    AudioWake wake;
    Mix_UnregisterEffect(MIX_CHANNEL_POST, countPlayedFrames);
    Mix_HaltMusic();
    Mix_FreeMusic(music);
    music = nullptr;
    lengthMs = 0;
}

// The port's openPiece.
bool openSdlPiece(const char* file)
{
    closeSdlPiece();
    // Without a device FluidSynth would be set up for a sample rate of 0.
    int channels = 0;
    Uint16 format = 0;
    if (Mix_QuerySpec(&rate, &format, &channels) == 0 || rate <= 0)
        return false;
    frameBytes = channels * static_cast<int>(SDL_AUDIO_BITSIZE(format) / 8);
    AudioWake wake;
    music = Mix_LoadMUS(dataFilePath(file).c_str());
    if (!music)
        return false;
    lengthMs = listedLength(file);
    Mix_RegisterEffect(MIX_CHANNEL_POST, countPlayedFrames, nullptr, nullptr);
    return true;
}

// The port's playPiece.
bool playSdlPiece()
{
    if (!music)
        return false;
    framesPlayed = 0;
    endReported = false;
    AudioWake wake;
    if (Mix_PlayMusic(music, 0) != 0)
        return false;
    counting = true;
    return true;
}

// The port's pausePiece.
void pauseSdlPiece()
{
    if (!music || !counting)
        return;
    // Stopped before the music, so that no buffer is counted that the mixer
    // did not play.
    counting = false;
    AudioWake wake;
    Mix_PauseMusic();
}

// The port's resumePiece.
void resumeSdlPiece()
{
    if (!music || counting)
        return;
    AudioWake wake;
    Mix_ResumeMusic();
    counting = true;
}

}  // namespace

std::string dataFilePath(const char* file)
{
    return utf8FromPath(dataFolder() / pathFromUtf8(file));
}

AudioWake::AudioWake()
{
    {
        std::lock_guard<std::mutex> lock(restMutex);
        ++wakeHolds;
    }
    restEnds.notify_all();
}

AudioWake::~AudioWake()
{
    std::lock_guard<std::mutex> lock(restMutex);
    --wakeHolds;
}

void letAudioRestWhenSilent()
{
    std::lock_guard<std::mutex> cues(cueMutex);
    if (!audioOpen)
        return;
    {
        std::lock_guard<std::mutex> lock(restMutex);
        if (restAllowed)
            return;
        restAllowed = true;
    }
    Mix_RegisterEffect(MIX_CHANNEL_POST, restWhileSilent, nullptr, nullptr);
}

bool audioResting()
{
    std::lock_guard<std::mutex> lock(restMutex);
    // A thread that has been handed a cue is as good as awake.
    return resting && !cueForWaking;
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
    // Runs on the audio thread, inside the mixer callback, or on the thread
    // that halts the piece; musicPieceEnded only sets a flag and wakes.
    Mix_HookMusicFinished(musicPieceEnded);
    audioOpen = true;
    // Loaded now, so that the game thread never waits for the disk.
    for (const char* cue : {SOUND_ROTATE, SOUND_SHAPE_PLACED, SOUND_ROW_FILLED})
        cueChunk(cue);
    return true;
}

void closeAudio()
{
    stopMusicThread();
    closeSdlPiece();
    std::lock_guard<std::mutex> lock(cueMutex);
    if (!audioOpen)
        return;
    endRest();
    Mix_HookMusicFinished(nullptr);
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

AudioPort sdlAudioPort()
{
    return {playSdlCue, openSdlPiece, playSdlPiece, pauseSdlPiece, resumeSdlPiece, closeSdlPiece};
}

std::optional<uint32_t> msUntilPieceEnd()
{
    if (!music || lengthMs == 0 || !counting)
        return std::nullopt;
    const uint64_t played = playedMs();
    const uint64_t end = lengthMs + RING_OUT_MS;
    return static_cast<uint32_t>(played >= end ? 0 : end - played);
}

void freeSdlThreadData()
{
    SDL_TLSCleanup();
}
