// The status report: its text from gathered values, the searches over settings texts, and the
// whole command through the fake.
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
const std::string kHint =
    "Windows Terminal 已检测到，但 settings.json 不存在或无法读取。\n"
    "请先打开一次 Windows Terminal 以生成配置文件。\n\n";
using fakehost::cmd_key;
using fakehost::personalize;
using fakehost::run_command;
using fakehost::settings_path;

TerminalFindings acrylic(bool on, bool has_value, double value = 0) {
  TerminalFindings f;
  f.acrylic_found = true;
  f.acrylic_on = on;
  f.acrylic_opacity_found = has_value;
  f.acrylic_opacity = value;
  return f;
}

TerminalFindings plain_opacity(int value) {
  TerminalFindings f;
  f.opacity_found = true;
  f.opacity = value;
  return f;
}

TEST(StatusText, TerminalBodies) {
  TerminalFindings all = acrylic(true, true, 0.3);
  all.opacity_found = true;
  all.opacity = 90;
  struct Case {
    const char* what;
    TerminalFindings found;
    std::string body;
  };
  const std::vector<Case> cases = {
      {"acrylic on, no value", acrylic(true, false), "  亚克力模糊：已启用\n  透明度数值：未设置\n"},
      {"acrylic on, 0.8", acrylic(true, true, 0.8), "  亚克力模糊：已启用\n  透明度数值：0.8 (80%)\n"},
      {"0.33 prints 0.3", acrylic(true, true, 0.33), "  亚克力模糊：已启用\n  透明度数值：0.3 (33%)\n"},
      {"1 prints 1.0", acrylic(true, true, 1.0), "  亚克力模糊：已启用\n  透明度数值：1.0 (100%)\n"},
      {"0.125: percent rounds away from zero", acrylic(true, true, 0.125),
       "  亚克力模糊：已启用\n  透明度数值：0.1 (13%)\n"},
      {"0.29 is 29, not 28", acrylic(true, true, 0.29), "  亚克力模糊：已启用\n  透明度数值：0.3 (29%)\n"},
      {"0.25 is correctly rounded to 0.2", acrylic(true, true, 0.25),
       "  亚克力模糊：已启用\n  透明度数值：0.2 (25%)\n"},
      {"above 1", acrylic(true, true, 2.55), "  亚克力模糊：已启用\n  透明度数值：2.5 (255%)\n"},
      {"acrylic off with a value", acrylic(false, true, 0.5),
       "  亚克力模糊：已禁用\n  透明度数值：0.5 (50%)（已设置但模糊已关闭）\n"},
      {"acrylic off, no value", acrylic(false, false), "  亚克力模糊：已禁用\n  透明度数值：未设置\n"},
      {"plain opacity", plain_opacity(70), "  纯透明模式：已启用\n  不透明度：70%\n"},
      {"plain opacity 0", plain_opacity(0), "  纯透明模式：已启用\n  不透明度：0%\n"},
      {"all three: only the acrylic lines", all, "  亚克力模糊：已启用\n  透明度数值：0.3 (30%)\n"},
      {"nothing", TerminalFindings{}, "  亚克力模糊：未设置（使用默认）\n  透明度数值：未设置\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(terminal_section_text(c.found), kTerminalHead + c.body + kTail) << c.what;
}

TEST(StatusText, ConsoleLines) {
  struct Case {
    int stored;
    LiveWindow live;
    std::uint8_t alpha;
    std::string lines;
  };
  const std::vector<Case> cases = {
      {100, LiveWindow::absent, 0, "  当前注册表保存的不透明度：100%\n"},
      {50, LiveWindow::not_layered, 0, "  当前注册表保存的不透明度：50%\n  当前窗口处于完全不透明状态\n"},
      {50, LiveWindow::alpha, 127, "  当前注册表保存的不透明度：50%\n  当前窗口实时不透明度：49%\n"},
      {80, LiveWindow::alpha, 204, "  当前注册表保存的不透明度：80%\n  当前窗口实时不透明度：80%\n"},
      {1, LiveWindow::alpha, 30, "  当前注册表保存的不透明度：1%\n  当前窗口实时不透明度：11%\n"},
      {100, LiveWindow::alpha, 255, "  当前注册表保存的不透明度：100%\n  当前窗口实时不透明度：100%\n"},
      {100, LiveWindow::alpha, 2, "  当前注册表保存的不透明度：100%\n  当前窗口实时不透明度：0%\n"},
      {7, LiveWindow::unreadable, 0, "  当前注册表保存的不透明度：7%\n  当前窗口实时不透明度：无法获取\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(console_section_text(c.stored, c.live, c.alpha), kConsoleHead + c.lines + kTail) << c.lines;
  }
}

TEST(StatusText, EffectsLine) {
  EXPECT_EQ(effects_line_text(TransparencyEffects::enabled), "系统透明效果：已启用\n");
  EXPECT_EQ(effects_line_text(TransparencyEffects::disabled), "系统透明效果：已禁用（可能会影响透明显示）\n");
  EXPECT_EQ(effects_line_text(TransparencyEffects::unknown), "系统透明效果：未知\n");
}

TEST(StatusText, HintLinesReplaceTheTerminalSection) {
  StatusFacts facts;
  facts.inside_terminal = true;
  facts.settings_readable = false;
  facts.terminal = acrylic(true, true, 0.5);  // never shown without a readable file
  facts.stored_percent = 64;
  EXPECT_EQ(status_report_text(facts),
            kHint + kConsoleHead + "  当前注册表保存的不透明度：64%\n" + kTail + "系统透明效果：未知\n\n");
}

struct FindCase {
  const char* what;
  std::string text;
  TerminalFindings expected;
};

TEST(StatusSearch, FirstMatchOutsideCommentsAndStrings) {
  TerminalFindings off_half = acrylic(false, true, 0.5);
  TerminalFindings all = acrylic(true, true, 0.3);
  all.opacity_found = true;
  all.opacity = 90;
  const std::vector<FindCase> cases = {
      {"a profile before the defaults carries false",
       R"({"profiles": {"list": [{"name": "a", "useAcrylic": false}], "defaults": {"useAcrylic": true}}})",
       acrylic(false, false)},
      {"all three present", R"({"useAcrylic": true, "acrylicOpacity": 0.3, "opacity": 90})", all},
      {"a blank before the colon is not the member", R"({"useAcrylic" : true, "opacity": 55})", plain_opacity(55)},
      {"white space after the colon", "{\"useAcrylic\":\r\n\ttrue,\"acrylicOpacity\":\t0.5}", acrylic(true, true, 0.5)},
      {"off with a value", R"({"useAcrylic": false, "acrylicOpacity": 0.5})", off_half},
      {"a commented-out member is not the setting",
       "{\n// \"useAcrylic\": true,\n\"useAcrylic\": false, \"acrylicOpacity\": 0.5\n}", off_half},
      {"a block comment hides members", "{/* \"useAcrylic\": true \"opacity\": 20 */ \"opacity\": 70}",
       plain_opacity(70)},
      {"a member name inside a string value is not a member",
       R"({"commandline": "x \"useAcrylic\": true \"opacity\": 5", "opacity": 44})", plain_opacity(44)},
      {"a lone point is no number", R"({"useAcrylic": true, "acrylicOpacity": .})", acrylic(true, false)},
      {"two points are no number", R"({"useAcrylic": false, "acrylicOpacity": ..})", acrylic(false, false)},
      {"the longest leading number", R"({"useAcrylic": true, "acrylicOpacity": 0.8.5})", acrylic(true, true, 0.8)},
      {"a leading point", R"({"useAcrylic": true, "acrylicOpacity": .25})", acrylic(true, true, 0.25)},
      {"a number too long for a double is absent",
       R"({"useAcrylic": true, "acrylicOpacity": 1)" + std::string(400, '0') + "}", acrylic(true, false)},
      {"an opacity beyond 32 bits is absent", R"({"opacity": 2147483648})", TerminalFindings{}},
      {"the largest 32-bit opacity", R"({"opacity": 2147483647})", plain_opacity(2147483647)},
      {"acrylicOpacity is not opacity", R"({"acrylicOpacity": 0.4})",
       [] {
         TerminalFindings f;
         f.acrylic_opacity_found = true;
         f.acrylic_opacity = 0.4;
         return f;
       }()},
      {"a fractional opacity is no member of the integer form", R"({"opacity": 70.5, "x": 1})", TerminalFindings{}},
      {"a quoted value is not matched", R"({"useAcrylic": "true", "opacity": "70"})", TerminalFindings{}},
      {"empty object", "{}", TerminalFindings{}},
  };
  for (const auto& c : cases) {
    const TerminalFindings f = find_terminal_values(c.text);
    EXPECT_EQ(f.acrylic_found, c.expected.acrylic_found) << c.what;
    EXPECT_EQ(f.acrylic_on, c.expected.acrylic_on) << c.what;
    EXPECT_EQ(f.acrylic_opacity_found, c.expected.acrylic_opacity_found) << c.what;
    if (c.expected.acrylic_opacity_found) {
      EXPECT_EQ(f.acrylic_opacity, c.expected.acrylic_opacity) << c.what;
    }
    EXPECT_EQ(f.opacity_found, c.expected.opacity_found) << c.what;
    if (c.expected.opacity_found) {
      EXPECT_EQ(f.opacity, c.expected.opacity) << c.what;
    }
  }
}

// The whole command through the fake, as the dispatcher runs it.
TEST(ShowStatus, ClassicConsoleCases) {
  struct Case {
    const char* what;
    std::function<void(FakePlatform&)> setup;
    std::string lines;
    std::string effects;
  };
  const std::vector<Case> cases = {
      {"nothing stored, never layered, no Personalize key", [](FakePlatform&) {},
       "  当前注册表保存的不透明度：100%\n  当前窗口处于完全不透明状态\n", "系统透明效果：未知\n"},
      {"after set 50", [](FakePlatform& f) { set_transparency(f, 50, true); },
       "  当前注册表保存的不透明度：50%\n  当前窗口实时不透明度：49%\n", "系统透明效果：未知\n"},
      {"after set 80 with transparency off",
       [](FakePlatform& f) {
         f.set_dword(personalize, L"EnableTransparency", 0);
         set_transparency(f, 80, false);
       },
       "  当前注册表保存的不透明度：80%\n  当前窗口实时不透明度：80%\n", "系统透明效果：已启用\n"},
      {"no console window: no live line", [](FakePlatform& f) { f.window = 0; }, "  当前注册表保存的不透明度：100%\n",
       "系统透明效果：未知\n"},
      {"layered but the alpha cannot be read",
       [](FakePlatform& f) {
         f.exstyle |= ws_ex_layered;
         f.set_dword(personalize, L"EnableTransparency", 0);
       },
       "  当前注册表保存的不透明度：100%\n  当前窗口实时不透明度：无法获取\n",
       "系统透明效果：已禁用（可能会影响透明显示）\n"},
      {"the cmd key is read before Console",
       [](FakePlatform& f) {
         f.set_dword(L"Console", L"WindowAlpha", 166);
         f.set_dword(cmd_key, L"WindowAlpha", 219);
         f.set_dword(personalize, L"EnableTransparency", 1);
       },
       "  当前注册表保存的不透明度：80%\n  当前窗口处于完全不透明状态\n", "系统透明效果：已启用\n"},
      {"EnableTransparency 2 counts as off",
       [](FakePlatform& f) { f.set_dword(personalize, L"EnableTransparency", 2); },
       "  当前注册表保存的不透明度：100%\n  当前窗口处于完全不透明状态\n",
       "系统透明效果：已禁用（可能会影响透明显示）\n"},
      {"Personalize key without the value", [](FakePlatform& f) { f.add_key(personalize); },
       "  当前注册表保存的不透明度：100%\n  当前窗口处于完全不透明状态\n", "系统透明效果：未知\n"},
      {"EnableTransparency longer than 4 bytes cannot be read",
       [](FakePlatform& f) {
         f.set_value(personalize, L"EnableTransparency", {3, std::string("123456", 6)});
       },
       "  当前注册表保存的不透明度：100%\n  当前窗口处于完全不透明状态\n", "系统透明效果：未知\n"},
  };
  for (const auto& c : cases) {
    FakePlatform os;
    fakehost::classic_console(os);
    c.setup(os);
    os.out.clear();
    os.calls.clear();
    EXPECT_EQ(run_command(os, {}), 0) << c.what;
    EXPECT_EQ(os.out, kConsoleHead + c.lines + kTail + c.effects + "\n") << c.what;
    EXPECT_EQ(os.err, "") << c.what;
    // The report only reads.
    EXPECT_TRUE(os.calls_starting("reg_set").empty()) << c.what;
    EXPECT_TRUE(os.calls_starting("reg_create").empty()) << c.what;
    EXPECT_TRUE(os.calls_starting("set_window_long").empty()) << c.what;
    EXPECT_TRUE(os.calls_starting("set_layered").empty()) << c.what;
  }
}

TEST(ShowStatus, InsideTerminalReadsOnlyTheFileAndPersonalize) {
  const std::string settings =
      "\xEF\xBB\xBF{\r\n  \"profiles\": {\r\n    \"defaults\": { \"useAcrylic\": true, \"acrylicOpacity\": 0.8 }\r\n"
      "  }\r\n}\r\n";
  FakePlatform os;
  fakehost::terminal_session(os, settings);
  os.set_dword(personalize, L"EnableTransparency", 1);
  os.set_dword(L"Console", L"WindowAlpha", 166);
  EXPECT_EQ(run_command(os, {"check"}), 0);
  EXPECT_EQ(os.out,
            kTerminalHead + "  亚克力模糊：已启用\n  透明度数值：0.8 (80%)\n" + kTail + "系统透明效果：已启用\n\n");
  EXPECT_EQ(os.err, "");
  EXPECT_TRUE(os.calls_starting("get_console_window").empty());
  EXPECT_TRUE(os.calls_starting("reg_open Console").empty());
  EXPECT_TRUE(os.calls_starting("replace_file").empty());
  EXPECT_EQ(os.files[settings_path], settings);
}

TEST(ShowStatus, TerminalExamplesThroughTheFake) {
  struct Case {
    const char* what;
    std::string settings;
    std::string body;
  };
  const std::vector<Case> cases = {
      {"acrylic on without a value", R"({"profiles": {"defaults": {"useAcrylic": true}}})",
       "  亚克力模糊：已启用\n  透明度数值：未设置\n"},
      {"acrylic off with a value", R"({"profiles": {"defaults": {"useAcrylic": false, "acrylicOpacity": 0.5}}})",
       "  亚克力模糊：已禁用\n  透明度数值：0.5 (50%)（已设置但模糊已关闭）\n"},
      {"plain opacity", R"({"profiles": {"defaults": {"opacity": 70}}})", "  纯透明模式：已启用\n  不透明度：70%\n"},
      {"all three present", R"({"profiles": {"defaults": {"useAcrylic": true, "acrylicOpacity": 0.3, "opacity": 90}}})",
       "  亚克力模糊：已启用\n  透明度数值：0.3 (30%)\n"},
      {"a profile before the defaults carries false",
       R"({"profiles": {"list": [{"useAcrylic": false}], "defaults": {"useAcrylic": true, "acrylicOpacity": 0.8}}})",
       "  亚克力模糊：已禁用\n  透明度数值：0.8 (80%)（已设置但模糊已关闭）\n"},
      {"a blank before the colon is not found", R"({"profiles": {"defaults": {"useAcrylic" : true}}})",
       "  亚克力模糊：未设置（使用默认）\n  透明度数值：未设置\n"},
      {"a lone point is no number", R"({"useAcrylic": true, "acrylicOpacity": .})",
       "  亚克力模糊：已启用\n  透明度数值：未设置\n"},
      {"an opacity beyond 32 bits", R"({"opacity": 99999999999})",
       "  亚克力模糊：未设置（使用默认）\n  透明度数值：未设置\n"},
  };
  for (const auto& c : cases) {
    FakePlatform os;
    fakehost::terminal_session(os, c.settings);
    EXPECT_EQ(run_command(os, {"check"}), 0) << c.what;
    EXPECT_EQ(os.out, kTerminalHead + c.body + kTail + "系统透明效果：未知\n\n") << c.what;
    EXPECT_EQ(os.err, "") << c.what;
  }
}

TEST(ShowStatus, InsideTerminalWithoutAReadableFileShowsTheHintThenTheConsole) {
  for (const auto& settings : {std::optional<std::string>(), std::optional<std::string>("")}) {
    FakePlatform os;
    fakehost::terminal_session(os, settings);
    os.set_dword(L"Console", L"WindowAlpha", 166);
    EXPECT_EQ(run_command(os, {"check", "extra", "words"}), 0);
    EXPECT_EQ(os.out, kHint + kConsoleHead + "  当前注册表保存的不透明度：50%\n  当前窗口处于完全不透明状态\n" + kTail +
                          "系统透明效果：未知\n\n");
    EXPECT_EQ(os.files.count(settings_path), settings ? 1u : 0u) << "the file is never created";
  }
}

TEST(ShowStatus, InsideTerminalWithoutLocalAppDataEndsWithItsMessage) {
  FakePlatform os;
  os.env[L"WT_SESSION"] = L"x";
  try {
    run_command(os, {"check"});
    FAIL() << "expected the program to end";
  } catch (const FakeExit& e) {
    EXPECT_EQ(e.status, 1);
  }
  EXPECT_EQ(os.out, "");
  EXPECT_EQ(os.err, "错误：未找到 LOCALAPPDATA 环境变量。\n");
}

}  // namespace
}  // namespace frostpane
