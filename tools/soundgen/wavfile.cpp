#include "wavfile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>

namespace {

void putLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back((value >> (8 * i)) & 0xFF);
}

void putTag(std::vector<uint8_t>& out, const char* tag)
{
    out.insert(out.end(), tag, tag + 4);
}

uint32_t littleEndian(const std::vector<uint8_t>& bytes, size_t at, int count)
{
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[at + i];
    return value;
}

} // namespace

bool writeWav(const std::string& path, const std::vector<double>& mono, int sampleRate)
{
    const uint32_t dataBytes = static_cast<uint32_t>(mono.size() * 2);
    std::vector<uint8_t> file;
    putTag(file, "RIFF");
    putLittleEndian(file, 36 + dataBytes, 4);
    putTag(file, "WAVE");
    putTag(file, "fmt ");
    putLittleEndian(file, 16, 4);
    putLittleEndian(file, 1, 2);                  // PCM
    putLittleEndian(file, 1, 2);                  // mono
    putLittleEndian(file, static_cast<uint32_t>(sampleRate), 4);
    putLittleEndian(file, static_cast<uint32_t>(sampleRate * 2), 4);
    putLittleEndian(file, 2, 2);                  // bytes per frame
    putLittleEndian(file, 16, 2);
    putTag(file, "data");
    putLittleEndian(file, dataBytes, 4);
    for (double sample : mono) {
        const long value = std::lround(std::clamp(sample, -1.0, 1.0) * 32767.0);
        putLittleEndian(file, static_cast<uint32_t>(static_cast<int16_t>(value)) & 0xFFFF, 2);
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

bool readWav(const std::string& path, WavData& out, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || !std::equal(bytes.begin(), bytes.begin() + 4, "RIFF") ||
        !std::equal(bytes.begin() + 8, bytes.begin() + 12, "WAVE")) {
        error = "not a RIFF WAVE file";
        return false;
    }
    out = WavData{};
    bool haveFormat = false;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const uint32_t size = littleEndian(bytes, at + 4, 4);
        const size_t body = at + 8;
        if (size > bytes.size() - body) {
            error = "chunk runs past the end of the file";
            return false;
        }
        if (std::equal(bytes.begin() + at, bytes.begin() + at + 4, "fmt ") && size >= 16) {
            if (littleEndian(bytes, body, 2) != 1) {
                error = "not PCM";
                return false;
            }
            out.channels = static_cast<int>(littleEndian(bytes, body + 2, 2));
            out.sampleRate = static_cast<int>(littleEndian(bytes, body + 4, 4));
            out.bitsPerSample = static_cast<int>(littleEndian(bytes, body + 14, 2));
            haveFormat = true;
        } else if (std::equal(bytes.begin() + at, bytes.begin() + at + 4, "data")) {
            if (!haveFormat || out.bitsPerSample != 16) {
                error = "data before format, or not 16-bit";
                return false;
            }
            for (size_t i = body; i + 1 < body + size; i += 2)
                out.samples.push_back(static_cast<int16_t>(littleEndian(bytes, i, 2)) / 32767.0);
            return true;
        }
        at = body + size + (size & 1);
    }
    error = "no data chunk";
    return false;
}
