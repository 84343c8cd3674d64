/*
 * promptloom — line prompt, numbered menu and interactive menus for console programs.
 *
 * A plain C interface: records with fixed layouts, function pointers and 32-bit status codes.
 * Nothing is thrown across it. Every export checks its pointer arguments first and answers a
 * null with PLM_ERR_INVALID_ARGUMENT (getters with null or 0). Strings the library hands out
 * (status texts, the version string, history entries) belong to the library.
 *
 * Console state changed while a prompt or menu runs, and put back when it returns:
 *   input mode   saved | 0x0088 & ~0x0017 | 0x0200   (window input, extended flags, VT input;
 *                                                    no processed, line, echo or mouse input)
 *                or, when VT input is refused, saved | 0x0088 & ~0x0007 | 0x0010
 *   output mode  saved | 0x0004                      (VT processing)
 *                or, with VLM_FORCE_CONSOLE_OUTPUT, saved & ~0x0004: drawn with console calls, the
 *                colours as text attributes (for consoles that mishandle VT output)
 *   written      where the output takes VT sequences: "\e[?1000h" "\e[?1003h" "\e[?1015h"
 *                "\e[?1006h" on entry (button, motion, urxvt and SGR mouse reports), "\e[?1000l"
 *                "\e[?1015l" "\e[?1006l" "\e[?1003l" when the last open prompt or menu returns
 *   control      a console control handler while any prompt or menu is open: it swallows Ctrl+C;
 *                Ctrl+Break, closing the window, log-off and shut-down first get the modes above
 *                back and mouse reporting off, then take their default course
 * When neither input mode can be set, the console is left alone and the calls take their
 * fallbacks (the prompt gives PLM_ERR_IO, the menus the numbered menu).
 *
 * On a POSIX terminal the same is done with termios; while a prompt or menu is open:
 *   SIGTERM, SIGHUP, SIGQUIT, SIGINT  the settings from before and mouse reporting off, then the
 *                caller's own handler (raw mode comes back if it returns) or the default action
 *                (a menu first takes the cursor to the row below itself)
 *   SIGTSTP, SIGTTIN, SIGTTOU  the same before the process stops; on SIGCONT raw mode and mouse
 *                reporting come back and the prompt or menu is drawn again
 *   SIGWINCH     a menu lays itself out again for the new size and is drawn whole (selection,
 *                ticks and typed digits kept); the prompt redraws its row for the new width. On
 *                the Windows console a window-buffer-size record does the same.
 * Signals ignored before (as under nohup) stay ignored; the caller's handlers are back when the
 * last prompt or menu returns. A terminal that refuses raw mode (tcsetattr failing, as in an
 * orphaned process group) is treated like a console whose modes cannot be set.
 *
 * Environment read: VLM_MENU_DEBUG, VLM_MENU_DEBUG_STDERR, VLM_MENU_DEBUG_FILE (debug log),
 * VLM_FORCE_CONSOLE_INPUT, VLM_FORCE_VT_BYTES (input path), VLM_FORCE_CONSOLE_OUTPUT (output path,
 * once per call), VLM_ESCAPE_MS (how long a lone Escape waits for the rest of a key sequence:
 * 0-1000 ms, default 50), VLM_DOUBLE_CLICK_MS (menus).
 * Written: VLM_MENU_RESULT_OVERRIDE (single-choice menu).
 *
 * Callers on Windows link the import library (or load promptloom.dll and look the names up);
 * define PROMPTLOOM_STATIC when linking the library's objects directly.
 */
#ifndef PROMPTLOOM_H
#define PROMPTLOOM_H

#include <stddef.h>
#include <stdint.h>

#if defined(PROMPTLOOM_STATIC)
#  define PLM_API
#elif defined(_WIN32)
#  if defined(PROMPTLOOM_BUILD)
#    define PLM_API __declspec(dllexport)
#  else
#    define PLM_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__) && defined(PROMPTLOOM_BUILD)
#  define PLM_API __attribute__((visibility("default")))
#else
#  define PLM_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Status codes (every export that can fail returns one) ---------------------------- */

enum {
    PLM_OK = 0,
    PLM_ERR_INVALID_ARGUMENT = -1,
    PLM_ERR_OUT_OF_MEMORY = -2,
    PLM_ERR_IO = -3,
    PLM_ERR_NOT_SUPPORTED = -4,
    PLM_ERR_INTERNAL = -5
};

/* ---- Edit modes (plm_prompt_options.edit_mode; any value other than 1 acts as 0) -------- */

enum {
    PLM_EDIT_MODE_DEFAULT = 0, /* arrow-key editing */
    PLM_EDIT_MODE_VI = 1       /* vi-style modal editing */
};

/* ---- Key codes (plm_key_event.key) ----------------------------------------------------- */

typedef enum plm_key {
    PLM_KEY_NONE = 0, /* no key: the read delivered a mouse action */
    PLM_KEY_CHAR = 1, /* ch holds the byte (VT input 0x20-0xFF except 0x7F) or code */
    PLM_KEY_ENTER = 2,
    PLM_KEY_BACKSPACE = 3,
    PLM_KEY_DELETE = 4,
    PLM_KEY_LEFT = 5,
    PLM_KEY_RIGHT = 6,
    PLM_KEY_UP = 7,
    PLM_KEY_DOWN = 8,
    PLM_KEY_PAGE_UP = 9,
    PLM_KEY_PAGE_DOWN = 10,
    PLM_KEY_HOME = 11,
    PLM_KEY_END = 12,
    PLM_KEY_TAB = 13,
    PLM_KEY_ESCAPE = 14,
    PLM_KEY_CTRL_C = 15
} plm_key;

/* ---- Records whose layout the caller sees ----------------------------------------------- */

/* The context: created by plm_context_create, opaque, owns the prompt history. */
typedef struct plm_context plm_context;

/* One key read from the console. Every reader zeroes all three fields before filling it. */
typedef struct plm_key_event {
    int32_t key;      /* a plm_key value */
    uint32_t ch;      /* PLM_KEY_CHAR only: the byte or character code; else 0 */
    int32_t reserved; /* always 0 */
} plm_key_event;

/* One mouse action. Coordinates are 0-based: window cells for VT input, screen-buffer cells
 * for console input records. Buttons use the xterm SGR numbering: 0 left, 1 middle, 2 right,
 * 3 release (console records), 32 motion, 64 wheel up, 65 wheel down; from VT input the
 * modifier bits 4, 8, 16 and the motion bit 32 are kept as received. */
typedef struct plm_mouse_event {
    int32_t x;
    int32_t y;
    int32_t button;
    int32_t released; /* 1 for a button release */
    int32_t valid;    /* 1 when this read delivered a mouse action; else the rest means nothing */
} plm_mouse_event;

/* What the completion callback is asked about; built afresh for each call. */
typedef struct plm_completion_request {
    const char* line; /* the line's text, NUL-terminated */
    size_t length;
    size_t cursor;
    size_t reserved[3]; /* always 0 */
} plm_completion_request;

/* Filled by the completion callback. Before the call, items points to 16 slots owned by the
 * prompt, count is 0 and capacity 16. The callback either fills up to capacity slots and sets
 * count, or points items at an array of its own. The strings stay the callback's; the prompt
 * copies the one it uses at once. */
typedef struct plm_completion_result {
    const char** items;
    size_t count;
    size_t capacity;
} plm_completion_result;

/* Completion: called on TAB when the prompt's completion flag is on, with these three
 * arguments (the key record is not passed). Return 0 for success; a non-null first candidate
 * then replaces the whole line, cursor at its end. */
typedef int (*plm_complete_fn)(const plm_completion_request* request, plm_completion_result* result, void* user_data);

/* Event hook: called by the line prompt after every event it reads, before acting on it.
 * mouse is non-null only when the read delivered a mouse action. The result is ignored. */
typedef int (*plm_event_fn)(const plm_key_event* key, const plm_mouse_event* mouse, void* user_data);

/* Callbacks, copied whole into the context. Any slot may be null; the reserved slots are kept
 * unchanged and never called. */
typedef struct plm_callbacks {
    void* reserved_a;
    plm_complete_fn complete;
    void* reserved_b;
    plm_event_fn on_event;
} plm_callbacks;

/* Part of the context; read it through the pointer plm_loop_get gives. */
typedef struct plm_loop {
    uint32_t reserved;   /* always 0 */
    uint32_t active;     /* 1 while plm_prompt_run on this context reads keys on a terminal */
    uint64_t iterations; /* read attempts by all prompts on this context since creation */
} plm_loop;

/* Options of one prompt; plm_default_prompt_options fills them. */
typedef struct plm_prompt_options {
    const char* prompt;  /* shown before the line; null means "VLM> " */
    uint32_t reserved0;  /* default 0; not read */
    uint32_t reserved1;  /* default 1; not read */
    uint32_t history;    /* 0 = off; default 1 */
    uint32_t completion; /* 0 = off; default 1 */
    uint32_t reserved2;  /* default 0; not read */
    uint32_t reserved3;  /* default 200; not read */
    int32_t edit_mode;   /* PLM_EDIT_MODE_DEFAULT or PLM_EDIT_MODE_VI; default 0 */
    uint32_t reserved4;  /* default 0; not read */
} plm_prompt_options;

/* ---- Context ------------------------------------------------------------------------------- */

/* A new context: no callbacks, null user data, log level 2, edit mode 0, loop record all zero,
 * empty history. Null when memory runs out. Give it back with plm_context_destroy. */
PLM_API plm_context* plm_context_create(void);

/* Frees the context, its history strings and history array. Pointers from plm_loop_get and
 * plm_history_get become invalid. A null ctx is ignored. */
PLM_API void plm_context_destroy(plm_context* ctx);

/* The stored user data; null for a null ctx. */
PLM_API void* plm_context_get_user_data(plm_context* ctx);

/* Stores the pointer handed to every callback as its last argument.
 * PLM_OK, or PLM_ERR_INVALID_ARGUMENT for a null ctx. */
PLM_API int32_t plm_context_set_user_data(plm_context* ctx, void* user_data);

/* Copies all four slots of *callbacks into the context; later changes to the caller's record
 * have no effect. PLM_OK, or PLM_ERR_INVALID_ARGUMENT (nothing changed) when either pointer is
 * null. */
PLM_API int32_t plm_context_set_callbacks(plm_context* ctx, const plm_callbacks* callbacks);

/* Stores an edit mode in the context. The prompt takes its edit mode from its options record
 * only; this value is kept for the caller. PLM_OK, or PLM_ERR_INVALID_ARGUMENT for a null ctx. */
PLM_API int32_t plm_context_set_edit_mode(plm_context* ctx, int32_t edit_mode);

/* Stores a log level (2 at creation); the library never reads it back, the debug log is
 * governed by the environment. PLM_OK, or PLM_ERR_INVALID_ARGUMENT for a null ctx. */
PLM_API int32_t plm_context_set_log_level(plm_context* ctx, int32_t log_level);

/* *out = the context's loop record, valid until plm_context_destroy. PLM_OK, or
 * PLM_ERR_INVALID_ARGUMENT when either pointer is null (*out then untouched). */
PLM_API int32_t plm_loop_get(plm_context* ctx, plm_loop** out);

/* ---- Status and version -------------------------------------------------------------------- */

/* "ok", "invalid argument", "out of memory", "io error", "not supported", "internal error";
 * "unknown status" for any other value. Static text, never null. */
PLM_API const char* plm_status_message(int32_t status);

/* 65536 (0x10000). */
PLM_API int32_t plm_version_number(void);

/* "promptloom/0.2.0-draft"; static text. */
PLM_API const char* plm_version_string(void);

/* ---- Line prompt and history ----------------------------------------------------------------
 * Keys on a terminal (arrow-key mode, PLM_EDIT_MODE_DEFAULT): printable text inserts, one
 * whole UTF-8 character at a time (on_event still sees one PLM_KEY_CHAR per byte; control
 * bytes and invalid or incomplete sequences are dropped), Enter accepts, Backspace/Delete,
 * Left/Right, Home/End, Up/Down browse the history, Tab asks the completion callback, Ctrl+C
 * cancels; Page Up/Down and Escape do nothing. The cursor always moves by whole characters.
 * vi mode (PLM_EDIT_MODE_VI) starts in insert mode (keys as above); Escape enters normal mode:
 * h l 0 $ w W b B e E move, i a A insert, x Backspace Delete delete under the cursor, k j
 * history, d c y with $ w b e or doubled (dd cc yy) delete/change/yank into a 255-byte kill
 * buffer (never cut inside a character), p pastes after the cursor; Enter accepts and Ctrl+C
 * cancels in both modes. Word motions keep the ASCII word classes and count every non-ASCII
 * character as a word character, so a run of Chinese text is one word. On VT
 * input an Escape is known when no further byte follows within VLM_ESCAPE_MS (50 ms unless set):
 * the bytes of one key arrive together, so a byte sooner is taken as part of it (Escape, and
 * that byte is lost).
 * Each key is followed by a redraw of the whole row: "\r\e[2K", the prompt, the line, and
 * "\e[<n>D" when the cursor is n columns before the end. Columns are display columns (2 for
 * East Asian wide characters, 0 for combining marks); the prompt text's escape sequences count
 * none. A line wider than the window scrolls sideways: the row shows the part that holds the
 * cursor, never reaches the last column and never cuts a wide character (the width is asked
 * before every redraw; unknown, the whole line is written). History entries and completion
 * candidates are shown, not obeyed: control characters as ^X (M-^X for U+0080..U+009F) and
 * invalid bytes as U+FFFD. */

/* Fills *options with the defaults: prompt "VLM> ", history 1, completion 1, edit mode 0,
 * reserved fields 0, 1, 0, 200, 0. A null pointer is ignored. */
PLM_API void plm_default_prompt_options(plm_prompt_options* options);

/* Reads one line. On a terminal (standard input and output both): raw mode, the editing keys
 * above, history, completion, and the context's on_event callback after every key or mouse
 * action read; otherwise the prompt text and one plain line from standard input (read whole,
 * so a line too long for buffer leaves nothing behind for the next call; line end removed; not
 * added to the history). options may be null (the
 * defaults). PLM_OK with the line (no line end, NUL-terminated) in buffer, added to the history
 * when its flag is on and the line is not empty;
 * PLM_ERR_INVALID_ARGUMENT for a null ctx or buffer, size 0, or a line that does not fit
 * (the line is then lost and not stored);
 * PLM_ERR_OUT_OF_MEMORY;
 * PLM_ERR_IO when the terminal cannot be set up, the input ends, or the user cancels with
 * Ctrl+C; buffer and history are then untouched (after Ctrl+C the cursor moves to the next
 * row). */
PLM_API int32_t plm_prompt_run(plm_context* ctx, const plm_prompt_options* options, char* buffer, size_t buffer_size);

/* Appends a copy of line to the history (an empty line stores nothing and gives PLM_OK).
 * PLM_ERR_INVALID_ARGUMENT for a null pointer, PLM_ERR_OUT_OF_MEMORY with the history unchanged. */
PLM_API int32_t plm_history_add(plm_context* ctx, const char* line);

/* Number of history entries; 0 for a null ctx. */
PLM_API size_t plm_history_count(plm_context* ctx);

/* Entry index (0 = oldest), owned by the context and valid until plm_context_destroy; null for
 * a null ctx or an index not below the count. */
PLM_API const char* plm_history_get(plm_context* ctx, size_t index);

/* ---- Menus ------------------------------------------------------------------------------------
 * The interactive menus draw below the cursor line and are worked with Up/Down, Page Up/Down,
 * Home/End and the mouse (click, wheel); Escape cancels and Ctrl+C is ignored. The single-choice
 * menu chooses with Enter, a double click, or a typed item number and Enter; the multi-choice
 * menu toggles with Space, Enter or a click and confirms on its last row. Without a terminal
 * they fall back to text (the numbered menu; a typed comma-separated list of numbers). Items and
 * titles on a terminal are shown, not obeyed (as history entries are; the text fallbacks do the
 * same whenever standard output is a terminal), every row is cut to the
 * window's width with a '>' mark, and when a menu returns the cursor starts the row below it. */

/* Prints the optional title and "  N. item" lines (a null item as an empty text), reads the
 * answer as one line through the prompt (no prompt text, no history, no completion, arrow-key
 * mode; at most 63 bytes) and
 * stores the chosen 0-based index in *out_index (default_index, or 0 when that is out of range,
 * for an answer that is no item number). PLM_ERR_INVALID_ARGUMENT for null ctx, items or
 * out_index or count 0; other prompt failures are passed through with *out_index untouched. */
PLM_API int32_t plm_menu_choice(plm_context* ctx, const char* title, const char* const* items, size_t count,
                                size_t default_index, size_t* out_index);

/* An interactive list worked with keys and mouse; falls back to plm_menu_choice (same
 * arguments) without a terminal or when raw mode cannot be entered, and returns its status.
 * PLM_OK with *out_index; PLM_ERR_INVALID_ARGUMENT for bad arguments or Escape (*out_index
 * untouched); PLM_ERR_IO when the terminal goes away (*out_index untouched). Typing one of the
 * menu's hidden words chooses the highlighted item and sets VLM_MENU_RESULT_OVERRIDE=Quill in
 * the process environment. */
PLM_API int32_t plm_menu_choice_interactive(plm_context* ctx, const char* title, const char* const* items, size_t count,
                                            size_t start_index, size_t* out_index);

/* An interactive list with check boxes; selected holds count flag bytes (1 = ticked) on return.
 * settle_delay non-zero waits 120 ms before the first drawing. PLM_OK when confirmed;
 * PLM_ERR_INVALID_ARGUMENT for bad arguments or Escape (all flags 0); PLM_ERR_IO when the text
 * fallback reads no line or the terminal goes away (all flags 0). When raw mode cannot be entered
 * the numbered menu asks for one item, which alone is ticked on PLM_OK. */
PLM_API int32_t plm_menu_multi_choice_interactive(plm_context* ctx, const char* title, const char* const* items,
                                                  size_t count, unsigned char* selected, int32_t settle_delay);

#ifdef __cplusplus
}
#endif

#endif /* PROMPTLOOM_H */
