// The one door between promptloom and the operating system.
//
// Every OS service the library touches is a virtual function of plm::platform, and nothing else in
// the library calls the OS or the C runtime's console/stdio/environment/clock functions directly.
// Three implementations exist: platform_win32.cc (one Windows call per method, no decisions),
// platform_posix.cc (termios and VT sequences) and, for tests, plm::fake_platform
// (tests/promptloom/fake_platform.h), which serves scripted input and records every call.
//
// How library code uses it:
//   - Internal operations take a `platform& sys` first argument (raw_mode_enter(sys, ...),
//     read_event(sys, ...)); pass it down, never reach for a global inside core code.
//   - Only the exported plm_ functions pick the platform, with plm::current_platform().
//   - Output goes through sys.write_output / sys.flush_output (plm::out_printf formats into it),
//     so a test sees every byte and its order relative to the console calls.
//   - Memory that a caller's status depends on (contexts, history, line buffers) comes from
//     sys.allocate / reallocate / release, so tests can make any allocation fail.
//   - Interactive loops ask sys.input_closed() when both readers came back empty: on a terminal
//     that went away (or a fake whose script ran out) they leave raw mode and return PLM_ERR_IO
//     instead of spinning.
//
// How tests use it:
//   plm::fake_platform fake;                 // console in cooked mode 0x1F7 / 0x3, 80x25 window
//   fake.feed("ab{L}\r");                    // bytes for read_byte, keys named in braces
//   fake.codes = {0xE0, 0x48};                // codes for getwch
//   fake.env["VLM_FORCE_VT_BYTES"] = "1";
//   plm::platform_override use(fake);         // exports now run on the fake
//   ... call the code ...
//   fake.out        // every byte written to standard output
//   fake.log        // the same bytes with the console calls: "{in 3e8}", "{f}" (flush), "{at 0,7}", ...
//   fake.rows       // the screen those bytes and calls leave
//   fake.now        // the fake clock; sleep_ms advances it, scripted input may jump it forward
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#if defined(__MINGW32__)
#  define PLM_PRINTF_LIKE(f, a) __attribute__((format(__MINGW_PRINTF_FORMAT, f, a)))
#elif defined(__GNUC__)
#  define PLM_PRINTF_LIKE(f, a) __attribute__((format(printf, f, a)))
#else
#  define PLM_PRINTF_LIKE(f, a)
#endif

namespace plm {

// An OS object handle (a HANDLE on Windows). Null and all-ones are invalid.
using handle_t = void*;

inline bool handle_is_valid(handle_t h) {
    return h != nullptr && reinterpret_cast<std::uintptr_t>(h) != ~std::uintptr_t{0};
}

// Console mode bits the library uses (the Windows values; other back ends map them).
inline constexpr std::uint32_t k_enable_processed_input = 0x0001;
inline constexpr std::uint32_t k_enable_line_input = 0x0002;
inline constexpr std::uint32_t k_enable_echo_input = 0x0004;
inline constexpr std::uint32_t k_enable_window_input = 0x0008;
inline constexpr std::uint32_t k_enable_mouse_input = 0x0010;
inline constexpr std::uint32_t k_enable_extended_flags = 0x0080;
inline constexpr std::uint32_t k_enable_virtual_terminal_input = 0x0200;
inline constexpr std::uint32_t k_enable_virtual_terminal_processing = 0x0004;  // output handle

// Console input record kinds and mouse flags (Windows values).
inline constexpr std::uint16_t k_key_event = 0x0001;
inline constexpr std::uint16_t k_mouse_event = 0x0002;
inline constexpr std::uint16_t k_window_buffer_size_event = 0x0004;
inline constexpr std::uint16_t k_menu_event = 0x0008;
inline constexpr std::uint16_t k_focus_event = 0x0010;
inline constexpr std::uint32_t k_from_left_1st_button_pressed = 0x0001;
inline constexpr std::uint32_t k_rightmost_button_pressed = 0x0002;
inline constexpr std::uint32_t k_from_left_2nd_button_pressed = 0x0004;
inline constexpr std::uint32_t k_mouse_moved = 0x0001;
inline constexpr std::uint32_t k_double_click = 0x0002;
inline constexpr std::uint32_t k_mouse_wheeled = 0x0004;
inline constexpr std::uint32_t k_mouse_hwheeled = 0x0008;

// wait_input without a time limit (INFINITE).
inline constexpr std::uint32_t k_wait_forever = 0xFFFFFFFF;

// Console control events.
inline constexpr std::uint32_t k_ctrl_c_event = 0;
inline constexpr std::uint32_t k_ctrl_break_event = 1;
inline constexpr std::uint32_t k_ctrl_close_event = 2;
inline constexpr std::uint32_t k_ctrl_logoff_event = 5;
inline constexpr std::uint32_t k_ctrl_shutdown_event = 6;

struct coord {
    std::int16_t x = 0;
    std::int16_t y = 0;
};

struct small_rect {
    std::int16_t left = 0;
    std::int16_t top = 0;
    std::int16_t right = 0;
    std::int16_t bottom = 0;
};

// What GetConsoleScreenBufferInfo reports: buffer size, cursor, current attribute, the window
// (its top and bottom rows in buffer coordinates) and the largest possible window.
struct screen_info {
    coord size;
    coord cursor;
    std::uint16_t attributes = 0x0007;
    small_rect window;
    coord max_window;
};

struct key_record {
    bool key_down = false;
    std::uint16_t repeat = 0;
    std::uint16_t virtual_key = 0;
    std::uint16_t scan_code = 0;
    char ch = 0;  // the ANSI character
    std::uint32_t control_keys = 0;
};

struct mouse_record {
    coord position;
    std::uint32_t button_state = 0;  // high 16 bits: signed wheel delta
    std::uint32_t control_keys = 0;
    std::uint32_t event_flags = 0;
};

// One console input record; only the member named by event_type means anything.
struct input_record {
    std::uint16_t event_type = 0;
    key_record key;
    mouse_record mouse;
};

// Result of one single-byte read from the input handle.
enum class byte_read {
    ok,      // one byte read
    none,    // the call succeeded but delivered no byte (end of input on a pipe or file)
    failed,  // the call failed
};

// The streams of the C runtime.
enum class std_stream { input = 0, output = 1, error = 2 };

class platform {
public:
    virtual ~platform() = default;

    // --- handles and terminals
    virtual handle_t std_input_handle() = 0;   // GetStdHandle(STD_INPUT_HANDLE)
    virtual handle_t std_output_handle() = 0;  // GetStdHandle(STD_OUTPUT_HANDLE)
    virtual bool is_tty(std_stream s) = 0;     // _isatty(_fileno(stream))

    // --- console modes
    virtual bool get_console_mode(handle_t h, std::uint32_t* mode) = 0;
    virtual bool set_console_mode(handle_t h, std::uint32_t mode) = 0;

    // --- input
    virtual byte_read read_byte(handle_t h, unsigned char* byte) = 0;  // ReadFile, one byte
    // PeekConsoleInputA / ReadConsoleInputA of at most one record; *count = records returned.
    virtual bool peek_console_input(handle_t h, input_record* record, std::uint32_t* count) = 0;
    virtual bool read_console_input(handle_t h, input_record* record, std::uint32_t* count) = 0;
    // Waits at most timeout_ms (k_wait_forever: without limit) until the input has something to
    // look at: a byte, a console input record, the end of input, or (on a terminal) news that the
    // window changed size or the process came back from a stop, which peek_console_input then
    // reports as a window-buffer-size record. False when the time ran out.
    virtual bool wait_input(handle_t h, std::uint32_t timeout_ms) = 0;
    // _getwch: one key code, blocking; 0xFFFF (WEOF) when the runtime has none to give.
    virtual std::uint32_t getwch() = 0;
    // True once the input reported end of input or a permanent error: the terminal is gone and
    // reading again can never deliver a key. Never true on the Windows console.
    virtual bool input_closed() = 0;
    // One line from standard input, fgets-style: at most size-1 bytes, line end kept, NUL added.
    // False at end of input or on an error.
    virtual bool read_line(char* buffer, int size) = 0;

    // --- screen buffer
    virtual bool get_screen_buffer_info(handle_t h, screen_info* info) = 0;
    // The window's size in cells (columns in x, rows in y). By default taken from
    // get_screen_buffer_info; a terminal back end answers it without asking the terminal where
    // the cursor is, which costs a round trip to the terminal.
    virtual bool get_window_size(handle_t h, coord* size) {
        screen_info info;
        if (size == nullptr || !get_screen_buffer_info(h, &info)) return false;
        size->x = static_cast<std::int16_t>(info.window.right - info.window.left + 1);
        size->y = static_cast<std::int16_t>(info.window.bottom - info.window.top + 1);
        return true;
    }
    virtual bool set_screen_buffer_size(handle_t h, coord size) = 0;
    virtual bool set_cursor_position(handle_t h, coord pos) = 0;
    virtual bool set_text_attribute(handle_t h, std::uint16_t attributes) = 0;
    virtual bool fill_output_character(handle_t h, char ch, std::uint32_t length, coord start,
                                       std::uint32_t* written) = 0;
    virtual bool fill_output_attribute(handle_t h, std::uint16_t attributes, std::uint32_t length, coord start,
                                       std::uint32_t* written) = 0;
    // ScrollConsoleScreenBufferA; clip may be null.
    virtual bool scroll_screen_buffer(handle_t h, const small_rect& scroll, const small_rect* clip, coord dest,
                                      char fill_ch, std::uint16_t fill_attributes) = 0;

    // --- output streams (the runtime's standard output and standard error)
    virtual void write_output(std::string_view bytes) = 0;
    virtual void flush_output() = 0;
    virtual void write_error(std::string_view bytes) = 0;
    // Appends to a file opened in append text mode and closes it again; false when it cannot
    // be opened (or written).
    virtual bool append_to_file(const char* path, std::string_view bytes) = 0;

    // --- environment (the process environment that child processes inherit)
    // False when the variable is unset; *value is then empty.
    virtual bool get_env(const char* name, std::string* value) = 0;
    virtual bool set_env(const char* name, const char* value) = 0;

    // --- time
    virtual std::uint32_t tick_count() = 0;    // GetTickCount: milliseconds, wraps after 49.7 days
    virtual std::uint64_t tick_count64() = 0;  // GetTickCount64
    virtual double clock_seconds() = 0;        // the typing timers' seconds (a wall clock)
    virtual void sleep_ms(std::uint32_t ms) = 0;

    // --- console control handler: installs or removes console_ctrl_handler (raw_mode.h); a
    // terminal installs its signal handlers instead (termination signals put the terminal back,
    // stop and continue leave and re-enter raw mode, a resize is reported as a record).
    virtual bool set_ctrl_handler(bool add) = 0;
    // What the handler writes when a signal ends the process in raw mode, after putting the
    // terminal back: the bytes that take the cursor below what a menu drew, so the shell's next
    // words start there (at most 31 bytes; empty: nothing). A console ends its programs without
    // a word on the screen, so the default keeps nothing.
    virtual void set_exit_bytes(std::string_view bytes) { (void)bytes; }

    // --- memory the caller's status depends on (malloc / realloc / free semantics)
    virtual void* allocate(std::size_t size) = 0;
    virtual void* reallocate(void* block, std::size_t size) = 0;
    virtual void release(void* block) = 0;
};

// The platform the exported functions run on: the real one for this build unless a test
// installed another with platform_override.
platform& current_platform();

// The real implementation of this build (defined in platform_win32.cc or platform_posix.cc).
platform& native_platform();

// Makes the exports run on another platform for the lifetime of the object (tests).
class platform_override {
public:
    explicit platform_override(platform& p);
    ~platform_override();
    platform_override(const platform_override&) = delete;
    platform_override& operator=(const platform_override&) = delete;

private:
    platform* previous_;
};

// printf-style formatting into a string / into sys.write_output (no flush).
std::string format_v(const char* format, std::va_list args);
void out_printf(platform& sys, const char* format, ...) PLM_PRINTF_LIKE(2, 3);

// True when the variable is set, not empty and not exactly "0" (the VLM_* switches).
bool env_switch_on(platform& sys, const char* name);

}  // namespace plm
