// The POSIX back end on a pseudo-terminal: the test plays the terminal on the master side.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <fcntl.h>
#include <time.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "decoder.h"
#include "platform_posix.h"
#include "promptloom.h"
#include "pty_fixture.h"
#include "raw_mode.h"

namespace plm {
namespace {

bool same_settings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
           std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

// Raw mode for one test, left again however the test ends.
struct raw_scope {
    raw_scope(platform& s, handle_t i, handle_t o) : sys(s), in(i), out(o) {
        ok = raw_mode_enter(sys, in, out, &saved_in, &saved_out, &vt) == 1;
    }
    ~raw_scope() {
        if (ok) raw_mode_leave(sys, in, out, saved_in, saved_out);
    }
    platform& sys;
    handle_t in, out;
    std::uint32_t saved_in = 0, saved_out = 0;
    std::int32_t vt = 0;
    bool ok = false;
};

class PosixPlatform : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        winsize ws{};
        ws.ws_col = 50;
        ws.ws_row = 12;
        ASSERT_EQ(ioctl(pty.master(), TIOCSWINSZ, &ws), 0);
        sys = make_posix_platform(pty.slave(), pty.slave());
        in = sys->std_input_handle();
        out = sys->std_output_handle();
    }
    termios settings() {
        termios t{};
        EXPECT_EQ(tcgetattr(pty.slave(), &t), 0);
        return t;
    }

    plmtest::pty_pair pty;
    std::unique_ptr<platform> sys;
    handle_t in = nullptr;
    handle_t out = nullptr;
};

TEST_F(PosixPlatform, RawModeScopesNestAndRestoreTheExactSettings) {
    const termios before = settings();
    ASSERT_NE(before.c_lflag & ICANON, 0u);
    EXPECT_EQ(stdio_is_tty(*sys), 1);

    std::uint32_t in1 = 0, out1 = 0, in2 = 0, out2 = 0;
    std::int32_t vt1 = 0, vt2 = 0;
    ASSERT_EQ(raw_mode_enter(*sys, in, out, &in1, &out1, &vt1), 1);
    EXPECT_EQ(vt1, 1);
    const termios raw = settings();
    EXPECT_EQ(raw.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(raw.c_iflag & ICRNL, 0u);
    EXPECT_NE(raw.c_oflag & OPOST, 0u);
    EXPECT_EQ(pty.drain(), "\x1b[?1000h\x1b[?1003h\x1b[?1015h\x1b[?1006h");

    ASSERT_EQ(raw_mode_enter(*sys, in, out, &in2, &out2, &vt2), 1);
    EXPECT_EQ(raw_mode_leave(*sys, in, out, in2, out2), 1);
    EXPECT_TRUE(same_settings(settings(), raw)) << "an inner scope puts back the raw settings it found";
    EXPECT_EQ(raw_mode_leave(*sys, in, out, in1, out1), 1);
    EXPECT_TRUE(same_settings(settings(), before));
    // Every scope switches reporting on and off again, whatever the nesting.
    EXPECT_EQ(pty.drain(), std::string("\x1b[?1000h\x1b[?1003h\x1b[?1015h\x1b[?1006h") +
                               "\x1b[?1000l\x1b[?1015l\x1b[?1006l\x1b[?1003l" +
                               "\x1b[?1000l\x1b[?1015l\x1b[?1006l\x1b[?1003l");
    EXPECT_EQ(raw_mode_count(), 0);
}

TEST_F(PosixPlatform, ReaderEndsWhenTheTerminalGoesAwayAndSaysSoAgain) {
    const raw_scope raw(*sys, in, out);
    ASSERT_TRUE(raw.ok);
    pty.type("\x1b[A");
    plm_input_decoder dec{};
    plm_key_event key{};
    plm_mouse_event mouse{};
    ASSERT_EQ(read_event(*sys, in, &dec, &key, &mouse), 1);
    EXPECT_EQ(key.key, PLM_KEY_UP);
    EXPECT_FALSE(sys->input_closed());

    pty.close_master();
    EXPECT_EQ(read_event(*sys, in, &dec, &key, &mouse), 0);
    EXPECT_EQ(read_key_getwch(*sys, &key), 0);
    EXPECT_TRUE(sys->input_closed());
    EXPECT_EQ(read_event(*sys, in, &dec, &key, &mouse), 0) << "the end is reported again, not waited for";
}

// Another program may leave standard input non-blocking; the reader then waits for the key
// instead of spinning on EAGAIN.
TEST_F(PosixPlatform, NonBlockingInputIsWaitedOnNotPolledAtFullSpeed) {
    const int flags = fcntl(pty.slave(), F_GETFL);
    ASSERT_EQ(fcntl(pty.slave(), F_SETFL, flags | O_NONBLOCK), 0);
    const raw_scope raw(*sys, in, out);
    ASSERT_TRUE(raw.ok);
    std::thread terminal([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        pty.type("k");
    });
    timespec cpu0{}, cpu1{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
    unsigned char b = 0;
    const byte_read r = sys->read_byte(in, &b);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
    terminal.join();
    EXPECT_EQ(r, byte_read::ok);
    EXPECT_EQ(b, 'k');
    const double cpu_ms = (cpu1.tv_sec - cpu0.tv_sec) * 1e3 + (cpu1.tv_nsec - cpu0.tv_nsec) / 1e6;
    EXPECT_LT(cpu_ms, 20.0) << "the 300 ms wait was spent spinning";  // waiting costs well below 1 ms
}

TEST_F(PosixPlatform, ScreenInfoFromWindowSizeAndCursorQueryKeepsTypedKeys) {
    const raw_scope raw(*sys, in, out);
    ASSERT_TRUE(raw.ok);
    pty.drain();
    sys->write_output("title\n");  // still buffered: must reach the terminal before the query
    std::string seen;
    std::thread terminal([&] {
        seen = pty.drain(2000);
        pty.type("ab\x1b[5;3Rz");
    });
    screen_info info;
    const bool ok = sys->get_screen_buffer_info(out, &info);
    terminal.join();
    ASSERT_TRUE(ok);
    EXPECT_EQ(seen, "title\r\n\x1b[6n");
    EXPECT_EQ(info.size.x, 50);
    EXPECT_EQ(info.size.y, 12);
    EXPECT_EQ(info.window.top, 0);
    EXPECT_EQ(info.window.bottom, 11);
    EXPECT_EQ(info.window.right, 49);
    EXPECT_EQ(info.cursor.x, 2);
    EXPECT_EQ(info.cursor.y, 4);

    plm_input_decoder dec{};
    plm_key_event key{};
    // Typed before the reply or after it: nothing is lost, the order is kept.
    for (char want : std::string("abz")) {
        ASSERT_EQ(read_event(*sys, in, &dec, &key, nullptr), 1);
        EXPECT_EQ(key.key, PLM_KEY_CHAR);
        EXPECT_EQ(key.ch, static_cast<std::uint32_t>(want));
    }
}

TEST_F(PosixPlatform, CursorQueryOutsideRawModeIsNotEchoedAndLeavesTheSettings) {
    const termios before = settings();
    std::string seen;
    std::thread terminal([&] {
        seen = pty.drain(2000);
        pty.type("\x1b[2;7R");
    });
    screen_info info;
    ASSERT_TRUE(sys->get_screen_buffer_info(out, &info));
    terminal.join();
    EXPECT_EQ(info.cursor.y, 1);
    EXPECT_EQ(info.cursor.x, 6);
    EXPECT_EQ(pty.drain(100), "") << "the reply was echoed";
    EXPECT_TRUE(same_settings(settings(), before));
}

TEST_F(PosixPlatform, WithoutAReplyTheSizeStillCountsAndTheTerminalIsNotAskedAgain) {
    screen_info info;
    ASSERT_TRUE(sys->get_screen_buffer_info(out, &info));
    EXPECT_EQ(info.size.y, 12);
    EXPECT_EQ(info.cursor.y, 0);
    EXPECT_EQ(pty.drain(), "\x1b[6n");
    ASSERT_TRUE(sys->get_screen_buffer_info(out, &info));
    EXPECT_EQ(info.size.x, 50);
    EXPECT_EQ(pty.drain(50), "");
}

TEST_F(PosixPlatform, RowMovesBecomeScrollRegions) {
    struct move_case {
        small_rect rect;
        coord dest;
        bool ok;
        std::string bytes;
    };
    const move_case cases[] = {
        {{0, 3, 49, 9},
         {0, 2},
         true,
         "\x1b"
         "7\x1b[0m\x1b[3;10r\x1b[1S\x1b[r\x1b"
         "8"},
        {{0, 2, 49, 8},
         {0, 3},
         true,
         "\x1b"
         "7\x1b[0m\x1b[3;10r\x1b[1T\x1b[r\x1b"
         "8"},
        {{0, 2, 49, 8}, {0, 5}, false, ""},   // more than one row
        {{0, 0, 49, 4}, {0, -1}, false, ""},  // above the screen
        {{0, 8, 49, 11}, {0, 9}, false, ""},  // below the screen
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sys->scroll_screen_buffer(out, c.rect, nullptr, c.dest, ' ', 0x0007), c.ok)
            << c.rect.top << ".." << c.rect.bottom << " -> " << c.dest.y;
        sys->flush_output();
        EXPECT_EQ(pty.drain(50), c.bytes);
    }
}

// The whole prompt on the real back end, the test typing on the terminal side.
TEST_F(PosixPlatform, PromptEditsALineWithoutAskingTheTerminalAnything) {
    const termios before = settings();
    plm_context* ctx = plm_context_create();
    ASSERT_NE(ctx, nullptr);
    platform_override use(*sys);
    char line[64] = "untouched";
    int32_t rc = 1;
    std::thread run([&] { rc = plm_prompt_run(ctx, nullptr, line, sizeof line); });
    std::string shown = pty.drain(2000);
    pty.type("ab");
    shown += pty.drain();
    pty.type("\x1b[Dx\r");
    run.join();
    shown += pty.drain();
    EXPECT_EQ(rc, PLM_OK);
    EXPECT_STREQ(line, "axb");
    EXPECT_EQ(shown.find("\x1b[6n"), std::string::npos) << "a cursor query per key costs a terminal round trip";
    EXPECT_NE(shown.find("\r\x1b[2KVLM> axb\x1b[1D"), std::string::npos);
    EXPECT_TRUE(same_settings(settings(), before));
    plm_context_destroy(ctx);
}

}  // namespace
}  // namespace plm
