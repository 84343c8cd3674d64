#include "posix_terminal.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace plm::posix {

termios raw_termios(const termios& saved) {
    termios raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ECHONL | ISIG | IEXTEN));
    // IXON would swallow Ctrl+S and Ctrl+Q (and freeze the output after Ctrl+S); ISTRIP would
    // clear the top bit of UTF-8 bytes.
    raw.c_iflag &= static_cast<tcflag_t>(~(ICRNL | INLCR | IGNCR | IXON | ISTRIP));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    return raw;
}

namespace {

bool is_digit(unsigned char b) { return b >= '0' && b <= '9'; }

// Whether `held` followed by nothing more can still grow into ESC [ digits ; digits R.
bool reply_prefix(const std::string& held) {
    if (held.empty()) return true;
    if (static_cast<unsigned char>(held[0]) != 0x1B) return false;
    if (held.size() >= 2 && held[1] != '[') return false;
    int semicolons = 0;
    std::size_t digits_before = 0;
    for (std::size_t i = 2; i < held.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(held[i]);
        if (is_digit(b)) {
            if (semicolons == 0) ++digits_before;
        } else if (b == ';' && semicolons == 0 && digits_before > 0) {
            ++semicolons;
        } else {
            return false;
        }
    }
    // A real reply has at most a few digits on each side; a longer run is somebody typing.
    return held.size() <= 2 + 16;
}

}  // namespace

bool cursor_reply_scanner::feed(unsigned char byte, std::string& user_bytes) {
    if (byte == 'R' && held_.size() >= 5) {
        const std::size_t semi = held_.find(';');
        if (semi != std::string::npos && semi > 2 && semi + 1 < held_.size() && reply_prefix(held_)) {
            row_ = 0;
            col_ = 0;
            for (std::size_t i = 2; i < semi; ++i) row_ = row_ * 10 + (held_[i] - '0');
            for (std::size_t i = semi + 1; i < held_.size(); ++i) col_ = col_ * 10 + (held_[i] - '0');
            held_.clear();
            return true;
        }
    }
    held_.push_back(static_cast<char>(byte));
    if (reply_prefix(held_)) return false;
    // Not a reply: everything before this byte belongs to the user. The byte itself may still
    // begin the reply (the user pressed Escape just before the terminal answered).
    held_.pop_back();
    user_bytes += held_;
    held_.clear();
    if (byte == 0x1B) {
        held_.push_back(static_cast<char>(byte));
    } else {
        user_bytes.push_back(static_cast<char>(byte));
    }
    return false;
}

void cursor_reply_scanner::flush(std::string& user_bytes) {
    user_bytes += held_;
    held_.clear();
}

std::string scroll_rows_bytes(int first, int last, bool up, int screen_rows) {
    if (first > last || first < 0 || screen_rows <= 0) return {};
    // The region covers the moved rows and the row they move into.
    const int top = up ? first - 1 : first;
    const int bottom = up ? last : last + 1;
    if (top < 0 || bottom >= screen_rows) return {};
    char buf[64];
    std::snprintf(buf, sizeof buf,
                  "\x1b"
                  "7\x1b[0m\x1b[%d;%dr\x1b[1%c\x1b[r\x1b"
                  "8",
                  top + 1, bottom + 1, up ? 'S' : 'T');
    return buf;
}

read_status read_one_byte(int fd, unsigned char& byte) {
    const ssize_t n = ::read(fd, &byte, 1);
    if (n == 1) return read_status::byte;
    if (n < 0 && errno == EINTR) return read_status::interrupted;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return read_status::would_block;
    return read_status::gone;
}

int wait_readable(int fd, int timeout_ms, int wake_fd) {
    const std::uint64_t end = monotonic_ms() + static_cast<std::uint64_t>(timeout_ms < 0 ? 0 : timeout_ms);
    for (;;) {
        pollfd p[2] = {{fd, POLLIN, 0}, {wake_fd, POLLIN, 0}};
        const std::uint64_t now = monotonic_ms();
        const int left = timeout_ms < 0 ? -1 : (now >= end ? 0 : static_cast<int>(end - now));
        const int ready = ::poll(p, wake_fd >= 0 ? 2 : 1, left);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return -1;
        if (ready == 0) return 0;
        if (wake_fd >= 0 && p[1].revents != 0) {
            char drained[16];
            while (::read(wake_fd, drained, sizeof drained) > 0) {
            }
        }
        return 1;
    }
}

bool write_all(int fd, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool query_cursor(int in_fd, int out_fd, int timeout_ms, std::string& user_bytes, int& row, int& col, bool& gone) {
    gone = false;
    if (!write_all(out_fd, "\x1b[6n", 4)) {
        gone = true;
        return false;
    }
    cursor_reply_scanner scanner;
    const std::uint64_t end = monotonic_ms() + static_cast<std::uint64_t>(timeout_ms);
    for (;;) {
        const std::uint64_t now = monotonic_ms();
        if (now >= end) break;
        pollfd p{in_fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(end - now));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        if ((p.revents & POLLIN) == 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            gone = true;
            break;
        }
        unsigned char b = 0;
        const read_status st = read_one_byte(in_fd, b);
        if (st == read_status::interrupted || st == read_status::would_block) continue;
        if (st == read_status::gone) {
            gone = true;
            break;
        }
        if (scanner.feed(b, user_bytes)) {
            row = scanner.row();
            col = scanner.col();
            return true;
        }
    }
    scanner.flush(user_bytes);
    return false;
}

std::uint64_t monotonic_ms() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

double monotonic_seconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void sleep_ms(std::uint32_t ms) {
    timespec req{static_cast<time_t>(ms / 1000u), static_cast<long>(ms % 1000u) * 1000000L};
    timespec rem{};
    while (::nanosleep(&req, &rem) != 0 && errno == EINTR) req = rem;
}

}  // namespace plm::posix
