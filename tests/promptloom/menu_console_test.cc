// The interactive menus run through the recording fake console: exact bytes and
// console calls, the fallbacks, raw mode on every way out, and the timing rules
// on the fake clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "promptloom.h"
#include "raw_mode.h"

namespace plm {
namespace {

const std::string kText = "\x1b[38;2;230;237;243m";
const std::string kNumber = "\x1b[38;2;138;180;248m";
const std::string kAccent = "\x1b[38;2;122;209;168m";
const std::string kBold = "\x1b[1m";
const std::string kUnder = "\x1b[4m";
const std::string kReset = "\x1b[0m";

std::string at(int row) { return "\x1b[" + std::to_string(row) + ";1H"; }
std::string row_start(int row) { return at(row) + "\x1b[2K" + at(row); }               // a list row, 1-based
std::string bottom_start(int row) { return at(row) + at(row) + "\x1b[2K" + at(row); }  // status or hint
std::string highlighted(int n, const std::string& text) {
    return kText + kBold + kUnder + std::to_string(n) + ". " + text + kReset;
}
std::string plain_vt(int n, const std::string& text) {
    return "  " + kNumber + kBold + std::to_string(n) + "." + kReset + " " + kText + text + kReset;
}

std::string sgr(int button, int x, int y, bool release = false) {
    return "\x1b[<" + std::to_string(button) + ";" + std::to_string(x) + ";" + std::to_string(y) +
           (release ? "m" : "M");
}

const char* const kDown = "\x1b[B";
const char* const kUp = "\x1b[A";
const char* const kEnter = "\r";
const char* const kEscape = "\x1b\x1b";

struct menu_test : ::testing::Test {
    fake_platform fake;
    platform_override use{fake};
    plm_context* ctx = nullptr;
    std::vector<std::string> names;
    std::vector<const char*> items;

    void SetUp() override { ctx = plm_context_create(); }
    void TearDown() override { plm_context_destroy(ctx); }

    void make_items(size_t n) {
        names.clear();
        for (size_t i = 0; i < n; ++i) names.push_back("item" + std::to_string(i + 1));
        items.clear();
        for (const auto& s : names) items.push_back(s.c_str());
    }

    // The output after the raw-mode sequences.
    std::string drawn() const {
        const std::string on = "\x1b[?1006h";
        size_t p = fake.out.find(on);
        return p == std::string::npos ? fake.out : fake.out.substr(p + on.size());
    }

    // Raw mode was left as often as it was entered, with the modes put back.
    void expect_raw_mode_left() {
        EXPECT_EQ(raw_mode_count(), 0);
        EXPECT_FALSE(fake.ctrl_handler_installed);
        EXPECT_NE(fake.out.find("\x1b[?1000l\x1b[?1015l\x1b[?1006l\x1b[?1003l"), std::string::npos);
        EXPECT_EQ(fake.input_mode, 0x1F7u);
        EXPECT_EQ(fake.output_mode, 0x3u);
    }

    int32_t single(size_t start, size_t* out, const char* title = nullptr) {
        return plm_menu_choice_interactive(ctx, title, items.data(), items.size(), start, out);
    }
    int32_t multi(std::vector<unsigned char>& flags, int32_t settle = 0, const char* title = nullptr) {
        flags.resize(items.size());
        return plm_menu_multi_choice_interactive(ctx, title, items.data(), items.size(), flags.data(), settle);
    }
};

// ---------------------------------------------------------------------------
// Single choice

TEST_F(menu_test, ArgumentsCheckedBeforeAnything) {
    make_items(3);
    size_t out = 99;
    std::vector<unsigned char> flags{5, 5, 5};
    const char* const* list = items.data();
    for (int32_t status : {plm_menu_choice_interactive(nullptr, nullptr, list, 3, 0, &out),
                           plm_menu_choice_interactive(ctx, nullptr, nullptr, 3, 0, &out),
                           plm_menu_choice_interactive(ctx, nullptr, list, 0, 0, &out),
                           plm_menu_choice_interactive(ctx, nullptr, list, 3, 0, nullptr),
                           plm_menu_multi_choice_interactive(nullptr, nullptr, list, 3, flags.data(), 0),
                           plm_menu_multi_choice_interactive(ctx, nullptr, nullptr, 3, flags.data(), 0),
                           plm_menu_multi_choice_interactive(ctx, nullptr, list, 3, nullptr, 0),
                           plm_menu_multi_choice_interactive(ctx, nullptr, list, 0, flags.data(), 0)})
        EXPECT_EQ(status, PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(out, 99u);
    EXPECT_EQ(flags, (std::vector<unsigned char>{5, 5, 5}));
    EXPECT_TRUE(fake.calls.empty());
}

TEST_F(menu_test, SingleFirstFrameAndEnter) {
    make_items(3);
    fake.screen.cursor.y = 4;
    fake.feed_bytes(kEnter);
    size_t out = 99;
    ASSERT_EQ(single(1, &out, "Pick"), PLM_OK);
    EXPECT_EQ(out, 1u);
    // The title moved the cursor in a real console; the fake keeps row 4.
    EXPECT_EQ(drawn(), "Pick\n" + row_start(5) + plain_vt(1, "item1") + row_start(6) + highlighted(2, "item2") +
                           row_start(7) + plain_vt(3, "item3") + "\x1b[?1000l\x1b[?1015l\x1b[?1006l\x1b[?1003l");
    EXPECT_EQ(fake.count_calls("set_buffer_size"), 0u);
    // The title is on the screen before the cursor row is measured.
    auto title_at = std::find(fake.calls.begin(), fake.calls.end(), "write Pick\n");
    ASSERT_NE(title_at, fake.calls.end());
    EXPECT_EQ(*(title_at + 1), "flush");
    EXPECT_EQ(*(title_at + 2), "get_screen_buffer_info out");
    expect_raw_mode_left();
}

// The whole list as the first frame draws it with VT output: rows from `row1`
// (1-based), then the status line when not all items fit.
std::string vt_frame(int row1, size_t count, size_t shown, size_t top, size_t selected, const std::string& status) {
    std::string s;
    for (size_t i = top; i < count && i < top + shown; ++i) {
        std::string text = "item" + std::to_string(i + 1);
        s += row_start(row1 + static_cast<int>(i - top));
        s += i == selected ? highlighted(static_cast<int>(i + 1), text) : plain_vt(static_cast<int>(i + 1), text);
    }
    if (!status.empty()) s += bottom_start(row1 + static_cast<int>(shown)) + status;
    return s;
}

const std::string kLeave = "\x1b[?1000l\x1b[?1015l\x1b[?1006l\x1b[?1003l";

TEST_F(menu_test, SingleDownInsideTheRowsRedrawsTwoRowsAndTheStatus) {
    make_items(30);
    fake.screen.cursor.y = 15;  // ten free rows: nine items and the status line
    fake.feed_bytes(std::string(kDown) + kEnter);
    size_t out = 0;
    ASSERT_EQ(single(0, &out), PLM_OK);
    EXPECT_EQ(out, 1u);
    const std::string down =
        row_start(16) + plain_vt(1, "item1") + row_start(17) + highlighted(2, "item2") + bottom_start(25) + "v ";
    EXPECT_EQ(drawn(), vt_frame(16, 30, 9, 0, 0, "v ") + down + kLeave);
    EXPECT_EQ(fake.count_calls("scroll"), 0u);
    // The status line needs buffer row 15 + 9 + 2 (+1): the 25-row buffer grows to 27.
    EXPECT_EQ(fake.calls_starting("set_buffer_size"), std::vector<std::string>{"set_buffer_size 80x27"});
}

TEST_F(menu_test, SingleDownPastTheRowsScrollsOnce) {
    make_items(30);
    fake.screen.cursor.y = 15;
    fake.feed_bytes(std::string(kDown) + kEnter);
    size_t out = 0;
    ASSERT_EQ(single(8, &out), PLM_OK);
    EXPECT_EQ(out, 9u);
    EXPECT_EQ(fake.calls_starting("scroll"), std::vector<std::string>{"scroll 0,16-79,23 -> 0,15 fill ' ' 0x7"});
    const std::string redraw = row_start(24) + highlighted(10, "item10") + row_start(23) + plain_vt(9, "item9") +
                               row_start(24) + highlighted(10, "item10") + bottom_start(25) + "^ v ";
    EXPECT_EQ(drawn(), vt_frame(16, 30, 9, 0, 8, "v ") + redraw + kLeave);
    // The scroll comes before the rows of the redraw are written.
    auto scroll_at = std::find(fake.calls.begin(), fake.calls.end(), "scroll 0,16-79,23 -> 0,15 fill ' ' 0x7");
    auto redraw_at = std::find(fake.calls.begin(), fake.calls.end(), "write " + row_start(24));
    EXPECT_LT(scroll_at, redraw_at);
}

TEST_F(menu_test, SingleConsoleApiWithoutVtOutput) {
    make_items(3);
    fake.fail_set_mode = true;  // VT output cannot be switched on: console calls draw
    fake.screen.cursor.y = 2;
    fake.feed_bytes(std::string(kDown) + kEnter);
    size_t out = 0;
    ASSERT_EQ(single(0, &out), PLM_OK);
    EXPECT_EQ(out, 1u);
    std::vector<std::string> drawing;
    for (const std::string& c : fake.calls) {
        if (c.rfind("fill", 0) == 0 || c.rfind("set_cursor", 0) == 0 || c.rfind("write", 0) == 0) drawing.push_back(c);
    }
    std::vector<std::string> expected = {"write \x1b[?1000h", "write \x1b[?1003h", "write \x1b[?1015h",
                                         "write \x1b[?1006h"};
    // clear_row ends at the row's start; the row is then entered once more.
    auto add_row = [&](int r, const std::string& text) {
        const std::string at = "0," + std::to_string(r);
        for (const std::string& c : {"fill_char ' ' 80 @" + at, "fill_attr 0x7 80 @" + at, "set_cursor " + at,
                                     "set_cursor " + at, "write " + text})
            expected.push_back(c);
    };
    add_row(2, highlighted(1, "item1"));
    add_row(3, "  2. item2");
    add_row(4, "  3. item3");
    add_row(2, "  1. item1");  // DOWN: the old row, then the new one
    add_row(3, highlighted(2, "item2"));
    for (const char* s : {"write \x1b[?1000l", "write \x1b[?1015l", "write \x1b[?1006l", "write \x1b[?1003l"})
        expected.push_back(s);
    EXPECT_EQ(drawing, expected);
}

TEST_F(menu_test, SingleRowsOfAWindowScrolledDownATallBuffer) {
    make_items(5);
    fake.screen.size = coord{80, 300};
    fake.screen.window = small_rect{0, 70, 79, 99};
    fake.screen.cursor = coord{0, 90};
    // A VT click on window row 22 (1-based) is buffer row 91: item 2. A second
    // click pairs with it and chooses.
    fake.feed_bytes(sgr(0, 5, 22) + sgr(0, 5, 22, true), 1000);
    fake.feed_bytes(sgr(0, 5, 22) + sgr(0, 5, 22, true), 1100);
    size_t out = 0;
    ASSERT_EQ(single(0, &out), PLM_OK);
    EXPECT_EQ(out, 1u);
    // Buffer row 90 is window row 21.
    EXPECT_EQ(drawn().substr(0, row_start(21).size()), row_start(21));
    EXPECT_NE(drawn().find(row_start(22) + highlighted(2, "item2")), std::string::npos);
}

TEST_F(menu_test, SingleConsoleMouseRecordsAreBufferRows) {
    make_items(5);
    fake.refuse_vt_input = true;  // record mode: mouse comes as console records
    fake.screen.size = coord{80, 300};
    fake.screen.window = small_rect{0, 70, 79, 99};
    fake.screen.cursor = coord{0, 90};
    // Press, release, press, release on buffer row 93 (item 4): a double click.
    for (int k = 0; k < 2; ++k) {
        fake.feed_record(mouse_record_at(3, 93, k_from_left_1st_button_pressed, 0));
        fake.feed_record(mouse_record_at(3, 93, 0, 0));
    }
    size_t out = 0;
    ASSERT_EQ(single(0, &out), PLM_OK);
    EXPECT_EQ(out, 3u);
}

// The 0.2 s digit, 30 ms motion, 1.5 s typing and double-click rules run on the platform's clock.
TEST_F(menu_test, SingleTimersUseThePlatformClock) {
    struct Case {
        const char* name;
        size_t count;
        const char* double_click_ms;  // VLM_DOUBLE_CLICK_MS, null: unset
        std::vector<std::pair<std::string, uint64_t>> input;
        int32_t status;
        size_t chosen;
        bool hidden_word;
        std::string shown;  // must appear in the output
    };
    const std::string click = sgr(0, 1, 3) + sgr(0, 1, 3, true);
    const auto status_digits = [](const char* d) { return bottom_start(25) + "v " + kAccent + d + kReset; };
    const std::vector<Case> cases = {
        {"digits 100 ms apart",
         30,
         nullptr,
         {{"1", 5000}, {"2", 5100}, {kEnter, 6000}},
         PLM_OK,
         11,
         false,
         status_digits("12")},
        {"digits 199 ms apart", 30, nullptr, {{"1", 5000}, {"2", 5199}, {kEnter, 6000}}, PLM_OK, 11, false, ""},
        {"digits 201 ms apart",
         30,
         nullptr,
         {{"1", 5000}, {"2", 5201}, {kEnter, 6000}},
         PLM_OK,
         1,
         false,
         status_digits("2")},
        {"motion within 30 ms ignored",
         5,
         nullptr,
         {{sgr(35, 1, 2), 1000}, {sgr(35, 1, 3), 1029}, {kEnter, 2000}},
         PLM_OK,
         1,
         false,
         ""},
        {"motion after 30 ms acted on",
         5,
         nullptr,
         {{sgr(35, 1, 2), 1000}, {sgr(35, 1, 3), 1030}, {kEnter, 2000}},
         PLM_OK,
         2,
         false,
         ""},
        {"hidden word 1.4 s after other text",
         5,
         nullptr,
         {{"x", 1000}, {"Quill", 2400}, {kEscape, 9000}},
         PLM_ERR_INVALID_ARGUMENT,
         0,
         false,
         ""},
        {"hidden word 1.6 s after other text", 5, nullptr, {{"x", 1000}, {"Quill", 2600}}, PLM_OK, 0, true, ""},
        {"double click within 50 raised to 100", 5, "50", {{click, 1000}, {click, 1100}}, PLM_OK, 2, false, ""},
        {"double click beyond 50 raised to 100",
         5,
         "50",
         {{click, 1000}, {click, 1101}, {kEscape, 9000}},
         PLM_ERR_INVALID_ARGUMENT,
         0,
         false,
         ""},
    };
    for (const Case& c : cases) {
        fake_platform f;
        platform_override o(f);
        make_items(c.count);
        f.screen.cursor.y = c.count > 5 ? 15 : 0;
        if (c.double_click_ms) f.env["VLM_DOUBLE_CLICK_MS"] = c.double_click_ms;
        for (const auto& [bytes, ms] : c.input) f.feed_bytes(bytes, ms);
        size_t out = 77;
        EXPECT_EQ(single(0, &out), c.status) << c.name;
        EXPECT_EQ(out, c.status == PLM_OK ? c.chosen : 77u) << c.name;
        EXPECT_NE(f.out.find(c.shown), std::string::npos) << c.name;
        EXPECT_EQ(f.env.count("VLM_MENU_RESULT_OVERRIDE"), c.hidden_word ? 1u : 0u) << c.name;
    }
}

TEST_F(menu_test, SingleHiddenWordSetsTheOverride) {
    make_items(5);
    fake.feed_bytes(std::string(kDown), 1000);
    fake.feed_bytes("qUiLl", 4000);
    size_t out = 99;
    ASSERT_EQ(single(0, &out), PLM_OK);
    EXPECT_EQ(out, 1u);
    EXPECT_EQ(fake.env["VLM_MENU_RESULT_OVERRIDE"], "Quill");
    // Set while raw mode was still on.
    auto set_at = std::find(fake.calls.begin(), fake.calls.end(), "set_env VLM_MENU_RESULT_OVERRIDE=Quill");
    auto leave_at = std::find(fake.calls.begin(), fake.calls.end(), "write \x1b[?1000l");
    ASSERT_NE(set_at, fake.calls.end());
    EXPECT_LT(set_at, leave_at);
    expect_raw_mode_left();
}

// Escape (after an ignored Ctrl+C) and the end of input leave the index untouched and raw mode off.
TEST_F(menu_test, SingleEscapeAndEndOfInput) {
    for (const auto& [bytes, status] :
         {std::pair<std::string, int32_t>{std::string(kDown) + "\x03" + kEscape, PLM_ERR_INVALID_ARGUMENT},
          {kDown, PLM_ERR_IO}}) {
        fake_platform f;
        platform_override o(f);
        make_items(5);
        f.feed_bytes(bytes);
        size_t out = 77;
        EXPECT_EQ(single(0, &out), status);
        EXPECT_EQ(out, 77u);
        EXPECT_EQ(raw_mode_count(), 0);
        EXPECT_EQ(f.input_mode, 0x1F7u);
        EXPECT_EQ(f.env.count("VLM_MENU_RESULT_OVERRIDE"), 0u);
    }
}

TEST_F(menu_test, SingleClickMemoryIsResetPerCall) {
    make_items(5);
    fake.feed_bytes(sgr(0, 1, 2) + sgr(0, 1, 2, true) + kEscape, 1000);
    size_t out = 0;
    EXPECT_EQ(single(0, &out), PLM_ERR_INVALID_ARGUMENT);
    // The next call's first click on the same item, 100 ms later, only highlights.
    fake.feed_bytes(sgr(0, 1, 2) + sgr(0, 1, 2, true), 1100);
    fake.feed_bytes(kEnter, 5000);
    EXPECT_EQ(single(0, &out), PLM_OK);
    EXPECT_EQ(out, 1u);
    EXPECT_EQ(fake.now_ms, 5000u);
}

TEST_F(menu_test, MetricsLines) {
    make_items(30);
    fake.screen.cursor.y = 15;
    fake.env["VLM_MENU_DEBUG"] = "1";
    fake.env["VLM_MENU_DEBUG_FILE"] = "menu.log";
    fake.feed_bytes(kEnter);
    size_t out = 0;
    ASSERT_EQ(single(0, &out), PLM_OK);
    EXPECT_EQ(fake.err, "[PLM_DBG] single metrics start_row=15 win_top=0 win_bottom=24 visible_rows=9 item_count=30\n");
    EXPECT_EQ(fake.files["menu.log"], fake.err);
    fake.err.clear();
    make_items(40);
    fake.screen.cursor.y = 23;
    fake.feed_bytes(kEscape);
    std::vector<unsigned char> flags;
    EXPECT_EQ(multi(flags), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(fake.err, "[PLM_DBG] multi metrics start_row=21 win_top=0 win_bottom=24 visible_rows=3 item_count=40\n");
}

// Without a terminal, or when raw mode cannot be entered, the single menu is the numbered menu
// with the same arguments: the same status, index, output and console calls as calling it.
TEST_F(menu_test, SingleFallsBackToTheNumberedMenu) {
    struct Case {
        const char* name;
        void (*setup)(fake_platform&);
    };
    const Case cases[] = {
        {"output redirected", [](fake_platform& f) { f.tty_out = false; }},
        {"input redirected", [](fake_platform& f) { f.tty_in = false; }},
        {"console modes unreadable", [](fake_platform& f) { f.fail_get_input_mode = true; }},
        {"output mode unreadable", [](fake_platform& f) { f.fail_get_output_mode = true; }},
    };
    make_items(3);
    for (const Case& c : cases) {
        fake_platform direct, menu;
        for (fake_platform* f : {&direct, &menu}) {
            c.setup(*f);
            f->feed_line("3\n");
            f->feed_bytes("3\r");
        }
        size_t want = 77, got = 77;
        int32_t want_status, got_status;
        {
            platform_override o(direct);
            want_status = plm_menu_choice(ctx, "T", items.data(), 3, 1, &want);
        }
        {
            platform_override o(menu);
            got_status = plm_menu_choice_interactive(ctx, "T", items.data(), 3, 1, &got);
        }
        EXPECT_EQ(got_status, want_status) << c.name;
        EXPECT_EQ(got, want) << c.name;
        EXPECT_EQ(menu.out, direct.out) << c.name;
        // After its own failed attempt at raw mode, the menu's calls are the numbered menu's.
        ASSERT_GE(menu.calls.size(), direct.calls.size()) << c.name;
        EXPECT_TRUE(std::equal(direct.calls.begin(), direct.calls.end(),
                               menu.calls.end() - static_cast<std::ptrdiff_t>(direct.calls.size())))
            << c.name;
        for (size_t k = 0; k < menu.calls.size() - direct.calls.size(); ++k) {
            EXPECT_EQ(menu.calls[k].rfind("get_console_mode", 0), 0u) << c.name << ": " << menu.calls[k];
        }
        EXPECT_EQ(menu.out.find("\x1b[?1000h"), std::string::npos) << c.name;
    }
}

// ---------------------------------------------------------------------------
// Multi choice

const std::string kHint = "SPACE=toggle ENTER=ok";

TEST_F(menu_test, MultiFirstFrameDownAndConfirm) {
    make_items(3);
    fake.screen.cursor.y = 2;
    // Space on item 2, then End and Enter on the confirm row.
    fake.feed_bytes(std::string(kDown) + " " + "\x1b[F" + kEnter);
    std::vector<unsigned char> flags{1, 1, 1};
    ASSERT_EQ(multi(flags), PLM_OK);
    EXPECT_EQ(flags, (std::vector<unsigned char>{0, 1, 0}));
    const std::string first = row_start(3) + kText + kBold + kUnder + "[ ]1. item1" + kReset + row_start(4) +
                              "[ ]2. item2" + row_start(5) + "[ ]3. item3" + row_start(6) + "确定" + bottom_start(25) +
                              kHint;
    const std::string down = row_start(3) + "[ ]1. item1" + row_start(4) + kText + kBold + kUnder + "[ ]2. item2" +
                             kReset + bottom_start(25) + kHint;
    const std::string space =
        row_start(4) + kAccent + kBold + kUnder + "[✓]2. item2" + kReset + bottom_start(25) + kHint;
    const std::string end = row_start(3) + "[ ]1. item1" + row_start(4) + kAccent + kBold + "[✓]2. item2" + kReset +
                            row_start(5) + "[ ]3. item3" + row_start(6) + kText + kBold + kUnder + "确定" + kReset +
                            bottom_start(25) + kHint;
    EXPECT_EQ(drawn(), first + down + space + end + kLeave);
    expect_raw_mode_left();
}

TEST_F(menu_test, MultiScrollAndHintMarkers) {
    make_items(40);
    fake.screen.cursor.y = 14;  // ten rows for the list, the hint on the last row
    std::string keys;
    for (int k = 0; k < 10; ++k) keys += kDown;
    fake.feed_bytes(keys + kEscape);
    std::vector<unsigned char> flags;
    ASSERT_EQ(multi(flags), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(fake.calls_starting("scroll"), std::vector<std::string>{"scroll 0,15-79,23 -> 0,14 fill ' ' 0x7"});
    const std::string last_down = row_start(24) + kText + kBold + kUnder + "[ ]11. item11" + kReset + row_start(23) +
                                  "[ ]10. item10" + row_start(24) + kText + kBold + kUnder + "[ ]11. item11" + kReset +
                                  bottom_start(25) + "^ v " + kHint;
    EXPECT_EQ(drawn().substr(drawn().size() - last_down.size() - kLeave.size()), last_down + kLeave);
    EXPECT_EQ(fake.calls_starting("set_buffer_size"), std::vector<std::string>{"set_buffer_size 80x27"});
}

// Escape after two ticks, and the end of input after one, leave every flag clear and raw mode off.
TEST_F(menu_test, MultiEscapeAndEndOfInputClearEveryFlag) {
    for (const auto& [bytes, status] :
         {std::pair<std::string, int32_t>{std::string(" ") + kDown + " " + kEscape, PLM_ERR_INVALID_ARGUMENT},
          {" ", PLM_ERR_IO}}) {
        fake_platform f;
        platform_override o(f);
        make_items(3);
        f.feed_bytes(bytes);
        std::vector<unsigned char> flags;
        EXPECT_EQ(multi(flags), status);
        EXPECT_EQ(flags, (std::vector<unsigned char>{0, 0, 0}));
        EXPECT_EQ(raw_mode_count(), 0);
        EXPECT_EQ(f.input_mode, 0x1F7u);
    }
}

TEST_F(menu_test, MultiMouseClicksToggleAndConfirm) {
    make_items(3);
    fake.screen.cursor.y = 0;
    // Left click on item 3 (window row 3), right click on item 1, click on the confirm row.
    fake.feed_bytes(sgr(0, 2, 3) + sgr(0, 2, 3, true) + sgr(2, 2, 1) + sgr(2, 2, 1, true) + sgr(0, 2, 4) +
                    sgr(0, 2, 4, true));
    std::vector<unsigned char> flags;
    ASSERT_EQ(multi(flags), PLM_OK);
    EXPECT_EQ(flags, (std::vector<unsigned char>{1, 0, 1}));
}

TEST_F(menu_test, MultiSettleDelayOnTheFakeClock) {
    for (int32_t settle : {1, 0}) {
        fake_platform f;
        platform_override o(f);
        make_items(3);
        f.now_ms = 1000;
        f.feed_bytes("\x1b[F\r", 0);
        std::vector<unsigned char> flags(3);
        ASSERT_EQ(plm_menu_multi_choice_interactive(ctx, nullptr, items.data(), 3, flags.data(), settle), PLM_OK);
        auto sleep_at = std::find(f.calls.begin(), f.calls.end(), "sleep 120");
        auto first_row = std::find(f.calls.begin(), f.calls.end(), "write " + row_start(1));
        if (settle) {
            ASSERT_NE(sleep_at, f.calls.end());
            EXPECT_LT(sleep_at, first_row);
            EXPECT_EQ(f.now_ms, 1120u);
        } else {
            EXPECT_EQ(sleep_at, f.calls.end());
            EXPECT_EQ(f.now_ms, 1000u);
        }
    }
}

TEST_F(menu_test, MultiTextFallbackAnswers) {
    struct Case {
        const char* line;  // null: end of input
        int32_t status;
        std::vector<unsigned char> flags;
    };
    const Case cases[] = {
        {"1,3\n", PLM_OK, {1, 0, 1}}, {"0, 4, x, -1\n", PLM_OK, {0, 0, 0}}, {nullptr, PLM_ERR_IO, {0, 0, 0}}};
    for (const Case& c : cases) {
        fake_platform f;
        platform_override o(f);
        f.tty_in = false;
        make_items(3);
        names[1] = "b";
        items[1] = names[1].c_str();
        items[2] = nullptr;
        if (c.line) f.feed_line(c.line);
        std::vector<unsigned char> flags{9, 9, 9};
        EXPECT_EQ(plm_menu_multi_choice_interactive(ctx, "T", items.data(), 3, flags.data(), 1), c.status);
        EXPECT_EQ(flags, c.flags) << (c.line ? c.line : "EOF");
        EXPECT_EQ(f.out, "T\n  1. item1\n  2. b\n  3. \n选择（以逗号分隔索引）: ");
        EXPECT_EQ(f.count_calls("sleep"), 0u);
        EXPECT_EQ(f.count_calls("set_console_mode"), 0u);
    }
}

// Raw mode refused with both streams terminals: the numbered menu (default index 0) ticks at
// most the one item it returns; its own prompt cannot enter raw mode either, so nothing is ticked.
TEST_F(menu_test, MultiRawModeRefusedUsesTheNumberedMenu) {
    make_items(3);
    fake_platform direct;
    direct.fail_get_input_mode = true;
    size_t index = 0;
    int32_t numbered_status;
    {
        platform_override o(direct);
        numbered_status = plm_menu_choice(ctx, "T", items.data(), 3, 0, &index);
    }
    ASSERT_NE(numbered_status, PLM_OK);
    fake.fail_get_input_mode = true;
    std::vector<unsigned char> flags{1, 1, 1};
    EXPECT_EQ(multi(flags, 0, "T"), numbered_status);
    EXPECT_EQ(flags, (std::vector<unsigned char>{0, 0, 0}));
    EXPECT_EQ(fake.out, direct.out);
    EXPECT_EQ(fake.count_calls("read_line"), direct.count_calls("read_line"));
}

}  // namespace
}  // namespace plm
