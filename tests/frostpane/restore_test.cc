// Restore: the settings text cleaned (pure), both hosts through the fake, and every real
// settings file of the shared corpus.
#include "restore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "../lib/test_paths.h"
#include "fake_host.h"
#include "text_pattern.h"

namespace frostpane {
namespace {

using fakehost::cmd_key;
using fakehost::run_command;
using fakehost::settings_path;

// A console where set 50 was used before: restore inside Windows Terminal must leave it so.
void stored_50(fake_platform& os) {
    fakehost::classic_console(os);
    os.set_dword(L"Console", L"WindowAlpha", 166);
    os.set_dword(cmd_key, L"WindowAlpha", 166);
}

TEST(Restore, InsideTerminalCleansTheFileAndLeavesTheConsoleAlone) {
    struct Case {
        const char* what;
        std::optional<std::string> before;
        std::optional<std::string> after;
        std::string err = "";
        std::size_t writes = 1;
        bool read_only = false;
    };
    const std::string read_error = "错误：无法读取 settings.json，请确认已安装 Windows Terminal。\n";
    const std::vector<Case> cases = {
        {"acrylic members followed by another member",
         R"("profiles": { "defaults": { "useAcrylic": true, "acrylicOpacity": 0.8, "font": {"face": "x"} } })",
         R"("profiles": { "defaults": { "font": {"face": "x"} } })"},
        {"an opacity alone", R"("defaults": { "opacity": 70})", R"("defaults": { })"},
        {"members in every profile",
         "{\"profiles\": {\"defaults\": {\"opacity\": 70},\n\"list\": [\n"
         "  {\"name\": \"a\", \"useAcrylic\": false, \"acrylicOpacity\": 0.5},\n"
         "  {\"opacity\": 40, \"name\": \"b\"},\n"
         "  {\"name\": \"c\",\n   \"opacity\": 3\n  }\n]}}",
         "{\"profiles\": {\"defaults\": {},\n\"list\": [\n"
         "  {\"name\": \"a\"},\n"
         "  {\"name\": \"b\"},\n"
         "  {\"name\": \"c\"\n  }\n]}}"},
        {"profiles not starting with defaults is still cleaned",
         R"({"profiles": {"list": [{"opacity": 20}], "defaults": {"useAcrylic": true}}})",
         R"({"profiles": {"list": [{}], "defaults": {}}})"},
        {"no members: only the commas are tidied", "{\"a\": 1,\n  },\n[1, ,2,],\n{\"b\": 2 , \t,\r\n \"c\": 3}",
         "{\"a\": 1},\n[1,2,],\n{\"b\": 2 ,\r\n \"c\": 3}"},
        {"a commented-out member stays, and so does the line end after its comment",
         "{\n  // \"opacity\": 80,\n  \"font\": 1, \"opacity\": 20\n}", "{\n  // \"opacity\": 80,\n  \"font\": 1\n}"},
        {"a comment ending in a comma before a closing brace keeps the brace out of it",
         "{\n  \"profiles\": [\n    {\n      \"name\": \"cmd\",\n      //\"closeOnExit\": true,\n    }\n  ]\n}",
         "{\n  \"profiles\": [\n    {\n      \"name\": \"cmd\",\n      //\"closeOnExit\": true,\n    }\n  ]\n}"},
        {"commas inside strings are not tidied", R"({"commandline": "a, ,b ,}", "opacity": 9})",
         R"({"commandline": "a, ,b ,}"})"},
        {"written even when nothing was found, no anchor needed", "[1, 2, ]", "[1, 2, ]"},
        {"missing file: nothing is created", std::nullopt, std::nullopt, read_error, 0},
        {"empty file", "", "", read_error, 0},
        {"unwritable file keeps its bytes", R"({"opacity": 50})", R"({"opacity": 50})",
         "错误：无法写入 settings.json。\n", 1, true},
    };
    for (const auto& c : cases) {
        fake_platform os;
        stored_50(os);
        fakehost::terminal_session(os, c.before);
        if (c.read_only) os.read_only_files.insert(settings_path);
        os.calls.clear();
        EXPECT_EQ(run_command(os, {"restore"}), 0) << c.what;
        EXPECT_EQ(os.files.count(settings_path) ? std::optional(os.files[settings_path]) : std::nullopt, c.after)
            << c.what;
        EXPECT_EQ(os.calls_starting("replace_file").size(), c.writes) << c.what;
        EXPECT_EQ(os.out, "") << c.what;
        EXPECT_EQ(os.err, c.err) << c.what;
        // The classic console is left alone.
        EXPECT_TRUE(os.calls_starting("reg_").empty()) << c.what;
        EXPECT_TRUE(os.calls_starting("get_console_window").empty()) << c.what;
        EXPECT_EQ(os.dword(L"Console", L"WindowAlpha"), 166u) << c.what;
    }
}

TEST(Restore, ClassicConsoleMakesTheWindowOpaqueAndStores255) {
    struct Case {
        platform::window_handle window;
        std::int32_t exstyle;
        std::vector<std::string> window_calls;
    };
    const std::vector<Case> cases = {
        {0x1234, 0x100, {"get_window_long -20", "set_window_long -20 0x80100", "set_layered 0 255 0x2"}},
        {0x1234, 0x80100, {"get_window_long -20", "set_layered 0 255 0x2"}},  // already layered
        {0, 0x100, {}},                                                       // no console window: only the registry
    };
    for (const auto& c : cases) {
        fake_platform os;
        stored_50(os);
        os.window = c.window;
        os.exstyle = c.exstyle;
        os.files[settings_path] = R"({"opacity": 50})";
        EXPECT_EQ(run_command(os, {"restore"}), 0) << c.exstyle;
        std::vector<std::string> window_calls;
        for (const auto& call : os.calls) {
            if (call.rfind("get_window_long", 0) == 0 || call.rfind("set_window_long", 0) == 0 ||
                call.rfind("set_layered", 0) == 0) {
                window_calls.push_back(call);
            }
        }
        EXPECT_EQ(window_calls, c.window_calls) << c.exstyle;
        EXPECT_EQ(os.dword(L"Console", L"WindowAlpha"), 255u) << c.exstyle;
        EXPECT_EQ(os.dword(cmd_key, L"WindowAlpha"), 255u) << c.exstyle;
        EXPECT_TRUE(os.calls_starting("read_file").empty()) << "the settings file is not read";
        EXPECT_EQ(os.files[settings_path], R"({"opacity": 50})");
        EXPECT_EQ(os.out + os.err, "") << c.exstyle;
    }
}

// --- Real settings files written by people outside the project.

// The text without white space, commas and the members restore removes, wherever they stand:
// what must be equal before and after.
std::string skeleton(const std::string& text) {
    static const std::regex member(R"("useAcrylic":(true|false)|"acrylicOpacity":[0-9.]+|"opacity":\d+)");
    std::string squeezed;
    for (const char c : text) {
        if (std::string_view(" \t\n\r\v\f,").find(c) == std::string_view::npos) squeezed += c;
    }
    return std::regex_replace(squeezed, member, "");
}

TEST(RestoreCorpus, KeepsEveryByteOutsideTheRemovedMembersAndTidiedCommas) {
    const std::string dir = vmtest::shared_path("corpus/wt-settings");
    std::error_code ec;
    if (dir.empty() || !std::filesystem::is_directory(dir, ec)) GTEST_SKIP() << "corpus/wt-settings is absent";
    std::size_t checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        std::string before;
        ASSERT_TRUE(vmtest::read_file(entry.path().string(), before)) << name;
        const std::string after = restore_settings_text(before);
        EXPECT_TRUE(skeleton(after) == skeleton(before)) << name;
        // Only deletions: the result is the original with some bytes left out.
        std::size_t at = 0;
        for (const char c : after) {
            at = before.find(c, at);
            ASSERT_NE(at, std::string::npos) << name;
            ++at;
        }
        for (const char* source :
             {R"("useAcrylic":\s*(true|false))", R"("acrylicOpacity":\s*[0-9.]+)", R"("opacity":\s*\d+)"}) {
            EXPECT_FALSE(search_outside(after, compiled_pattern(source)).has_value()) << source << " left in " << name;
        }
        ++checked;
    }
    EXPECT_GT(checked, 0u);
}

}  // namespace
}  // namespace frostpane
