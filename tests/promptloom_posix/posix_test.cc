// The POSIX back end on a pseudo-terminal: the test plays the terminal on the master side.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform_posix.h"
#include "raw_mode.h"

namespace plm {
namespace {

bool same(const termios& a, const termios& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class posix_pty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        slave = open(ptsname(master), O_RDWR | O_NOCTTY);
        const winsize size{12, 50, 0, 0};
        ASSERT_EQ(ioctl(master, TIOCSWINSZ, &size), 0);
        sys = make_posix_platform(slave, slave);
    }
    void TearDown() override { close(slave), close(master); }
    termios settings() {
        termios t;
        std::memset(&t, 0, sizeof t);  // compared whole, padding included
        EXPECT_EQ(tcgetattr(slave, &t), 0);
        return t;
    }
    // What the terminal received, ESC shown as ^: waits up to `ms` for the first byte, then until quiet.
    std::string drain(int ms = 200) {
        std::string got;
        char buf[256];
        pollfd p{master, POLLIN, 0};
        for (ssize_t n = 0; poll(&p, 1, got.empty() ? ms : 20) > 0 && (n = read(master, buf, sizeof buf)) > 0;)
            got.append(buf, static_cast<std::size_t>(n));
        std::replace(got.begin(), got.end(), '\x1b', '^');
        return got;
    }
    std::string screen() {
        screen_info i;
        char text[64] = "failed";
        if (sys->get_screen_buffer_info(sys->std_output_handle(), &i)) {
            std::snprintf(text, sizeof text, "%dx%d %d,%d-%d,%d at %d,%d", i.size.x, i.size.y, i.window.left,
                          i.window.top, i.window.right, i.window.bottom, i.cursor.x, i.cursor.y);
        }
        return text;
    }

    int master = posix_openpt(O_RDWR | O_NOCTTY), slave = -1;
    std::unique_ptr<platform> sys;
};

TEST_F(posix_pty, raw_mode_scopes_nest_and_put_back_the_exact_settings) {
    termios before = settings();
    before.c_cc[VMIN] = 0, before.c_cc[VTIME] = 5;
    ASSERT_EQ(tcsetattr(slave, TCSANOW, &before), 0);
    const handle_t in = sys->std_input_handle(), out = sys->std_output_handle();
    std::uint32_t mode[4] = {};
    std::int32_t vt = 0;
    static termios during;  // what the caller's own SIGHUP handler finds
    static int fd = slave;
    struct sigaction mine {
    }, back{};
    mine.sa_handler = [](int) { tcgetattr(fd, &during); };
    sigaction(SIGHUP, &mine, nullptr);
    ASSERT_EQ(raw_mode_enter(*sys, in, out, &mode[0], &mode[1], &vt), 1);
    const termios raw = settings();
    EXPECT_EQ(raw.c_lflag, before.c_lflag & ~tcflag_t(ICANON | ECHO | ECHONL | ISIG | IEXTEN));
    EXPECT_EQ(raw.c_iflag, before.c_iflag & ~tcflag_t(ICRNL | INLCR | IGNCR | IXON | ISTRIP));
    EXPECT_EQ(raw.c_cc[VMIN] * 100 + raw.c_cc[VTIME], 100);
    ASSERT_EQ(raw_mode_enter(*sys, in, out, &mode[2], &mode[3], &vt), 1);
    raise(SIGHUP);
    EXPECT_TRUE(same(during, before) && same(settings(), raw)) << "the settings from before, then raw again";
    // Signal keys, line input and echo as the console's mode bits, VT input always.
    EXPECT_EQ(std::to_string(mode[0]) + " " + std::to_string(mode[1]) + " " + std::to_string(mode[2]), "519 7 512");
    EXPECT_EQ(raw_mode_leave(*sys, in, out, mode[2], mode[3]), 1);
    EXPECT_TRUE(same(settings(), raw)) << "an inner scope puts back the raw settings it found";
    EXPECT_EQ(raw_mode_leave(*sys, in, out, mode[0], mode[1]), 1);
    EXPECT_TRUE(same(settings(), before));
    sigaction(SIGHUP, nullptr, &back);
    EXPECT_EQ(back.sa_handler, mine.sa_handler) << "the caller's handler is back";
    const std::string on = "^[?1000h^[?1003h^[?1015h^[?1006h", off = "^[?1000l^[?1015l^[?1006l^[?1003l";
    EXPECT_EQ(drain(), on + on + off + on + off) << "mouse reporting goes off for a signal and with the last scope";
}

TEST_F(posix_pty, cursor_query_keeps_typed_keys_is_not_echoed_and_a_silent_terminal_is_asked_once) {
    const termios before = settings();
    sys->write_output("title\n");  // still buffered: must reach the terminal before the query
    std::string seen;
    std::thread terminal([&] {
        seen = drain(2000);
        EXPECT_EQ(write(master, "a\x1b[Db\x1b[12;40Rz\n", 15), 15);
    });
    EXPECT_EQ(screen(), "50x12 0,0-49,11 at 39,11");
    terminal.join();
    EXPECT_EQ(seen + drain(100), "title\r\n^[6n") << "the reply or the keys were echoed";
    EXPECT_TRUE(same(settings(), before));
    plm_input_decoder decoder{};
    plm_key_event key{};
    std::string keys;  // typed before the reply or after it: nothing lost, the order kept
    for (int i = 0; i < 4 && read_event(*sys, sys->std_input_handle(), &decoder, &key, nullptr) == 1; ++i)
        keys += std::to_string(key.key) + ":" + std::to_string(key.ch) + " ";
    EXPECT_EQ(keys, "1:97 5:0 1:98 1:122 ");
    EXPECT_FALSE(sys->input_closed());
    std::string unanswered = screen();  // no reply: the size still counts, the terminal is not asked again
    unanswered += drain();
    unanswered += screen();
    EXPECT_EQ(unanswered + drain(), "50x12 0,0-49,11 at 0,0^[6n50x12 0,0-49,11 at 0,0");
}

TEST_F(posix_pty, only_moves_of_whole_rows_by_one_row_within_the_screen_become_scroll_regions) {
    const std::int16_t moves[][4] = {{0, 3, 9, 2},  {0, 2, 8, 3},  {0, 2, 8, 5},
                                     {0, 0, 4, -1}, {0, 8, 11, 9}, {1, 3, 9, 2}};
    const handle_t out = sys->std_output_handle();
    std::string done;  // left, top, bottom row -> destination row
    for (const auto& m : moves)
        done += sys->scroll_screen_buffer(out, {m[0], m[1], 49, m[2]}, nullptr, {0, m[3]}, ' ', 7) ? "y" : "n";
    sys->flush_output();
    EXPECT_EQ(done + drain(), "yynnnn^7^[0m^[3;10r^[1S^[r^8^7^[0m^[3;10r^[1T^[r^8");
}

}  // namespace
}  // namespace plm
