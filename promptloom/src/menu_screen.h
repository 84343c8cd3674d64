// The console side shared by both interactive menus: carrying out a frame built
// by the pure core, growing the screen buffer, one-row scrolls, measuring the
// window, and reading one event in the menus' way.
#pragma once

#include <cstdint>

#include "decoder.h"
#include "menu_core.h"
#include "platform.h"
#include "promptloom.h"

namespace plm {

// How rows reach this console: VT output is on when the output handle is
// valid and its mode shows VT processing.
draw_target menu_draw_target(platform& sys, handle_t out, const menu_geometry& g);

// Writes the frame in order (text to standard output, console calls on `out`)
// and flushes standard output: with VT output, one write for the whole frame.
void play_frame(platform& sys, handle_t out, const draw_list& frame);

// Grows the screen buffer so that `rows_needed` rows (+1) exist; never shrinks
// it, never beyond 32000 rows.
void ensure_buffer_rows(platform& sys, handle_t out, int32_t rows_needed);

// Moves the shown list rows one row up (`up`) or down with one console call.
void scroll_list(platform& sys, handle_t out, const menu_geometry& g, bool up);

// The two screen-buffer queries of the layout: the cursor row, then width and
// window (the second only with a valid handle).
struct menu_measure {
    screen_info first;
    screen_info second;
    bool have_first = false;
    bool have_second = false;
    const screen_info* cursor() const { return have_first ? &first : nullptr; }
    const screen_info* window() const { return have_second ? &second : nullptr; }
};
menu_measure measure_menu_window(platform& sys, handle_t out);

// Prints the title (when there is one) on its own line, then measures the window below it.
menu_measure show_title_and_measure(platform& sys, handle_t out, const char* title);

// The window measured again after it changed size (or the terminal came back from a stop), the
// cursor row replaced by where the list now starts: a terminal that moves its text on a resize
// moves the cursor with it, so `anchor`, the list's first row, moves as far as the cursor did
// since the last frame. It may leave the window upwards (rows pushed into the history, which a
// later resize may bring back); the layout then starts at the window's top.
menu_measure measure_after_change(platform& sys, handle_t out, int32_t& anchor);

// Clears the rows from the list's first row to the window's last, for a drawing from scratch.
void clear_menu_area(platform& sys, handle_t out, const menu_geometry& g);

// Reads until one key or mouse action arrives: read_event, then
// read_key_getwch, again and again. Mouse rows come back as buffer rows. 1 for
// an event, k_read_screen_changed when the menu must be laid out and drawn
// again, 0 when the input has gone for good.
int read_menu_event(platform& sys, handle_t in, plm_input_decoder* decoder, plm_key_event* key, plm_mouse_event* mouse,
                    int32_t win_top);

menu_clock menu_now(platform& sys);

// Carries out the redraws of one step as one frame, so that a terminal never
// shows half of it: `row(frame, target, index)` draws one list row,
// `bottom(frame, target)` the status or hint line, `full()` the whole list.
template <class Row, class Bottom, class Full>
void apply_redraws(platform& sys, handle_t out, const menu_step& step, const menu_geometry& g, Row row, Bottom bottom,
                   Full full) {
    if (step.n == 0) return;
    const draw_target target = menu_draw_target(sys, out, g);
    draw_list frame;
    for (int k = 0; k < step.n; ++k) {
        const redraw& op = step.ops[k];
        switch (op.kind) {
            case redraw_kind::item:
                row(frame, target, op.index);
                break;
            case redraw_kind::status:
                bottom(frame, target);
                break;
            case redraw_kind::full:
                if (!frame.ops.empty()) play_frame(sys, out, frame);
                frame.clear();
                full();
                break;
            case redraw_kind::scroll_up:
            case redraw_kind::scroll_down:
                frame.api_step(op.kind == redraw_kind::scroll_up ? draw_op::api_scroll_up : draw_op::api_scroll_down,
                               g.start_row, g.width, g.visible_rows);
                break;
        }
    }
    if (!frame.ops.empty()) play_frame(sys, out, frame);
}

// Raw mode for the length of one menu run; every way out leaves it.
class menu_raw_mode {
public:
    menu_raw_mode(platform& sys, handle_t in, handle_t out);
    ~menu_raw_mode();
    menu_raw_mode(const menu_raw_mode&) = delete;
    menu_raw_mode& operator=(const menu_raw_mode&) = delete;
    bool entered() const { return entered_; }
    // Once the menu is left (raw mode first), the cursor goes to column 1 of the row below
    // `last_row`, so the caller's next output starts there; the window scrolls when that row
    // was its last. Also where a signal that ends the process leaves it on a terminal. Told
    // again whenever the menu is laid out anew.
    void leave_below(const menu_geometry& g, int32_t last_row);

private:
    draw_list below_menu() const;

    platform& sys_;
    handle_t in_;
    handle_t out_;
    uint32_t saved_in_ = 0;
    uint32_t saved_out_ = 0;
    bool entered_ = false;
    menu_geometry geo_;
    int32_t last_row_ = -1;
};

}  // namespace plm
