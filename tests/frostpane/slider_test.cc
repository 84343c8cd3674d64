// The slider: its line as bytes, the key handling as a step function, and the loop through the
// fake (keys scripted, every apply and redraw recorded in order).
#include "slider.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_host.h"

namespace frostpane {
namespace {

const std::string kRedraw = "\x1b[3;1H\x1b[2K  [";
const std::string kInsideHelp = "\n\n  ← → 调节透明度 | 空格: 切换模式 | Enter/Esc 退出";
const std::string kOutside = "模式：传统控制台（仅透明度）\n\n  ← → 调节透明度 | Enter/Esc 退出";
const std::string kBlurOn = "模式：亚克力模糊" + kInsideHelp;
const std::string kBlurOff = "模式：纯透明 (无模糊)" + kInsideHelp;

std::string cells(int filled, bool head) {
  std::string bar(static_cast<std::size_t>(filled), '=');
  if (head) bar += '>';
  bar.resize(40, ' ');
  return bar;
}

TEST(SliderFrame, Bytes) {
  struct Case {
    int value;
    bool blur;
    bool inside;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {0, false, false, kRedraw + ">" + std::string(39, ' ') + "]   0%  " + kOutside},
      {1, false, false, kRedraw + ">" + std::string(39, ' ') + "]   1%  " + kOutside},
      {1, true, true, kRedraw + ">" + std::string(39, ' ') + "]   1%  " + kBlurOn},
      {5, true, true, kRedraw + "==>" + std::string(37, ' ') + "]   5%  " + kBlurOn},
      {5, false, true, kRedraw + "==>" + std::string(37, ' ') + "]   5%  " + kBlurOff},
      {80, true, true, kRedraw + std::string(32, '=') + ">" + std::string(7, ' ') + "]  80%  " + kBlurOn},
      {80, false, true, kRedraw + cells(32, true) + "]  80%  " + kBlurOff},
      {80, true, false, kRedraw + cells(32, true) + "]  80%  " + kOutside},
      {99, false, true, kRedraw + std::string(39, '=') + ">" + "]  99%  " + kBlurOff},
      {99, false, false, kRedraw + std::string(39, '=') + ">" + "]  99%  " + kOutside},
      {100, true, true, kRedraw + std::string(40, '=') + "] 100%  " + kBlurOn},
      {100, false, false, kRedraw + std::string(40, '=') + "] 100%  " + kOutside},
      {150, false, true, kRedraw + std::string(40, '=') + "] 150%  " + kBlurOff},
      {2147483647, true, false, kRedraw + std::string(40, '=') + "] 2147483647%  " + kOutside},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(slider_frame(c.value, c.blur, c.inside), c.expected)
        << "value " << c.value << " blur " << c.blur << " inside " << c.inside;
  }
}

constexpr unsigned char kPrefix = extended_key_prefix;
constexpr unsigned char kLeft = 0x4B, kRight = 0x4D, kUp = 0x48, kDown = 0x50, kHome = 0x47;

TEST(SliderKey, Steps) {
  struct Case {
    const char* what;
    SliderState start;
    unsigned char key;
    unsigned char second;
    SliderEffect effect;
    int value;
    bool blur;
  };
  const std::vector<Case> cases = {
      {"left", {50, false, false}, kPrefix, kLeft, SliderEffect::apply, 49, false},
      {"right", {50, true, true}, kPrefix, kRight, SliderEffect::apply, 51, true},
      {"left at 1 stays 1 and re-applies", {1, false, false}, kPrefix, kLeft, SliderEffect::apply, 1, false},
      {"right at 100 stays 100", {100, false, false}, kPrefix, kRight, SliderEffect::apply, 100, false},
      {"start 0, right", {0, false, true}, kPrefix, kRight, SliderEffect::apply, 1, false},
      {"start 0, left", {0, false, true}, kPrefix, kLeft, SliderEffect::apply, 1, false},
      {"start above 100, left", {150, false, false}, kPrefix, kLeft, SliderEffect::apply, 100, false},
      {"start at the int maximum, right", {2147483647, false, false}, kPrefix, kRight, SliderEffect::apply, 100, false},
      {"start at the int minimum, left",
       {-2147483647 - 1, false, false},
       kPrefix,
       kLeft,
       SliderEffect::apply,
       1,
       false},
      {"up re-applies", {42, false, false}, kPrefix, kUp, SliderEffect::apply, 42, false},
      {"down re-applies", {42, true, true}, kPrefix, kDown, SliderEffect::apply, 42, true},
      {"home clamps a start value", {0, false, false}, kPrefix, kHome, SliderEffect::apply, 1, false},
      {"space inside turns blur on", {30, false, true}, ' ', 0, SliderEffect::apply, 30, true},
      {"space inside turns blur off", {30, true, true}, ' ', 0, SliderEffect::apply, 30, false},
      {"space keeps an unclamped start", {0, false, true}, ' ', 0, SliderEffect::apply, 0, true},
      {"space outside does nothing", {30, false, false}, ' ', 0, SliderEffect::idle, 30, false},
      {"enter leaves", {30, true, true}, '\r', 0, SliderEffect::leave, 30, true},
      {"esc leaves", {30, false, false}, 0x1B, 0, SliderEffect::leave, 30, false},
      {"function-key prefix 0 alone", {30, false, false}, 0x00, 0, SliderEffect::idle, 30, false},
      {"a K after prefix 0 is a key of its own", {30, false, false}, kLeft, 0, SliderEffect::idle, 30, false},
      {"letter", {30, false, true}, 'a', 0, SliderEffect::idle, 30, false},
      {"line feed is not Enter", {30, false, false}, '\n', 0, SliderEffect::idle, 30, false},
      {"prefix byte value of a typed character", {30, false, false}, 0xE1, kLeft, SliderEffect::idle, 30, false},
  };
  for (const auto& c : cases) {
    SliderState s = c.start;
    EXPECT_EQ(slider_key(s, c.key, c.second), c.effect) << c.what;
    EXPECT_EQ(s.value, c.value) << c.what;
    EXPECT_EQ(s.blur, c.blur) << c.what;
    EXPECT_EQ(s.inside, c.start.inside) << c.what;
  }
}

// Records each write to standard output among the calls, so the order of applies and redraws
// is visible.
class RecordingFake : public FakePlatform {
 public:
  void write_stdout(std::string_view bytes) override {
    const std::string text(bytes);
    const auto at = text.find("%  ");
    calls.push_back(at != std::string::npos && at >= 3 ? "draw " + text.substr(at - 3, 3) : "write");
    FakePlatform::write_stdout(bytes);
  }
};

using fakehost::cmd_key;
using fakehost::run_command;
using fakehost::settings_path;

class Slider : public ::testing::Test {
 protected:
  RecordingFake os;
  void SetUp() override {
    fakehost::classic_console(os);
    os.max_idle_polls = 50;
  }
  void inside(const std::string& settings) { fakehost::terminal_session(os, settings); }
  void keys(std::initializer_list<int> bytes) { os.keys.insert(os.keys.end(), bytes); }
  int run() { return run_command(os, {"slider"}); }
  // The calls that matter to the loop: reads, applies (window alpha), draws and pauses.
  std::vector<std::string> loop_calls(const std::vector<std::string>& prefixes) const {
    std::vector<std::string> picked;
    for (const auto& c : os.calls) {
      for (const auto& p : prefixes) {
        if (c.compare(0, p.size(), p) == 0) {
          picked.push_back(c);
          break;
        }
      }
    }
    return picked;
  }
};

TEST_F(Slider, ClassicRightThreeTimesFromStored50) {
  os.set_dword(cmd_key, L"WindowAlpha", 166);
  keys({0xE0, 0x4D, 0xE0, 0x4D, 0xE0, 0x4D, '\r'});
  EXPECT_EQ(run(), 0);
  // One line per key: the value applied (window alpha), redrawn, then the pause.
  const std::vector<std::string> expected = {
      "set_console_mode 0x7", "write", "draw  50",
      "read_key 224", "read_key 77", "set_layered 0 130 0x2", "draw  51", "sleep 20",
      "read_key 224", "read_key 77", "set_layered 0 132 0x2", "draw  52", "sleep 20",
      "read_key 224", "read_key 77", "set_layered 0 135 0x2", "draw  53", "sleep 20",
      "read_key 13", "write"};
  EXPECT_EQ(loop_calls({"set_console_mode", "write", "draw", "read_key", "set_layered", "sleep"}), expected);
  EXPECT_EQ(os.dword(cmd_key, L"WindowAlpha"), 171u);
  EXPECT_EQ(os.dword(L"Console", L"WindowAlpha"), 171u);
  const std::string first = slider_frame(50, false, false);
  const std::string last = slider_frame(53, false, false);
  EXPECT_EQ(os.out.substr(0, 7 + first.size()), "\x1b[2J\x1b[H" + first);
  EXPECT_EQ(os.out.substr(os.out.size() - last.size() - 2), last + "\n\n");
  EXPECT_EQ(os.err, "");
}

TEST_F(Slider, EdgesOfTheRangeStillReApply) {
  struct Case {
    const char* what;
    std::uint32_t stored;
    int second;
    std::string draw;
    std::uint32_t alpha_after;
  };
  const std::vector<Case> cases = {
      {"left at 1", 78, 0x4B, "draw   1", 78},
      {"right at 100", 255, 0x4D, "draw 100", 255},
      {"up at 42", 76 + (42 * 179 + 50) / 100, 0x48, "draw  42", 76 + (42 * 179 + 50) / 100},
      {"down at 42", 76 + (42 * 179 + 50) / 100, 0x50, "draw  42", 76 + (42 * 179 + 50) / 100},
  };
  for (const auto& c : cases) {
    RecordingFake fresh;
    fakehost::classic_console(fresh);
    fresh.set_dword(L"Console", L"WindowAlpha", c.stored);
    fresh.keys = {0xE0, c.second, '\r'};
    EXPECT_EQ(run_command(fresh, {"slider"}), 0);
    EXPECT_EQ(fresh.calls_starting("reg_set Console\\WindowAlpha").size(), 1u) << c.what;
    EXPECT_EQ(fresh.calls_starting("set_layered").size(), 1u) << c.what;
    EXPECT_EQ(fresh.calls_starting("draw").size(), 2u) << c.what;
    EXPECT_EQ(fresh.calls_starting("draw").back(), c.draw) << c.what;
    EXPECT_EQ(fresh.dword(L"Console", L"WindowAlpha"), c.alpha_after) << c.what;
  }
}

TEST_F(Slider, KeysThatChangeNothing) {
  os.set_dword(L"Console", L"WindowAlpha", 166);
  // Space outside Windows Terminal, a letter, a line feed, and a function key: its prefix 0 and
  // the following byte (K, the left arrow's code) are two keys, neither of them an arrow.
  keys({' ', 'a', '\n', 0x00, 0x4B, 0x1B});
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(loop_calls({"draw", "read_key", "set_layered", "reg_set", "sleep"}),
            (std::vector<std::string>{"draw  50", "read_key 32", "sleep 20", "read_key 97", "sleep 20", "read_key 10",
                                      "sleep 20", "read_key 0", "sleep 20", "read_key 75", "sleep 20", "read_key 27"}));
  EXPECT_EQ(os.out, "\x1b[2J\x1b[H" + slider_frame(50, false, false) + "\n\n");
}

TEST_F(Slider, WaitsWithTwentyMillisecondPolls) {
  // Without a key the loop only pauses; the fake ends the endless wait after three polls.
  os.max_idle_polls = 3;
  EXPECT_THROW(run(), std::runtime_error);
  EXPECT_EQ(os.calls_starting("sleep 20").size(), 3u);
  EXPECT_TRUE(os.calls_starting("read_key").empty());
}

TEST_F(Slider, InsideTerminalSpaceSwitchesTheModeAndTheFileFollows) {
  inside("{\n  \"profiles\": {\n    \"defaults\": { \"useAcrylic\": true },\n    \"list\": []\n  }\n}\n");
  keys({' ', ' ', 0xE0, 0x4B, '\r'});
  EXPECT_EQ(run(), 0);
  // Start: acrylic on without a value is 80 with blur.
  EXPECT_EQ(os.out.substr(7, slider_frame(80, true, true).size()), slider_frame(80, true, true));
  EXPECT_NE(os.out.find(slider_frame(80, false, true)), std::string::npos);
  EXPECT_EQ(os.calls_starting("replace_file").size(), 3u);
  EXPECT_EQ(os.files[settings_path],
            "{\n  \"profiles\": {\n    \"defaults\": { \"useAcrylic\": true, \"acrylicOpacity\": 0.8},\n"
            "    \"list\": []\n  }\n}\n");
  EXPECT_TRUE(os.calls_starting("reg_").empty()) << "the registry is not touched inside Windows Terminal";
  EXPECT_EQ(os.out.substr(os.out.size() - slider_frame(79, true, true).size() - 2),
            slider_frame(79, true, true) + "\n\n");
}

TEST_F(Slider, InsideTerminalPlainModeWritesTheOpacityMember) {
  inside("{\"profiles\": {\"defaults\": {\"opacity\": 0}}}");
  keys({0xE0, 0x4D, '\r'});
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(os.out.substr(7, slider_frame(0, false, true).size()), slider_frame(0, false, true));
  EXPECT_EQ(os.files[settings_path], "{\"profiles\": {\"defaults\": { \"opacity\": 1}}}");
}

TEST_F(Slider, StartValueAboveTheRangeIsShownUntilTheFirstArrow) {
  inside("{\"profiles\": {\"defaults\": {\"useAcrylic\": true, \"acrylicOpacity\": 1.5}}}");
  keys({' ', 0xE0, 0x50, '\r'});
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(loop_calls({"draw"}), (std::vector<std::string>{"draw 150", "draw 150", "draw 100"}));
  // Space applied the clamped value without blur; the down arrow clamped the shown one.
  EXPECT_EQ(os.files[settings_path], "{\"profiles\": {\"defaults\": { \"opacity\": 100}}}");
}

TEST_F(Slider, ModeIsSwitchedOnOnceAndNotPutBack) {
  for (const bool console : {true, false}) {
    RecordingFake fresh;
    if (!console) fresh.stdout_mode.reset();
    fresh.keys = {'\r'};
    EXPECT_EQ(run_command(fresh, {"slider"}), 0);
    EXPECT_EQ(fresh.calls_starting("set_console_mode"),
              std::vector<std::string>{console ? "set_console_mode 0x7" : "set_console_mode 0x4"});
    EXPECT_EQ(fresh.out, "\x1b[2J\x1b[H" + slider_frame(100, false, false) + "\n\n");
  }
}

TEST_F(Slider, InsideTerminalWithoutLocalAppDataEndsAfterClearingTheScreen) {
  os.env[L"WT_SESSION"] = L"x";
  keys({'\r'});
  EXPECT_THROW(run(), FakeExit);
  EXPECT_EQ(os.out, "\x1b[2J\x1b[H");
  EXPECT_EQ(os.err, "错误：未找到 LOCALAPPDATA 环境变量。\n");
}

}  // namespace
}  // namespace frostpane
