// frostpane's decisions, one table per behaviour, against the fake operating system.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <random>

#include "console_opacity.h"
#include "differential.h"
#include "frostpane.h"
#include "platform_fake.h"
#include "restore.h"
#include "slider.h"
#include "status.h"
#include "test_paths.h"

namespace frostpane {
namespace {

const std::wstring settings = L"L\\Packages\\Microsoft.WindowsTerminal_8wekyb3d8bbwe\\LocalState\\settings.json";
const std::wstring cmd_key = L"Console\\C:_W_System32_cmd.exe";
const std::string no_file = "\x01", defaults = R"({"profiles": {"defaults": {}}})";

std::vector<const char*> argv(std::vector<const char*> args) {
    args.insert(args.begin(), "frostpane.exe");
    args.push_back(nullptr);
    return args;
}

struct host : fake_platform {
    host() { env[L"SystemRoot"] = L"C:\\W"; }
    explicit host(const std::string& text) : host() {  // inside Windows Terminal; no_file: no settings file
        env[L"WT_SESSION"] = env[L"LOCALAPPDATA"] = L"L";
        if (text != no_file) files[settings] = text;
    }
    int run(std::vector<const char*> args) {
        try {
            return run_frostpane(*this, static_cast<int>(args.size()) + 1, argv(args).data());
        } catch (const fake_exit& e) {
            return e.status;
        }
    }
    // The logged calls that start with a match of `pattern`, joined by spaces; no key may stay open.
    std::string trace(const std::string& pattern) const {
        std::string joined;
        for (const auto& call : calls) {
            if (std::regex_search(call, std::regex("^(" + pattern + ")"))) joined += (joined.empty() ? "" : " ") + call;
        }
        EXPECT_TRUE(open_keys.empty()) << "a registry key was left open";
        return joined;
    }
};

TEST(command_line, words_and_numbers) {
    using enum command_kind;
    using row = std::tuple<std::vector<const char*>, command_kind, int, bool>;
    const row rows[] = {{{"set", "50", "0"}, set, 50, false},
                        {{"set", "7x", "2", "9"}, set, 7, true},
                        {{"set", "\t+9", "-1"}, set, 9, true},
                        {{"set", "\r-21474836470"}, set, INT_MIN, true},
                        {{"set", "99999999999"}, set, INT_MAX, true},
                        {{"set", "0x20"}, set, 0, true},
                        {{"set", "-"}, usage, 80, true},
                        {{"set", "50", "x"}, usage, 80, true}};
    for (const auto& [args, kind, opacity, blur] : rows) {
        const auto line = parse_command_line(static_cast<int>(args.size()) + 1, argv(args).data());
        EXPECT_EQ(std::tuple(line.command, line.opacity, line.blur), std::tuple(kind, opacity, blur))
            << testing::PrintToString(args);
    }
}

// The classic console: exit code, code page switched and put back, window and registry writes.
TEST(command_line, classic_console) {
    // arguments, window style (-1: no console window), EnableTransparency (-1: no value, -2: no key), SystemRoot,
    // code page, exit code, calls
    using row =
        std::tuple<std::vector<const char*>, std::int32_t, int, const wchar_t*, std::uint32_t, int, std::string>;
    const std::string both = "Console=166 C:_W_System32_cmd.exe=166 cp=437";
    const row rows[] = {
        {{"nope"}, 0, -2, L"C:\\W", 437, 1, "cp=65001 cp=437"},
        {{"check"}, 0, -2, L"C:\\W", 0, 0, "cp=65001"},
        {{"slider"}, 0, -2, L"C:\\W", 437, 0, "cp=65001 mode=7 cp=437"},
        {{"set", "0"}, 0x80000, -2, L"", 936, 0, "cp=65001 alpha 0,30,2 Console=78 cp=936"},
        {{"set", "13"}, 0x80000, 0, L"", 437, 0, "cp=65001 alpha 0,33,2 Personalize=1 Console=99 cp=437"},
        {{"set", "50"}, 0x100, 1, L"C:\\W", 437, 0, "cp=65001 style -20=524544 alpha 0,127,2 " + both},
        {{"set", "50"}, 0x80000, -1, L"C:\\W", 437, 0, "cp=65001 alpha 0,127,2 Personalize=1 " + both},
        {{"restore"}, 0, -2, L"", 437, 0, "cp=65001 style -20=524288 alpha 0,255,2 Console=255 cp=437"},
        {{"set", "50"}, -1, -2, L"", 437, 0, "cp=65001 Console=166 cp=437"},
    };
    for (const auto& [args, style, transparency, root, cp, exit, trace] : rows) {
        host os;
        os.style = style;
        os.window = style < 0 ? 0 : os.window;  // style -1: no console window
        os.env[L"SystemRoot"] = root;
        if (transparency >= -1) os.reg[personalize_key];
        if (transparency >= 0) os.reg[personalize_key][enable_transparency_value] = transparency;
        os.cp = cp;
        os.keys = {'\r'};
        EXPECT_EQ(os.run(args), exit) << trace;
        EXPECT_EQ(os.trace("cp|mode|alpha|style|Console|C:|Personalize"), trace);
        EXPECT_EQ(os.err, exit == 0 ? "" : usage_text) << trace;
    }
    host os;  // control events 0..7 while the slider waits: the code page back for 0, 1, 2, 5 and 6
    os.keys = {-10, -11, -12, -13, -14, -15, -16, -17, '\r'};
    os.run({"slider"});
    EXPECT_EQ(os.trace("cp"), "cp=65001 cp=437 cp=437 cp=437 cp=437 cp=437 cp=437");
    os.calls.clear();
    EXPECT_FALSE(os.handler(ctrl_close_event));  // after the run it no longer reaches the platform
    EXPECT_EQ(os.trace(""), "");
}

TEST(command_line, alpha_mappings) {
    const std::tuple<int, int, unsigned> rows[] = {{-5, 30, 76},   {1, 30, 78},    {12, 30, 97},   {13, 33, 99},
                                                   {50, 127, 166}, {80, 204, 219}, {250, 255, 255}};
    for (const auto& [percent, live, stored] : rows) {
        EXPECT_EQ(std::pair(int{live_alpha(percent)}, stored_alpha(percent)), std::pair(live, stored)) << percent;
    }
    for (int p = 1; p <= 100; ++p) EXPECT_EQ(percent_from_stored_alpha(stored_alpha(p)), p);
    EXPECT_EQ(std::pair(percent_from_stored_alpha(0), percent_from_stored_alpha(300)), std::pair(1, 100));
    for (const auto& [root, key] :
         {std::pair<std::wstring, std::optional<std::wstring>>(L"\\\\s\\x", L"Console\\__s_x_System32_cmd.exe"),
          {std::wstring(260, L'x'), std::nullopt}}) {
        host os;
        os.env[L"SystemRoot"] = root;
        EXPECT_EQ(cmd_key_path(os), key);
    }
}

// Inside Windows Terminal: what set and restore leave in the settings file and on standard error (then
// exit code 2). The
// file is written when its bytes change (it is read-only for the write message).
TEST(settings_file, set_and_restore) {
    // arguments, text before and after (no_file: none), message
    using row = std::tuple<std::vector<const char*>, std::string, std::string, std::string_view>;
    const std::string none = R"({"profiles": [], "opacity": 5,})", lists = R"({"profiles": [{"a": 1,},],})";
    const row rows[] = {
        {{"set"}, defaults, R"({"profiles": {"defaults": { "useAcrylic": true, "acrylicOpacity": 0.8}}})", ""},
        {{"set", "250", "0"}, defaults, R"({"profiles": {"defaults": { "opacity": 100}}})", ""},
        {{"set"}, none, none, messages::no_defaults},
        {{"set"}, "", "", messages::cannot_read},
        {{"set", "1", "0"}, defaults, defaults, messages::cannot_write},
        {{"restore"},
         R"({"profiles": [{"opacity": 7, "useAcrylic": true, "acrylicOpacity": .5}], "opacity": 7})",
         R"({"profiles": [{}], "opacity": 7})",
         ""},
        {{"restore"},
         "{\"profiles\": [{\"useAcrylic\": true ,}, {\"a\": 1, \"opacity\": 5,\n}, {\"b\": 2,}]}",
         R"({"profiles": [{ }, {"a": 1}, {"b": 2,}]})",
         ""},
        {{"restore"}, lists, lists, ""},
        {{"restore"}, no_file, no_file, messages::cannot_read},
        {{"restore"}, R"({"profiles": [{"opacity": 1}]})", R"({"profiles": [{"opacity": 1}]})", messages::cannot_write},
    };
    for (const auto& [args, before, after, message] : rows) {
        host os(before);
        if (message == messages::cannot_write) os.attributes[settings] = 0x21;  // read-only
        EXPECT_EQ(os.run(args), message.empty() ? 0 : 2) << before;
        EXPECT_EQ(os.files.count(settings) ? os.files[settings] : no_file, after);
        EXPECT_EQ(os.err, message) << before;
        EXPECT_EQ(os.trace("replace|alpha|Console"), before != after ? "replace" : "") << before;
    }
    host os(no_file);
    os.env.erase(L"LOCALAPPDATA");
    EXPECT_EQ(os.run({"set"}), 1);
    EXPECT_EQ(os.trace("cp|exit"), "cp=65001 cp=437 exit 1 cp=437");
    EXPECT_EQ(os.err, messages::no_localappdata);
}

// Saving: a new file beside the old one, given its attributes, takes its place through ReplaceFileW (which keeps
// the security descriptor too); tried again for about half a second while another program holds the file;
// leftovers of earlier runs removed first, unless held.
// The settings file is the first of the four places that exists, and every command takes that one.
TEST(settings_file, four_places) {
    const std::wstring places[] = {
        settings, L"L\\Packages\\Microsoft.WindowsTerminalPreview_8wekyb3d8bbwe\\LocalState\\settings.json",
        L"L\\Packages\\Microsoft.WindowsTerminalCanary_8wekyb3d8bbwe\\LocalState\\settings.json",
        L"L\\Microsoft\\Windows Terminal\\settings.json"};
    // places holding a file (bits), the place used
    for (const auto& [present, used] : {std::pair(1, 0), {2, 1}, {4, 2}, {8, 3}, {3, 0}, {14, 1}}) {
        host os(no_file);
        for (int p = 0; p < 4; ++p) {
            if ((present >> p & 1) != 0) os.files[places[p]] = defaults;
        }
        os.keys = {'\r'};
        EXPECT_EQ(os.run({"set", "70", "0"}) + os.run({"check"}) + os.run({"slider"}), 0);
        EXPECT_EQ(os.files[places[used]], R"({"profiles": {"defaults": { "opacity": 70}}})") << present;
        EXPECT_NE(os.out.find("不透明度：70%"), std::string::npos) << present;
        EXPECT_NE(os.out.find("]  70%"), std::string::npos) << present;
        EXPECT_EQ(os.run({"restore"}), 0);
        for (int p = 0; p < 4; ++p) {
            const std::string expected = p == used                 ? R"({"profiles": {"defaults": { }}})"
                                         : (present >> p & 1) != 0 ? defaults
                                                                   : no_file;
            EXPECT_EQ(os.files.count(places[p]) != 0 ? os.files[places[p]] : no_file, expected) << present << p;
        }
    }
}

TEST(settings_file, saved_whole) {
    // attributes (0: no file), replacements refused, leftovers (held when marked *), result, calls, files left
    using row = std::tuple<std::uint32_t, int, std::vector<std::wstring>, bool, std::string, std::string>;
    const std::string create = "create settings.json.7-0.tmp ", wait = "replace sleep 100 ";
    const row rows[] = {
        {0x22, 0, {}, true, create + "34 replace", ""},
        {0x21, 0, {}, false, "", ""},
        {0x20, 5, {}, true, create + "32 " + wait + wait + wait + wait + wait + "replace", ""},
        {0x20,
         6,
         {},
         false,
         create + "32 " + wait + wait + wait + wait + wait + "replace delete settings.json.7-0.tmp",
         ""},
        {0x20,
         0,
         {L".3-0.tmp", L"*.7-0.tmp"},
         true,
         "delete settings.json.3-0.tmp delete settings.json.7-0.tmp " + create +
             "32 create settings.json.7-1.tmp 32 replace",
         "settings.json.7-0.tmp "},
        {0, 0, {}, true, create + "0 replace move", ""},
    };
    for (const auto& [attributes, refused, leftovers, saved, calls, left] : rows) {
        host os("old");
        if (attributes != 0) os.attributes[settings] = attributes;
        if (attributes == 0) os.files.erase(settings);
        os.held[settings] = refused;
        for (const auto& leftover : leftovers) {
            os.files[settings + leftover.substr(leftover[0] == L'*')] = "x";
            if (leftover[0] == L'*') os.held[settings + leftover.substr(1)] = 9;
        }
        EXPECT_EQ(write_settings_text(os, settings, "new"), saved) << calls;
        EXPECT_EQ(os.trace(""), calls);
        EXPECT_EQ(os.files.count(settings) ? os.files[settings] : "", saved ? "new" : attributes == 0 ? "" : "old");
        std::string others;
        for (const auto& [path, bytes] : os.files) others += path == settings ? "" : base(path) + " ";
        EXPECT_EQ(others, left) << calls;
    }
}

TEST(settings_text, edits_byte_exact) {
    // opacity member (else acrylic) at this percent, text before and after (nothing: no defaults anchor)
    using row = std::tuple<bool, int, std::string, std::optional<std::string>>;
    const row rows[] = {
        {true, 70,
         R"({"actions": [{"opacity": 10}], "profiles": {"defaults": {"opacity": 5}, "list": [{"useAcrylic": true, )"
         R"("name": "x", "profiles": {"defaults": {}}}]}})",
         R"({"actions": [{"opacity": 10}], "profiles": {"defaults": { "opacity": 70}, "list": [{)"
         R"("name": "x", "profiles": {"defaults": {}}}]}})"},
        {false, 50, R"({"profiles": {"defaults": {"a": 1}, "list": [{"opacity": 4}, {"useAcrylic": false, "b": 2}]}})",
         R"({"profiles": {"defaults": { "useAcrylic": true, "acrylicOpacity": 0.5, "a": 1}, "list": [{}, {"b": 2}]}})"},
        {true, 45,
         "\xEF\xBB\xBF{\r\n\"profiles\": {\r\n \"defaults\": {\r\n  \"opacity\": 80,\r\n  \"font\": 1\r\n }}}",
         "\xEF\xBB\xBF{\r\n\"profiles\": {\r\n \"defaults\": { \"opacity\": 45, \r\n  \"font\": 1\r\n }}}"},
        {false, 100, R"({"profiles": {"list": [], "defaults": {}}})", std::nullopt},
        {false, 30, R"({"profiles" :{"defaults" : {"useAcrylic" : false, "a": 1}}})",
         R"({"profiles" :{"defaults" : { "useAcrylic": true, "acrylicOpacity": 0.3, "a": 1}}})"},
        {true, 9, R"({"a": 1, "opacity": 0.5, "profiles":{"defaults":{"x":1}}, "profiles": {"defaults": {}}})",
         R"({"a": 1, "opacity": 0.5, "profiles":{"defaults":{ "opacity": 9, "x":1}}, "profiles": {"defaults": { "opacity": 9}}})"},
    };
    for (const auto& [plain, percent, before, after] : rows) {
        EXPECT_EQ(plain ? edit_for_opacity(before, percent) : edit_for_acrylic(before, percent), after) << before;
    }
    for (const auto& [percent, text] : {std::pair(85, "0.8"), {45, "0.5"}, {5, "0.1"}, {1, "0.0"}}) {
        EXPECT_EQ(acrylic_members(percent), std::string("\"useAcrylic\": true, \"acrylicOpacity\": ") + text);
    }
}

// The first match outside comments and strings, and what the matcher refuses to compile.
TEST(settings_text, search) {
    const std::pair<std::string, const char*> rows[] = {{"// \"opacity\": 1\n\"opacity\": 2", "2"},
                                                        {R"(/* "opacity": 1 */ "opacity": 3)", "3"},
                                                        {R"("n": "\"opacity\": 4", "opacity": 5)", "5"},
                                                        {R"("a\\"opacity": 8)", "none"},
                                                        {R"(/*/ "opacity": 2 */)", "none"},
                                                        {"\"opacity\" \t: 6", "6"}};
    for (const auto& [text, group] : rows) {
        const auto m = search_outside(text, compiled(std::string(patterns::opacity_value)));  // found by content
        EXPECT_EQ(m ? std::string(m->group(text)) : "none", group) << text;
    }
    for (const char* bad : {"a.b", "\\s*\\s*x", "\\d+1", "[0-9.]+.", "(a|ab)", "\"x", "/x", "\\s*x", "a(b)(c)",
                            "a(b|c)(d)", "a)", "a[x]"}) {
        EXPECT_THROW(compiled_pattern{bad}, std::invalid_argument) << bad;
    }
    // Megabytes of removals, commas and white space, an open comment: no recursion, no quadratic rescans.
    std::string list = R"({"profiles": [)";
    for (int i = 0; i < 100000; ++i) list += R"({"opacity": 1,}, )";
    EXPECT_EQ(restore_settings_text(list + std::string(1 << 20, ' ') + "]}\"x").size(), 14 + 400000 + (1 << 20) + 4u);
    const std::string comment = R"({"profiles": [/*)" + std::string(1 << 20, '*') + R"("opacity": 1)";
    EXPECT_EQ(restore_settings_text(comment), comment);
}

// Where the slider starts inside Windows Terminal: the first member found, numbers as far as they go.
TEST(settings_text, start_state) {
    const std::tuple<std::string, int, bool> rows[] = {
        {R"({"useAcrylic": true})", 80, true},
        {R"({"useAcrylic": true, "acrylicOpacity": 0.3.5})", 30, true},
        {R"({"useAcrylic": true, "acrylicOpacity": .5})", 50, true},
        {R"({"useAcrylic": true, "acrylicOpacity": 1.})", 100, true},
        {R"({"useAcrylic": true, "acrylicOpacity": ..5})", 80, true},
        {R"({"useAcrylic": true, "acrylicOpacity": 0.)" + std::string(400, '0') + "1}", 0, true},
        {R"({"useAcrylic": true, "acrylicOpacity": )" + std::string(400, '9') + "}", INT_MAX, true},
        {R"({"useAcrylic": false, "opacity": 55})", 55, false},
        {R"({"opacity": 99999999999})", INT_MAX, false},
        {R"({"font": 1})", 80, false},
        {R"([{"useAcrylic": true, "acrylicOpacity": 0.7}])", 70, true},
        {"", 80, false},
    };
    for (const auto& [text, opacity, acrylic] : rows) {
        host os(text.empty() ? text : R"({"opacity": 5, "profiles": )" + text + "}");
        const auto state = read_transparency_state(os);
        EXPECT_EQ(std::pair(state.opacity, state.acrylic), std::pair(opacity, acrylic)) << text;
    }
}

std::string section(const std::string& title, const std::string& body) {
    const std::string rule = std::string(42, '=') + "\n";
    return rule + "        " + title + "\n" + rule + "\n" + body + "\n" + rule + "\n";
}
std::string acrylic(const std::string& state, const std::string& value) {
    return section("Windows Terminal 全局默认设置", "  亚克力模糊：" + state + "\n  透明度数值：" + value + "\n");
}

TEST(status_report, both_hosts) {
    const std::pair<std::string, std::string> terminal[] = {
        {R"({"useAcrylic": true})", acrylic("已启用", "未设置")},
        {R"({"useAcrylic": true, "acrylicOpacity": 0.125})", acrylic("已启用", "0.1 (13%)")},
        {R"({"useAcrylic": false, "acrylicOpacity": 2.55})", acrylic("已禁用", "2.5 (255%)（已设置但模糊已关闭）")},
        {R"({"useAcrylic": true, "acrylicOpacity": .})", acrylic("已启用", "未设置")},
        {R"({"useAcrylic": true, "acrylicOpacity": 1)" + std::string(400, '0') + "}", acrylic("已启用", "未设置")},
        {R"({"opacity": 70})", section("Windows Terminal 全局默认设置", "  纯透明模式：已启用\n  不透明度：70%\n")},
        {R"({"opacity": 2147483648})", acrylic("未设置（使用默认）", "未设置")},
    };
    for (const auto& [text, report] : terminal) {
        host os(R"({"useAcrylic": false, "profiles": )" + text + "}");
        os.reg[personalize_key][enable_transparency_value] = 1;
        EXPECT_EQ(os.run({"check"}), 0);
        EXPECT_EQ(os.out, report + "系统透明效果：已启用\n\n") << text;
    }

    // WindowAlpha under the cmd.exe key and Console, window style (-1: no window) and alpha, EnableTransparency (-1:
    // none)
    using row = std::tuple<int, int, std::int32_t, int, int, std::string, std::string>;
    const std::string off = "已禁用（可能会影响透明显示）";
    const row rows[] = {
        {-1, -1, 0x100, 204, -1, "100%\n  当前窗口处于完全不透明状态", "未知"},
        {219, 166, 0x80000, 204, 1, "80%\n  当前窗口实时不透明度：80%", "已启用"},
        {255, 166, 0x80000, -1, 0, "50%\n  当前窗口实时不透明度：无法获取", off},
        {-1, 97, 0x80000, 2, 2, "12%\n  当前窗口实时不透明度：0%", off},
        {-1, -1, -1, 204, -1, "100%", "未知"},
    };
    for (const auto& [cmd, console, style, alpha, transparency, lines, effects] : rows) {
        host os;
        if (cmd >= 0) os.reg[cmd_key][window_alpha_value] = cmd;
        if (console >= 0) os.reg[console_key][window_alpha_value] = console;
        os.style = style;
        os.window = style < 0 ? 0 : os.window;
        if (alpha >= 0) os.alpha = alpha;
        if (transparency >= 0) os.reg[personalize_key][enable_transparency_value] = transparency;
        EXPECT_EQ(os.run({}), 0);
        EXPECT_EQ(os.out, section("传统控制台窗口透明度", "  当前注册表保存的不透明度：" + lines + "\n") +
                              "系统透明效果：" + effects + "\n\n");
        EXPECT_EQ(os.trace(""), "cp=65001 cp=437") << "the report only reads";
    }
    host os(no_file);  // without SystemRoot only Console counts
    os.env.erase(L"SystemRoot");
    os.reg[cmd_key][window_alpha_value] = 219;
    os.reg[console_key][window_alpha_value] = 166;
    EXPECT_EQ(os.run({}), 0);
    EXPECT_EQ(os.out,
              "Windows Terminal 已检测到，但 settings.json 不存在或无法读取。\n请先打开一次 Windows Terminal "
              "以生成配置文件。\n\n" +
                  section("传统控制台窗口透明度", "  当前注册表保存的不透明度：50%\n  当前窗口处于完全不透明状态\n") +
                  "系统透明效果：未知\n\n");
}

TEST(slider, frame_and_keys) {
    const std::string at = "\x1b[3;1H\x1b[2K  [", help = "\n\n  ← → 调节透明度 | 空格: 切换模式 | Enter/Esc 退出";
    const std::string outside = "模式：传统控制台（仅透明度）\n\n  ← → 调节透明度 | Enter/Esc 退出";
    EXPECT_EQ(slider_frame(0, true, false), at + ">" + std::string(39, ' ') + "]   0%  " + outside);
    EXPECT_EQ(slider_frame(80, true, true), at + std::string(32, '=') + ">       ]  80%  模式：亚克力模糊" + help);
    EXPECT_EQ(slider_frame(100, false, true), at + std::string(40, '=') + "] 100%  模式：纯透明 (无模糊)" + help);
    EXPECT_EQ(slider_frame(INT_MAX, false, false), at + std::string(40, '=') + "] 2147483647%  " + outside);
    using enum slider_effect;
    // value, inside Windows Terminal, key and second byte; value, blur and effect after
    using row = std::tuple<int, bool, unsigned char, unsigned char, int, bool, slider_effect>;
    const row rows[] = {{50, false, 0xE0, 0x4D, 51, false, apply},   {50, false, 0xE0, 0x4B, 49, false, apply},
                        {1, false, 0xE0, 0x4B, 1, false, apply},     {100, false, 0xE0, 0x4D, 100, false, apply},
                        {150, false, 0xE0, 0x50, 100, false, apply}, {INT_MIN, false, 0xE0, 0x4B, 1, false, apply},
                        {50, true, ' ', 0, 50, true, apply},         {50, false, ' ', 0, 50, false, idle},
                        {50, false, 'K', 0, 50, false, idle},        {50, true, '\r', 0, 50, false, leave},
                        {50, true, 0x1B, 0, 50, false, leave}};
    for (const auto& [value, inside, key, second, value_after, blur_after, effect] : rows) {
        slider_state state{value, false, inside};
        EXPECT_EQ(slider_key(state, key, second), effect) << value << " " << int{key};
        EXPECT_EQ(std::pair(state.value, state.blur), std::pair(value_after, blur_after)) << value << " " << int{key};
    }
}

// The loop: each key applied at once and redrawn, pauses of 20 ms; inside Windows Terminal the file follows.
TEST(slider, loop) {
    host os;
    os.reg[cmd_key][window_alpha_value] = 166;
    os.keys = {0xE0, 0x4D, -1, 0xE0, 0x4B, 0, 0x4B, 'a', '\r'};
    EXPECT_EQ(os.run({"slider"}), 0);
    EXPECT_EQ(os.out, "\x1b[2J\x1b[H" + slider_frame(50, false, false) + slider_frame(51, false, false) +
                          slider_frame(50, false, false) + "\n\n");
    EXPECT_EQ(os.trace("alpha|sleep"),
              "alpha 0,130,2 sleep 20 sleep 20 alpha 0,127,2 sleep 20 sleep 20 sleep 20 sleep 20");
    host wt(R"({"profiles": {"defaults": {"useAcrylic": true}}})");
    wt.keys = {' ', ' ', 0xE0, 0x4B, '\r'};
    EXPECT_EQ(wt.run({"slider"}), 0);
    EXPECT_EQ(wt.out, "\x1b[2J\x1b[H" + slider_frame(80, true, true) + slider_frame(80, false, true) +
                          slider_frame(80, true, true) + slider_frame(79, true, true) + "\n\n");
    EXPECT_EQ(wt.files[settings], R"({"profiles": {"defaults": { "useAcrylic": true, "acrylicOpacity": 0.8}}})");
    host gone(no_file);  // a change that fails: its message, the slider goes on, exit code 2
    gone.keys = {0xE0, 0x4D, ' ', '\r'};
    EXPECT_EQ(gone.run({"slider"}), 2);
    EXPECT_EQ(gone.err, std::string(messages::cannot_read) + std::string(messages::cannot_read));
}

// Random settings-like texts against the std::regex reference; the fuzz target explores further.
TEST(settings_text, agrees_with_regex) {
    std::vector<std::string> tokens;
    const std::string all =
        R"("useAcrylic":|"acrylicOpacity":|"opacity":|"profiles":|"defaults":|true|false|0.8|..|70|)"
        R"(1.2.3| |  |,|{|}|[|]|:|"|\|\"|//|/*|*/|/|*|"x"|a|"useAcrylic" :|e5|)";
    for (std::size_t at = 0; at < all.size(); at = all.find('|', at) + 1)
        tokens.push_back(all.substr(at, all.find('|', at) - at));
    for (const char* more : {"\n", "\r\n", "\t", "\xEF\xBB\xBF"}) tokens.push_back(more);
    std::mt19937 rng(20241206);
    for (int i = 0; i < 1500; ++i) {
        std::string text;
        for (auto n = rng() % 41; n > 0; --n) text += tokens[rng() % tokens.size()];
        ASSERT_EQ(oracle::differential_check(text, 1 + i % 100), "");
    }
}

// The bytes around the top-level "profiles" members, as the reference finds them.
std::string outside_profiles(const std::string& text) {
    std::string around;
    std::size_t from = 0;
    for (const auto& [begin, end] : oracle::profiles(text))
        around += text.substr(from, begin - from) + "\x01", from = end;
    return around + text.substr(from);
}

// Real settings files written by people outside the project (skipped when the folder is absent).
TEST(settings_text, corpus) {
    const std::string dir = vmtest::shared_path("corpus/wt-settings");
    std::error_code error;
    if (dir.empty() || !std::filesystem::is_directory(dir, error)) GTEST_SKIP() << "no settings corpus";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::string text;
        if (entry.path().extension() != ".json" || !vmtest::read_file(entry.path().string(), text)) continue;
        // restore, set with and without blur: the transparency members of the profiles (also those written
        // with a blank before the colon) replaced by exactly the inserted ones, no byte outside changed
        const std::optional<std::string> edits[] = {restore_settings_text(text), edit_for_acrylic(text, 45),
                                                    edit_for_opacity(text, 45)};
        const char* const members_left[] = {"000", "110", "001"};
        for (int kind = 0; kind < 3; ++kind) {
            if (!edits[kind]) continue;
            EXPECT_EQ(outside_profiles(*edits[kind]), outside_profiles(text)) << kind << entry.path();
            std::string members;
            for (const auto value :
                 {patterns::acrylic_value, patterns::acrylic_opacity_value, patterns::opacity_value}) {
                std::size_t count = 0;
                for (const auto& [begin, end] : oracle::profiles(*edits[kind]))
                    count += oracle::matches(edits[kind]->substr(begin, end - begin), value).size();
                members += std::to_string(count);
            }
            EXPECT_EQ(members, members_left[kind]) << kind << entry.path();
        }
        if (text.size() > 100000) continue;  // the regex reference takes seconds there
        EXPECT_EQ(edits[0], oracle::restore(text)) << entry.path();
        EXPECT_EQ(edits[1], oracle::edit(text, true, acrylic_members(45))) << entry.path();
        EXPECT_EQ(edits[2], oracle::edit(text, false, opacity_members(45))) << entry.path();
    }
}

}  // namespace
}  // namespace frostpane
