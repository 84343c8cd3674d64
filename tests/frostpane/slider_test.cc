// The slider: its line as bytes, the key handling as a step function, and the loop through the
// fake (keys scripted, every apply and redraw recorded in order).
#include "slider.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
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
        {0, false, false, kRedraw + cells(0, true) + "]   0%  " + kOutside},
        {1, true, true, kRedraw + ">" + std::string(39, ' ') + "]   1%  " + kBlurOn},
        {5, false, true, kRedraw + "==>" + std::string(37, ' ') + "]   5%  " + kBlurOff},
        {80, true, true, kRedraw + std::string(32, '=') + ">" + std::string(7, ' ') + "]  80%  " + kBlurOn},
        {80, true, false, kRedraw + cells(32, true) + "]  80%  " + kOutside},
        {99, false, true, kRedraw + cells(39, true) + "]  99%  " + kBlurOff},
        {100, true, true, kRedraw + cells(40, false) + "] 100%  " + kBlurOn},
        {100, false, false, kRedraw + cells(40, false) + "] 100%  " + kOutside},
        {150, false, true, kRedraw + cells(40, false) + "] 150%  " + kBlurOff},
        {2147483647, true, false, kRedraw + cells(40, false) + "] 2147483647%  " + kOutside},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(slider_frame(c.value, c.blur, c.inside), c.expected)
            << "value " << c.value << " blur " << c.blur << " inside " << c.inside;
    }
}

// Start values only a hand-edited file can give, which the loop must not overflow on.
TEST(SliderKey, ExtremeStartValuesAreClamped) {
    const std::vector<std::pair<slider_state, int>> cases = {{{2147483647, false, false}, 0x4D},
                                                             {{-2147483647 - 1, false, false}, 0x4B}};
    for (const auto& [start, second] : cases) {
        slider_state s = start;
        EXPECT_EQ(slider_key(s, extended_key_prefix, static_cast<unsigned char>(second)), slider_effect::apply);
        EXPECT_EQ(s.value, start.value > 0 ? 100 : 1);
    }
}

// Records each write to standard output among the calls, so the order of applies and redraws
// is visible.
class RecordingFake : public fake_platform {
public:
    void write_stdout(std::string_view bytes) override {
        const std::string text(bytes);
        const auto at = text.find("%  ");
        calls.push_back(at != std::string::npos && at >= 3 ? "draw " + text.substr(at - 3, 3) : "write");
        fake_platform::write_stdout(bytes);
    }
};

using fakehost::cmd_key;
using fakehost::run_command;
using fakehost::settings_path;

// The calls that show the loop's work in order: draws, applies (window alpha) and pauses.
std::vector<std::string> picked(const fake_platform& os, std::initializer_list<std::string_view> prefixes) {
    std::vector<std::string> out;
    for (const auto& call : os.calls) {
        for (const auto p : prefixes) {
            if (call.rfind(p, 0) == 0) {
                out.push_back(call);
                break;
            }
        }
    }
    return out;
}

TEST(SliderLoop, ClassicConsole) {
    struct Case {
        const char* what;
        std::uint32_t stored;  // WindowAlpha
        std::vector<int> keys;
        std::vector<std::string> trace;  // draws, applies (window alpha) and pauses
        std::uint32_t stored_after;
    };
    const std::vector<Case> cases = {
        {"right three times from 50",
         166,
         {0xE0, 0x4D, 0xE0, 0x4D, 0xE0, 0x4D, '\r'},
         {"draw  50", "set_layered 0 130 0x2", "draw  51", "sleep 20", "set_layered 0 132 0x2", "draw  52", "sleep 20",
          "set_layered 0 135 0x2", "draw  53", "sleep 20"},
         171},
        {"left at 1 stays 1 and re-applies",
         78,
         {0xE0, 0x4B, '\r'},
         {"draw   1", "set_layered 0 30 0x2", "draw   1", "sleep 20"},
         78},
        {"right at 100 stays 100",
         255,
         {0xE0, 0x4D, 0x1B},
         {"draw 100", "set_layered 0 255 0x2", "draw 100", "sleep 20"},
         255},
        {"another prefixed key re-applies",
         166,
         {0xE0, 0x47, '\r'},
         {"draw  50", "set_layered 0 127 0x2", "draw  50", "sleep 20"},
         166},
        // Space outside Windows Terminal, a letter, a line feed, a non-prefix byte 0xE1 and a
        // function key: its prefix 0 and the following byte (K, the left arrow's code) are two keys.
        {"keys that change nothing",
         166,
         {' ', 'a', '\n', 0xE1, 0x4B, 0x00, 0x4B, 0x1B},
         {"draw  50", "sleep 20", "sleep 20", "sleep 20", "sleep 20", "sleep 20", "sleep 20", "sleep 20"},
         166},
    };
    for (const auto& c : cases) {
        RecordingFake fresh;
        fakehost::classic_console(fresh);
        fresh.max_idle_polls = 50;
        fresh.set_dword(cmd_key, L"WindowAlpha", c.stored);
        fresh.keys.assign(c.keys.begin(), c.keys.end());
        EXPECT_EQ(run_command(fresh, {"slider"}), 0) << c.what;
        EXPECT_EQ(picked(fresh, {"draw", "set_layered", "sleep"}), c.trace) << c.what;
        EXPECT_EQ(fresh.dword(cmd_key, L"WindowAlpha"), c.stored_after) << c.what;
        EXPECT_EQ(fresh.calls_starting("read_key").size(), c.keys.size()) << "each byte read once: " << c.what;
        EXPECT_EQ(fresh.out.substr(0, 7), "\x1b[2J\x1b[H") << c.what;
        EXPECT_EQ(fresh.out.substr(fresh.out.size() - 2), "\n\n") << c.what;
        EXPECT_EQ(fresh.err, "") << c.what;
    }
}

TEST(SliderLoop, WaitsWithTwentyMillisecondPolls) {
    // Without a key the loop only pauses; the fake ends the endless wait after three polls.
    RecordingFake os;
    os.max_idle_polls = 3;
    EXPECT_THROW(run_command(os, {"slider"}), std::runtime_error);
    EXPECT_EQ(os.calls_starting("sleep 20").size(), 3u);
    EXPECT_TRUE(os.calls_starting("read_key").empty());
}

TEST(SliderLoop, InsideTerminalSpaceSwitchesTheModeAndTheFileFollows) {
    RecordingFake os;
    fakehost::terminal_session(
        os, "{\n  \"profiles\": {\n    \"defaults\": { \"useAcrylic\": true },\n    \"list\": []\n  }\n}\n");
    os.keys = {' ', ' ', 0xE0, 0x4B, '\r'};
    EXPECT_EQ(run_command(os, {"slider"}), 0);
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

TEST(SliderLoop, InsideTerminalAStartOfZeroGoesToOneOnEitherArrow) {
    for (const int arrow : {0x4B, 0x4D}) {
        RecordingFake os;
        fakehost::terminal_session(os, "{\"profiles\": {\"defaults\": {\"opacity\": 0}}}");
        os.keys = {0xE0, arrow, '\r'};
        EXPECT_EQ(run_command(os, {"slider"}), 0);
        EXPECT_EQ(picked(os, {"draw"}), (std::vector<std::string>{"draw   0", "draw   1"})) << arrow;
        EXPECT_EQ(os.files[settings_path], "{\"profiles\": {\"defaults\": { \"opacity\": 1}}}") << arrow;
    }
}

TEST(SliderLoop, StartValueAboveTheRangeIsShownUntilTheFirstArrow) {
    RecordingFake os;
    fakehost::terminal_session(os, "{\"profiles\": {\"defaults\": {\"useAcrylic\": true, \"acrylicOpacity\": 1.5}}}");
    os.keys = {' ', 0xE0, 0x50, '\r'};
    EXPECT_EQ(run_command(os, {"slider"}), 0);
    EXPECT_EQ(picked(os, {"draw"}), (std::vector<std::string>{"draw 150", "draw 150", "draw 100"}));
    // Space applied the clamped value without blur; the down arrow clamped the shown one.
    EXPECT_EQ(os.files[settings_path], "{\"profiles\": {\"defaults\": { \"opacity\": 100}}}");
}

TEST(SliderLoop, ModeIsSwitchedOnOnceAndNotPutBack) {
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

}  // namespace
}  // namespace frostpane
