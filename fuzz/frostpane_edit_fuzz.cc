// libFuzzer target: the settings edits against the std::regex reference.
// Any difference, any crash or escaping exception, or an edit that grows the
// text by more than the inserted members stops the run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "differential.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reference engine is slow (and recurses per byte of a match): short
    // inputs keep the run at hundreds of executions a second.
    if (size > 2048) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int opacity = 1 + static_cast<int>(size % 100);
    const std::string problem = frostpane::oracle::differential_check(text, opacity);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
