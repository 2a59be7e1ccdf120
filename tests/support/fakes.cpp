#include "support/fakes.h"

#include "core/ports.h"

#include <atomic>

namespace {

std::atomic<uint32_t> clockNow{0};
std::atomic<uint32_t> clockStep{1};
std::atomic<uint32_t> readsPerStep{1};
std::atomic<uint32_t> readsSinceStep{0};
std::vector<std::string> cues;

uint32_t readClock()
{
    return clockNow.fetch_add(clockStep.load());
}

uint32_t readClockAtRate()
{
    if (++readsSinceStep == readsPerStep) {
        readsSinceStep = 0;
        return ++clockNow;
    }
    return clockNow.load();
}

void sleepClock(uint32_t ms)
{
    clockNow += ms;
}

void recordCue(const char* file)
{
    cues.emplace_back(file);
}

}  // namespace

namespace fakeClock {

void install(uint32_t start, uint32_t stepPerRead)
{
    clockNow = start;
    clockStep = stepPerRead;
    installClock({readClock, sleepClock});
}

void installReadRate(uint32_t start, uint32_t readsPerMillisecond)
{
    clockNow = start;
    readsPerStep = readsPerMillisecond;
    readsSinceStep = 0;
    installClock({readClockAtRate, sleepClock});
}

void advance(uint32_t ms)
{
    clockNow += ms;
}

uint32_t now()
{
    return clockNow.load();
}

}  // namespace fakeClock

namespace soundLog {

void install()
{
    cues.clear();
    installSoundPlayer(recordCue);
}

const std::vector<std::string>& played()
{
    return cues;
}

void clear()
{
    cues.clear();
}

}  // namespace soundLog
