// frostpane's decisions, one table per behaviour, against the fake operating system.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <iterator>
#include <random>
#include <sstream>

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
    int run(const std::string& line) {  // the arguments separated by blanks
        std::istringstream in(line);
        const std::vector<std::string> words{std::istream_iterator<std::string>(in), {}};
        std::vector<const char*> args;
        for (const auto& word : words) args.push_back(word.c_str());
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
    using row = std::tuple<std::string, std::int32_t, int, const wchar_t*, std::uint32_t, int, std::string>;
    const std::string both = "Console=166 C:_W_System32_cmd.exe=166 cp=437";
    const std::wstring long_root(260, L'x');  // does not fit: no cmd.exe key
    const row rows[] = {
        {"nope", 0, -2, L"C:\\W", 437, 1, "cp=65001 cp=437"},
        {"check", 0, -2, L"C:\\W", 0, 0, "cp=65001"},
        {"slider", 0, -2, L"C:\\W", 437, 0, "cp=65001 mode=7 mode=3 cp=437"},
        {"set 0", 0x80000, -2, L"", 936, 0, "cp=65001 alpha 0,30,2 Console=78 cp=936"},
        {"set 13", 0x80000, 0, L"", 437, 0, "cp=65001 alpha 0,33,2 Personalize=1 Console=99 cp=437"},
        {"set 50", 0x100, 1, L"C:\\W", 437, 0, "cp=65001 style -20=524544 alpha 0,127,2 " + both},
        {"set 50", 0x80000, -1, L"C:\\W", 437, 0, "cp=65001 alpha 0,127,2 Personalize=1 " + both},
        {"restore", 0, -2, L"", 437, 0, "cp=65001 style -20=524288 alpha 0,255,2 Console=255 cp=437"},
        {"set 50", -1, -2, L"", 437, 0, "cp=65001 Console=166 cp=437"},
        {"set 50", -1, -2, L"\\\\s\\x", 437, 0, "cp=65001 Console=166 __s_x_System32_cmd.exe=166 cp=437"},
        {"set 50", -1, -2, long_root.c_str(), 437, 0, "cp=65001 Console=166 cp=437"}};
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
        EXPECT_EQ(os.trace("cp|mode|alpha|style|Console|C:|_|Personalize"), trace);
        EXPECT_EQ(os.err, exit == 0 ? "" : usage_text) << trace;
    }
    host os;  // control events 0..7 while the slider waits: the code page back for 0, 1, 2, 5 and 6
    os.keys = {-10, -11, -12, -13, -14, -15, -16, -17, '\r'};
    os.run("slider");
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
}

// Inside Windows Terminal: the file set, restore and the slider take (the first of the four places that holds one),
// what they leave there byte for byte, their message (then exit code 2); the file is written when its bytes change.
TEST(settings_file, set_and_restore) {
    const std::wstring places[] = {
        settings, L"L\\Packages\\Microsoft.WindowsTerminalPreview_8wekyb3d8bbwe\\LocalState\\settings.json",
        L"L\\Packages\\Microsoft.WindowsTerminalCanary_8wekyb3d8bbwe\\LocalState\\settings.json",
        L"L\\Microsoft\\Windows Terminal\\settings.json"};
    // arguments, places holding the text before (bits), text after in the first of them, message
    using row = std::tuple<std::string, int, std::string, std::string, std::string_view>;
    const std::string none = R"({"profiles": [], "opacity": 5,})", one = R"({"profiles": [{"opacity": 1}]})";
    const std::string lists = R"({"profiles": [{"a": 1,},],})";
    const std::string actions = R"({"actions": [{"opacity": 10}], "profiles": {"defaults": )";
    std::vector<row> rows = {
        {"set 70 0", 1, actions + R"({"opacity": 5}, "l": [{"useAcrylic": true, "profiles": {"defaults": {}}}]}})",
         actions + R"({ "opacity": 70}, "l": [{"profiles": {"defaults": {}}}]}})", ""},
        {"set 50", 1, R"({"profiles": {"defaults": {"a": 1}, "l": [{"opacity": 4}, {"useAcrylic": false, "b": 2}]}})",
         R"({"profiles": {"defaults": { "useAcrylic": true, "acrylicOpacity": 0.5, "a": 1}, "l": [{}, {"b": 2}]}})",
         ""},
        {"set 30", 1, R"({"profiles" :{"defaults" : {"useAcrylic" : false, "a": 1}}})",
         R"({"profiles" :{"defaults" : { "useAcrylic": true, "acrylicOpacity": 0.3, "a": 1}}})", ""},
        {"set 20 0", 1, R"({"profiles": {"defaults": {}, "list": [{"a": 1,},],},})",
         R"({"profiles": {"defaults": { "opacity": 20}, "list": [{"a": 1,},],},})", ""},
        {"set 9 0", 1, R"({"profiles":{"defaults":{"x":1}}, "profiles": {"defaults": {}}})",
         R"({"profiles":{"defaults":{ "opacity": 9, "x":1}}, "profiles": {"defaults": { "opacity": 9}}})", ""},
        {"restore", 1, "{\"profiles\": [{\"useAcrylic\": true ,}, {\"a\": 1, \"opacity\": 5,\n}, {\"b\": 2,}]}",
         R"({"profiles": [{ }, {"a": 1}, {"b": 2,}]})", ""},
        {"slider", 1, R"({"profiles": {"defaults": {"useAcrylic": true}}})",
         R"({"profiles": {"defaults": { "opacity": 80}}})", ""},
        {"restore", 14, one, R"({"profiles": [{}]})", ""},
        {"restore", 1, lists, lists, ""},
        {"set", 1, none, none, messages::no_defaults},
        {"set", 1, "", "", messages::cannot_read},
        {"set 1 0", 1, defaults, defaults, messages::cannot_write},
        {"restore", 0, no_file, no_file, messages::cannot_read},
        {"restore", 1, one, one, messages::cannot_write},
        {"slider", 1, "", "", messages::cannot_read}};
    for (const int present : {1, 2, 4, 8, 3})
        rows.push_back({"set 250 0", present, defaults, R"({"profiles": {"defaults": { "opacity": 100}}})", ""});
    for (const auto& [args, present, before, after, message] : rows) {
        host os(no_file);
        for (int p = 0; p < 4; ++p)
            if ((present >> p & 1) != 0) os.files[places[p]] = before;
        os.keys = {' ', '\r'};                                                  // the slider: blur switched and applied
        if (message == messages::cannot_write) os.attributes[settings] = 0x21;  // read-only
        EXPECT_EQ(os.run(args), message.empty() ? 0 : 2) << before;
        EXPECT_EQ(os.err, message) << before;
        for (int p = 0, first = present & -present; p < 4; ++p) {
            const std::string expected = (present >> p & 1) == 0 ? no_file : 1 << p == first ? after : before;
            EXPECT_EQ(os.files.count(places[p]) != 0 ? os.files[places[p]] : no_file, expected) << before << p;
        }
        EXPECT_EQ(os.trace("replace|alpha|Console"), before != after ? "replace" : "") << before;
    }
    for (const auto& [percent, text] : {std::pair(85, "0.8"), {45, "0.5"}, {5, "0.1"}, {1, "0.0"}})
        EXPECT_EQ(acrylic_members(percent), std::string("\"useAcrylic\": true, \"acrylicOpacity\": ") + text);
    host os(no_file);
    os.env.erase(L"LOCALAPPDATA");
    EXPECT_EQ(os.run("set"), 1);
    EXPECT_EQ(os.trace("cp|exit"), "cp=65001 cp=437 exit 1 cp=437");
    EXPECT_EQ(os.err, messages::no_localappdata);
}

// Saving: a new file with the old one's attributes takes its place through ReplaceFileW (which keeps the security
// descriptor too), tried again for half a second while it is held; leftovers of earlier runs go first, unless held.
TEST(settings_file, saved_whole) {
    // attributes (0: no file), replacements refused, leftovers .3-0 and a held .7-0 there, result, calls
    using row = std::tuple<std::uint32_t, int, bool, bool, std::string>;
    const std::string create = "create settings.json.7-0.tmp ", wait = "replace sleep 100 ";
    const std::string retries = wait + wait + wait + wait + wait + "replace";
    const row rows[] = {{0x22, 0, false, true, create + "34 replace"},
                        {0x20, 5, false, true, create + "32 " + retries},
                        {0x20, 6, false, false, create + "32 " + retries + " delete settings.json.7-0.tmp"},
                        {0, 0, false, true, create + "0 replace move"},
                        {0x20, 0, true, true,
                         "delete settings.json.3-0.tmp delete settings.json.7-0.tmp " + create +
                             "32 create settings.json.7-1.tmp 32 replace"}};
    for (const auto& [attributes, refused, leftovers, saved, calls] : rows) {
        host os("old");
        os.attributes[settings] = attributes;
        if (attributes == 0) os.files.erase(settings);
        os.held = {{settings, refused}, {settings + L".7-0.tmp", leftovers ? 9 : 0}};
        if (leftovers) os.files[settings + L".3-0.tmp"] = os.files[settings + L".7-0.tmp"] = "x";
        EXPECT_EQ(write_settings_text(os, settings, "new"), saved) << calls;
        EXPECT_EQ(os.trace(""), calls);
        std::string files;  // the settings file's bytes, then the names of the others
        for (const auto& [path, bytes] : os.files) files += path == settings ? bytes : " " + base(path);
        EXPECT_EQ(files, std::string(saved ? "new" : "old") + (leftovers ? " settings.json.7-0.tmp" : "")) << calls;
    }
}

// The bytes around the top-level "profiles" members, or the members themselves.
std::string profiles_or_around(const std::string& text, bool around) {
    std::string found;
    std::size_t from = 0;
    for (const auto& [begin, end] : profiles_ranges(text))
        found += (around ? text.substr(from, begin - from) : text.substr(begin, end - begin)) + "|", from = end;
    return found + (around ? text.substr(from) : "");
}

// The top-level "profiles" members, a pattern looked up by its text, what the matcher refuses to compile, big texts.
TEST(settings_text, members_and_patterns) {
    const std::string members =
        "{\"a\": {\"profiles\": []}, \"x\": \"\\\"profiles\\\": [\", \"profiles\" /*{*/ : // [\n [1, \"]\"], "
        "\"profiles\": 2, \"profiles\" [], \"profiles\": {\"b\": {";
    EXPECT_EQ(profiles_or_around(members, false), "\"profiles\" /*{*/ : // [\n [1, \"]\"]|\"profiles\": {\"b\": {|");
    const std::string text = R"("n": "\"opacity\": 4", "opacity": 5)";
    EXPECT_EQ(search_outside(text, compiled(std::string(patterns::opacity_value)))->group(text), "5");
    for (const char* bad : {"a.b", "\\s*\\s*x", "\\d+1", "[0-9.]+.", "(a|ab)", "\"x", "/x", "\\s*x", "a(b)(c)",
                            "a(b|c)(d)", "a)", "a[x]"}) {
        EXPECT_THROW(compiled_pattern{bad}, std::invalid_argument) << bad;
    }
    // Removals, a megabyte of white space, an open comment: no recursion, no quadratic rescans.
    std::string list = R"({"profiles": [)", cleaned = list, tail = std::string(1 << 20, ' ') + "/*" + list + "\"x";
    for (int i = 0; i < 100000; ++i) list += R"({"opacity": 1,}, )", cleaned += "{}, ";
    EXPECT_EQ(restore_settings_text(list + tail + std::string(1 << 20, '*')),
              cleaned + tail + std::string(1 << 20, '*'));
}

std::string section(const std::string& title, const std::string& body) {
    const std::string rule = std::string(42, '=') + "\n";
    return rule + "        " + title + "\n" + rule + "\n" + body + "\n" + rule + "\n";
}
std::string acrylic(const std::string& state, const std::string& value) {
    return section("Windows Terminal 全局默认设置", "  亚克力模糊：" + state + "\n  透明度数值：" + value + "\n");
}

// Inside Windows Terminal: the report and the slider's start from the first members in the profiles.
TEST(status_report, terminal_and_slider_start) {
    const std::string on = "已启用", off = "已禁用", none = "未设置", unset = acrylic("未设置（使用默认）", none);
    const std::string zeros = std::string(400, '0'), nines = std::string(400, '9');
    // the profiles value; the slider's start opacity and blur; the report's section
    const std::tuple<std::string, int, bool, std::string> rows[] = {
        {R"({"useAcrylic": true})", 80, true, acrylic(on, none)},
        {R"({"useAcrylic": true, "acrylicOpacity": 0.125})", 13, true, acrylic(on, "0.1 (13%)")},
        {R"({"useAcrylic": false, "acrylicOpacity": 2.55})", 80, false,
         acrylic(off, "2.5 (255%)（已设置但模糊已关闭）")},
        {R"({"useAcrylic": true, "acrylicOpacity": .})", 80, true, acrylic(on, none)},
        {R"({"useAcrylic": true, "acrylicOpacity": 0.3.5})", 30, true, acrylic(on, "0.3 (30%)")},
        {R"({"useAcrylic": true, "acrylicOpacity": 1.})", 100, true, acrylic(on, "1.0 (100%)")},
        {R"({"useAcrylic": true, "acrylicOpacity": 0.)" + zeros + "1}", 0, true, acrylic(on, "0.0 (0%)")},
        {R"({"useAcrylic": true, "acrylicOpacity": )" + nines + "}", INT_MAX, true, acrylic(on, none)},
        {R"({"useAcrylic": false, "opacity": 55})", 55, false, acrylic(off, none)},
        {R"({"opacity": 70})", 70, false,
         section("Windows Terminal 全局默认设置", "  纯透明模式：已启用\n  不透明度：70%\n")},
        {R"({"opacity": 2147483648})", INT_MAX, false, unset},
        {R"([{"font": 1}, {"useAcrylic": true, "acrylicOpacity": 0.7}])", 70, true, acrylic(on, "0.7 (70%)")},
        {R"({"font": 1})", 80, false, unset},
        {"", 80, false,  // an empty file: the hint lines, then the classic console's section
         "Windows Terminal 已检测到，但 settings.json 不存在或无法读取。\n请先打开一次 Windows Terminal "
         "以生成配置文件。\n\n" +
             section("传统控制台窗口透明度", "  当前注册表保存的不透明度：100%\n  当前窗口处于完全不透明状态\n")}};
    for (const auto& [text, opacity, blur, report] : rows) {
        host os(text.empty() ? text : R"({"useAcrylic": false, "opacity": 5, "profiles": )" + text + "}");
        os.reg[personalize_key][enable_transparency_value] = 1;
        EXPECT_EQ(os.run("check"), 0);
        EXPECT_EQ(os.out, report + "系统透明效果：已启用\n\n") << text;
        const auto state = read_transparency_state(os);
        EXPECT_EQ(std::pair(state.opacity, state.acrylic), std::pair(opacity, blur)) << text;
    }
}

TEST(status_report, classic_console) {
    // WindowAlpha of the cmd.exe key (-2: 219, no SystemRoot) and Console, style (-1: no window), alpha,
    // EnableTransparency
    using row = std::tuple<int, int, std::int32_t, int, int, std::string, std::string>;
    const std::string off = "已禁用（可能会影响透明显示）";
    const row rows[] = {{-1, -1, 0x100, 204, -1, "100%\n  当前窗口处于完全不透明状态", "未知"},
                        {219, 166, 0x80000, 204, 1, "80%\n  当前窗口实时不透明度：80%", "已启用"},
                        {255, 166, 0x80000, -1, 0, "50%\n  当前窗口实时不透明度：无法获取", off},
                        {-1, 97, 0x80000, 2, 2, "12%\n  当前窗口实时不透明度：0%", off},
                        {-1, -1, -1, 204, -1, "100%", "未知"},
                        {-2, 166, 0x100, -1, -1, "50%\n  当前窗口处于完全不透明状态", "未知"}};
    for (const auto& [cmd, console, style, alpha, transparency, lines, effects] : rows) {
        host os;
        if (cmd != -1) os.reg[cmd_key][window_alpha_value] = cmd < 0 ? 219 : cmd;
        if (cmd == -2) os.env.erase(L"SystemRoot");
        if (console >= 0) os.reg[console_key][window_alpha_value] = console;
        os.style = style;
        os.window = style < 0 ? 0 : os.window;
        if (alpha >= 0) os.alpha = alpha;
        if (transparency >= 0) os.reg[personalize_key][enable_transparency_value] = transparency;
        EXPECT_EQ(os.run(""), 0);
        EXPECT_EQ(os.out, section("传统控制台窗口透明度", "  当前注册表保存的不透明度：" + lines + "\n") +
                              "系统透明效果：" + effects + "\n\n");
        EXPECT_EQ(os.trace(""), "cp=65001 cp=437") << "the report only reads";
    }
}

TEST(slider, frames_keys_and_loop) {
    const std::string at = "\x1b[3;1H\x1b[2K  [", help = "\n\n  ← → 调节透明度 | 空格: 切换模式 | Enter/Esc 退出";
    const std::string outside = "模式：传统控制台（仅透明度）\n\n  ← → 调节透明度 | Enter/Esc 退出";
    EXPECT_EQ(slider_frame(0, true, false), at + ">" + std::string(39, ' ') + "]   0%  " + outside);
    EXPECT_EQ(slider_frame(80, true, true), at + std::string(32, '=') + ">       ]  80%  模式：亚克力模糊" + help);
    EXPECT_EQ(slider_frame(100, false, true), at + std::string(40, '=') + "] 100%  模式：纯透明 (无模糊)" + help);
    EXPECT_EQ(slider_frame(INT_MAX, false, false), at + std::string(40, '=') + "] 2147483647%  " + outside);
    using enum slider_effect;
    // value, inside Windows Terminal, key and second byte; value, blur and effect after
    using row = std::tuple<int, bool, unsigned char, unsigned char, int, bool, slider_effect>;
    const row rows[] = {{50, false, 0xE0, 0x4B, 49, false, apply},     {1, false, 0xE0, 0x4B, 1, false, apply},
                        {100, false, 0xE0, 0x4D, 100, false, apply},   {150, false, 0xE0, 0x50, 100, false, apply},
                        {INT_MIN, false, 0xE0, 0x4B, 1, false, apply}, {50, false, ' ', 0, 50, false, idle},
                        {50, false, 'K', 0, 50, false, idle},          {50, true, '\r', 0, 50, false, leave}};
    for (const auto& [value, inside, key, second, value_after, blur_after, effect] : rows) {
        slider_state state{value, false, inside};
        EXPECT_EQ(slider_key(state, key, second), effect) << value << " " << int{key};
        EXPECT_EQ(std::pair(state.value, state.blur), std::pair(value_after, blur_after)) << value << " " << int{key};
    }
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
        std::string text = i % 2 != 0 ? R"({"profiles": )" : "";  // half of them begin with a profiles member
        for (auto n = rng() % 41; n > 0; --n) text += tokens[rng() % tokens.size()];
        ASSERT_EQ(oracle::differential_check(text), "");
    }
}

// Real settings files (skipped without the folder): restore and set change no byte outside the profiles and leave
// only the members they insert there (also where the file has a blank before the colon).
TEST(settings_text, corpus) {
    const std::string dir = vmtest::env_path("VM_SHARED", "corpus/wt-settings");
    std::error_code error;
    if (dir.empty() || !std::filesystem::is_directory(dir, error)) GTEST_SKIP() << "no settings corpus";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::string text;
        if (entry.path().extension() != ".json" || !vmtest::read_file(entry.path().string(), text)) continue;
        const std::optional<std::string> edits[] = {restore_settings_text(text), edit_for_acrylic(text, 45),
                                                    edit_for_opacity(text, 45)};
        const std::string inserted[] = {"", acrylic_members(45), opacity_members(45)};
        for (int kind = 0; kind < 3; ++kind) {
            if (!edits[kind]) continue;
            EXPECT_EQ(profiles_or_around(*edits[kind], true), profiles_or_around(text, true)) << kind << entry.path();
            std::string left = *edits[kind];  // without the inserted members no transparency member is left
            left.erase(left.find(inserted[kind]), inserted[kind].size());
            for (const auto value : {patterns::acrylic_value, patterns::acrylic_opacity_value, patterns::opacity_value})
                EXPECT_FALSE(search_profiles(left, value)) << kind << entry.path();
        }
    }
}

}  // namespace
}  // namespace frostpane
