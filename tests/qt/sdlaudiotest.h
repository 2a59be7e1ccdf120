// Helpers for the tests of SDL2_mixer's audio port (qt/sdlaudio): a scratch
// game directory, a tiny MIDI writer and a meter on the mixer's final output.
#pragma once

#include "core/folders.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace audiotest {

// The music and cue files are opened relative to the data folder, so the
// tests install the one they want to play from, as an installed game would;
// the working directory stays elsewhere.
class DataFolder {
public:
    explicit DataFolder(const std::filesystem::path& dir) : previous(installedFolders.data)
    {
        installedFolders.data = dir;
    }
    ~DataFolder() { installedFolders.data = previous; }

private:
    std::filesystem::path previous;
};

// A name under the system's temporary directory that no other test run uses
// at the same time: runs from two checkouts must not record into one file.
inline std::filesystem::path ownTemporaryPath(const std::string& name)
{
    static const std::string run = std::to_string(std::random_device{}());
    return std::filesystem::temp_directory_path() / ("dralen_" + run + "_" + name);
}

// A fresh directory under the system's temporary one, removed afterwards.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const std::string& name)
        : path(ownTemporaryPath("audio_" + name))
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }

    const std::filesystem::path path;
};

// A format-0 file at 120 BPM (480 ticks a quarter, so 1.0417 ms a tick) that
// holds one organ chord for the given time: an organ does not decay, so the
// piece sounds at full strength until the note-off.
inline void writeChordMidi(const std::filesystem::path& file, uint32_t holdMs)
{
    auto variableLength = [](uint32_t value) {
        std::vector<uint8_t> bytes{static_cast<uint8_t>(value & 0x7F)};
        while (value >>= 7)
            bytes.insert(bytes.begin(), static_cast<uint8_t>((value & 0x7F) | 0x80));
        return bytes;
    };
    std::vector<uint8_t> track{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // tempo 500000 us a quarter
                               0x00, 0xC0, 16};                          // drawbar organ
    const uint8_t pitches[] = {60, 64, 67};
    for (uint8_t pitch : pitches)
        track.insert(track.end(), {0x00, 0x90, pitch, 110});
    const std::vector<uint8_t> hold = variableLength(holdMs * 480 / 500);
    bool first = true;
    for (uint8_t pitch : pitches) {
        if (first)
            track.insert(track.end(), hold.begin(), hold.end());
        else
            track.push_back(0x00);
        track.insert(track.end(), {0x80, pitch, 0});
        first = false;
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});

    std::ofstream out(file, std::ios::binary);
    const uint8_t header[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0};
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    const uint32_t size = static_cast<uint32_t>(track.size());
    const uint8_t chunk[] = {'M', 'T', 'r', 'k', static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                             static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)};
    out.write(reinterpret_cast<const char*>(chunk), sizeof chunk);
    out.write(reinterpret_cast<const char*>(track.data()), static_cast<std::streamsize>(track.size()));
}

// Counts the frames of the final mix, and those that are audible.
class OutputMeter {
public:
    OutputMeter() { Mix_SetPostMix(measure, this); }
    ~OutputMeter() { Mix_SetPostMix(nullptr, nullptr); }

    // Lets the mixer run for a while and returns how many audible frames it
    // produced, or -1 when it produced none at all.
    long audibleFramesDuring(std::chrono::milliseconds time)
    {
        frames = 0;
        audible = 0;
        std::this_thread::sleep_for(time);
        return frames == 0 ? -1 : audible.load();
    }

private:
    // Audio thread (SDL_mixer's post-mix hook), once per buffer. The device is
    // 16-bit stereo.
    static void measure(void* self, Uint8* stream, int bytes)
    {
        auto* meter = static_cast<OutputMeter*>(self);
        const auto* samples = reinterpret_cast<const int16_t*>(stream);
        const int count = bytes / 4;
        long loud = 0;
        for (int i = 0; i < count; ++i)
            if (std::abs(samples[2 * i]) > 100 || std::abs(samples[2 * i + 1]) > 100)
                ++loud;
        meter->frames += count;
        meter->audible += loud;
    }

    std::atomic<long> frames{0};
    std::atomic<long> audible{0};
};

// Waits up to the limit for the flag to be raised.
inline bool waitForFlag(const std::atomic<bool>& flag, std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!flag && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return flag;
}

// Waits up to the limit for the condition to hold.
template <typename Condition>
bool waitUntil(Condition holds, std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!holds() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return holds();
}

}  // namespace audiotest
