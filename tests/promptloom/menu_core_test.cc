// Layout, key and mouse handling and line rendering of the interactive menus,
// exercised without a console.
#include "menu_core.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace plm {
namespace {

screen_info window(int32_t cursor_row, int32_t win_top = 0, int32_t win_bottom = 24, int32_t size_x = 80,
                   int32_t size_y = 25) {
    screen_info s;
    s.cursor.y = static_cast<int16_t>(cursor_row);
    s.window.top = static_cast<int16_t>(win_top);
    s.window.bottom = static_cast<int16_t>(win_bottom);
    s.size.x = static_cast<int16_t>(size_x);
    s.size.y = static_cast<int16_t>(size_y);
    return s;
}

plm_key_event key(int code, uint32_t ch = 0) { return plm_key_event{code, ch, 0}; }
plm_key_event chr(char c) { return key(PLM_KEY_CHAR, static_cast<unsigned char>(c)); }
plm_mouse_event mouse(int32_t y, int32_t button, int32_t released = 0) { return {0, y, button, released, 1}; }
menu_clock at_seconds(double s) { return menu_clock{s, 0, 0}; }
menu_clock at_ms(uint64_t ms) { return menu_clock{static_cast<double>(ms) / 1000.0, static_cast<uint32_t>(ms), ms}; }

// Redraws as a compact string: "i3" item 3, "s" status/hint, "F" full, "U"/"D" scroll up/down.
std::string ops(const menu_step& st) {
    std::string out;
    for (int k = 0; k < st.n; ++k) {
        if (!out.empty()) out += ' ';
        const redraw_kind kind = st.ops[k].kind;
        out += kind == redraw_kind::item        ? "i" + std::to_string(st.ops[k].index)
               : kind == redraw_kind::status    ? "s"
               : kind == redraw_kind::full      ? "F"
               : kind == redraw_kind::scroll_up ? "U"
                                                : "D";
    }
    return out;
}

// Ticks as a string of '0'/'1'; an all-clear list is "".
std::string ticks(const std::vector<unsigned char>& flags) {
    std::string out;
    for (unsigned char f : flags) out += f ? '1' : '0';
    return out.find('1') == std::string::npos ? "" : out;
}

struct item_list {
    std::vector<std::string> names;
    std::vector<const char*> items;
    explicit item_list(size_t n) {
        for (size_t i = 0; i < n; ++i) names.push_back("item" + std::to_string(i + 1));
        for (const auto& s : names) items.push_back(s.c_str());
    }
};

// ---------------------------------------------------------------------------
// Layout

TEST(MenuLayout, SingleMenuRows) {
    struct Case {
        const char* name;
        int32_t cursor, win_top, win_bottom;
        size_t count;
        int32_t start_row, visible_rows;
    };
    const Case cases[] = {
        {"5 items in 20 free rows", 5, 0, 24, 5, 5, 20},
        {"30 items in 10 free rows keep one for the status", 15, 0, 24, 30, 15, 9},
        {"exactly fitting count keeps every row", 15, 0, 24, 10, 15, 10},
        {"cursor on the last row moves up two rows", 24, 0, 24, 10, 22, 2},
        {"cursor on the last row, 3 items fit", 24, 0, 24, 3, 22, 3},
        {"cursor below the window is lowered to its bottom", 40, 0, 24, 10, 22, 2},
        {"cursor above the window is raised to its top", 10, 70, 99, 5, 70, 30},
        {"window scrolled down a tall buffer", 90, 70, 99, 5, 90, 10},
        {"tiny window never goes above its top", 3, 3, 4, 10, 3, 1},
        {"one-row window", 0, 0, 0, 10, 0, 1},
    };
    for (const Case& c : cases) {
        screen_info s = window(c.cursor, c.win_top, c.win_bottom);
        menu_geometry g = single_menu_layout(&s, &s, c.count);
        EXPECT_EQ(std::tuple(g.start_row, g.visible_rows, g.win_top, g.win_bottom),
                  std::tuple(c.start_row, c.visible_rows, c.win_top, c.win_bottom))
            << c.name;
    }
}

TEST(MenuLayout, DefaultsWhenTheBufferCannotBeQueried) {
    menu_geometry g = single_menu_layout(nullptr, nullptr, 3);
    EXPECT_EQ(g.start_row, 0);
    EXPECT_EQ(g.width, 80);
    EXPECT_EQ(g.win_bottom, 24);
    EXPECT_EQ(g.visible_rows, 25);
    screen_info narrow = window(0, 0, 24, 19);
    EXPECT_EQ(single_menu_layout(&narrow, &narrow, 3).width, 80);
    screen_info wide = window(0, 0, 24, 20);
    EXPECT_EQ(single_menu_layout(&wide, &wide, 3).width, 20);
}

TEST(MenuLayout, MultiMenuKeepsTheLastRowForTheHint) {
    struct Case {
        const char* name;
        int32_t cursor, win_top, win_bottom;
        int32_t start_row, visible_rows;
    };
    const Case cases[] = {
        {"tall window", 2, 0, 24, 2, 22},
        {"40 items with ten rows", 14, 0, 24, 14, 10},
        {"no room: list starts three rows up", 23, 0, 24, 21, 3},
        {"cursor on the last row", 24, 0, 24, 21, 3},
        {"scrolled window", 90, 70, 99, 90, 9},
        {"short window stays inside it", 5, 5, 6, 5, 1},
    };
    for (const Case& c : cases) {
        screen_info s = window(c.cursor, c.win_top, c.win_bottom);
        menu_geometry g = multi_menu_layout(&s, &s);
        EXPECT_EQ(std::tuple(g.start_row, g.visible_rows), std::tuple(c.start_row, c.visible_rows)) << c.name;
    }
}

TEST(MenuLayout, StartTopPutsTheStartItemOnTheLastShownRow) {
    EXPECT_EQ(single_menu_begin(30, 12, menu_geometry{0, 80, 0, 24, 9}, 300).top, 4u);
    EXPECT_EQ(single_menu_start_top(8, 9), 0u);
    EXPECT_EQ(single_menu_start_top(9, 9), 1u);
    EXPECT_EQ(single_menu_begin(5, 99, menu_geometry{}, 300).selected, 0u);  // start index beyond the count
}

TEST(MenuLayout, BufferGrowsButNeverShrinks) {
    struct Case {
        int32_t size_y, needed, wanted;
    };
    const Case cases[] = {
        {25, 30, 31},        // grows to rows needed + 1
        {25, 10, 0},         // window height already enough
        {300, 30, 0},        // taller buffer is kept
        {25, 40000, 32000},  // capped
        {32000, 40000, 0},   // already at the cap
        {10, 3, 25},         // short buffer grows to the window height
    };
    for (const Case& c : cases) {
        screen_info s = window(0, 0, 24, 80, c.size_y);
        EXPECT_EQ(buffer_rows_wanted(s, c.needed), c.wanted) << c.size_y << " " << c.needed;
    }
}

TEST(MenuLayout, DoubleClickIntervalFromTheEnvironment) {
    struct Case {
        const char* value;
        uint32_t ms;
    };
    const Case cases[] = {{nullptr, 300}, {"", 300},    {"50", 100},  {"5000", 1000}, {"250ms", 300},
                          {"0", 300},     {"250", 250}, {"100", 100}, {"1000", 1000}, {"-5", 1000}};
    for (const Case& c : cases) EXPECT_EQ(read_double_click_ms(c.value), c.ms) << (c.value ? c.value : "unset");
}

// ---------------------------------------------------------------------------
// Rendering

TEST(MenuRender, SingleItemLines) {
    item_list list(3);
    single_view v;
    v.items = list.items.data();
    v.count = 3;
    v.start_row = 4;
    v.visible_rows = 3;
    v.selected = 1;
    const std::string at6 = "\x1b[7;1H\x1b[2K\x1b[7;1H";
    struct Case {
        const char* name;
        bool vt_output;
        size_t index;
        std::string expected;
    };
    const Case cases[] = {
        {"highlighted, VT", true, 1, "\x1b[6;1H\x1b[2K\x1b[6;1H\x1b[38;2;230;237;243m\x1b[1m\x1b[4m2. item2\x1b[0m"},
        {"plain, VT", true, 2, at6 + "  \x1b[38;2;138;180;248m\x1b[1m3.\x1b[0m \x1b[38;2;230;237;243mitem3\x1b[0m"},
        {"plain without VT output and without a handle", false, 2, at6 + "  3. item3"},
    };
    for (const Case& c : cases) {
        draw_target t;
        t.vt_output = c.vt_output;
        t.handle_valid = c.vt_output;
        draw_list d;
        render_menu_item(d, t, v, c.index);
        EXPECT_EQ(d.bytes, c.expected) << c.name;
    }
    // Rows outside the shown list draw nothing; a null item is empty text.
    v.top = 1;
    v.visible_rows = 1;
    for (size_t index : {size_t{0}, size_t{2}, size_t{3}, size_t{99}}) {
        draw_list d;
        render_menu_item(d, draw_target{}, v, index);
        EXPECT_TRUE(d.ops.empty()) << index;
    }
    const char* null_item[] = {nullptr};
    single_view nv;
    nv.items = null_item;
    nv.count = 1;
    draw_list d;
    render_menu_item(d, draw_target{}, nv, 0);
    EXPECT_EQ(d.bytes, "\x1b[1;1H\x1b[2K\x1b[1;1H\x1b[38;2;230;237;243m\x1b[1m\x1b[4m1. \x1b[0m");
}

TEST(MenuRender, NoStatusLineWhileAllItemsFit) {
    item_list list(5);
    single_view v;
    v.items = list.items.data();
    v.count = 5;
    v.visible_rows = 20;
    v.digits = "12";
    draw_list d;
    render_menu_status(d, draw_target{}, v);
    EXPECT_TRUE(d.ops.empty());
    render_menu_rows(d, draw_target{}, v);
    EXPECT_EQ(d.bytes.find("12"), std::string::npos);
}

TEST(MultiMenuRender, LineFormats) {
    item_list list(3);
    std::vector<unsigned char> flags{0, 1, 7};  // any non-zero flag is a tick
    multi_view v;
    v.items = list.items.data();
    v.count = 3;
    v.selected = flags.data();
    v.visible_rows = 22;
    v.start_row = 2;
    struct Case {
        const char* name;
        int64_t focus, index;
        std::string expected_tail;  // empty: nothing drawn
    };
    const Case cases[] = {
        {"focused, not ticked", 0, 0, "\x1b[38;2;230;237;243m\x1b[1m\x1b[4m[ ]1. item1\x1b[0m"},
        {"other", 1, 0, "[ ]1. item1"},
        {"focused and ticked", 1, 1, "\x1b[38;2;122;209;168m\x1b[1m\x1b[4m[✓]2. item2\x1b[0m"},
        {"ticked", 0, 2, "\x1b[38;2;122;209;168m\x1b[1m[✓]3. item3\x1b[0m"},
        {"confirm row", 0, 3, "确定"},
        {"confirm row with the focus", 3, 3, "\x1b[38;2;230;237;243m\x1b[1m\x1b[4m确定\x1b[0m"},
        {"before the list", 0, -1, ""},
        {"after the confirm row", 0, 4, ""},
    };
    for (const Case& c : cases) {
        v.focus = c.focus;
        for (bool vt : {true, false}) {
            draw_target t;
            t.vt_output = vt;
            t.handle_valid = vt;
            draw_list d;
            render_multi_item(d, t, v, c.index);
            const std::string at = "\x1b[" + std::to_string(2 + c.index + 1) + ";1H";
            EXPECT_EQ(d.bytes, c.expected_tail.empty() ? "" : at + "\x1b[2K" + at + c.expected_tail) << c.name;
        }
    }
}

// ---------------------------------------------------------------------------
// Single-choice keys

single_menu_state single(size_t count, int32_t visible_rows, size_t start = 0, int32_t start_row = 0) {
    return single_menu_begin(count, start, menu_geometry{start_row, 80, 0, 24, visible_rows}, 300);
}

TEST(SingleMenuKeys, MovingAndScrolling) {
    struct Case {
        const char* name;
        size_t count;
        int32_t rows;
        size_t selected, top;
        int key;
        size_t want_selected, want_top;
        const char* want_ops;
    };
    const Case cases[] = {
        {"down inside the rows redraws two rows and the status", 30, 9, 3, 0, PLM_KEY_DOWN, 4, 0, "i3 i4 s"},
        {"down on the last item does nothing", 5, 20, 4, 0, PLM_KEY_DOWN, 4, 0, ""},
        {"down past the shown rows scrolls once", 30, 9, 8, 0, PLM_KEY_DOWN, 9, 1, "U i9 i8 i9 s"},
        {"up inside the rows", 30, 9, 5, 2, PLM_KEY_UP, 4, 2, "i5 i4 s"},
        {"up above the shown rows scrolls once", 30, 9, 4, 4, PLM_KEY_UP, 3, 3, "D i3 i4 i3 s"},
        {"up on the first item does nothing", 30, 9, 0, 0, PLM_KEY_UP, 0, 0, ""},
        {"page down moves one page less a row", 30, 9, 0, 0, PLM_KEY_PAGE_DOWN, 8, 0, "F"},
        {"page down again scrolls the list", 30, 9, 8, 0, PLM_KEY_PAGE_DOWN, 16, 8, "F"},
        {"page down stops at the last item", 30, 9, 25, 21, PLM_KEY_PAGE_DOWN, 29, 21, "F"},
        {"page up from the end", 30, 9, 29, 21, PLM_KEY_PAGE_UP, 21, 21, "F"},
        {"page up stops at zero", 30, 9, 3, 0, PLM_KEY_PAGE_UP, 0, 0, "F"},
        {"page up at zero does nothing", 30, 9, 0, 0, PLM_KEY_PAGE_UP, 0, 0, ""},
        {"page with one row steps one", 30, 1, 5, 5, PLM_KEY_PAGE_UP, 4, 4, "F"},
        {"home", 30, 9, 17, 10, PLM_KEY_HOME, 0, 0, "F"},
        {"end", 30, 9, 2, 0, PLM_KEY_END, 29, 21, "F"},
        {"end when everything fits", 5, 20, 2, 0, PLM_KEY_END, 4, 0, "F"},
        {"ctrl+c is ignored", 30, 9, 3, 0, PLM_KEY_CTRL_C, 3, 0, ""},
        {"left is ignored", 30, 9, 3, 0, PLM_KEY_LEFT, 3, 0, ""},
    };
    for (const Case& c : cases) {
        single_menu_state s = single(c.count, c.rows);
        s.selected = c.selected;
        s.top = c.top;
        menu_step st = single_menu_key(s, key(c.key), at_seconds(10));
        EXPECT_EQ(std::tuple(st.exit, s.selected, s.top, ops(st)),
                  std::tuple(menu_exit::none, c.want_selected, c.want_top, std::string(c.want_ops)))
            << c.name;
    }
}

TEST(SingleMenuKeys, StatusMarkersFollowTheScrolling) {
    item_list list(30);
    single_menu_state s = single(30, 9);
    auto status = [&] {
        draw_list d;
        render_menu_status(d, draw_target{}, single_menu_view(s, list.items.data()));
        return d.bytes.substr(d.bytes.rfind('H') + 1);
    };
    EXPECT_EQ(status(), "v ");
    for (int k = 0; k < 9; ++k) single_menu_key(s, key(PLM_KEY_DOWN), at_seconds(1));
    EXPECT_EQ(s.top, 1u);
    EXPECT_EQ(status(), "^ v ");
    single_menu_key(s, key(PLM_KEY_END), at_seconds(1));
    EXPECT_EQ(status(), "^ ");
}

TEST(SingleMenuKeys, EnterEscapeAndTypedNumbers) {
    struct Case {
        const char* name;
        size_t count, start;
        std::string digits;
        double gap;  // seconds between the digits
        int final_key;
        menu_exit exit;
        size_t chosen;
    };
    const std::vector<Case> cases = {
        {"enter chooses the highlight", 30, 5, "", 0, PLM_KEY_ENTER, menu_exit::chosen, 5},
        {"1 then 2 within 0.2 s", 30, 0, "12", 0.1, PLM_KEY_ENTER, menu_exit::chosen, 11},
        {"1, half a second, 2", 30, 0, "12", 0.5, PLM_KEY_ENTER, menu_exit::chosen, 1},
        {"0 keeps the highlight", 30, 6, "0", 0, PLM_KEY_ENTER, menu_exit::chosen, 6},
        {"above count keeps the highlight", 30, 6, "40", 0.1, PLM_KEY_ENTER, menu_exit::chosen, 6},
        {"count itself is the last item", 30, 0, "30", 0.1, PLM_KEY_ENTER, menu_exit::chosen, 29},
        {"digits decide while everything fits", 5, 0, "4", 0, PLM_KEY_ENTER, menu_exit::chosen, 3},
        {"a huge number keeps the highlight", 30, 2, "18446744073709551617", 0, PLM_KEY_ENTER, menu_exit::chosen, 2},
        {"escape cancels", 30, 3, "2", 0, PLM_KEY_ESCAPE, menu_exit::cancelled, 0},
    };
    for (const Case& c : cases) {
        single_menu_state s = single(c.count, 9, c.start);
        double t = 10.0;
        for (char digit : c.digits) {
            menu_step st = single_menu_key(s, chr(digit), at_seconds(t));
            t += c.gap;
            EXPECT_EQ(st.exit, menu_exit::none) << c.name;
            EXPECT_EQ(ops(st), "s") << c.name;
        }
        EXPECT_EQ(s.selected, c.start < c.count ? c.start : 0) << c.name << ": digits do not move the highlight";
        menu_step st = single_menu_key(s, key(c.final_key), at_seconds(11));
        EXPECT_EQ(st.exit, c.exit) << c.name;
        if (c.exit == menu_exit::chosen) {
            EXPECT_EQ(st.chosen, c.chosen) << c.name;
        }
    }
}

TEST(SingleMenuKeys, NumberTypedEarlierStillDecides) {
    single_menu_state s = single(30, 9);
    single_menu_key(s, chr('7'), at_seconds(5.0));
    single_menu_key(s, key(PLM_KEY_DOWN), at_seconds(6.0));
    EXPECT_EQ(single_menu_key(s, key(PLM_KEY_ENTER), at_seconds(9.0)).chosen, 6u);
}

TEST(SingleMenuKeys, HiddenWords) {
    struct Case {
        const char* name;
        const char* text;
        double gap;
        bool match;
    };
    const Case cases[] = {
        {"after a pause", "Quill", 0.1, true},
        {"any letter case", "qUILL", 0.1, true},
        {"the long word", "HarborWickPutQuill7", 0.1, true},
        {"path", "quillpath", 1.4, true},
        {"grant", "GRANTQUILL", 0.1, true},
        {"a character in front", "xQuill", 0.1, false},
        {"too slow between characters", "Quill", 1.6, false},
        {"not a word", "Quil", 0.1, false},
    };
    for (const Case& c : cases) {
        single_menu_state s = single(30, 9, 4);
        menu_step st;
        double t = 10.0;
        for (const char* p = c.text; *p && st.exit == menu_exit::none; ++p, t += c.gap)
            st = single_menu_key(s, chr(*p), at_seconds(t));
        EXPECT_EQ(st.exit, c.match ? menu_exit::hidden_word : menu_exit::none) << c.name;
        if (c.match) {
            EXPECT_EQ(st.chosen, 4u) << c.name;
        }
    }
}

TEST(SingleMenuKeys, TypedTextKeepsTheLast63Characters) {
    single_menu_state s = single(30, 9);
    EXPECT_EQ(single_menu_key(s, key(PLM_KEY_CHAR, 0xE4), at_seconds(1.0)).n, 0);  // not printable: ignored
    EXPECT_EQ(s.typed_len, 0u);
    for (int k = 0; k < 70; ++k) single_menu_key(s, chr(static_cast<char>('a' + k % 26)), at_seconds(1.0));
    EXPECT_EQ(s.typed_len, 63u);
    EXPECT_EQ(s.typed_text[0], 'a' + 7);
    // The full buffer still ends in a hidden word when one is typed.
    menu_step st;
    for (const char* p = "Quill"; *p; ++p) st = single_menu_key(s, chr(*p), at_seconds(1.0));
    EXPECT_EQ(st.exit, menu_exit::none);
}

// ---------------------------------------------------------------------------
// Single-choice mouse

TEST(SingleMenuMouse, WheelAndHitTesting) {
    struct Case {
        const char* name;
        size_t selected, top;
        plm_mouse_event m;
        size_t want_selected, want_top;
        const char* want_ops;
    };
    // 30 items from row 10, nine rows shown.
    const Case cases[] = {
        {"wheel up on item 0", 0, 0, mouse(12, 64), 0, 0, ""},
        {"wheel down moves one", 0, 0, mouse(2, 65), 1, 0, "i0 i1 s"},
        {"wheel down scrolls at the bottom", 8, 0, mouse(12, 65), 9, 1, "U i9 i8 i9 s"},
        {"left press highlights", 0, 0, mouse(13, 0), 3, 0, "i0 i3 s"},
        {"press with a modifier bit", 0, 0, mouse(13, 8), 3, 0, "i0 i3 s"},
        {"right press is ignored", 0, 0, mouse(13, 2), 0, 0, ""},
        {"press above the list", 0, 0, mouse(9, 0), 0, 0, ""},
        {"press on the status row", 0, 0, mouse(19, 0), 0, 0, ""},
        {"press on the highlighted item", 3, 0, mouse(13, 0), 3, 0, ""},
        {"scrolled list maps rows through top", 20, 15, mouse(10, 0), 15, 15, "i20 i15 s"},
    };
    for (const Case& c : cases) {
        single_menu_state s = single(30, 9, 0, 10);
        s.selected = c.selected;
        s.top = c.top;
        click_memory mem;
        menu_step st = single_menu_mouse(s, mem, c.m, at_ms(5000));
        EXPECT_EQ(std::tuple(st.exit, s.selected, s.top, ops(st)),
                  std::tuple(menu_exit::none, c.want_selected, c.want_top, std::string(c.want_ops)))
            << c.name;
    }
    // A release below the last of three items neither highlights nor counts as a click.
    single_menu_state s = single(3, 20);
    click_memory mem;
    EXPECT_EQ(single_menu_mouse(s, mem, mouse(3, 0, 1), at_ms(1000)).n, 0);
    EXPECT_EQ(mem.index, -1);
}

TEST(SingleMenuMouse, MotionIsThrottledTo30ms) {
    single_menu_state s = single(30, 9);
    click_memory mem;
    EXPECT_EQ(ops(single_menu_mouse(s, mem, mouse(2, 32), at_ms(1000))), "i0 i2 s");
    EXPECT_EQ(ops(single_menu_mouse(s, mem, mouse(3, 35), at_ms(1029))), "");
    EXPECT_EQ(ops(single_menu_mouse(s, mem, mouse(3, 35), at_ms(1030))), "i2 i3 s");
    // Acted-on motion restarts the interval; motion over the highlight changes nothing.
    EXPECT_EQ(ops(single_menu_mouse(s, mem, mouse(4, 32), at_ms(1050))), "");
    EXPECT_EQ(ops(single_menu_mouse(s, mem, mouse(3, 32), at_ms(1100))), "");
    // The 32-bit tick may wrap; the difference is unsigned.
    s.last_motion_tick = 0xFFFFFFF0u;
    EXPECT_EQ(ops(single_menu_mouse(s, mem, mouse(5, 32), at_ms(0x100000005ull))), "");
    EXPECT_EQ(ops(single_menu_mouse(s, mem, mouse(5, 32), at_ms(0x10000000Eull))), "i3 i5 s");
}

TEST(SingleMenuMouse, DoubleClicks) {
    struct Click {
        int32_t y;
        uint64_t release_ms;
        int32_t button = 0;
    };
    struct Case {
        const char* name;
        uint32_t interval;
        std::vector<Click> clicks;
        bool chosen;
        size_t index;
    };
    const std::vector<Case> cases = {
        {"same item within the interval", 300, {{3, 1000}, {3, 1300}}, true, 3},
        {"same item beyond the interval", 300, {{3, 1000}, {3, 1301}}, false, 3},
        {"different items", 300, {{3, 1000}, {4, 1100}}, false, 4},
        {"third click pairs with the second", 300, {{3, 1000}, {4, 1100}, {4, 1200}}, true, 4},
        {"slow then fast", 300, {{2, 1000}, {2, 2000}, {2, 2100}}, true, 2},
        {"longer interval", 1000, {{5, 1000}, {5, 2000}}, true, 5},
        // A console-record release carries button 3, a right release its own number: both count.
        {"console release then right release", 300, {{6, 1000, 3}, {6, 1100, 2}}, true, 6},
        {"a click remembered from the future never pairs", 300, {{6, 5000}, {6, 4900}}, false, 6},
    };
    for (const Case& c : cases) {
        single_menu_state s = single(30, 9);
        s.double_click_ms = c.interval;
        click_memory mem;
        menu_step st;
        for (const Click& k : c.clicks) {
            if (k.button == 0) {
                single_menu_mouse(s, mem, mouse(k.y, 0), at_ms(k.release_ms - 50));
                EXPECT_EQ(s.selected, static_cast<size_t>(k.y)) << c.name << ": the press highlights";
            }
            st = single_menu_mouse(s, mem, mouse(k.y, k.button, 1), at_ms(k.release_ms));
        }
        EXPECT_EQ(st.exit, c.chosen ? menu_exit::chosen : menu_exit::none) << c.name;
        EXPECT_EQ(s.selected, c.index) << c.name;
        if (c.chosen) {
            EXPECT_EQ(st.chosen, c.index) << c.name;
        }
    }
}

// ---------------------------------------------------------------------------
// Multi-choice keys and mouse

multi_menu_state multi(std::vector<unsigned char>& flags, int32_t visible_rows, int32_t start_row = 0) {
    return multi_menu_begin(flags.size(), flags.data(), menu_geometry{start_row, 80, 0, 24, visible_rows});
}

TEST(MultiMenuKeys, HintMarkersWith40ItemsInTenRows) {
    item_list list(40);
    std::vector<unsigned char> flags(40, 1);
    screen_info s = window(14, 0, 24);
    multi_menu_state st = multi_menu_begin(40, flags.data(), multi_menu_layout(&s, &s));
    EXPECT_EQ(ticks(flags), "");  // cleared before the user starts
    ASSERT_EQ(st.geo.visible_rows, 10);
    auto hint = [&] {
        draw_list d;
        render_multi_hint(d, draw_target{}, multi_menu_view(st, list.items.data()));
        EXPECT_EQ(d.bytes.rfind("\x1b[25;1H\x1b[25;1H\x1b[2K\x1b[25;1H", 0), 0u);
        return d.bytes.substr(d.bytes.rfind('H') + 1);
    };
    EXPECT_EQ(hint(), "v SPACE=toggle ENTER=ok");
    for (int k = 0; k < 10; ++k) multi_menu_key(st, key(PLM_KEY_DOWN));
    EXPECT_EQ(st.top, 1);
    EXPECT_EQ(hint(), "^ v SPACE=toggle ENTER=ok");
    multi_menu_key(st, key(PLM_KEY_END));
    EXPECT_EQ(st.focus, 40);
    EXPECT_EQ(st.top, 31);
    EXPECT_EQ(hint(), "^ SPACE=toggle ENTER=ok");
}

TEST(MultiMenuKeys, Sequences) {
    struct Case {
        const char* name;
        size_t count;
        std::vector<int> keys;  // a negative entry is a character
        menu_exit exit;
        const char* ticks;
        int64_t focus, top;
        const char* last_ops;
    };
    const int space = -' ';
    const int D = PLM_KEY_DOWN, E = PLM_KEY_END, PU = PLM_KEY_PAGE_UP, PD = PLM_KEY_PAGE_DOWN;
    const menu_exit none = menu_exit::none;
    // Three items show in 22 rows, forty in 10.
    const std::vector<Case> cases = {
        {"space on item 2 ticks it", 3, {D, space}, none, "010", 1, 0, "i1 s"},
        {"space twice unticks", 3, {D, space, space}, none, "", 1, 0, "i1 s"},
        {"enter on an item toggles", 3, {PLM_KEY_ENTER}, none, "100", 0, 0, "i0 s"},
        {"enter on the confirm row confirms", 3, {PLM_KEY_ENTER, E, PLM_KEY_ENTER}, menu_exit::chosen, "100", 3, 0, ""},
        {"escape after two ticks clears", 3, {space, D, space, PLM_KEY_ESCAPE}, menu_exit::cancelled, "", 1, 0, ""},
        {"end reaches the confirm row", 3, {E}, none, "", 3, 0, "F"},
        {"down from the last item reaches it", 3, {D, D, D}, none, "", 3, 0, "i2 i3 s"},
        {"down on it does nothing", 3, {E, D}, none, "", 3, 0, ""},
        {"space on the confirm row does nothing", 3, {E, space}, none, "", 3, 0, ""},
        {"other characters are ignored", 3, {-'x'}, none, "", 0, 0, ""},
        {"ctrl+c does not leave", 3, {PLM_KEY_CTRL_C}, none, "", 0, 0, ""},
        {"up at the top does nothing", 3, {PLM_KEY_UP}, none, "", 0, 0, ""},
        {"page down in a tall window keeps top at zero", 3, {PD}, none, "", 3, 0, "F"},
        {"down past the shown rows scrolls", 40, {PD, D}, none, "", 10, 1, "U i10 i9 i10 s"},
        {"up above the shown rows scrolls", 40, {E, PU, PLM_KEY_UP}, none, "", 30, 30, "D i30 i31 i30 s"},
        {"page down", 40, {PD}, none, "", 9, 0, "F"},
        {"page down stops at the confirm row", 40, {E, PU, PD}, none, "", 40, 31, "F"},
        {"page up to zero", 40, {D, D, PU}, none, "", 0, 0, "F"},
        {"home", 40, {E, PLM_KEY_HOME}, none, "", 0, 0, "F"},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> flags(c.count, 0);
        multi_menu_state s = multi(flags, c.count > 3 ? 10 : 22);
        menu_step st;
        for (int k : c.keys) {
            st = multi_menu_key(s, k < 0 ? chr(static_cast<char>(-k)) : key(k));
            if (st.exit != menu_exit::none) break;
        }
        EXPECT_EQ(std::tuple(st.exit, ticks(flags), s.focus, s.top, ops(st)),
                  std::tuple(c.exit, std::string(c.ticks), c.focus, c.top, std::string(c.last_ops)))
            << c.name;
    }
}

TEST(MultiMenuMouse, ClicksAndWheel) {
    struct Event {
        int32_t y, button, released;
    };
    struct Case {
        const char* name;
        std::vector<Event> events;
        menu_exit exit;
        const char* ticks;
        int64_t focus;
        const char* last_ops;
    };
    const menu_exit none = menu_exit::none;
    // Three items from row 5; the confirm row is row 8, the hint row 27.
    const std::vector<Case> cases = {
        {"left click toggles once", {{6, 0, 0}, {6, 0, 1}}, none, "010", 1, "i1 s"},
        {"click on the confirm row confirms", {{8, 0, 0}, {8, 0, 1}}, menu_exit::chosen, "", 3, ""},
        {"right click toggles by its release", {{7, 2, 0}, {7, 2, 1}}, none, "001", 2, "i0 i2 s i2 s"},
        {"right press alone does nothing", {{7, 2, 0}}, none, "", 0, ""},
        {"console-record release toggles", {{5, 3, 1}}, none, "100", 0, "i0 s"},
        {"left press moves the focus", {{7, 0, 0}}, none, "", 2, "i0 i2 s"},
        {"click above the list", {{4, 0, 0}, {4, 0, 1}}, none, "", 0, ""},
        {"click below the confirm row", {{9, 0, 0}, {9, 0, 1}}, none, "", 0, ""},
        {"wheel down moves the focus", {{0, 65, 0}}, none, "", 1, "i0 i1 s"},
        {"wheel up at the top does nothing", {{0, 64, 0}}, none, "", 0, ""},
        {"motion moves the focus", {{7, 35, 0}}, none, "", 2, "i0 i2 s"},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> flags(3, 0);
        multi_menu_state s = multi(flags, 22, 5);
        menu_step st;
        uint64_t t = 1000;
        for (const Event& e : c.events) {
            st = multi_menu_mouse(s, mouse(e.y, e.button, e.released), at_ms(t += 100));
            if (st.exit != menu_exit::none) break;
        }
        EXPECT_EQ(std::tuple(st.exit, ticks(flags), s.focus, ops(st)),
                  std::tuple(c.exit, std::string(c.ticks), c.focus, std::string(c.last_ops)))
            << c.name;
    }
    // Motion is throttled to one per 30 ms.
    std::vector<unsigned char> flags(10, 0);
    multi_menu_state s = multi(flags, 9);
    EXPECT_EQ(ops(multi_menu_mouse(s, mouse(3, 32), at_ms(500))), "i0 i3 s");
    EXPECT_EQ(ops(multi_menu_mouse(s, mouse(4, 32), at_ms(529))), "");
    EXPECT_EQ(ops(multi_menu_mouse(s, mouse(4, 32), at_ms(530))), "i3 i4 s");
}

// ---------------------------------------------------------------------------
// Text fallback

TEST(MultiMenuFallback, Answers) {
    struct Case {
        const char* answer;
        const char* ticks;
    };
    const Case cases[] = {
        {"1,3\n", "101"},
        {"3 2\n", "011"},
        {"0, 4, x, -1\n", ""},
        {"2x\n", "010"},
        {"\n", ""},
        {"", ""},
        {"1\t2\r\n", "110"},
        {",,3,,", "001"},
        {"+2", "010"},
        {"\v2", "010"},
        {"99999999999999999999999", ""},
        {"4294967297", ""},  // never wraps onto item 1
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> flags(3, 0);
        parse_multi_answer(c.answer, 3, flags.data());
        EXPECT_EQ(ticks(flags), c.ticks) << c.answer;
    }
}

TEST(MultiMenuFallback, ListFormat) {
    item_list list(1000);
    list.names[1] = "b";
    list.items[1] = list.names[1].c_str();
    list.items[2] = nullptr;
    std::string out;
    format_multi_fallback_list(out, "Pick", list.items.data(), list.items.size());
    EXPECT_EQ(out.substr(0, 35), "Pick\n  1. item1\n  2. b\n  3. \n  4. i");
    EXPECT_NE(out.find("\n 99. item99\n100. item100\n"), std::string::npos);
    EXPECT_NE(out.find("\n999. item999\n1000. item1000\n"), std::string::npos);
    std::string untitled;
    format_multi_fallback_list(untitled, "", list.items.data(), 1);
    EXPECT_EQ(untitled, "  1. item1\n");
}

}  // namespace
}  // namespace plm
