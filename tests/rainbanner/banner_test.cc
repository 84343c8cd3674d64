#include "banner.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "../lib/test_paths.h"

namespace rainbanner {
namespace {

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

}  // namespace
}  // namespace rainbanner
