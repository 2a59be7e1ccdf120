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

// Wakes when the millisecond counter has advanced by ms, at the start of that
// millisecond rather than ms after the call: the game's ticks then keep to the
// counter's own rhythm instead of drifting by each wake-up's latency.
void systemSleep(uint32_t ms)
{
    using namespace std::chrono;
    const auto thisMillisecond = steady_clock::time_point(floor<milliseconds>(steady_clock::now().time_since_epoch()));
    const auto deadline = thisMillisecond + milliseconds(ms);
    std::unique_lock<std::mutex> lock(sleepMutex);
    const uint64_t generation = wakeGeneration;
    sleepWake.wait_until(lock, deadline, [&] { return wakeGeneration != generation; });
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

ClockPort systemClock()
{
    return {systemMilliseconds, systemSleep};
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
