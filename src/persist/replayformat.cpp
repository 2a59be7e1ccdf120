#include "persist/replayformat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <system_error>

namespace {

constexpr std::string_view header = "Dralen replay ";
constexpr size_t lineWidth = 100;
constexpr int64_t maxTicks = int64_t(1) << 40;
constexpr int64_t maxCellIndex = 1 << 16;
// The game's own reach: a fall speed gradual speed-up takes weeks to reach,
// and pixel positions far beyond the largest field (96 cells of 256 pixels).
// Beyond them, the game's arithmetic on positions would overflow.
constexpr double maxFallSpeed = 10000;
constexpr double maxPosition = 1 << 20;
// The shifting and fast-fall speeds, in the header as in a change.
constexpr int64_t maxOptionSpeed = 1000;

bool exactValuesFit(double fallSpeed, double shapeX, double shapeY)
{
    return fallSpeed >= 0 && fallSpeed <= maxFallSpeed && std::abs(shapeX) <= maxPosition
        && std::abs(shapeY) <= maxPosition;
}

std::string numberText(double value)
{
    std::array<char, 32> digits;
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    return std::string(digits.data(), result.ptr);
}

template <typename T>
bool readNumber(std::string_view text, T& value)
{
    if (text.empty())
        return false;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || stop != text.data() + text.size())
        return false;
    if constexpr (std::is_floating_point_v<T>)
        return std::isfinite(value);
    return true;
}

// Numbers separated by one character each, all of them read whole.
template <typename T, size_t N>
bool readList(std::string_view text, char separator, std::array<T, N>& values)
{
    for (size_t i = 0; i < N; ++i) {
        const size_t stop = i + 1 < N ? text.find(separator) : text.size();
        if (stop == std::string_view::npos || !readNumber(text.substr(0, stop), values[i]))
            return false;
        text.remove_prefix(i + 1 < N ? stop + 1 : stop);
    }
    return true;
}

class Lines {
public:
    explicit Lines(std::string_view text) : text(text) {}
    bool next(std::string_view& line)
    {
        if (at >= text.size())
            return false;
        size_t stop = text.find('\n', at);
        if (stop == std::string_view::npos)
            return false;  // cut short: every line of ours ends
        line = text.substr(at, stop - at);
        at = stop + 1;
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return true;
    }
    // The line after the given word and one space; false for another line.
    bool field(std::string_view word, std::string_view& rest)
    {
        std::string_view line;
        if (!next(line) || line.size() <= word.size() || line.substr(0, word.size()) != word
            || line[word.size()] != ' ')
            return false;
        rest = line.substr(word.size() + 1);
        return true;
    }

private:
    std::string_view text;
    size_t at = 0;
};

bool checkToken(const ReplayToken& t)
{
    const int64_t* n = t.number;
    switch (t.kind) {
    case 's': return n[0] >= 1 && n[0] <= maxTicks;
    case 'k': return n[0] >= 0 && n[0] <= 7;
    case 't': return n[0] >= ROTATE_CCW && n[0] <= ROTATE_CW;
    case 'e': return n[0] >= 0 && n[0] < maxCellIndex && n[1] >= CELL_EMPTY && n[1] <= CELL_ACTIVE;
    case 'o': return n[0] >= 0 && n[0] <= maxOptionSpeed && n[1] >= 0 && n[1] <= maxOptionSpeed && n[2] >= 1
              && n[2] <= 256 && n[3] >= 0 && n[3] <= 15;
    case 'x': return n[0] >= 0 && n[0] <= 1000 && n[1] >= 0 && n[1] <= 3 && n[2] >= 0 && n[2] <= 255
              && exactValuesFit(t.exact[0], t.exact[1], t.exact[2]);
    case 'g': return n[0] >= 0 && n[0] <= int64_t(std::numeric_limits<uint32_t>::max());
    case 'r': {
        std::string_view draws = t.draws;
        uint32_t delay = 0;
        int64_t count = 0;
        if (draws.empty())
            return false;
        while (nextDrawRun(draws, delay, count))
            ;
        return draws.empty();
    }
    default: return false;
    }
}

void appendEnd(std::string& text, const ReplayEnd& end)
{
    char checksum[8];
    const std::string hex(checksum, std::to_chars(checksum, checksum + 8, end.fieldChecksum, 16).ptr);
    text += end.over ? "end " : "sofar ";
    text += std::to_string(end.ticks) + ' ' + std::to_string(end.score) + ' ';
    text += std::string(8 - hex.size(), '0') + hex + '\n';
}

bool readEnd(std::string_view line, ReplayEnd& end)
{
    if (line.rfind("end ", 0) == 0)
        end.over = true;
    else if (line.rfind("sofar ", 0) == 0)
        end.over = false;
    else
        return false;
    line.remove_prefix(line.find(' ') + 1);
    const size_t first = line.find(' ');
    const size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos)
        return false;
    const std::string_view checksum = line.substr(second + 1);
    const auto [stop, error] =
        std::from_chars(checksum.data(), checksum.data() + checksum.size(), end.fieldChecksum, 16);
    return readNumber(line.substr(0, first), end.ticks) && end.ticks >= 0 && end.ticks <= maxTicks
        && readNumber(line.substr(first + 1, second - first - 1), end.score) && checksum.size() == 8
        && error == std::errc{} && stop == checksum.data() + checksum.size();
}

}  // namespace

std::string formatReplay(const Replay& r)
{
    std::string text = std::string(header) + std::to_string(replayVersion) + '\n';
    text += "player " + r.player + '\n';
    text += "rules " + rulesText(r.rules) + '\n';
    const ReplayOptions& o = r.options;
    text += "options " + std::to_string(o.shiftSpeed) + ' ' + std::to_string(o.fastFallSpeed) + ' '
        + std::to_string(o.cellSize) + ' ' + std::to_string(int(o.randomEvents)) + ' '
        + std::to_string(int(o.allowWallKicks)) + ' ' + std::to_string(int(o.allowGroundKicks)) + ' '
        + std::to_string(int(o.fallSlowdownOnAction)) + '\n';
    const ReplayExact& e = r.exact;
    text += "exact " + numberText(e.fallSpeed) + ' ' + numberText(e.startingFallSpeed) + ' ' + numberText(e.shapeX)
        + ' ' + numberText(e.shapeY) + ' ' + std::to_string(e.slowdownTicks) + ' '
        + std::to_string(int(e.prevHigherHeld)) + ' ' + std::to_string(int(e.prevLowerHeld)) + ' '
        + std::to_string(e.usedTextEvents) + '\n';
    size_t lines = 0;
    for (char c : r.state)
        lines += c == '\n';
    text += "state " + std::to_string(lines) + '\n' + r.state;
    text += "ticks\n";
    // The stream in lines of about lineWidth, broken between tokens.
    size_t from = 0;
    while (from < r.stream.size()) {
        size_t stop = from + lineWidth < r.stream.size() ? r.stream.find(' ', from + lineWidth) : r.stream.size();
        if (stop == std::string::npos)
            stop = r.stream.size();
        text.append(r.stream, from, stop - from);
        text += '\n';
        from = stop + 1;
    }
    appendEnd(text, r.end);
    return text;
}

ReplayReadResult parseReplay(std::string_view text, Replay& replay)
{
    if (text.size() > maxReplaySize)
        return REPLAY_DAMAGED;
    Lines lines(text);
    std::string_view line;
    int32_t version = 0;
    if (!lines.next(line) || line.substr(0, header.size()) != header)
        return REPLAY_DAMAGED;
    if (!readNumber(line.substr(header.size()), version) || version < 1)
        return REPLAY_DAMAGED;
    if (version != replayVersion)
        return REPLAY_OTHER_VERSION;

    Replay r;
    std::string_view rest;
    if (!lines.field("player", rest))
        return REPLAY_DAMAGED;
    r.player = rest;
    if (!lines.field("rules", rest) || !parseRulesText(rest, r.rules))
        return REPLAY_DAMAGED;
    std::array<int32_t, 7> options{};
    if (!lines.field("options", rest) || !readList(rest, ' ', options))
        return REPLAY_DAMAGED;
    for (size_t i = 3; i < 7; ++i)
        if (options[i] != 0 && options[i] != 1)
            return REPLAY_DAMAGED;
    r.options = {options[0], options[1], options[2], options[3] != 0, options[4] != 0, options[5] != 0,
                 options[6] != 0};
    const ReplayOptions& o = r.options;
    if (o.cellSize < 1 || o.cellSize > 256 || o.shiftSpeed < 0 || o.shiftSpeed > maxOptionSpeed || o.fastFallSpeed < 0
        || o.fastFallSpeed > maxOptionSpeed)
        return REPLAY_DAMAGED;
    std::array<double, 8> exact{};
    if (!lines.field("exact", rest) || !readList(rest, ' ', exact))
        return REPLAY_DAMAGED;
    for (size_t i = 4; i < 8; ++i)
        if (exact[i] != std::floor(exact[i]) || exact[i] < 0 || exact[i] > (i == 4 ? 1000 : i == 7 ? 255 : 1))
            return REPLAY_DAMAGED;
    if (!exactValuesFit(exact[0], exact[2], exact[3]) || !exactValuesFit(exact[1], 0, 0))
        return REPLAY_DAMAGED;
    r.exact = {exact[0], exact[1], exact[2], exact[3], static_cast<int32_t>(exact[4]), exact[5] != 0, exact[6] != 0,
               static_cast<uint32_t>(exact[7])};

    int64_t stateLines = 0;
    if (!lines.field("state", rest) || !readNumber(rest, stateLines) || stateLines < 1)
        return REPLAY_DAMAGED;
    for (int64_t i = 0; i < stateLines; ++i) {
        if (!lines.next(line))
            return REPLAY_DAMAGED;
        r.state.append(line);
        r.state += '\n';
    }
    if (!lines.next(line) || line != "ticks")
        return REPLAY_DAMAGED;
    for (;;) {
        if (!lines.next(line))
            return REPLAY_DAMAGED;
        if (readEnd(line, r.end))
            break;
        if (!r.stream.empty())
            r.stream += ' ';
        r.stream.append(line);
    }
    while (lines.next(line))
        if (!line.empty())
            return REPLAY_DAMAGED;
    size_t at = 0;
    ReplayToken token;
    while (nextReplayToken(r.stream, at, token))
        ;
    if (at < r.stream.size())
        return REPLAY_DAMAGED;
    replay = std::move(r);
    return REPLAY_READ;
}

bool nextReplayToken(std::string_view stream, size_t& at, ReplayToken& token)
{
    while (at < stream.size() && stream[at] == ' ')
        ++at;
    if (at >= stream.size())
        return false;
    size_t stop = stream.find(' ', at);
    if (stop == std::string_view::npos)
        stop = stream.size();
    const std::string_view word = stream.substr(at, stop - at);
    const std::string_view args = word.substr(1);
    token = ReplayToken{};
    token.kind = word[0];
    bool read = true;
    switch (token.kind) {
    case 's':
        token.number[0] = 1;
        read = args.empty() || (readNumber(args, token.number[0]) && token.number[0] >= 2);
        break;
    case 'g':
    case 'k':
    case 't': read = readNumber(args, token.number[0]); break;
    case 'e': {
        std::array<int64_t, 2> values{};
        read = readList(args, ',', values);
        token.number[0] = values[0];
        token.number[1] = values[1];
        break;
    }
    case 'o': {
        std::array<int64_t, 4> values{};
        read = readList(args, ',', values);
        std::copy(values.begin(), values.end(), token.number);
        break;
    }
    case 'x': {
        std::array<double, 6> values{};
        read = readList(args, ',', values);
        std::copy(values.begin(), values.begin() + 3, token.exact);
        for (size_t i = 0; i < 3; ++i) {
            token.number[i] = static_cast<int64_t>(std::clamp(values[3 + i], -1.0, 1e6));
            read = read && token.number[i] == values[3 + i];
        }
        break;
    }
    case 'r': token.draws = args; break;
    default: read = false;
    }
    if (!read || !checkToken(token))
        return false;
    at = stop;
    return true;
}

bool nextDrawRun(std::string_view& draws, uint32_t& delay, int64_t& count)
{
    const size_t stop = draws.find(',');
    const std::string_view run = draws.substr(0, stop);
    const size_t times = run.find('*');
    count = 1;
    // A list that ends in a comma has a run missing.
    if (draws.empty() || stop + 1 == draws.size() || !readNumber(run.substr(0, times), delay)
        || (times != std::string_view::npos && !readNumber(run.substr(times + 1), count)) || count < 1
        || count > maxReplayDrawsATick)
        return false;
    draws.remove_prefix(stop == std::string_view::npos ? draws.size() : stop + 1);
    return true;
}

uint32_t fieldChecksum(int32_t width, int32_t height, const std::vector<int32_t>& cells)
{
    uint32_t hash = 2166136261u;
    auto mix = [&](int32_t value) {
        for (int shift = 0; shift < 32; shift += 8) {
            hash ^= (static_cast<uint32_t>(value) >> shift) & 0xFF;
            hash *= 16777619u;
        }
    };
    mix(width);
    mix(height);
    for (int32_t cell : cells)
        mix(cell);
    return hash;
}

ReplayReadResult readReplayFile(const std::filesystem::path& path, Replay& replay)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return REPLAY_NOT_OPENED;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open())
        return REPLAY_NOT_OPENED;
    std::string text(maxReplaySize + 1, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(file.gcount()));
    return parseReplay(text, replay);
}
