// The line editor without a console: key scripts in, line/cursor/kill buffer out.
#include "line_editor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_platform.h"

namespace plm {
namespace {

// "<NAME>" is a named key, any other byte a character key.
std::vector<plm_key_event> keys(const std::string& script) {
    static const struct {
        const char* name;
        std::int32_t key;
    } names[] = {
        {"LEFT", PLM_KEY_LEFT},      {"RIGHT", PLM_KEY_RIGHT}, {"UP", PLM_KEY_UP},        {"DOWN", PLM_KEY_DOWN},
        {"HOME", PLM_KEY_HOME},      {"END", PLM_KEY_END},     {"BS", PLM_KEY_BACKSPACE}, {"DEL", PLM_KEY_DELETE},
        {"TAB", PLM_KEY_TAB},        {"ESC", PLM_KEY_ESCAPE},  {"ENTER", PLM_KEY_ENTER},  {"PGUP", PLM_KEY_PAGE_UP},
        {"PGDN", PLM_KEY_PAGE_DOWN}, {"CC", PLM_KEY_CTRL_C},   {"MOUSE", PLM_KEY_NONE},
    };
    std::vector<plm_key_event> out;
    for (std::size_t i = 0; i < script.size(); ++i) {
        plm_key_event ev{};
        if (script[i] == '<') {
            const std::size_t close = script.find('>', i);
            const std::string name = script.substr(i + 1, close - i - 1);
            bool found = false;
            for (const auto& n : names)
                if (name == n.name) {
                    ev.key = n.key;
                    found = true;
                }
            if (!found) ADD_FAILURE() << "unknown key " << name;
            i = close;
        } else {
            ev.key = PLM_KEY_CHAR;
            ev.ch = static_cast<unsigned char>(script[i]);
        }
        out.push_back(ev);
    }
    return out;
}

struct history_fixture {
    std::vector<std::string> lines;
    std::vector<char*> ptrs;
    plm_history list{};
    explicit history_fixture(std::vector<std::string> l) : lines(std::move(l)) {
        for (auto& s : lines) ptrs.push_back(s.data());
        list.items = ptrs.data();
        list.count = ptrs.size();
        list.capacity = ptrs.size();
    }
};

// Makes the next allocation of the fake fail (and only that one).
void fail_next_allocation(fake_platform& fake) { fake.fail_allocation_at = fake.allocations + 1; }

struct editor_run {
    fake_platform sys;
    editor_state ed;
    step_result last = step_result::go_on;
    editor_run(int mode, const std::string& text, std::size_t cursor) {
        EXPECT_TRUE(editor_begin(sys, ed, mode, true, true));
        EXPECT_TRUE(line_replace(sys, ed.line, text.c_str()));
        ed.line.cursor = cursor;
    }
    ~editor_run() {
        editor_end(ed);
        EXPECT_TRUE(sys.live_blocks.empty());
    }
    void type(const std::string& script, const editor_env& env = {}) {
        for (const auto& ev : keys(script)) {
            last = perform_action(ed, map_key(ed, ev), ev, env);
            ASSERT_LE(ed.line.cursor, ed.line.length);
            ASSERT_EQ(std::strlen(ed.line.text), ed.line.length);
            if (last != step_result::go_on) return;
        }
    }
    std::string text() const { return std::string(ed.line.text, ed.line.length); }
};

TEST(WordMotions, Boundaries) {
    struct {
        const char* text;
        std::size_t from, forward, back, end;
    } cases[] = {
        {"foo bar", 0, 4, 0, 2},
        {"foo bar", 2, 4, 0, 2},  // from a word's last byte, word end stays put
        {"foo bar", 3, 4, 0, 6},  // from the blank
        {"foo bar", 5, 7, 4, 6},
        {"foo bar", 7, 7, 4, 7},  // at the end
        {"foo.bar", 0, 4, 0, 2},  // punctuation separates like a blank
        {"foo.bar", 4, 7, 0, 6},
        {"a  b", 3, 4, 0, 3},
        {"  ab", 0, 2, 0, 3},
        {"ab", 1, 2, 0, 1},
        {"", 0, 0, 0, 0},
        {"x_1 y", 0, 4, 0, 2},              // '_' and digits are word bytes
        {"\xc3\xa9t\xc3\xa9", 0, 2, 0, 2},  // bytes from 0x80 up are separators
        {"...", 0, 3, 0, 3},
        {"ab cd", 99, 5, 3, 5},  // positions past the end are clamped
    };
    for (const auto& c : cases) {
        const std::size_t n = std::strlen(c.text);
        SCOPED_TRACE(std::string(c.text) + " from " + std::to_string(c.from));
        EXPECT_EQ(word_forward(c.text, n, c.from), c.forward);
        EXPECT_EQ(word_back(c.text, n, c.from), c.back);
        EXPECT_EQ(word_end(c.text, n, c.from), c.end);
    }
}

struct edit_case {
    const char* name;
    int mode;
    const char* start;
    std::size_t cursor;
    const char* script;
    const char* text;
    std::size_t cursor_after;
    const char* kill;  // null: not checked
    int insert_after;  // -1: not checked
};

class Editing : public ::testing::TestWithParam<edit_case> {};

TEST_P(Editing, KeyScript) {
    const edit_case& c = GetParam();
    editor_run r(c.mode, c.start, c.cursor);
    r.type(c.script);
    EXPECT_EQ(r.text(), c.text);
    EXPECT_EQ(r.ed.line.cursor, c.cursor_after);
    if (c.kill != nullptr) {
        EXPECT_STREQ(r.ed.kill_buffer, c.kill);
    }
    if (c.insert_after >= 0) {
        EXPECT_EQ(r.ed.insert, c.insert_after);
    }
}

const edit_case editing_cases[] = {
    // default mode
    {"insert_in_middle", 0, "", 0, "ac<LEFT>b", "abc", 2, nullptr, -1},
    {"left_stops_at_0", 0, "ab", 1, "<LEFT><LEFT><LEFT>", "ab", 0, nullptr, -1},
    {"right_stops_at_end", 0, "ab", 1, "<RIGHT><RIGHT>", "ab", 2, nullptr, -1},
    {"home_end", 0, "abc", 1, "<HOME>x<END>y", "xabcy", 5, nullptr, -1},
    {"backspace", 0, "abc", 2, "<BS>", "ac", 1, nullptr, -1},
    {"backspace_at_0", 0, "abc", 0, "<BS>", "abc", 0, nullptr, -1},
    {"delete", 0, "abc", 1, "<DEL>", "ac", 1, nullptr, -1},
    {"delete_at_end", 0, "abc", 3, "<DEL>", "abc", 3, nullptr, -1},
    {"control_byte_dropped", 0, "", 0, "a\x7f\x01z", "az", 2, nullptr, -1},
    {"vi_letters_are_text_in_default", 0, "", 0, "dw$p", "dw$p", 4, nullptr, -1},
    // vi: starts in insert mode
    {"vi_insert_types", 1, "", 0, "foo", "foo", 3, "", 1},
    {"vi_dw", 1, "foo bar", 0, "<ESC>dw", "bar", 0, "foo ", 0},
    {"vi_w_over_punct", 1, "foo.bar", 0, "<ESC>w", "foo.bar", 4, nullptr, 0},
    {"vi_e_stays_on_last", 1, "foo.bar", 2, "<ESC>e", "foo.bar", 2, nullptr, 0},
    {"vi_d_left_w", 1, "foo bar", 4, "<ESC>d<LEFT>w", "foobar", 3, " ", 0},
    {"vi_yy", 1, "foo bar", 2, "<ESC>yy", "foo bar", 2, "foo bar", 0},
    {"vi_dd", 1, "foo bar", 2, "<ESC>dd", "", 0, "foo bar", 0},
    {"vi_delete_key", 1, "abc", 1, "<ESC><DEL>", "ac", 1, nullptr, 0},
    {"vi_x", 1, "abc", 2, "<ESC>x", "ab", 2, nullptr, 0},
    {"vi_d_dollar", 1, "foo bar", 2, "<ESC>d$", "fo", 2, "o bar", 0},
    {"vi_db", 1, "foo bar", 6, "<ESC>db", "foo r", 4, "ba", 0},
    {"vi_de", 1, "foo bar", 0, "<ESC>de", " bar", 0, "foo", 0},
    {"vi_de_at_trailing_blank", 1, "ab ", 2, "<ESC>de", "ab", 2, " ", 0},
    {"vi_dE_D_upper", 1, "foo bar", 4, "<ESC>dE", "foo ", 4, "bar", 0},
    {"vi_cw_enters_insert", 1, "foo bar", 0, "<ESC>cwX", "Xbar", 1, "foo ", 1},
    {"vi_cc", 1, "foo", 1, "<ESC>ccz", "z", 1, "foo", 1},
    {"vi_yw_keeps_line", 1, "foo bar", 0, "<ESC>yw", "foo bar", 0, "foo ", 0},
    {"vi_paste_before_end_moves_right", 1, "ab", 0, "<ESC>yyp", "aabb", 3, "ab", 0},
    {"vi_paste_empty_kill", 1, "ab", 0, "<ESC>p", "ab", 0, "", 0},
    {"vi_operator_bad_range", 1, "foo bar", 0, "<ESC>dxw", "foo bar", 4, "", 0},
    {"vi_operator_cleared_by_pgup", 1, "foo bar", 0, "<ESC>d<PGUP>w", "foo bar", 4, "", 0},
    {"vi_operator_survives_esc", 1, "foo bar", 0, "<ESC>d<ESC>w", "bar", 0, "foo ", 0},
    {"vi_dc_mixed_is_not_line", 1, "foo", 0, "<ESC>dc", "foo", 0, "", 0},
    {"vi_i", 1, "ab", 1, "<ESC>iX", "aXb", 2, nullptr, 1},
    {"vi_a", 1, "ab", 0, "<ESC>aX", "aXb", 2, nullptr, 1},
    {"vi_A", 1, "ab", 0, "<ESC>AX", "abX", 3, nullptr, 1},
    {"vi_0_dollar_h_l", 1, "abcd", 2, "<ESC>0ll$h", "abcd", 3, nullptr, 0},
    {"vi_b_B", 1, "foo bar baz", 11, "<ESC>bB", "foo bar baz", 4, nullptr, 0},
    {"vi_unbound_char", 1, "ab", 1, "<ESC>zq", "ab", 1, nullptr, 0},
    {"vi_i_with_operator_pending_does_nothing", 1, "foo bar", 0, "<ESC>di<ESC>w", "foo bar", 4, "", 0},
};

INSTANTIATE_TEST_SUITE_P(Keys, Editing, ::testing::ValuesIn(editing_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Editing, ChComparedByLowByte) {
    editor_run r(1, "foo bar", 0);
    r.type("<ESC>");
    plm_key_event w{PLM_KEY_CHAR, 0x100u + 'w', 0};
    perform_action(r.ed, map_key(r.ed, w), w, {});
    EXPECT_EQ(r.ed.line.cursor, 4u);
    // ...while insertion looks at the whole code: 0x161 is no printable ASCII.
    r.type("i");
    plm_key_event s{PLM_KEY_CHAR, 0x161u, 0};
    perform_action(r.ed, map_key(r.ed, s), s, {});
    EXPECT_EQ(r.text(), "foo bar");
}

TEST(Editing, KillBufferKeepsFirst255Bytes) {
    for (std::size_t length : {254u, 255u, 256u, 257u, 300u}) {
        std::string long_line(length, 'a');
        long_line[0] = 'b';
        editor_run r(1, long_line, 0);
        r.type("<ESC>yy");
        const std::size_t kept = length < 255 ? length : 255;
        EXPECT_EQ(std::string(r.ed.kill_buffer), long_line.substr(0, kept)) << length;
        r.type("$p");  // at the end: no move right, the whole kill buffer goes in
        EXPECT_EQ(r.ed.line.length, length + kept);
        EXPECT_EQ(r.ed.line.cursor, length + kept);
    }
}

TEST(Editing, EnterAccepts) {
    for (const char* script : {"ab<ENTER>", "ab<ESC><ENTER>", "ab<ESC>d<ENTER>"}) {
        editor_run r(1, "", 0);
        r.type(script);
        EXPECT_EQ(r.last, step_result::accept) << script;
    }
}

// History browsing: index, saved line, and which edits end browsing.
struct history_case {
    const char* name;
    int mode;
    bool history_on;
    const char* script;
    const char* text;
    std::int32_t index;
};

class History : public ::testing::TestWithParam<history_case> {};

TEST_P(History, Browse) {
    const history_case& c = GetParam();
    history_fixture h({"one", "two"});
    editor_env env;
    env.history = &h.list;
    editor_run r(c.mode, "", 0);
    r.ed.history_on = c.history_on;
    r.type(c.script, env);
    EXPECT_EQ(r.text(), c.text);
    EXPECT_EQ(r.ed.line.cursor, r.ed.line.length);
    EXPECT_EQ(r.ed.history_index, c.index);
}

const history_case history_cases[] = {
    {"down_without_browsing", 0, true, "x<DOWN>", "x", -1},
    {"edit_ends_browsing", 0, true, "<UP>!<UP>", "two", 1},
    {"edit_drops_on_newer", 0, true, "<UP><UP><BS><DOWN>", "two", 1},
    {"cursor_move_keeps_index", 0, true, "<UP><LEFT><DOWN>", "", -1},
    {"vi_k_j", 1, true, "x<ESC>kkj", "two", 1},
    {"vi_operator_ends_browsing", 1, true, "<ESC>kyyk", "two", 1},
    {"vi_j_back", 1, true, "x<ESC>kj", "x", -1},
};

INSTANTIATE_TEST_SUITE_P(Keys, History, ::testing::ValuesIn(history_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(History, SavedLineKeepsFirst255Bytes) {
    history_fixture h({"one"});
    editor_env env;
    env.history = &h.list;
    for (std::size_t length : {255u, 256u, 300u}) {
        const std::string typed(length, 'q');
        editor_run r(0, typed, length);
        r.type("<UP><DOWN>", env);
        EXPECT_EQ(r.text(), typed.substr(0, 255)) << length;
    }
}

TEST(History, NullEntryShowsEmpty) {
    char* items[] = {nullptr};
    plm_history list{items, 1, 1};
    editor_env env;
    env.history = &list;
    editor_run r(0, "abc", 3);
    r.type("<UP>", env);
    EXPECT_EQ(r.text(), "");
    EXPECT_EQ(r.ed.history_index, 0);
}

// Completion: the callback's answer, what it was asked, and what ends browsing.
struct completion_probe {
    int rc = 0;
    std::size_t count = 0;
    const char* first = nullptr;
    bool own_array = false;
    bool null_items = false;
    int calls = 0;
    std::string seen_line;
    std::size_t seen_length = 0, seen_cursor = 0, seen_capacity = 0, seen_count = 99;
    bool reserved_zero = false;
    void* seen_user = nullptr;
};

int probe_complete(const plm_completion_request* req, plm_completion_result* res, void* user) {
    auto* p = static_cast<completion_probe*>(user);
    ++p->calls;
    p->seen_user = user;
    p->seen_line = req->line;
    p->seen_length = req->length;
    p->seen_cursor = req->cursor;
    p->reserved_zero = req->reserved[0] == 0 && req->reserved[1] == 0 && req->reserved[2] == 0;
    p->seen_capacity = res->capacity;
    p->seen_count = res->count;
    static const char* own[1];
    if (p->null_items) {
        res->items = nullptr;
    } else if (p->own_array) {
        own[0] = p->first;
        res->items = own;
    } else {
        res->items[0] = p->first;
    }
    res->count = p->count;
    return p->rc;
}

TEST(Completion, Outcomes) {
    struct {
        const char* name;
        int rc;
        std::size_t count;
        const char* first;
        bool own_array, null_items;
        const char* text;  // null: the line stays "hx", cursor 1
    } cases[] = {
        {"null_first", 0, 1, nullptr, false, false, nullptr},
        {"own_array", 0, 3, "world", true, false, "world"},
        {"null_items_array", 0, 1, "x", false, true, nullptr},
        {"empty_candidate", 0, 1, "", false, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        completion_probe p;
        p.rc = c.rc;
        p.count = c.count;
        p.first = c.first;
        p.own_array = c.own_array;
        p.null_items = c.null_items;
        editor_env env;
        env.complete = probe_complete;
        env.user_data = &p;
        editor_run r(0, "", 0);
        r.type("hex<LEFT><BS><TAB>", env);
        // the request showed "hx" with the cursor after the h
        EXPECT_EQ(p.calls, 1);
        EXPECT_EQ(p.seen_line, "hx");
        EXPECT_EQ(p.seen_length, 2u);
        EXPECT_EQ(p.seen_cursor, 1u);
        EXPECT_TRUE(p.reserved_zero);
        EXPECT_EQ(p.seen_capacity, 16u);
        EXPECT_EQ(p.seen_count, 0u);
        EXPECT_EQ(p.seen_user, &p);
        const std::string expect = c.text == nullptr ? "hx" : c.text;
        EXPECT_EQ(r.text(), expect);
        EXPECT_EQ(r.ed.line.cursor, c.text == nullptr ? 1u : expect.size());
    }
}

int complete_with_own_text(const plm_completion_request* req, plm_completion_result* res, void*) {
    res->items[0] = req->line + 1;  // a candidate that lives inside the line itself
    res->count = 1;
    return 0;
}

TEST(Completion, CandidateInsideTheLine) {
    editor_env env;
    env.complete = complete_with_own_text;
    editor_run r(0, "xabc", 4);
    r.type("<TAB>", env);
    EXPECT_EQ(r.text(), "abc");
}

// Growth by doubling, and allocation failure leaving the line alone.
TEST(LineBuffer, GrowsByDoubling) {
    editor_run r(0, "", 0);
    EXPECT_EQ(r.ed.line.capacity, 256u);
    r.type(std::string(255, 'z'));
    EXPECT_EQ(r.ed.line.capacity, 256u);
    r.type("y");
    EXPECT_EQ(r.ed.line.capacity, 512u);
    r.type(std::string(300, 'x'));
    EXPECT_EQ(r.ed.line.capacity, 1024u);
    EXPECT_EQ(r.ed.line.length, 556u);
}

TEST(LineBuffer, AllocationFailureKeepsTheLine) {
    editor_run r(1, std::string(255, 'a'), 255);
    r.type("<ESC>yyA");  // kill buffer: 255 bytes; insert mode at the end
    const std::string before = r.text();
    fail_next_allocation(r.sys);
    r.type("b");  // needs 257 bytes
    EXPECT_EQ(r.last, step_result::out_of_memory);
    EXPECT_EQ(r.text(), before);
    EXPECT_EQ(r.ed.line.cursor, 255u);
    EXPECT_EQ(r.ed.line.capacity, 256u);
    fail_next_allocation(r.sys);
    r.type("<ESC>0p");
    EXPECT_EQ(r.last, step_result::out_of_memory);
    EXPECT_EQ(r.text(), before);
    EXPECT_EQ(r.ed.line.cursor, 0u);
    r.type("p");  // the next allocation works again
    EXPECT_EQ(r.last, step_result::go_on);
    EXPECT_EQ(r.ed.line.length, 510u);
}

TEST(LineBuffer, HistoryRecallFailureKeepsLine) {
    history_fixture h({std::string(1000, 'h')});
    editor_env env;
    env.history = &h.list;
    editor_run r(0, "typed", 5);
    fail_next_allocation(r.sys);
    r.type("<UP>", env);
    EXPECT_EQ(r.last, step_result::go_on);
    EXPECT_EQ(r.text(), "typed");
}

// Horizontal scrolling: what one row shows of a line wider than the window.
TEST(View, FitsOrScrolls) {
    struct {
        const char* name;
        std::size_t length, cursor, prompt, columns, scroll_before;
        std::size_t begin, len, left;
    } cases[] = {
        {"unknown_width", 500, 10, 5, 0, 0, 0, 500, 490},
        {"fits_exactly", 74, 74, 5, 80, 0, 0, 74, 0},
        {"one_too_many_end", 75, 75, 5, 80, 0, 1, 74, 0},
        {"cursor_home", 200, 0, 5, 80, 0, 0, 74, 74},
        {"cursor_left_of_window", 200, 30, 5, 80, 100, 30, 74, 74},
        {"cursor_right_of_window", 200, 150, 5, 80, 0, 76, 74, 0},
        {"cursor_inside_keeps_scroll", 200, 60, 5, 80, 40, 40, 74, 54},
        {"shrunk_pulls_back", 100, 100, 5, 80, 90, 26, 74, 0},
        {"prompt_wider_than_window", 10, 10, 100, 80, 0, 9, 1, 0},
        {"shrunk_to_fit", 20, 5, 5, 80, 50, 0, 20, 15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        editor_run r(0, std::string(c.length, 'x'), c.cursor);
        r.ed.scroll = c.scroll_before;
        const prompt_view v = compute_view(r.ed, c.prompt, c.columns);
        EXPECT_EQ(v.text_begin, c.begin);
        EXPECT_EQ(v.text_len, c.len);
        EXPECT_EQ(v.cursor_left, c.left);
        // the cursor is on the row, inside the window
        EXPECT_GE(c.cursor, v.text_begin);
        EXPECT_LE(c.cursor, v.text_begin + v.text_len);
        if (c.columns != 0 && c.prompt < c.columns) {
            EXPECT_LE(c.prompt + v.text_len, c.columns - 1);
        }
    }
}

TEST(View, PromptColumns) {
    struct {
        const char* prompt;
        std::size_t cols;
    } cases[] = {
        {"VLM> ", 5},           {"", 0}, {"\x1b[1;32m>\x1b[0m ", 2}, {"\xe4\xb8\xad> ", 3}, {"\x1b]0;title\x07$ ", 2},
        {"\x1b]0;t\x1b\\$", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(display_columns(c.prompt, std::strlen(c.prompt)), c.cols) << c.prompt;
}

}  // namespace
}  // namespace plm
