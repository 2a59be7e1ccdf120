// libFuzzer target: made-up replays through the reader and played back.
#include "fuzz/fuzzchecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string complaint = checkReplayInput(data, size);
    if (!complaint.empty()) {
        std::fprintf(stderr, "replay input: %s\n", complaint.c_str());
        std::abort();
    }
    return 0;
}
