// libFuzzer target: the settings-text pattern engine against the std::regex
// reference, and the whole edits on the same input. Any difference, any crash
// or escaping exception stops the run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "differential.h"
#include "restore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reference engine is slow (and recurses per byte of a match): short
    // inputs keep the run at hundreds of executions a second.
    if (size > 2048) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int opacity = 1 + static_cast<int>(size % 100);
    frostpane::edit_for_acrylic(text, opacity);
    frostpane::edit_for_opacity(text, opacity);
    frostpane::restore_settings_text(text);
    const std::string problem = frostpane::oracle::differential_check(text);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
