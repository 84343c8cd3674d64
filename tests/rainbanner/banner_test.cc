#include "banner.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "../lib/test_paths.h"

namespace rainbanner {
namespace {

// Records every console call as text: "get", "set 7", "attr 4", "write 3".
class recording_console final : public banner_console {
public:
    bool is_console = true, accept_vt = true, refused = false;
    std::uint32_t mode = 0x3;
    std::string calls, out;

    console_handle std_output() override { return 0x50; }
    bool get_console_mode(console_handle, std::uint32_t& m) override {
        calls += "get;";
        if (is_console) m = mode;
        return is_console;
    }
    bool set_console_mode(console_handle, std::uint32_t m) override {
        calls += "set " + std::to_string(m) + ";";
        return is_console && (accept_vt || (m & k_enable_virtual_terminal_processing) == 0);
    }
    bool set_text_attribute(console_handle, std::uint16_t a) override {
        calls += "attr " + std::to_string(a) + ";";
        return is_console;
    }
    void write_out(std::string_view bytes) override {
        calls += "write " + std::to_string(bytes.size()) + ";";
        out += bytes;
    }
    bool colour_refused() override { return refused; }
};

TEST(banner, text_is_five_rows_of_48_columns) {
    std::istringstream rows(std::string(k_banner_text.substr(1)));
    int count = 0;
    for (std::string row; std::getline(rows, row); ++count) {
        EXPECT_EQ(row.size(), 48u) << row;
        EXPECT_EQ(row.find_first_not_of(" _/\\|()<>"), std::string::npos) << row;
    }
    EXPECT_EQ(count, 5);
    EXPECT_EQ(k_banner_text.size(), 246u);
}

// The reference file comes from an independent binary32 model (make_rainbow_golden.py); the
// 32-bit Windows build runs this under Wine, where x87 or FMA evaluation would show up here.
TEST(banner, colours_match_the_single_precision_model) {
    std::string text;
    const std::string path = vmtest::env_path("VM_SRC", "tests/rainbanner/rainbow_10000.txt");
    if (path.empty()) GTEST_SKIP() << "VM_SRC not set";
    ASSERT_TRUE(vmtest::read_file(path, text)) << path;
    std::istringstream in(text);
    std::uint32_t n = 0;
    for (int r, g, b; in >> r >> g >> b; ++n) ASSERT_EQ(rainbow_color(n), (rgb{r, g, b})) << "index " << n;
    EXPECT_EQ(n, 10000u);
}

TEST(banner, rainbow_colours_spaces_but_not_line_feeds) {
    EXPECT_EQ(render_rainbow("a \nb"), "\x1b[38;2;128;243;31ma\x1b[38;2;143;236;22m \n\x1b[38;2;158;227;14mb\x1b[0m");
}

TEST(banner, renderer_and_console_mode_by_console) {
    const std::string rainbow = render_rainbow(k_banner_text) + "\n", plain = std::string(k_banner_text) + "\n";
    struct row {
        bool is_console, accept_vt, refused;
        std::uint32_t mode;
        std::string mode_calls;  // the get/set calls, in order
        bool colours;
        std::size_t writes;
    };
    const row rows[] = {
        {true, true, false, 0x3, "get;set 7;set 3;", true, 1},      // VT switched on, mode put back
        {true, true, false, 0x7, "get;set 7;", true, 1},            // VT already on: set again only at the end
        {true, false, false, 0x3, "get;set 7;set 3;", false, 247},  // VT refused: palette, a write per byte
        {false, true, false, 0x3, "get;set 0;", false, 247},        // a file: the unread mode 0 is set, and fails
        {true, true, true, 0x3, "", false, 1},                      // NO_COLOR: the console is left alone
    };
    for (const row& r : rows) {
        recording_console c;
        c.is_console = r.is_console, c.accept_vt = r.accept_vt, c.refused = r.refused, c.mode = r.mode;
        EXPECT_EQ(run_banner(c), 0);
        EXPECT_EQ(c.out, r.colours ? rainbow : plain) << r.mode_calls;
        std::string modes;
        std::size_t writes = 0;
        for (std::size_t p = 0, e; (e = c.calls.find(';', p)) != std::string::npos; p = e + 1) {
            const std::string call = c.calls.substr(p, e - p + 1);
            if (call.starts_with("get") || call.starts_with("set")) modes += call;
            writes += call.starts_with("write");
        }
        EXPECT_EQ(modes, r.mode_calls);
        EXPECT_EQ(writes, r.writes) << r.mode_calls;
    }
}

TEST(banner, palette_sets_an_attribute_before_each_character_and_wraps_at_14) {
    recording_console c;
    print_palette(c, "\nabcdefghijklmnop\nq");
    std::string want = "write 1;";
    for (std::uint16_t a : {4, 12, 6, 14, 2, 10, 3, 11, 1, 9, 5, 13, 4, 6, 4, 12})
        want += "attr " + std::to_string(a) + ";write 1;";
    want += "write 1;attr 6;write 1;attr 7;write 1;";  // the line feed takes no attribute nor index
    EXPECT_EQ(c.calls, want);
    EXPECT_EQ(c.out, "\nabcdefghijklmnop\nq\n");
}

}  // namespace
}  // namespace rainbanner
