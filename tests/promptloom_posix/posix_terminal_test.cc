#include "posix_terminal.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <string>

#include "pty_fixture.h"

namespace plm::posix {
namespace {

bool make_raw(plmtest::pty_pair& pty) {
    termios t{};
    if (!pty.ok() || tcgetattr(pty.slave(), &t) != 0) return false;
    t = raw_termios(t);
    return tcsetattr(pty.slave(), TCSANOW, &t) == 0;
}

TEST(RawTermios, ClearsInputProcessingAndKeepsOutputProcessing) {
    termios saved{};
    saved.c_iflag = ICRNL | INLCR | IGNCR | IXON | ISTRIP | IUTF8 | BRKINT;
    saved.c_oflag = OPOST | ONLCR;
    saved.c_lflag = ICANON | ECHO | ECHOE | ECHOK | ECHONL | ISIG | IEXTEN;
    saved.c_cflag = CS8 | CREAD;
    saved.c_cc[VMIN] = 0;
    saved.c_cc[VTIME] = 5;
    const termios raw = raw_termios(saved);
    struct flag_case {
        const char* name;
        tcflag_t field, bit;
        bool kept;
    };
    // ICANON, ECHO, ISIG, ICRNL and OPOST are checked on a real terminal with the platform.
    const flag_case cases[] = {
        {"ECHONL", raw.c_lflag, ECHONL, false}, {"IEXTEN", raw.c_lflag, IEXTEN, false},
        {"INLCR", raw.c_iflag, INLCR, false},   {"IGNCR", raw.c_iflag, IGNCR, false},
        {"IXON", raw.c_iflag, IXON, false},     {"ISTRIP", raw.c_iflag, ISTRIP, false},
        {"IUTF8", raw.c_iflag, IUTF8, true},    {"ONLCR", raw.c_oflag, ONLCR, true},
    };
    for (const auto& c : cases) EXPECT_EQ((c.field & c.bit) != 0, c.kept) << c.name;
    EXPECT_EQ(raw.c_cc[VMIN], 1);
    EXPECT_EQ(raw.c_cc[VTIME], 0);
}

struct scan_case {
    const char* name;
    std::string input;
    bool done;
    int row, col;
    std::string user;  // bytes handed back, including those after flush when not done
};

TEST(CursorReplyScanner, SeparatesTheReplyFromTypedBytes) {
    const scan_case cases[] = {
        {"reply alone", "\x1b[12;40R", true, 12, 40, ""},
        {"letters typed first", "ab\x1b[3;1R", true, 3, 1, "ab"},
        {"an arrow typed first", "\x1b[A\x1b[7;2R", true, 7, 2, "\x1b[A"},
        {"Escape typed first", "\x1b\x1b[7;2R", true, 7, 2, "\x1b"},
        {"a mouse report typed first", "\x1b[<0;5;6M\x1b[1;1R", true, 1, 1, "\x1b[<0;5;6M"},
        {"a key with parameters", "\x1b[1;5A\x1b[2;3R", true, 2, 3, "\x1b[1;5A"},
        {"Delete then reply", "\x1b[3~\x1b[9;9R", true, 9, 9, "\x1b[3~"},
        {"no column", "\x1b[5R", false, 0, 0, "\x1b[5R"},
        {"incomplete", "x\x1b[5;", false, 0, 0, "x\x1b[5;"},
        {"too many digits", "\x1b[12345678901234567;1R", false, 0, 0, "\x1b[12345678901234567;1R"},
    };
    for (const auto& c : cases) {
        cursor_reply_scanner scanner;
        std::string user;
        bool done = false;
        std::size_t used = 0;
        for (unsigned char b : c.input) {
            ++used;
            if (scanner.feed(b, user)) {
                done = true;
                break;
            }
        }
        if (!done) scanner.flush(user);
        EXPECT_EQ(done, c.done) << c.name;
        EXPECT_EQ(used, c.input.size()) << c.name;
        EXPECT_EQ(user, c.user) << c.name;
        if (done) {
            EXPECT_EQ(scanner.row(), c.row) << c.name;
            EXPECT_EQ(scanner.col(), c.col) << c.name;
        }
    }
}

TEST(ReadOneByte, EndOfFileOnAPipeIsGone) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], "z", 1), 1);
    close(fds[1]);
    unsigned char b = 0;
    EXPECT_EQ(read_one_byte(fds[0], b), read_status::byte);
    EXPECT_EQ(read_one_byte(fds[0], b), read_status::gone);
    close(fds[0]);
}

TEST(QueryCursor, GivesUpAfterTheTimeoutAndKeepsPartialInput) {
    plmtest::pty_pair pty;
    ASSERT_TRUE(make_raw(pty));
    pty.type("h\x1b[2;");
    std::string user;
    int row = -1, col = -1;
    bool gone = true;
    EXPECT_FALSE(query_cursor(pty.slave(), pty.slave(), 100, user, row, col, gone));
    EXPECT_FALSE(gone);
    EXPECT_EQ(user, "h\x1b[2;");
    EXPECT_EQ(row, -1);
}

TEST(QueryCursor, ReportsATerminalThatWentAway) {
    plmtest::pty_pair pty;
    ASSERT_TRUE(pty.ok());
    pty.close_master();
    std::string user;
    int row = 0, col = 0;
    bool gone = false;
    EXPECT_FALSE(query_cursor(pty.slave(), pty.slave(), 2000, user, row, col, gone));
    EXPECT_TRUE(gone);
    EXPECT_TRUE(user.empty());
}

TEST(MonotonicClock, AdvancesAcrossASleep) {
    const std::uint64_t a = monotonic_ms();
    const double s = monotonic_seconds();
    sleep_ms(20);
    EXPECT_GE(monotonic_ms() - a, 20u);
    EXPECT_GE(monotonic_seconds() - s, 0.019);
}

}  // namespace
}  // namespace plm::posix
