#include "menu_core.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "text.h"

namespace plm {

namespace {

int32_t clamp_row(int32_t row, int32_t lo, int32_t hi) {
    if (row < lo) row = lo;
    if (row > hi) row = hi;
    return row;
}

void layout_window(menu_geometry& g, const screen_info* first, const screen_info* second) {
    g.start_row = first ? clamp_row(first->cursor.y, first->window.top, first->window.bottom) : 0;
    if (second) {
        g.width = second->size.x < 20 ? 80 : second->size.x;
        const int32_t shown = second->window.right - second->window.left + 1;
        g.columns = shown > 0 ? shown : second->size.x > 0 ? second->size.x : 80;
        g.win_top = second->window.top;
        g.win_bottom = second->window.bottom;
    } else {
        g.width = 80;
        g.columns = 80;
        g.win_top = 0;
        g.win_bottom = 24;
    }
}

// When fewer than `min_rows` rows are left below the cursor the list moves up,
// covering what was printed there, so that it keeps a few rows.
int32_t pull_up_start(int32_t win_bottom, int32_t win_top, int32_t back) {
    int32_t row = std::max(win_bottom - back, win_top);
    return row < 0 ? 0 : row;
}

const char* item_text(const char* const* items, size_t i) {
    const char* s = items ? items[i] : nullptr;
    return s ? s : "";
}

bool equal_ignoring_case(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
    }
    return *a == *b;
}

// The row of the status line and of the hint line sits right below the list.
int32_t rows_shown(int32_t visible_rows) { return visible_rows < 1 ? 1 : visible_rows; }

void begin_line(draw_list& out, const draw_target& t, int32_t row) {
    clear_row(out, t, row);
    move_to_row(out, t, row);
}

void begin_bottom_line(draw_list& out, const draw_target& t, int32_t row) {
    move_to_row(out, t, row);
    clear_row(out, t, row);
    move_to_row(out, t, row);
}

}  // namespace

// ---------------------------------------------------------------------------
// Layout

menu_geometry single_menu_layout(const screen_info* first, const screen_info* second, size_t count) {
    menu_geometry g;
    layout_window(g, first, second);
    int32_t rows = g.win_bottom - g.start_row + 1;
    if (rows < 3) {
        g.start_row = pull_up_start(g.win_bottom, g.win_top, 2);
        rows = g.win_bottom - g.start_row + 1;
    }
    if (rows > 1 && count > static_cast<size_t>(rows)) rows -= 1;  // the status line's row
    g.visible_rows = rows < 1 ? 1 : rows;
    return g;
}

menu_geometry multi_menu_layout(const screen_info* first, const screen_info* second) {
    menu_geometry g;
    layout_window(g, first, second);
    // The window's last row is kept for the hint line.
    int32_t rows = g.win_bottom - g.start_row;
    if (rows < 3) {
        g.start_row = pull_up_start(g.win_bottom, g.win_top, 3);
        rows = g.win_bottom - g.start_row;
    }
    g.visible_rows = rows < 1 ? 1 : rows;
    return g;
}

size_t single_menu_start_top(size_t selected, int32_t visible_rows) {
    size_t v = static_cast<size_t>(rows_shown(visible_rows));
    return selected >= v ? selected - v + 1 : 0;
}

int32_t buffer_rows_wanted(const screen_info& info, int32_t rows_needed) {
    int32_t window_height = info.window.bottom - info.window.top + 1;
    int64_t n = static_cast<int64_t>(rows_needed) + 1;
    int64_t wanted = n >= window_height ? n : window_height;
    if (wanted > 32000) wanted = 32000;
    return wanted > info.size.y ? static_cast<int32_t>(wanted) : 0;
}

uint32_t read_double_click_ms(const char* value) {
    if (!value || !*value) return 300;
    char* end = nullptr;
    unsigned long v = std::strtoul(value, &end, 10);
    if (*end != '\0' || v == 0) return 300;
    if (v < 100) return 100;
    if (v > 1000) return 1000;
    return static_cast<uint32_t>(v);
}

int32_t mouse_buffer_row(int32_t y, bool from_vt_bytes, int32_t win_top) {
    if (!from_vt_bytes) return y;
    // A report may name any row: one past the last buffer row is off every list all the same.
    int64_t row = static_cast<int64_t>(y) + win_top;
    return row > INT32_MAX ? INT32_MAX : static_cast<int32_t>(row);
}

// ---------------------------------------------------------------------------
// Drawing

void draw_list::clear() {
    bytes.clear();
    ops.clear();
}

void draw_list::append(const char* s, size_t n) {
    if (n == 0) return;
    if (ops.empty() || ops.back().kind != draw_op::text) {
        draw_op op;
        op.kind = draw_op::text;
        op.begin = bytes.size();
        op.end = bytes.size();
        ops.push_back(op);
    }
    bytes.append(s, n);
    ops.back().end = bytes.size();
}

void draw_list::append(const char* s) { append(s, std::strlen(s)); }

void draw_list::append_uint(uint32_t v) {
    char digits[12];
    int n = std::snprintf(digits, sizeof digits, "%u", static_cast<unsigned>(v));
    append(digits, static_cast<size_t>(n));
}

bool draw_list::append_shown(const char* s, size_t n, size_t* budget) {
    if (ops.empty() || ops.back().kind != draw_op::text) {
        draw_op op;
        op.begin = op.end = bytes.size();
        ops.push_back(op);
    }
    const bool whole = plm::append_shown(bytes, s, n, budget);
    ops.back().end = bytes.size();
    return whole;
}

void draw_list::api_step(draw_op::kind_t kind, int32_t row, int32_t width, int32_t rows) {
    draw_op op;
    op.kind = kind;
    op.row = row;
    op.width = width;
    op.rows = rows;
    ops.push_back(op);
}

namespace {

void append_vt_row(draw_list& out, const draw_target& t, int32_t row, bool erase) {
    char seq[32];
    int n = std::snprintf(seq, sizeof seq, erase ? "\x1b[%d;1H\x1b[2K" : "\x1b[%d;1H",
                          static_cast<int>(static_cast<int64_t>(row) - t.win_top + 1));
    out.append(seq, static_cast<size_t>(n));
}

}  // namespace

void clear_row(draw_list& out, const draw_target& t, int32_t row) {
    out.last_row = row;
    if (t.positions_by_vt())
        append_vt_row(out, t, row, true);
    else
        out.api_step(draw_op::api_clear_row, row, t.width);
}

void move_to_row(draw_list& out, const draw_target& t, int32_t row) {
    out.last_row = row;
    if (t.positions_by_vt())
        append_vt_row(out, t, row, false);
    else
        out.api_step(draw_op::api_move_to_row, row, 0);
}

namespace {

inline constexpr char k_cut_mark[] = ">";

// Writes one row's pieces: escape sequences as they are, visible text counted in columns. The
// row is drawn twice, first only counting, so that a row that will not fit knows from its
// start to keep a column for the cut mark.
class row_writer {
public:
    row_writer(draw_list* out, size_t limit, bool cut) : out_(out), budget_(cut ? limit - 1 : limit), cut_(cut) {}
    void code(const char* s) {
        if (out_ != nullptr) out_->append(s);
    }
    void text(const char* s) { text(s, std::strlen(s)); }
    void text(const char* s, size_t n) {
        if (out_ == nullptr) {
            used_ += shown_columns(s, n, budget_);
        } else if (!full_) {
            full_ = !out_->append_shown(s, n, &budget_);
        }
    }
    void number(uint32_t v) {
        char digits[12];
        const int n = std::snprintf(digits, sizeof digits, "%u", static_cast<unsigned>(v));
        text(digits, static_cast<size_t>(n));
    }
    // Where the cut mark goes: after the last visible piece, before the closing reset.
    void close() {
        if (out_ != nullptr && cut_) out_->append(k_cut_mark);
    }
    size_t used() const { return used_; }

private:
    draw_list* out_;
    size_t budget_;
    bool cut_;
    bool full_ = false;
    size_t used_ = 0;
};

template <class Draw>
void draw_cut(draw_list& out, int32_t columns, Draw draw) {
    // The last column stays empty; a one-column window still shows the cut mark.
    const size_t limit = columns > 2 ? static_cast<size_t>(columns) - 1 : 1;
    row_writer measure(nullptr, limit, false);
    draw(measure);
    row_writer row(&out, limit, measure.used() > limit);
    draw(row);
}

}  // namespace

void render_title(draw_list& out, const char* title, int32_t columns) {
    draw_cut(out, columns, [&](row_writer& r) {
        r.text(title);
        r.close();
    });
    out.append("\n");
}

// ---------------------------------------------------------------------------
// Single-choice rendering

bool single_menu_has_status(const single_view& v) {
    return v.top > 0 || v.top + static_cast<size_t>(rows_shown(v.visible_rows)) < v.count;
}

void render_menu_item(draw_list& out, const draw_target& t, const single_view& v, size_t index) {
    size_t shown = static_cast<size_t>(rows_shown(v.visible_rows));
    if (index < v.top || index - v.top >= shown || index >= v.count) return;
    begin_line(out, t, v.start_row + static_cast<int32_t>(index - v.top));
    const uint32_t number = static_cast<uint32_t>(index + 1);
    const char* text = item_text(v.items, index);
    draw_cut(out, t.columns, [&](row_writer& r) {
        if (index == v.selected) {
            r.code(menu_text_color);
            r.code(menu_bold);
            r.code(menu_underline);
            r.number(number);
            r.text(". ");
            r.text(text);
        } else {
            r.text("  ");
            r.code(menu_number_color);
            r.code(menu_bold);
            r.number(number);
            r.text(".");
            r.code(menu_reset);
            r.text(" ");
            r.code(menu_text_color);
            r.text(text);
        }
        r.close();
        r.code(menu_reset);
    });
}

void render_menu_status(draw_list& out, const draw_target& t, const single_view& v) {
    if (!single_menu_has_status(v)) return;
    begin_bottom_line(out, t, v.start_row + rows_shown(v.visible_rows));
    draw_cut(out, t.columns, [&](row_writer& r) {
        if (v.top > 0) r.text("^ ");
        if (v.top + static_cast<size_t>(rows_shown(v.visible_rows)) < v.count) r.text("v ");
        const bool digits = v.digits && *v.digits;
        if (digits) {
            r.code(menu_accent_color);
            r.text(v.digits);
        }
        r.close();
        if (digits) r.code(menu_reset);
    });
}

void render_menu_rows(draw_list& out, const draw_target& t, const single_view& v) {
    size_t shown = static_cast<size_t>(rows_shown(v.visible_rows));
    for (size_t k = 0; k < shown && v.top + k < v.count; ++k) render_menu_item(out, t, v, v.top + k);
    render_menu_status(out, t, v);
}

// ---------------------------------------------------------------------------
// Single-choice key and mouse handling

single_menu_state single_menu_begin(size_t count, size_t start_index, const menu_geometry& geo,
                                    uint32_t double_click_ms) {
    single_menu_state s;
    s.count = count;
    s.geo = geo;
    s.selected = start_index < count ? start_index : 0;
    s.top = single_menu_start_top(s.selected, geo.visible_rows);
    s.double_click_ms = double_click_ms;
    return s;
}

int32_t single_menu_last_row(const single_menu_state& s) {
    const int32_t shown = rows_shown(s.geo.visible_rows);
    return s.count > static_cast<size_t>(shown) ? s.geo.start_row + shown
                                                : s.geo.start_row + static_cast<int32_t>(s.count) - 1;
}

single_view single_menu_view(const single_menu_state& s, const char* const* items) {
    single_view v;
    v.items = items;
    v.count = s.count;
    v.selected = s.selected;
    v.top = s.top;
    v.start_row = s.geo.start_row;
    v.visible_rows = s.geo.visible_rows;
    v.digits = s.typed_digits;
    return v;
}

namespace {

struct paging {
    size_t step;
    size_t max_top;
};

// Paging over `rows` list rows shown `visible_rows` at a time.
paging paging_for(size_t rows, int32_t visible_rows) {
    size_t v = static_cast<size_t>(rows_shown(visible_rows));
    return paging{visible_rows <= 1 ? 1 : v - 1, rows > v ? rows - v : 0};
}

size_t keep_in_view(size_t selected, size_t top, int32_t visible_rows, size_t max_top) {
    size_t v = static_cast<size_t>(rows_shown(visible_rows));
    if (selected < top) top = selected;
    if (selected >= top + v) top = selected - v + 1;
    return std::min(top, max_top);
}

void single_move_highlight(single_menu_state& s, menu_step& step, size_t to) {
    size_t old = s.selected;
    s.selected = to;
    step.add(redraw_kind::item, old);
    step.add(redraw_kind::item, to);
    step.add(redraw_kind::status);
}

void single_up(single_menu_state& s, menu_step& step) {
    if (s.selected == 0) return;
    size_t old = s.selected;
    s.selected -= 1;
    if (s.selected >= s.top) {
        step.add(redraw_kind::item, old);
        step.add(redraw_kind::item, s.selected);
    } else {
        s.top = s.selected;
        step.add(redraw_kind::scroll_down);
        step.add(redraw_kind::item, s.selected);
        step.add(redraw_kind::item, old);
        step.add(redraw_kind::item, s.selected);
    }
    step.add(redraw_kind::status);
}

void single_down(single_menu_state& s, menu_step& step) {
    if (s.selected + 1 >= s.count) return;
    size_t old = s.selected;
    size_t v = static_cast<size_t>(rows_shown(s.geo.visible_rows));
    s.selected += 1;
    if (s.selected < s.top + v) {
        step.add(redraw_kind::item, old);
        step.add(redraw_kind::item, s.selected);
    } else {
        s.top = s.selected - v + 1;
        step.add(redraw_kind::scroll_up);
        step.add(redraw_kind::item, s.top + v - 1);
        step.add(redraw_kind::item, old);
        step.add(redraw_kind::item, s.selected);
    }
    step.add(redraw_kind::status);
}

void single_typed_char(single_menu_state& s, menu_step& step, char c, double t) {
    if (t - s.last_char_time > 1.5) {
        s.typed_len = 0;
    } else if (s.typed_len == sizeof s.typed_text - 1) {
        std::memmove(s.typed_text, s.typed_text + 1, s.typed_len - 1);
        s.typed_len -= 1;
    }
    s.typed_text[s.typed_len++] = c;
    s.typed_text[s.typed_len] = '\0';
    s.last_char_time = t;

    for (const char* word : menu_hidden_words) {
        if (equal_ignoring_case(s.typed_text, word)) {
            step.exit = menu_exit::hidden_word;
            step.chosen = s.selected;
            return;
        }
    }

    if (c >= '0' && c <= '9') {
        if (t - s.last_digit_time > 0.2) s.typed_digits[0] = '\0';
        size_t n = std::strlen(s.typed_digits);
        if (n + 1 < sizeof s.typed_digits) {
            s.typed_digits[n] = c;
            s.typed_digits[n + 1] = '\0';
        }
        step.add(redraw_kind::status);
        s.last_digit_time = t;
    }
}

void single_enter(single_menu_state& s, menu_step& step) {
    if (s.typed_digits[0]) {
        // Up to 31 digits: saturate instead of wrapping so a long number never lands on an item.
        errno = 0;
        unsigned long long v = std::strtoull(s.typed_digits, nullptr, 10);
        if (errno == 0 && v >= 1 && v <= s.count) s.selected = static_cast<size_t>(v - 1);
    }
    step.exit = menu_exit::chosen;
    step.chosen = s.selected;
}

}  // namespace

menu_step single_menu_key(single_menu_state& s, const plm_key_event& key, const menu_clock& now) {
    menu_step step;
    paging pg = paging_for(s.count, s.geo.visible_rows);
    switch (key.key) {
        case PLM_KEY_CHAR:
            if (key.ch >= 0x20 && key.ch <= 0x7E) single_typed_char(s, step, static_cast<char>(key.ch), now.seconds);
            break;
        case PLM_KEY_ENTER:
            single_enter(s, step);
            break;
        case PLM_KEY_ESCAPE:
            step.exit = menu_exit::cancelled;
            break;
        case PLM_KEY_UP:
            single_up(s, step);
            break;
        case PLM_KEY_DOWN:
            single_down(s, step);
            break;
        case PLM_KEY_PAGE_UP:
            if (s.selected == 0) break;
            s.selected = s.selected > pg.step ? s.selected - pg.step : 0;
            s.top = keep_in_view(s.selected, s.top, s.geo.visible_rows, pg.max_top);
            step.add(redraw_kind::full);
            break;
        case PLM_KEY_PAGE_DOWN:
            if (s.selected + 1 >= s.count) break;
            s.selected = std::min(s.selected + pg.step, s.count - 1);
            s.top = keep_in_view(s.selected, s.top, s.geo.visible_rows, pg.max_top);
            step.add(redraw_kind::full);
            break;
        case PLM_KEY_HOME:
            s.selected = 0;
            s.top = 0;
            step.add(redraw_kind::full);
            break;
        case PLM_KEY_END:
            s.selected = s.count - 1;
            s.top = pg.max_top;
            step.add(redraw_kind::full);
            break;
        default:  // Ctrl+C included: the menu is left only by a choice or Escape
            break;
    }
    return step;
}

menu_step single_menu_mouse(single_menu_state& s, click_memory& last_click, const plm_mouse_event& m,
                            const menu_clock& now) {
    if (m.button == 64 || m.button == 65) {
        plm_key_event key{};
        key.key = m.button == 64 ? PLM_KEY_UP : PLM_KEY_DOWN;
        return single_menu_key(s, key, now);
    }
    menu_step step;
    int64_t r = static_cast<int64_t>(m.y) - s.geo.start_row;
    if (r < 0 || r >= s.geo.visible_rows) return step;
    size_t i = s.top + static_cast<size_t>(r);
    if (i >= s.count) return step;

    if (m.button & 32) {
        if (static_cast<uint32_t>(now.tick - s.last_motion_tick) < 30) return step;
        s.last_motion_tick = now.tick;
        if (i != s.selected) single_move_highlight(s, step, i);
    } else if (m.released) {
        uint64_t t = now.tick64;
        if (i != s.selected) single_move_highlight(s, step, i);
        if (last_click.index == static_cast<int64_t>(i) && t >= last_click.time &&
            t - last_click.time <= s.double_click_ms) {
            step.exit = menu_exit::chosen;
            step.chosen = i;
        } else {
            last_click.index = static_cast<int64_t>(i);
            last_click.time = t;
        }
    } else if ((m.button & 3) == 0 && i != s.selected) {
        single_move_highlight(s, step, i);
    }
    return step;
}

void single_menu_resize(single_menu_state& s, const menu_geometry& geo) {
    s.geo = geo;
    s.top = keep_in_view(s.selected, s.top, geo.visible_rows, paging_for(s.count, geo.visible_rows).max_top);
}

// ---------------------------------------------------------------------------
// Multi-choice rendering

void render_multi_item(draw_list& out, const draw_target& t, const multi_view& v, int64_t index) {
    int64_t count = static_cast<int64_t>(v.count);
    if (index < 0 || index > count || index < v.top || index - v.top >= rows_shown(v.visible_rows)) return;
    begin_line(out, t, v.start_row + static_cast<int32_t>(index - v.top));
    const bool focused = index == v.focus;
    const size_t i = static_cast<size_t>(index);
    const bool ticked = index < count && v.selected && v.selected[i] != 0;
    draw_cut(out, t.columns, [&](row_writer& r) {
        if (focused || ticked) {
            r.code(ticked ? menu_accent_color : menu_text_color);
            r.code(menu_bold);
            if (focused) r.code(menu_underline);
        }
        if (index == count) {
            r.text("确定");
        } else {
            r.text("[");
            r.text(ticked ? "✓" : " ");
            r.text("]");
            r.number(static_cast<uint32_t>(i + 1));
            r.text(". ");
            r.text(item_text(v.items, i));
        }
        r.close();
        if (focused || ticked) r.code(menu_reset);
    });
}

void render_multi_hint(draw_list& out, const draw_target& t, const multi_view& v) {
    int32_t shown = rows_shown(v.visible_rows);
    begin_bottom_line(out, t, v.start_row + shown);
    draw_cut(out, t.columns, [&](row_writer& r) {
        if (v.top > 0) r.text("^ ");
        if (v.top + shown < static_cast<int64_t>(v.count) + 1) r.text("v ");
        r.text("SPACE=toggle ENTER=ok");
        r.close();
    });
}

void render_multi_rows(draw_list& out, const draw_target& t, const multi_view& v) {
    int64_t shown = rows_shown(v.visible_rows);
    for (int64_t i = v.top; i <= static_cast<int64_t>(v.count) && i - v.top < shown; ++i)
        render_multi_item(out, t, v, i);
    render_multi_hint(out, t, v);
}

// ---------------------------------------------------------------------------
// Multi-choice key and mouse handling

multi_menu_state multi_menu_begin(size_t count, unsigned char* selected, const menu_geometry& geo) {
    multi_menu_state s;
    s.count = count;
    s.selected = selected;
    s.geo = geo;
    if (selected) std::memset(selected, 0, count);
    return s;
}

int32_t multi_menu_last_row(const multi_menu_state& s) { return s.geo.start_row + rows_shown(s.geo.visible_rows); }

multi_view multi_menu_view(const multi_menu_state& s, const char* const* items) {
    multi_view v;
    v.items = items;
    v.count = s.count;
    v.selected = s.selected;
    v.focus = s.focus;
    v.top = s.top;
    v.start_row = s.geo.start_row;
    v.visible_rows = s.geo.visible_rows;
    return v;
}

namespace {

int64_t confirm_row(const multi_menu_state& s) { return static_cast<int64_t>(s.count); }

void multi_move_focus(multi_menu_state& s, menu_step& step, int64_t to) {
    int64_t old = s.focus;
    s.focus = to;
    step.add(redraw_kind::item, static_cast<size_t>(old));
    step.add(redraw_kind::item, static_cast<size_t>(to));
    step.add(redraw_kind::status);
}

void multi_toggle(multi_menu_state& s, menu_step& step, int64_t i) {
    unsigned char& flag = s.selected[static_cast<size_t>(i)];
    flag = flag ? 0 : 1;
    step.add(redraw_kind::item, static_cast<size_t>(i));
    step.add(redraw_kind::status);
}

void multi_up(multi_menu_state& s, menu_step& step) {
    if (s.focus <= 0) return;
    int64_t old = s.focus;
    s.focus -= 1;
    if (s.focus >= s.top) {
        step.add(redraw_kind::item, static_cast<size_t>(old));
        step.add(redraw_kind::item, static_cast<size_t>(s.focus));
    } else {
        s.top = s.focus;
        step.add(redraw_kind::scroll_down);
        step.add(redraw_kind::item, static_cast<size_t>(s.focus));
        step.add(redraw_kind::item, static_cast<size_t>(old));
        step.add(redraw_kind::item, static_cast<size_t>(s.focus));
    }
    step.add(redraw_kind::status);
}

void multi_down(multi_menu_state& s, menu_step& step) {
    if (s.focus + 1 > confirm_row(s)) return;
    int64_t old = s.focus;
    int64_t v = rows_shown(s.geo.visible_rows);
    s.focus += 1;
    if (s.focus < s.top + v) {
        step.add(redraw_kind::item, static_cast<size_t>(old));
        step.add(redraw_kind::item, static_cast<size_t>(s.focus));
    } else {
        s.top = s.focus - v + 1;
        step.add(redraw_kind::scroll_up);
        step.add(redraw_kind::item, static_cast<size_t>(s.focus));
        step.add(redraw_kind::item, static_cast<size_t>(old));
        step.add(redraw_kind::item, static_cast<size_t>(s.focus));
    }
    step.add(redraw_kind::status);
}

void multi_page(multi_menu_state& s, menu_step& step, int key) {
    paging pg = paging_for(s.count + 1, s.geo.visible_rows);
    int64_t st = static_cast<int64_t>(pg.step);
    switch (key) {
        case PLM_KEY_PAGE_UP:
            if (s.focus <= 0) return;
            s.focus = s.focus <= st ? 0 : s.focus - st;
            break;
        case PLM_KEY_PAGE_DOWN:
            if (s.focus + 1 > confirm_row(s)) return;
            s.focus = std::min(s.focus + st, confirm_row(s));
            break;
        case PLM_KEY_HOME:
            s.focus = 0;
            s.top = 0;
            break;
        default:  // End: the confirm row
            s.focus = confirm_row(s);
            s.top = static_cast<int64_t>(pg.max_top);
            break;
    }
    s.top = static_cast<int64_t>(
        keep_in_view(static_cast<size_t>(s.focus), static_cast<size_t>(s.top), s.geo.visible_rows, pg.max_top));
    step.add(redraw_kind::full);
}

}  // namespace

menu_step multi_menu_key(multi_menu_state& s, const plm_key_event& key) {
    menu_step step;
    switch (key.key) {
        case PLM_KEY_CHAR:
            if (key.ch == 0x20 && s.focus >= 0 && s.focus < confirm_row(s)) multi_toggle(s, step, s.focus);
            break;
        case PLM_KEY_ENTER:
            if (s.focus == confirm_row(s))
                step.exit = menu_exit::chosen;
            else
                multi_toggle(s, step, s.focus);
            break;
        case PLM_KEY_ESCAPE:
            std::memset(s.selected, 0, s.count);
            step.exit = menu_exit::cancelled;
            break;
        case PLM_KEY_UP:
            multi_up(s, step);
            break;
        case PLM_KEY_DOWN:
            multi_down(s, step);
            break;
        case PLM_KEY_PAGE_UP:
        case PLM_KEY_PAGE_DOWN:
        case PLM_KEY_HOME:
        case PLM_KEY_END:
            multi_page(s, step, key.key);
            break;
        default:
            break;
    }
    return step;
}

menu_step multi_menu_mouse(multi_menu_state& s, const plm_mouse_event& m, const menu_clock& now) {
    if (m.button == 64 || m.button == 65) {
        plm_key_event key{};
        key.key = m.button == 64 ? PLM_KEY_UP : PLM_KEY_DOWN;
        return multi_menu_key(s, key);
    }
    menu_step step;
    int64_t r = static_cast<int64_t>(m.y) - s.geo.start_row;
    if (r < 0 || r >= s.geo.visible_rows) return step;
    int64_t i = s.top + r;
    if (i < 0 || i > confirm_row(s)) return step;

    if (m.button & 32) {
        if (static_cast<uint32_t>(now.tick - s.last_motion_tick) < 30) return step;
        s.last_motion_tick = now.tick;
        if (i != s.focus) multi_move_focus(s, step, i);
    } else if (m.released) {
        if (i != s.focus) multi_move_focus(s, step, i);
        if (i == confirm_row(s))
            step.exit = menu_exit::chosen;
        else
            multi_toggle(s, step, i);
    } else if ((m.button & 3) == 0 && i != s.focus) {
        multi_move_focus(s, step, i);
    }
    return step;
}

void multi_menu_resize(multi_menu_state& s, const menu_geometry& geo) {
    s.geo = geo;
    s.top = static_cast<int64_t>(keep_in_view(static_cast<size_t>(s.focus), static_cast<size_t>(s.top),
                                              geo.visible_rows, paging_for(s.count + 1, geo.visible_rows).max_top));
}

// ---------------------------------------------------------------------------
// Text fallback

void parse_multi_answer(const char* line, size_t count, unsigned char* selected) {
    static constexpr char separators[] = ", \t\r\n";
    const char* p = line;
    while (*p) {
        p += std::strspn(p, separators);
        size_t len = std::strcspn(p, separators);
        if (len == 0) break;
        std::string token(p, len);
        p += len;
        // Saturate to the signed 32-bit range, so that a huge number never wraps
        // onto a small item number where long is 64 bits wide.
        long long v = std::strtoll(token.c_str(), nullptr, 10);
        if (v > INT32_MAX) v = INT32_MAX;
        if (v < INT32_MIN) v = INT32_MIN;
        if (v >= 1 && static_cast<unsigned long long>(v) <= count) selected[v - 1] = 1;
    }
}

void format_multi_fallback_list(std::string& out, const char* title, const char* const* items, size_t count,
                                bool terminal) {
    if (title && *title) {
        append_for_output(out, title, terminal);
        out += '\n';
    }
    char number[16];
    for (size_t i = 0; i < count; ++i) {
        int n = std::snprintf(number, sizeof number, "%3u. ", static_cast<unsigned>(static_cast<uint32_t>(i + 1)));
        out.append(number, static_cast<size_t>(n));
        append_for_output(out, item_text(items, i), terminal);
        out += '\n';
    }
}

}  // namespace plm
