// libFuzzer target: made-up settings files through loadExtraSettings.
#include "fuzz/fuzzchecks.h"

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchDirectory directory("settings");
    const std::string complaint = checkSettingsInput(directory.path, data, size);
    if (!complaint.empty()) {
        std::fprintf(stderr, "settings input: %s\n", complaint.c_str());
        std::abort();
    }
    return 0;
}
