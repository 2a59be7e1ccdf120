#include "harmony.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

int modulo(int value, int divisor)
{
    const int r = value % divisor;
    return r < 0 ? r + divisor : r;
}

int floorDiv(int value, int divisor)
{
    return (value - modulo(value, divisor)) / divisor;
}

// Where each mode's tonic sits in its parent major scale.
int modeOffset(Mode mode)
{
    switch (mode) {
    case Mode::Ionian: return 0;
    case Mode::Dorian: return 2;
    case Mode::Phrygian: return 4;
    case Mode::Lydian: return 5;
    case Mode::Mixolydian: return 7;
    case Mode::Aeolian: return 9;
    }
    return 0;
}

} // namespace

Scale modeScale(Mode mode)
{
    static const Scale major{0, 2, 4, 5, 7, 9, 11};
    int startIndex = 0;
    while (major[startIndex] != modeOffset(mode))
        ++startIndex;
    Scale scale{};
    for (int i = 0; i < 7; ++i)
        scale[i] = modulo(major[(startIndex + i) % 7] - modeOffset(mode), 12);
    return scale;
}

std::vector<int> chordIntervals(Quality quality)
{
    switch (quality) {
    case Quality::Major: return {0, 4, 7};
    case Quality::Minor: return {0, 3, 7};
    case Quality::Major7: return {0, 4, 7, 11};
    case Quality::Minor7: return {0, 3, 7, 10};
    case Quality::Dominant7: return {0, 4, 7, 10};
    case Quality::Sus2: return {0, 2, 7};
    case Quality::Sus4: return {0, 5, 7};
    case Quality::Add9: return {0, 4, 7, 14};
    case Quality::MinorAdd9: return {0, 3, 7, 14};
    }
    return {0};
}

bool isChordTone(const Chord& chord, int semitonesAboveTonic)
{
    for (int interval : chordIntervals(chord.quality))
        if (modulo(chord.root + interval - semitonesAboveTonic, 12) == 0)
            return true;
    return false;
}

Scale chordScale(const Scale& scale, const Chord& chord)
{
    Scale adapted = scale;
    for (int interval : chordIntervals(chord.quality)) {
        const int tone = modulo(chord.root + interval, 12);
        if (std::find(adapted.begin(), adapted.end(), tone) != adapted.end())
            continue;
        // Chromatic chord tones here are raised scale notes (the leading
        // tone, a major third over a minor key's tonic); failing that, a
        // lowered one. The tonic itself is never altered, which also keeps
        // the scale ascending.
        auto altered = std::find_if(adapted.begin() + 1, adapted.end(),
                                    [tone](int note) { return modulo(tone - note, 12) == 1; });
        if (altered == adapted.end())
            altered = std::find_if(adapted.begin() + 1, adapted.end(),
                                   [tone](int note) { return modulo(note - tone, 12) == 1; });
        if (altered != adapted.end())
            *altered = tone;
    }
    return adapted;
}

int degreePitch(const Scale& scale, int basePitch, int degree)
{
    return basePitch + 12 * floorDiv(degree, 7) + scale[modulo(degree, 7)];
}

int pitchAtOrAbove(int low, int tonicPc, int offset)
{
    return low + modulo(tonicPc + offset - low, 12);
}

std::vector<int> arpeggioTones(const Chord& chord, int tonicPc, int lowestRoot)
{
    const int root = pitchAtOrAbove(lowestRoot, tonicPc, chord.root);
    std::vector<int> tones;
    for (int octave = 0; octave < 2; ++octave)
        for (int interval : chordIntervals(chord.quality))
            if (interval < 12)
                tones.push_back(root + interval + 12 * octave);
    std::sort(tones.begin(), tones.end());
    return tones;
}

std::vector<int> voiceLead(const std::vector<int>& previous, const Chord& chord, int tonicPc, int low, int high)
{
    // Four voices: a triad doubles its root.
    std::vector<int> classes;
    for (int interval : chordIntervals(chord.quality))
        classes.push_back(modulo(chord.root + tonicPc + interval, 12));
    if (classes.size() == 3)
        classes.push_back(classes[0]);

    std::vector<int> best;
    int bestCost = INT_MAX;
    const int middle = (low + high) / 2;
    // Try every inversion, stacked closely from each possible bass note.
    for (size_t inversion = 0; inversion < classes.size(); ++inversion) {
        for (int bottom = low; bottom <= high; ++bottom) {
            if (modulo(bottom, 12) != classes[inversion])
                continue;
            std::vector<int> voicing{bottom};
            for (size_t k = 1; k < classes.size(); ++k) {
                const int pc = classes[(inversion + k) % classes.size()];
                int next = voicing.back() + 1;
                while (modulo(next, 12) != pc)
                    ++next;
                voicing.push_back(next);
            }
            if (voicing.back() > high)
                continue;
            int cost = 0;
            if (previous.size() == voicing.size()) {
                for (size_t k = 0; k < voicing.size(); ++k)
                    cost += std::abs(voicing[k] - previous[k]);
            } else {
                cost = std::abs((voicing.front() + voicing.back()) / 2 - middle);
            }
            if (cost < bestCost) {
                bestCost = cost;
                best = voicing;
            }
        }
    }
    return best;
}

int keySignatureSharps(int tonicPc, Mode mode)
{
    // Sharps (or flats, negative) of each major key, indexed by its tonic.
    static const int majorSharps[12] = {0, -5, 2, -3, 4, -1, 6, 1, -4, 3, -2, 5};
    return majorSharps[modulo(tonicPc - modeOffset(mode), 12)];
}

bool isMinorMode(Mode mode)
{
    return mode == Mode::Dorian || mode == Mode::Phrygian || mode == Mode::Aeolian;
}

std::string keyName(int tonicPc, Mode mode)
{
    static const char* sharpNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    static const char* flatNames[12] = {"C", "Db", "D", "Eb", "E", "F", "Gb", "G", "Ab", "A", "Bb", "B"};
    static const char* modeNames[] = {"major", "dorian", "phrygian", "lydian", "mixolydian", "minor"};
    const bool flats = keySignatureSharps(tonicPc, mode) < 0;
    const int pc = modulo(tonicPc, 12);
    return std::string(flats ? flatNames[pc] : sharpNames[pc]) + " " + modeNames[static_cast<int>(mode)];
}
