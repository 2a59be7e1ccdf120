// Runs the real game thread for a while on the system clock and reports how
// regular its ticks are: the mean period, and how late the 99th percentile of
// wake-ups comes after the moment it was due.
#include "core/gamestate.h"
#include "core/ports.h"
#include "game/newgame.h"
#include "game/tick.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The first half second is left out: the thread and the caches settle.
Clock::time_point measureFrom;
std::mutex recordMutex;
std::vector<Clock::time_point> wakes;
std::vector<double> lateness;  // milliseconds

// The counter is the steady clock's milliseconds, so its reading `due` is one
// point on that clock.
void measuredSleepUntil(uint32_t due)
{
    using namespace std::chrono;
    const auto thisMillisecond = floor<milliseconds>(Clock::now().time_since_epoch());
    const int32_t ahead = static_cast<int32_t>(due - static_cast<uint32_t>(thisMillisecond.count()));
    const auto dueAt = Clock::time_point(thisMillisecond + milliseconds(ahead));
    systemClock().sleepUntil(due);
    const auto woke = Clock::now();
    if (woke < measureFrom)
        return;
    std::lock_guard<std::mutex> lock(recordMutex);
    wakes.push_back(woke);
    lateness.push_back(duration<double, std::milli>(woke - dueAt).count());
}

}  // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    installClock({systemClock().milliseconds, systemClock().sleep, measuredSleepUntil});
    game.randomEvents = false;
    game.soundsOn = false;
    startNewGame();

    measureFrom = Clock::now() + std::chrono::milliseconds(500);
    startGameThread();
    std::this_thread::sleep_for(std::chrono::seconds(seconds) + std::chrono::milliseconds(500));
    stopGameThread();

    std::lock_guard<std::mutex> lock(recordMutex);
    if (wakes.size() < 3) {
        std::printf("tick cadence: too few ticks\n");
        return 1;
    }
    // The slope of the wake times over their count: one late first or last
    // wake-up does not pass for a shorter or longer period.
    const double count = static_cast<double>(wakes.size());
    const double meanIndex = (count - 1) / 2;
    double meanTime = 0;
    std::vector<double> times;
    for (const Clock::time_point& wake : wakes)
        times.push_back(std::chrono::duration<double, std::milli>(wake - wakes.front()).count());
    for (double t : times)
        meanTime += t / count;
    double covariance = 0, variance = 0;
    for (size_t i = 0; i < times.size(); ++i) {
        covariance += (static_cast<double>(i) - meanIndex) * (times[i] - meanTime);
        variance += (static_cast<double>(i) - meanIndex) * (static_cast<double>(i) - meanIndex);
    }
    const double meanPeriod = covariance / variance;
    std::vector<double> sorted = lateness;
    std::sort(sorted.begin(), sorted.end());
    const double p99 = sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
    std::printf("tick cadence over %d s: %zu ticks, mean period %.3f ms, lateness p99 %.3f ms, max %.3f ms\n",
                seconds, wakes.size(), meanPeriod, p99, sorted.back());
    return 0;
}
