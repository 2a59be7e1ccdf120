// libFuzzer target: made-up Hall of Fame files through its reader and writer.
#include "fuzz/fuzzchecks.h"

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string complaint = checkHallOfFameInput(data, size);
    if (!complaint.empty()) {
        std::fprintf(stderr, "Hall of Fame input: %s\n", complaint.c_str());
        std::abort();
    }
    return 0;
}
