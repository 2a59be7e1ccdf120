// libFuzzer target: made-up configuration files through loadConfiguration.
#include "fuzz/fuzzchecks.h"

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchDirectory directory("config");
    const std::string complaint = checkConfigurationInput(directory.path, data, size);
    if (!complaint.empty()) {
        std::fprintf(stderr, "configuration input: %s\n", complaint.c_str());
        std::abort();
    }
    return 0;
}
