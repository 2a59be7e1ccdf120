// Scales, chords and voicings. Pitches inside a piece are counted in
// semitones above its tonic; only the final MIDI note numbers are absolute.
#pragma once

#include <array>
#include <string>
#include <vector>

enum class Mode { Ionian, Dorian, Phrygian, Lydian, Mixolydian, Aeolian };

using Scale = std::array<int, 7>;

enum class Quality { Major, Minor, Major7, Minor7, Dominant7, Sus2, Sus4, Add9, MinorAdd9 };

struct Chord {
    int root;          // semitones above the tonic
    Quality quality;
};

Scale modeScale(Mode mode);

// Intervals above the chord root, ascending.
std::vector<int> chordIntervals(Quality quality);

bool isChordTone(const Chord& chord, int semitonesAboveTonic);

// The mode's scale with chromatic chord tones let in: over the major V of a
// minor key the melody must use the leading tone, not the flat seventh.
Scale chordScale(const Scale& scale, const Chord& chord);

// Scale degree (any integer; 7 is the octave) to a MIDI pitch, with degree 0
// at basePitch.
int degreePitch(const Scale& scale, int basePitch, int degree);

// The lowest MIDI pitch >= low whose pitch class is that of tonicPc + offset.
int pitchAtOrAbove(int low, int tonicPc, int offset);

// Chord tones from the chord root upward (two octaves), for arpeggios.
std::vector<int> arpeggioTones(const Chord& chord, int tonicPc, int lowestRoot);

// The voicing of chord within [low, high] that moves least from previous
// (empty previous: the one nearest the middle of the range). Four voices.
std::vector<int> voiceLead(const std::vector<int>& previous, const Chord& chord, int tonicPc, int low, int high);

// MIDI key signature (sharps positive, flats negative; minor flag) and a name
// for reports, e.g. "F# minor", "D dorian".
int keySignatureSharps(int tonicPc, Mode mode);
bool isMinorMode(Mode mode);
std::string keyName(int tonicPc, Mode mode);
