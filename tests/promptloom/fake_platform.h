// A scripted console for the promptloom tests: queued input, each item with an arrival time on the
// fake clock; `out` every byte written, `log` the same with the console calls in braces, `rows` a
// screen of cells (VT rows, erase, underline as <...>, cursor left; fills, positions, scrolls; a
// character of three bytes from U+3000 on takes two cells, the second empty). Scripts name
// keys in braces ("{U}", "{PgD}", "{Esc}", "{C7}" a click on window row 7); "@1200 " sets a time.
#pragma once

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <vector>

#include "platform.h"
#include "raw_mode.h"

namespace plm {

struct fake_platform : platform {
    handle_t in = reinterpret_cast<handle_t>(0x10), out_h = reinterpret_cast<handle_t>(0x20), fail_set = nullptr;
    bool tty_in = true, tty_out = true, fail_get_in = false, fail_get_out = false, refuse_vt = false;
    bool eof_closes = true, screen_ok = true, drained = false, ctrl = false, underline = false;
    bool fail_get_in_once = false;
    std::uint32_t in_mode = 0x1F7, out_mode = 0x3;
    screen_info screen{{80, 25}, {0, 0}, 7, {0, 0, 79, 24}, {80, 25}};
    std::map<std::string, std::string> env, files;
    std::deque<std::pair<std::uint64_t, unsigned char>> bytes;
    std::deque<std::uint32_t> codes;
    std::string lines, out, err, log, lead;
    std::map<int, std::vector<std::string>> rows;
    int row = 0, col = 0, yields = 0, spins = 0, fail_alloc_at = 0, allocs = 0;
    std::uint64_t now = 0, ends = 0;  // the input ends when the script's time does
    std::set<void*> live;

    void feed(std::string_view s, std::uint64_t at = 0) {  // {Esc} is followed by 2 s of quiet
        static const std::map<std::string, std::string> keys{
            {"U", "\x1b[A"},   {"D", "\x1b[B"},    {"R", "\x1b[C"},    {"L", "\x1b[D"},    {"Home", "\x1b[H"},
            {"End", "\x1b[F"}, {"PgU", "\x1b[5~"}, {"PgD", "\x1b[6~"}, {"Del", "\x1b[3~"}, {"Esc", "\x1b"}};
        for (std::size_t i = 0; i < s.size(); ++i) {
            std::string b(1, s[i]), name;
            if (s[i] == '@' || s[i] == '{') {
                const std::size_t end = s.find(s[i] == '@' ? ' ' : '}', i);
                name = s.substr(i + 1, end - i - 1);
                const std::string y = name.substr(1);
                b = s[i] == '@' ? "" : name[0] == 'C' ? "\x1b[<0;1;" + y + "M\x1b[<0;1;" + y + "m" : keys.at(name);
                at = s[i] == '@' ? std::stoull(name) : at, i = end;
            }
            for (char c : b) bytes.push_back({at, static_cast<unsigned char>(c)});
            at += name == "Esc" ? 2000 : 0;
        }
        drained = false, ends = std::max(ends, at);
    }
    template <class T>
    T take(std::deque<std::pair<std::uint64_t, T>>& queue) {
        now = std::max(now, queue.front().first);
        const T item = queue.front().second;
        return queue.pop_front(), item;
    }
    template <class... A>
    void note(const char* format, A... args) {
        char text[96];
        std::snprintf(text, sizeof text, format, args...);
        log += "{" + std::string(text) + "}";
    }
    std::string text(int r, int cursor_at = -1) const {
        std::string s;
        for (int c = 0; rows.count(r) && c < static_cast<int>(rows.at(r).size()); ++c)
            s += (c == cursor_at ? "|" : "") + rows.at(r)[c];
        return cursor_at >= 0 && s.find('|') == std::string::npos ? s + "|" : s;
    }
    std::string screen_rows(int first, int last) const {
        std::string s;
        for (int r = first; r <= last; ++r) s += (r > first ? "|" : "") + text(r);
        return s;
    }
    void put(char c, bool mark = false) {  // underline marks take no cell: they stick to one
        std::vector<std::string>& r = rows[row];
        if (mark && c == '<') return void(lead += c);
        if ((mark || (c & 0xC0) == 0x80) && col > 0) {  // the rest of the character before
            std::string& cell = r[col - 1];
            cell += c;
            const auto first = static_cast<unsigned char>(cell[std::max<std::size_t>(cell.size(), 3) - 3]);
            if (!mark && cell.size() >= 3 && first >= 0xE3 && first < 0xF0) r.insert(r.begin() + col++, "");
            return;
        }
        r.resize(std::max(r.size(), static_cast<std::size_t>(col) + 1), " ");
        r[col++] = lead + c, lead.clear();
    }
    void apply(std::string_view b) {
        for (std::size_t i = 0; i < b.size(); ++i) {
            if (b[i] != '\x1b') {
                b[i] == '\r' || b[i] == '\n' ? void((row += b[i] == '\n', col = 0)) : put(b[i]);
                continue;
            }
            const std::size_t end = b.find_first_of("HKmDhl", i);
            const int n = std::atoi(b.data() + i + 2), m = n == 0 ? 1 : n;  // a missing count is 1
            if (b[end] == 'H') row = screen.window.top + m - 1, col = 0;
            if (b[end] == 'K') rows.erase(row);
            if (b[end] == 'D') col -= m;
            if (b[end] == 'm' && (n == 4) != underline) underline = n == 4, put(underline ? '<' : '>', true);
            i = end;
        }
    }

    handle_t std_input_handle() override { return in; }
    handle_t std_output_handle() override { return out_h; }
    bool is_tty(std_stream s) override { return s == std_stream::input ? tty_in : tty_out; }
    bool get_console_mode(handle_t h, std::uint32_t* mode) override {
        if (h == in && !fail_get_in && !fail_get_in_once) return *mode = in_mode, true;
        if (h == in) fail_get_in_once = false;
        return h == out_h && !fail_get_out && (*mode = out_mode, true);
    }
    bool set_console_mode(handle_t h, std::uint32_t mode) override {
        note("%s %x", h == in ? "in" : "out", static_cast<unsigned>(mode));
        if (h == fail_set || (h == in && refuse_vt && (mode & k_enable_virtual_terminal_input))) return false;
        return (h == in ? in_mode : out_mode) = mode, true;
    }
    byte_read read_byte(handle_t, unsigned char* byte) override {
        if (bytes.empty()) return drained = true, eof_closes ? byte_read::none : byte_read::failed;
        return *byte = take(bytes), byte_read::ok;
    }
    bool wait_input(handle_t, std::uint32_t ms) override {
        const std::uint64_t next = bytes.empty() ? ends : bytes.front().first;
        if (ms != k_wait_forever && next > now + ms) return now += ms, false;
        return now = std::max(now, next), true;
    }
    bool peek_console_input(handle_t, input_record*, std::uint32_t* count) override { return *count = 0, true; }
    bool read_console_input(handle_t, input_record*, std::uint32_t* count) override { return *count = 0, false; }
    std::uint32_t getwch() override {  // a loop that forgot its way out fails instead of hanging
        if (codes.empty()) return ++spins > 10000 ? throw std::runtime_error("no script left") : 0xFFFF;
        const std::uint32_t c = codes.front();
        return codes.pop_front(), c;
    }
    bool input_closed() override { return eof_closes && drained && bytes.empty() && codes.empty(); }
    bool read_line(char* buffer, int size) override {  // fgets
        if (lines.empty()) return false;
        const std::size_t n = std::min({lines.find('\n'), lines.size() - 1, static_cast<std::size_t>(size - 2)}) + 1;
        buffer[lines.copy(buffer, n)] = '\0';
        return lines.erase(0, n), true;
    }
    bool get_screen_buffer_info(handle_t h, screen_info* info) override {
        return screen_ok && h == out_h && (*info = screen, true);
    }
    bool set_screen_buffer_size(handle_t, coord size) override { return note("buf %dx%d", size.x, size.y), true; }
    bool set_cursor_position(handle_t, coord at) override {
        return note("at %d,%d", at.x, at.y), row = at.y, col = at.x, true;
    }
    bool set_text_attribute(handle_t, std::uint16_t) override { return true; }
    bool fill_output_character(handle_t, char c, std::uint32_t n, coord at, std::uint32_t*) override {
        return note("fill %c%u@%d,%d", c, static_cast<unsigned>(n), at.x, at.y), rows.erase(at.y), true;
    }
    bool fill_output_attribute(handle_t, std::uint16_t a, std::uint32_t n, coord at, std::uint32_t*) override {
        return note("attr %u %u@%d,%d", a, static_cast<unsigned>(n), at.x, at.y), true;
    }
    bool scroll_screen_buffer(handle_t, const small_rect& r, const small_rect*, coord to, char,
                              std::uint16_t) override {
        note("scroll %d,%d-%d,%d>%d,%d", r.left, r.top, r.right, r.bottom, to.x, to.y);
        std::map<int, std::vector<std::string>> moved;
        for (int y = r.top; y <= r.bottom; ++y) moved[y - r.top + to.y] = rows[y], rows.erase(y);
        for (auto& [y, text] : moved) rows[y] = text;
        return true;
    }
    void write_output(std::string_view b) override { out += b, log += b, apply(b); }
    void flush_output() override { log += "{f}"; }
    void write_error(std::string_view b) override { err += b; }
    bool append_to_file(const char* path, std::string_view b) override {
        return path != std::string("unopenable") && (files[path] += b, true);
    }
    bool get_env(const char* name, std::string* value) override {
        return *value = env.count(name) ? env[name] : "", env.count(name) != 0;
    }
    bool set_env(const char* name, const char* value) override { return env[name] = value, true; }
    std::uint32_t tick_count() override { return static_cast<std::uint32_t>(now); }
    std::uint64_t tick_count64() override { return now; }
    double clock_seconds() override { return static_cast<double>(now) / 1000.0; }
    void sleep_ms(std::uint32_t ms) override {
        ms == 0 ? void(++yields) : note("sleep %u", static_cast<unsigned>(ms));
        now += ms;
    }
    bool set_ctrl_handler(bool add) override { return note("ctrl%c", add ? '+' : '-'), ctrl = add, true; }
    void* allocate(std::size_t size) override { return reallocate(nullptr, size); }
    void* reallocate(void* block, std::size_t size) override {
        if (++allocs == fail_alloc_at) return nullptr;
        live.erase(block);
        return *live.insert(std::realloc(block, size == 0 ? 1 : size)).first;
    }
    void release(void* block) override { live.erase(block), std::free(block); }
};

}  // namespace plm
