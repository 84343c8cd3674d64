// Random settings-like texts, built from the tokens the patterns care about,
// through the differential check. The libFuzzer target explores further; this
// keeps a fixed slice of that search in every build, the Windows one included.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "differential.h"

namespace frostpane {
namespace {

std::string random_text(std::mt19937& rng) {
    static const char* const tokens[] = {"\"useAcrylic\":",
                                         "\"acrylicOpacity\":",
                                         "\"opacity\":",
                                         "\"profiles\":",
                                         "\"defaults\":",
                                         "true",
                                         "false",
                                         "0.8",
                                         "..",
                                         "70",
                                         "1.2.3",
                                         " ",
                                         "  ",
                                         "\n",
                                         "\r\n",
                                         "\t",
                                         ",",
                                         "{",
                                         "}",
                                         "[",
                                         "]",
                                         "\"",
                                         "\\",
                                         "\\\"",
                                         "//",
                                         "/*",
                                         "*/",
                                         "/",
                                         "*",
                                         ":",
                                         "\"x\"",
                                         "a",
                                         "\xEF\xBB\xBF",
                                         "\"useAcrylic\" :",
                                         "e5"};
    std::uniform_int_distribution<std::size_t> count(0, 40);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(tokens) - 1);
    std::string text;
    for (std::size_t n = count(rng); n > 0; --n) text += tokens[pick(rng)];
    return text;
}

TEST(Differential, RandomTextsAgreeWithRegex) {
    std::mt19937 rng(20241206);
    for (int i = 0; i < 1500; ++i) {
        const std::string text = random_text(rng);
        const std::string problem = oracle::differential_check(text, 1 + i % 100);
        ASSERT_EQ(problem, "");
    }
}

}  // namespace
}  // namespace frostpane
