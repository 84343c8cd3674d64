// The POSIX terminal back end.
//
// PENDING (issue 7, plm-posix): the terminal half is not built yet. Until it is, every console
// call below fails, so raw mode cannot be entered and the prompt and menus take their
// plain-text paths; the streams, environment, clocks and memory already work.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform_stdio.h"

namespace plm {

namespace {

std::uint64_t monotonic_ms() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

class posix_platform final : public stdio_platform {
public:
    handle_t std_input_handle() override { return &input_fd_; }
    handle_t std_output_handle() override { return &output_fd_; }
    bool is_tty(std_stream s) override { return isatty(static_cast<int>(s)) == 1; }

    bool get_console_mode(handle_t, std::uint32_t*) override { return false; }
    bool set_console_mode(handle_t, std::uint32_t) override { return false; }

    byte_read read_byte(handle_t, unsigned char*) override { return byte_read::failed; }
    bool peek_console_input(handle_t, input_record*, std::uint32_t* count) override {
        *count = 0;
        return false;
    }
    bool read_console_input(handle_t, input_record*, std::uint32_t* count) override {
        *count = 0;
        return false;
    }
    std::uint32_t getwch() override { return 0xFFFF; }
    bool input_closed() override { return true; }

    bool get_screen_buffer_info(handle_t, screen_info*) override { return false; }
    bool set_screen_buffer_size(handle_t, coord) override { return false; }
    bool set_cursor_position(handle_t, coord) override { return false; }
    bool set_text_attribute(handle_t, std::uint16_t) override { return false; }
    bool fill_output_character(handle_t, char, std::uint32_t, coord, std::uint32_t* written) override {
        if (written != nullptr) {
            *written = 0;
        }
        return false;
    }
    bool fill_output_attribute(handle_t, std::uint16_t, std::uint32_t, coord, std::uint32_t* written) override {
        if (written != nullptr) {
            *written = 0;
        }
        return false;
    }
    bool scroll_screen_buffer(handle_t, const small_rect&, const small_rect*, coord, char, std::uint16_t) override {
        return false;
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

    std::uint32_t tick_count() override { return static_cast<std::uint32_t>(monotonic_ms()); }
    std::uint64_t tick_count64() override { return monotonic_ms(); }
    // clock() is processor time on POSIX; the typing timers need wall-clock seconds.
    double clock_seconds() override { return static_cast<double>(monotonic_ms()) / 1000.0; }
    void sleep_ms(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    bool set_ctrl_handler(bool) override { return true; }

private:
    int input_fd_ = STDIN_FILENO;
    int output_fd_ = STDOUT_FILENO;
};

} // namespace

platform& native_platform() {
    static posix_platform instance;
    return instance;
}

} // namespace plm
