#include "console_opacity.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform_fake.h"

namespace frostpane {
namespace {

const std::wstring cmd_key = L"Console\\C:_Windows_System32_cmd.exe";

struct MappingRow {
    int percent;
    int live;
    std::uint32_t stored;
};

TEST(AlphaMapping, TableRows) {
    const MappingRow rows[] = {
        {1, 30, 78},     {12, 30, 97}, {13, 33, 99}, {50, 127, 166},  {80, 204, 219},
        {100, 255, 255}, {0, 30, 76},  {-5, 30, 76}, {250, 255, 255}, {5, 30, 85},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(live_alpha(row.percent), row.live) << row.percent;
        EXPECT_EQ(stored_alpha(row.percent), row.stored) << row.percent;
    }
}

TEST(AlphaMapping, StoredRoundTripsForEveryPercent) {
    for (int p = 1; p <= 100; ++p) EXPECT_EQ(percent_from_stored_alpha(stored_alpha(p)), p) << p;
}

TEST(AlphaMapping, StoredToPercentClamps) {
    const std::pair<std::uint32_t, int> rows[] = {{0, 1}, {76, 1}, {255, 100}, {300, 100}, {0xFFFFFFFFu, 100}};
    for (const auto& [alpha, percent] : rows) EXPECT_EQ(percent_from_stored_alpha(alpha), percent) << alpha;
}

TEST(CmdKey, BuiltFromSystemRoot) {
    struct Row {
        std::wstring system_root;  // empty: not set
        std::optional<std::wstring> key;
    };
    const std::wstring long_root(259, L'x');
    const Row rows[] = {
        {L"C:\\Windows", L"Console\\C:_Windows_System32_cmd.exe"},
        {L"C:\\windows", L"Console\\C:_windows_System32_cmd.exe"},
        {L"D:\\WIN\\NT\\", L"Console\\D:_WIN_NT__System32_cmd.exe"},
        {L"\\\\server\\share", L"Console\\__server_share_System32_cmd.exe"},
        {L"", std::nullopt},
        {long_root, L"Console\\" + long_root + L"_System32_cmd.exe"},
        {std::wstring(260, L'x'), std::nullopt},
        {std::wstring(400, L'x'), std::nullopt},
    };
    for (const auto& row : rows) {
        fake_platform os;
        if (!row.system_root.empty()) os.env[L"SystemRoot"] = row.system_root;
        EXPECT_EQ(cmd_key_path(os), row.key) << narrow(row.system_root);
    }
}

TEST(ApplyWindowOpacity, WritesStyleOnlyWhenLayeredIsMissing) {
    struct Row {
        int percent;
        std::int32_t style;
        std::vector<std::string> calls;
    };
    const Row rows[] = {
        {50,
         0x100,
         {"get_console_window", "get_window_long -20", "set_window_long -20 0x80100", "set_layered 0 127 0x2"}},
        {5, 0x80100, {"get_console_window", "get_window_long -20", "set_layered 0 30 0x2"}},
        {13, 0x80000, {"get_console_window", "get_window_long -20", "set_layered 0 33 0x2"}},
        {100,
         0x100,
         {"get_console_window", "get_window_long -20", "set_window_long -20 0x80100", "set_layered 0 255 0x2"}},
        {0, 0x80000, {"get_console_window", "get_window_long -20", "set_layered 0 30 0x2"}},
        {250, 0x80000, {"get_console_window", "get_window_long -20", "set_layered 0 255 0x2"}},
    };
    for (const auto& row : rows) {
        fake_platform os;
        os.exstyle = row.style;
        apply_window_opacity(os, row.percent);
        EXPECT_EQ(os.calls, row.calls) << row.percent;
    }
}

TEST(ApplyWindowOpacity, NoWindowNoCalls) {
    fake_platform os;
    os.window = 0;
    apply_window_opacity(os, 50);
    EXPECT_EQ(os.calls, std::vector<std::string>{"get_console_window"});
}

TEST(WriteConsoleOpacity, RegistrySequences) {
    struct Row {
        const char* name;
        bool personalize;                      // the key exists
        std::optional<std::uint32_t> enabled;  // EnableTransparency before
        bool system_root;
        std::vector<std::string> calls;
    };
    const std::string personalize = "reg_open " + narrow(personalize_key) + " 0x3";
    const std::string p_name = narrow(personalize_key);
    const Row rows[] = {
        {"no personalize key, no SystemRoot",
         false,
         std::nullopt,
         false,
         {personalize + " -> 2", "reg_create Console 0x2 -> 0", "reg_set Console\\WindowAlpha = 166",
          "reg_close Console"}},
        {"transparency already on",
         true,
         1u,
         true,
         {personalize + " -> 0", "reg_query " + p_name + "\\EnableTransparency -> 0", "reg_close " + p_name,
          "reg_create Console 0x2 -> 0", "reg_set Console\\WindowAlpha = 166", "reg_close Console",
          "reg_create Console\\C:_Windows_System32_cmd.exe 0x2 -> 0",
          "reg_set Console\\C:_Windows_System32_cmd.exe\\WindowAlpha = 166",
          "reg_close Console\\C:_Windows_System32_cmd.exe"}},
        {"transparency off",
         true,
         0u,
         false,
         {personalize + " -> 0", "reg_query " + p_name + "\\EnableTransparency -> 0",
          "reg_set " + p_name + "\\EnableTransparency = 1", "reg_close " + p_name, "reg_create Console 0x2 -> 0",
          "reg_set Console\\WindowAlpha = 166", "reg_close Console"}},
        {"transparency value missing",
         true,
         std::nullopt,
         false,
         {personalize + " -> 0", "reg_query " + p_name + "\\EnableTransparency -> 2",
          "reg_set " + p_name + "\\EnableTransparency = 1", "reg_close " + p_name, "reg_create Console 0x2 -> 0",
          "reg_set Console\\WindowAlpha = 166", "reg_close Console"}},
    };
    for (const auto& row : rows) {
        fake_platform os;
        if (row.personalize) os.add_key(personalize_key);
        if (row.enabled) os.set_dword(personalize_key, enable_transparency_value, *row.enabled);
        if (row.system_root) os.env[L"SystemRoot"] = L"C:\\Windows";
        write_console_opacity(os, 50);
        EXPECT_EQ(os.calls, row.calls) << row.name;
        if (row.personalize) {
            EXPECT_EQ(os.dword(personalize_key, enable_transparency_value), 1u) << row.name;
        }
        EXPECT_EQ(os.has_key(personalize_key), row.personalize) << row.name;
    }
}

TEST(WriteConsoleOpacity, WrongTypeTransparencyIsRewritten) {
    fake_platform os;
    os.set_value(personalize_key, enable_transparency_value, {1, std::string("1\0\0\0\0\0", 6)});  // REG_SZ "1"
    write_console_opacity(os, 80);
    EXPECT_EQ(os.dword(personalize_key, enable_transparency_value), 1u);
}

TEST(WriteConsoleOpacity, FailuresAreSkippedSilently) {
    fake_platform os;
    os.env[L"SystemRoot"] = L"C:\\Windows";
    os.deny_write(console_key);
    write_console_opacity(os, 80);
    EXPECT_FALSE(os.has_value(console_key, window_alpha_value));
    EXPECT_EQ(os.dword(cmd_key, window_alpha_value), 219u);
    EXPECT_TRUE(os.err.empty());
    EXPECT_TRUE(os.out.empty());
}

TEST(ReadConsoleOpacity, CmdKeyFirstConsoleAsFallback) {
    struct Row {
        const char* name;
        std::optional<std::uint32_t> cmd;
        std::optional<std::uint32_t> console;
        bool system_root;
        int expected;
    };
    const Row rows[] = {
        {"nothing stored", std::nullopt, std::nullopt, true, 100},
        {"cmd key only", 166u, std::nullopt, true, 50},
        {"cmd key wins", 219u, 166u, true, 80},
        {"cmd key 255 falls back", 255u, 166u, true, 50},
        {"console only", std::nullopt, 97u, true, 12},
        {"no SystemRoot ignores cmd key", 219u, 166u, false, 50},
        {"alpha 0 reads as 1", 0u, std::nullopt, true, 1},
        {"alpha 300 reads as 100", 300u, std::nullopt, true, 100},
    };
    for (const auto& row : rows) {
        fake_platform os;
        if (row.system_root) os.env[L"SystemRoot"] = L"C:\\Windows";
        if (row.cmd) os.set_dword(cmd_key, window_alpha_value, *row.cmd);
        if (row.console) os.set_dword(console_key, window_alpha_value, *row.console);
        EXPECT_EQ(read_console_opacity(os), row.expected) << row.name;
        for (const auto& call : os.calls) EXPECT_EQ(call.find("reg_set"), std::string::npos) << row.name;
    }
}

TEST(ReadConsoleOpacity, RoundTripThroughRegistryForEveryPercent) {
    fake_platform os;
    os.env[L"SystemRoot"] = L"C:\\Windows";
    for (int p = 1; p <= 100; ++p) {
        write_console_opacity(os, p);
        EXPECT_EQ(read_console_opacity(os), p);
    }
}

}  // namespace
}  // namespace frostpane
