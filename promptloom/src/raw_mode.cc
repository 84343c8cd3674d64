#include "raw_mode.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <string>

#include "frame.h"

namespace plm {

namespace {

std::atomic<std::int32_t> g_raw_mode_count{0};

// The outermost open scope, for the control handler, which runs on a thread of its own: written
// before the handler is installed, cleared before it is removed.
struct outer_scope {
    platform* sys = nullptr;
    handle_t in = nullptr;
    handle_t out = nullptr;
    std::uint32_t saved_in = 0;
    std::uint32_t saved_out = 0;
};
outer_scope g_outer;
std::atomic<bool> g_outer_open{false};

struct getwch_key {
    std::uint32_t code;
    std::int32_t key;
};

constexpr std::array<getwch_key, 5> k_getwch_plain{{
    {0x1B, PLM_KEY_ESCAPE},
    {0x03, PLM_KEY_CTRL_C},
    {0x0D, PLM_KEY_ENTER},
    {0x08, PLM_KEY_BACKSPACE},
    {0x09, PLM_KEY_TAB},
}};

// Second codes after a 0x00 or 0xE0 prefix.
constexpr std::array<getwch_key, 9> k_getwch_extended{{
    {0x47, PLM_KEY_HOME},
    {0x48, PLM_KEY_UP},
    {0x49, PLM_KEY_PAGE_UP},
    {0x4B, PLM_KEY_LEFT},
    {0x4D, PLM_KEY_RIGHT},
    {0x4F, PLM_KEY_END},
    {0x50, PLM_KEY_DOWN},
    {0x51, PLM_KEY_PAGE_DOWN},
    {0x53, PLM_KEY_DELETE},
}};

template <std::size_t N>
std::int32_t lookup(const std::array<getwch_key, N>& table, std::uint32_t code) {
    for (const getwch_key& k : table) {
        if (k.code == code) {
            return k.key;
        }
    }
    return PLM_KEY_NONE;
}

// Translates one console mouse record. False for a record that carries no mouse action for us
// (double click, horizontal wheel): it is consumed, x and y keep its values.
bool translate_mouse_record(platform& sys, const mouse_record& m, plm_mouse_event& out) {
    out.x = m.position.x;
    out.y = m.position.y;
    if ((m.event_flags & k_mouse_wheeled) != 0) {
        const auto delta = static_cast<std::int16_t>(static_cast<std::uint16_t>(m.button_state >> 16));
        out.button = delta > 0 ? 64 : 65;
        out.released = 0;
        out.valid = 1;
        plm_debug_log(sys, "[PLM_DBG] console_mouse WHEEL x=%d y=%d btn=%d\n", out.x, out.y, out.button);
        return true;
    }
    if ((m.event_flags & k_mouse_moved) != 0) {
        out.button = 32;
        out.released = 0;
        out.valid = 1;
        plm_debug_log(sys, "[PLM_DBG] console_mouse MOVE x=%d y=%d\n", out.x, out.y);
        return true;
    }
    if (m.event_flags != 0) {
        return false;
    }
    if (m.button_state == 0) {
        out.button = 3;
        out.released = 1;
    } else {
        out.released = 0;
        if ((m.button_state & k_from_left_1st_button_pressed) != 0) {
            out.button = 0;
        } else if ((m.button_state & k_from_left_2nd_button_pressed) != 0) {
            out.button = 1;
        } else if ((m.button_state & k_rightmost_button_pressed) != 0) {
            out.button = 2;
        } else {
            out.button = 0;
        }
    }
    out.valid = 1;
    plm_debug_log(sys, "[PLM_DBG] console_mouse BTN x=%d y=%d btn=%d rel=%d\n", out.x, out.y, out.button, out.released);
    return true;
}

// The console-record path: 1 when a mouse event was delivered, 0 to go on with bytes.
int read_console_mouse(platform& sys, handle_t in, plm_key_event* key, plm_mouse_event& mouse) {
    input_record head;
    std::uint32_t count = 0;
    if (!sys.peek_console_input(in, &head, &count) || count < 1 || head.event_type != k_mouse_event) {
        return 0;
    }
    input_record record;
    count = 0;
    if (!sys.read_console_input(in, &record, &count) || count < 1) {
        return 0;
    }
    if (!translate_mouse_record(sys, record.mouse, mouse)) {
        return 0;
    }
    if (key != nullptr) {
        *key = plm_key_event{};
    }
    return 1;
}

// Without VT processing the console would show the sequences as text; no report was asked for then.
void mouse_reports_off(platform& sys, handle_t out) {
    if (!output_takes_vt(sys, out)) return;
    for (const char* sequence : k_mouse_off_sequences) {
        sys.write_output(sequence);
    }
    sys.flush_output();
}

// What the input holds next, as far as the console's record queue tells.
enum class input_wait { byte, mouse, changed, timed_out };

// Waits for the next thing to read. With an ESC pending (a limited wait) a mouse record also
// settles it as the Escape key: no key sequence goes on with a mouse action. Records that carry no
// byte (key releases, focus and menu records) would be skipped by the byte read too; they are
// taken here so that the wait goes on for a byte (each restarts it; they come one per key).
input_wait await_input(platform& sys, handle_t in, std::uint32_t wait_ms, bool records) {
    const bool escape_pending = wait_ms != k_wait_forever;
    for (;;) {
        if (!sys.wait_input(in, wait_ms)) {
            return input_wait::timed_out;
        }
        input_record head;
        std::uint32_t count = 0;
        if (!sys.peek_console_input(in, &head, &count) || count < 1) {
            return input_wait::byte;
        }
        const std::uint16_t type = head.event_type;
        if (type == k_window_buffer_size_event) {
            (void)sys.read_console_input(in, &head, &count);
            return input_wait::changed;
        }
        if (type == k_mouse_event && escape_pending) {
            return input_wait::timed_out;
        }
        if (type == k_mouse_event && records) {
            return input_wait::mouse;
        }
        const bool no_byte =
            (type == k_key_event && !head.key.key_down) || type == k_focus_event || type == k_menu_event;
        if (!no_byte || !sys.read_console_input(in, &head, &count)) {
            return input_wait::byte;
        }
    }
}

}  // namespace

std::uint32_t escape_wait_ms(platform& sys) {
    std::string value;
    if (!sys.get_env("VLM_ESCAPE_MS", &value) || value.empty() ||
        value.find_first_not_of("0123456789") != std::string::npos) {
        return k_escape_wait_default_ms;
    }
    const unsigned long ms = std::strtoul(value.c_str(), nullptr, 10);
    return ms > 1000 ? 1000 : static_cast<std::uint32_t>(ms);
}

bool output_takes_vt(platform& sys, handle_t out) {
    std::uint32_t mode = 0;
    return sys.get_console_mode(out, &mode) && (mode & k_enable_virtual_terminal_processing) != 0;
}

int stdio_is_tty(platform& sys) { return sys.is_tty(std_stream::input) && sys.is_tty(std_stream::output) ? 1 : 0; }

int raw_mode_enter(platform& sys, handle_t in, handle_t out, std::uint32_t* saved_in, std::uint32_t* saved_out,
                   std::int32_t* vt_input) {
    if (saved_in == nullptr || saved_out == nullptr || vt_input == nullptr) {
        return 0;
    }
    std::uint32_t in_mode = 0;
    std::uint32_t out_mode = 0;
    if (!sys.get_console_mode(in, &in_mode) || !sys.get_console_mode(out, &out_mode)) {
        return 0;
    }
    const std::uint32_t raw = ((in_mode | k_raw_input_add) & ~k_raw_input_remove) | k_enable_virtual_terminal_input;
    // Consoles without VT input still deliver mouse records; an input that takes neither mode
    // would be read in cooked mode, a loop that never sees a key.
    const std::int32_t vt = sys.set_console_mode(in, raw) ? 1 : 0;
    if (vt == 0 && !sys.set_console_mode(
                       in, ((in_mode | k_raw_input_add) & ~k_raw_input_remove_fallback) | k_enable_mouse_input)) {
        return 0;
    }
    *saved_in = in_mode;
    *saved_out = out_mode;
    *vt_input = vt;
    // A console that mishandles VT output is drawn with console calls instead, on request.
    const bool console_calls = env_switch_on(sys, "VLM_FORCE_CONSOLE_OUTPUT");
    (void)sys.set_console_mode(out, console_calls ? out_mode & ~k_enable_virtual_terminal_processing
                                                  : out_mode | k_enable_virtual_terminal_processing);

    if (output_takes_vt(sys, out)) {
        for (const char* sequence : k_mouse_on_sequences) {
            sys.write_output(sequence);
        }
        sys.flush_output();
    }

    if (g_raw_mode_count.fetch_add(1) + 1 == 1) {
        g_outer = outer_scope{&sys, in, out, in_mode, out_mode};
        g_outer_open.store(true);
        (void)sys.set_ctrl_handler(true);
    }
    return 1;
}

int raw_mode_leave(platform& sys, handle_t in, handle_t out, std::uint32_t saved_in, std::uint32_t saved_out) {
    if (g_raw_mode_count.fetch_sub(1) - 1 <= 0) {
        mouse_reports_off(sys, out);
        // An unmatched leave must not drive the count negative: the next enter has to see 0 -> 1.
        g_raw_mode_count.store(0);
        g_outer_open.store(false);
        (void)sys.set_ctrl_handler(false);
    }
    (void)sys.set_console_mode(in, saved_in);
    return sys.set_console_mode(out, saved_out) ? 1 : 0;
}

int console_ctrl_handler(std::uint32_t control_type) {
    if (control_type == k_ctrl_c_event) {
        return 1;
    }
    if (g_outer_open.load()) {
        platform& sys = *g_outer.sys;
        mouse_reports_off(sys, g_outer.out);
        (void)sys.set_console_mode(g_outer.in, g_outer.saved_in);
        (void)sys.set_console_mode(g_outer.out, g_outer.saved_out);
    }
    return 0;
}

std::int32_t raw_mode_count() { return g_raw_mode_count.load(); }

int read_event(platform& sys, handle_t in, plm_input_decoder* decoder, plm_key_event* key, plm_mouse_event* mouse,
               bool* mouse_from_vt) {
    if (mouse_from_vt != nullptr) {
        *mouse_from_vt = false;
    }
    if (mouse != nullptr) {
        *mouse = plm_mouse_event{};
    }
    std::uint32_t mode = 0;
    // A console (a terminal) can be waited on and tells of size changes; a file or pipe is read.
    const bool console = in != nullptr && sys.get_console_mode(in, &mode);
    bool vt = console && (mode & k_enable_virtual_terminal_input) != 0;
    if (env_switch_on(sys, "VLM_FORCE_CONSOLE_INPUT")) {
        vt = false;
    }
    const bool bytes_only = env_switch_on(sys, "VLM_FORCE_VT_BYTES") || vt || in == nullptr || mouse == nullptr;
    if (!bytes_only && read_console_mouse(sys, in, key, *mouse) == 1) {
        return 1;
    }

    plm_input_decoder scratch{};
    plm_input_decoder* d = decoder != nullptr ? decoder : &scratch;
    plm_decode_result r{};
    for (;;) {
        if (console) {
            const bool escape = d->state == k_decoder_escape;
            const input_wait next =
                await_input(sys, in, escape ? escape_wait_ms(sys) : k_wait_forever, !bytes_only && !escape);
            if (next == input_wait::changed) {
                return k_read_screen_changed;
            }
            if (next == input_wait::timed_out) {
                decoder_lone_escape(*d, r);
                break;
            }
            if (next == input_wait::mouse) {
                if (read_console_mouse(sys, in, key, *mouse) == 1) {
                    return 1;
                }
                continue;
            }
        }
        unsigned char byte = 0;
        if (sys.read_byte(in, &byte) != byte_read::ok) {
            return 0;
        }
        if (decoder_feed(d, byte, &r) == 1) {
            break;
        }
    }
    if (r.mouse == 0) {
        if (key != nullptr) {
            key->key = r.key;
            key->ch = static_cast<std::uint32_t>(r.ch);
            key->reserved = 0;
        }
        return 1;
    }
    if (mouse != nullptr) {
        mouse->x = r.x > 0 ? r.x - 1 : 0;
        mouse->y = r.y > 0 ? r.y - 1 : 0;
        mouse->button = r.button;
        mouse->released = r.released;
        mouse->valid = 1;
        if (mouse_from_vt != nullptr) {
            *mouse_from_vt = true;
        }
        plm_debug_log(sys, "[PLM_DBG] vt_mouse x=%d y=%d btn=%d rel=%d\n", mouse->x, mouse->y, mouse->button,
                      mouse->released);
    }
    if (key != nullptr) {
        *key = plm_key_event{};
    }
    return 1;
}

int read_key_getwch(platform& sys, plm_key_event* key) {
    if (key == nullptr) {
        return 0;
    }
    const std::uint32_t c = sys.getwch();
    *key = plm_key_event{};
    std::int32_t mapped = lookup(k_getwch_plain, c);
    if (mapped == PLM_KEY_NONE && (c == 0x00 || c == 0xE0)) {
        mapped = lookup(k_getwch_extended, sys.getwch());
    } else if (mapped == PLM_KEY_NONE && c >= 0x20 && c <= 0x7E) {
        mapped = PLM_KEY_CHAR;
        key->ch = c;
    }
    key->key = mapped;
    return mapped != PLM_KEY_NONE ? 1 : 0;
}

}  // namespace plm
