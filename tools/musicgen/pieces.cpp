// The ten background pieces. Each differs in tempo, key, harmony, sounds,
// groove and form; the seed shapes its melodies.
#include "compose.h"

namespace {

// General MIDI percussion keys that only the grooves use.
constexpr int SIDE_STICK = 37;
constexpr int SNARE = 38;
constexpr int CLAP = 39;
constexpr int ELECTRIC_SNARE = 40;
constexpr int LOW_FLOOR_TOM = 41;
constexpr int LOW_TOM = 45;
constexpr int LOW_MID_TOM = 47;
constexpr int HIGH_MID_TOM = 48;
constexpr int HIGH_TOM = 50;
constexpr int TAMBOURINE = 54;
constexpr int LOW_CONGA = 64;
constexpr int MARACAS = 70;
constexpr int CLAVES = 75;

// Closed and open hats share a choke group, so they never sound on one step.
const Groove FOUR_ON_THE_FLOOR{
    "X...X...X...X...",
    "....X.......X...", CLAP,
    "oo.ooo.ooo.ooo.o",
    "..x...x...x...x.",
    "...o..x....o.x..", LOW_CONGA,
    "oxxX", {SNARE, HIGH_TOM, LOW_MID_TOM, LOW_TOM},
};

const Groove MINIMAL{
    "X...X...X...X...",
    "....x.......x...", CLAP,
    "..x...x...x...x.",
    "..............x.",
    "o..x..o...x..o..o..x..o...x.o.x.", SIDE_STICK,
    "..xX", {0, 0, SIDE_STICK, CLAP},
};

const Groove BROKEN{
    "X.....X...X.....X.....X..X..x...",
    "....X..o....X.o.....X..o....X..o", SNARE,
    "x.x.x.x.x.x.x.x.",
    "..............x.",
    "ooxoooxoooxoooxo", MARACAS,
    "xoxX", {SNARE, SNARE, LOW_MID_TOM, LOW_TOM},
};

const Groove DRIVING{
    "X...X...X...X...",
    "....X.......X...", CLAP,
    "xoxoxoxoxoxoxoxo",
    nullptr,
    "..x...x...x...x.", TAMBOURINE,
    "xxxX", {SNARE, SNARE, SNARE, SNARE},
};

const Groove ELECTRO{
    "X..X..X...X..X..",
    "....X.......X...", ELECTRIC_SNARE,
    "x.x.x...x.x.x...",
    "......x.......x.",
    "..x..x....x.....", CLAVES,
    "xXxX", {ELECTRIC_SNARE, HIGH_MID_TOM, LOW_FLOOR_TOM, ELECTRIC_SNARE},
};

// Bass lines, one or two bars.
const char* const ROLLING = ".RRR.RRR.RRR.ROA";
const char* const OFFBEAT = "..R-..R-..R-..O-..R-..R-..R-..A-";
const char* const SYNCOPATED = "R--R--O-..R-.F-A";
const char* const OCTAVES = "R-O-R-O-R-O-R-OA";
const char* const FUNK = "R--.R-.OR-.F..A.R--.R-.O..R-F-A.";
const char* const DEEP = "R-----R-..R---A-";
const char* const GALLOP = "R.RRR.RRR.RRR.RA";

// Arpeggios and stabs.
const ArpStyle UP_SIXTEENTHS{"xxxxxxxxxxxxxxxx", "0123", 1};
const ArpStyle UP_AND_DOWN{"xxxxxxxxxxxxxxxx", "012321", 1};
const ArpStyle OFFBEAT_STABS{"..c...c...c...c.", "0", 1};
const ArpStyle LILTING_EIGHTHS{"x.x.x.x.x.x.x.x.", "024135", 2};
const ArpStyle SKIPPING{"x.xx.xx.x.xx.xx.", "0213", 1};
const ArpStyle THREE_THREE_TWO{"c..c..c.c..c..c.", "0", 2};
const ArpStyle FIVE_AGAINST_FOUR{"xxxxxxxxxxxxxxxx", "03142", 1};

// General MIDI programs (numbered from 0).
enum Program {
    EPIANO_1 = 4, EPIANO_2 = 5, CELESTA = 8, GLOCKENSPIEL = 9, MUSIC_BOX = 10, VIBRAPHONE = 11, MARIMBA = 12,
    PERCUSSIVE_ORGAN = 17, MUTED_GUITAR = 28, FINGER_BASS = 33, HARP = 46, STRINGS = 48, SLOW_STRINGS = 49,
    SYNTH_STRINGS = 50, CHOIR_AAHS = 52, SYNTH_BRASS = 62, RECORDER = 74, FLUTE = 73, OCARINA = 79,
    SYNTH_BASS_1 = 38, SYNTH_BASS_2 = 39, SQUARE_LEAD = 80, SAW_LEAD = 81, CALLIOPE_LEAD = 82, CHIFF_LEAD = 83,
    VOICE_LEAD = 85, FIFTHS_LEAD = 86, BASS_AND_LEAD = 87, NEW_AGE_PAD = 88, WARM_PAD = 89, POLYSYNTH_PAD = 90,
    CHOIR_PAD = 91, BOWED_PAD = 92, HALO_PAD = 94, SWEEP_PAD = 95, CRYSTAL = 98, ATMOSPHERE = 99,
};

enum PitchClass { C = 0, D = 2, Eb = 3, E = 4, F = 5, Fs = 6, G = 7, A = 9, Bb = 10, B = 11 };

constexpr Quality MAJ = Quality::Major;
constexpr Quality MIN = Quality::Minor;
constexpr Quality MAJ7 = Quality::Major7;
constexpr Quality MIN7 = Quality::Minor7;
constexpr Quality SUS4 = Quality::Sus4;
constexpr Quality ADD9 = Quality::Add9;
constexpr Quality MIN9 = Quality::MinorAdd9;

constexpr Section intro(int bars) { return {SectionKind::Intro, bars}; }
constexpr Section build(int bars) { return {SectionKind::Build, bars}; }
constexpr Section mainPart(int bars) { return {SectionKind::Main, bars}; }
constexpr Section breakdown(int bars) { return {SectionKind::Breakdown, bars}; }
constexpr Section rise(int bars) { return {SectionKind::Rise, bars}; }
constexpr Section outro(int bars) { return {SectionKind::Outro, bars}; }

} // namespace

const std::vector<Piece>& pieces()
{
    // Chord roots are semitones above the tonic: in A minor, {8, MAJ} is F.
    static const std::vector<Piece> all{
        {"Techno_01.mid", "Glass Quarry", 124, A, Mode::Aeolian,
         {{0, MIN}, {8, MAJ}, {3, MAJ}, {10, MAJ}}, 1,
         {SYNTH_BASS_1, WARM_PAD, SQUARE_LEAD, SAW_LEAD, VIBRAPHONE},
         &FOUR_ON_THE_FLOOR, ROLLING, UP_SIXTEENTHS, 0.0, 0x0D1A1001,
         {intro(8), build(8), mainPart(16), breakdown(8), rise(4), mainPart(16), outro(8)}},

        {"Techno_02.mid", "Low Orbit", 128, D, Mode::Dorian,
         {{0, MIN7}, {5, MAJ}, {0, MIN7}, {7, MIN7}}, 1,
         {SYNTH_BASS_2, CHOIR_PAD, MARIMBA, EPIANO_2, FLUTE},
         &MINIMAL, OFFBEAT, OFFBEAT_STABS, 0.08, 0x0D1A1002,
         {intro(8), build(8), mainPart(16), breakdown(16), rise(4), mainPart(16), outro(8)}},

        {"Techno_03.mid", "Basalt", 132, E, Mode::Phrygian,
         {{0, MIN}, {1, MAJ}, {0, MIN}, {10, MAJ}}, 1,
         {SYNTH_BASS_1, BOWED_PAD, FIFTHS_LEAD, CRYSTAL, SLOW_STRINGS},
         &DRIVING, GALLOP, UP_AND_DOWN, 0.0, 0x0D1A1003,
         {intro(8), build(8), mainPart(16), breakdown(8), rise(4), mainPart(24), outro(8)}},

        {"Techno_04.mid", "Kite Season", 120, F, Mode::Ionian,
         {{0, MAJ}, {7, MAJ}, {9, MIN}, {5, MAJ}}, 1,
         {SYNTH_BASS_2, NEW_AGE_PAD, VIBRAPHONE, HARP, RECORDER},
         &BROKEN, SYNCOPATED, LILTING_EIGHTHS, 0.1, 0x0D1A1004,
         {intro(8), build(8), mainPart(16), breakdown(8), rise(4), mainPart(16), outro(8)}},

        {"Techno_05.mid", "Night Freight", 136, G, Mode::Aeolian,
         {{0, MIN}, {8, MAJ}, {5, MIN}, {7, MAJ}}, 1,
         {SYNTH_BASS_1, SYNTH_STRINGS, SAW_LEAD, MARIMBA, GLOCKENSPIEL},
         &FOUR_ON_THE_FLOOR, ROLLING, SKIPPING, 0.0, 0x0D1A1005,
         {intro(16), build(8), mainPart(16), breakdown(8), rise(4), mainPart(16), outro(8)}},

        {"Techno_06.mid", "Velvet Circuit", 126, C, Mode::Aeolian,
         {{0, MIN7}, {0, MIN7}, {5, MIN7}, {5, MIN7}, {8, MAJ7}, {8, MAJ7}, {7, SUS4}, {7, MAJ}}, 1,
         {SYNTH_BASS_2, HALO_PAD, VOICE_LEAD, EPIANO_1, VIBRAPHONE},
         &MINIMAL, DEEP, THREE_THREE_TWO, 0.14, 0x0D1A1006,
         {intro(8), build(8), mainPart(16), breakdown(8), rise(4), mainPart(16), outro(8)}},

        {"Techno_07.mid", "Copper Sun", 118, Bb, Mode::Mixolydian,
         {{0, MAJ}, {10, MAJ}, {5, MAJ}, {0, MAJ}}, 1,
         {FINGER_BASS, POLYSYNTH_PAD, SYNTH_BRASS, MUTED_GUITAR, PERCUSSIVE_ORGAN},
         &BROKEN, FUNK, SKIPPING, 0.18, 0x0D1A1007,
         {intro(4), build(8), mainPart(16), breakdown(8), rise(4), mainPart(16), outro(8)}},

        {"Techno_08.mid", "Altitude", 140, Fs, Mode::Aeolian,
         {{0, MIN}, {8, MAJ}, {10, MAJ}, {7, MIN}}, 2,
         {SYNTH_BASS_1, SWEEP_PAD, CHIFF_LEAD, POLYSYNTH_PAD, CRYSTAL},
         &DRIVING, OFFBEAT, UP_AND_DOWN, 0.0, 0x0D1A1008,
         {intro(8), build(8), mainPart(16), breakdown(16), rise(8), mainPart(16), outro(8)}},

        {"Techno_09.mid", "Paper Lanterns", 130, Eb, Mode::Lydian,
         {{0, MAJ7}, {2, MAJ}, {9, MIN7}, {7, ADD9}}, 1,
         {SYNTH_BASS_2, ATMOSPHERE, CALLIOPE_LEAD, MUSIC_BOX, OCARINA},
         &ELECTRO, OCTAVES, FIVE_AGAINST_FOUR, 0.06, 0x0D1A1009,
         {intro(8), build(8), mainPart(16), breakdown(8), rise(4), mainPart(16), outro(8)}},

        {"Techno_10.mid", "Last Signal", 134, B, Mode::Aeolian,
         {{0, MIN}, {7, MIN}, {8, MAJ}, {3, MAJ}, {5, MIN}, {0, MIN9}, {10, MAJ}, {7, MAJ}}, 1,
         {SYNTH_BASS_2, STRINGS, BASS_AND_LEAD, CELESTA, CHOIR_AAHS},
         &ELECTRO, GALLOP, UP_SIXTEENTHS, 0.0, 0x0D1A100A,
         {intro(8), build(8), mainPart(16), breakdown(8), rise(4), mainPart(24), outro(8)}},
    };
    return all;
}
