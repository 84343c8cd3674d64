// The POSIX terminal back end: termios raw mode, one-byte read(2), the window size from
// TIOCGWINSZ, the cursor from a DSR query, VT sequences for what the Win32 back end does with
// console calls, monotonic clocks.
//
// The console-mode words of the library are mapped onto termios like this:
//   get_console_mode(input)   ISIG -> 0x0001, ICANON -> 0x0002, ECHO -> 0x0004, and always 0x0200:
//                             a terminal always sends VT input. 0x0080 is never reported.
//   set_console_mode(input, m with 0x0080)   raw_mode_enter's request: the current settings are
//                             pushed and the raw settings (posix_terminal.h) made from them.
//   set_console_mode(input, m without 0x0080) raw_mode_leave giving back what get_console_mode
//                             reported: the settings pushed by the matching enter come back.
//   output modes              always 0x0007 (processed, wrap, VT processing); setting is a no-op.
// Raw-mode scopes nest, so the pushed settings form a stack.
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform_posix.h"
#include "platform_stdio.h"
#include "posix_terminal.h"

namespace plm {

namespace {

// How long the terminal gets to answer a cursor query. A terminal that does not answer at all
// costs this once (it is not asked again); tmux, xterm and the Linux console answer within a
// millisecond (0.1 ms measured in tmux here).
constexpr int k_cursor_reply_timeout_ms = 500;

class posix_platform final : public stdio_platform {
public:
    posix_platform(int input_fd, int output_fd) : input_fd_(input_fd), output_fd_(output_fd) {}

    handle_t std_input_handle() override { return &input_fd_; }
    handle_t std_output_handle() override { return &output_fd_; }
    bool is_tty(std_stream s) override {
        const int fd = s == std_stream::input ? input_fd_ : (s == std_stream::output ? output_fd_ : STDERR_FILENO);
        return isatty(fd) == 1;
    }

    // On the process's own standard output the runtime's stream is used, so the library's
    // output and the caller's printf output stay in order.
    void write_output(std::string_view bytes) override {
        if (output_fd_ == STDOUT_FILENO) {
            stdio_platform::write_output(bytes);
        } else {
            pending_output_.append(bytes);
        }
    }
    void flush_output() override {
        if (output_fd_ == STDOUT_FILENO) {
            stdio_platform::flush_output();
        } else {
            (void)posix::write_all(output_fd_, pending_output_.data(), pending_output_.size());
            pending_output_.clear();
        }
    }

    bool get_console_mode(handle_t h, std::uint32_t* mode) override {
        const int fd = fd_of(h);
        termios t{};
        if (fd < 0 || mode == nullptr || tcgetattr(fd, &t) != 0) {
            return false;
        }
        if (h == &output_fd_) {
            // Processed output and wrapping, as a terminal always does them, and VT processing.
            *mode = 0x0001 | 0x0002 | k_enable_virtual_terminal_processing;
            return true;
        }
        std::uint32_t m = k_enable_virtual_terminal_input;
        if ((t.c_lflag & ISIG) != 0) m |= k_enable_processed_input;
        if ((t.c_lflag & ICANON) != 0) m |= k_enable_line_input;
        if ((t.c_lflag & ECHO) != 0) m |= k_enable_echo_input;
        *mode = m;
        return true;
    }

    bool set_console_mode(handle_t h, std::uint32_t mode) override {
        const int fd = fd_of(h);
        if (fd < 0) {
            return false;
        }
        if (h == &output_fd_) {
            return isatty(fd) == 1;
        }
        if ((mode & k_enable_extended_flags) != 0) {
            termios current{};
            if (tcgetattr(fd, &current) != 0) {
                return false;
            }
            const termios raw = posix::raw_termios(current);
            if (tcsetattr(fd, TCSANOW, &raw) != 0) {
                return false;
            }
            saved_.push_back(current);
            return true;
        }
        if (saved_.empty()) {
            // Nothing of ours to undo.
            return isatty(fd) == 1;
        }
        const termios previous = saved_.back();
        saved_.pop_back();
        return tcsetattr(fd, TCSANOW, &previous) == 0;
    }

    byte_read read_byte(handle_t h, unsigned char* byte) override {
        const int fd = fd_of(h);
        if (fd < 0 || byte == nullptr) {
            return byte_read::failed;
        }
        if (h == &input_fd_ && !typed_ahead_.empty()) {
            *byte = static_cast<unsigned char>(typed_ahead_.front());
            typed_ahead_.erase(0, 1);
            return byte_read::ok;
        }
        for (;;) {
            switch (posix::read_one_byte(fd, *byte)) {
                case posix::read_status::byte:
                    closed_ = false;
                    return byte_read::ok;
                case posix::read_status::interrupted:
                    continue;
                case posix::read_status::would_block:
                    // Standard input may have been left non-blocking by another program: wait for
                    // the next byte instead of asking again at full speed.
                    if (posix::wait_readable(fd)) continue;
                    closed_ = true;
                    return byte_read::failed;
                case posix::read_status::gone:
                    closed_ = true;
                    return byte_read::failed;
            }
        }
    }

    // A terminal has no console input records and no _getwch.
    bool peek_console_input(handle_t, input_record*, std::uint32_t* count) override {
        if (count != nullptr) *count = 0;
        return false;
    }
    bool read_console_input(handle_t, input_record*, std::uint32_t* count) override {
        if (count != nullptr) *count = 0;
        return false;
    }
    std::uint32_t getwch() override { return 0xFFFF; }
    bool input_closed() override { return closed_; }

    bool get_screen_buffer_info(handle_t h, screen_info* info) override {
        int cols = 0;
        int rows = 0;
        if (info == nullptr || !handle_is_valid(h) || !window_size(cols, rows)) {
            return false;
        }
        *info = screen_info{};
        info->size = coord{clamp16(cols), clamp16(rows)};
        info->window = small_rect{0, 0, clamp16(cols - 1), clamp16(rows - 1)};
        info->max_window = info->size;
        int row = 0;
        int col = 0;
        if (query_cursor(row, col)) {
            info->cursor = coord{clamp16(col - 1), clamp16(row - 1)};
        }
        return true;
    }

    bool get_window_size(handle_t h, coord* size) override {
        int cols = 0;
        int rows = 0;
        if (size == nullptr || !handle_is_valid(h) || !window_size(cols, rows)) {
            return false;
        }
        *size = coord{clamp16(cols), clamp16(rows)};
        return true;
    }

    // The screen of a terminal is its window: there is no buffer to grow.
    bool set_screen_buffer_size(handle_t, coord) override { return false; }

    bool set_cursor_position(handle_t h, coord pos) override {
        if (!handle_is_valid(h)) return false;
        char buf[32];
        std::snprintf(buf, sizeof buf, "\x1b[%d;%dH", pos.y + 1, pos.x + 1);
        write_output(buf);
        return true;
    }

    bool set_text_attribute(handle_t h, std::uint16_t attributes) override {
        if (!handle_is_valid(h)) return false;
        // Console colour bits are blue, green, red, intensity; VT numbers them red, green, blue.
        const auto vt_colour = [](unsigned bits) { return ((bits & 1u) << 2) | (bits & 2u) | ((bits & 4u) >> 2); };
        const unsigned fg = attributes & 0x0Fu;
        const unsigned bg = (attributes >> 4) & 0x0Fu;
        char buf[32];
        std::snprintf(buf, sizeof buf, "\x1b[0;%u;%um", ((fg & 8u) != 0 ? 90u : 30u) + vt_colour(fg),
                      ((bg & 8u) != 0 ? 100u : 40u) + vt_colour(bg));
        write_output(buf);
        return true;
    }

    bool fill_output_character(handle_t h, char ch, std::uint32_t length, coord start,
                               std::uint32_t* written) override {
        if (written != nullptr) *written = 0;
        int cols = 0;
        int rows = 0;
        if (!handle_is_valid(h) || !window_size(cols, rows) || start.x < 0 || start.y < 0 || start.x >= cols ||
            start.y >= rows) {
            return false;
        }
        const std::uint64_t room =
            static_cast<std::uint64_t>(rows - start.y) * static_cast<std::uint64_t>(cols) - start.x;
        const std::uint32_t n = static_cast<std::uint32_t>(length < room ? length : room);
        // Written from the saved cursor so the caller's cursor stays where it was; the text wraps
        // onto the next rows like the console's fill does.
        char buf[32];
        std::snprintf(buf, sizeof buf,
                      "\x1b"
                      "7\x1b[%d;%dH",
                      start.y + 1, start.x + 1);
        std::string bytes = buf;
        bytes.append(n, ch);
        bytes +=
            "\x1b"
            "8";
        write_output(bytes);
        if (written != nullptr) *written = n;
        return true;
    }

    // Cells of a terminal keep their own colours; there is no way to recolour them in place.
    bool fill_output_attribute(handle_t, std::uint16_t, std::uint32_t, coord, std::uint32_t* written) override {
        if (written != nullptr) *written = 0;
        return false;
    }

    // Only the moves the menus make: a block of whole rows one row up or down. The clip
    // rectangle and the fill attribute have no VT counterpart; the vacated row is left blank in
    // the default colours.
    bool scroll_screen_buffer(handle_t h, const small_rect& scroll, const small_rect*, coord dest, char,
                              std::uint16_t) override {
        int cols = 0;
        int rows = 0;
        if (!handle_is_valid(h) || !window_size(cols, rows) || dest.x != scroll.left) {
            return false;
        }
        bool up = false;
        if (dest.y == scroll.top - 1) {
            up = true;
        } else if (dest.y != scroll.top + 1) {
            return false;
        }
        const std::string bytes = posix::scroll_rows_bytes(scroll.top, scroll.bottom, up, rows);
        if (bytes.empty()) {
            return false;
        }
        write_output(bytes);
        return true;
    }

    bool get_env(const char* name, std::string* value) override {
        const char* v = std::getenv(name);
        if (v == nullptr) {
            value->clear();
            return false;
        }
        value->assign(v);
        return true;
    }
    bool set_env(const char* name, const char* value) override { return setenv(name, value, 1) == 0; }

    std::uint32_t tick_count() override { return static_cast<std::uint32_t>(posix::monotonic_ms()); }
    std::uint64_t tick_count64() override { return posix::monotonic_ms(); }
    // clock() is processor time on POSIX; the typing timers need seconds that pass while the
    // process waits for the next key.
    double clock_seconds() override { return posix::monotonic_seconds(); }
    void sleep_ms(std::uint32_t ms) override {
        if (ms == 0) {
            return;
        }
        posix::sleep_ms(ms);
    }

    // Signal keys are off in raw mode (Ctrl+C arrives as the byte 0x03): nothing to install.
    bool set_ctrl_handler(bool) override { return true; }

private:
    int fd_of(handle_t h) const {
        if (h == &input_fd_) return input_fd_;
        if (h == &output_fd_) return output_fd_;
        return -1;
    }

    bool window_size(int& cols, int& rows) const {
        winsize ws{};
        if (ioctl(output_fd_, TIOCGWINSZ, &ws) != 0 && ioctl(input_fd_, TIOCGWINSZ, &ws) != 0) {
            return false;
        }
        if (ws.ws_col == 0 || ws.ws_row == 0) {
            return false;
        }
        cols = ws.ws_col;
        rows = ws.ws_row;
        return true;
    }

    // Asks the terminal where the cursor is. The reply comes on the input, possibly after keys
    // the user typed meanwhile; those are kept and read before anything else.
    bool query_cursor(int& row, int& col) {
        if (!cursor_replies_ || isatty(input_fd_) != 1 || isatty(output_fd_) != 1) {
            return false;
        }
        // The reply must neither be echoed nor wait for a line end, also outside raw mode.
        termios before{};
        if (tcgetattr(input_fd_, &before) != 0) {
            return false;
        }
        const bool cooked = (before.c_lflag & (ICANON | ECHO)) != 0;
        if (cooked) {
            termios quiet = before;
            quiet.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
            quiet.c_cc[VMIN] = 1;
            quiet.c_cc[VTIME] = 0;
            if (tcsetattr(input_fd_, TCSANOW, &quiet) != 0) {
                return false;
            }
        }
        // Everything written so far must reach the terminal before it reports the position.
        flush_output();
        bool gone = false;
        const bool ok =
            posix::query_cursor(input_fd_, output_fd_, k_cursor_reply_timeout_ms, typed_ahead_, row, col, gone);
        if (gone) {
            closed_ = true;
        } else if (!ok) {
            // A terminal that does not answer once will not answer later: asking again would
            // stall every redraw that measures the window.
            cursor_replies_ = false;
        }
        if (cooked) {
            (void)tcsetattr(input_fd_, TCSANOW, &before);
        }
        return ok;
    }

    static std::int16_t clamp16(int v) { return static_cast<std::int16_t>(v < 0 ? 0 : (v > 32767 ? 32767 : v)); }

    int input_fd_;
    int output_fd_;
    std::string pending_output_;  // output not yet flushed, when it does not go to stdout
    std::vector<termios> saved_;
    std::string typed_ahead_;  // bytes that arrived before a cursor reply
    bool closed_ = false;
    bool cursor_replies_ = true;
};

}  // namespace

std::unique_ptr<platform> make_posix_platform(int input_fd, int output_fd) {
    return std::make_unique<posix_platform>(input_fd, output_fd);
}

platform& native_platform() {
    static posix_platform instance(STDIN_FILENO, STDOUT_FILENO);
    return instance;
}

}  // namespace plm
