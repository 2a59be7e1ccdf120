// libFuzzer target: made-up settings files through loadExtraSettings.
#include "fuzz/fuzzchecks.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <system_error>

namespace {

// The game directory the settings are read from; one per fuzzer process,
// removed again when the process ends normally.
struct ScratchDirectory {
    ScratchDirectory()
    {
        path = std::filesystem::temp_directory_path()
            / ("dralen-fuzz-settings-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(path);
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchDirectory directory;
    const std::string complaint = checkSettingsInput(directory.path, data, size);
    if (!complaint.empty()) {
        std::fprintf(stderr, "settings input: %s\n", complaint.c_str());
        std::abort();
    }
    return 0;
}
