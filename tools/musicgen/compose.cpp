#include "compose.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

namespace {

constexpr uint32_t STEP = midi::TICKS_PER_QUARTER / 4;   // a sixteenth
constexpr int STEPS_PER_BAR = 16;
constexpr uint32_t BAR = STEP * STEPS_PER_BAR;
constexpr int ENDING_BARS = 2;

enum Channel { CH_BASS = 0, CH_PAD = 1, CH_LEAD = 2, CH_ARP = 3, CH_COUNTER = 4, CH_DRUMS = 9 };

// General MIDI percussion keys and controllers used below.
constexpr int DRUM_KICK = 36;
constexpr int DRUM_SNARE = 38;
constexpr int DRUM_CLOSED_HAT = 42;
constexpr int DRUM_OPEN_HAT = 46;
constexpr int DRUM_CRASH = 49;
constexpr int DRUM_RIDE = 51;
constexpr int CC_VOLUME = 7;
constexpr int CC_PAN = 10;
constexpr int CC_EXPRESSION = 11;
constexpr int CC_REVERB = 91;
constexpr int CC_CHORUS = 93;

// Registers: lowest root of the bass and the arpeggio, the pad's range, and
// the lowest tonic of the lead (degree 0 of its melodies).
constexpr int BASS_LOW = 33;
constexpr int ARP_LOW = 57;
constexpr int PAD_LOW = 50;
constexpr int PAD_HIGH = 76;
constexpr int LEAD_LOW = 58;
constexpr int STAB_LOW = 62;

// Highest and lowest scale degree a melody may reach, around the lead tonic.
constexpr int MELODY_LOWEST = -5;
constexpr int MELODY_HIGHEST = 13;

int modulo(int value, int divisor)
{
    const int r = value % divisor;
    return r < 0 ? r + divisor : r;
}

// splitmix64: tiny, and the same numbers on every platform.
class Rng {
public:
    explicit Rng(uint64_t seed) : state(seed) {}

    uint64_t next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    int below(int bound) { return static_cast<int>(next() % static_cast<uint64_t>(bound)); }
    int between(int low, int high) { return low + below(high - low + 1); }

    template <size_t N>
    int pick(const std::array<int, N>& values) { return values[below(static_cast<int>(N))]; }

    // choices: (value, weight) pairs
    int weighted(const std::vector<std::pair<int, int>>& choices)
    {
        int total = 0;
        for (const auto& choice : choices)
            total += choice.second;
        int roll = below(total);
        for (const auto& choice : choices) {
            if (roll < choice.second)
                return choice.first;
            roll -= choice.second;
        }
        return choices.back().first;
    }

private:
    uint64_t state;
};

// One-bar rhythms a motif is built from: 'x' a note, '-' held, '.' rest.
const char* const MOTIF_RHYTHMS[] = {
    "x--x--x-x---x---", "x---x---x-x-x---", "x-x-x---x--x----", "x--x--x---x-x-x-",
    "x---x--x--x-x---", "x-x---x-x---x---", "..x-x--x--x-x---", "x--x--x-----x-x-",
    "x-------x--x--x-", "x--x----x-x-x---", "x.x.x--x--x-x---", "x---x-x-x---x.x.",
};

// Closing bars of a phrase: fewer notes, the last one long.
const char* const CADENCE_RHYTHMS[] = {
    "x--x--x-x-------", "x---x---x-------", "x-x-x-----------", "x--x--x---------", "x---x-x---------",
};

struct RhythmNote {
    int step;     // sixteenths from the start of the rhythm
    int length;
};

std::vector<RhythmNote> parseRhythm(const char* rhythm, int firstStep)
{
    std::vector<RhythmNote> notes;
    const int size = static_cast<int>(std::strlen(rhythm));
    for (int i = 0; i < size; ++i) {
        if (rhythm[i] != 'x')
            continue;
        int length = 1;
        while (i + length < size && rhythm[i + length] == '-')
            ++length;
        notes.push_back({firstStep + i, length});
    }
    return notes;
}

struct MotifNote {
    RhythmNote rhythm;   // within a two-bar unit
    int move;            // scale steps from the previous note
};

// The seed of all melodies of a piece: a two-bar figure and the ways the
// phrases transform it (sequence shifts, altered tails, cadences).
struct Motif {
    std::vector<MotifNote> notes;
    int start = 0;
    int sequenceShift = 0;
    int answerShift = 0;
    int tailA = 0;
    int tailB = 0;
    const char* cadenceA = nullptr;
    const char* cadenceB = nullptr;
};

Motif makeMotif(Rng& rng)
{
    constexpr int rhythmCount = static_cast<int>(std::size(MOTIF_RHYTHMS));
    constexpr int cadenceCount = static_cast<int>(std::size(CADENCE_RHYTHMS));
    const int first = rng.below(rhythmCount);
    const int second = (first + 1 + rng.below(rhythmCount - 1)) % rhythmCount;

    std::vector<RhythmNote> rhythm = parseRhythm(MOTIF_RHYTHMS[first], 0);
    for (const RhythmNote& note : parseRhythm(MOTIF_RHYTHMS[second], STEPS_PER_BAR))
        rhythm.push_back(note);

    // The figure rises to a peak and falls back (now and then the other way
    // round), wandering a little on the way, so that it ends near where it
    // began and can repeat without a jump.
    Motif motif;
    motif.start = rng.pick(std::array<int, 3>{2, 4, 4});
    const int height = rng.pick(std::array<int, 5>{3, 4, 4, 5, -3});
    const int count = static_cast<int>(rhythm.size());
    const int peak = std::max(1, count * rng.between(35, 65) / 100);
    int previous = motif.start;
    int previousMove = 1;
    for (int i = 0; i < count; ++i) {
        const double rise = i <= peak ? double(i) / peak : double(count - 1 - i) / std::max(1, count - 1 - peak);
        int degree = motif.start + static_cast<int>(std::lround(height * std::sin(rise * std::numbers::pi / 2)));
        if (i > 0 && i < count - 1)
            degree += rng.weighted({{0, 6}, {1, 2}, {-1, 2}});
        if (i == count - 1)
            degree += rng.pick(std::array<int, 4>{0, 0, -1, 1});
        int move = i == 0 ? 0 : degree - previous;
        if (move == 0 && previousMove == 0)
            move = height > 0 ? 1 : -1;   // one repeated note is a figure, two are a drone
        previous += move;
        previousMove = move;
        motif.notes.push_back({rhythm[i], move});
    }
    motif.sequenceShift = rng.pick(std::array<int, 4>{2, 2, -2, 3});
    motif.answerShift = rng.pick(std::array<int, 3>{1, -1, -2});
    motif.tailA = rng.pick(std::array<int, 3>{1, 2, -1});
    motif.tailB = rng.pick(std::array<int, 3>{-1, -2, 2});
    const int cadence = rng.below(cadenceCount);
    motif.cadenceA = CADENCE_RHYTHMS[cadence];
    motif.cadenceB = CADENCE_RHYTHMS[(cadence + 1 + rng.below(cadenceCount - 1)) % cadenceCount];
    return motif;
}

struct LeadNote {
    uint32_t start;
    uint32_t end;
    int degree;
    bool strong;
    Scale scale;
    int pitch;
};

const char* sectionName(SectionKind kind)
{
    switch (kind) {
    case SectionKind::Intro: return "Intro";
    case SectionKind::Build: return "Build";
    case SectionKind::Main: return "Main";
    case SectionKind::Breakdown: return "Breakdown";
    case SectionKind::Rise: return "Rise";
    case SectionKind::Outro: return "Outro";
    }
    return "";
}

// Where one bar sits in the arrangement.
struct BarContext {
    SectionKind kind;
    int variant;        // how many sections of this kind came before
    int bar;            // from the start of the piece
    int inSection;
    int sectionBars;
    Chord chord;
    Chord nextChord;    // of the following bar, for approach notes
    double progress;    // 0 at the first bar of the section, towards 1 at its last
};

class Composer {
public:
    explicit Composer(const Piece& piece);
    ComposedPiece run();

private:
    const Piece& piece;
    Rng rng;
    Scale scale;
    int leadBase;
    uint32_t swingTicks;
    Motif motif;
    std::vector<int> padVoicing;
    int arpIndex = 0;

    midi::Track conductor, drums, bass, pad, arp, lead, counter;

    uint32_t at(int bar, int step) const;
    Chord chordAt(int inSection) const;
    int humanize(int velocity) { return velocity + rng.between(-4, 4); }

    void setUpChannels();
    void drumBar(const BarContext& c);
    void drumPattern(const char* pattern, int note, const BarContext& c, double gain, int untilStep = STEPS_PER_BAR);
    void drumFill(const BarContext& c, double gain);
    void snareRoll(const BarContext& c);
    void bassBar(const BarContext& c);
    void bassLine(const char* line, const BarContext& c, double gain, int untilStep = STEPS_PER_BAR);
    void padBar(const BarContext& c);
    void arpBar(const BarContext& c);
    void melodies(SectionKind kind, int variant, int startBar, int bars);
    std::vector<LeadNote> phrase(int startBar, int inSection, int answer, int units, bool ornamented);
    void playMelody(midi::Track& track, const std::vector<LeadNote>& notes, double gain, int degreeShift = 0);
    void ending(int bar);
    void expressionRamp(midi::Track& track, uint32_t from, uint32_t to, int startValue, int endValue);
};

Composer::Composer(const Piece& p)
    : piece(p), rng(p.seed), scale(modeScale(p.mode)), leadBase(pitchAtOrAbove(LEAD_LOW, p.tonic, 0)),
      swingTicks(static_cast<uint32_t>(std::lround(p.swing * STEP))), motif(makeMotif(rng))
{
}

uint32_t Composer::at(int bar, int step) const
{
    bar += step / STEPS_PER_BAR;
    step %= STEPS_PER_BAR;
    return static_cast<uint32_t>(bar) * BAR + static_cast<uint32_t>(step) * STEP + (step % 2 ? swingTicks : 0);
}

Chord Composer::chordAt(int inSection) const
{
    const int index = inSection / piece.barsPerChord;
    return piece.progression[static_cast<size_t>(index) % piece.progression.size()];
}

// The soundfont's presets differ widely in loudness: a string ensemble is
// some ten decibels louder than a marimba at the same velocity. These trims,
// measured by rendering each part alone, keep every part at the level its
// role wants, whichever instrument plays it.
double programTrimDb(int program)
{
    static const std::pair<int, double> trims[] = {
        {5, 4}, {8, 4}, {9, 4}, {12, 6}, {28, 6}, {46, -4}, {48, -11}, {49, 3}, {50, -2.5}, {62, 2}, {79, -2},
        {81, -1}, {82, 1}, {83, 2}, {86, 1}, {88, -3}, {90, 2}, {94, 2}, {95, 4}, {99, 2},
    };
    for (const auto& [number, db] : trims)
        if (number == program)
            return db;
    return 0.0;
}

// Music plays under the sound cues: leave the mix some headroom so that a
// cue on top of a loud bar does not clip.
constexpr double MIX_HEADROOM_DB = -4.0;

// Channel volume follows a 40 log10 law in General MIDI synthesizers.
int trimmedVolume(int volume, int program)
{
    const double db = programTrimDb(program) + MIX_HEADROOM_DB;
    return static_cast<int>(std::lround(volume * std::pow(10.0, db / 40.0)));
}

void Composer::setUpChannels()
{
    struct Setup {
        midi::Track* track;
        const char* name;
        int channel;
        int program;
        int volume;
        int pan;
        int reverb;
        int chorus;
    };
    const Setup setups[] = {
        {&drums, "Drums", CH_DRUMS, -1, 100, 64, 30, 0},
        {&bass, "Bass", CH_BASS, piece.programs.bass, 96, 64, 10, 0},
        {&pad, "Pad", CH_PAD, piece.programs.pad, 74, 64, 80, 40},
        {&arp, "Arpeggio", CH_ARP, piece.programs.arp, 68, 46, 60, 20},
        {&lead, "Lead", CH_LEAD, piece.programs.lead, 86, 72, 60, 20},
        {&counter, "Counter", CH_COUNTER, piece.programs.counter, 80, 88, 70, 20},
    };
    for (const Setup& s : setups) {
        s.track->name = s.name;
        s.track->channel = s.channel;
        s.track->program = s.program;
        s.track->addController(0, CC_VOLUME, trimmedVolume(s.volume, s.program));
        s.track->addController(0, CC_PAN, s.pan);
        s.track->addController(0, CC_EXPRESSION, 110);
        s.track->addController(0, CC_REVERB, s.reverb);
        s.track->addController(0, CC_CHORUS, s.chorus);
    }
}

void Composer::expressionRamp(midi::Track& track, uint32_t from, uint32_t to, int startValue, int endValue)
{
    const uint32_t stride = STEP * 2;
    for (uint32_t tick = from; tick <= to; tick += stride) {
        const double f = to > from ? double(tick - from) / double(to - from) : 1.0;
        track.addController(tick, CC_EXPRESSION, static_cast<int>(std::lround(startValue + (endValue - startValue) * f)));
    }
}

// ---------------------------------------------------------------- drums

void Composer::drumPattern(const char* pattern, int note, const BarContext& c, double gain, int untilStep)
{
    if (pattern == nullptr)
        return;
    const int barsInPattern = std::max(1, static_cast<int>(std::strlen(pattern)) / STEPS_PER_BAR);
    const char* row = pattern + (c.inSection % barsInPattern) * STEPS_PER_BAR;
    for (int step = 0; step < untilStep; ++step) {
        const int velocity = row[step] == 'X' ? 112 : row[step] == 'x' ? 88 : row[step] == 'o' ? 56 : 0;
        if (velocity > 0)
            drums.addNote(at(c.bar, step), STEP / 2, note, humanize(static_cast<int>(velocity * gain)));
    }
}

void Composer::drumFill(const BarContext& c, double gain)
{
    const Groove& g = *piece.groove;
    for (int i = 0; i < 4; ++i) {
        const char mark = g.fill[i];
        const int velocity = mark == 'X' ? 110 : mark == 'x' ? 90 : mark == 'o' ? 62 : 0;
        if (velocity > 0)
            drums.addNote(at(c.bar, 12 + i), STEP / 2, g.fillNotes[i], humanize(static_cast<int>(velocity * gain)));
    }
}

// Four on the floor gives way to a snare roll that doubles its pace and
// swells, then one beat of silence before the drop.
void Composer::snareRoll(const BarContext& c)
{
    const double f = double(c.inSection) / c.sectionBars;
    const int interval = f < 0.25 ? 4 : f < 0.5 ? 2 : 1;
    const bool lastBar = c.inSection == c.sectionBars - 1;
    for (int step = 0; step < (lastBar ? 12 : STEPS_PER_BAR); step += interval) {
        const double swell = (c.inSection * STEPS_PER_BAR + step) / double(c.sectionBars * STEPS_PER_BAR);
        drums.addNote(at(c.bar, step), STEP / 2, DRUM_SNARE, humanize(static_cast<int>(44 + 70 * swell)));
    }
    if (f < 0.5)
        drumPattern("X...X...X...X...", DRUM_KICK, c, 0.8);
    drumPattern(piece.groove->closedHat, DRUM_CLOSED_HAT, c, 0.4 + 0.4 * c.progress, lastBar ? 12 : STEPS_PER_BAR);
}

void Composer::drumBar(const BarContext& c)
{
    const Groove& g = *piece.groove;
    const bool lastBar = c.inSection == c.sectionBars - 1;
    const bool phraseEnd = c.inSection % 8 == 7 || lastBar;
    switch (c.kind) {
    case SectionKind::Intro:
        drumPattern(g.closedHat, DRUM_CLOSED_HAT, c, 0.7 + 0.2 * c.progress);
        if (c.progress >= 0.5)
            drumPattern(g.kick, DRUM_KICK, c, 0.9);
        if (c.progress >= 0.75)
            drumPattern(g.openHat, DRUM_OPEN_HAT, c, 0.6);
        break;
    case SectionKind::Build:
        drumPattern(g.kick, DRUM_KICK, c, 1.0);
        drumPattern(g.closedHat, DRUM_CLOSED_HAT, c, 0.8, lastBar ? 12 : STEPS_PER_BAR);
        if (c.progress >= 0.25)
            drumPattern(g.backbeat, g.backbeatNote, c, 0.85, lastBar ? 12 : STEPS_PER_BAR);
        if (c.progress >= 0.5)
            drumPattern(g.openHat, DRUM_OPEN_HAT, c, 0.75, lastBar ? 12 : STEPS_PER_BAR);
        if (lastBar)
            drumFill(c, 0.9);
        break;
    case SectionKind::Main: {
        const int until = phraseEnd ? 12 : STEPS_PER_BAR;
        if (c.inSection == 0)
            drums.addNote(at(c.bar, 0), STEP, DRUM_CRASH, 100);
        drumPattern(g.kick, DRUM_KICK, c, 1.0);
        drumPattern(g.backbeat, g.backbeatNote, c, 0.9, until);
        drumPattern(g.closedHat, DRUM_CLOSED_HAT, c, 0.85, until);
        drumPattern(g.openHat, DRUM_OPEN_HAT, c, 0.8, until);
        drumPattern(g.percussion, g.percussionNote, c, 0.7, until);
        if (c.variant > 0)
            drumPattern("x...x...x...x...", DRUM_RIDE, c, 0.6, until);
        if (phraseEnd)
            drumFill(c, 1.0);
        break;
    }
    case SectionKind::Breakdown:
        if (c.progress >= 0.5)
            drumPattern(g.closedHat, DRUM_CLOSED_HAT, c, 0.35 + 0.3 * c.progress);
        break;
    case SectionKind::Rise:
        snareRoll(c);
        break;
    case SectionKind::Outro:
        if (c.inSection == 0)
            drums.addNote(at(c.bar, 0), STEP, DRUM_CRASH, 90);
        drumPattern(g.kick, DRUM_KICK, c, 1.0 - 0.3 * c.progress);
        drumPattern(g.closedHat, DRUM_CLOSED_HAT, c, 0.8 - 0.3 * c.progress);
        if (c.progress < 0.75) {
            drumPattern(g.backbeat, g.backbeatNote, c, 0.8);
            drumPattern(g.openHat, DRUM_OPEN_HAT, c, 0.7);
        }
        break;
    }
}

// ---------------------------------------------------------------- bass

void Composer::bassLine(const char* line, const BarContext& c, double gain, int untilStep)
{
    const int barsInLine = std::max(1, static_cast<int>(std::strlen(line)) / STEPS_PER_BAR);
    const char* row = line + (c.inSection % barsInLine) * STEPS_PER_BAR;
    const int root = pitchAtOrAbove(BASS_LOW, piece.tonic, c.chord.root);
    const int nextRoot = pitchAtOrAbove(BASS_LOW, piece.tonic, c.nextChord.root);
    for (int step = 0; step < untilStep; ++step) {
        int pitch = 0;
        switch (row[step]) {
        case 'R': pitch = root; break;
        case 'O': pitch = root + 12; break;
        case 'F': pitch = root + 7; break;
        case 'A':
            // Lean into the next chord by a semitone; with no change of root,
            // the fifth keeps the line moving instead.
            pitch = nextRoot == root ? root + 7 : nextRoot > root ? nextRoot - 1 : nextRoot + 1;
            break;
        default: continue;
        }
        int length = 1;
        while (step + length < STEPS_PER_BAR && row[step + length] == '-')
            ++length;
        const int velocity = static_cast<int>((step % 4 == 0 ? 104 : 94) * gain);
        bass.addNote(at(c.bar, step), length * STEP - 12, pitch, humanize(velocity));
    }
}

void Composer::bassBar(const BarContext& c)
{
    const bool lastBar = c.inSection == c.sectionBars - 1;
    switch (c.kind) {
    case SectionKind::Intro:
        break;
    case SectionKind::Build:
        bassLine(piece.bassLine, c, 0.8 + 0.2 * c.progress, lastBar ? 12 : STEPS_PER_BAR);
        break;
    case SectionKind::Main:
        bassLine(piece.bassLine, c, 1.0);
        break;
    case SectionKind::Breakdown:
        if (c.inSection % piece.barsPerChord == 0)
            bassLine("R---------------", c, 0.7);
        break;
    case SectionKind::Rise:
        bassLine("R.R.R.R.R.R.R.R.", c, 0.7 + 0.3 * c.progress, lastBar ? 12 : STEPS_PER_BAR);
        break;
    case SectionKind::Outro:
        if (c.progress < 0.75)
            bassLine(piece.bassLine, c, 0.95);
        else
            bassLine("R-------R-------", c, 0.8);
        break;
    }
}

// ---------------------------------------------------------------- pad and arpeggio

void Composer::padBar(const BarContext& c)
{
    if (c.inSection > 0 && c.inSection % piece.barsPerChord != 0)
        return;
    // The chord lasts until it changes or the section ends; an unchanged
    // chord is held rather than struck again.
    const Chord chord = c.chord;
    int bars = 1;
    while (c.inSection + bars < c.sectionBars && chordAt(c.inSection + bars).root == chord.root &&
           chordAt(c.inSection + bars).quality == chord.quality)
        ++bars;
    if (c.inSection > 0 && chordAt(c.inSection - 1).root == chord.root &&
        chordAt(c.inSection - 1).quality == chord.quality)
        return;
    padVoicing = voiceLead(padVoicing, chord, piece.tonic, PAD_LOW, PAD_HIGH);
    int velocity = 70;
    switch (c.kind) {
    case SectionKind::Intro: velocity = 66; break;
    case SectionKind::Breakdown: velocity = 84; break;
    case SectionKind::Main: velocity = 68; break;
    default: break;
    }
    for (int pitch : padVoicing)
        pad.addNote(at(c.bar, 0), bars * BAR - 24, pitch, humanize(velocity));
}

void Composer::arpBar(const BarContext& c)
{
    double gain = 0.0;
    bool eighthsOnly = false;
    switch (c.kind) {
    case SectionKind::Intro: return;
    case SectionKind::Build: gain = 0.55 + 0.35 * c.progress; break;
    case SectionKind::Main: gain = 0.9; break;
    case SectionKind::Breakdown: gain = 0.6; eighthsOnly = true; break;
    case SectionKind::Rise: gain = 0.6 + 0.4 * c.progress; break;
    case SectionKind::Outro:
        if (c.progress >= 0.5)
            return;
        gain = 0.8 - 0.4 * c.progress;
        break;
    }
    if (c.inSection == 0)
        arpIndex = 0;
    const bool lastRiseBar = c.kind == SectionKind::Rise && c.inSection == c.sectionBars - 1;
    const std::vector<int> tones = arpeggioTones(c.chord, piece.tonic, ARP_LOW);
    const std::vector<int> stab = arpeggioTones(c.chord, piece.tonic, STAB_LOW);
    const int chordSize = static_cast<int>(stab.size()) / 2;
    const ArpStyle& style = piece.arp;
    const int orderLength = static_cast<int>(std::strlen(style.order));
    const int barsInRhythm = std::max(1, static_cast<int>(std::strlen(style.rhythm)) / STEPS_PER_BAR);
    const char* row = style.rhythm + (c.inSection % barsInRhythm) * STEPS_PER_BAR;
    for (int step = 0; step < (lastRiseBar ? 12 : STEPS_PER_BAR); ++step) {
        if (row[step] == '.' || (eighthsOnly && step % 2 == 1))
            continue;
        const int accent = step % 4 == 0 ? 84 : step % 2 == 0 ? 72 : 64;
        const int velocity = humanize(static_cast<int>(accent * gain));
        const uint32_t length = style.gateSteps * STEP - 15;
        if (row[step] == 'c') {
            for (int k = 0; k < chordSize; ++k)
                arp.addNote(at(c.bar, step), length, stab[k], velocity - 6);
        } else {
            const int index = style.order[arpIndex % orderLength] - '0';
            arp.addNote(at(c.bar, step), length, tones[index % tones.size()], velocity);
            ++arpIndex;
        }
    }
}

// ---------------------------------------------------------------- melody

int snapToChord(int degree, const Scale& scale, const Chord& chord, bool upwardFirst, bool rootOnly)
{
    for (int distance = 0; distance < 7; ++distance) {
        for (int side : {upwardFirst ? 1 : -1, upwardFirst ? -1 : 1}) {
            const int candidate = degree + side * distance;
            const int tone = scale[modulo(candidate, 7)];
            if (rootOnly ? modulo(tone - chord.root, 12) == 0 : isChordTone(chord, tone))
                return candidate;
        }
    }
    return degree;
}

int keepInRange(int degree)
{
    while (degree > MELODY_HIGHEST)
        degree -= 7;
    while (degree < MELODY_LOWEST)
        degree += 7;
    return degree;
}

// A phrase of up to four two-bar units: the motif, the motif with another
// tail, the motif shifted along the scale, and a cadence that recalls the
// motif's first bar. An "answer" phrase shifts and ends differently and
// closes on the chord's root. Notes that fall on strong beats or last long
// are pulled onto chord tones of the bar they sound in.
std::vector<LeadNote> Composer::phrase(int startBar, int inSection, int answer, int units, bool ornamented)
{
    std::vector<LeadNote> notes;
    for (int unit = 0; unit < units; ++unit) {
        const int unitBar = startBar + unit * 2;
        const int unitInSection = inSection + unit * 2;
        std::vector<MotifNote> figure = motif.notes;
        int shift = 0;
        int tail = 0;
        if (unit == 1)
            tail = answer ? motif.tailB : motif.tailA;
        if (unit == 2)
            shift = answer ? motif.answerShift : motif.sequenceShift;
        const bool cadence = unit == 3;
        if (cadence) {
            std::erase_if(figure, [](const MotifNote& n) { return n.rhythm.step >= STEPS_PER_BAR; });
            for (const RhythmNote& r : parseRhythm(answer ? motif.cadenceB : motif.cadenceA, STEPS_PER_BAR))
                figure.push_back({r, 0});
        }

        int degree = motif.start + shift;
        const size_t firstCadenceNote = std::count_if(figure.begin(), figure.end(),
                                                      [](const MotifNote& n) { return n.rhythm.step < STEPS_PER_BAR; });
        int previousSounding = degree;
        int cadenceTarget = 0;
        int cadenceDirection = 0;
        for (size_t i = 0; i < figure.size(); ++i) {
            const MotifNote& note = figure[i];
            const bool secondBar = note.rhythm.step >= STEPS_PER_BAR;
            const Chord chord = chordAt(unitInSection + (secondBar ? 1 : 0));
            const Scale tones = chordScale(scale, chord);
            const bool last = i + 1 == figure.size();
            bool strong = note.rhythm.step % 4 == 0 || note.rhythm.length >= 3 || last;
            int sounding;
            if (cadence && i >= firstCadenceNote) {
                // Walk by step onto the target: down onto the root to close,
                // up onto another chord tone to leave the question open.
                const int remaining = static_cast<int>(figure.size() - 1 - i);
                if (i == firstCadenceNote) {
                    cadenceTarget = keepInRange(snapToChord(degree, tones, chord, !answer, answer != 0));
                    if (!answer && modulo(tones[modulo(cadenceTarget, 7)] - chord.root, 12) == 0)
                        cadenceTarget = snapToChord(cadenceTarget + 1, tones, chord, true, false);
                    cadenceDirection = answer ? 1 : -1;
                }
                sounding = cadenceTarget + cadenceDirection * remaining;
                // A passing note held long enough to be heard as harmony
                // must belong to the chord.
                if (!last && note.rhythm.length >= 3 && !isChordTone(chord, tones[modulo(sounding, 7)]))
                    sounding = snapToChord(sounding, tones, chord, cadenceDirection < 0, false);
            } else {
                degree += note.move;
                sounding = degree + (last ? tail : 0);
                if (strong)
                    sounding = snapToChord(sounding, tones, chord, note.move >= 0, false);
                // Pulling notes onto chord tones must not flatten the line:
                // where the figure moves, the melody moves the same way.
                const int wanted = note.move + (last ? tail : 0);
                if (i > 0 && wanted != 0 && (sounding - previousSounding) * wanted <= 0) {
                    const int direction = wanted > 0 ? 1 : -1;
                    sounding = previousSounding + direction;
                    while (strong && !isChordTone(chord, tones[modulo(sounding, 7)]))
                        sounding += direction;
                }
            }
            sounding = keepInRange(sounding);
            degree = cadence && i >= firstCadenceNote ? sounding : degree;
            previousSounding = sounding;

            const int startStep = note.rhythm.step;
            int length = note.rhythm.length;
            if (ornamented && length >= 6 && !last) {
                // Break a long note with a neighbour tone: same line, more life.
                const int neighbour = keepInRange(sounding + 1);
                notes.push_back({at(unitBar, startStep + length - 2), at(unitBar, startStep + length) - 20, neighbour,
                                 false, tones, degreePitch(tones, leadBase, neighbour)});
                length -= 2;
            }
            notes.push_back({at(unitBar, startStep), at(unitBar, startStep + length) - 20, sounding, strong, tones,
                             degreePitch(tones, leadBase, sounding)});
        }
    }
    std::sort(notes.begin(), notes.end(), [](const LeadNote& a, const LeadNote& b) { return a.start < b.start; });
    return notes;
}

void Composer::playMelody(midi::Track& track, const std::vector<LeadNote>& notes, double gain, int degreeShift)
{
    for (const LeadNote& note : notes) {
        const int pitch = degreeShift == 0 ? note.pitch : degreePitch(note.scale, leadBase, note.degree + degreeShift);
        const int velocity = humanize(static_cast<int>((note.strong ? 100 : 90) * gain));
        track.addNote(note.start, note.end - note.start, pitch, velocity);
    }
}

void Composer::melodies(SectionKind kind, int variant, int startBar, int bars)
{
    const int units = bars / 2;
    switch (kind) {
    case SectionKind::Main:
        // Antecedent and answer, again and again; the second main section
        // ornaments the line and adds a harmony a third below.
        for (int unit = 0; unit < units; unit += 4) {
            const int answer = (unit / 4) % 2;
            const std::vector<LeadNote> notes =
                phrase(startBar + unit * 2, unit * 2, answer, std::min(4, units - unit), variant > 0);
            playMelody(lead, notes, 0.95);
            if (variant > 0)
                playMelody(counter, notes, 0.7, -2);
        }
        break;
    case SectionKind::Breakdown: {
        // The theme, slowed to its strong notes, on the counter instrument.
        for (int unit = 0; unit < units; unit += 4) {
            std::vector<LeadNote> notes = phrase(startBar + unit * 2, unit * 2, (unit / 4) % 2, std::min(4, units - unit), false);
            std::erase_if(notes, [](const LeadNote& n) { return !n.strong; });
            for (size_t i = 0; i + 1 < notes.size(); ++i)
                notes[i].end = std::max(notes[i].end, notes[i + 1].start - 30);
            playMelody(counter, notes, 0.8);
        }
        break;
    }
    case SectionKind::Build:
        // A first hint of the theme, quietly, before the main section.
        if (bars >= 8)
            playMelody(counter, phrase(startBar + bars - 4, bars - 4, 0, 2, false), 0.6);
        break;
    case SectionKind::Outro:
        if (bars >= 8)
            playMelody(lead, phrase(startBar, 0, 1, 2, false), 0.75);
        break;
    case SectionKind::Intro:
    case SectionKind::Rise:
        break;
    }
}

// ---------------------------------------------------------------- the whole piece

// Two bars on the tonic chord, fading, with a last kick and cymbal.
void Composer::ending(int bar)
{
    const Chord tonic{0, isMinorMode(piece.mode) ? Quality::MinorAdd9 : Quality::Add9};
    const uint32_t start = at(bar, 0);
    const uint32_t length = ENDING_BARS * BAR;
    padVoicing = voiceLead(padVoicing, tonic, piece.tonic, PAD_LOW, PAD_HIGH);
    for (int pitch : padVoicing)
        pad.addNote(start, length, pitch, 74);
    bass.addNote(start, length, pitchAtOrAbove(BASS_LOW, piece.tonic, 0), 96);
    lead.addNote(start, length, leadBase, 76);
    counter.addNote(start, length, degreePitch(scale, leadBase, 4), 62);
    drums.addNote(start, STEP, DRUM_KICK, 104);
    drums.addNote(start, STEP, DRUM_CRASH, 96);
    for (midi::Track* track : {&pad, &bass, &lead, &counter})
        expressionRamp(*track, start + BAR / 2, start + length - STEP, 110, 40);
}

ComposedPiece Composer::run()
{
    setUpChannels();
    const uint32_t microsPerQuarter = static_cast<uint32_t>(std::lround(60000000.0 / piece.bpm));
    conductor.name = std::string("Dralen: ") + piece.title;
    conductor.addMeta(0, 0x51, {static_cast<uint8_t>(microsPerQuarter >> 16), static_cast<uint8_t>(microsPerQuarter >> 8),
                                static_cast<uint8_t>(microsPerQuarter)});
    conductor.addMeta(0, 0x58, {4, 2, 24, 8});
    conductor.addMeta(0, 0x59, {static_cast<uint8_t>(keySignatureSharps(piece.tonic, piece.mode)),
                                static_cast<uint8_t>(piece.mode == Mode::Aeolian ? 1 : 0)});

    int bar = 0;
    int mains = 0;
    int breakdowns = 0;
    for (const Section& section : piece.arrangement) {
        const int variant = section.kind == SectionKind::Main ? mains++
                            : section.kind == SectionKind::Breakdown ? breakdowns++ : 0;
        conductor.addText(at(bar, 0), 0x06, sectionName(section.kind));
        if (section.kind == SectionKind::Intro)
            expressionRamp(pad, at(bar, 0), at(bar + std::min(section.bars, 4), 0), 70, 110);
        for (int i = 0; i < section.bars; ++i) {
            const bool lastOfSection = i + 1 == section.bars;
            const BarContext c{section.kind, variant, bar + i, i, section.bars, chordAt(i),
                               lastOfSection ? piece.progression.front() : chordAt(i + 1),
                               double(i) / section.bars};
            drumBar(c);
            bassBar(c);
            padBar(c);
            arpBar(c);
        }
        melodies(section.kind, variant, bar, section.bars);
        bar += section.bars;
    }
    conductor.addText(at(bar, 0), 0x06, "Ending");
    ending(bar);

    ComposedPiece out;
    out.tracks = {conductor, drums, bass, pad, arp, lead, counter};
    out.endTick = midi::lastNoteOff(out.tracks);
    out.microsPerQuarter = microsPerQuarter;
    out.bars = bar + ENDING_BARS;
    return out;
}

} // namespace

ComposedPiece compose(const Piece& piece)
{
    return Composer(piece).run();
}

uint32_t ticksToMillis(uint32_t ticks, uint32_t microsPerQuarter)
{
    const uint64_t micros = uint64_t(ticks) * microsPerQuarter / midi::TICKS_PER_QUARTER;
    return static_cast<uint32_t>((micros + 500) / 1000);
}
