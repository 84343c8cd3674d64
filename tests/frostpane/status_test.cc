// The status report through the fake, as the dispatcher runs it: the searches over settings
// texts, the number formats and both sections, byte for byte.
#include "status.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fake_host.h"

namespace frostpane {
namespace {

const std::string kRule = "==========================================\n";
const std::string kTerminalHead = kRule + "        Windows Terminal 全局默认设置\n" + kRule + "\n";
const std::string kConsoleHead = kRule + "        传统控制台窗口透明度\n" + kRule + "\n";
const std::string kTail = "\n" + kRule + "\n";
const std::string kUnknown = "系统透明效果：未知\n";
using fakehost::personalize;
using fakehost::run_command;
using fakehost::settings_path;

std::string acr(const std::string& state, const std::string& value) {
    return "  亚克力模糊：" + state + "\n  透明度数值：" + value + "\n";
}
std::string plain(const std::string& percent) { return "  纯透明模式：已启用\n  不透明度：" + percent + "%\n"; }
const std::string kNothing = acr("未设置（使用默认）", "未设置");

TEST(ShowStatus, InsideTerminalFirstMatchOutsideCommentsAndStrings) {
    struct Case {
        std::string settings;
        std::string body;
    };
    const std::vector<Case> cases = {
        {R"({"profiles": {"defaults": {"useAcrylic": true}}})", acr("已启用", "未设置")},
        {R"({"useAcrylic": true, "acrylicOpacity": 0.8})", acr("已启用", "0.8 (80%)")},
        {R"({"useAcrylic": true, "acrylicOpacity": 0.33})", acr("已启用", "0.3 (33%)")},
        {R"({"useAcrylic": true, "acrylicOpacity": 1})", acr("已启用", "1.0 (100%)")},
        {R"({"useAcrylic": true, "acrylicOpacity": 0.125})", acr("已启用", "0.1 (13%)")},  // half away from zero
        {R"({"useAcrylic": true, "acrylicOpacity": .25})", acr("已启用", "0.2 (25%)")},    // correctly rounded
        {R"({"useAcrylic": true, "acrylicOpacity": 2.55})", acr("已启用", "2.5 (255%)")},
        {R"({"useAcrylic": false, "acrylicOpacity": 0.5})", acr("已禁用", "0.5 (50%)（已设置但模糊已关闭）")},
        {R"({"useAcrylic": false})", acr("已禁用", "未设置")},
        {R"({"profiles": {"defaults": {"opacity": 70}}})", plain("70")},
        {R"({"opacity": 0})", plain("0")},
        {R"({"opacity": 2147483647})", plain("2147483647")},
        {R"({"useAcrylic": true, "acrylicOpacity": 0.3, "opacity": 90})", acr("已启用", "0.3 (30%)")},
        {"{}", kNothing},
        // A profile before the defaults carries false: the first match in the whole file counts.
        {R"({"profiles": {"list": [{"useAcrylic": false}], "defaults": {"useAcrylic": true, "acrylicOpacity": 0.8}}})",
         acr("已禁用", "0.8 (80%)（已设置但模糊已关闭）")},
        {R"({"useAcrylic" : true, "opacity": 55})", plain("55")},  // a blank before the colon: not the member
        {"{\"useAcrylic\":\r\n\ttrue,\"acrylicOpacity\":\t0.5}", acr("已启用", "0.5 (50%)")},
        {"{\n// \"useAcrylic\": true,\n\"useAcrylic\": false\n}", acr("已禁用", "未设置")},
        {"{/* \"useAcrylic\": true \"opacity\": 20 */ \"opacity\": 70}", plain("70")},
        {R"({"commandline": "x \"useAcrylic\": true \"opacity\": 5", "opacity": 44})", plain("44")},
        {R"({"useAcrylic": "true", "opacity": "70"})", kNothing},
        {R"({"opacity": 70.5, "x": 1})", kNothing},
        // Captures that are no number, or too large, count as absent.
        {R"({"useAcrylic": true, "acrylicOpacity": .})", acr("已启用", "未设置")},
        {R"({"useAcrylic": false, "acrylicOpacity": ..})", acr("已禁用", "未设置")},
        {R"({"useAcrylic": true, "acrylicOpacity": 0.8.5})", acr("已启用", "0.8 (80%)")},
        {R"({"useAcrylic": true, "acrylicOpacity": 1)" + std::string(400, '0') + "}", acr("已启用", "未设置")},
        {R"({"opacity": 2147483648})", kNothing},
        {"\xEF\xBB\xBF{\r\n  \"profiles\": {\r\n    \"defaults\": { \"useAcrylic\": true }\r\n  }\r\n}\r\n",
         acr("已启用", "未设置")},
    };
    for (const auto& c : cases) {
        fake_platform os;
        fakehost::terminal_session(os, c.settings);
        os.set_dword(personalize, L"EnableTransparency", 1);
        os.set_dword(L"Console", L"WindowAlpha", 166);
        EXPECT_EQ(run_command(os, {"check"}), 0) << c.settings;
        EXPECT_EQ(os.out, kTerminalHead + c.body + kTail + "系统透明效果：已启用\n\n") << c.settings;
        EXPECT_EQ(os.err, "") << c.settings;
        // Inside Windows Terminal only the file and Personalize are read, and nothing is written.
        EXPECT_TRUE(os.calls_starting("get_console_window").empty()) << c.settings;
        EXPECT_TRUE(os.calls_starting("reg_open Console").empty()) << c.settings;
        EXPECT_TRUE(os.calls_starting("replace_file").empty()) << c.settings;
        EXPECT_EQ(os.files[settings_path], c.settings);
    }
}

TEST(ShowStatus, ClassicConsole) {
    struct Case {
        const char* what;
        std::function<void(fake_platform&)> setup;
        std::string lines;
        std::string effects;
    };
    const auto live = [](std::uint8_t alpha) {
        return [alpha](fake_platform& f) {
            f.exstyle |= ws_ex_layered;
            f.layered_alpha = alpha;
        };
    };
    const std::string stored100 = "  当前注册表保存的不透明度：100%\n";
    const std::string opaque = "  当前窗口处于完全不透明状态\n";
    const std::string off = "系统透明效果：已禁用（可能会影响透明显示）\n";
    const std::vector<Case> cases = {
        {"nothing stored, never layered", [](fake_platform&) {}, stored100 + opaque, kUnknown},
        {"after set 50", [](fake_platform& f) { set_transparency(f, 50, true); },
         "  当前注册表保存的不透明度：50%\n  当前窗口实时不透明度：49%\n", kUnknown},
        {"alpha 204", live(204), stored100 + "  当前窗口实时不透明度：80%\n", kUnknown},
        {"alpha 30", live(30), stored100 + "  当前窗口实时不透明度：11%\n", kUnknown},
        {"alpha 2", live(2), stored100 + "  当前窗口实时不透明度：0%\n", kUnknown},
        {"no console window: no live line", [](fake_platform& f) { f.window = 0; }, stored100, kUnknown},
        {"layered but the alpha cannot be read, transparency off",
         [](fake_platform& f) {
             f.exstyle |= ws_ex_layered;
             f.set_dword(personalize, L"EnableTransparency", 0);
         },
         stored100 + "  当前窗口实时不透明度：无法获取\n", off},
        {"EnableTransparency 2 counts as off",
         [](fake_platform& f) { f.set_dword(personalize, L"EnableTransparency", 2); }, stored100 + opaque, off},
    };
    for (const auto& c : cases) {
        fake_platform os;
        fakehost::classic_console(os);
        c.setup(os);
        os.out.clear();
        os.calls.clear();
        EXPECT_EQ(run_command(os, {}), 0) << c.what;
        EXPECT_EQ(os.out, kConsoleHead + c.lines + kTail + c.effects + "\n") << c.what;
        EXPECT_EQ(os.err, "") << c.what;
        for (const char* write : {"reg_set", "reg_create", "set_window_long", "set_layered"}) {
            EXPECT_TRUE(os.calls_starting(write).empty()) << "the report only reads: " << c.what;
        }
    }
}

TEST(ShowStatus, InsideTerminalWithoutAReadableFileShowsTheHintThenTheConsole) {
    for (const auto& settings : {std::optional<std::string>(), std::optional<std::string>("")}) {
        fake_platform os;
        fakehost::terminal_session(os, settings);
        os.set_dword(L"Console", L"WindowAlpha", 166);
        EXPECT_EQ(run_command(os, {"check", "extra", "words"}), 0);
        EXPECT_EQ(os.out,
                  "Windows Terminal 已检测到，但 settings.json 不存在或无法读取。\n"
                  "请先打开一次 Windows Terminal 以生成配置文件。\n\n" +
                      kConsoleHead + "  当前注册表保存的不透明度：50%\n  当前窗口处于完全不透明状态\n" + kTail +
                      kUnknown + "\n");
        EXPECT_EQ(os.files.count(settings_path), settings ? 1u : 0u) << "the file is never created";
    }
}

// The three commands that need the settings path end before touching anything without it.
TEST(InsideTerminal, WithoutLocalAppDataEachCommandEndsWithItsMessage) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"check", ""}, {"restore", ""}, {"slider", "\x1b[2J\x1b[H"}};
    for (const auto& [command, out] : cases) {
        fake_platform os;
        os.env[L"WT_SESSION"] = L"x";
        os.set_dword(L"Console", L"WindowAlpha", 166);
        os.keys = {'\r'};
        try {
            run_command(os, {command});
            ADD_FAILURE() << command << ": expected the program to end";
        } catch (const fake_exit& e) {
            EXPECT_EQ(e.status, 1) << command;
        }
        EXPECT_EQ(os.out, out) << command;
        EXPECT_EQ(os.err, "错误：未找到 LOCALAPPDATA 环境变量。\n") << command;
        EXPECT_EQ(os.dword(L"Console", L"WindowAlpha"), 166u) << command;
    }
}

}  // namespace
}  // namespace frostpane
