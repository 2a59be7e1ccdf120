#include "core/ports.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

uint32_t systemMilliseconds()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Sleeps wait on a condition variable rather than sleeping outright, so that
// shutdown can cut them short.
std::mutex sleepMutex;
std::condition_variable sleepWake;
uint64_t wakeGeneration = 0;

void systemSleep(uint32_t ms)
{
    std::unique_lock<std::mutex> lock(sleepMutex);
    const uint64_t generation = wakeGeneration;
    sleepWake.wait_for(lock, std::chrono::milliseconds(ms), [&] { return wakeGeneration != generation; });
}

std::atomic<uint32_t (*)()> clockNow{systemMilliseconds};
std::atomic<void (*)(uint32_t)> clockSleep{systemSleep};
std::atomic<SoundPlayer> soundPlayer{nullptr};

}  // namespace

void installClock(const ClockPort& clock)
{
    clockNow = clock.milliseconds ? clock.milliseconds : systemMilliseconds;
    clockSleep = clock.sleep ? clock.sleep : systemSleep;
}

void installSoundPlayer(SoundPlayer player)
{
    soundPlayer = player;
}

uint32_t currentMilliseconds()
{
    return clockNow.load()();
}

void sleepMilliseconds(uint32_t ms)
{
    clockSleep.load()(ms);
}

void wakeSleepers()
{
    {
        std::lock_guard<std::mutex> lock(sleepMutex);
        ++wakeGeneration;
    }
    sleepWake.notify_all();
}

void playSound(const char* file)
{
    if (SoundPlayer player = soundPlayer.load())
        player(file);
}
