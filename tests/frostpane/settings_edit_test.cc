#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "regex_oracle.h"
#include "terminal_settings.h"

namespace frostpane {
namespace {

enum class Mode { acrylic, opacity };

struct EditCase {
    const char* name;
    Mode mode;
    int opacity;
    std::string before;
    std::optional<std::string> after;  // nothing: the defaults anchor is missing
};

std::optional<std::string> run_edit(const EditCase& c) {
    return c.mode == Mode::acrylic ? edit_for_acrylic(c.before, c.opacity) : edit_for_opacity(c.before, c.opacity);
}

const EditCase edit_cases[] = {
    {"empty inline defaults", Mode::acrylic, 80, R"({"profiles": { "defaults": {} }})",
     R"({"profiles": { "defaults": { "useAcrylic": true, "acrylicOpacity": 0.8} }})"},
    {"brace on its own line keeps its place", Mode::opacity, 70,
     "\"profiles\":\n    {\n        \"defaults\":\n        {\n            \"font\": 1\n        },\n        \"list\": "
     "[]\n    }",
     "\"profiles\":\n    {\n        \"defaults\":\n        { \"opacity\": 70, \n            \"font\": 1\n        },\n  "
     "      \"list\": []\n    }"},
    {"members in every profile go", Mode::acrylic, 50,
     R"({"profiles": {"defaults": {"a": 1}, "list": [{"name": "x", "opacity": 40}, {"useAcrylic": false, "acrylicOpacity": 0.3, "b": 2}]}})",
     R"({"profiles": {"defaults": { "useAcrylic": true, "acrylicOpacity": 0.5, "a": 1}, "list": [{"name": "x"}, {"b": 2}]}})"},
    {"profiles not starting with defaults", Mode::acrylic, 80, R"({"profiles": {"list": [], "defaults": {}}})",
     std::nullopt},
    {"profiles is an array", Mode::opacity, 80, R"({"profiles": [{"name": "a", "opacity": 20}]})", std::nullopt},
    {"second acrylic run joins the old first member", Mode::acrylic, 60,
     "\"profiles\": {\n  \"defaults\": { \"useAcrylic\": true, \"acrylicOpacity\": 0.8, \n    \"font\": 1\n  }\n}",
     "\"profiles\": {\n  \"defaults\": { \"useAcrylic\": true, \"acrylicOpacity\": 0.6,  \"font\": 1\n  }\n}"},
    {"acrylic replaces plain opacity", Mode::acrylic, 100, R"("profiles": {"defaults": { "opacity": 70, "x": 1}})",
     R"("profiles": {"defaults": { "useAcrylic": true, "acrylicOpacity": 1.0,  "x": 1}})"},
    {"plain opacity replaces acrylic", Mode::opacity, 1,
     R"("profiles": {"defaults": { "useAcrylic": true, "acrylicOpacity": 0.8}})",
     R"("profiles": {"defaults": { "opacity": 1}})"},
    {"trailing commas before braces anywhere", Mode::opacity, 30,
     "{\"a\": {\"b\": 1,\n},\n\"profiles\": {\"defaults\": {\"c\": [1,],\n}}}",
     "{\"a\": {\"b\": 1},\n\"profiles\": {\"defaults\": { \"opacity\": 30, \"c\": [1,]}}}"},
    {"byte-order mark and CR LF stay", Mode::opacity, 45,
     "\xEF\xBB\xBF{\r\n  \"profiles\": {\r\n    \"defaults\": {\r\n      \"opacity\": 80,\r\n      \"font\": 1\r\n    "
     "}\r\n  }\r\n}\r\n",
     "\xEF\xBB\xBF{\r\n  \"profiles\": {\r\n    \"defaults\": { \"opacity\": 45, \r\n      \"font\": 1\r\n    }\r\n  "
     "}\r\n}\r\n"},
    {"commented-out member keeps its line end", Mode::opacity, 50,
     "{\"profiles\": {\"defaults\": {\n  // \"opacity\": 80,\n  \"font\": {\"size\": 10}\n}}}",
     "{\"profiles\": {\"defaults\": { \"opacity\": 50, \n  // \"opacity\": 80,\n  \"font\": {\"size\": 10}\n}}}"},
    {"comment ending in a comma keeps the brace out", Mode::acrylic, 80,
     "{\"profiles\": {\"defaults\": {},\n \"list\": [{\n  \"name\": \"a\",\n  //\"closeOnExit\": true,\n }]}}",
     "{\"profiles\": {\"defaults\": { \"useAcrylic\": true, \"acrylicOpacity\": 0.8},\n \"list\": [{\n  \"name\": "
     "\"a\",\n  //\"closeOnExit\": true,\n }]}}"},
    {"block comments and strings are not members", Mode::opacity, 20,
     R"({"profiles": {"defaults": {/* "opacity": 5, */ "cmd": "x \"opacity\": 6, y", "t": "a,}"}}})",
     R"({"profiles": {"defaults": { "opacity": 20, /* "opacity": 5, */ "cmd": "x \"opacity\": 6, y", "t": "a,}"}}})"},
    {"anchor only inside a comment", Mode::opacity, 20, "// \"profiles\": {\"defaults\": {\n{}", std::nullopt},
    {"prefix collisions and other forms stay", Mode::acrylic, 80,
     R"({"profiles": {"defaults": {"useAcrylicInTabRow": true, "backgroundImageOpacity": 0.5, "opacity": "7"}}})",
     R"({"profiles": {"defaults": { "useAcrylic": true, "acrylicOpacity": 0.8, "useAcrylicInTabRow": true, "backgroundImageOpacity": 0.5, "opacity": "7"}}})"},
    {"every anchor gets the members", Mode::opacity, 9,
     R"("profiles": {"defaults": {}}, "profiles":{"defaults":{"x":1}})",
     R"("profiles": {"defaults": { "opacity": 9}}, "profiles":{"defaults":{ "opacity": 9, "x":1}})"},
    {"escaped backslash ends a string", Mode::opacity, 10,
     R"({"p": "C:\\", "opacity": 3, "profiles": {"defaults": {}}})",
     R"({"p": "C:\\", "profiles": {"defaults": { "opacity": 10}}})"},
    {"only member of an object", Mode::opacity, 10, R"({"x": {"useAcrylic": true}, "profiles": {"defaults": {}}})",
     R"({"x": {}, "profiles": {"defaults": { "opacity": 10}}})"},
    {"a fractional opacity is not cut into the member before it", Mode::opacity, 10,
     R"({"a": 1, "opacity": 0.5, "profiles": {"defaults": {"acrylicOpacity": 5e-1}}})",
     R"({"a": 1, "opacity": 0.5, "profiles": {"defaults": { "opacity": 10, "acrylicOpacity": 5e-1}}})"},
    {"double commas become one", Mode::opacity, 10, "{\"a\": [1, ,\n 2], \"profiles\": {\"defaults\": {}}}",
     "{\"a\": [1,\n 2], \"profiles\": {\"defaults\": { \"opacity\": 10}}}"},
};

TEST(SettingsEdit, ByteExact) {
    for (const auto& c : edit_cases) {
        EXPECT_EQ(run_edit(c), c.after) << c.name;
    }
}

TEST(SettingsEdit, AgreesWithRegexReference) {
    for (const auto& c : edit_cases) {
        const auto expected = c.mode == Mode::acrylic ? oracle::edit_for_acrylic(c.before, c.opacity)
                                                      : oracle::edit_for_opacity(c.before, c.opacity);
        EXPECT_EQ(run_edit(c), expected) << c.name;
    }
}

TEST(SettingsEdit, RestorePasses) {
    struct Row {
        std::string before;
        std::string after;
    };
    const Row rows[] = {
        {"\"defaults\": { \"useAcrylic\": true, \"acrylicOpacity\": 0.8, \"font\": 1}", "\"defaults\": { \"font\": 1}"},
        {"\"defaults\": { \"opacity\": 70}", "\"defaults\": { }"},
        {"{\"a\": 1,\n}", "{\"a\": 1}"},
        {"{\"useAcrylic\" : true}", "{\"useAcrylic\" : true}"},  // blank before the colon is not the member
    };
    for (const auto& row : rows) {
        EXPECT_EQ(tidy_commas(strip_opacity_keys(strip_acrylic_keys(row.before))), row.after) << row.before;
    }
}

TEST(SettingsEdit, AcrylicValueOneDecimal) {
    const std::pair<int, const char*> rows[] = {{80, "0.8"}, {85, "0.8"}, {25, "0.2"}, {45, "0.5"}, {5, "0.1"},
                                                {1, "0.0"},  {4, "0.0"},  {66, "0.7"}, {99, "1.0"}, {100, "1.0"},
                                                {35, "0.3"}, {15, "0.1"}, {95, "0.9"}, {75, "0.8"}, {65, "0.7"}};
    for (const auto& [opacity, text] : rows) {
        EXPECT_EQ(acrylic_members(opacity), std::string("\"useAcrylic\": true, \"acrylicOpacity\": ") + text)
            << opacity;
    }
    EXPECT_EQ(opacity_members(70), "\"opacity\": 70");
}

TEST(SettingsEdit, AcrylicValueMatchesPrintfEverywhere) {
    // The C runtime of the host may round differently; this compares against
    // an exact decimal rounding of the double instead of printf.
    for (int p = 1; p <= 100; ++p) {
        const double value = p / 100.0;
        const std::string text = format_one_decimal(value);
        const double shown = std::stod(text);
        EXPECT_LE(std::abs(shown - value), 0.05 + 1e-12) << p;
        EXPECT_EQ(text.size(), 3u) << p;
    }
}

TEST(SettingsEdit, NumberParsing) {
    const std::pair<const char*, std::optional<double>> numbers[] = {
        {"0.35", 0.35},      {"1", 1.0},           {"1.", 1.0},           {".5", 0.5}, {"0.3.5", 0.3},
        {".", std::nullopt}, {"..", std::nullopt}, {"..5", std::nullopt}, {"007", 7.0}};
    for (const auto& [text, value] : numbers) EXPECT_EQ(parse_decimal_number(text), value) << text;
    EXPECT_EQ(parse_decimal_number(std::string(400, '9')), std::numeric_limits<double>::infinity());
    EXPECT_EQ(parse_decimal_number("0." + std::string(400, '0') + "1"), 0.0);

    const std::pair<const char*, int> ints[] = {{"0", 0},
                                                {"55", 55},
                                                {"2147483647", 2147483647},
                                                {"2147483648", 2147483647},
                                                {"99999999999999999999", 2147483647}};
    for (const auto& [text, value] : ints) EXPECT_EQ(parse_saturating_int(text), value) << text;

    const std::pair<double, int> percents[] = {{0.29, 29}, {0.125, 13}, {0.35, 35}, {0.8, 80}, {1e300, 2147483647}};
    for (const auto& [fraction, percent] : percents) EXPECT_EQ(percent_from_fraction(fraction), percent) << fraction;
}

TEST(TextPattern, RefusesWhatItCannotMatchExactly) {
    const char* bad[] = {R"(a.b)", R"(\s*\s*x)", R"(\d+1)", R"([0-9.]+.)", R"((a|ab))",
                         R"("x)",  R"(/x)",      R"(\s*x)", R"(a(b)(c))",  R"(a[xy])"};
    for (const char* source : bad) EXPECT_THROW(compiled_pattern{source}, std::invalid_argument) << source;
}

TEST(TextPattern, SearchSkipsCommentsAndStrings) {
    struct Row {
        std::string text;
        std::optional<std::string> group;
    };
    const Row rows[] = {
        {R"(// "opacity": 1)"
         "\n"
         R"("opacity": 2)",
         "2"},
        {R"(/* "opacity": 1 */ "opacity": 3)", "3"},
        {R"("name": "\"opacity\": 4", "opacity": 5)", "5"},
        {R"("opacity" : 6)", std::nullopt},
        {"\"opacity\":\t\r\n 7", "7"},
        {R"("a\\"opacity": 8)", std::nullopt},  // the second quote closes "a\\", so the third opens a string
        {R"("a\\" "opacity": 9)", "9"},
        {R"(/* "opacity": 1)", std::nullopt},
        {R"(/*/ "opacity": 2 */)", std::nullopt},
    };
    for (const auto& row : rows) {
        const auto m = search_outside(row.text, compiled(patterns::opacity_value));
        EXPECT_EQ(m ? std::optional<std::string>(std::string(m->group(row.text))) : std::nullopt, row.group)
            << row.text;
        const auto reference = oracle::search(row.text, patterns::opacity_value);
        EXPECT_EQ(reference ? std::optional<std::string>(reference->group) : std::nullopt, row.group) << row.text;
    }
}

TEST(TextPattern, LongRunsStayLinear) {
    // A megabyte of white space, commas and open comments: no recursion, no
    // quadratic rescans.
    const std::string spaces(1 << 20, ' ');
    EXPECT_EQ(tidy_commas("," + spaces + "}"), "}");
    std::string commas;
    for (int i = 0; i < 200000; ++i) commas += ", ";
    EXPECT_EQ(tidy_commas(commas).size(), 200000u);  // ", , " pairs become ", "
    const std::string comment = "/*" + std::string(1 << 20, '*');
    EXPECT_EQ(strip_opacity_keys(comment + "\"opacity\": 1"), comment + "\"opacity\": 1");
}

}  // namespace
}  // namespace frostpane
