#include "line_editor.h"

#include <cstring>

namespace plm {

// ---------------------------------------------------------------------------------------------
// The line

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

// ASCII only, whatever locale the calling program has set: the boundaries must not move
// with the caller's environment.
static bool is_word_byte(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

std::size_t word_forward(const char* text, std::size_t length, std::size_t p) {
    if (p >= length) return length;
    const auto* t = reinterpret_cast<const unsigned char*>(text);
    if (is_word_byte(t[p])) {
        while (p < length && is_word_byte(t[p])) ++p;
    }
    while (p < length && !is_word_byte(t[p])) ++p;
    return p;
}

std::size_t word_back(const char* text, std::size_t length, std::size_t p) {
    const auto* t = reinterpret_cast<const unsigned char*>(text);
    std::size_t q = p < length ? p : length;
    if (q <= 1) return 0;
    --q;
    while (q > 0 && !is_word_byte(t[q])) --q;
    if (q == 0) return 0;
    while (q > 0 && is_word_byte(t[q - 1])) --q;
    return q;
}

std::size_t word_end(const char* text, std::size_t length, std::size_t p) {
    if (p >= length) return length;
    const auto* t = reinterpret_cast<const unsigned char*>(text);
    while (p < length && !is_word_byte(t[p])) ++p;
    if (p >= length) return length;
    while (p + 1 < length && is_word_byte(t[p + 1])) ++p;
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

void copy_cut(char* dst, std::size_t dst_size, const char* src, std::size_t n) {
    if (n > dst_size - 1) n = dst_size - 1;
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
            const std::size_t e = word_end(line.text, line.length, line.cursor);
            end = e == line.length ? line.length : e + 1;
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

}  // namespace

step_result perform_action(editor_state& ed, int action, const plm_key_event& key, const editor_env& env) {
    line_buffer& line = ed.line;
    switch (action) {
        case action_accept:
            return step_result::accept;
        case action_cancel:
            return step_result::cancel;
        case action_left:
            if (line.cursor > 0) --line.cursor;
            break;
        case action_right:
            if (line.cursor < line.length) ++line.cursor;
            break;
        case action_home:
            line.cursor = 0;
            break;
        case action_end:
            line.cursor = line.length;
            break;
        case action_backspace:
            if (line.cursor > 0) {
                line_erase(line, line.cursor - 1, line.cursor);
                --line.cursor;
            }
            break;
        case action_delete:
            if (line.cursor < line.length) line_erase(line, line.cursor, line.cursor + 1);
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
        case action_insert:
            // Only printable ASCII: a UTF-8 lead byte on its own would corrupt the line.
            if (key.ch >= 0x20 && key.ch <= 0x7E) {
                const char c = static_cast<char>(key.ch);
                if (!line_insert(*ed.sys, line, &c, 1)) return step_result::out_of_memory;
                ed.history_index = -1;
            }
            break;
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
            if (line.cursor < line.length) ++line.cursor;
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

std::size_t display_columns(const char* s, std::size_t n) {
    const auto* t = reinterpret_cast<const unsigned char*>(s);
    std::size_t cols = 0;
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = t[i];
        if (c == 0x1B && i + 1 < n && t[i + 1] == '[') {
            i += 2;
            while (i < n && !(t[i] >= 0x40 && t[i] <= 0x7E)) ++i;
            ++i;
        } else if (c == 0x1B && i + 1 < n && t[i + 1] == ']') {
            i += 2;
            while (i < n && t[i] != 0x07 && !(t[i] == 0x1B && i + 1 < n && t[i + 1] == '\\')) ++i;
            i += (i < n && t[i] == 0x1B) ? 2 : 1;
        } else {
            if (c >= 0x20 && c != 0x7F && (c & 0xC0) != 0x80) ++cols;
            ++i;
        }
    }
    return cols;
}

prompt_view compute_view(editor_state& ed, std::size_t prompt_columns, std::size_t columns) {
    const line_buffer& line = ed.line;
    prompt_view view;
    // The last column is never written: a terminal would wrap (or hold a pending wrap) there.
    if (columns == 0 || prompt_columns + line.length <= columns - 1) {
        ed.scroll = 0;
        view.text_len = line.length;
        view.cursor_left = line.length - line.cursor;
        return view;
    }
    const std::size_t budget = columns - 1;
    const std::size_t room = budget > prompt_columns ? budget - prompt_columns : 1;
    std::size_t scroll = ed.scroll;
    if (line.cursor < scroll) scroll = line.cursor;
    if (line.cursor > scroll + room) scroll = line.cursor - room;
    if (line.length - scroll < room) scroll = line.length > room ? line.length - room : 0;
    ed.scroll = scroll;
    view.text_begin = scroll;
    view.text_len = line.length - scroll < room ? line.length - scroll : room;
    view.cursor_left = scroll + view.text_len - line.cursor;
    return view;
}

}  // namespace plm
