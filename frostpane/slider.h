// The interactive slider: a one-line bar of the opacity, changed with the arrow keys; inside
// Windows Terminal Space switches between acrylic blur and plain transparency.
//
// Escape sequences written (the console output mode gets ENABLE_VIRTUAL_TERMINAL_PROCESSING at
// start, and its own mode back when the slider leaves):
//   ESC [2J ESC [H     clear the screen once, cursor home
//   ESC [3;1H ESC [2K  cursor to row 3, column 1, erase the row (each redraw)
// The help line two rows below is written over with the same text each time.
#pragma once

#include <string>

#include "platform.h"

namespace frostpane {

struct slider_state {
    int value = 80;       // shown and applied; a start value stays as read until the first arrow
    bool blur = false;    // acrylic mode; only switched inside Windows Terminal
    bool inside = false;  // WT_SESSION existed at start; fixed for the run
};

// What the loop does after a key: only the pause, apply + redraw + pause, or leave.
enum class slider_effect { idle, apply, leave };

// Arrows and the other extended keys come as this prefix and a second byte, which the loop
// reads at once and passes as `second`. For every other key `second` is not looked at: a
// function key's prefix 0 and the byte after it are two keys of their own.
inline constexpr unsigned char extended_key_prefix = 0xE0;

slider_effect slider_key(slider_state& state, unsigned char key, unsigned char second);

// The bytes of one redraw of the bar line and the help line.
std::string slider_frame(int value, bool blur, bool inside);

// Writes one redraw; it reaches the console at once.
void draw_slider(platform& os, int value, bool blur, bool inside);

// Returns when Enter or Esc is pressed; every change goes through set_transparency at once.
// False when any of them failed (its message went to standard error; the slider went on).
bool run_slider(platform& os);

}  // namespace frostpane
