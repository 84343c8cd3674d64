// Raw terminal mode and the two input readers: the bracket and the event sources of every
// interactive operation.
//
// Calling order in a run: stdio_is_tty, raw_mode_enter, decoder_reset, any number of reads,
// raw_mode_leave on every way out. A menu reads like this:
//     mouse = {}; r = read_event(sys, in, &dec, &key, &mouse);
//     if (r == k_read_screen_changed) lay out and draw everything again, read again;
//     if (r == 0 && !read_key_getwch(sys, &key))
//         { if (sys.input_closed()) leave with PLM_ERR_IO; else read again; }
#pragma once

#include <cstdint>

#include "decoder.h"
#include "platform.h"
#include "promptloom.h"

namespace plm {

// Input mode bits: added (window input, extended flags), removed (processed, line, echo, mouse).
inline constexpr std::uint32_t k_raw_input_add = 0x0088;
inline constexpr std::uint32_t k_raw_input_remove = 0x0017;
inline constexpr std::uint32_t k_raw_input_remove_fallback = 0x0007;

inline constexpr const char* k_mouse_on_sequences[4] = {"\x1b[?1000h", "\x1b[?1003h", "\x1b[?1015h", "\x1b[?1006h"};
inline constexpr const char* k_mouse_off_sequences[4] = {"\x1b[?1000l", "\x1b[?1015l", "\x1b[?1006l", "\x1b[?1003l"};

// read_event's answer when no event came but the window changed size, or the terminal was given
// back after a stop: lay out and draw everything again.
inline constexpr int k_read_screen_changed = 2;

// How long a lone ESC waits for the rest of a key sequence before it counts as the Escape key:
// VLM_ESCAPE_MS (0 to 1000 ms; unset, empty or not a number: 50).
inline constexpr std::uint32_t k_escape_wait_default_ms = 50;
std::uint32_t escape_wait_ms(platform& sys);

// True when the output's mode shows VT processing: escape sequences act instead of showing.
bool output_takes_vt(platform& sys, handle_t out);

// 1 when both standard input and standard output are terminals.
int stdio_is_tty(platform& sys);

// Switches the console to raw mode, VT output on (off with VLM_FORCE_CONSOLE_OUTPUT), mouse
// reporting on where VT output is, and installs the control handler when this is the first open
// scope. 1 on success with the saved modes and vt_input (1 when VT input could be set) stored; 0
// when either handle's mode cannot be read, or neither raw input mode can be set (a terminal in an
// orphaned process group refuses every change): nothing changed.
int raw_mode_enter(platform& sys, handle_t in, handle_t out, std::uint32_t* saved_in, std::uint32_t* saved_out,
                   std::int32_t* vt_input);

// The saved modes put back; mouse reporting off and the handler removed when the last scope
// closes (an inner scope found reporting on and leaves it on). The result of the last
// set_console_mode (1 = success).
int raw_mode_leave(platform& sys, handle_t in, handle_t out, std::uint32_t saved_in, std::uint32_t saved_out);

// The console control handler raw mode installs: swallows Ctrl+C (1). Every other event (Ctrl+Break,
// closing the window, log-off, shut-down) takes its default course (0), ending the process, after
// the console modes saved by the outermost open scope are put back and mouse reporting is off, so
// the shell that started the program gets its console back.
int console_ctrl_handler(std::uint32_t control_type);

// Open raw-mode scopes in this process (changed atomically).
std::int32_t raw_mode_count();

// Reads until one key or mouse action is delivered: console mouse records when the console is in
// record mode, else bytes through the decoder. A lone ESC followed by no byte within
// escape_wait_ms is the Escape key. 1 when an event was delivered, 0 when reading failed or the
// input ended, k_read_screen_changed when a window-buffer-size record came first (a half-read
// key sequence stays in the decoder).
// `mouse_from_vt` (may be null) tells where a delivered mouse action came from: VT bytes (rows
// count from the window's top) or a console record (rows count from the buffer's top).
int read_event(platform& sys, handle_t in, plm_input_decoder* decoder, plm_key_event* key, plm_mouse_event* mouse,
               bool* mouse_from_vt = nullptr);

// One key from getwch (0x00/0xE0 prefix codes for the navigation keys). 1 for a key of the
// table, else 0 with the record holding PLM_KEY_NONE.
int read_key_getwch(platform& sys, plm_key_event* key);

}  // namespace plm
