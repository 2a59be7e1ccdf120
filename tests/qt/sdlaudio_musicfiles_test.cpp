// The ten pieces beside the program: well-formed Standard MIDI Files whose
// lengths match the list the player ends them by, and that FluidSynth loads.
#include "audio/music.h"
#include "qt/sdlaudio.h"
#include "sdlaudiotest.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

const std::filesystem::path DATA = DRALEN_DATA_DIR;

struct MidiSummary {
    int format = -1;
    int division = 0;
    uint32_t endTick = 0;                // the latest end-of-track
    std::map<uint32_t, uint32_t> tempos;  // tick -> microseconds a quarter
    std::map<int, int> notesPerChannel;   // note-ons with a velocity, 0-based channels

    double ticksToMs(uint32_t tick) const
    {
        double ms = 0;
        uint32_t at = 0;
        uint32_t tempo = 500000;
        for (const auto& [changeTick, changeTempo] : tempos) {
            if (changeTick >= tick)
                break;
            ms += double(changeTick - at) * tempo / division / 1000.0;
            at = changeTick;
            tempo = changeTempo;
        }
        return ms + double(tick - at) * tempo / division / 1000.0;
    }
};

// Reads the file strictly: every chunk and event must fit, each track must
// close with its end-of-track event exactly at the end of its chunk.
bool readMidi(const std::filesystem::path& path, MidiSummary& out, std::string& problem)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t pos = 0;
    auto need = [&](size_t count) { return pos + count <= bytes.size(); };
    auto be = [&](int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i)
            value = value << 8 | bytes[pos++];
        return value;
    };
    auto tag = [&](const char* name) {
        if (!need(4) || std::string(bytes.begin() + long(pos), bytes.begin() + long(pos) + 4) != name)
            return false;
        pos += 4;
        return true;
    };

    if (!tag("MThd") || !need(10) || be(4) != 6) {
        problem = "no MThd header of 6 bytes";
        return false;
    }
    out.format = int(be(2));
    const uint32_t tracks = be(2);
    out.division = int(be(2));
    if (out.format > 1 || tracks == 0 || out.division <= 0 || out.division >= 0x8000) {
        problem = "unexpected format, track count or division";
        return false;
    }
    for (uint32_t t = 0; t < tracks; ++t) {
        if (!tag("MTrk") || !need(4)) {
            problem = "track " + std::to_string(t) + " missing";
            return false;
        }
        const size_t end = pos + be(4);
        if (end > bytes.size()) {
            problem = "track " + std::to_string(t) + " runs past the file";
            return false;
        }
        uint32_t tick = 0;
        uint8_t status = 0;
        bool ended = false;
        auto varLength = [&](uint32_t& value) {
            value = 0;
            for (int i = 0; i < 4; ++i) {
                if (pos >= end)
                    return false;
                const uint8_t b = bytes[pos++];
                value = value << 7 | (b & 0x7F);
                if (!(b & 0x80))
                    return true;
            }
            return false;
        };
        while (pos < end && !ended) {
            uint32_t delta = 0;
            if (!varLength(delta) || pos >= end) {
                problem = "bad delta time";
                return false;
            }
            tick += delta;
            if (bytes[pos] & 0x80)
                status = bytes[pos++];
            else if (status == 0) {
                problem = "running status with no status";
                return false;
            }
            if (status == 0xFF) {
                if (pos >= end) {
                    problem = "truncated meta event";
                    return false;
                }
                const uint8_t type = bytes[pos++];
                uint32_t length = 0;
                if (!varLength(length) || pos + length > end) {
                    problem = "bad meta event";
                    return false;
                }
                if (type == 0x51 && length == 3)
                    out.tempos[tick] = uint32_t(bytes[pos]) << 16 | uint32_t(bytes[pos + 1]) << 8 | bytes[pos + 2];
                if (type == 0x2F) {
                    ended = true;
                    out.endTick = std::max(out.endTick, tick);
                }
                pos += length;
                status = 0;
            } else if (status == 0xF0 || status == 0xF7) {
                uint32_t length = 0;
                if (!varLength(length) || pos + length > end) {
                    problem = "bad system exclusive event";
                    return false;
                }
                pos += length;
                status = 0;
            } else {
                const int kind = status >> 4;
                const size_t dataBytes = (kind == 0xC || kind == 0xD) ? 1 : 2;
                if (pos + dataBytes > end || bytes[pos] & 0x80 || (dataBytes == 2 && bytes[pos + 1] & 0x80)) {
                    problem = "bad channel event";
                    return false;
                }
                if (kind == 0x9 && bytes[pos + 1] > 0)
                    ++out.notesPerChannel[status & 0x0F];
                pos += dataBytes;
            }
        }
        if (!ended || pos != end) {
            problem = "track " + std::to_string(t) + " does not end with its end-of-track event";
            return false;
        }
    }
    if (pos != bytes.size()) {
        problem = "bytes after the last track";
        return false;
    }
    return true;
}

std::map<std::string, uint32_t> listedLengths()
{
    std::map<std::string, uint32_t> lengths;
    std::ifstream in(DATA / "music/lengths.txt");
    std::string name;
    uint32_t ms = 0;
    while (in >> name >> ms)
        lengths[name] = ms;
    return lengths;
}

TEST(MusicFiles, AreWellFormedPiecesOfOneAndAHalfToThreeMinutesAsListed)
{
    const std::map<std::string, uint32_t> lengths = listedLengths();
    EXPECT_EQ(lengths.size(), MUSIC_FILES.size());
    for (const char* file : MUSIC_FILES) {
        SCOPED_TRACE(file);
        MidiSummary midi;
        std::string problem;
        ASSERT_TRUE(readMidi(DATA / file, midi, problem)) << problem;
        const double ms = midi.ticksToMs(midi.endTick);
        EXPECT_GE(ms, 90000);
        EXPECT_LE(ms, 180000);
        const auto listed = lengths.find(std::filesystem::path(file).filename().string());
        ASSERT_NE(listed, lengths.end());
        // The player ends pieces by this list; a wrong entry cuts one short
        // or leaves a gap.
        EXPECT_NEAR(listed->second, ms, 2.0);
        // Drums on the percussion channel and at least three other parts.
        EXPECT_GT(midi.notesPerChannel[9], 0);
        EXPECT_GE(midi.notesPerChannel.size(), 4u);
    }
}

TEST(MusicFiles, ReaderRejectsABrokenFile)
{
    const audiotest::ScratchDirectory scratch("broken_midi");
    const std::filesystem::path& dir = scratch.path;
    audiotest::writeChordMidi(dir / "good.mid", 500);
    MidiSummary midi;
    std::string problem;
    ASSERT_TRUE(readMidi(dir / "good.mid", midi, problem)) << problem;
    EXPECT_NEAR(midi.ticksToMs(midi.endTick), 500, 2);

    std::ifstream in(dir / "good.mid", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(dir / "cut.mid", std::ios::binary) << bytes.substr(0, bytes.size() - 3);
    EXPECT_FALSE(readMidi(dir / "cut.mid", midi, problem));
}

TEST(MusicFiles, EveryPieceLoadsIntoFluidSynth)
{
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_TRUE(openAudio());
    {
        audiotest::DataFolder inDataDirectory{DATA};
        const AudioPort player = sdlAudioPort();
        for (const char* file : MUSIC_FILES)
            EXPECT_TRUE(player.openPiece(file)) << file << ": " << Mix_GetError();
        player.closePiece();
    }
    closeAudio();
}

}  // namespace
