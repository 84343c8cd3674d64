#include "posix_terminal.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <string>
#include <thread>

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
        tcflag_t field;
        tcflag_t bit;
        bool kept;
    };
    const flag_case cases[] = {
        {"ICANON", raw.c_lflag, ICANON, false}, {"ECHO", raw.c_lflag, ECHO, false},
        {"ECHONL", raw.c_lflag, ECHONL, false}, {"ISIG", raw.c_lflag, ISIG, false},
        {"IEXTEN", raw.c_lflag, IEXTEN, false}, {"ICRNL", raw.c_iflag, ICRNL, false},
        {"INLCR", raw.c_iflag, INLCR, false},   {"IGNCR", raw.c_iflag, IGNCR, false},
        {"IXON", raw.c_iflag, IXON, false},     {"ISTRIP", raw.c_iflag, ISTRIP, false},
        {"IUTF8", raw.c_iflag, IUTF8, true},    {"BRKINT", raw.c_iflag, BRKINT, true},
        {"OPOST", raw.c_oflag, OPOST, true},    {"ONLCR", raw.c_oflag, ONLCR, true},
        {"ECHOE", raw.c_lflag, ECHOE, true},    {"CREAD", raw.c_cflag, CREAD, true},
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
    std::string user; // bytes handed back, including those after flush when not done
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

TEST(ScrollRows, RegionCoversTheMovedRowsAndTheRowTheyEnter) {
    struct scroll_case {
        int first, last;
        bool up;
        int rows;
        std::string bytes;
    };
    const scroll_case cases[] = {
        // rows 5..12 move up into row 4: region 5..13 in 1-based rows, scrolled up
        {5, 12, true, 30,
         "\x1b"
         "7\x1b[0m\x1b[5;13r\x1b[1S\x1b[r\x1b"
         "8"},
        // rows 4..11 move down into row 12
        {4, 11, false, 30,
         "\x1b"
         "7\x1b[0m\x1b[5;13r\x1b[1T\x1b[r\x1b"
         "8"},
        {1, 1, true, 2,
         "\x1b"
         "7\x1b[0m\x1b[1;2r\x1b[1S\x1b[r\x1b"
         "8"},
        {0, 3, true, 30, ""},    // nothing above row 0 to move into
        {26, 29, false, 30, ""}, // nothing below the last row
        {6, 5, true, 30, ""},    // empty block
    };
    for (const auto& c : cases) {
        EXPECT_EQ(scroll_rows_bytes(c.first, c.last, c.up, c.rows), c.bytes) << c.first << ".." << c.last;
    }
}

TEST(ReadOneByte, EndOfTerminalIsReportedEveryTime) {
    plmtest::pty_pair pty;
    ASSERT_TRUE(make_raw(pty));
    pty.type("k");
    unsigned char b = 0;
    ASSERT_EQ(read_one_byte(pty.slave(), b), read_status::byte);
    EXPECT_EQ(b, 'k');
    pty.close_master();
    EXPECT_EQ(read_one_byte(pty.slave(), b), read_status::gone);
    EXPECT_EQ(read_one_byte(pty.slave(), b), read_status::gone);
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

// The terminal side answers the query after the user has typed; nothing typed is lost and the
// bytes after the reply stay in the terminal for the next reads.
TEST(QueryCursor, KeepsWhatTheUserTypedBeforeTheReply) {
    plmtest::pty_pair pty;
    ASSERT_TRUE(make_raw(pty));
    std::string seen;
    std::thread terminal([&] {
        seen = pty.drain(2000);
        pty.type("q\x1b[B\x1b[4;17Rz");
    });
    std::string user;
    int row = 0, col = 0;
    bool gone = true;
    const bool ok = query_cursor(pty.slave(), pty.slave(), 3000, user, row, col, gone);
    terminal.join();
    EXPECT_TRUE(ok);
    EXPECT_FALSE(gone);
    EXPECT_EQ(seen, "\x1b[6n");
    EXPECT_EQ(row, 4);
    EXPECT_EQ(col, 17);
    EXPECT_EQ(user, "q\x1b[B");
    unsigned char b = 0;
    ASSERT_EQ(read_one_byte(pty.slave(), b), read_status::byte);
    EXPECT_EQ(b, 'z');
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

} // namespace
} // namespace plm::posix
