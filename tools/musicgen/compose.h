// A piece is described by a small table of choices; compose() turns it into
// MIDI tracks. All variety comes from the table and a per-piece seed, so the
// same table always gives the same file.
#pragma once

#include "harmony.h"
#include "midifile.h"

#include <cstdint>
#include <string>
#include <vector>

enum class SectionKind { Intro, Build, Main, Breakdown, Rise, Outro };

struct Section {
    SectionKind kind;
    int bars;
};

// One bar of each drum voice, sixteen steps (or a multiple, for patterns
// longer than a bar): 'X' accent, 'x' normal, 'o' ghost, '.' rest.
struct Groove {
    const char* kick;
    const char* backbeat;
    int backbeatNote;
    const char* closedHat;
    const char* openHat;
    const char* percussion;     // only in the main sections
    int percussionNote;
    const char* fill;           // last beat before a new phrase
    int fillNotes[4];           // drum notes for 'X'/'x'/'o' steps of the fill, step by step
};

// Arpeggiator: rhythm in sixteenths ('x' one note, 'c' the whole chord, '.'
// rest) and the order in which chord tones are taken (digits index the chord
// tones from the root upward over two octaves).
struct ArpStyle {
    const char* rhythm;
    const char* order;
    int gateSteps;
};

struct Programs {
    int bass;
    int pad;
    int lead;
    int arp;
    int counter;   // counter-melody: the theme in the breakdown, the harmony in the last main
};

struct Piece {
    const char* file;
    const char* title;
    int bpm;
    int tonic;                      // pitch class, 0 = C
    Mode mode;
    std::vector<Chord> progression; // one cycle, each chord barsPerChord long
    int barsPerChord;
    Programs programs;
    const Groove* groove;
    const char* bassLine;           // 'R' root, 'O' octave, 'F' fifth, 'A' approach to the next root, '-' hold, '.' rest
    ArpStyle arp;
    double swing;                   // delay of odd sixteenths, as a fraction of a sixteenth
    uint32_t seed;
    std::vector<Section> arrangement;
};

struct ComposedPiece {
    std::vector<midi::Track> tracks;
    uint32_t endTick;               // the last note-off
    uint32_t microsPerQuarter;
    int bars;
};

ComposedPiece compose(const Piece& piece);

uint32_t ticksToMillis(uint32_t ticks, uint32_t microsPerQuarter);

const std::vector<Piece>& pieces();
