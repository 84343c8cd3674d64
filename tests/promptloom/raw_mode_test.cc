// Raw mode through the fake console: mode arithmetic, mouse sequences, the scope counter and
// the control handler.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"
#include "raw_mode.h"

namespace plm {
namespace {

const std::string k_on = "\x1b[?1000h\x1b[?1003h\x1b[?1015h\x1b[?1006h";
const std::string k_off = "\x1b[?1000l\x1b[?1015l\x1b[?1006l\x1b[?1003l";

class RawModeTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(raw_mode_count(), 0) << "a previous test left a scope open"; }
    void TearDown() override {
        // Leave the process-wide counter as found, even after a failed expectation.
        while (raw_mode_count() > 0) {
            raw_mode_leave(fake, fake.in_handle, fake.out_handle, 0, 0);
        }
    }
    int enter() { return raw_mode_enter(fake, fake.in_handle, fake.out_handle, &saved_in, &saved_out, &vt); }
    int leave() { return raw_mode_leave(fake, fake.in_handle, fake.out_handle, saved_in, saved_out); }

    fake_platform fake;
    std::uint32_t saved_in = 0xDEAD;
    std::uint32_t saved_out = 0xBEEF;
    std::int32_t vt = -9;
};

TEST_F(RawModeTest, InputModeTable) {
    const struct {
        std::uint32_t saved;
        bool refuse_vt;
        std::uint32_t expected_in;
        std::int32_t expected_vt;
    } table[] = {
        {0x1F7, false, 0x3E8, 1},                                // cooked console with quick edit and insert: both stay
        {0x0000, false, 0x0288, 1}, {0x0017, false, 0x0288, 1},  // mouse input removed on the VT path
        {0xFFFF, false, 0xFFE8, 1}, {0x1F7, true, 0x1F8, 0},     // fallback: mouse input on, processed/line/echo off
        {0xFDFF, true, 0xFDF8, 0},                               // every other bit is kept
    };
    for (const auto& row : table) {
        fake = fake_platform{};
        fake.input_mode = row.saved;
        fake.refuse_vt_input = row.refuse_vt;
        ASSERT_EQ(enter(), 1);
        EXPECT_EQ(fake.input_mode, row.expected_in) << std::hex << row.saved;
        EXPECT_EQ(vt, row.expected_vt) << std::hex << row.saved;
        EXPECT_EQ(leave(), 1);
        EXPECT_EQ(fake.input_mode, row.saved);
    }
}

TEST_F(RawModeTest, CallSequenceOfEnterAndLeave) {
    fake.input_mode = 0x1F7;
    fake.output_mode = 0x3;
    ASSERT_EQ(enter(), 1);
    EXPECT_EQ(saved_in, 0x1F7u);
    EXPECT_EQ(saved_out, 0x3u);
    EXPECT_EQ(fake.output_mode, 0x7u);
    EXPECT_EQ(fake.calls,
              (std::vector<std::string>{"get_console_mode in", "get_console_mode out", "set_console_mode in 0x3e8",
                                        "set_console_mode out 0x7", "write \x1b[?1000h", "write \x1b[?1003h",
                                        "write \x1b[?1015h", "write \x1b[?1006h", "flush", "set_ctrl_handler add"}));
    EXPECT_TRUE(fake.ctrl_handler_installed);
    fake.clear_record();

    EXPECT_EQ(leave(), 1);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"write \x1b[?1000l", "write \x1b[?1015l", "write \x1b[?1006l",
                                                    "write \x1b[?1003l", "flush", "set_ctrl_handler remove",
                                                    "set_console_mode in 0x1f7", "set_console_mode out 0x3"}));
    EXPECT_FALSE(fake.ctrl_handler_installed);
    EXPECT_EQ(fake.input_mode, 0x1F7u);
    EXPECT_EQ(fake.output_mode, 0x3u);
}

TEST_F(RawModeTest, RefusedVtInputTriesTheFallback) {
    fake.refuse_vt_input = true;
    ASSERT_EQ(enter(), 1);
    EXPECT_EQ(fake.calls_starting("set_console_mode in"),
              (std::vector<std::string>{"set_console_mode in 0x3e8", "set_console_mode in 0x1f8"}));
    leave();
}

TEST_F(RawModeTest, UnreadableModeChangesNothing) {
    for (int which = 0; which < 2; ++which) {
        fake = fake_platform{};
        fake.fail_get_input_mode = which == 0;
        fake.fail_get_output_mode = which == 1;
        EXPECT_EQ(enter(), 0);
        EXPECT_EQ(saved_in, 0xDEADu);
        EXPECT_TRUE(fake.calls_starting("set_").empty());
        EXPECT_TRUE(fake.out.empty());
        EXPECT_EQ(raw_mode_count(), 0);
    }
}

TEST_F(RawModeTest, FailedModeAndHandlerCallsAreNotReported) {
    fake.fail_set_mode = true;
    ASSERT_EQ(enter(), 1);
    EXPECT_EQ(vt, 0);
    EXPECT_EQ(fake.out, k_on);
    EXPECT_EQ(raw_mode_count(), 1);
    EXPECT_EQ(leave(), 0);  // leave reports its last set_console_mode
    EXPECT_EQ(raw_mode_count(), 0);
}

TEST_F(RawModeTest, NestedScopesInstallTheHandlerOnceAndRestoreTheirOwnModes) {
    fake.input_mode = 0x1F7;
    ASSERT_EQ(enter(), 1);
    const std::uint32_t outer_in = saved_in;
    const std::uint32_t outer_out = saved_out;

    // A callback opens a menu: the inner scope saves the raw modes of the outer one.
    std::uint32_t inner_in = 0;
    std::uint32_t inner_out = 0;
    std::int32_t inner_vt = 0;
    ASSERT_EQ(raw_mode_enter(fake, fake.in_handle, fake.out_handle, &inner_in, &inner_out, &inner_vt), 1);
    EXPECT_EQ(inner_in, 0x3E8u);
    EXPECT_EQ(inner_out, 0x7u);
    EXPECT_EQ(raw_mode_count(), 2);
    EXPECT_EQ(fake.count_calls("set_ctrl_handler"), 1u);

    raw_mode_leave(fake, fake.in_handle, fake.out_handle, inner_in, inner_out);
    EXPECT_EQ(raw_mode_count(), 1);
    EXPECT_TRUE(fake.ctrl_handler_installed);  // still installed
    EXPECT_EQ(fake.input_mode, 0x3E8u);        // the outer scope's raw mode is back
    // The sequences go off with every leave, also while the outer scope is open.
    EXPECT_EQ(fake.out, k_on + k_on + k_off);

    raw_mode_leave(fake, fake.in_handle, fake.out_handle, outer_in, outer_out);
    EXPECT_EQ(raw_mode_count(), 0);
    EXPECT_EQ(fake.calls_starting("set_ctrl_handler"),
              (std::vector<std::string>{"set_ctrl_handler add", "set_ctrl_handler remove"}));
    EXPECT_EQ(fake.input_mode, 0x1F7u);
    EXPECT_EQ(fake.output_mode, 0x3u);
}

TEST_F(RawModeTest, ScopesOneAfterAnotherAndAnUnmatchedLeave) {
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(enter(), 1);
        leave();
    }
    EXPECT_EQ(fake.calls_starting("set_ctrl_handler"),
              (std::vector<std::string>{"set_ctrl_handler add", "set_ctrl_handler remove", "set_ctrl_handler add",
                                        "set_ctrl_handler remove"}));
    leave();  // no matching enter
    EXPECT_EQ(raw_mode_count(), 0);
    fake.clear_record();
    ASSERT_EQ(enter(), 1);  // the count went back to 0, so this is a first scope again
    EXPECT_EQ(raw_mode_count(), 1);
    EXPECT_EQ(fake.count_calls("set_ctrl_handler add"), 1u);
    leave();
}

TEST(ConsoleCtrlHandler, SwallowsOnlyCtrlC) {
    EXPECT_EQ(console_ctrl_handler(k_ctrl_c_event), 1);
    for (std::uint32_t other : {k_ctrl_break_event, k_ctrl_close_event, k_ctrl_logoff_event, k_ctrl_shutdown_event,
                                std::uint32_t{3}, std::uint32_t{99}}) {
        EXPECT_EQ(console_ctrl_handler(other), 0) << other;
    }
}

TEST(StdioIsTty, BothStreamsMustBeTerminals) {
    fake_platform fake;
    fake.tty_err = false;  // standard error plays no part
    for (int in = 0; in < 2; ++in) {
        for (int out = 0; out < 2; ++out) {
            fake.tty_in = in == 1;
            fake.tty_out = out == 1;
            EXPECT_EQ(stdio_is_tty(fake), in & out) << in << out;
        }
    }
}

}  // namespace
}  // namespace plm
