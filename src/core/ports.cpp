#include "core/ports.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#if defined(__linux__) || defined(__APPLE__)
#include <pthread.h>
#endif

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

void sleepToDeadline(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock<std::mutex> lock(sleepMutex);
    const uint64_t generation = wakeGeneration;
    sleepWake.wait_until(lock, deadline, [&] { return wakeGeneration != generation; });
}

// Wakes when the millisecond counter has advanced by ms, at the start of that
// millisecond rather than ms after the call.
void systemSleep(uint32_t ms)
{
    using namespace std::chrono;
    const auto thisMillisecond = steady_clock::time_point(floor<milliseconds>(steady_clock::now().time_since_epoch()));
    sleepToDeadline(thisMillisecond + milliseconds(ms));
}

// The counter is the steady clock's own milliseconds, so its reading due is
// one exact point on that clock: an absolute deadline, whatever time the
// caller spent since it computed it.
void systemSleepUntil(uint32_t due)
{
    using namespace std::chrono;
    const auto now = steady_clock::now();
    const auto thisMillisecond = floor<milliseconds>(now.time_since_epoch());
    const int32_t ahead = static_cast<int32_t>(due - static_cast<uint32_t>(thisMillisecond.count()));
    if (ahead > 0)
        sleepToDeadline(steady_clock::time_point(thisMillisecond + milliseconds(ahead)));
}

std::atomic<uint32_t (*)()> clockNow{systemMilliseconds};
std::atomic<void (*)(uint32_t)> clockSleep{systemSleep};
// Null: sleep the difference with clockSleep.
std::atomic<void (*)(uint32_t)> clockSleepUntil{systemSleepUntil};
std::atomic<SoundPlayer> soundPlayer{nullptr};

}  // namespace

void installClock(const ClockPort& clock)
{
    clockNow = clock.milliseconds ? clock.milliseconds : systemMilliseconds;
    clockSleep = clock.sleep ? clock.sleep : systemSleep;
    if (clock.sleepUntil)
        clockSleepUntil = clock.sleepUntil;
    else
        clockSleepUntil = clock.milliseconds || clock.sleep ? nullptr : systemSleepUntil;
}

ClockPort systemClock()
{
    return {systemMilliseconds, systemSleep, systemSleepUntil};
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

void sleepUntilMilliseconds(uint32_t due)
{
    if (void (*until)(uint32_t) = clockSleepUntil.load()) {
        until(due);
        return;
    }
    const int32_t ahead = static_cast<int32_t>(due - currentMilliseconds());
    if (ahead > 0)
        sleepMilliseconds(static_cast<uint32_t>(ahead));
}

void wakeSleepers()
{
    {
        std::lock_guard<std::mutex> lock(sleepMutex);
        ++wakeGeneration;
    }
    sleepWake.notify_all();
}

uint64_t wakeCount()
{
    std::lock_guard<std::mutex> lock(sleepMutex);
    return wakeGeneration;
}

void waitForWake(uint64_t seen)
{
    std::unique_lock<std::mutex> lock(sleepMutex);
    sleepWake.wait(lock, [&] { return wakeGeneration != seen; });
}

void playSound(const char* file)
{
    if (SoundPlayer player = soundPlayer.load())
        player(file);
}

void nameThisThread(const char* name)
{
#if defined(__linux__)
    pthread_setname_np(pthread_self(), name);
#elif defined(__APPLE__)
    pthread_setname_np(name);
#else
    // Elsewhere (Windows among them) the names are only a convenience for
    // profiling; the threads go unnamed.
    (void)name;
#endif
}
