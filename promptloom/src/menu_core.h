// Pure core of the two interactive menus: layout arithmetic, the key and mouse
// handling as state + step functions, and the line renderers as byte builders.
// Nothing here touches a console; the exported menus feed it events and clock
// readings and carry out the redraws it asks for.
//
// Sequences the menus write (r = buffer row - window top + 1):
//   ESC [ r ; 1 H          cursor to the start of a row
//   ESC [ 2 K              erase the row
//   ESC [ 38;2;R;G;B m     24-bit foreground: 230,237,243 text, 138,180,248 item numbers,
//                          122,209,168 typed digits and ticked items
//   ESC [ 1 m, ESC [ 4 m   bold, underline (highlight and focus)
//   ESC [ 0 m              reset
// Without VT output the rows are cleared and entered with console calls instead
// (fill with blanks in attribute 0x07, cursor position), and the colours and attributes become
// the console's text attributes (console_text.h): the rows look as they do with VT output.
//
// Every row is cut to the window: it never reaches the last column (a terminal would wrap
// there), and a cut row ends in the mark ">" (before the closing reset). Item and title text is
// shown as show_char (text.h) shows foreign text: controls visible, invalid bytes as U+FFFD.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform.h"
#include "promptloom.h"

namespace plm {

// Colours and attributes of both menus.
inline constexpr char menu_text_color[] = "\x1b[38;2;230;237;243m";
inline constexpr char menu_number_color[] = "\x1b[38;2;138;180;248m";
inline constexpr char menu_accent_color[] = "\x1b[38;2;122;209;168m";
inline constexpr char menu_bold[] = "\x1b[1m";
inline constexpr char menu_underline[] = "\x1b[4m";
inline constexpr char menu_reset[] = "\x1b[0m";

// ---------------------------------------------------------------------------
// Layout

struct menu_geometry {
    int32_t start_row = 0;
    int32_t width = 80;    // cells a console row clear or scroll covers (the buffer's width)
    int32_t columns = 80;  // the window's width, which rows are cut to
    int32_t win_top = 0;
    int32_t win_bottom = 24;
    int32_t visible_rows = 1;
};

// `first` is the query made for the cursor row, `second` the one for width and
// window; either is null when it could not be made.
menu_geometry single_menu_layout(const screen_info* first, const screen_info* second, size_t count);
menu_geometry multi_menu_layout(const screen_info* first, const screen_info* second);

// First `top` for the single menu: the start item sits on the last shown row.
size_t single_menu_start_top(size_t selected, int32_t visible_rows);

// Buffer height `ensure_buffer_rows` should set, or 0 when the buffer is tall enough.
int32_t buffer_rows_wanted(const screen_info& info, int32_t rows_needed);

// Double-click interval from the value of VLM_DOUBLE_CLICK_MS (null when unset).
uint32_t read_double_click_ms(const char* value);

// Mouse rows from VT input count from the window's top, console records count
// buffer rows; the menus work in buffer rows.
int32_t mouse_buffer_row(int32_t y, bool from_vt_bytes, int32_t win_top);

// ---------------------------------------------------------------------------
// Drawing: a frame is built in memory as text runs and console-API steps, in
// the order they must reach the console.

struct draw_op {
    enum kind_t : uint8_t { text, api_clear_row, api_move_to_row, api_scroll_up, api_scroll_down };
    kind_t kind = text;
    int32_t row = 0;    // buffer row for the console-API steps (a scroll: the list's first row)
    int32_t width = 0;  // cells to clear for api_clear_row, or to scroll
    int32_t rows = 0;   // rows of the list a scroll moves
    size_t begin = 0;   // byte range in draw_list::bytes for text
    size_t end = 0;
};

struct draw_list {
    std::string bytes;
    std::vector<draw_op> ops;
    int32_t last_row = -1;  // the row the frame leaves the cursor on (-1: it does not move it)

    void clear();
    void append(const char* s);
    void append(const char* s, size_t n);
    void append_uint(uint32_t v);
    // Foreign text as shown, whole characters while they fit in *budget columns; false when
    // something did not fit.
    bool append_shown(const char* s, size_t n, size_t* budget);
    void api_step(draw_op::kind_t kind, int32_t row, int32_t width, int32_t rows = 0);
};

// How rows reach the screen: VT sequences (VT output on, or no usable handle)
// or console-API calls.
struct draw_target {
    bool vt_output = true;     // the output handle shows VT processing
    bool handle_valid = true;  // without a usable handle only VT sequences are left
    int32_t width = 80;
    int32_t columns = 80;  // rows are cut to this
    int32_t win_top = 0;   // VT cursor rows count from the window's top

    bool positions_by_vt() const { return vt_output || !handle_valid; }
};

void clear_row(draw_list& out, const draw_target& t, int32_t row);
void move_to_row(draw_list& out, const draw_target& t, int32_t row);

// The title line: shown and cut like a row, then a line feed.
void render_title(draw_list& out, const char* title, int32_t columns);

// ---------------------------------------------------------------------------
// Single-choice menu

struct single_view {
    const char* const* items = nullptr;
    size_t count = 0;
    size_t selected = 0;
    size_t top = 0;
    int32_t start_row = 0;
    int32_t visible_rows = 1;
    const char* digits = "";
};

bool single_menu_has_status(const single_view& v);
void render_menu_item(draw_list& out, const draw_target& t, const single_view& v, size_t index);
void render_menu_status(draw_list& out, const draw_target& t, const single_view& v);
void render_menu_rows(draw_list& out, const draw_target& t, const single_view& v);  // every row + status

// Process-wide double-click memory of the single-choice menu.
struct click_memory {
    int64_t index = -1;
    uint64_t time = 0;
};

// The three clocks the menus read: typing timers in seconds, the motion
// throttle in 32-bit milliseconds, double clicks in 64-bit milliseconds.
struct menu_clock {
    double seconds = 0.0;
    uint32_t tick = 0;
    uint64_t tick64 = 0;
};

enum class redraw_kind : uint8_t {
    item,         // one list row (index)
    status,       // status or hint line
    full,         // the whole list
    scroll_up,    // shown rows move up one (a DOWN past the last row)
    scroll_down,  // shown rows move down one (an UP above the first row)
};

struct redraw {
    redraw_kind kind = redraw_kind::item;
    size_t index = 0;
};

enum class menu_exit : uint8_t { none, chosen, cancelled, hidden_word };

struct menu_step {
    menu_exit exit = menu_exit::none;
    size_t chosen = 0;
    redraw ops[6];
    int n = 0;
    void add(redraw_kind k, size_t index = 0) { ops[n++] = redraw{k, index}; }
};

struct single_menu_state {
    size_t count = 0;
    menu_geometry geo;
    size_t selected = 0;
    size_t top = 0;
    char typed_text[64] = {};
    size_t typed_len = 0;
    char typed_digits[32] = {};
    double last_char_time = 0.0;
    double last_digit_time = 0.0;
    uint32_t last_motion_tick = 0;
    uint32_t double_click_ms = 300;
};

inline constexpr const char* menu_hidden_words[4] = {"HarborWickPutQuill7", "Quill", "QuillPath", "GrantQuill"};

single_menu_state single_menu_begin(size_t count, size_t start_index, const menu_geometry& geo,
                                    uint32_t double_click_ms);
single_view single_menu_view(const single_menu_state& s, const char* const* items);
// The lowest row the menu draws: the status line, or the last item when all fit.
int32_t single_menu_last_row(const single_menu_state& s);

// One key event. The mouse record must already hold buffer rows.
menu_step single_menu_key(single_menu_state& s, const plm_key_event& key, const menu_clock& now);
menu_step single_menu_mouse(single_menu_state& s, click_memory& last_click, const plm_mouse_event& m,
                            const menu_clock& now);
// A new layout (the window changed): selection and typed digits kept, `top` moved so that the
// selection stays in view.
void single_menu_resize(single_menu_state& s, const menu_geometry& geo);

// ---------------------------------------------------------------------------
// Multi-choice menu (rows 0..count-1 are items, row count is the confirm row)

struct multi_view {
    const char* const* items = nullptr;
    size_t count = 0;
    const unsigned char* selected = nullptr;
    int64_t focus = 0;
    int64_t top = 0;
    int32_t start_row = 0;
    int32_t visible_rows = 1;
};

void render_multi_item(draw_list& out, const draw_target& t, const multi_view& v, int64_t index);
void render_multi_hint(draw_list& out, const draw_target& t, const multi_view& v);
void render_multi_rows(draw_list& out, const draw_target& t, const multi_view& v);  // every row + hint

struct multi_menu_state {
    size_t count = 0;
    menu_geometry geo;
    unsigned char* selected = nullptr;
    int64_t focus = 0;
    int64_t top = 0;
    uint32_t last_motion_tick = 0;
};

multi_menu_state multi_menu_begin(size_t count, unsigned char* selected, const menu_geometry& geo);
multi_view multi_menu_view(const multi_menu_state& s, const char* const* items);
// The lowest row the menu draws: the hint line.
int32_t multi_menu_last_row(const multi_menu_state& s);
menu_step multi_menu_key(multi_menu_state& s, const plm_key_event& key);
menu_step multi_menu_mouse(multi_menu_state& s, const plm_mouse_event& m, const menu_clock& now);
void multi_menu_resize(multi_menu_state& s, const menu_geometry& geo);  // focus and ticks kept

// The text fallback's answer: tokens split at ", \t\r\n", each a base-10
// number; 1..count ticks that item, anything else is ignored.
void parse_multi_answer(const char* line, size_t count, unsigned char* selected);

// Text fallback listing: the title, then "%3u. %s\n" per item; title and items as shown when
// they go to a `terminal` (append_for_output).
void format_multi_fallback_list(std::string& out, const char* title, const char* const* items, size_t count,
                                bool terminal);

}  // namespace plm
