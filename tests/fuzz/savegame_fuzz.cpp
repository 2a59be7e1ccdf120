// libFuzzer target: made-up saved games and level files through readGameState.
#include "fuzz/fuzzchecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string complaint = checkSavedGameInput(data, size);
    if (!complaint.empty()) {
        std::fprintf(stderr, "saved game input: %s\n", complaint.c_str());
        std::abort();
    }
    return 0;
}
