// soundgen OUTDIR          synthesises the game's sound cues into OUTDIR
// soundgen --check DIR     reads them back and measures them
#include "synth.h"
#include "wavfile.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Rotating happens constantly: a soft, short upward blip with a breath of
// air, quiet enough not to tire the ear.
Signal rotateCue()
{
    const double length = 0.10;
    Signal out = silence(length);
    Oscillator tone;
    Noise noise(0x5EED0001);
    BandPass air;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = secondsAt(i);
        const double hz = 620.0 * std::pow(1.6, t / length);   // up a minor sixth
        const double body = tone.next(hz) * decay(t, 0.04);
        air.tune(2500.0 + 3500.0 * t / length, 2.0);
        const double swish = air.process(noise.next()) * std::pow(std::sin(std::numbers::pi * t / length), 2);
        out[i] = 0.8 * body + 0.3 * swish;
    }
    fadeEdges(out, 0.006, 0.025);
    normalize(out, 0.5);
    return out;
}

// A landing: a low thump whose pitch drops, a short knock that small
// speakers can reproduce, and a little muffled contact noise.
Signal shapePlacedCue()
{
    const double length = 0.15;
    Signal out = silence(length);
    Oscillator thump, knock, overtone;
    Noise noise(0x5EED0002);
    LowPass muffleA(900.0), muffleB(900.0);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = secondsAt(i);
        const double body = thump.next(55.0 + 110.0 * decay(t, 0.025)) * decay(t, 0.05);
        const double wood = 0.35 * knock.next(340.0) * decay(t, 0.018) + 0.15 * overtone.next(520.0) * decay(t, 0.012);
        const double contact = muffleB.process(muffleA.process(noise.next())) * decay(t, 0.01);
        out[i] = body + wood + 1.5 * contact;
    }
    removeDc(out);
    fadeEdges(out, 0.002, 0.03);
    normalize(out, 0.7);
    return out;
}

// Rows cleared: a bright rising major arpeggio of bell tones over a soft
// bed of the root and fifth, the reward the player listens for.
Signal rowFilledCue()
{
    const double length = 0.55;
    Signal out = silence(length);
    struct Bell {
        double hz;
        double onset;
        double ring;
    };
    const Bell bells[] = {{1046.5, 0.00, 0.16}, {1318.5, 0.07, 0.16}, {1568.0, 0.14, 0.18}, {2093.0, 0.21, 0.30}};
    // Partials of a small bell: ratio, level, how fast it fades relative to the ring.
    const double partials[][3] = {{1.0, 1.0, 1.0}, {2.0, 0.35, 0.45}, {3.0, 0.15, 0.25}, {4.2, 0.08, 0.12}};
    for (const Bell& bell : bells) {
        for (const auto& partial : partials) {
            Oscillator osc;
            for (size_t i = static_cast<size_t>(bell.onset * SAMPLE_RATE); i < out.size(); ++i) {
                const double t = secondsAt(i) - bell.onset;
                const double envelope = smoothRamp(t / 0.003) * decay(t, bell.ring * partial[2]);
                out[i] += 0.9 * partial[1] * envelope * osc.next(bell.hz * partial[0]);
            }
        }
    }
    Oscillator root, fifth;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = secondsAt(i);
        const double bed = smoothRamp(t / 0.04) * decay(t, 0.25);
        out[i] += 0.25 * bed * (root.next(523.25) + 0.6 * fifth.next(783.99));
    }
    fadeEdges(out, 0.002, 0.08);
    normalize(out, 0.6);
    return out;
}

struct Cue {
    const char* file;
    Signal (*make)();
    double shortestMs;
    double longestMs;
};

const Cue CUES[] = {
    {"rotate.wav", rotateCue, 80, 120},
    {"shape_placed.wav", shapePlacedCue, 120, 180},
    {"row_filled.wav", rowFilledCue, 400, 600},
};

int generate(const std::string& dir)
{
    for (const Cue& cue : CUES) {
        const std::string path = dir + "/" + cue.file;
        if (!writeWav(path, cue.make(), SAMPLE_RATE)) {
            std::fprintf(stderr, "soundgen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

// Clicks show up as a sample far from both its neighbours' trend: compare
// each sample with the straight line through its neighbours.
double largestKink(const std::vector<double>& s)
{
    double largest = 0;
    for (size_t i = 1; i + 1 < s.size(); ++i)
        largest = std::max(largest, std::abs(s[i] - 0.5 * (s[i - 1] + s[i + 1])));
    return largest;
}

int check(const std::string& dir)
{
    bool allOk = true;
    for (const Cue& cue : CUES) {
        WavData wav;
        std::string error;
        if (!readWav(dir + "/" + cue.file, wav, error)) {
            std::printf("%s: FAIL %s\n", cue.file, error.c_str());
            allOk = false;
            continue;
        }
        const std::vector<double>& s = wav.samples;
        const double ms = 1000.0 * static_cast<double>(s.size()) / std::max(1, wav.channels) / std::max(1, wav.sampleRate);
        double peak = 0, sum = 0, energy = 0;
        for (double x : s) {
            peak = std::max(peak, std::abs(x));
            sum += x;
            energy += x * x;
        }
        const double n = static_cast<double>(std::max<size_t>(1, s.size()));
        const double kink = largestKink(s);
        std::vector<std::string> problems;
        if (wav.sampleRate != SAMPLE_RATE || wav.bitsPerSample != 16 || wav.channels < 1 || wav.channels > 2)
            problems.push_back("not 16-bit PCM at 44100 Hz, mono or stereo");
        if (ms < cue.shortestMs || ms > cue.longestMs)
            problems.push_back("length out of range");
        if (s.empty() || s.front() != 0.0 || s.back() != 0.0)
            problems.push_back("does not start and end at zero");
        if (peak >= 0.99)
            problems.push_back("clipped");
        if (peak < 0.1)
            problems.push_back("too quiet");
        if (kink > 0.25 * peak)
            problems.push_back("discontinuity");
        std::printf("%-17s %d ch %d Hz %d bit  %5.1f ms  peak %5.1f dBFS  rms %5.1f dBFS  dc %+.4f  "
                    "first/last %g/%g  largest kink %.3f of peak  %s\n",
                    cue.file, wav.channels, wav.sampleRate, wav.bitsPerSample, ms, 20 * std::log10(peak),
                    10 * std::log10(energy / n), sum / n, s.empty() ? 0.0 : s.front(), s.empty() ? 0.0 : s.back(),
                    kink / std::max(peak, 1e-9), problems.empty() ? "OK" : "FAIL");
        for (const std::string& problem : problems)
            std::printf("    problem: %s\n", problem.c_str());
        allOk = allOk && problems.empty();
    }
    return allOk ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2)
        return generate(argv[1]);
    if (argc == 3 && std::string(argv[1]) == "--check")
        return check(argv[2]);
    std::fprintf(stderr, "usage: soundgen OUTDIR | soundgen --check DIR\n");
    return 2;
}
