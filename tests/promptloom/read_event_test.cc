// The two readers: read_event's path choice, console mouse records and the byte path with its
// coordinate conversion and debug lines; read_key_getwch's code table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "raw_mode.h"

namespace plm {
namespace {

constexpr std::uint32_t k_record_mode = 0x1F8;  // raw mode without VT input: mouse records
constexpr std::uint32_t k_vt_mode = 0x3E8;

struct read_result {
    int status = 0;
    plm_key_event key{};
    plm_mouse_event mouse{};
};

class ReadEventTest : public testing::Test {
protected:
    read_result read() {
        read_result r;
        r.key = plm_key_event{77, 77, 77};
        r.mouse = plm_mouse_event{55, 55, 55, 55, 55};
        r.status = read_event(fake, fake.in_handle, &decoder, &r.key, &r.mouse);
        return r;
    }
    fake_platform fake;
    plm_input_decoder decoder{};
};

std::uint32_t wheel(int delta) {
    return static_cast<std::uint32_t>(static_cast<std::uint16_t>(static_cast<std::int16_t>(delta))) << 16;
}

TEST_F(ReadEventTest, ConsoleMouseRecords) {
    const struct {
        const char* name;
        input_record record;
        int button, released;
        const char* log;
    } table[] = {
        {"wheel up", mouse_record_at(4, 9, wheel(120), k_mouse_wheeled), 64, 0,
         "[PLM_DBG] console_mouse WHEEL x=4 y=9 btn=64\n"},
        {"wheel down", mouse_record_at(4, 9, wheel(-120), k_mouse_wheeled), 65, 0,
         "[PLM_DBG] console_mouse WHEEL x=4 y=9 btn=65\n"},
        {"move", mouse_record_at(7, 3, k_from_left_1st_button_pressed, k_mouse_moved), 32, 0,
         "[PLM_DBG] console_mouse MOVE x=7 y=3\n"},
        {"release, buffer rows far down", mouse_record_at(2, 2999, 0, 0), 3, 1,
         "[PLM_DBG] console_mouse BTN x=2 y=2999 btn=3 rel=1\n"},
        {"left press", mouse_record_at(2, 5, k_from_left_1st_button_pressed, 0), 0, 0,
         "[PLM_DBG] console_mouse BTN x=2 y=5 btn=0 rel=0\n"},
        {"middle press", mouse_record_at(2, 5, k_from_left_2nd_button_pressed, 0), 1, 0,
         "[PLM_DBG] console_mouse BTN x=2 y=5 btn=1 rel=0\n"},
        {"right press", mouse_record_at(2, 5, k_rightmost_button_pressed, 0), 2, 0,
         "[PLM_DBG] console_mouse BTN x=2 y=5 btn=2 rel=0\n"},
        {"left and right: left wins", mouse_record_at(2, 5, 0x3, 0), 0, 0,
         "[PLM_DBG] console_mouse BTN x=2 y=5 btn=0 rel=0\n"},
    };
    for (const auto& row : table) {
        fake = fake_platform{};
        fake.input_mode = k_record_mode;
        fake.env["VLM_MENU_DEBUG"] = "1";
        fake.env["VLM_MENU_DEBUG_STDERR"] = "0";
        fake.feed_record(row.record);
        const read_result r = read();
        EXPECT_EQ(r.status, 1) << row.name;
        EXPECT_EQ(r.mouse.valid, 1) << row.name;
        EXPECT_EQ(r.mouse.y, row.record.mouse.position.y) << row.name;
        EXPECT_EQ(r.mouse.button, row.button) << row.name;
        EXPECT_EQ(r.mouse.released, row.released) << row.name;
        EXPECT_EQ(r.key.key, 0) << row.name;
        EXPECT_EQ(fake.files["vlm_menu_debug.log"], row.log) << row.name;
        EXPECT_EQ(fake.count_calls("read_byte"), 0u) << row.name;
    }
}

TEST_F(ReadEventTest, DoubleClickRecordIsConsumedAndTheSameCallReadsAByte) {
    for (std::uint32_t flags : {k_double_click, k_mouse_hwheeled}) {
        fake = fake_platform{};
        fake.input_mode = k_record_mode;
        fake.feed_record(mouse_record_at(6, 8, k_from_left_1st_button_pressed, flags));
        fake.feed_bytes("qr");
        const read_result r = read();
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.key.ch, static_cast<std::uint32_t>('q'));
        EXPECT_EQ(r.mouse.valid, 0);
        // The record is gone: the next read does not see it again.
        EXPECT_EQ(read().key.ch, static_cast<std::uint32_t>('r'));
        EXPECT_EQ(fake.count_calls("read_console_input"), 1u);
    }
}

TEST_F(ReadEventTest, KeyRecordAtTheHeadIsLeftForTheByteReader) {
    fake.input_mode = k_record_mode;
    fake.feed_record(key_record_of(0x41, 'a'));
    fake.feed_bytes("a");
    const read_result r = read();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.key.key, PLM_KEY_CHAR);
    EXPECT_EQ(fake.count_calls("peek_console_input"), 1u);
    EXPECT_EQ(fake.count_calls("read_console_input"), 0u);
}

TEST_F(ReadEventTest, PathChoice) {
    const struct {
        const char* name;
        std::uint32_t mode;
        const char *force_console, *force_vt;  // nullptr = unset
        bool null_mouse, expect_records;
    } table[] = {
        {"record mode", k_record_mode, nullptr, nullptr, false, true},
        {"vt input mode", k_vt_mode, nullptr, nullptr, false, false},
        {"vt mode forced to console input", k_vt_mode, "1", nullptr, false, true},
        {"force console 0 is off", k_vt_mode, "0", nullptr, false, false},
        {"force console empty is off", k_vt_mode, "", nullptr, false, false},
        {"force vt bytes 1 in record mode", k_record_mode, nullptr, "1", false, false},
        {"force vt bytes 0 is off", k_record_mode, nullptr, "0", false, true},
        {"force vt bytes empty is off", k_record_mode, nullptr, "", false, true},
        {"force vt bytes beats force console", k_vt_mode, "1", "1", false, false},
        {"no mouse record: bytes", k_record_mode, nullptr, nullptr, true, false},
    };
    for (const auto& row : table) {
        fake = fake_platform{};
        fake.input_mode = row.mode;
        if (row.force_console != nullptr) fake.env["VLM_FORCE_CONSOLE_INPUT"] = row.force_console;
        if (row.force_vt != nullptr) fake.env["VLM_FORCE_VT_BYTES"] = row.force_vt;
        fake.feed_record(mouse_record_at(1, 1, 0, 0));
        fake.feed_bytes("k");
        plm_key_event key{};
        plm_mouse_event mouse{};
        const int status = read_event(fake, fake.in_handle, &decoder, &key, row.null_mouse ? nullptr : &mouse);
        EXPECT_EQ(status, 1) << row.name;
        EXPECT_EQ(mouse.valid == 1, row.expect_records) << row.name;
        EXPECT_EQ(key.key == PLM_KEY_CHAR, !row.expect_records) << row.name;
        EXPECT_EQ(fake.count_calls("peek_console_input") == 1, row.expect_records) << row.name;
    }
}

TEST_F(ReadEventTest, UnreadableModeAndNullHandleUseBytes) {
    fake.fail_get_input_mode = true;
    fake.feed_record(mouse_record_at(1, 1, 0, 0));
    fake.feed_bytes("k");
    EXPECT_EQ(read().mouse.valid, 1);  // mode unknown: not VT, so records are tried

    fake = fake_platform{};
    fake.feed_record(mouse_record_at(1, 1, 0, 0));
    fake.feed_bytes("k");
    plm_key_event key{};
    plm_mouse_event mouse{};
    EXPECT_EQ(read_event(fake, nullptr, &decoder, &key, &mouse), 1);
    EXPECT_EQ(key.key, PLM_KEY_CHAR);
    EXPECT_EQ(fake.count_calls("get_console_mode"), 0u);
    EXPECT_EQ(fake.count_calls("peek_console_input"), 0u);
}

TEST_F(ReadEventTest, ByteMouseReportsBecomeZeroBased) {
    const struct {
        const char* bytes;
        int x, y, button, released;
        const char* log;
    } table[] = {
        {"\x1b[<0;10;5M", 9, 4, 0, 0, "[PLM_DBG] vt_mouse x=9 y=4 btn=0 rel=0\n"},
        {"\x1b[<35;3;4m", 2, 3, 35, 1, "[PLM_DBG] vt_mouse x=2 y=3 btn=35 rel=1\n"},
        {"\x1b[<0M", 0, 0, 0, 0, "[PLM_DBG] vt_mouse x=0 y=0 btn=0 rel=0\n"},
        {"\x1b[<2;0;0m", 0, 0, 2, 1, "[PLM_DBG] vt_mouse x=0 y=0 btn=2 rel=1\n"},
    };
    for (const auto& row : table) {
        fake = fake_platform{};
        fake.input_mode = k_vt_mode;
        fake.env["VLM_MENU_DEBUG"] = "1";
        fake.feed_bytes(row.bytes);
        const read_result r = read();
        const plm_mouse_event want{row.x, row.y, row.button, row.released, 1};
        EXPECT_EQ(r.status, 1) << row.bytes + 1;
        EXPECT_EQ(std::memcmp(&r.mouse, &want, sizeof want), 0) << row.bytes + 1;
        EXPECT_EQ(r.key.key, 0);
        EXPECT_EQ(fake.err, row.log) << row.bytes + 1;
    }
    // A key from bytes leaves the mouse record invalid.
    fake = fake_platform{};
    fake.input_mode = k_vt_mode;
    fake.feed_bytes("\x1b[5~");
    const read_result r = read();
    EXPECT_EQ(r.key.key, PLM_KEY_PAGE_UP);
    EXPECT_EQ(r.mouse.valid, 0);
}

TEST_F(ReadEventTest, EndOfInputAndFailedReadGiveZero) {
    fake.input_mode = k_vt_mode;
    fake.feed_bytes("\x1b[");
    EXPECT_EQ(read().status, 0);
    EXPECT_TRUE(fake.input_closed());
    EXPECT_EQ(decoder.state, k_decoder_csi);  // the half sequence is kept for a later read

    fake = fake_platform{};
    fake.input_mode = k_vt_mode;
    fake.close_when_drained = false;
    EXPECT_EQ(read().status, 0);
    EXPECT_FALSE(fake.input_closed());
}

TEST_F(ReadEventTest, NullRecordsStillConsumeTheEvent) {
    fake.input_mode = k_vt_mode;
    fake.feed_bytes("a\x1b[<0;3;3Mb");
    EXPECT_EQ(read_event(fake, fake.in_handle, &decoder, nullptr, nullptr), 1);
    EXPECT_EQ(read_event(fake, fake.in_handle, &decoder, nullptr, nullptr), 1);
    plm_key_event key{};
    EXPECT_EQ(read_event(fake, fake.in_handle, &decoder, &key, nullptr), 1);
    EXPECT_EQ(key.ch, static_cast<std::uint32_t>('b'));
}

TEST(ReadKeyGetwch, CodeTable) {
    const struct {
        std::vector<std::uint32_t> codes;
        int status;
        int key;
        std::uint32_t ch;
    } table[] = {
        {{0x1B}, 1, PLM_KEY_ESCAPE, 0},        {{0x03}, 1, PLM_KEY_CTRL_C, 0},
        {{0x0D}, 1, PLM_KEY_ENTER, 0},         {{0x08}, 1, PLM_KEY_BACKSPACE, 0},
        {{0x09}, 1, PLM_KEY_TAB, 0},           {{0x20}, 1, PLM_KEY_CHAR, 0x20},
        {{0x7E}, 1, PLM_KEY_CHAR, 0x7E},       {{0x7F}, 0, PLM_KEY_NONE, 0},
        {{0xE9}, 0, PLM_KEY_NONE, 0},          {{0x4E2D}, 0, PLM_KEY_NONE, 0},
        {{0x0A}, 0, PLM_KEY_NONE, 0},          {{0x01}, 0, PLM_KEY_NONE, 0},
        {{0xE0, 0x47}, 1, PLM_KEY_HOME, 0},    {{0xE0, 0x48}, 1, PLM_KEY_UP, 0},
        {{0xE0, 0x49}, 1, PLM_KEY_PAGE_UP, 0}, {{0xE0, 0x4B}, 1, PLM_KEY_LEFT, 0},
        {{0xE0, 0x4D}, 1, PLM_KEY_RIGHT, 0},   {{0xE0, 0x4F}, 1, PLM_KEY_END, 0},
        {{0xE0, 0x50}, 1, PLM_KEY_DOWN, 0},    {{0xE0, 0x51}, 1, PLM_KEY_PAGE_DOWN, 0},
        {{0xE0, 0x53}, 1, PLM_KEY_DELETE, 0},  {{0x00, 0x48}, 1, PLM_KEY_UP, 0},
        {{0x00, 0x3B}, 0, PLM_KEY_NONE, 0},    {{0xE0, 0x52}, 0, PLM_KEY_NONE, 0},  // F1, Insert
    };
    for (const auto& row : table) {
        fake_platform fake;
        for (std::uint32_t c : row.codes) fake.feed_getwch({c});
        plm_key_event key{9, 9, 9};
        EXPECT_EQ(read_key_getwch(fake, &key), row.status) << std::hex << row.codes[0];
        EXPECT_EQ(key.key, row.key) << std::hex << row.codes[0];
        EXPECT_EQ(key.ch, row.ch) << std::hex << row.codes[0];
        EXPECT_EQ(fake.count_calls("getwch"), row.codes.size()) << std::hex << row.codes[0];
    }
    fake_platform fake;
    fake.feed_getwch({'a'});
    EXPECT_EQ(read_key_getwch(fake, nullptr), 0);  // no record: nothing is read
    EXPECT_EQ(fake.count_calls("getwch"), 0u);
}

}  // namespace
}  // namespace plm
