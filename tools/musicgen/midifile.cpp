#include "midifile.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <tuple>

namespace midi {

void Track::addNote(uint32_t start, uint32_t length, int pitch, int velocity)
{
    if (length == 0 || pitch < 0 || pitch > 127)
        return;
    notes.push_back({start, start + length, pitch, std::clamp(velocity, 1, 127)});
}

void Track::addController(uint32_t tick, int number, int value)
{
    controllers.push_back({tick, number, std::clamp(value, 0, 127)});
}

void Track::addMeta(uint32_t tick, int type, const std::vector<uint8_t>& data)
{
    metas.push_back({tick, type, data});
}

void Track::addText(uint32_t tick, int type, const std::string& text)
{
    addMeta(tick, type, std::vector<uint8_t>(text.begin(), text.end()));
}

uint32_t lastNoteOff(const std::vector<Track>& tracks)
{
    uint32_t last = 0;
    for (const Track& track : tracks)
        for (const Note& note : track.notes)
            last = std::max(last, note.end);
    return last;
}

namespace {

struct Event {
    uint32_t tick;
    int rank;   // at one tick: metas, then releases, then controllers, then new notes
    std::vector<uint8_t> bytes;
};

void putVarLen(std::vector<uint8_t>& out, uint32_t value)
{
    uint8_t buffer[5];
    int count = 0;
    do {
        buffer[count++] = value & 0x7F;
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out.push_back(buffer[--count] | 0x80);
    out.push_back(buffer[0]);
}

void putBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        out.push_back((value >> shift) & 0xFF);
}

// A sequencer pairs a note-off with the oldest open note of its pitch, so two
// overlapping notes of one pitch would cut each other short in surprising
// ways. The earlier one is shortened to end where the later one starts.
std::vector<Note> withoutOverlaps(std::vector<Note> notes)
{
    std::sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) {
        return std::tie(a.pitch, a.start, b.velocity) < std::tie(b.pitch, b.start, a.velocity);
    });
    std::vector<Note> kept;
    for (const Note& note : notes) {
        if (!kept.empty() && kept.back().pitch == note.pitch) {
            Note& previous = kept.back();
            if (previous.start == note.start)
                continue;   // a duplicate: keep the louder one, sorted first
            previous.end = std::min(previous.end, note.start);
        }
        kept.push_back(note);
    }
    return kept;
}

std::vector<uint8_t> trackChunk(const Track& track, uint32_t endTick)
{
    std::vector<Meta> metas;
    if (!track.name.empty())
        metas.push_back({0, 0x03, std::vector<uint8_t>(track.name.begin(), track.name.end())});
    metas.insert(metas.end(), track.metas.begin(), track.metas.end());

    std::vector<Event> events;
    for (const Meta& meta : metas) {
        Event event{meta.tick, 0, {0xFF, static_cast<uint8_t>(meta.type)}};
        putVarLen(event.bytes, static_cast<uint32_t>(meta.data.size()));
        event.bytes.insert(event.bytes.end(), meta.data.begin(), meta.data.end());
        events.push_back(event);
    }
    if (track.channel >= 0) {
        const uint8_t channel = static_cast<uint8_t>(track.channel);
        if (track.program >= 0)
            events.push_back({0, 2, {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(track.program)}});
        for (const Controller& c : track.controllers)
            events.push_back({c.tick, 2, {static_cast<uint8_t>(0xB0 | channel), static_cast<uint8_t>(c.number),
                                          static_cast<uint8_t>(c.value)}});
        for (const Note& note : withoutOverlaps(track.notes)) {
            if (note.end <= note.start)
                continue;
            const auto pitch = static_cast<uint8_t>(note.pitch);
            events.push_back({note.start, 3, {static_cast<uint8_t>(0x90 | channel), pitch,
                                              static_cast<uint8_t>(note.velocity)}});
            events.push_back({note.end, 1, {static_cast<uint8_t>(0x80 | channel), pitch, 0x40}});
        }
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return std::tie(a.tick, a.rank) < std::tie(b.tick, b.rank);
    });

    std::vector<uint8_t> body;
    uint32_t now = 0;
    for (const Event& event : events) {
        putVarLen(body, event.tick - now);
        now = event.tick;
        body.insert(body.end(), event.bytes.begin(), event.bytes.end());
    }
    putVarLen(body, endTick - now);
    body.insert(body.end(), {0xFF, 0x2F, 0x00});

    std::vector<uint8_t> chunk{'M', 'T', 'r', 'k'};
    putBigEndian(chunk, static_cast<uint32_t>(body.size()), 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

uint32_t latestEvent(const Track& track)
{
    uint32_t latest = 0;
    for (const Note& note : track.notes)
        latest = std::max(latest, note.end);
    for (const Controller& c : track.controllers)
        latest = std::max(latest, c.tick);
    for (const Meta& meta : track.metas)
        latest = std::max(latest, meta.tick);
    return latest;
}

} // namespace

bool writeFile(const std::string& path, const std::vector<Track>& tracks, uint32_t endTick)
{
    std::vector<uint8_t> file{'M', 'T', 'h', 'd'};
    putBigEndian(file, 6, 4);
    putBigEndian(file, 1, 2);
    putBigEndian(file, static_cast<uint32_t>(tracks.size()), 2);
    putBigEndian(file, TICKS_PER_QUARTER, 2);
    for (const Track& track : tracks) {
        if (latestEvent(track) > endTick)
            return false;
        const std::vector<uint8_t> chunk = trackChunk(track, endTick);
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

namespace {

class Reader {
public:
    Reader(const std::vector<uint8_t>& bytes, size_t begin, size_t end) : data(bytes), pos(begin), limit(end) {}

    bool atEnd() const { return pos >= limit; }
    bool failed() const { return broken; }

    uint32_t byte()
    {
        if (pos >= limit) {
            broken = true;
            return 0;
        }
        return data[pos++];
    }

    uint32_t bigEndian(int bytes)
    {
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | byte();
        return value;
    }

    uint32_t varLen()
    {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const uint32_t b = byte();
            value = (value << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return value;
        }
        broken = true;
        return value;
    }

    std::vector<uint8_t> bytes(uint32_t count)
    {
        if (count > limit - pos) {
            broken = true;
            pos = limit;
            return {};
        }
        std::vector<uint8_t> out(data.begin() + static_cast<std::ptrdiff_t>(pos),
                                 data.begin() + static_cast<std::ptrdiff_t>(pos + count));
        pos += count;
        return out;
    }

    size_t position() const { return pos; }

private:
    const std::vector<uint8_t>& data;
    size_t pos;
    size_t limit;
    bool broken = false;
};

bool readTrack(const std::vector<uint8_t>& bytes, size_t begin, size_t end, int index, ParsedFile& out,
               std::string& error)
{
    Reader in(bytes, begin, end);
    std::map<std::pair<int, int>, std::vector<std::pair<uint32_t, int>>> open;   // (channel, pitch) -> ons
    uint32_t tick = 0;
    uint32_t status = 0;
    bool ended = false;
    std::string name;
    while (!in.atEnd() && !ended) {
        tick += in.varLen();
        uint32_t first = in.byte();
        if (first & 0x80) {
            status = first;
            if (status < 0xF0)
                first = in.byte();
        } else if (status == 0) {
            error = "running status without a status byte";
            return false;
        }
        if (status == 0xFF) {
            const uint32_t type = in.byte();
            const std::vector<uint8_t> data = in.bytes(in.varLen());
            if (type == 0x2F)
                ended = true;
            else if (type == 0x51 && data.size() == 3)
                out.tempos[tick] = (uint32_t(data[0]) << 16) | (uint32_t(data[1]) << 8) | data[2];
            else if (type == 0x03)
                name.assign(data.begin(), data.end());
            status = 0;
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            in.bytes(in.varLen());
            status = 0;
            continue;
        }
        const int channel = status & 0x0F;
        const uint32_t kind = status & 0xF0;
        const bool twoData = kind != 0xC0 && kind != 0xD0;
        const uint32_t second = twoData ? in.byte() : 0;
        if (kind == 0xC0)
            out.programs[channel] = static_cast<int>(first);
        const bool noteOn = kind == 0x90 && second > 0;
        const bool noteOff = kind == 0x80 || (kind == 0x90 && second == 0);
        const std::pair<int, int> key{channel, static_cast<int>(first)};
        if (noteOn) {
            open[key].push_back({tick, static_cast<int>(second)});
        } else if (noteOff) {
            auto& ons = open[key];
            if (ons.empty()) {
                ++out.unpairedNotes;
            } else {
                out.notes.push_back({index, channel, key.second, ons.front().second, ons.front().first, tick});
                ons.erase(ons.begin());
            }
        }
    }
    if (in.failed() || !ended) {
        error = "track " + std::to_string(index) + " is truncated or lacks an end-of-track event";
        return false;
    }
    for (const auto& entry : open)
        out.unpairedNotes += static_cast<int>(entry.second.size());
    out.trackNames.push_back(name);
    out.trackEnds.push_back(tick);
    return true;
}

} // namespace

bool readFile(const std::string& path, ParsedFile& out, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Reader header(bytes, 0, bytes.size());
    if (header.bytes(4) != std::vector<uint8_t>{'M', 'T', 'h', 'd'} || header.bigEndian(4) != 6) {
        error = "not a Standard MIDI File";
        return false;
    }
    out = ParsedFile{};
    out.format = static_cast<int>(header.bigEndian(2));
    const uint32_t trackCount = header.bigEndian(2);
    out.division = static_cast<int>(header.bigEndian(2));
    if (header.failed() || (out.division & 0x8000) || out.division == 0) {
        error = "unsupported header";
        return false;
    }
    size_t pos = header.position();
    for (uint32_t i = 0; i < trackCount; ++i) {
        Reader chunk(bytes, pos, bytes.size());
        const std::vector<uint8_t> id = chunk.bytes(4);
        const uint32_t length = chunk.bigEndian(4);
        if (chunk.failed() || id != std::vector<uint8_t>{'M', 'T', 'r', 'k'} || length > bytes.size() - pos - 8) {
            error = "track chunk " + std::to_string(i) + " is damaged";
            return false;
        }
        if (!readTrack(bytes, pos + 8, pos + 8 + length, static_cast<int>(i), out, error))
            return false;
        pos += 8 + length;
    }
    return true;
}

double ticksToMs(const ParsedFile& file, uint32_t tick)
{
    double ms = 0.0;
    uint32_t at = 0;
    uint32_t tempo = 500000;
    for (const auto& [changeTick, microsPerQuarter] : file.tempos) {
        if (changeTick >= tick)
            break;
        ms += double(changeTick - at) * tempo / file.division / 1000.0;
        at = changeTick;
        tempo = microsPerQuarter;
    }
    return ms + double(tick - at) * tempo / file.division / 1000.0;
}

} // namespace midi
