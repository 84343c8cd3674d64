#include "frostpane.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console_opacity.h"
#include "platform_fake.h"
#include "terminal_settings.h"

namespace frostpane {
namespace {

const std::wstring local = L"Z:\\t";
const std::wstring settings = local + L"\\Packages\\Microsoft.WindowsTerminal_8wekyb3d8bbwe\\LocalState\\settings.json";

int run(fake_platform& os, std::vector<const char*> args) {
    args.insert(args.begin(), "frostpane.exe");
    return run_frostpane(os, static_cast<int>(args.size()), args.data());
}

TEST(ParseLeadingInt, Rules) {
    const std::pair<const char*, std::optional<int>> rows[] = {
        {"50", 50},
        {"50%", 50},
        {"7x", 7},
        {"0x20", 0},
        {"  -5", -5},
        {"+2", 2},
        {"\t\n 9", 9},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"+ 5", std::nullopt},
        {" x1", std::nullopt},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"000000000000000000042", 42},
    };
    for (const auto& [text, value] : rows) EXPECT_EQ(parse_leading_int(text), value) << text;
}

TEST(ParseCommandLine, Words) {
    struct Row {
        std::vector<const char*> args;
        command_kind command;
        int opacity;
        bool blur;
    };
    const Row rows[] = {
        {{}, command_kind::status, 80, true},
        {{"check"}, command_kind::status, 80, true},
        {{"check", "x", "y"}, command_kind::status, 80, true},
        {{"restore"}, command_kind::restore, 80, true},
        {{"slider"}, command_kind::slider, 80, true},
        {{"set"}, command_kind::set, 80, true},
        {{"set", "50", "0"}, command_kind::set, 50, false},
        {{"set", "50", "1", "9"}, command_kind::set, 50, true},
        {{"set", "50", "2"}, command_kind::set, 50, true},
        {{"set", "50", "-1"}, command_kind::set, 50, true},
        {{"set", "50%"}, command_kind::set, 50, true},
        {{"set", "0x20"}, command_kind::set, 0, true},
        {{"set", "99999999999"}, command_kind::set, 2147483647, true},
        {{"set", "50", "99999999999"}, command_kind::set, 50, true},
        {{"SET"}, command_kind::usage, 80, true},
        {{"Set"}, command_kind::usage, 80, true},
        {{"set."}, command_kind::usage, 80, true},
        {{"sets"}, command_kind::usage, 80, true},
        {{"Check"}, command_kind::usage, 80, true},
        {{"chk"}, command_kind::usage, 80, true},
        {{""}, command_kind::usage, 80, true},
        {{"set", "abc"}, command_kind::usage, 80, true},
        {{"set", ""}, command_kind::usage, 80, true},
        {{"set", "50", "x"}, command_kind::usage, 80, true},
    };
    for (const auto& row : rows) {
        std::vector<const char*> argv = row.args;
        argv.insert(argv.begin(), "frostpane.exe");
        const auto line = parse_command_line(static_cast<int>(argv.size()), argv.data());
        std::string shown;
        for (auto* a : row.args) shown += std::string("'") + a + "' ";
        EXPECT_EQ(line.command, row.command) << shown;
        if (row.command == command_kind::set) {
            EXPECT_EQ(line.opacity, row.opacity) << shown;
            EXPECT_EQ(line.blur, row.blur) << shown;
        }
    }
}

TEST(Dispatcher, ExitCodesOutputAndEffects) {
    struct Row {
        std::vector<const char*> args;
        int exit;
        bool usage;
        std::optional<std::uint8_t> live_alpha;  // classic console result
    };
    const Row rows[] = {
        {{"set"}, 0, false, 204},
        {{"set", "50"}, 0, false, 127},
        {{"set", "0"}, 0, false, 30},
        {{"set", "-5"}, 0, false, 30},
        {{"set", "1"}, 0, false, 30},
        {{"set", "101"}, 0, false, 255},
        {{"set", "250"}, 0, false, 255},
        {{"set", "50", "0"}, 0, false, 127},
        {{"set", "50%"}, 0, false, 127},
        {{"set", "0x20"}, 0, false, 30},
        {{"set", "99999999999"}, 0, false, 255},
        {{"set", "-99999999999"}, 0, false, 30},
        {{"set", "50", "1", "9"}, 0, false, 127},
        {{"SET"}, 1, true, std::nullopt},
        {{"set."}, 1, true, std::nullopt},
        {{"set", "abc"}, 1, true, std::nullopt},
        {{"set", ""}, 1, true, std::nullopt},
        {{"set", "50", "x"}, 1, true, std::nullopt},
        {{"check", "x", "y"}, 0, false, std::nullopt},
        {{}, 0, false, std::nullopt},
        {{"restore"}, 0, false, 255},
        {{"slider"}, 0, false, std::nullopt},
    };
    for (const auto& row : rows) {
        fake_platform os;
        os.keys = {'\r'};  // ends the slider at once
        std::string shown;
        for (auto* a : row.args) shown += std::string("'") + a + "' ";
        EXPECT_EQ(run(os, row.args), row.exit) << shown;
        EXPECT_EQ(os.err, row.usage ? std::string(usage_text) : std::string()) << shown;
        if (row.usage) {
            EXPECT_EQ(os.out, "") << shown;
        }
        EXPECT_EQ(os.layered_alpha, row.live_alpha) << shown;
        if (row.usage) {
            EXPECT_FALSE(os.has_key(console_key)) << shown;
        }
    }
}

TEST(Dispatcher, SetInsideTerminalChoosesBlur) {
    struct Row {
        std::vector<const char*> args;
        std::string file_after;
    };
    const Row rows[] = {
        {{"set"}, R"({"profiles": {"defaults": { "useAcrylic": true, "acrylicOpacity": 0.8}}})"},
        {{"set", "50", "0"}, R"({"profiles": {"defaults": { "opacity": 50}}})"},
        {{"set", "50", "-1"}, R"({"profiles": {"defaults": { "useAcrylic": true, "acrylicOpacity": 0.5}}})"},
        {{"set", "250", "0"}, R"({"profiles": {"defaults": { "opacity": 100}}})"},
    };
    for (const auto& row : rows) {
        fake_platform os;
        os.env[L"WT_SESSION"] = L"1";
        os.env[L"LOCALAPPDATA"] = local;
        os.files[settings] = R"({"profiles": {"defaults": {}}})";
        EXPECT_EQ(run(os, row.args), 0);
        EXPECT_EQ(os.files[settings], row.file_after);
        // inside the terminal the classic console is left alone
        EXPECT_FALSE(os.layered_alpha.has_value());
        EXPECT_FALSE(os.has_key(console_key));
    }
}

TEST(Dispatcher, CodePageSwitchedAndRestored) {
    fake_platform os;
    os.code_page = 936;
    run(os, {"set", "50"});
    const std::vector<std::string> expected = {"get_output_cp", "set_output_cp 65001", "add_ctrl_handler",
                                               "set_output_cp 936"};
    EXPECT_EQ(os.calls_starting("get_output_cp").size() + os.calls_starting("set_output_cp").size() +
                  os.calls_starting("add_ctrl_handler").size(),
              4u);
    std::vector<std::string> seen;
    for (const auto& c : os.calls) {
        if (c.rfind("get_output_cp", 0) == 0 || c.rfind("set_output_cp", 0) == 0 || c.rfind("add_ctrl", 0) == 0) {
            seen.push_back(c);
        }
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(os.code_page, 936u);
    // usage path restores too
    fake_platform bad;
    bad.code_page = 850;
    EXPECT_EQ(run(bad, {"nope"}), 1);
    EXPECT_EQ(bad.code_page, 850u);
}

TEST(Dispatcher, NoConsoleMeansNothingToRestore) {
    fake_platform os;
    os.code_page = 0;
    run(os, {"set", "50"});
    EXPECT_EQ(os.calls_starting("set_output_cp"), std::vector<std::string>{"set_output_cp 65001"});
}

TEST(Dispatcher, ControlHandlerRestoresForListedEvents) {
    for (std::uint32_t event = 0; event < 8; ++event) {
        fake_platform os;
        os.code_page = 437;
        run(os, {"check"});
        ASSERT_NE(os.ctrl_handler, nullptr);
        os.code_page = 65001;  // as during the run
        EXPECT_FALSE(os.ctrl_handler(event));
        const bool restores = event == 0 || event == 1 || event == 2 || event == 5 || event == 6;
        EXPECT_EQ(os.code_page, restores ? 437u : 65001u) << event;
    }
}

TEST(Dispatcher, MissingLocalAppDataExitsWithOneAndRestoresCodePage) {
    fake_platform os;
    os.code_page = 437;
    os.env[L"WT_SESSION"] = L"1";
    try {
        run(os, {"set", "50"});
        ADD_FAILURE() << "returned";
    } catch (const fake_exit& e) {
        EXPECT_EQ(e.status, 1);
    }
    EXPECT_EQ(os.err, messages::no_localappdata);
    EXPECT_EQ(os.code_page, 437u);
}

}  // namespace
}  // namespace frostpane
