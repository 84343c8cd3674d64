// Raw mode and the readers on a real console (the Win32 back end under Wine in a tmux pane).
// Usage: plm_raw_probe getwch|bytes
// Prints the console modes, enters raw mode, prints READY, then one line per event read until
// the key q, leaves raw mode and prints the modes again.
#include <cstdio>
#include <cstring>

#include "raw_mode.h"

int main(int argc, char** argv) {
    const bool use_getwch = argc > 1 && std::strcmp(argv[1], "getwch") == 0;
    plm::platform& sys = plm::native_platform();
    const plm::handle_t in = sys.std_input_handle();
    const plm::handle_t out = sys.std_output_handle();
    std::uint32_t before_in = 0;
    std::uint32_t before_out = 0;
    sys.get_console_mode(in, &before_in);
    sys.get_console_mode(out, &before_out);
    std::printf("tty=%d\n", plm::stdio_is_tty(sys));

    std::uint32_t saved_in = 0;
    std::uint32_t saved_out = 0;
    std::int32_t vt = 0;
    if (plm::raw_mode_enter(sys, in, out, &saved_in, &saved_out, &vt) != 1) {
        std::printf("raw mode refused\n");
        return 2;
    }
    std::uint32_t raw_in = 0;
    sys.get_console_mode(in, &raw_in);
    std::printf("raw in=0x%x vt=%d count=%d\nREADY\n", static_cast<unsigned>(raw_in), static_cast<int>(vt),
                static_cast<int>(plm::raw_mode_count()));
    std::fflush(stdout);

    plm_input_decoder decoder{};
    for (;;) {
        plm_key_event key{};
        plm_mouse_event mouse{};
        const int got = use_getwch ? plm::read_key_getwch(sys, &key) : plm::read_event(sys, in, &decoder, &key, &mouse);
        std::printf("event got=%d key=%d ch=%u mouse=%d\n", got, static_cast<int>(key.key),
                    static_cast<unsigned>(key.ch), static_cast<int>(mouse.valid));
        std::fflush(stdout);
        if (got == 1 && key.key == PLM_KEY_CHAR && key.ch == 'q') {
            break;
        }
    }
    const int left = plm::raw_mode_leave(sys, in, out, saved_in, saved_out);
    std::uint32_t after_in = 0;
    std::uint32_t after_out = 0;
    sys.get_console_mode(in, &after_in);
    sys.get_console_mode(out, &after_out);
    std::printf("left=%d restored=%d count=%d\nDONE\n", left, after_in == before_in && after_out == before_out ? 1 : 0,
                static_cast<int>(plm::raw_mode_count()));
    return 0;
}
