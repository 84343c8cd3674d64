#include "terminal_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "console_opacity.h"
#include "frostpane.h"
#include "platform_fake.h"

namespace frostpane {
namespace {

const std::wstring local = L"C:\\Users\\u\\AppData\\Local";
const std::wstring settings = local + L"\\Packages\\Microsoft.WindowsTerminal_8wekyb3d8bbwe\\LocalState\\settings.json";

struct Terminal : fake_platform {
    Terminal() {
        env[L"WT_SESSION"] = L"5a1c";
        env[L"LOCALAPPDATA"] = local;
    }
};

TEST(SettingsPath, LocalAppDataLimits) {
    Terminal os;
    os.env[L"LOCALAPPDATA"] = std::wstring(259, L'a');
    EXPECT_EQ(
        terminal_settings_path(os),
        std::wstring(259, L'a') + L"\\Packages\\Microsoft.WindowsTerminal_8wekyb3d8bbwe\\LocalState\\settings.json");
    EXPECT_EQ(os.err, "");

    for (const std::wstring& value : {std::wstring(260, L'a'), std::wstring()}) {
        Terminal missing;
        missing.env[L"LOCALAPPDATA"] = value;
        try {
            terminal_settings_path(missing);
            ADD_FAILURE() << "returned with LOCALAPPDATA of " << value.size() << " characters";
        } catch (const fake_exit& e) {
            EXPECT_EQ(e.status, 1);
        }
        EXPECT_EQ(missing.err, messages::no_localappdata);
    }
}

TEST(SetTerminal, MessagesAndFileEffects) {
    struct Row {
        const char* name;
        std::optional<std::string> file;  // nothing: no file
        bool read_only;
        bool acrylic;
        std::string err;
        std::optional<std::string> file_after;
    };
    const std::string good = R"({"profiles": {"defaults": {}}})";
    const Row rows[] = {
        {"missing file", std::nullopt, false, true, std::string(messages::cannot_read), std::nullopt},
        {"empty file", std::string(), false, false, std::string(messages::cannot_read), std::string()},
        {"no anchor", std::string(R"({"profiles": [], "opacity": 5,})"), false, true,
         std::string(messages::no_defaults), std::string(R"({"profiles": [], "opacity": 5,})")},
        {"read-only", good, true, false, std::string(messages::cannot_write), good},
        {"acrylic", good, false, true, "",
         std::string(R"({"profiles": {"defaults": { "useAcrylic": true, "acrylicOpacity": 0.7}}})")},
        {"opacity", good, false, false, "", std::string(R"({"profiles": {"defaults": { "opacity": 70}}})")},
    };
    for (const auto& row : rows) {
        Terminal os;
        if (row.file) os.files[settings] = *row.file;
        if (row.read_only) os.read_only_files.insert(settings);
        if (row.acrylic) {
            set_terminal_acrylic(os, 70);
        } else {
            set_terminal_opacity(os, 70);
        }
        EXPECT_EQ(os.err, row.err) << row.name;
        EXPECT_EQ(os.out, "") << row.name;
        if (row.file_after) {
            EXPECT_EQ(os.files[settings], *row.file_after) << row.name;
        } else {
            EXPECT_EQ(os.files.count(settings), 0u) << row.name;
        }
        const bool wrote = !os.calls_starting("replace_file").empty();
        EXPECT_EQ(wrote, row.err.empty() || row.read_only) << row.name;
    }
}

TEST(ReadTransparencyState, Cases) {
    struct Row {
        const char* name;
        std::optional<std::string> file;
        int opacity;
        bool acrylic;
    };
    const Row rows[] = {
        {"acrylic without value", R"({"useAcrylic": true})", 80, true},
        {"acrylic 0.35", R"({"useAcrylic": true, "acrylicOpacity": 0.35})", 35, true},
        {"0.29 rounds up", R"({"useAcrylic": true, "acrylicOpacity": 0.29})", 29, true},
        {"plain opacity", R"({"useAcrylic": false, "opacity": 55})", 55, false},
        {"neither", R"({"font": 1})", 80, false},
        {"missing file", std::nullopt, 80, false},
        {"empty file", std::string(), 80, false},
        {"a lone point counts as absent", R"({"useAcrylic": true, "acrylicOpacity": .})", 80, true},
        {"two points count as absent", R"({"useAcrylic": true, "acrylicOpacity": ..})", 80, true},
        {"huge opacity saturates", R"({"opacity": 99999999999})", 2147483647, false},
        {"huge acrylic value saturates", R"({"useAcrylic": true, "acrylicOpacity": 99999999999})", 2147483647, true},
        {"commented-out acrylic", "{// \"useAcrylic\": true,\n \"opacity\": 40}", 40, false},
        {"first match anywhere", R"({"list": [{"opacity": 10}], "defaults": {"opacity": 20}})", 10, false},
        {"a fractional opacity is not an opacity", R"({"opacity": 0.5, "x": {"opacity": 30}})", 30, false},
        {"an exponent is not an acrylic value", R"({"useAcrylic": true, "acrylicOpacity": 5e-1})", 80, true},
        {"value not checked against 1..100", R"({"opacity": 0})", 0, false},
    };
    for (const auto& row : rows) {
        Terminal os;
        if (row.file) os.files[settings] = *row.file;
        const auto state = read_transparency_state(os);
        EXPECT_EQ(state.opacity, row.opacity) << row.name;
        EXPECT_EQ(state.acrylic, row.acrylic) << row.name;
        EXPECT_EQ(os.err, "") << row.name;
    }
}

TEST(ReadTransparencyState, OutsideTerminalUsesConsoleAndNeverTheFile) {
    fake_platform os;
    os.env[L"LOCALAPPDATA"] = local;
    os.files[settings] = R"({"opacity": 10})";
    os.set_dword(console_key, window_alpha_value, 166);
    const auto state = read_transparency_state(os);
    EXPECT_EQ(state.opacity, 50);
    EXPECT_FALSE(state.acrylic);
    EXPECT_TRUE(os.calls_starting("read_file").empty());
}

}  // namespace
}  // namespace frostpane
