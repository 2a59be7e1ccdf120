// Minimal Standard MIDI File support: enough to write our pieces and to read
// them back for checking. Everything is in ticks of TICKS_PER_QUARTER.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace midi {

constexpr uint32_t TICKS_PER_QUARTER = 480;

struct Note {
    uint32_t start;
    uint32_t end;
    int pitch;
    int velocity;
};

struct Controller {
    uint32_t tick;
    int number;
    int value;
};

struct Meta {
    uint32_t tick;
    int type;
    std::vector<uint8_t> data;
};

// One track of a format-1 file. A track with channel -1 carries only meta
// events (the conductor track with tempo, metre, key and section markers).
struct Track {
    std::string name;
    int channel = -1;
    int program = -1;
    std::vector<Note> notes;
    std::vector<Controller> controllers;
    std::vector<Meta> metas;

    void addNote(uint32_t start, uint32_t length, int pitch, int velocity);
    void addController(uint32_t tick, int number, int value);
    void addMeta(uint32_t tick, int type, const std::vector<uint8_t>& data);
    void addText(uint32_t tick, int type, const std::string& text);
};

// Later of all note ends; the piece is over when the last note is released.
uint32_t lastNoteOff(const std::vector<Track>& tracks);

// Writes a format-1 file. Overlapping notes of one pitch on one channel are
// trimmed so that every note-on pairs with its own note-off, and every track
// ends at endTick, which must not come before any of its events.
bool writeFile(const std::string& path, const std::vector<Track>& tracks, uint32_t endTick);

struct ParsedNote {
    int track;
    int channel;
    int pitch;
    int velocity;
    uint32_t on;
    uint32_t off;
};

struct ParsedFile {
    int format = 0;
    int division = 0;
    std::vector<std::string> trackNames;
    std::vector<uint32_t> trackEnds;          // tick of each end-of-track event
    std::map<uint32_t, uint32_t> tempos;      // tick -> microseconds per quarter
    std::map<int, int> programs;              // channel -> last program change
    std::vector<ParsedNote> notes;
    int unpairedNotes = 0;                    // note-ons never released, or stray note-offs
};

bool readFile(const std::string& path, ParsedFile& out, std::string& error);

// Honours every tempo change; 120 BPM until the first one, as the format says.
double ticksToMs(const ParsedFile& file, uint32_t tick);

} // namespace midi
