#include "menu_screen.h"

#include <algorithm>
#include <cstdint>

#include "console_text.h"
#include "raw_mode.h"

namespace plm {

namespace {

constexpr uint16_t k_blank_attributes = 0x0007;  // grey on black

// Menus run one at a time on the caller's thread.
int32_t g_last_frame_row = -1;

coord row_start(int32_t row) {
    coord c;
    c.x = 0;
    c.y = static_cast<int16_t>(row);
    return c;
}

}  // namespace

draw_target menu_draw_target(platform& sys, handle_t out, const menu_geometry& g) {
    draw_target t;
    t.handle_valid = handle_is_valid(out);
    uint32_t mode = 0;
    t.vt_output = t.handle_valid && sys.get_console_mode(out, &mode) && (mode & k_enable_virtual_terminal_processing);
    t.width = g.width;
    t.columns = g.columns;
    t.win_top = g.win_top;
    return t;
}

void play_frame(platform& sys, handle_t out, const draw_list& frame) {
    if (frame.last_row >= 0) g_last_frame_row = frame.last_row;
    const bool console_text = handle_is_valid(out) && !output_takes_vt(sys, out);
    bool pending_text = false;
    for (const draw_op& op : frame.ops) {
        if (op.kind == draw_op::text) {
            const std::string_view text = std::string_view(frame.bytes).substr(op.begin, op.end - op.begin);
            console_text ? write_console_text(sys, out, text) : sys.write_output(text);
            pending_text = true;
            continue;
        }
        // Console calls act at once; text still buffered in standard output must
        // reach the screen first, or it would land where the cursor moves next.
        if (pending_text) {
            sys.flush_output();
            pending_text = false;
        }
        if (op.kind == draw_op::api_scroll_up || op.kind == draw_op::api_scroll_down) {
            menu_geometry g;
            g.start_row = op.row;
            g.width = op.width;
            g.visible_rows = op.rows;
            scroll_list(sys, out, g, op.kind == draw_op::api_scroll_up);
            continue;
        }
        coord at = row_start(op.row);
        if (op.kind == draw_op::api_clear_row) {
            uint32_t written = 0;
            uint32_t cells = op.width > 0 ? static_cast<uint32_t>(op.width) : 0;
            sys.fill_output_character(out, ' ', cells, at, &written);
            sys.fill_output_attribute(out, k_blank_attributes, cells, at, &written);
        }
        sys.set_cursor_position(out, at);
    }
    sys.flush_output();
}

void ensure_buffer_rows(platform& sys, handle_t out, int32_t rows_needed) {
    screen_info info;
    if (!handle_is_valid(out) || !sys.get_screen_buffer_info(out, &info)) return;
    int32_t wanted = buffer_rows_wanted(info, rows_needed);
    if (wanted == 0) return;
    coord size;
    size.x = info.size.x;
    size.y = static_cast<int16_t>(wanted);
    sys.set_screen_buffer_size(out, size);
}

void scroll_list(platform& sys, handle_t out, const menu_geometry& g, bool up) {
    if (!handle_is_valid(out) || g.visible_rows <= 1 || g.width < 1) return;
    int32_t first = up ? g.start_row + 1 : g.start_row;
    int32_t last = up ? g.start_row + g.visible_rows - 1 : g.start_row + g.visible_rows - 2;
    if (last < first) return;
    small_rect rect;
    rect.left = 0;
    rect.top = static_cast<int16_t>(first);
    rect.right = static_cast<int16_t>(g.width - 1);
    rect.bottom = static_cast<int16_t>(last);
    sys.scroll_screen_buffer(out, rect, nullptr, row_start(up ? g.start_row : g.start_row + 1), ' ',
                             k_blank_attributes);
}

menu_measure measure_menu_window(platform& sys, handle_t out) {
    menu_measure m;
    m.have_first = sys.get_screen_buffer_info(out, &m.first);
    m.have_second = handle_is_valid(out) && sys.get_screen_buffer_info(out, &m.second);
    return m;
}

menu_measure measure_after_change(platform& sys, handle_t out, int32_t& anchor) {
    menu_measure m = measure_menu_window(sys, out);
    if (m.have_first && g_last_frame_row >= 0) anchor += m.first.cursor.y - g_last_frame_row;
    m.first.cursor.y = static_cast<int16_t>(std::clamp<int32_t>(anchor, 0, INT16_MAX));
    return m;
}

void clear_menu_area(platform& sys, handle_t out, const menu_geometry& g) {
    draw_list frame;
    draw_target t = menu_draw_target(sys, out, g);
    for (int32_t row = g.start_row; row <= g.win_bottom; ++row) clear_row(frame, t, row);
    play_frame(sys, out, frame);
}

menu_measure show_title_and_measure(platform& sys, handle_t out, const char* title) {
    g_last_frame_row = -1;
    if (title != nullptr && *title != '\0') {
        coord size;
        draw_list line;
        render_title(line, title, sys.get_window_size(out, &size) && size.x > 0 ? size.x : 80);
        sys.write_output(line.bytes);
        // The cursor row measured next must already count the title's line.
        sys.flush_output();
    }
    return measure_menu_window(sys, out);
}

int read_menu_event(platform& sys, handle_t in, plm_input_decoder* decoder, plm_key_event* key, plm_mouse_event* mouse,
                    int32_t win_top) {
    for (;;) {
        *mouse = plm_mouse_event{};
        bool from_vt = false;
        const int got = read_event(sys, in, decoder, key, mouse, &from_vt);
        if (got == k_read_screen_changed) return got;
        if (got == 1) {
            if (mouse->valid) mouse->y = mouse_buffer_row(mouse->y, from_vt, win_top);
            return 1;
        }
        if (read_key_getwch(sys, key) == 1) return 1;
        if (sys.input_closed()) return 0;
    }
}

menu_clock menu_now(platform& sys) {
    menu_clock c;
    c.seconds = sys.clock_seconds();
    c.tick = sys.tick_count();
    c.tick64 = sys.tick_count64();
    return c;
}

menu_raw_mode::menu_raw_mode(platform& sys, handle_t in, handle_t out) : sys_(sys), in_(in), out_(out) {
    int32_t vt_input = 0;  // the menus read both sources whatever the input mode
    entered_ = raw_mode_enter(sys, in, out, &saved_in_, &saved_out_, &vt_input) == 1;
}

menu_raw_mode::~menu_raw_mode() {
    if (entered_) {
        sys_.set_exit_bytes({});
        raw_mode_leave(sys_, in_, out_, saved_in_, saved_out_);
    }
    // Asked again: leaving raw mode gave the output its own mode back, VT processing or not.
    if (last_row_ >= 0) play_frame(sys_, out_, below_menu());
}

void menu_raw_mode::leave_below(const menu_geometry& g, int32_t last_row) {
    geo_ = g;
    last_row_ = last_row;
    const draw_list below = below_menu();
    if (below.ops.size() == 1 && below.ops[0].kind == draw_op::text) sys_.set_exit_bytes(below.bytes);
}

draw_list menu_raw_mode::below_menu() const {
    draw_list below;
    move_to_row(below, menu_draw_target(sys_, out_, geo_), last_row_);
    below.append("\n");
    return below;
}

}  // namespace plm
