// Building blocks for short synthesised cues: signals are plain vectors of
// samples at SAMPLE_RATE, built by adding voices into a buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int SAMPLE_RATE = 44100;

using Signal = std::vector<double>;

Signal silence(double seconds);

double secondsAt(size_t sample);

// Smooth 0 -> 1 over x in [0, 1] (half a cosine period): its slope is zero at
// both ends, so neither an onset nor a fade adds a click.
double smoothRamp(double x);

double decay(double seconds, double timeConstant);

// Fades the edges in and out along smoothRamp; the first and last samples
// become exactly zero.
void fadeEdges(Signal& signal, double fadeInSeconds, double fadeOutSeconds);

// Scales so that the largest magnitude is peak.
void normalize(Signal& signal, double peak);

// Removes any constant offset left by asymmetric transients.
void removeDc(Signal& signal);

// Deterministic white noise in [-1, 1] (xorshift32).
class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed ? seed : 1) {}
    double next();

private:
    uint32_t state;
};

// Two-pole resonant band-pass (the usual audio-cookbook biquad, constant
// peak gain), retunable per sample for sweeps.
class BandPass {
public:
    void tune(double centreHz, double q);
    double process(double input);

private:
    double b0 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

class LowPass {
public:
    explicit LowPass(double cutoffHz);
    double process(double input);

private:
    double coefficient;
    double state = 0;
};

// A sine whose frequency may change every sample without a phase jump.
class Oscillator {
public:
    double next(double hz);

private:
    double phase = 0;
};
