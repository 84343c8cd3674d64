// promptloom on the fake console: the readers and raw mode, the context and the debug log, then the
// prompt and the menus through the exports, each a table of key scripts against the screen left.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "fake_platform.h"
#include "frame.h"
#include "line_editor.h"
#include "menu_answer.h"
#include "menu_core.h"
#include "text.h"

#include "layout_fields.inc"

namespace plm {
namespace {

// An event as text, a printable character as itself; "!" flags a field the reader should have cleared.
std::string name(const plm_key_event& k, const plm_mouse_event& m) {
    static const char* const keys[] = {"0", "",    "Ent", "BS", "Del", "L",   "R",   "U",
                                       "D", "PgU", "PgD", "Hm", "End", "Tab", "Esc", "^C"};
    char s[80];
    if (m.valid == 1) std::snprintf(s, sizeof s, "<m%d,%d,%d%s>", m.button, m.x, m.y, m.released ? "r" : "");
    if (m.valid != 1 && k.key == PLM_KEY_CHAR) std::snprintf(s, sizeof s, k.ch - 0x20 < 0x5F ? "%c" : "<x%X>", k.ch);
    if (m.valid != 1 && k.key != PLM_KEY_CHAR) std::snprintf(s, sizeof s, "<%s>", keys[k.key]);
    const bool stale = k.reserved || (m.valid == 1 ? k.key || k.ch : m.valid || (k.key != PLM_KEY_CHAR && k.ch));
    return s + std::string(stale ? "!" : "");
}

// "bytes=>events", one byte per read_event call: half sequences wait in the caller's decoder.
TEST(readers, decoded_bytes) {
    const std::string csi62 = "\x1b[" + std::string(62, '1'), controls("\r\n\x08\t\x03\x7f\0\x01\x1a\x1f=>", 12);
    // clang-format off
    const std::string rows[] = {
        "\x1b[A\x1b[B\x1b[C\x1b[D\x1b[1;2A\x1b[1;5A=><U><D><R><L><U><U>", "\x1b[@a\x1b[?\x7f~b=>ab", "\x1b=>",
        "\x1b[H\x1b[1;5H\x1b[1~\x1b[7~\x1b[F\x1b[1;2F\x1b[4~\x1b[8~=><Hm><Hm><Hm><Hm><End><End><End><End>",
        "\x1b[3~\x1b[3;2~\x1b[5~\x1b[6~\x1b[6;5~=><Del><Del><PgU><PgD><PgD>", controls + "<Ent><Ent><BS><Tab><^C><BS>",
        "\x1b[2~a\x1b[15~b\x1b[Zc\x1b[~d\x1b[;5~e\x1b[If\x1b[15;2~g\x1b[32;1;5Mh\x1b[200~i\x1b[?1;2cj=>abcdefghij",
        "\x1b[0~k\x1b[9~l\x1b[99999999999~m\x1b[>cn\x1b[<0~o=>klmno",
        "a Z~\xe4\xff\x1b[1\x03~x\x1b[\x1b" "A=>a Z~<xE4><xFF><Hm>x<U>",
        "\x1b\x1b\x1b\x1b[A\x1bx\x1bOP\x1b[[A\x1b[M !!=><Esc><Esc>[A<Esc><Esc>PA !!",
        "\x1b[<0;10;5M\x1b[<0;10;5m\x1b[<65;3;2M=><m0,9,4><m0,9,4r><m65,2,1>",
        "\x1b[<35;3;4M\x1b[<16;2;2M=><m35,2,3><m16,1,1>",
        "\x1b[<0M\x1b[<2;7M\x1b[<2;0;0m\x1b[<1;99999999999999;1M=><m0,0,0><m2,6,0><m2,0,0r><m1,2147483646,0>",
        csi62 + "A" + csi62 + "1Ax\x1b[B=><U>x<D>"};  // the 64th byte abandons a sequence
    // clang-format on
    for (const std::string& row : rows) {
        fake_platform f;
        plm_input_decoder d{};
        std::string got;
        for (char c : row.substr(0, row.rfind("=>"))) {
            f.bytes.push_back({0, static_cast<unsigned char>(c)});
            plm_key_event k{77, 77, 77};
            plm_mouse_event m{5, 5, 5, 5, 5};
            if (read_event(f, f.in, &d, &k, &m) == 1) got += name(k, m);
        }
        EXPECT_EQ(got, row.substr(row.rfind("=>") + 2)) << testing::PrintToString(row);
    }
    plm_input_decoder d{};
    plm_decode_result r{};
    for (char c : std::string("\x1b[1")) decoder_feed(&d, static_cast<unsigned char>(c), &r);
    decoder_reset(&d), decoder_reset(nullptr);
    EXPECT_EQ(decoder_feed(&d, 'A', &r) + decoder_feed(nullptr, 'a', &r) + decoder_feed(&d, 'a', nullptr), 1);
    EXPECT_EQ(r.key * 100 + r.ch, 165);  // 'A' as a character
    d.state = 7;  // a corrupted state is put right, using the byte up; a corrupted length is not trusted
    EXPECT_EQ(decoder_feed(&d, 'a', &r), 0);
    EXPECT_EQ(d.state, 0);
}

// How long a lone ESC waits for the rest of a key sequence (the wait itself is driven for real in
// library_e2e.sh and cli_e2e.sh): VLM_ESCAPE_MS, 0 to 1000 ms; unset, empty or not a number: 50.
TEST(readers, escape_wait_from_the_environment) {
    const std::pair<const char*, std::uint32_t> rows[] = {{nullptr, 50}, {"", 50},     {"2x", 50},
                                                          {"0", 0},      {"200", 200}, {"5000", 1000}};
    for (const auto& [value, ms] : rows) {
        fake_platform f;
        if (value != nullptr) f.env["VLM_ESCAPE_MS"] = value;
        EXPECT_EQ(escape_wait_ms(f), ms) << (value != nullptr ? value : "unset");
    }
}

// Foreign text as shown and its columns ("bytes=>shown|columns"); cuts that never split a character.
TEST(text, shown_characters_columns_and_cuts) {
    // clang-format off
    const std::string rows[] = {
        "a\x01\x7f\x1b\x1f=>a^A^?^[^_|9", "\xc2\x80\xc2\x9f\xc2\xa0=>M-^@M-^_\xc2\xa0|9", "中\xcc\x81" "e\xe2\x9c\x93\xe2\x80\xa6=>中\xcc\x81" "e✓…|5",
        "\xf0\x9f\x98\x80\xef\xbc\xa1\xea\xb0\x80\xe3\x80\x80\xe0\xa4\x81\xf3\xa0\x84\x80=>😀Ａ가\xe3\x80\x80\xe0\xa4\x81\xf3\xa0\x84\x80|8",
        "\x80\xc0\xaf\xe0\x80\xaf\xed\xa0\x80\xf4\x90\x80\x80\xf5\xc3=>" + std::string(15 * 3, 'r') + "|15"};
    // clang-format on
    for (std::string row : rows) {
        for (std::size_t p; (p = row.find(std::string(3, 'r'))) != std::string::npos;)
            row.replace(p, 3, "\xef\xbf\xbd");
        const std::string in = row.substr(0, row.find("=>")), want = row.substr(row.find("=>") + 2);
        std::string shown;
        std::size_t budget = 99;
        EXPECT_TRUE(append_shown(shown, in.data(), in.size(), &budget));
        EXPECT_EQ(shown + "|" + std::to_string(99 - budget), want);
        EXPECT_EQ(shown_columns(in.data(), in.size()), 99 - budget);
    }
    const std::string s = "a中\x80é";  // a, 3 bytes, a stray byte, 2 bytes
    std::string cuts, shown;
    for (std::size_t max = 0; max <= s.size(); ++max) cuts += std::to_string(utf8_fit(s.data(), s.size(), max));
    for (std::size_t i = s.size(); i > 0; i = utf8_prev(s.data(), s.size(), i)) cuts += " " + std::to_string(i);
    std::size_t budget = 2;
    EXPECT_FALSE(append_shown(shown, s.data(), s.size(), &budget));
    cuts += shown + std::to_string(budget) + std::to_string(display_columns("\x1b]0;t\x1b\\中\x1b[1m\x07", 14));
    EXPECT_EQ(cuts, "01114557 7 5 4 1a12");
}

TEST(frame, context_status_and_version_texts) {
    fake_platform f;
    platform_override use(f);
    f.fail_alloc_at = 1;
    EXPECT_EQ(plm_context_create(), nullptr);
    plm_context* ctx = plm_context_create();
    plm_loop* loop = nullptr;
    EXPECT_EQ((plm_loop_get(ctx, &loop), loop), &ctx->loop);
    EXPECT_EQ(ctx->log_level * 100 + ctx->edit_mode + loop->reserved + loop->active + loop->iterations, 200u);
    plm_callbacks cb{&f, nullptr, &f, nullptr};
    EXPECT_EQ(plm_context_set_callbacks(ctx, &cb) + plm_context_set_user_data(ctx, &f) +
                  plm_context_set_edit_mode(ctx, 1) + plm_context_set_log_level(ctx, 0) +
                  plm_context_set_callbacks(ctx, nullptr) + plm_context_set_callbacks(nullptr, &cb) +
                  plm_context_set_user_data(nullptr, &f) + plm_context_set_edit_mode(nullptr, 0) +
                  plm_context_set_log_level(nullptr, 2) + plm_loop_get(nullptr, &loop) + plm_loop_get(ctx, nullptr),
              7 * PLM_ERR_INVALID_ARGUMENT);
    cb = plm_callbacks{};  // the context keeps its copy
    EXPECT_EQ(ctx->edit_mode * 10 + ctx->log_level + (plm_context_get_user_data(ctx) == &f) +
                  !!plm_context_get_user_data(nullptr) + (ctx->callbacks.reserved_b == &f) * 100,
              111);
    ASSERT_EQ(plm_history_add(ctx, "one") + plm_history_add(ctx, "two"), PLM_OK);
    plm_context_destroy(nullptr), plm_context_destroy(ctx);
    EXPECT_TRUE(f.live.empty());
    std::string texts = std::to_string(plm_version_number()) + plm_version_string();
    for (int s : {0, -1, -2, -3, -4, -5, 1, -6}) texts += std::string(";") + plm_status_message(s);
    EXPECT_EQ(texts,
              "65536promptloom/0.2.0-draft;ok;invalid argument;out of memory;io error;not supported;internal "
              "error;unknown status;unknown status");
}

// Ctrl+C is swallowed; Ctrl+Break and closing the window first give back the console that the
// outermost open scope found (its modes, mouse reporting off), then take their default course.
TEST(frame, control_handler_gives_the_console_back) {
    std::string got, off;
    for (const char* s : k_mouse_off_sequences) off += s;
    for (std::uint32_t event : {k_ctrl_c_event, k_ctrl_break_event, k_ctrl_close_event}) {
        fake_platform f;
        std::uint32_t in[2], out[2];
        std::int32_t vt = 0;
        for (int k : {0, 1}) raw_mode_enter(f, f.in, f.out_h, &in[k], &out[k], &vt);
        f.log.clear();
        got += std::to_string(console_ctrl_handler(event)) + f.log + ";";
        for (int k : {1, 0}) raw_mode_leave(f, f.in, f.out_h, in[k], out[k]);
        f.log.clear(), console_ctrl_handler(event), got += f.log + ";";  // all closed: nothing to give back
    }
    EXPECT_EQ(got, "1;;0" + off + "{f}{in 1f7}{out 3};;0" + off + "{f}{in 1f7}{out 3};;");
}

// The debug switches ("VLM_MENU_DEBUG|_STDERR|_FILE=>E for standard error, the file", ~ unset); then
// the real streams: standard error, a file opened for appending (also in a missing folder).
TEST(debug_log, switches_and_real_streams) {
    // clang-format off
    const char* const rows[] = {
        "~|~|~=> ", "|~|~=> ", "0|~|~=> ", "00|~|=>E vlm_menu_debug.log", " 0||~=>E vlm_menu_debug.log",
        "1|0|other.log=> other.log", "1|00|unopenable=>E ", "1|false|~=>E vlm_menu_debug.log"};
    // clang-format on
    const char* const names[] = {"VLM_MENU_DEBUG", "VLM_MENU_DEBUG_STDERR", "VLM_MENU_DEBUG_FILE"};
    fake_platform f;
    for (std::string r : rows) {
        f.err.clear(), f.files.clear(), f.env.clear();
        for (int k = 0; k < 3; ++k, r.erase(0, r.find_first_of("|=") + 1))
            if (r[0] != '~') f.env[names[k]] = r.substr(0, r.find_first_of("|="));
        plm_debug_log(f, "[PLM_DBG] x=%d\n", 42);
        std::string got = f.err.empty() ? " " : f.err == "[PLM_DBG] x=42\n" ? "E " : "? ";
        for (const auto& [path, text] : f.files) got += path + (text == "[PLM_DBG] x=42\n" ? "" : "?");
        EXPECT_EQ(got, r.substr(1)) << got;
    }
    for (std::size_t n : {511, 512, 3000}) plm_debug_log(f, "%s", std::string(n, 'q').c_str());
    EXPECT_EQ(f.err, "[PLM_DBG] x=42\n" + std::string(4023, 'q'));  // past the 512-byte first try too
    platform& sys = native_platform();
    const std::string path = testing::TempDir() + "plm_debug_log_test.log";
    std::remove(path.c_str());
    for (const std::string& file : {path, testing::TempDir() + "plm-missing/sub/x.log"}) {
        sys.set_env("VLM_MENU_DEBUG", "1"), sys.set_env("VLM_MENU_DEBUG_FILE", file.c_str());
        testing::internal::CaptureStderr();
        plm_debug_log(sys, "[PLM_DBG] one %d\n", 1);
        plm_debug_log(sys, "[PLM_DBG] two\n");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "[PLM_DBG] one 1\n[PLM_DBG] two\n");
    }
    std::ifstream file(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(file), {}};
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());  // text mode on Windows
    EXPECT_EQ(text, "[PLM_DBG] one 1\n[PLM_DBG] two\n");
}

// A context on the fake console, destroyed at the end with nothing leaked and raw mode closed.
struct plm_test : testing::Test {
    fake_platform fake;
    platform_override use{fake};
    plm_context* ctx = plm_context_create();
    char line[64] = "";
    std::vector<std::string> names;
    std::vector<const char*> items;
    std::vector<unsigned char> flags;
    std::size_t index = 99;
    // "knobs|keys": v vi, h no history, c no completion; prompt "> " (>), with escapes (e), UTF-8 (z),
    // default (N); n 20 columns, u width unknown; o raw mode refused, r input mode refused; t no terminal
    // (keys are lines), g no VT input (keys are getwch codes); s 10-byte buffer; aN Nth allocation fails.
    // Gives the row, '|' the cursor, then "=line" or "!status"; "?" if the buffer changed or the modes stayed set.
    std::string prompt(const std::string& row) {
        const std::size_t bar = row.find('|'), arrow = row.find("=>", bar);
        const std::string knobs = row.substr(0, bar), keys = row.substr(bar + 1, arrow - bar - 1);
        const auto has = [&](char c) { return knobs.find(c) != std::string::npos; };
        fresh();
        fake.screen.window.right = has('n') ? 19 : 79, fake.screen_ok = !has('u'), fake.fail_get_out = has('o');
        fake.fail_set = has('r') ? fake.in : nullptr;
        fake.tty_out = !has('t'), fake.refuse_vt = has('g'), fake.fail_alloc_at = has('a') ? knobs.back() - '0' : 0;
        for (unsigned char c : has('g') ? keys : "") fake.codes.push_back(c);
        has('t') ? void(fake.lines = keys) : has('g') ? void() : fake.feed(keys);
        plm_prompt_options o;
        plm_default_prompt_options(&o);
        static const char* const prompts[] = {"> ", "\x1b[1m>\x1b[0m ", "\xe4\xb8\xad ", nullptr, ""};
        o.prompt = prompts[std::min<std::size_t>(std::string(">ezN").find_first_of(knobs), 4)];
        EXPECT_EQ(o.reserved0 + o.reserved1 * 1000 + o.reserved2 + o.reserved3 + o.reserved4, 1200u);  // the defaults
        o.edit_mode |= has('v'), o.history &= !has('h'), o.completion &= !has('c');
        std::strcpy(line, "untouched");
        const int st = plm_prompt_run(ctx, &o, line, has('s') ? 10 : sizeof line);
        std::string shown = fake.text(0, fake.row == 0 ? fake.col : -1);
        if (fake.screen_ok && fake.rows[0].size() > std::size_t(fake.screen.window.right)) shown += "?";  // last column
        shown += st == PLM_OK ? "=" + std::string(line) : st == PLM_ERR_IO ? "" : "!" + std::to_string(st);
        return shown + (st && std::strcmp(line, "untouched") ? "?" : "") + (fake.in_mode == 0x1F7 ? "" : "?");
    }
    // Menus: items "a", "b", ...; the window shows buffer rows 0..9 and the menu starts on row 5.
    void prepare(std::size_t count, const std::string& keys) {
        fresh();
        for (names.clear(), items.clear(); names.size() < count;) names.push_back({char('a' + names.size() % 26)});
        for (const std::string& n : names) items.push_back(n.c_str());
        fake.screen.window.bottom = 9, fake.screen.cursor.y = 5;
        fake.feed(keys);
    }
    // The status, or the index or the flags; then the menu's rows without blanks and dots.
    std::string single(std::size_t count, std::size_t start, const char* title = nullptr) {
        const int st = plm_menu_choice_interactive(ctx, title, items.data(), count, start, &index);
        return result(st ? "!" + std::to_string(st) : std::to_string(index));
    }
    std::string multi(std::size_t count, int settle = 0, const char* title = nullptr) {
        flags.assign(count, 7);
        const int st = plm_menu_multi_choice_interactive(ctx, title, items.data(), count, flags.data(), settle);
        std::string value = st ? "!" + std::to_string(st) : "";
        for (unsigned char f : flags) value += static_cast<char>('0' + f);
        return result(value);
    }
    std::string result(std::string value) const {
        std::string s = fake.screen_rows(5, 9);
        for (const auto& [r, cells] : fake.rows)
            s += cells.size() > static_cast<std::size_t>(fake.screen.window.right) ? "?" : "";
        for (std::size_t p; (p = s.find("SPACE=toggle ENTER=ok")) != std::string::npos;) s[p] = '#', s.erase(p + 1, 20);
        value += " ";
        for (char c : s) value += c == ' ' || c == '.' ? "" : std::string(1, c);
        return value;
    }
    void fresh() {
        const std::set<void*> live = fake.live;
        fake = fake_platform{};
        fake.live = live;
    }
    void TearDown() override { EXPECT_TRUE((plm_context_destroy(ctx), fake.live.empty()) && !raw_mode_count()); }
};

// "knobs|keys=>row", with "one" and "two" in the history.
TEST_F(plm_test, prompt_editing_scrolling_and_ways_out) {
    ASSERT_EQ(plm_history_add(ctx, "one") + plm_history_add(ctx, "two"), PLM_OK);
    const std::string az = "abcdefghijklmnopqrstuvwxyz", x300(300, 'x');
    // clang-format off
    const std::string rows[] = {
        "|ac{L}b=>ab|c", "|ab{L}{L}{L}=>|ab", "|ab{L}{R}{R}=>ab|", "|abc{L}{L}{Home}x{End}y=>xabcy|",
        "v|foo\x1b[<0;3;3M=>foo|", "|abc{L}\x7f{Home}\x08=>|ac", "|abc{L}{L}{Del}{End}{Del}=>ac|",
        "|a\x01z\xc3\xa9{PgU}{PgD}\x1bq\x1b[<0;10;5Mdw$p=>azé" "dw$p|", "v|foo bar{Esc}0dwp=>bfoo |ar",
        "v|foo.bar{Esc}0w=>foo.|bar", "v|foo.bar{Esc}0lle=>fo|o.bar", "v|foo bar{Esc}0lllld{L}wp=>foob |ar",
        "v|foo bar{Esc}llyy$p=>foo barfoo bar|", "v|foo bar{Esc}ddp=>foo bar|", "v|abc{Esc}0{Del}x\x7f=>|",
        "v|foo bar{Esc}0lld$p=>foo bar|", "v|foo bar{Esc}hdbp=>foo rba|", "v|foo bar{Esc}0dep=> foo|bar",
        "v|ab {Esc}hde=>ab|", "v|foo bar{Esc}0wdE=>foo |", "v|foo{Esc}ccz=>z|", "v|foo bar{Esc}0cwX{Esc}$p=>Xbarfoo |",
        "v|foo bar{Esc}0yw$p=>foo barfoo |", "v|ab{Esc}0p=>|ab", "v|foo bar{Esc}0dxw=>foo |bar",
        "v|foo bar{Esc}0d{PgU}w=>foo |bar", "v|foo bar{Esc}0d{Esc}w=>|bar", "v|foo{Esc}0dcx=>|oo",
        "v|foo bar{Esc}0di{Esc}w=>foo |bar", "v|ab{Esc}hiX=>aX|b", "v|ab{Esc}0aX=>aX|b", "v|ab{Esc}0AX=>abX|",
        "v|abcd{Esc}0ll$h=>abc|d", "v|foo bar baz{Esc}bB=>foo |bar baz", "v|x Z z 9{Esc}bbb=>x |Z z 9",
        "v|x A a 0 _{Esc}bbbb=>x |A a 0 _", "vh|ab{Esc}hzq{U}=>a|b", "vh|ab{Esc}d\r=>ab=ab", "vh|ab\r=>ab=ab",
        "|x{U}=>two|", "|x{U}{U}{U}=>one|", "|x{U}{U}{U}{D}=>two|", "|x{U}{U}{D}{D}=>x|", "|x{D}=>x|",
        "|{U}!{U}=>two|", "|{U}{U}\x7f{D}=>two|", "|{U}{L}{D}=>|", "|x{U}\t{U}=>two|", "v|x{Esc}kkj=>two|",
        "v|x{Esc}kj=>x|", "v|{Esc}kyyk=>two|", "h|x{U}{D}=>x|", "|\r=>=", "h|y\r=>y=y", ">|ab{U}{Esc}d\x03=>> twod",
        "v>|ab{U}{Esc}d\x03=>> two", ">|abc=>> abc|", "o|a\r=>|", "s|0123456789\r=>0123456789!-1",
        "sh|012345678\r=>012345678=012345678", "ts|0123456789\n=>|!-1", "ts|012345678\n=>|=012345678",
        "t>|first\r\r\n=>> |=first", "t|=>|", "t|\n=>|=", "a1|a\r=>|!-2",
        "a2|" + x300 + "\r=>" + x300.substr(0, 79) + "|!-2", "a2|abc\r=>abc=abc",
        "gh|ac\xe0Kb\xe0G\x1f \x7f~\x08\x1b\t\r=> abc= abc", "gh|a\xe0;b\x03=>ab",
        "n>|" + az.substr(0, 17) + "=>> abcdefghijklmnopq|", "n>|" + az.substr(0, 18) + "=>> bcdefghijklmnopqr|",
        "n>|" + az + "=>> jklmnopqrstuvwxyz|", "n>|" + az + "{Home}=>> |abcdefghijklmnopq",
        "ne|" + az + "{Home}{R}=>> a|bcdefghijklmnopq", "nz|" + az.substr(0, 18) + "=>\xe4\xb8\xad cdefghijklmnopqr|",
        "u>|" + x300 + "{Home}=>> |" + x300, "N|\r=>VLM> =", "r|a\r=>|"};
    // clang-format on
    for (const std::string& row : rows) EXPECT_EQ(prompt(row), row.substr(row.find("=>", row.find('|')) + 2)) << row;
    EXPECT_EQ(plm_history_count(ctx), 2u);  // cancelled, failed, empty and history-off lines are not stored
    EXPECT_EQ(prompt("|new\r"), "new=new");
    EXPECT_EQ(plm_history_count(ctx), 3u);  // an accepted one is
}

// Without a terminal each call reads one line whole, however long and whatever bytes it holds
// (fgets hands it over in pieces): one too long for the buffer fails and leaves nothing behind.
TEST_F(plm_test, plain_lines_read_whole) {
    const std::string r(4095, 'r');
    fake.tty_out = false;
    fake.lines = std::string(5000, 'q') + "\nnext\r\r\n" + std::string("a\0b\n", 4) + r + "\r\n" + r + "s\nlast";
    struct call {
        int status;
        std::string line;
    };
    // clang-format off
    const call calls[] = {{PLM_ERR_INVALID_ARGUMENT, ""}, {PLM_OK, "next"}, {PLM_OK, "a"}, {PLM_OK, r},
                          {PLM_OK, r + "s"}, {PLM_OK, "last"}, {PLM_ERR_IO, ""}};
    // clang-format on
    for (const auto& call : calls) {
        std::string buffer(4097, '\0');
        EXPECT_EQ(plm_prompt_run(ctx, nullptr, buffer.data(), buffer.size()), call.status);
        EXPECT_EQ(buffer.c_str(), call.line);
    }
}

// Characters, not bytes: typed UTF-8 is kept whole (broken sequences and controls dropped), edited,
// cut and shown by character; wide characters take two columns and never straddle the edge; foreign
// text (history, completion) is shown, not obeyed. History: "选择", then an OSC 52 line with C1 bytes.
TEST_F(plm_test, prompt_characters_columns_and_foreign_text) {
    ASSERT_EQ(plm_history_add(ctx, "选择") + plm_history_add(ctx, "x\x1b]52;c;eA==\x07\x9b\xc2\x9by"), PLM_OK);
    const std::string zx = "选择选择选择选择选择";
    // clang-format off
    const std::string rows[] = {
        "|{U}=>x^[]52;c;eA==^G\xef\xbf\xbdM-^[y|", "|选择{L}{L}{Del}\x7f=>|择", "h|\xe4\xb8" "a\xe4\xb8\xad\xc2\x9b\xed\xa0\x80\xf0\x9f\x98\x80\x80\r=>a中😀=a中😀",
        "v|ab 选择.cd{Esc}0w=>ab |选择.cd", "v|ab 选择 cd{Esc}0wdw=>ab |cd", "v|选择 x{Esc}0e=>选|择 x",
        "v|选择 x{Esc}0dep=> 选择|x", "v|x 选择{Esc}b=>x |选择", "v|选择{Esc}0ywp=>选选择|择", "v|选择{Esc}0aX=>选X|择",
        "nz|" + zx + "=>中 选择选择选择选择|",
        "nz|a" + zx + "{Home}{R}{R}{R}{R}{R}{R}{R}{R}{R}{L}{L}=>中 选择选择选择|选择", "n>|" + zx + zx + "{L}=>> 选择选择选择选|择"};
    // clang-format on
    for (const std::string& row : rows) EXPECT_EQ(prompt(row), row.substr(row.find("=>", row.find('|')) + 2)) << row;
    editor_state ed;  // the 255-byte kill buffer and saved line keep whole characters
    ASSERT_TRUE(editor_begin(fake, ed, 1, true, true) &&
                line_replace(fake, ed.line, ("a" + std::string(85 * 3, 'x')).c_str()));
    for (std::size_t i = 1; i < ed.line.length; i += 3) std::memcpy(ed.line.text + i, "中", 3);
    perform_action(ed, action_yank_line, plm_key_event{}, editor_env{});
    perform_action(ed, action_history_older, plm_key_event{}, editor_env{&ctx->history, nullptr, nullptr});
    EXPECT_EQ(std::strlen(ed.kill_buffer) * 1000 + std::strlen(ed.saved_line), 253253u);
    editor_end(ed);
}

// The completion callback: asked about the line and cursor with 16 empty slots; a first candidate,
// in the slots, in an array of its own or in the request's own text, replaces the line.
TEST_F(plm_test, prompt_completion) {
    plm_callbacks cb{};
    cb.complete = [](const plm_completion_request* q, plm_completion_result* r, void*) {
        static const char* own[] = {"world"};
        const std::string line = q->line;
        r->items = line == "w" ? own : line == "x" ? nullptr : r->items;
        if (line != "w" && line != "x") r->items[0] = line == "hi" ? q->line + 1 : line == "e" ? "e\x1b[2J" : "hello";
        return r->count = line == "n" ? 0 : 1, line == "r" ? -1 : 0;
    };
    plm_context_set_callbacks(ctx, &cb);
    ASSERT_EQ(plm_history_add(ctx, "solo"), PLM_OK);  // and a history of one line
    for (std::string row : {"|hex{L}\x7f\t=>hello|", "|w\t=>world|", "|n\t=>n|", "|r\t=>r|", "|x\t=>x|", "|hi\t=>i|",
                            "c|h\t=>h|", "|x{U}{U}=>solo|", "|e\t=>e^[[2J|"})
        EXPECT_EQ(prompt(row), row.substr(row.find("=>") + 2));
}

// The event hook sees each event before it is acted on, the loop record counts reads; a run's bytes.
TEST_F(plm_test, prompt_event_hook_loop_record_and_bytes) {
    plm_callbacks cb{};
    cb.on_event = [](const plm_key_event* k, const plm_mouse_event* m, void* user) {
        auto* t = static_cast<plm_test*>(user);  // key, active, reads, history (still 0 at Enter), char
        const auto n = k->key * 10000 + t->ctx->loop.active * 100 + t->ctx->loop.iterations * 10;
        return t->fake.err += std::to_string(n + plm_history_count(t->ctx)) + ":" + std::to_string(k->ch) +
                              (m ? "m" + std::to_string(m->x) : "") + ";",
               1;
    };
    plm_context_set_callbacks(ctx, &cb);
    plm_context_set_user_data(ctx, this);
    fake.feed("a\x1b[<2;10;5M{L}\r");
    ASSERT_EQ(plm_prompt_run(ctx, nullptr, line, sizeof line), PLM_OK);
    const std::string row = "\r\x1b[2KVLM> ";
    EXPECT_EQ(fake.log, "{in 3e8}{out 7}\x1b[?1000h\x1b[?1003h\x1b[?1015h\x1b[?1006h{f}{ctrl+}" + row + "{f}" + row +
                            "a{f}" + row + "a{f}" + row + "a\x1b[1D{f}\n{f}" +
                            "\x1b[?1000l\x1b[?1015l\x1b[?1006l\x1b[?1003l{f}{ctrl-}{in 1f7}{out 3}");
    EXPECT_EQ(fake.err, "10110:97;120:0m9;50130:0;20140:0;");
    EXPECT_EQ(ctx->loop.active * 100 + ctx->loop.iterations + fake.yields, 8u);
}

// A prompt run from on_event on the same context: afterwards the outer one is still active and in raw mode.
TEST_F(plm_test, prompt_nested_from_the_event_hook) {
    plm_callbacks cb{};
    cb.on_event = [](const plm_key_event* k, const plm_mouse_event*, void* user) {
        auto* t = static_cast<plm_test*>(user);
        char inner[8];  // the status of the inner prompt, then what the outer one finds
        const std::string st = k->ch == 'n' ? std::to_string(plm_prompt_run(t->ctx, nullptr, inner, 8)) : "";
        return t->fake.err += st + std::to_string(t->ctx->loop.active) + std::to_string(t->fake.in_mode) + ";", 0;
    };
    plm_context_set_callbacks(ctx, &cb);
    plm_context_set_user_data(ctx, this);
    fake.feed("nx\ry\r");
    ASSERT_EQ(plm_prompt_run(ctx, nullptr, line, sizeof line), PLM_OK);
    EXPECT_EQ(std::string(line) + fake.err + std::to_string(ctx->loop.active), "ny11000;11000;011000;11000;11000;0");
}

TEST_F(plm_test, history_storage) {
    EXPECT_EQ(plm_history_add(nullptr, "x") + plm_history_add(ctx, nullptr) + plm_history_add(ctx, ""), -2);
    EXPECT_TRUE(plm_history_count(ctx) + ctx->history.capacity + plm_history_count(nullptr) == 0 &&
                !plm_history_get(ctx, 0) && !plm_history_get(nullptr, 0));
    std::string capacities;
    char mine[] = "mine";
    for (int i = 0; i < 64; ++i)
        capacities += std::to_string((plm_history_add(ctx, i % 2 ? "b" : mine), ctx->history.capacity)) + " ";
    mine[0] = 'X';  // the history holds copies
    EXPECT_EQ(capacities.substr(42, 12) + capacities.substr(93, 6), "16 16 32 32 32 64 ");
    EXPECT_EQ(std::string(plm_history_get(ctx, 0)) + plm_history_get(ctx, 1) + plm_history_get(ctx, 62), "minebmine");
    EXPECT_EQ(plm_history_get(ctx, 64), nullptr);
    for (int fail : {1, 2}) {  // the copy of the line; the array growing from 64 to 128
        EXPECT_EQ((fake.fail_alloc_at = fake.allocs + fail, plm_history_add(ctx, "new")), PLM_ERR_OUT_OF_MEMORY);
        EXPECT_EQ(plm_history_count(ctx) + ctx->history.capacity + fake.live.size(), 194u);
    }
    ASSERT_EQ(plm_history_add(ctx, "new"), PLM_OK);
    EXPECT_STREQ(plm_history_get(ctx, 64), "new");
}

TEST_F(plm_test, numbered_menu) {
    // clang-format off
    const std::pair<const char*, std::uint32_t> answers[] = {
        {"3", 3}, {"", 0}, {"abc", 0}, {"\t\r\n\v\f 2", 2}, {"2x", 2}, {"+2", 2}, {"-1", 0xFFFFFFFF},
        {"-2", 0xFFFFFFFE}, {"- 2", 0}, {"+-2", 0}, {"4294967295", 0xFFFFFFFF}, {"4294967296", 0xFFFFFFFF},
        {"4294967298", 0xFFFFFFFF}, {"-4294967295", 1}, {"-4294967296", 0xFFFFFFFF},
        {"99999999999999999999999", 0xFFFFFFFF}, {"0012", 12}, {"0x10", 0}, {"\xef\xbc\x93", 0}};
    // clang-format on
    for (const auto& [answer, value] : answers) EXPECT_EQ(parse_menu_answer(answer), value) << answer;
    const char* items[] = {"a", nullptr, "c"};
    std::size_t out = 77;
    const auto choose = [&](const char* title, std::size_t count, std::size_t dflt) {
        const int st = plm_menu_choice(ctx, title, items, count, dflt, &out);
        return std::to_string(st) + ":" + std::to_string(out) + " ";
    };
    fake.tty_in = false;  // the answer's item, else the default index (the first when out of range)
    fake.lines = "3\n\n0\n4\n 3x\n-1\n+1\nx\nx\n" + std::string(64, '1') + "\n" + std::string(62, ' ') + "2\n";
    std::string got;
    for (int k = 0; k < 7; ++k) got += choose("Pick", 3, 1);
    got += choose("", 3, 7);
    got += choose(nullptr, 2, 2);
    EXPECT_EQ(fake.out.substr(25 * 6), "Pick\n  1. a\n  2. \n  3. c\n  1. a\n  2. \n  3. c\n  1. a\n  2. \n");
    EXPECT_EQ(plm_menu_choice(nullptr, "t", items, 2, 0, &out) + plm_menu_choice(ctx, "t", nullptr, 2, 0, &out) +
                  plm_menu_choice(ctx, "t", items, 0, 0, &out) + plm_menu_choice(ctx, "t", items, 2, 0, nullptr),
              4 * PLM_ERR_INVALID_ARGUMENT);
    for (int k = 0; k < 3; ++k) got += choose("t", 2, 0);  // 64 bytes do not fit, 63 do
    EXPECT_EQ(got, "0:2 0:1 0:1 0:1 0:2 0:1 0:0 0:0 0:0 -1:0 0:1 -3:1 ");
    fresh();  // on a terminal the answer is a prompt without text, history, completion or vi keys
    plm_callbacks cb{};
    cb.complete = [](const plm_completion_request*, plm_completion_result*, void*) { return ADD_FAILURE(), 0; };
    plm_context_set_callbacks(ctx, &cb);
    ASSERT_EQ(plm_history_add(ctx, "9"), PLM_OK);
    fake.feed("{U}{Esc}2\t\r");
    EXPECT_EQ(choose("T", 3, 0), "0:1 ");
    EXPECT_EQ(fake.text(4) + std::to_string(plm_history_count(ctx)), "21");
    prepare(1, ""), this->items[0] = "a\x1b[2Jb", fake.fail_get_out = true;  // raw mode refused: shown, not obeyed
    const std::string status = single(1, 0).substr(0, 3);                    // before the output is read
    EXPECT_EQ(status + fake.out.substr(0, 13), "!-3  1. a^[[2Jb\n");
}

TEST_F(plm_test, menu_keys_mouse_and_clocks) {
    // clang-format off
    const std::string rows[] = {
        "30,3:{D}\r=>4 2b|3c|4d|<5e>|^v", "30,4:{U}\r=>3 2b|3c|<4d>|5e|^v", "30,4:{U}{U}{U}{U}{U}\r=>0 <1a>|2b|3c|4d|v",
        "30,0:{PgD}\r=>3 1a|2b|3c|<4d>|v", "30,0:{PgD}{PgD}\r=>6 4d|5e|6f|<7g>|^v",
        "30,29:{PgD}{PgU}\r=>26 <27a>|28b|29c|30d|^", "30,2:{PgU}{PgU}\r=>0 <1a>|2b|3c|4d|v",
        "30,5:{End}\r=>29 27a|28b|29c|<30d>|^", "30,20:{Home}\r=>0 <1a>|2b|3c|4d|v", "3,0:{End}{PgD}\r=>2 1a|2b|<3c>||",
        "30,6:0\r=>6 4d|5e|6f|<7g>|^v0", "30,6:40\r=>6", "30,0:30\r=>29", "30,2:18446744073709551617\r=>2",
        "30,0:@1000 1@1199 2\r=>11", "30,0:1@201 2\r=>1 <1a>|2b|3c|4d|v2", "30,0:7{D}@5000 \r=>6",
        "30,3:{D}\x03{L}\xe4{Esc}=>!-1 2b|3c|4d|<5e>|^v", "30,0:{D}=>!-3", "30,4:qUiLl=>4", "30,4:quil@1400 l=>4",
        "30,4:Quil{Esc}=>!-1", "30,4:x@1400 Quill{Esc}=>!-1", "30,4:x@1600 Quill=>4",
        "30,4:" + std::string(70, 'a') + "Quill{Esc}=>!-1", "30,0:{C7}@300 {C7}=>1", "30,0:{C7}@301 {C7}{Esc}=>!-1",
        "30,0:{C7}{C8}{Esc}=>!-1 1a|2b|<3c>|4d|v", "30,0:{C7}{C8}{C8}=>2",
        "30,0:\x1b[<0;1;7M\x1b[<3;1;7m\x1b[<2;1;7m=>1", "3,0:{C9}{C9}{Esc}=>!-1 <1a>|2b|3c||",
        "30,3:\x1b[<65;1;7M\r=>4 2b|3c|4d|<5e>|^v", "30,4:\x1b[<64;1;7M\r=>3",
        "30,0:\x1b[<2;1;7M\x1b[<0;1;5M\x1b[<0;1;10M\r=>0", "30,0:\x1b[<8;1;7M\r=>1", "30,20:\x1b[<0;1;6M\r=>17",
        "30,0:@1000 \x1b[<35;1;7M@1029 \x1b[<35;1;8M\r=>1",
        "30,0:@1000 \x1b[<35;1;7M@1030 \x1b[<35;1;8M@1059 \x1b[<32;1;6M\r=>2", "50/30,0:{C7}@100 {C7}=>1",
        "50/30,0:{C7}@101 {C7}{Esc}=>!-1", "5000/30,0:{C7}@1000 {C7}=>1", "5000/30,0:{C7}@1001 {C7}{Esc}=>!-1",
        "7ms/30,0:{C7}@300 {C7}=>1", "0/30,0:{C7}@301 {C7}{Esc}=>!-1", "3: {D} {Esc}=>!-1000", "3: =>!-3000",
        "3:\r{End}\r=>100", "3:{End} {D}x\x03{U}{U}{U}{U}{U} {D}{D}{D}\r=>100 [✓]1a|[]2b|[]3c|<确定>|#",
        "10:{D}{D}{D}{D}{Esc}=>!-10000000000 []2b|[]3c|[]4d|<[]5e>|^v#",
        "10:{PgD}{PgD} =>!-30000000000 []4d|[]5e|[]6f|<[✓]7g>|^v#",
        "10:{End}{PgU}{U} {PgD}{End}\r=>0000001000 []8h|[]9i|[]10j|<确定>|^#",
        "10:{End}{Home} {PgU}{PgD}{PgD}{PgD}{PgD}\r=>1000000000", "3:\x1b[<2;2;8M\x1b[<2;2;8m\x1b[<3;2;6m{End}\r=>101",
        "3:@100 \x1b[<35;2;8M@129 \x1b[<35;2;7M \x1b[<32;2;9M@130 \x1b[<32;2;9M\r=>001"};
    // clang-format on
    // "[VLM_DOUBLE_CLICK_MS/]count[,start]:keys=>result", no start for multi-choice; no blank: result only
    for (std::string r : rows) {
        const std::size_t slash = r.find('/') < r.find(':') ? r.find('/') + 1 : 0, colon = r.find(':') - slash;
        const std::string ms = r.substr(0, slash ? slash - 1 : 0), want = r.substr(r.find("=>") + 2);
        r.erase(0, slash);
        prepare(std::stoul(r), r.substr(colon + 1, r.find("=>") - colon - 1));
        if (slash) fake.env["VLM_DOUBLE_CLICK_MS"] = ms;
        const std::string got =
            r.find(',') < colon ? single(std::stoul(r), std::stoul(r.substr(r.find(',') + 1))) : multi(std::stoul(r));
        EXPECT_EQ(want.find(' ') == std::string::npos ? got.substr(0, got.find(' ')) : got, want) << r;
    }
    prepare(5, "Quill");  // a hidden word also leaves its mark for the caller's programs
    EXPECT_EQ(single(5, 2) + fake.env["VLM_MENU_RESULT_OVERRIDE"], "2 1a|2b|<3c>|4d|5eQuill");
}

const std::string k_text = "\x1b[38;2;230;237;243m", k_reset = "\x1b[0m";
std::string at(int r) { return "\x1b[" + std::to_string(r) + ";1H"; }
std::string row(int r) { return at(r) + "\x1b[2K" + at(r); }
std::string high(int n, std::string s) { return k_text + "\x1b[1m\x1b[4m" + std::to_string(n) + ". " + s + k_reset; }
std::string plain(int n, const std::string& s) {
    return "  \x1b[38;2;138;180;248m\x1b[1m" + std::to_string(n) + "." + k_reset + " " + k_text + s + k_reset;
}

// Today's bytes: the first frame (growing the buffer), a Down inside the rows, one that scrolls. (The
// multi-choice menu's rows, colours and places are read back from a real console in library_e2e.sh.)
TEST_F(plm_test, menu_exact_frames) {
    prepare(30, "{D}{D}\r");
    fake.screen.window.bottom = 24, fake.screen.cursor.y = 15;
    EXPECT_EQ(single(30, 7, "Pick").substr(0, 2), "9 ");
    std::string frames = "Pick\n{f}{buf 80x27}";
    for (int i = 0; i < 9; ++i) frames += row(16 + i) + (i == 7 ? high(8, "h") : plain(i + 1, names[i]));
    frames += at(25) + row(25) + "v {f}" + row(23) + plain(8, "h") + row(24) + high(9, "i") + at(25) + row(25) +
              "v {f}{scroll 0,16-79,23>0,15}" + row(24) + high(10, "j") + row(23) + plain(9, "i") + row(24) +
              high(10, "j") + at(25) + row(25) + "^ v {f}";  // one write per key
    EXPECT_EQ(fake.log.substr(fake.log.find("{ctrl+}") + 7, frames.size()), frames);
}

// A window down a tall buffer: VT rows count from its top (mouse records, counting from the buffer's,
// are driven for real in library_e2e.sh), also with VT input refused; debug lines.
TEST_F(plm_test, menu_tall_buffers_debug_lines_and_settling) {
    for (bool refused : {false, true}) {
        prepare(5, refused ? "{D}{D}{D}\r"
                           : "\x1b[<0;5;2147483647M\x1b[<0;5;22M\x1b[<0;5;22m{C22}");  // a row off every list
        fake.screen = screen_info{{80, 300}, {0, 90}, 7, {0, 70, 79, 99}, {80, 30}};
        fake.refuse_vt = refused;
        single(5, 0);
        EXPECT_EQ(std::to_string(index) + fake.screen_rows(90, 94) + fake.log.substr(8, refused ? 8 : 0),
                  refused ? "3  1. a|  2. b|  3. c|<4. d>|  5. e{in 1f8}" : "1  1. a|<2. b>|  3. c|  4. d|  5. e");
    }
    prepare(30, "\r{Esc}");  // near the window's bottom the lists move up; without the buffer, defaults
    fake.env = {{"VLM_MENU_DEBUG", "1"}, {"VLM_MENU_DEBUG_FILE", "menu.log"}};
    fake.screen.size.y = 10, fake.screen.cursor.y = 9;
    single(30, 0);
    fake.screen.cursor.y = 8, multi(30, 1);  // settling 120 ms first; Escape known 50 ms after its byte
    EXPECT_EQ(fake.log.substr(fake.log.rfind("{ctrl+}"), 45) + std::to_string(fake.now),
              "{ctrl+}{sleep 120}{buf 80x12}" + row(7) + "170");
    fake.screen_ok = false, fake.codes = {0xE0, 0x50, 0x0D};  // keys from getwch when no byte comes
    EXPECT_EQ(single(30, 0).substr(0, 2), "1 ");
    EXPECT_EQ(fake.err,
              "[PLM_DBG] single metrics start_row=7 win_top=0 win_bottom=9 visible_rows=2 item_count=30\n"
              "[PLM_DBG] multi metrics start_row=6 win_top=0 win_bottom=9 visible_rows=3 item_count=30\n"
              "[PLM_DBG] single metrics start_row=0 win_top=0 win_bottom=24 visible_rows=24 item_count=30\n");
}

// Without a terminal or raw mode the single menu is the numbered menu with the same arguments; the
// multi-choice menu asks for a typed list, or (raw mode refused) one item through the numbered menu.
TEST_F(plm_test, menu_fallbacks_and_arguments) {
    const std::string listing = "T\n  1. a\n  2. b\n  3. c\n";
    const auto one = plm_menu_choice_interactive;
    const auto many = plm_menu_multi_choice_interactive;
    for (bool fake_platform::*knob :
         {&fake_platform::tty_out, &fake_platform::tty_in, &fake_platform::fail_get_in, &fake_platform::fail_get_out}) {
        std::string outputs[2];
        for (int interactive : {0, 1}) {
            prepare(3, "3\r");
            fake.*knob = !(fake.*knob), fake.lines = "3\n", index = 77;
            const int st = (interactive ? one : plm_menu_choice)(ctx, "T", items.data(), 3, 1, &index);
            outputs[interactive] = std::to_string(st) + " " + std::to_string(index) + " " + fake.out;
        }
        EXPECT_EQ(outputs[1] + outputs[0], outputs[0] + (fake.tty_in && fake.tty_out ? "-3 77 " : "0 2 ") + listing);
    }
    // clang-format off
    const char* const typed[] = {
        "1,3\n=>101", "0, 4, x, -1\n=>000", "3 2\t+1\r\n=>111", ",,2,,=>010",
        "99999999999999999999999 4294967297 -4294967295\n=>000", "=>!-3000"};
    // clang-format on
    for (const std::string t : typed) {
        prepare(3, "");
        items[2] = nullptr;
        fake.tty_in = false, fake.lines = t.substr(0, t.find("=>"));
        EXPECT_EQ(multi(3, 1, "T").substr(0, t.size() - t.find("=>") - 2), t.substr(t.find("=>") + 2));
        EXPECT_EQ(fake.log, "T\n  1. a\n  2. b\n  3. \n选择（以逗号分隔索引）: {f}");
    }
    prepare(3, "");
    fake.fail_get_in_once = true, fake.feed("x\r");  // no item number: the default, the first
    EXPECT_EQ(multi(3).substr(0, 4), "100 ");
    EXPECT_EQ(fake.out.substr(0, 21), listing.substr(2));
    prepare(3, "");
    flags.assign(3, 5), index = 99;
    const char* const* list = items.data();
    unsigned char* f = flags.data();
    EXPECT_EQ(one(nullptr, nullptr, list, 3, 0, &index) + one(ctx, nullptr, nullptr, 3, 0, &index) +
                  one(ctx, nullptr, list, 0, 0, &index) + one(ctx, nullptr, list, 3, 0, nullptr) +
                  many(nullptr, nullptr, list, 3, f, 0) + many(ctx, nullptr, nullptr, 3, f, 0) +
                  many(ctx, nullptr, list, 3, nullptr, 0) + many(ctx, nullptr, list, 0, f, 0),
              8 * PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(index * 1000 + flags[0] * 100 + flags[1] * 10 + flags[2] + fake.log.size(), 99555u);
}

}  // namespace
}  // namespace plm
