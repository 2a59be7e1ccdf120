// musicgen OUTDIR          writes the pieces and OUTDIR/lengths.txt
// musicgen --check DIR     reads them back and reports what a player would hear
#include "compose.h"
#include "midifile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace {

// The game chains the pieces; each must be long enough to settle into and
// short enough that the next one comes before it wears thin.
constexpr uint32_t SHORTEST_MS = 90000;
constexpr uint32_t LONGEST_MS = 180000;
constexpr int PERCUSSION_CHANNEL = 9;

int generate(const std::string& dir)
{
    std::ofstream lengths(dir + "/lengths.txt");
    for (const Piece& piece : pieces()) {
        const ComposedPiece composed = compose(piece);
        const std::string path = dir + "/" + piece.file;
        if (!midi::writeFile(path, composed.tracks, composed.endTick)) {
            std::fprintf(stderr, "musicgen: cannot write %s\n", path.c_str());
            return 1;
        }
        const uint32_t ms = ticksToMillis(composed.endTick, composed.microsPerQuarter);
        lengths << piece.file << ' ' << ms << '\n';
        std::printf("%s  %-15s %3d BPM  %-15s %3d bars  %u:%02u.%03u\n", piece.file, piece.title, piece.bpm,
                    keyName(piece.tonic, piece.mode).c_str(), composed.bars, ms / 60000, ms / 1000 % 60, ms % 1000);
    }
    if (!lengths) {
        std::fprintf(stderr, "musicgen: cannot write %s/lengths.txt\n", dir.c_str());
        return 1;
    }
    return 0;
}

std::map<std::string, uint32_t> readLengths(const std::string& path)
{
    std::map<std::string, uint32_t> lengths;
    std::ifstream in(path);
    std::string name;
    uint32_t ms = 0;
    while (in >> name >> ms)
        lengths[name] = ms;
    return lengths;
}

bool checkFile(const std::string& dir, const std::string& file, const std::map<std::string, uint32_t>& lengths)
{
    midi::ParsedFile parsed;
    std::string error;
    if (!midi::readFile(dir + "/" + file, parsed, error)) {
        std::printf("%s: FAIL %s\n", file.c_str(), error.c_str());
        return false;
    }
    uint32_t lastOff = 0;
    uint32_t firstOn = UINT32_MAX;
    std::map<int, int> notesPerChannel;
    std::map<int, std::pair<int, int>> pitchRange;
    for (const midi::ParsedNote& note : parsed.notes) {
        lastOff = std::max(lastOff, note.off);
        firstOn = std::min(firstOn, note.on);
        ++notesPerChannel[note.channel];
        auto [it, inserted] = pitchRange.try_emplace(note.channel, note.pitch, note.pitch);
        it->second.first = std::min(it->second.first, note.pitch);
        it->second.second = std::max(it->second.second, note.pitch);
    }
    const uint32_t lastEnd = parsed.trackEnds.empty() ? 0 : *std::max_element(parsed.trackEnds.begin(), parsed.trackEnds.end());
    const double lengthMs = midi::ticksToMs(parsed, lastOff);
    const auto listed = lengths.find(file);

    std::vector<std::string> problems;
    if (parsed.format != 0 && parsed.format != 1)
        problems.push_back("format " + std::to_string(parsed.format));
    if (parsed.notes.empty())
        problems.push_back("no notes");
    if (parsed.unpairedNotes > 0)
        problems.push_back(std::to_string(parsed.unpairedNotes) + " unpaired note events");
    if (!notesPerChannel.count(PERCUSSION_CHANNEL))
        problems.push_back("no drums on the percussion channel");
    if (notesPerChannel.size() < 4)
        problems.push_back("fewer than four parts");
    if (parsed.programs.count(PERCUSSION_CHANNEL))
        problems.push_back("program change on the percussion channel");
    if (lastEnd != lastOff)
        problems.push_back("end of track " + std::to_string(lastEnd) + " is not at the last note-off " + std::to_string(lastOff));
    if (firstOn > 0)
        problems.push_back("silence before the first note");
    if (lengthMs < SHORTEST_MS || lengthMs > LONGEST_MS)
        problems.push_back("length out of range");
    if (listed == lengths.end())
        problems.push_back("missing from lengths.txt");
    else if (std::abs(double(listed->second) - lengthMs) > 1.0)
        problems.push_back("lengths.txt says " + std::to_string(listed->second) + " ms");

    const uint32_t ms = static_cast<uint32_t>(lengthMs + 0.5);
    const double bpm = parsed.tempos.empty() ? 120.0 : 60000000.0 / parsed.tempos.begin()->second;
    std::printf("%s: format %d, %zu tracks, %.0f BPM, %zu notes, length %u:%02u.%03u (%u ms)  %s\n", file.c_str(),
                parsed.format, parsed.trackNames.size(), bpm, parsed.notes.size(), ms / 60000, ms / 1000 % 60,
                ms % 1000, ms, problems.empty() ? "OK" : "FAIL");
    for (const auto& [channel, count] : notesPerChannel) {
        const auto program = parsed.programs.find(channel);
        std::printf("    channel %2d  %-9s %5d notes  pitches %3d-%3d\n", channel + 1,
                    channel == PERCUSSION_CHANNEL ? "drums"
                    : program != parsed.programs.end() ? ("prog " + std::to_string(program->second)).c_str()
                                                        : "no prog",
                    count, pitchRange[channel].first, pitchRange[channel].second);
    }
    for (const std::string& problem : problems)
        std::printf("    problem: %s\n", problem.c_str());
    return problems.empty();
}

int check(const std::string& dir)
{
    const std::map<std::string, uint32_t> lengths = readLengths(dir + "/lengths.txt");
    bool ok = true;
    for (const Piece& piece : pieces())
        ok = checkFile(dir, piece.file, lengths) && ok;
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2)
        return generate(argv[1]);
    if (argc == 3 && std::string(argv[1]) == "--check")
        return check(argv[2]);
    std::fprintf(stderr, "usage: musicgen OUTDIR | musicgen --check DIR\n");
    return 2;
}
