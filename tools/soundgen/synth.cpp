#include "synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

Signal silence(double seconds)
{
    return Signal(static_cast<size_t>(std::lround(seconds * SAMPLE_RATE)), 0.0);
}

double secondsAt(size_t sample)
{
    return static_cast<double>(sample) / SAMPLE_RATE;
}

double smoothRamp(double x)
{
    x = std::clamp(x, 0.0, 1.0);
    return 0.5 - 0.5 * std::cos(std::numbers::pi * x);
}

double decay(double seconds, double timeConstant)
{
    return seconds < 0 ? 0.0 : std::exp(-seconds / timeConstant);
}

void fadeEdges(Signal& signal, double fadeInSeconds, double fadeOutSeconds)
{
    if (signal.size() < 2)
        return;
    const double last = static_cast<double>(signal.size() - 1);
    const double fadeIn = fadeInSeconds * SAMPLE_RATE;
    const double fadeOut = fadeOutSeconds * SAMPLE_RATE;
    for (size_t i = 0; i < signal.size(); ++i) {
        const double position = static_cast<double>(i);
        signal[i] *= smoothRamp(position / fadeIn) * smoothRamp((last - position) / fadeOut);
    }
}

void normalize(Signal& signal, double peak)
{
    double largest = 0;
    for (double sample : signal)
        largest = std::max(largest, std::abs(sample));
    if (largest > 0)
        for (double& sample : signal)
            sample *= peak / largest;
}

void removeDc(Signal& signal)
{
    if (signal.empty())
        return;
    double mean = 0;
    for (double sample : signal)
        mean += sample;
    mean /= static_cast<double>(signal.size());
    for (double& sample : signal)
        sample -= mean;
}

double Noise::next()
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state / 2147483647.5 - 1.0;
}

void BandPass::tune(double centreHz, double q)
{
    const double w = 2 * std::numbers::pi * centreHz / SAMPLE_RATE;
    const double alpha = std::sin(w) / (2 * q);
    const double a0 = 1 + alpha;
    b0 = alpha / a0;
    b2 = -alpha / a0;
    a1 = -2 * std::cos(w) / a0;
    a2 = (1 - alpha) / a0;
}

double BandPass::process(double input)
{
    const double output = b0 * input + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = input;
    y2 = y1;
    y1 = output;
    return output;
}

LowPass::LowPass(double cutoffHz)
    : coefficient(1 - std::exp(-2 * std::numbers::pi * cutoffHz / SAMPLE_RATE))
{
}

double LowPass::process(double input)
{
    state += coefficient * (input - state);
    return state;
}

double Oscillator::next(double hz)
{
    const double value = std::sin(phase);
    phase += 2 * std::numbers::pi * hz / SAMPLE_RATE;
    if (phase > 2 * std::numbers::pi)
        phase -= 2 * std::numbers::pi;
    return value;
}
