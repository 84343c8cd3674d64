// The line editor behind plm_prompt_run, as pure code: a growable line, the vi and history
// state of one run, the two keymaps and every editing action. Nothing here touches a console;
// the prompt feeds it key events and draws what it holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "frame.h"
#include "platform.h"
#include "promptloom.h"

namespace plm {

// Action codes of the key mappers. The numbers are the ones the prompt's documentation uses;
// 2 is unused. prompt_cancel is this library's own way out (Ctrl+C).
enum prompt_action : int {
    action_none = 0,
    action_accept = 1,
    action_left = 3,
    action_right = 4,
    action_home = 5,
    action_end = 6,
    action_backspace = 7,
    action_delete = 8,
    action_history_older = 9,
    action_history_newer = 10,
    action_complete = 11,
    action_insert = 12,
    action_word_forward = 13,
    action_word_back = 14,
    action_word_end = 15,
    action_delete_to_end = 16,  // 16..20 delete, 21..25 change, 26..30 yank, each over
    action_change_to_end = 21,  // to-end, next word, previous word, word end, whole line
    action_yank_to_end = 26,
    action_yank_line = 30,
    action_paste = 31,
    action_cancel = 32,
};

enum class vi_operator : int { none, del, change, yank };

// The line being edited. `text` is always NUL-terminated once created; `cursor` <= `length`
// and never inside a UTF-8 sequence. `ascii` is true while every byte is printable ASCII (a
// byte is a column then, and the redraw needs no character walk); erasing keeps it as it was.
struct line_buffer {
    char* text = nullptr;
    std::size_t length = 0;
    std::size_t capacity = 0;
    std::size_t cursor = 0;
    bool ascii = true;
};

// Memory comes from the platform so tests can make any allocation fail.
// Grows `line` by doubling (from 64 when empty) until it holds `needed` bytes.
// False when memory runs out; the line is then unchanged.
bool line_reserve(platform& sys, line_buffer& line, std::size_t needed);
// Inserts n bytes at the cursor and moves the cursor past them. False (line unchanged) on
// allocation failure.
bool line_insert(platform& sys, line_buffer& line, const char* bytes, std::size_t n);
// Replaces the whole text with `s`, cursor at its end. False (line unchanged) on failure.
bool line_replace(platform& sys, line_buffer& line, const char* s);
void line_free(platform& sys, line_buffer& line);

// Word motions over the line's characters. Word characters are ASCII letters, digits and '_',
// and every character outside ASCII (so a run of Chinese text is one word); ASCII punctuation,
// blanks and controls separate words. Results are character starts.
std::size_t word_forward(const char* text, std::size_t length, std::size_t p);
std::size_t word_back(const char* text, std::size_t length, std::size_t p);
std::size_t word_end(const char* text, std::size_t length, std::size_t p);

constexpr std::size_t kill_buffer_size = 256;
constexpr std::size_t saved_line_size = 256;
constexpr std::size_t completion_slots = 16;

struct editor_state {
    platform* sys = nullptr;
    line_buffer line;
    char kill_buffer[kill_buffer_size] = {};
    char saved_line[saved_line_size] = {};
    std::int32_t history_index = -1;
    int insert = 0;  // vi: 1 = insert mode
    vi_operator pending = vi_operator::none;
    bool vi = false;
    bool history_on = true;
    bool completion_on = true;
    std::size_t scroll = 0;  // first byte shown when the line is wider than the window
    char typed[4] = {};      // a UTF-8 character arriving one byte per key event
    std::size_t typed_length = 0;
    std::string shown;  // the redraw's text as written, kept to spare an allocation per key
    // The shown text left of the cursor at the last redraw and its columns (empty unless every
    // character of it is shown as it is), so the next redraw counts only what changed.
    std::string row_head;
    std::size_t row_head_columns = 0;
};

// What the caller of the editor supplies for history and completion. The history is the
// context's, read afresh for every action, so entries a callback adds meanwhile are seen.
struct editor_env {
    const plm_history* history = nullptr;
    int (*complete)(const plm_completion_request*, plm_completion_result*, void*) = nullptr;
    void* user_data = nullptr;
};

// Sets up a fresh run: empty line of 256 bytes, empty kill buffer and saved line, history
// index -1, vi starting in insert mode. False when the line cannot be allocated.
bool editor_begin(platform& sys, editor_state& ed, std::int32_t edit_mode, bool history_on, bool completion_on);
void editor_end(editor_state& ed);

// Key mapper: the default keymap, or the vi keymap with its mode and pending-operator changes.
int map_key(editor_state& ed, const plm_key_event& key);

enum class step_result { go_on, accept, cancel, out_of_memory };

// Performs one action on the editor.
step_result perform_action(editor_state& ed, int action, const plm_key_event& key, const editor_env& env);

// What one redraw shows: the prompt, then the characters of the line in bytes
// [`text_begin`, `text_begin` + `text_len`) as show_char shows them, then the cursor moved
// `cursor_left` columns left from the end of what was written. `as_is`: every one of those
// characters is shown as its own bytes, so the bytes can be written without a second look.
struct prompt_view {
    std::size_t text_begin = 0;
    std::size_t text_len = 0;
    std::size_t cursor_left = 0;
    bool as_is = false;
};

// Picks the part of the line to show, counting display columns. `columns` is the window width
// (0 = unknown: the whole line is shown). A line that fits shows whole; a wider one scrolls
// sideways so the row never reaches the last column, the cursor stays visible and a wide
// character is never cut at the edge. Updates ed.scroll.
prompt_view compute_view(editor_state& ed, std::size_t prompt_columns, std::size_t columns);

}  // namespace plm
