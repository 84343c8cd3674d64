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
//
// While a scope is open (set_ctrl_handler), signal handlers keep the terminal usable:
//   SIGTERM SIGHUP SIGQUIT SIGINT   the settings from before the first scope and mouse reporting
//                                   off, then what was there before: the caller's handler (after
//                                   which raw mode comes back) or the default action, re-raised,
//                                   after the bytes of set_exit_bytes
//   SIGTSTP SIGTTIN SIGTTOU         the same before the process stops
//   SIGCONT                         raw settings and mouse reporting again (in the foreground)
//   SIGCONT SIGWINCH                the reader is told: a window-buffer-size record, and a byte on
//                                   a pipe wakes a wait in progress
// Signals ignored before (as under nohup) stay ignored. The handlers make async-signal-safe calls
// only, on settings copied for them while the signals are blocked.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "platform_posix.h"
#include "platform_stdio.h"
#include "posix_terminal.h"
#include "raw_mode.h"

namespace plm {

namespace {

constexpr int k_rescued_signals[] = {SIGTERM, SIGHUP, SIGQUIT, SIGINT, SIGTSTP, SIGTTIN, SIGTTOU, SIGCONT, SIGWINCH};
constexpr std::size_t k_signal_count = sizeof k_rescued_signals / sizeof k_rescued_signals[0];

// What the handlers work with; written only while those signals are blocked.
struct terminal_rescue {
    int in_fd = -1;
    int out_fd = -1;
    termios cooked{};  // before the outermost scope
    termios raw{};     // of the innermost open scope
    char exit_bytes[32] = {};
};
terminal_rescue g_rescue;
const void* g_rescue_owner = nullptr;
volatile std::sig_atomic_t g_rescue_armed = 0;
volatile std::sig_atomic_t g_screen_changed = 0;
int g_wake_pipe[2] = {-1, -1};
struct sigaction g_previous[k_signal_count];
bool g_installed[k_signal_count];

// Blocks the handled signals for the life of the object.
class signals_blocked {
public:
    signals_blocked() {
        sigset_t set;
        sigemptyset(&set);
        for (int sig : k_rescued_signals) sigaddset(&set, sig);
        pthread_sigmask(SIG_BLOCK, &set, &old_);
    }
    ~signals_blocked() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    signals_blocked(const signals_blocked&) = delete;
    signals_blocked& operator=(const signals_blocked&) = delete;

private:
    sigset_t old_;
};

void write_sequences(int fd, const char* const (&sequences)[4]) {
    for (const char* s : sequences) {
        std::size_t n = 0;
        while (s[n] != '\0') ++n;
        (void)posix::write_all(fd, s, n);
    }
}

// A terminal that is not the controlling one (tcgetpgrp fails) has no background to be in.
bool in_foreground() {
    const pid_t group = tcgetpgrp(g_rescue.in_fd);
    return group < 0 || group == getpgrp();
}

void put_terminal_back() {
    (void)tcsetattr(g_rescue.in_fd, TCSANOW, &g_rescue.cooked);
    write_sequences(g_rescue.out_fd, k_mouse_off_sequences);
}

void write_exit_bytes() {
    std::size_t n = 0;
    while (g_rescue.exit_bytes[n] != '\0') ++n;
    (void)posix::write_all(g_rescue.out_fd, g_rescue.exit_bytes, n);
}

void take_terminal_again() {
    (void)tcsetattr(g_rescue.in_fd, TCSANOW, &g_rescue.raw);
    write_sequences(g_rescue.out_fd, k_mouse_on_sequences);
}

void note_screen_change() {
    g_screen_changed = 1;
    if (g_wake_pipe[1] >= 0) (void)::write(g_wake_pipe[1], "w", 1);
}

std::size_t signal_slot(int sig) {
    std::size_t i = 0;
    while (k_rescued_signals[i] != sig) ++i;
    return i;
}

// The caller's own handler, when there was one. False for the default action and for ignoring.
bool call_previous_handler(int sig, siginfo_t* info, void* context) {
    const struct sigaction& previous = g_previous[signal_slot(sig)];
    if ((previous.sa_flags & SA_SIGINFO) != 0) {
        if (previous.sa_sigaction == nullptr) return false;
        previous.sa_sigaction(sig, info, context);
        return true;
    }
    if (previous.sa_handler == SIG_DFL || previous.sa_handler == SIG_IGN) return false;
    previous.sa_handler(sig);
    return true;
}

// The default action of `sig`, with this handler out of the way; returns when that action was to
// stop and the process has been continued.
void default_action(int sig) {
    struct sigaction deflt {};
    deflt.sa_handler = SIG_DFL;
    sigemptyset(&deflt.sa_mask);
    struct sigaction ours {};
    sigaction(sig, &deflt, &ours);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
    sigaction(sig, &ours, nullptr);
}

void on_signal(int sig, siginfo_t* info, void* context) {
    const int saved_errno = errno;
    if (sig == SIGCONT || sig == SIGWINCH) {
        if (sig == SIGCONT && g_rescue_armed != 0 && in_foreground()) take_terminal_again();
        note_screen_change();
        (void)call_previous_handler(sig, info, context);
    } else {
        // A stop signal may reach a process in the background: the terminal is someone else's.
        const bool stop = sig == SIGTSTP || sig == SIGTTIN || sig == SIGTTOU;
        if (g_rescue_armed != 0 && (!stop || in_foreground())) put_terminal_back();
        if (!call_previous_handler(sig, info, context)) {
            if (g_rescue_armed != 0 && !stop) write_exit_bytes();
            default_action(sig);
        }
        // Still running: the caller's handler returned, or the process was continued.
        if (g_rescue_armed != 0 && in_foreground()) take_terminal_again();
        note_screen_change();
    }
    errno = saved_errno;
}

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
            saved_.push_back(scope{current, raw});
            update_rescue();
            return true;
        }
        if (saved_.empty()) {
            // Nothing of ours to undo.
            return isatty(fd) == 1;
        }
        const termios previous = saved_.back().before;
        saved_.pop_back();
        update_rescue();
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
                    if (posix::wait_readable(fd) == 1) continue;
                    closed_ = true;
                    return byte_read::failed;
                case posix::read_status::gone:
                    closed_ = true;
                    return byte_read::failed;
            }
        }
    }

    bool wait_input(handle_t h, std::uint32_t timeout_ms) override {
        const int fd = fd_of(h);
        if (fd < 0 || (h == &input_fd_ && !typed_ahead_.empty()) || g_screen_changed != 0) {
            return true;
        }
        const int timeout = timeout_ms == k_wait_forever ? -1 : static_cast<int>(timeout_ms);
        return posix::wait_readable(fd, timeout, g_wake_pipe[0]) != 0;
    }

    // A terminal has no console input records and no _getwch; a resize, or the return from a
    // stop, is told as the console tells a new buffer size.
    bool peek_console_input(handle_t, input_record* record, std::uint32_t* count) override {
        return screen_change_record(record, count, false);
    }
    bool read_console_input(handle_t, input_record* record, std::uint32_t* count) override {
        return screen_change_record(record, count, true);
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

    // Signal keys are off in raw mode (Ctrl+C arrives as the byte 0x03); signals sent otherwise
    // are handled as the head of this file says.
    bool set_ctrl_handler(bool add) override {
        signals_blocked blocked;
        if (add && g_rescue_armed == 0 && !saved_.empty()) {
            if (g_wake_pipe[0] < 0 && pipe(g_wake_pipe) == 0) {
                for (int fd : g_wake_pipe) fcntl(fd, F_SETFD, FD_CLOEXEC), fcntl(fd, F_SETFL, O_NONBLOCK);
            }
            g_rescue_owner = this;
            update_rescue();
            struct sigaction ours {};
            ours.sa_sigaction = on_signal;
            ours.sa_flags = SA_SIGINFO | SA_RESTART;
            sigemptyset(&ours.sa_mask);
            for (int sig : k_rescued_signals) sigaddset(&ours.sa_mask, sig);
            for (std::size_t i = 0; i < k_signal_count; ++i) {
                const int sig = k_rescued_signals[i];
                sigaction(sig, nullptr, &g_previous[i]);
                const bool ignored = g_previous[i].sa_handler == SIG_IGN && (g_previous[i].sa_flags & SA_SIGINFO) == 0;
                g_installed[i] = !ignored || sig == SIGCONT || sig == SIGWINCH;
                if (g_installed[i]) sigaction(sig, &ours, nullptr);
            }
            g_rescue_armed = 1;
        } else if (!add && g_rescue_owner == this) {
            g_rescue_armed = 0;
            g_rescue_owner = nullptr;
            for (std::size_t i = 0; i < k_signal_count; ++i) {
                if (g_installed[i]) sigaction(k_rescued_signals[i], &g_previous[i], nullptr);
                g_installed[i] = false;
            }
            g_screen_changed = 0;
        }
        return true;
    }

    void set_exit_bytes(std::string_view bytes) override {
        if (bytes.size() >= sizeof exit_bytes_) bytes = {};
        bytes.copy(exit_bytes_, bytes.size());
        exit_bytes_[bytes.size()] = '\0';
        update_rescue();
    }

private:
    struct scope {
        termios before;
        termios raw;
    };

    // The handlers' copy of the settings: before the outermost scope, and the innermost's.
    void update_rescue() {
        if (g_rescue_owner != this || saved_.empty()) return;
        signals_blocked blocked;
        g_rescue = terminal_rescue{input_fd_, output_fd_, saved_.front().before, saved_.back().raw, {}};
        std::copy(std::begin(exit_bytes_), std::end(exit_bytes_), g_rescue.exit_bytes);
    }

    static bool screen_change_record(input_record* record, std::uint32_t* count, bool take) {
        if (count != nullptr) *count = 0;
        if (g_screen_changed == 0 || record == nullptr || count == nullptr) return false;
        if (take) g_screen_changed = 0;
        *record = input_record{};
        record->event_type = k_window_buffer_size_event;
        *count = 1;
        return true;
    }

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
    std::vector<scope> saved_;
    std::string typed_ahead_;  // bytes that arrived before a cursor reply
    char exit_bytes_[32] = {};
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
