#include "core/ports.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

uint32_t systemMilliseconds()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void systemSleep(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
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

void playSound(const char* file)
{
    if (SoundPlayer player = soundPlayer.load())
        player(file);
}
