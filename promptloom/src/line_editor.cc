#include "line_editor.h"

#include <cstring>

#include "text.h"

namespace plm {

// ---------------------------------------------------------------------------------------------
// The line

static bool all_ascii(const char* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (bytes[i] < 0x20 || bytes[i] > 0x7E) return false;
    return true;
}

bool line_reserve(platform& sys, line_buffer& line, std::size_t needed) {
    if (needed <= line.capacity) return true;
    std::size_t cap = line.capacity == 0 ? 64 : line.capacity;
    while (cap < needed) {
        if (cap > static_cast<std::size_t>(-1) / 2) return false;
        cap *= 2;
    }
    char* grown = static_cast<char*>(sys.reallocate(line.text, cap));
    if (grown == nullptr) return false;
    if (line.text == nullptr) grown[0] = '\0';
    line.text = grown;
    line.capacity = cap;
    return true;
}

bool line_insert(platform& sys, line_buffer& line, const char* bytes, std::size_t n) {
    if (n > static_cast<std::size_t>(-1) - line.length - 1) return false;
    if (!line_reserve(sys, line, line.length + n + 1)) return false;
    std::memmove(line.text + line.cursor + n, line.text + line.cursor, line.length - line.cursor + 1);
    std::memcpy(line.text + line.cursor, bytes, n);
    line.ascii = line.ascii && all_ascii(bytes, n);
    line.length += n;
    line.cursor += n;
    return true;
}

bool line_replace(platform& sys, line_buffer& line, const char* s) {
    std::size_t n = std::strlen(s);
    // A string that lives inside the line itself (a completion callback may hand back the
    // request's own text) always fits, so the block is never moved under it.
    if (!line_reserve(sys, line, n + 1)) return false;
    std::memmove(line.text, s, n);
    line.text[n] = '\0';
    line.ascii = all_ascii(line.text, n);
    line.length = n;
    line.cursor = n;
    return true;
}

static void line_erase(line_buffer& line, std::size_t start, std::size_t end) {
    std::memmove(line.text + start, line.text + end, line.length - end + 1);
    line.length -= end - start;
}

void line_free(platform& sys, line_buffer& line) {
    sys.release(line.text);
    line = line_buffer{};
}

// ---------------------------------------------------------------------------------------------
// Word motions

// ASCII by a fixed rule whatever locale the calling program has set, so the boundaries never
// move with the caller's environment; every byte from 0x80 up belongs to a word character.
static bool is_word_at(const char* text, std::size_t p) {
    const auto c = static_cast<unsigned char>(text[p]);
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

std::size_t word_forward(const char* text, std::size_t length, std::size_t p) {
    if (p >= length) return length;
    if (is_word_at(text, p)) {
        while (p < length && is_word_at(text, p)) p = utf8_next(text, length, p);
    }
    while (p < length && !is_word_at(text, p)) p = utf8_next(text, length, p);
    return p;
}

std::size_t word_back(const char* text, std::size_t length, std::size_t p) {
    std::size_t q = p < length ? p : length;
    if (q == 0) return 0;
    q = utf8_prev(text, length, q);
    while (q > 0 && !is_word_at(text, q)) q = utf8_prev(text, length, q);
    if (q == 0) return 0;
    while (q > 0 && is_word_at(text, utf8_prev(text, length, q))) q = utf8_prev(text, length, q);
    return q;
}

std::size_t word_end(const char* text, std::size_t length, std::size_t p) {
    if (p >= length) return length;
    while (p < length && !is_word_at(text, p)) p = utf8_next(text, length, p);
    if (p >= length) return length;
    for (std::size_t next = utf8_next(text, length, p); next < length && is_word_at(text, next);
         next = utf8_next(text, length, p))
        p = next;
    return p;
}

// ---------------------------------------------------------------------------------------------
// Keymaps

namespace {

struct key_binding {
    std::int32_t key;
    int action;
};

// Arrow-key editing. Page keys and Escape are bound to nothing.
constexpr key_binding default_keymap[] = {
    {PLM_KEY_CHAR, action_insert},      {PLM_KEY_ENTER, action_accept},       {PLM_KEY_BACKSPACE, action_backspace},
    {PLM_KEY_DELETE, action_delete},    {PLM_KEY_LEFT, action_left},          {PLM_KEY_RIGHT, action_right},
    {PLM_KEY_UP, action_history_older}, {PLM_KEY_DOWN, action_history_newer}, {PLM_KEY_HOME, action_home},
    {PLM_KEY_END, action_end},          {PLM_KEY_TAB, action_complete},       {PLM_KEY_CTRL_C, action_cancel},
};

// vi normal mode, keys other than characters. These leave a pending operator pending, so
// "d LEFT w" deletes from one to the left; any key missing here clears it.
constexpr key_binding vi_normal_keymap[] = {
    {PLM_KEY_LEFT, action_left},        {PLM_KEY_RIGHT, action_right},        {PLM_KEY_HOME, action_home},
    {PLM_KEY_END, action_end},          {PLM_KEY_BACKSPACE, action_delete},   {PLM_KEY_DELETE, action_delete},
    {PLM_KEY_UP, action_history_older}, {PLM_KEY_DOWN, action_history_newer}, {PLM_KEY_TAB, action_complete},
};

struct vi_char_binding {
    char ch;
    int action;
    bool enter_insert;  // switched to insert mode before the action runs
    vi_operator starts;
};

constexpr vi_char_binding vi_normal_chars[] = {
    {'$', action_end, false, vi_operator::none},
    {'0', action_home, false, vi_operator::none},
    {'A', action_end, true, vi_operator::none},
    {'a', action_right, true, vi_operator::none},
    {'i', action_none, true, vi_operator::none},
    {'h', action_left, false, vi_operator::none},
    {'l', action_right, false, vi_operator::none},
    {'k', action_history_older, false, vi_operator::none},
    {'j', action_history_newer, false, vi_operator::none},
    {'w', action_word_forward, false, vi_operator::none},
    {'W', action_word_forward, false, vi_operator::none},
    {'b', action_word_back, false, vi_operator::none},
    {'B', action_word_back, false, vi_operator::none},
    {'e', action_word_end, false, vi_operator::none},
    {'E', action_word_end, false, vi_operator::none},
    {'x', action_delete, false, vi_operator::none},
    {'d', action_none, false, vi_operator::del},
    {'c', action_none, false, vi_operator::change},
    {'y', action_none, false, vi_operator::yank},
    {'p', action_paste, false, vi_operator::none},
};

// Ranges an operator takes, in the order of the action codes (to end, next word, previous
// word, word end, whole line). The whole-line range is the operator's own letter.
enum operator_range : int { range_to_end, range_next_word, range_prev_word, range_word_end, range_line };

struct range_binding {
    char ch;
    operator_range range;
};

constexpr range_binding vi_operator_ranges[] = {
    {'$', range_to_end},    {'w', range_next_word}, {'W', range_next_word}, {'b', range_prev_word},
    {'B', range_prev_word}, {'e', range_word_end},  {'E', range_word_end},
};

constexpr int operator_base(vi_operator op) {
    return op == vi_operator::del      ? action_delete_to_end
           : op == vi_operator::change ? action_change_to_end
                                       : action_yank_to_end;
}

constexpr char operator_letter(vi_operator op) {
    return op == vi_operator::del ? 'd' : op == vi_operator::change ? 'c' : 'y';
}

template <std::size_t N>
const key_binding* find_key(const key_binding (&map)[N], std::int32_t key) {
    for (const auto& b : map)
        if (b.key == key) return &b;
    return nullptr;
}

int map_default(std::int32_t key) {
    const key_binding* b = find_key(default_keymap, key);
    return b != nullptr ? b->action : action_none;
}

int map_vi(editor_state& ed, const plm_key_event& ev) {
    if (ev.key == PLM_KEY_CTRL_C) return action_cancel;
    if (ev.key == PLM_KEY_ENTER) return action_accept;
    if (ev.key == PLM_KEY_ESCAPE) {
        ed.insert = 0;
        return action_none;
    }
    if (ed.insert != 0) {
        ed.pending = vi_operator::none;
        return map_default(ev.key);
    }
    if (ev.key != PLM_KEY_CHAR) {
        const key_binding* b = find_key(vi_normal_keymap, ev.key);
        if (b != nullptr) return b->action;
        ed.pending = vi_operator::none;
        return action_none;
    }
    const char ch = static_cast<char>(ev.ch & 0xFFu);
    if (ed.pending != vi_operator::none) {
        const vi_operator op = ed.pending;
        ed.pending = vi_operator::none;
        if (ch == operator_letter(op)) return operator_base(op) + range_line;
        for (const auto& r : vi_operator_ranges)
            if (r.ch == ch) return operator_base(op) + r.range;
        return action_none;
    }
    for (const auto& b : vi_normal_chars) {
        if (b.ch != ch) continue;
        if (b.enter_insert) ed.insert = 1;
        if (b.starts != vi_operator::none) ed.pending = b.starts;
        return b.action;
    }
    return action_none;
}

}  // namespace

int map_key(editor_state& ed, const plm_key_event& key) { return ed.vi ? map_vi(ed, key) : map_default(key.key); }

// ---------------------------------------------------------------------------------------------
// Actions

bool editor_begin(platform& sys, editor_state& ed, std::int32_t edit_mode, bool history_on, bool completion_on) {
    ed = editor_state{};
    ed.sys = &sys;
    if (!line_reserve(sys, ed.line, 256)) return false;
    ed.vi = edit_mode == 1;
    ed.insert = ed.vi ? 1 : 0;
    ed.history_on = history_on;
    ed.completion_on = completion_on;
    return true;
}

void editor_end(editor_state& ed) {
    if (ed.sys != nullptr) line_free(*ed.sys, ed.line);
}

namespace {

// Cut at a character boundary: a cut never leaves half a character behind.
void copy_cut(char* dst, std::size_t dst_size, const char* src, std::size_t n) {
    n = utf8_fit(src, n, dst_size - 1);
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

// A recalled entry or completion that cannot be copied leaves the line as it was; only the
// edits the user typed report running out of memory.
void show_entry(editor_state& ed, const char* entry) {
    (void)line_replace(*ed.sys, ed.line, entry != nullptr ? entry : "");
}

void history_older(editor_state& ed, const plm_history* h) {
    if (!ed.history_on || h == nullptr || h->count == 0) return;
    if (ed.history_index < 0 || static_cast<std::size_t>(ed.history_index) >= h->count) {
        copy_cut(ed.saved_line, saved_line_size, ed.line.text, ed.line.length);
        const std::size_t newest = h->count - 1;
        ed.history_index = newest > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<std::int32_t>(newest);
    } else if (ed.history_index > 0) {
        --ed.history_index;
    }
    show_entry(ed, h->items[ed.history_index]);
}

void history_newer(editor_state& ed, const plm_history* h) {
    if (!ed.history_on || h == nullptr || h->count == 0 || ed.history_index == -1) return;
    const std::size_t next = static_cast<std::size_t>(ed.history_index) + 1;
    if (next < h->count) {
        ed.history_index = static_cast<std::int32_t>(next);
        show_entry(ed, h->items[next]);
    } else {
        show_entry(ed, ed.saved_line);
        ed.history_index = -1;
    }
}

void complete_line(editor_state& ed, const editor_env& env) {
    if (!ed.completion_on) return;
    if (env.complete != nullptr) {
        const char* slots[completion_slots] = {};
        plm_completion_request request{};
        request.line = ed.line.text;
        request.length = ed.line.length;
        request.cursor = ed.line.cursor;
        plm_completion_result result{};
        result.items = slots;
        result.count = 0;
        result.capacity = completion_slots;
        const int rc = env.complete(&request, &result, env.user_data);
        // A callback may point `items` at storage of its own, or clear it; only a real first
        // candidate replaces the line.
        if (rc == 0 && result.count != 0 && result.items != nullptr && result.items[0] != nullptr)
            show_entry(ed, result.items[0]);
    }
    ed.history_index = -1;
}

void apply_operator(editor_state& ed, int action) {
    line_buffer& line = ed.line;
    const int op = (action - action_delete_to_end) / 5;  // 0 delete, 1 change, 2 yank
    const auto range = static_cast<operator_range>((action - action_delete_to_end) % 5);
    std::size_t start = line.cursor;
    std::size_t end = line.length;
    switch (range) {
        case range_to_end:
            break;
        case range_next_word:
            end = word_forward(line.text, line.length, line.cursor);
            break;
        case range_prev_word:
            start = word_back(line.text, line.length, line.cursor);
            end = line.cursor;
            break;
        case range_word_end: {
            end = utf8_next(line.text, line.length, word_end(line.text, line.length, line.cursor));
            break;
        }
        case range_line:
            start = 0;
            break;
    }
    if (start > line.length) start = line.length;
    if (end > line.length) end = line.length;
    if (start > end) {
        const std::size_t t = start;
        start = end;
        end = t;
    }
    copy_cut(ed.kill_buffer, kill_buffer_size, line.text + start, end - start);
    if (op != 2) {
        line_erase(line, start, end);
        line.cursor = start;
        if (op == 1) ed.insert = 1;
    }
    ed.history_index = -1;
}

// A UTF-8 character comes one byte per key event: the bytes wait until the character is whole.
// Controls (C1 included) and bytes that form no valid sequence are dropped, as control bytes
// have always been.
bool typed_character(editor_state& ed, std::uint32_t byte, const char** bytes, std::size_t* n) {
    if (byte >= 0x20 && byte <= 0x7E) {
        ed.typed[0] = static_cast<char>(byte);
        *bytes = ed.typed, *n = 1;
        ed.typed_length = 0;
        return true;
    }
    const bool follows = (byte & 0xC0u) == 0x80 && ed.typed_length > 0 && ed.typed_length < sizeof ed.typed;
    if (byte > 0xFF || (byte < 0xC0 && !follows)) {
        ed.typed_length = 0;
        return false;
    }
    if (!follows) ed.typed_length = 0;
    ed.typed[ed.typed_length++] = static_cast<char>(byte);
    const auto lead = static_cast<unsigned char>(ed.typed[0]);
    const std::size_t whole = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (ed.typed_length < whole) return false;
    std::uint32_t cp = 0;
    const bool valid = utf8_sequence(ed.typed, ed.typed_length, 0, &cp) == whole && cp >= 0xA0;
    *bytes = ed.typed, *n = whole;
    ed.typed_length = 0;
    return valid;
}

}  // namespace

step_result perform_action(editor_state& ed, int action, const plm_key_event& key, const editor_env& env) {
    line_buffer& line = ed.line;
    if (action != action_insert) ed.typed_length = 0;
    switch (action) {
        case action_accept:
            return step_result::accept;
        case action_cancel:
            return step_result::cancel;
        case action_left:
            line.cursor = utf8_prev(line.text, line.length, line.cursor);
            break;
        case action_right:
            line.cursor = utf8_next(line.text, line.length, line.cursor);
            break;
        case action_home:
            line.cursor = 0;
            break;
        case action_end:
            line.cursor = line.length;
            break;
        case action_backspace:
            if (line.cursor > 0) {
                const std::size_t start = utf8_prev(line.text, line.length, line.cursor);
                line_erase(line, start, line.cursor);
                line.cursor = start;
            }
            break;
        case action_delete:
            if (line.cursor < line.length)
                line_erase(line, line.cursor, utf8_next(line.text, line.length, line.cursor));
            break;
        case action_history_older:
            history_older(ed, env.history);
            break;
        case action_history_newer:
            history_newer(ed, env.history);
            break;
        case action_complete:
            complete_line(ed, env);
            break;
        case action_insert: {
            const char* bytes = nullptr;
            std::size_t n = 0;
            if (typed_character(ed, key.ch, &bytes, &n)) {
                if (!line_insert(*ed.sys, line, bytes, n)) return step_result::out_of_memory;
                ed.history_index = -1;
            }
            break;
        }
        case action_word_forward:
            line.cursor = word_forward(line.text, line.length, line.cursor);
            break;
        case action_word_back:
            line.cursor = word_back(line.text, line.length, line.cursor);
            break;
        case action_word_end:
            line.cursor = word_end(line.text, line.length, line.cursor);
            break;
        case action_paste: {
            const std::size_t n = std::strlen(ed.kill_buffer);
            if (n == 0) break;
            const std::size_t before = line.cursor;
            line.cursor = utf8_next(line.text, line.length, line.cursor);
            if (!line_insert(*ed.sys, line, ed.kill_buffer, n)) {
                line.cursor = before;
                return step_result::out_of_memory;
            }
            ed.history_index = -1;
            break;
        }
        default:
            if (action >= action_delete_to_end && action <= action_yank_line) apply_operator(ed, action);
            break;
    }
    return step_result::go_on;
}

// ---------------------------------------------------------------------------------------------
// What a redraw shows

prompt_view compute_view(editor_state& ed, std::size_t prompt_columns, std::size_t columns) {
    const line_buffer& line = ed.line;
    const char* t = line.text;
    const std::size_t n = line.length;
    prompt_view view;
    view.as_is = line.ascii;
    if (columns == 0) {
        ed.scroll = 0;
        view.text_len = n;
        view.cursor_left = line.ascii ? n - line.cursor : shown_columns(t + line.cursor, n - line.cursor);
        return view;
    }
    // The last column is never written: a terminal would wrap (or hold a pending wrap) there.
    const std::size_t budget = columns - 1;
    const std::size_t room = budget > prompt_columns ? budget - prompt_columns : 1;
    if (line.ascii) {
        if (prompt_columns + n <= budget) {
            ed.scroll = 0;
            view.text_len = n;
            view.cursor_left = n - line.cursor;
            return view;
        }
        std::size_t scroll = ed.scroll;
        if (line.cursor < scroll) scroll = line.cursor;
        if (line.cursor > scroll + room) scroll = line.cursor - room;
        if (n - scroll < room) scroll = n > room ? n - room : 0;
        ed.scroll = scroll;
        view.text_begin = scroll;
        view.text_len = n - scroll < room ? n - scroll : room;
        view.cursor_left = scroll + view.text_len - line.cursor;
        return view;
    }
    // The old left edge stays while the cursor is within reach of it; else the row starts as far
    // left as leaves the cursor at its right end. Characters after the cursor fill the row, and
    // when they reach the end of the line it extends back past the old edge so a short tail
    // fills it. A wide character is never cut, and a line that fits whole gets scroll 0.
    const std::size_t cursor = line.cursor;
    const std::size_t edge = utf8_fit(t, n, ed.scroll < cursor ? ed.scroll : cursor);
    std::size_t from = edge;
    std::size_t used = 0;  // columns from `from` to the end of the row
    bool head_as_is = true;
    const auto extend_back = [&](std::size_t limit) {
        while (from > limit) {
            const char_back c = step_back(t, n, from);
            if (used + c.columns > room) return;
            used += c.columns;
            head_as_is = head_as_is && c.as_is;
            from = c.start;
        }
    };
    // The row's head (edge to cursor) as last shown is kept with its columns: where the text still
    // starts with it, only what follows it is counted. It holds only characters shown as they are,
    // whose extent does not depend on the bytes after them.
    const std::string& head = ed.row_head;
    std::size_t at = edge;
    const std::size_t known = head.size() < cursor - edge ? head.size() : cursor - edge;
    if (known > 0 && (known == head.size() || (static_cast<unsigned char>(head[known]) & 0xC0) != 0x80) &&
        std::memcmp(head.data(), t + edge, known) == 0) {
        used = ed.row_head_columns - shown_columns(head.data() + known, head.size() - known);
        at = edge + known;
    }
    while (at < cursor && used <= room) {
        const char_step c = step_at(t, n, at);
        used += c.columns;
        head_as_is = head_as_is && c.as_is;
        at += c.size;
    }
    if (at < cursor) {  // the cursor went far past the row: fill it back from the cursor
        from = cursor;
        used = 0;
        head_as_is = true;
        extend_back(edge);
    }
    while (used > room) {  // a row that overflows by a character or two loses them on the left
        const char_step c = step_at(t, n, from);
        used -= c.columns;
        from += c.size;
    }
    std::size_t end = cursor;
    std::size_t after = 0;  // columns right of the cursor
    bool tail_as_is = true;
    while (end < n) {
        const char_step c = step_at(t, n, end);
        if (used + c.columns > room) break;
        used += c.columns;
        after += c.columns;
        tail_as_is = tail_as_is && c.as_is;
        end += c.size;
    }
    if (end >= n) extend_back(0);
    if (head_as_is) {
        ed.row_head.assign(t + from, cursor - from);
        ed.row_head_columns = used - after;
    } else {
        ed.row_head.clear();
    }
    ed.scroll = from;
    view.text_begin = from;
    view.text_len = end - from;
    view.cursor_left = after;
    view.as_is = head_as_is && tail_as_is;
    return view;
}

}  // namespace plm
