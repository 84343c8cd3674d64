#include "banner.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../lib/test_paths.h"

namespace rainbanner {
namespace {

struct Call {
    std::string what;
    std::uint32_t value;
    friend bool operator==(const Call&, const Call&) = default;
};

class FakeConsole final : public banner_console {
public:
    bool is_console = true;
    std::uint32_t initial_mode = 0x3;
    bool accept_vt = true;
    std::vector<Call> calls;
    std::vector<std::string> writes;

    console_handle std_output() override { return 0x50; }
    bool get_console_mode(console_handle, std::uint32_t& mode) override {
        calls.push_back({"get_mode", 0});
        if (!is_console) return false;
        mode = initial_mode;
        return true;
    }
    bool set_console_mode(console_handle, std::uint32_t mode) override {
        calls.push_back({"set_mode", mode});
        if (!is_console) return false;
        return accept_vt || (mode & kEnableVirtualTerminalProcessing) == 0;
    }
    bool set_text_attribute(console_handle, std::uint16_t attribute) override {
        calls.push_back({"attr", attribute});
        return is_console;
    }
    void write_out(std::string_view bytes) override {
        calls.push_back({"write", static_cast<std::uint32_t>(bytes.size())});
        writes.emplace_back(bytes);
    }
    std::string output() const {
        std::string all;
        for (const auto& w : writes) all += w;
        return all;
    }
    std::vector<Call> mode_calls() const {
        std::vector<Call> out;
        for (const auto& c : calls)
            if (c.what == "get_mode" || c.what == "set_mode") out.push_back(c);
        return out;
    }
};

std::vector<std::string> banner_rows() {
    std::vector<std::string> rows;
    std::istringstream in(std::string(kBannerText.substr(1)));
    for (std::string row; std::getline(in, row);) rows.push_back(row);
    return rows;
}

TEST(BannerText, FiveRowsOfOneWidthDrawnWithTheAllowedCharacters) {
    ASSERT_EQ(kBannerText.front(), '\n');
    ASSERT_EQ(kBannerText.back(), '\n');
    const auto rows = banner_rows();
    ASSERT_EQ(rows.size(), 5u);
    for (const auto& row : rows) {
        EXPECT_EQ(row.size(), 48u) << row;
        for (char c : row) EXPECT_NE(std::string(" _/\\|()<>").find(c), std::string::npos) << c;
    }
    EXPECT_EQ(kBannerText.size(), 246u);
}

TEST(RainbowColor, KnownIndicesAndRange) {
    EXPECT_EQ(rainbow_color(0), (rgb{128, 243, 31}));
    EXPECT_EQ(rainbow_color(1), (rgb{143, 236, 22}));
    for (std::uint32_t n = 0; n < 100000; ++n) {
        const rgb c = rainbow_color(n);
        ASSERT_TRUE(c.red >= 1 && c.red <= 255 && c.green >= 1 && c.green <= 255 && c.blue >= 1 && c.blue <= 255) << n;
    }
}

// The same reference file is checked by the native build and by the 32-bit Windows build under
// Wine: a difference in floating-point evaluation (x87, FMA) shows up as a failing index here.
TEST(RainbowColor, MatchesTheIndependentSinglePrecisionModel) {
    const std::string path = vmtest::source_path("tests/rainbanner/rainbow_10000.txt");
    if (path.empty()) GTEST_SKIP() << "VM_SRC not set";
    std::string text;
    ASSERT_TRUE(vmtest::read_file(path, text)) << path;
    std::istringstream in(text);
    std::uint32_t n = 0;
    for (int r, g, b; in >> r >> g >> b; ++n) ASSERT_EQ(rainbow_color(n), (rgb{r, g, b})) << "index " << n;
    EXPECT_EQ(n, 10000u);
}

TEST(RenderRainbow, ColoursEveryCharacterButLineFeeds) {
    const std::string out = render_rainbow(kBannerText);
    EXPECT_EQ(out.rfind("\n\x1b[38;2;128;243;31m_\x1b[38;2;143;236;22m_", 0), 0u);
    EXPECT_EQ(out.substr(out.size() - 5), "\n\x1b[0m");
    // Line feeds carry no colour and do not advance the index: row 2 starts at index 48.
    const rgb c48 = rainbow_color(48);
    const std::string row2 = "\n\x1b[38;2;" + std::to_string(c48.red) + ";" + std::to_string(c48.green) + ";" +
                             std::to_string(c48.blue) + "m\\";
    EXPECT_NE(out.find(row2), std::string::npos);
    std::size_t sequences = 0;
    for (std::size_t p = out.find("\x1b[38;2;"); p != std::string::npos; p = out.find("\x1b[38;2;", p + 1)) ++sequences;
    EXPECT_EQ(sequences, 5u * 48u);
    EXPECT_EQ(render_rainbow("a \nb"), "\x1b[38;2;128;243;31ma\x1b[38;2;143;236;22m \n\x1b[38;2;158;227;14mb\x1b[0m");
}

TEST(RunBanner, VtConsoleGetsOneWriteAndTheModeBack) {
    FakeConsole console;
    EXPECT_EQ(run_banner(console), 0);
    ASSERT_EQ(console.writes.size(), 1u);
    EXPECT_EQ(console.output(), render_rainbow(kBannerText) + "\n");
    EXPECT_EQ(console.mode_calls(), (std::vector<Call>{{"get_mode", 0}, {"set_mode", 0x7}, {"set_mode", 0x3}}));
}

TEST(RunBanner, ModeAlreadyVtIsNotChangedButSetAgain) {
    FakeConsole console;
    console.initial_mode = 0x7;
    run_banner(console);
    EXPECT_EQ(console.mode_calls(), (std::vector<Call>{{"get_mode", 0}, {"set_mode", 0x7}}));
    EXPECT_EQ(console.writes.size(), 1u);
}

TEST(RunBanner, RefusedVtFallsBackToThePalette) {
    FakeConsole console;
    console.accept_vt = false;
    run_banner(console);
    EXPECT_EQ(console.mode_calls(), (std::vector<Call>{{"get_mode", 0}, {"set_mode", 0x7}, {"set_mode", 0x3}}));
    EXPECT_EQ(console.output(), std::string(kBannerText) + "\n");
}

TEST(RunBanner, NoConsolePrintsPlainTextAndSetsModeZero) {
    FakeConsole console;
    console.is_console = false;
    EXPECT_EQ(run_banner(console), 0);
    EXPECT_EQ(console.output(), std::string(kBannerText) + "\n");
    EXPECT_EQ(console.mode_calls(), (std::vector<Call>{{"get_mode", 0}, {"set_mode", 0}}));
}

TEST(PrintPalette, AttributeBeforeEachCharacterWrappingAtFourteen) {
    FakeConsole console;
    print_palette(console, "\nabcdefghijklmnop\nq");
    std::vector<Call> expected = {{"write", 1}};
    const std::uint16_t want[] = {4, 12, 6, 14, 2, 10, 3, 11, 1, 9, 5, 13, 4, 6, 4, 12};
    for (std::uint16_t a : want) {
        expected.push_back({"attr", a});
        expected.push_back({"write", 1});
    }
    expected.push_back({"write", 1});  // the row's line feed: no attribute
    expected.push_back({"attr", 6});   // index 16 continues across the line feed
    expected.push_back({"write", 1});
    expected.push_back({"attr", 7});
    expected.push_back({"write", 1});
    EXPECT_EQ(console.calls, expected);
    EXPECT_EQ(console.output(), "\nabcdefghijklmnop\nq\n");
}

}  // namespace
}  // namespace rainbanner
