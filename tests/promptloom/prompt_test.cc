// plm_prompt_run, the history exports and plm_menu_choice through the fake console: the exact
// bytes of every redraw, the results, what reaches the callbacks, and every way out.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "frame.h"
#include "promptloom.h"
#include "raw_mode.h"

namespace plm {
namespace {

const std::string k_on = "\x1b[?1000h\x1b[?1003h\x1b[?1015h\x1b[?1006h";
const std::string k_off = "\x1b[?1000l\x1b[?1015l\x1b[?1006l\x1b[?1003l";
const std::string k_row = "\r\x1b[2K";  // every redraw starts here

// A context on the fake console; destroyed (and checked for leaks) at the end of the test.
class PromptTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx = plm_context_create();
        ASSERT_NE(ctx, nullptr);
    }
    void TearDown() override {
        plm_context_destroy(ctx);
        EXPECT_TRUE(fake.live_blocks.empty()) << fake.live_blocks.size() << " blocks leaked";
        EXPECT_EQ(raw_mode_count(), 0);
    }

    std::int32_t run(const plm_prompt_options* options = nullptr, std::size_t size = sizeof line) {
        return plm_prompt_run(ctx, options, line, size);
    }
    void add_history(std::initializer_list<const char*> lines) {
        for (const char* l : lines) ASSERT_EQ(plm_history_add(ctx, l), PLM_OK);
    }
    std::vector<std::string> history() const {
        std::vector<std::string> h;
        for (std::size_t i = 0; i < plm_history_count(ctx); ++i) h.emplace_back(plm_history_get(ctx, i));
        return h;
    }
    // The redraws written between raw mode on and the final line end / raw mode off.
    std::vector<std::string> redraws() const {
        std::vector<std::string> rows;
        std::size_t at = fake.out.find(k_row);
        while (at != std::string::npos) {
            const std::size_t next = fake.out.find(k_row, at + 1);
            std::string row =
                fake.out.substr(at + k_row.size(), next == std::string::npos ? next : next - at - k_row.size());
            const std::size_t tail = row.find("\n" + k_off);
            if (tail != std::string::npos) row.erase(tail);
            if (row.size() >= k_off.size() && row.compare(row.size() - k_off.size(), k_off.size(), k_off) == 0)
                row.erase(row.size() - k_off.size());
            rows.push_back(row);
            at = next;
        }
        return rows;
    }

    fake_platform fake;
    platform_override use{fake};
    plm_context* ctx = nullptr;
    char line[256] = "untouched";
};

plm_prompt_options options_with(const char* prompt, int edit_mode = 0, std::uint32_t history = 1,
                                std::uint32_t completion = 1) {
    plm_prompt_options o;
    plm_default_prompt_options(&o);
    o.prompt = prompt;
    o.edit_mode = edit_mode;
    o.history = history;
    o.completion = completion;
    return o;
}

TEST(PromptOptions, Defaults) {
    plm_prompt_options o;
    std::memset(&o, 0xAB, sizeof o);
    plm_default_prompt_options(&o);
    EXPECT_STREQ(o.prompt, "VLM> ");
    EXPECT_EQ(o.reserved0, 0u);
    EXPECT_EQ(o.reserved1, 1u);
    EXPECT_EQ(o.history, 1u);
    EXPECT_EQ(o.completion, 1u);
    EXPECT_EQ(o.reserved2, 0u);
    EXPECT_EQ(o.reserved3, 200u);
    EXPECT_EQ(o.edit_mode, 0);
    EXPECT_EQ(o.reserved4, 0u);
    plm_default_prompt_options(nullptr);  // ignored
}

TEST_F(PromptTest, WholeRunBytes) {
    fake.feed_bytes("ab\r");
    ASSERT_EQ(run(), PLM_OK);
    EXPECT_STREQ(line, "ab");
    EXPECT_EQ(fake.out, k_on + k_row + "VLM> " + k_row + "VLM> a" + k_row + "VLM> ab" + "\n" + k_off);
    EXPECT_EQ(history(), std::vector<std::string>{"ab"});
    // modes restored after the line end was written
    EXPECT_EQ(fake.input_mode, 0x1F7u);
    EXPECT_EQ(fake.output_mode, 0x3u);
}

TEST_F(PromptTest, PromptTexts) {
    struct {
        const char* prompt;  // "(null)": the options' prompt field is null
        bool null_options;
        std::string shown;
    } cases[] = {
        {"", true, "VLM> "},
        {nullptr, false, "VLM> "},
        {"", false, ""},
        {"name? ", false, "name? "},
    };
    for (const auto& c : cases) {
        fake.clear_record();
        fake.feed_bytes("\r");
        plm_prompt_options o = options_with(c.prompt);
        ASSERT_EQ(run(c.null_options ? nullptr : &o), PLM_OK);
        EXPECT_EQ(redraws(), std::vector<std::string>{c.shown}) << c.shown;
    }
}

struct redraw_case {
    const char* name;
    int mode;
    const char* bytes;              // without the final Enter
    std::vector<std::string> rows;  // every redraw after the first, prompt "> "
    const char* result;
};

class Redraws : public PromptTest, public ::testing::WithParamInterface<redraw_case> {};

TEST_P(Redraws, Bytes) {
    const redraw_case& c = GetParam();
    fake.feed_bytes(std::string(c.bytes) + "\r");
    plm_prompt_options o = options_with("> ", c.mode);
    ASSERT_EQ(run(&o), PLM_OK);
    std::vector<std::string> expected{"> "};
    for (const auto& r : c.rows) expected.push_back("> " + r);
    EXPECT_EQ(redraws(), expected);
    EXPECT_STREQ(line, c.result);
}

const redraw_case redraw_cases[] = {
    {"two_left", 0, "abc\x1b[D\x1b[D", {"a", "ab", "abc", "abc\x1b[1D", "abc\x1b[2D"}, "abc"},
    {"utf8_dropped", 0, "a\xc3\xa9", {"a", "a", "a"}, "a"},
    {"nothing_keys", 0, "a\x1b[5~\x1b[6~\x1bq", {"a", "a", "a", "a"}, "a"},
    {"mouse_redraws", 0, "a\x1b[<0;10;5M", {"a", "a"}, "a"},
    {"vi_dw_dollar_p",
     1,
     "foo bar\x1b\x1b"
     "0dw$p",
     {"f", "fo", "foo", "foo ", "foo b", "foo ba", "foo bar", "foo bar", "foo bar\x1b[7D", "foo bar\x1b[7D",
      "bar\x1b[3D", "bar", "barfoo "},
     "barfoo "},
    {"vi_backspace_in_normal",
     1,
     "abc\x1b\x1b"
     "h\x7f",
     {"a", "ab", "abc", "abc", "abc\x1b[1D", "ab"},
     "ab"},
};

INSTANTIATE_TEST_SUITE_P(Prompt, Redraws, ::testing::ValuesIn(redraw_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PromptTest, HistoryRecall) {
    add_history({"one", "two"});
    fake.feed_bytes("x\x1b[A\x1b[A\x1b[A\x1b[B\x1b[B\r");
    ASSERT_EQ(run(), PLM_OK);
    const std::vector<std::string> expected{"VLM> ",    "VLM> x",   "VLM> two", "VLM> one",
                                            "VLM> one", "VLM> two", "VLM> x"};
    EXPECT_EQ(redraws(), expected);
    EXPECT_STREQ(line, "x");
    EXPECT_EQ(history(), (std::vector<std::string>{"one", "two", "x"}));
}

TEST_F(PromptTest, HistoryFlagOff) {
    add_history({"one"});
    fake.feed_bytes("x\x1b[A\x1b[B\r");
    plm_prompt_options o = options_with("> ", 0, 0);
    ASSERT_EQ(run(&o), PLM_OK);
    EXPECT_STREQ(line, "x");
    EXPECT_EQ(redraws(), (std::vector<std::string>{"> ", "> x", "> x", "> x"}));
    EXPECT_EQ(history(), std::vector<std::string>{"one"});
    // an accepted empty line is never stored, flag on or not
    fake.feed_bytes("\r");
    ASSERT_EQ(run(), PLM_OK);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(history(), std::vector<std::string>{"one"});
}

// A line one byte too long for the caller's buffer is lost on both paths; nine bytes fit.
TEST_F(PromptTest, LineThatDoesNotFit) {
    for (bool tty : {true, false}) {
        fake.tty_out = tty;
        fake.clear_record();
        char small[10] = "untouched";
        const auto feed = [&](const std::string& l) { tty ? fake.feed_bytes(l + "\r") : fake.feed_line(l + "\n"); };
        const std::size_t stored = plm_history_count(ctx);
        feed("0123456789");
        EXPECT_EQ(plm_prompt_run(ctx, nullptr, small, sizeof small), PLM_ERR_INVALID_ARGUMENT) << tty;
        EXPECT_STREQ(small, "untouched");
        EXPECT_EQ(plm_history_count(ctx), stored);
        if (tty) {
            EXPECT_EQ(fake.out.substr(fake.out.size() - k_off.size() - 1), "\n" + k_off);
        }
        feed("012345678");
        EXPECT_EQ(plm_prompt_run(ctx, nullptr, small, sizeof small), PLM_OK);
        EXPECT_STREQ(small, "012345678");
    }
}

TEST_F(PromptTest, CtrlCCancels) {
    for (int mode : {0, 1}) {
        add_history({"keep"});
        fake.clear_record();
        fake.feed_bytes(mode == 1 ? "ab\x1b\x1b"
                                    "d\x03"
                                  : "ab\x1b[A\x03");
        plm_prompt_options o = options_with("> ", mode);
        EXPECT_EQ(run(&o), PLM_ERR_IO) << mode;
        EXPECT_STREQ(line, "untouched");
        EXPECT_EQ(fake.out.substr(fake.out.size() - k_off.size() - 1), "\n" + k_off);
        EXPECT_EQ(fake.input_mode, 0x1F7u);
    }
    EXPECT_EQ(history(), (std::vector<std::string>{"keep", "keep"}));
}

// Completion through the context's callback.
struct completion_answer {
    int rc;
    std::size_t count;
    const char* first;
    int calls = 0;
};

int complete_cb(const plm_completion_request*, plm_completion_result* result, void* user) {
    auto* a = static_cast<completion_answer*>(user);
    ++a->calls;
    result->items[0] = a->first;
    result->count = a->count;
    return a->rc;
}

TEST_F(PromptTest, Completion) {
    struct {
        completion_answer answer;
        std::uint32_t flag;
        const char* result;
        int calls;
    } cases[] = {
        {{0, 0, "hello"}, 1, "he", 1},
        {{0, 1, "hello"}, 1, "hello", 1},
        {{-1, 1, "hello"}, 1, "he", 1},
        {{0, 1, "hello"}, 0, "he", 0},
    };
    for (auto& c : cases) {
        plm_callbacks cb{};
        cb.complete = complete_cb;
        ASSERT_EQ(plm_context_set_callbacks(ctx, &cb), PLM_OK);
        ASSERT_EQ(plm_context_set_user_data(ctx, &c.answer), PLM_OK);
        fake.clear_record();
        fake.feed_bytes("he\t\r");
        plm_prompt_options o = options_with("> ", 0, 1, c.flag);
        ASSERT_EQ(run(&o), PLM_OK);
        EXPECT_STREQ(line, c.result);
        EXPECT_EQ(c.answer.calls, c.calls);
        EXPECT_EQ(redraws().back(), std::string("> ") + c.result);
    }
}

// on_event: every event before it is acted on, the mouse record only for mouse actions, the
// loop record active meanwhile.
struct event_log {
    plm_context* ctx = nullptr;
    std::vector<std::string> seen;
};

int on_event_cb(const plm_key_event* key, const plm_mouse_event* mouse, void* user) {
    auto* log = static_cast<event_log*>(user);
    plm_loop* loop = nullptr;
    plm_loop_get(log->ctx, &loop);
    char e[160];
    char m[64] = "";
    if (mouse != nullptr) std::snprintf(m, sizeof m, " m%d,%d,%d", mouse->x, mouse->y, mouse->button);
    std::snprintf(e, sizeof e, "k%d:%u%s active=%u it=%llu hist=%u", key->key, key->ch, m, loop->active,
                  static_cast<unsigned long long>(loop->iterations),
                  static_cast<unsigned>(plm_history_count(log->ctx)));
    log->seen.push_back(e);
    return 1;
}

TEST_F(PromptTest, OnEventAndLoopRecord) {
    event_log log;
    log.ctx = ctx;
    plm_callbacks cb{};
    cb.on_event = on_event_cb;
    plm_context_set_callbacks(ctx, &cb);
    plm_context_set_user_data(ctx, &log);
    fake.feed_bytes("a\x1b[<0;10;5M\x1b[D\r");
    ASSERT_EQ(run(), PLM_OK);
    const std::vector<std::string> expected{
        "k1:97 active=1 it=1 hist=0", "k0:0 m9,4,0 active=1 it=2 hist=0", "k5:0 active=1 it=3 hist=0",
        "k2:0 active=1 it=4 hist=0",  // Enter is seen before the line is stored
    };
    EXPECT_EQ(log.seen, expected);
    plm_loop* loop = nullptr;
    ASSERT_EQ(plm_loop_get(ctx, &loop), PLM_OK);
    EXPECT_EQ(loop->active, 0u);
    EXPECT_EQ(loop->iterations, 4u);
    EXPECT_EQ(fake.count_calls("sleep 0"), 4u);
    // iterations go on counting across prompts
    fake.feed_bytes("\r");
    ASSERT_EQ(run(), PLM_OK);
    EXPECT_EQ(loop->iterations, 5u);
}

// The key reader falls back to getwch when VT input is refused, or when the byte read fails.
TEST_F(PromptTest, GetwchReader) {
    fake.refuse_vt_input = true;
    fake.feed_getwch({'a', 'c', 0xE0, 0x4B, 'b', 0x00, 0x47, 0x0D});
    ASSERT_EQ(run(), PLM_OK);
    EXPECT_STREQ(line, "abc");
    EXPECT_EQ(fake.count_calls("read_byte"), 0u);
    EXPECT_EQ(fake.count_calls("sleep 0"), 6u);
    const auto blocks = fake.live_blocks;
    fake = fake_platform{};
    fake.live_blocks = blocks;
    fake.close_when_drained = false;  // the byte read fails instead of ending
    fake.feed_bytes("a");
    fake.feed_getwch({'b', 0x0D});
    ASSERT_EQ(run(), PLM_OK);
    EXPECT_STREQ(line, "ab");
}

TEST_F(PromptTest, InputGoneEndsWithIoError) {
    fake.feed_bytes("abc");  // and then the terminal goes away
    EXPECT_EQ(run(), PLM_ERR_IO);
    EXPECT_STREQ(line, "untouched");
    EXPECT_EQ(fake.input_mode, 0x1F7u);
    EXPECT_EQ(fake.out.substr(fake.out.size() - k_off.size()), k_off);
    plm_loop* loop = nullptr;
    plm_loop_get(ctx, &loop);
    EXPECT_EQ(loop->active, 0u);
}

TEST_F(PromptTest, RawModeRefused) {
    fake.fail_get_output_mode = true;
    fake.feed_bytes("a\r");
    EXPECT_EQ(run(), PLM_ERR_IO);
    EXPECT_EQ(fake.out, "");
    EXPECT_EQ(fake.count_calls("set_console_mode"), 0u);
    EXPECT_STREQ(line, "untouched");
}

TEST_F(PromptTest, InvalidArguments) {
    fake.feed_bytes("a\r");
    EXPECT_EQ(plm_prompt_run(nullptr, nullptr, line, sizeof line), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(plm_prompt_run(ctx, nullptr, nullptr, 10), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(plm_prompt_run(ctx, nullptr, line, 0), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_TRUE(fake.calls.empty());
    EXPECT_STREQ(line, "untouched");
}

// Allocation failures: -2, terminal restored, nothing leaked (checked in TearDown), the
// caller's buffer and the history as they were.
TEST_F(PromptTest, AllocationFailures) {
    add_history({"old"});
    const int before = fake.allocations;
    struct {
        const char* name;
        int fail_at;  // allocation number counted from the start of the run
        std::string bytes;
        std::int32_t status;
        std::size_t history;
    } cases[] = {
        {"line_buffer", 1, "a\r", PLM_ERR_OUT_OF_MEMORY, 1},
        {"growth_on_insert", 2, std::string(300, 'x') + "\r", PLM_ERR_OUT_OF_MEMORY, 1},
        {"history_copy_in_accept", 2, "abc\r", PLM_OK, 1},  // the line still comes back
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.clear_record();
        fake.allocations = before;
        fake.fail_allocation_at = before + c.fail_at;
        fake.feed_bytes(c.bytes);
        std::strcpy(line, "untouched");
        EXPECT_EQ(run(), c.status);
        if (c.status != PLM_OK) {
            EXPECT_STREQ(line, "untouched");
        } else {
            EXPECT_STREQ(line, "abc");
        }
        EXPECT_EQ(plm_history_count(ctx), c.history);
        EXPECT_EQ(fake.input_mode, 0x1F7u);
        EXPECT_EQ(raw_mode_count(), 0);
        EXPECT_EQ(fake.live_blocks.size(), 3u);  // the context, the history array, "old"
        const auto blocks = fake.live_blocks;
        fake = fake_platform{};  // drops the unread input
        fake.live_blocks = blocks;
    }
}

// Horizontal scrolling: a line wider than the window stays on one row.
TEST_F(PromptTest, WideLineScrolls) {
    fake.screen.window = small_rect{0, 0, 19, 24};  // 20 columns
    fake.feed_bytes("abcdefghijklmnopqrstuvwxyz\x1b[H\r");
    plm_prompt_options o = options_with("> ");
    ASSERT_EQ(run(&o), PLM_OK);
    EXPECT_STREQ(line, "abcdefghijklmnopqrstuvwxyz");
    const auto rows = redraws();
    ASSERT_EQ(rows.size(), 28u);
    EXPECT_EQ(rows[17], "> abcdefghijklmnopq");  // 2 + 17 = 19 columns: the last one stays free
    EXPECT_EQ(rows[18], "> bcdefghijklmnopqr");
    EXPECT_EQ(rows[26], "> jklmnopqrstuvwxyz");
    EXPECT_EQ(rows[27], "> abcdefghijklmnopq\x1b[17D");
}

// The window narrowed while the prompt runs (the caller's event hook plays the user here).
int narrow_window(const plm_key_event* key, const plm_mouse_event*, void* user) {
    if (key->key == PLM_KEY_CHAR && key->ch == '!') static_cast<fake_platform*>(user)->screen.window.right = 9;
    return 0;
}

TEST_F(PromptTest, ResizedWindowIsFollowed) {
    plm_callbacks cb{};
    cb.on_event = narrow_window;
    plm_context_set_callbacks(ctx, &cb);
    plm_context_set_user_data(ctx, &fake);
    fake.feed_bytes("abcdefghij!\r");
    plm_prompt_options o = options_with("> ");
    ASSERT_EQ(run(&o), PLM_OK);
    EXPECT_STREQ(line, "abcdefghij!");
    EXPECT_EQ(redraws()[10], "> abcdefghij");  // 80 columns
    EXPECT_EQ(redraws()[11], "> efghij!");     // 10 columns: 2 + 7, the last one free
}

TEST_F(PromptTest, UnknownWidthShowsTheWholeLine) {
    fake.screen_ok = false;
    const std::string typed(100, 'w');
    fake.feed_bytes(typed + "\x1b[H\r");
    plm_prompt_options o = options_with("> ");
    ASSERT_EQ(run(&o), PLM_OK);
    EXPECT_EQ(redraws().back(), "> " + typed + "\x1b[100D");
}

// Plain-line fallback.
TEST_F(PromptTest, FallbackReadsPlainLines) {
    fake.tty_in = false;
    add_history({"h"});
    fake.feed_line("first\r\n");
    fake.feed_line("second\n");
    fake.feed_line(std::string(5000, 'z') + "\n");
    fake.feed_line("last\r\r");
    plm_callbacks cb{};
    cb.on_event = on_event_cb;  // never called: user data is null and would crash
    plm_context_set_callbacks(ctx, &cb);
    const std::vector<std::string> expected{"first", "second", std::string(4095, 'z'), std::string(905, 'z'), "last"};
    std::vector<char> big(8192);
    for (const auto& e : expected) {
        ASSERT_EQ(plm_prompt_run(ctx, nullptr, big.data(), big.size()), PLM_OK);
        EXPECT_EQ(std::string(big.data()), e);
    }
    EXPECT_EQ(plm_prompt_run(ctx, nullptr, big.data(), big.size()), PLM_ERR_IO);
    EXPECT_EQ(fake.out, "VLM> VLM> VLM> VLM> VLM> VLM> ");
    EXPECT_EQ(history(), std::vector<std::string>{"h"});
    EXPECT_EQ(fake.count_calls("set_console_mode"), 0u);
    plm_loop* loop = nullptr;
    plm_loop_get(ctx, &loop);
    EXPECT_EQ(loop->iterations, 0u);
}

// History storage.
TEST_F(PromptTest, HistoryStorage) {
    EXPECT_EQ(plm_history_add(nullptr, "x"), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(plm_history_add(ctx, nullptr), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(plm_history_add(ctx, ""), PLM_OK);
    EXPECT_EQ(plm_history_count(ctx), 0u);
    EXPECT_EQ(ctx->history.capacity, 0u);
    EXPECT_EQ(plm_history_count(nullptr), 0u);
    EXPECT_EQ(plm_history_get(nullptr, 0), nullptr);
    EXPECT_EQ(plm_history_get(ctx, 0), nullptr);

    const std::size_t capacities[] = {16, 16, 32, 32, 64};
    const std::size_t counts[] = {1, 16, 17, 32, 33};
    std::size_t added = 0;
    for (std::size_t step = 0; step < 5; ++step) {
        while (added < counts[step]) {
            ASSERT_EQ(plm_history_add(ctx, added % 2 == 0 ? "same" : "other"), PLM_OK);
            ++added;
        }
        EXPECT_EQ(ctx->history.capacity, capacities[step]);
    }
    EXPECT_EQ(plm_history_count(ctx), 33u);
    EXPECT_STREQ(plm_history_get(ctx, 0), "same");
    EXPECT_STREQ(plm_history_get(ctx, 2), "same");  // no de-duplication
    EXPECT_STREQ(plm_history_get(ctx, 32), "same");
    EXPECT_EQ(plm_history_get(ctx, 33), nullptr);

    // a copy, not the caller's pointer
    char mine[] = "mine";
    ASSERT_EQ(plm_history_add(ctx, mine), PLM_OK);
    mine[0] = 'X';
    EXPECT_STREQ(plm_history_get(ctx, 33), "mine");
}

TEST_F(PromptTest, HistoryAllocationFailureChangesNothing) {
    for (int i = 0; i < 16; ++i) ASSERT_EQ(plm_history_add(ctx, "line"), PLM_OK);
    char** items = ctx->history.items;
    for (int fail : {1, 2}) {  // the copy of the line; the array growing from 16 to 32
        fake.fail_allocation_at = fake.allocations + fail;
        EXPECT_EQ(plm_history_add(ctx, "new"), PLM_ERR_OUT_OF_MEMORY) << fail;
        EXPECT_EQ(plm_history_count(ctx), 16u);
        EXPECT_EQ(ctx->history.capacity, 16u);
        EXPECT_EQ(ctx->history.items, items);
        EXPECT_EQ(fake.live_blocks.size(), 18u);  // context, array, 16 lines
    }
    EXPECT_EQ(plm_history_add(ctx, "new"), PLM_OK);
    EXPECT_STREQ(plm_history_get(ctx, 16), "new");
}

// The numbered menu.
struct menu_case {
    const char* answer;
    std::size_t default_index;
    std::size_t index;
};

TEST_F(PromptTest, MenuAnswers) {
    fake.tty_in = false;
    const char* items[] = {"a", "b", "c"};
    const menu_case cases[] = {
        {"3\n", 0, 2},  {"\n", 0, 0},   {"0\n", 0, 0},  {"4\n", 0, 0}, {"abc\n", 0, 0}, {" 2\n", 0, 1},
        {"2x\n", 0, 1}, {"-1\n", 0, 0}, {"+2\n", 0, 1}, {"\n", 7, 0},  {"\n", 2, 2},
    };
    for (const auto& c : cases) {
        fake.clear_record();
        fake.feed_line(c.answer);
        std::size_t index = 99;
        ASSERT_EQ(plm_menu_choice(ctx, "Pick", items, 3, c.default_index, &index), PLM_OK) << c.answer;
        EXPECT_EQ(index, c.index) << c.answer;
        EXPECT_EQ(fake.out, "Pick\n  1. a\n  2. b\n  3. c\n");
    }
    EXPECT_EQ(plm_history_count(ctx), 0u);
}

TEST_F(PromptTest, MenuListing) {
    fake.tty_in = false;
    std::vector<std::string> names;
    std::vector<const char*> items;
    for (int i = 1; i <= 12; ++i) names.push_back("item" + std::to_string(i));
    for (const auto& n : names) items.push_back(n.c_str());
    items[3] = nullptr;
    fake.feed_line("10\n");
    std::size_t index = 0;
    ASSERT_EQ(plm_menu_choice(ctx, "", items.data(), items.size(), 0, &index), PLM_OK);
    EXPECT_EQ(index, 9u);
    std::string expected;
    for (int i = 1; i <= 12; ++i)
        expected += "  " + std::to_string(i) + ". " + (i == 4 ? "" : "item" + std::to_string(i)) + "\n";
    EXPECT_EQ(fake.out, expected);
    fake.clear_record();
    fake.feed_line("1\n");
    ASSERT_EQ(plm_menu_choice(ctx, nullptr, items.data(), 2, 0, &index), PLM_OK);
    EXPECT_EQ(fake.out, "  1. item1\n  2. item2\n");
}

TEST_F(PromptTest, MenuFailures) {
    fake.tty_in = false;
    const char* items[] = {"a", "b"};
    std::size_t index = 42;
    EXPECT_EQ(plm_menu_choice(nullptr, "t", items, 2, 0, &index), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(plm_menu_choice(ctx, "t", nullptr, 2, 0, &index), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(plm_menu_choice(ctx, "t", items, 0, 0, &index), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(plm_menu_choice(ctx, "t", items, 2, 0, nullptr), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(fake.out, "");
    // end of input, and an answer too long for the 64-byte buffer, pass through
    EXPECT_EQ(plm_menu_choice(ctx, "t", items, 2, 0, &index), PLM_ERR_IO);
    fake.feed_line(std::string(64, '1') + "\n");
    EXPECT_EQ(plm_menu_choice(ctx, "t", items, 2, 0, &index), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(index, 42u);
    fake.feed_line(std::string(62, ' ') + "2\n");  // 63 bytes fit
    EXPECT_EQ(plm_menu_choice(ctx, "t", items, 2, 0, &index), PLM_OK);
    EXPECT_EQ(index, 1u);
}

int complete_must_not_run(const plm_completion_request*, plm_completion_result*, void*) {
    ADD_FAILURE() << "completion called";
    return 1;
}

TEST_F(PromptTest, MenuOnATerminal) {
    add_history({"old"});
    event_log log;
    log.ctx = ctx;
    plm_callbacks cb{};
    cb.on_event = on_event_cb;
    cb.complete = complete_must_not_run;  // completion is off for the answer
    plm_context_set_callbacks(ctx, &cb);
    plm_context_set_user_data(ctx, &log);
    const char* items[] = {"a", "b", "c"};
    fake.feed_bytes(
        "\x1b[A"
        "2\t\r");  // UP does nothing: history is off for the answer
    std::size_t index = 0;
    ASSERT_EQ(plm_menu_choice(ctx, "T", items, 3, 0, &index), PLM_OK);
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(log.seen.size(), 4u);
    EXPECT_EQ(history(), std::vector<std::string>{"old"});
    EXPECT_EQ(fake.out,
              "T\n  1. a\n  2. b\n  3. c\n" + k_on + k_row + k_row + k_row + "2" + k_row + "2" + "\n" + k_off);
}

}  // namespace
}  // namespace plm
