// What every input the fuzzers make up must satisfy. The fuzz targets abort
// on a complaint; the unit tests run the same checks over the committed
// corpus, so every input that once broken something stays a regression case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

// The game directory a fuzz target's files are read from; one per fuzzer
// process, removed again when the process ends normally.
struct ScratchDirectory {
    explicit ScratchDirectory(const std::string& kind)
    {
        path = std::filesystem::temp_directory_path()
            / ("dralen-fuzz-" + kind + "-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(path);
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

// Feeds the bytes to readGameState as a saved game. A refused file must leave
// the game exactly as it was; an accepted one must be a sound record that
// saves and reads back the same, and that plays a few hundred ticks with keys
// and turns without breaking. Empty when all is well, else what went wrong.
std::string checkSavedGameInput(const uint8_t* data, size_t size);

// Writes the bytes as the configuration file into the directory, reads it with
// loadConfiguration and checks that every option is usable and survives a
// save and a second load. Empty when all is well, else what went wrong.
std::string checkConfigurationInput(const std::filesystem::path& directory, const uint8_t* data, size_t size);

// Reads the bytes as a Hall of Fame. What is read must write back as a file
// that the reader takes whole (nothing skipped, not damaged, within the size
// the reader accepts) and that reads back to the same file. Empty when all
// is well, else what went wrong.
std::string checkHallOfFameInput(const uint8_t* data, size_t size);

// Writes the bytes as the settings file into the directory and reads it with
// loadExtraSettings; what was read must survive a save and a second load.
// Empty when all is well, else what went wrong.
std::string checkSettingsInput(const std::filesystem::path& directory, const uint8_t* data, size_t size);

// Reads the bytes as a replay. A recording that reads must write back as
// text that reads and writes again unchanged, and must play from its start
// until it finishes, diverges or has played a few minutes' worth of ticks,
// whatever it asks of the game. Empty when all is well, else what went wrong.
std::string checkReplayInput(const uint8_t* data, size_t size);
