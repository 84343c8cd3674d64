// Shows what the readers make of a real terminal's bytes: enters raw mode as every prompt and
// menu does, then writes one line per delivered event to the file named on the command line
//   key=<code> ch=<ch>            or   mouse x=<x> y=<y> button=<b> released=<r>
// until the letter q arrives, or "gone" when the terminal went away. Exit code 0 after q, 3 when
// the terminal went away, 1 when raw mode could not be entered.
#include <cstdio>

#include "decoder.h"
#include "platform.h"
#include "raw_mode.h"

namespace {

void append_line(const char* path, const char* line) {
    std::FILE* f = std::fopen(path, "a");
    if (f == nullptr) return;
    std::fputs(line, f);
    std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: plm_keylog LOGFILE\n");
        return 2;
    }
    plm::platform& sys = plm::current_platform();
    plm::handle_t in = sys.std_input_handle();
    plm::handle_t out = sys.std_output_handle();
    std::uint32_t saved_in = 0;
    std::uint32_t saved_out = 0;
    std::int32_t vt_input = 0;
    if (plm::stdio_is_tty(sys) != 1 || plm::raw_mode_enter(sys, in, out, &saved_in, &saved_out, &vt_input) != 1) {
        std::fprintf(stderr, "plm_keylog: not a terminal\n");
        return 1;
    }
    sys.write_output(vt_input == 1 ? "KEYLOG READY\n" : "KEYLOG READY (no VT input)\n");
    sys.flush_output();
    plm_input_decoder decoder;
    plm::decoder_reset(&decoder);
    int rc = 0;
    for (;;) {
        plm_key_event key{};
        plm_mouse_event mouse{};
        if (plm::read_event(sys, in, &decoder, &key, &mouse) != 1 && plm::read_key_getwch(sys, &key) != 1) {
            if (sys.input_closed()) {
                append_line(argv[1], "gone\n");
                rc = 3;
                break;
            }
            continue;
        }
        char line[96];
        if (mouse.valid != 0) {
            std::snprintf(line, sizeof line, "mouse x=%d y=%d button=%d released=%d\n", mouse.x, mouse.y, mouse.button,
                          mouse.released);
        } else {
            std::snprintf(line, sizeof line, "key=%d ch=%u\n", key.key, key.ch);
        }
        if (key.key == PLM_KEY_CHAR && key.ch == 'q') break;
        append_line(argv[1], line);
    }
    plm::raw_mode_leave(sys, in, out, saved_in, saved_out);
    return rc;
}
