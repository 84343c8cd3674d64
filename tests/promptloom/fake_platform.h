// A scripted, recording stand-in for the console, for tests of every promptloom part.
//
// Input: bytes (read_byte), console input records (peek/read_console_input), getwch codes and
// lines (read_line) come from queues; each queued item may carry an arrival time on the fake
// clock, and serving it moves the clock forward to that time. When the byte queue is empty a
// read reports end of input and input_closed() turns true (set `close_when_drained` false to
// report a failed read and stay open); getwch then gives 0xFFFF. A loop that keeps reading an
// empty script past `max_empty_reads` gets a fake_input_exhausted exception, so a test that
// forgot its exit key fails instead of hanging.
//
// Output and calls: `out` collects standard output, `err` standard error, `files` what
// append_to_file wrote (paths in `unopenable_files` fail). `calls` lists every call in order as
// readable text, for example:
//   "get_console_mode in", "set_console_mode in 0x3e8", "write \x1b[?1000h", "flush",
//   "set_ctrl_handler add", "scroll 0,5-79,13 -> 0,4 fill ' ' 0x7", "set_cursor 0,7",
//   "fill_char ' ' 80 @0,7", "fill_attr 0x7 80 @0,7", "set_env VLM_MENU_RESULT_OVERRIDE=Quill",
//   "sleep 120", "set_buffer_size 80x40"
// Console modes live in `input_mode` / `output_mode`; set_console_mode stores what it is given
// unless refused (`refuse_vt_input`, `fail_set_mode`).
//
// Memory: allocate/reallocate count calls; `fail_allocation_at` = n makes the n-th call (1-based,
// counting both) fail; `live_blocks` tracks blocks not yet released.
#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform.h"

namespace plm {

struct fake_input_exhausted : std::runtime_error {
    fake_input_exhausted() : std::runtime_error("fake platform: the scripted input ran out") {}
};

// A mouse record as the console would deliver it.
input_record mouse_record_at(std::int16_t x, std::int16_t y, std::uint32_t buttons, std::uint32_t flags);
// A key record (key down) with the given virtual key and character.
input_record key_record_of(std::uint16_t virtual_key, char ch);

class fake_platform : public platform {
public:
    fake_platform();

    // --- scripting
    void feed_bytes(std::string_view bytes, std::uint64_t at_ms = 0);
    void feed_record(const input_record& record, std::uint64_t at_ms = 0);
    void feed_getwch(std::initializer_list<std::uint32_t> codes, std::uint64_t at_ms = 0);
    void feed_line(std::string_view line);  // fgets input; include "\n" where a line has one
    void advance_ms(std::uint64_t ms) { now_ms += ms; }

    // --- inspection
    std::vector<std::string> calls_starting(std::string_view prefix) const;
    std::size_t count_calls(std::string_view prefix) const { return calls_starting(prefix).size(); }
    void clear_record() {
        calls.clear();
        out.clear();
        err.clear();
    }

    // --- state, freely set by tests
    handle_t in_handle = reinterpret_cast<handle_t>(std::uintptr_t{0x10});
    handle_t out_handle = reinterpret_cast<handle_t>(std::uintptr_t{0x20});
    bool tty_in = true;
    bool tty_out = true;
    bool tty_err = true;
    std::uint32_t input_mode = 0x1F7;
    std::uint32_t output_mode = 0x0003;
    bool fail_get_input_mode = false;
    bool fail_get_output_mode = false;
    bool refuse_vt_input = false;  // set_console_mode(in, mode with 0x200) fails
    bool fail_set_mode = false;    // every set_console_mode fails
    bool close_when_drained = true;
    int max_empty_reads = 1000;
    bool screen_ok = true;
    screen_info screen;
    std::map<std::string, std::string> env;
    std::set<std::string> unopenable_files;
    std::map<std::string, std::string> files;
    std::uint64_t now_ms = 0;
    bool ctrl_handler_installed = false;
    int fail_allocation_at = 0;
    int allocations = 0;
    std::set<void*> live_blocks;

    std::vector<std::string> calls;
    std::string out;
    std::string err;

    // --- platform
    handle_t std_input_handle() override;
    handle_t std_output_handle() override;
    bool is_tty(std_stream s) override;
    bool get_console_mode(handle_t h, std::uint32_t* mode) override;
    bool set_console_mode(handle_t h, std::uint32_t mode) override;
    byte_read read_byte(handle_t h, unsigned char* byte) override;
    bool peek_console_input(handle_t h, input_record* record, std::uint32_t* count) override;
    bool read_console_input(handle_t h, input_record* record, std::uint32_t* count) override;
    std::uint32_t getwch() override;
    bool input_closed() override;
    bool read_line(char* buffer, int size) override;
    bool get_screen_buffer_info(handle_t h, screen_info* info) override;
    bool set_screen_buffer_size(handle_t h, coord size) override;
    bool set_cursor_position(handle_t h, coord pos) override;
    bool set_text_attribute(handle_t h, std::uint16_t attributes) override;
    bool fill_output_character(handle_t h, char ch, std::uint32_t length, coord start, std::uint32_t* written) override;
    bool fill_output_attribute(handle_t h, std::uint16_t attributes, std::uint32_t length, coord start,
                               std::uint32_t* written) override;
    bool scroll_screen_buffer(handle_t h, const small_rect& scroll, const small_rect* clip, coord dest, char fill_ch,
                              std::uint16_t fill_attributes) override;
    void write_output(std::string_view bytes) override;
    void flush_output() override;
    void write_error(std::string_view bytes) override;
    bool append_to_file(const char* path, std::string_view bytes) override;
    bool get_env(const char* name, std::string* value) override;
    bool set_env(const char* name, const char* value) override;
    std::uint32_t tick_count() override;
    std::uint64_t tick_count64() override;
    double clock_seconds() override;
    void sleep_ms(std::uint32_t ms) override;
    bool set_ctrl_handler(bool add) override;
    void* allocate(std::size_t size) override;
    void* reallocate(void* block, std::size_t size) override;
    void release(void* block) override;

private:
    template <class T>
    struct timed {
        T value;
        std::uint64_t at_ms;
    };
    std::string handle_name(handle_t h) const;
    void arrive(std::uint64_t at_ms);
    void note_empty_read();

    std::deque<timed<unsigned char>> bytes_;
    std::deque<timed<input_record>> records_;
    std::deque<timed<std::uint32_t>> codes_;
    std::string lines_;
    bool drained_ = false;
    int empty_reads_ = 0;
};

}  // namespace plm
