// The line prompt and its history: the line editor driven through the platform, one event at a
// time, with a full redraw of the prompt row after each.
#include "prompt.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "console_text.h"
#include "history.h"
#include "line_editor.h"
#include "raw_mode.h"
#include "text.h"

namespace plm {

namespace {

constexpr const char* k_default_prompt = "VLM> ";
constexpr int k_fallback_line_size = 4096;  // the piece read at a time

}  // namespace

bool read_whole_line(platform& sys, std::string& line, std::size_t keep, bool& cut) {
    line.clear();
    cut = false;
    bool got = false;
    std::size_t length = 0;     // of the line so far, line end left out
    std::size_t carriages = 0;  // CRs at its end so far, which a line end takes with it
    char piece[k_fallback_line_size];
    for (;;) {
        // read_line writes what it read and a NUL, nothing more: in a buffer of non-zero bytes its
        // last NUL ends the piece, also when the line holds NUL bytes of its own.
        std::memset(piece, '\n', sizeof piece);
        if (!sys.read_line(piece, k_fallback_line_size)) break;
        got = true;
        std::size_t n = sizeof piece - 1;
        while (piece[n] != '\0') --n;
        const bool full = n == sizeof piece - 1;
        const bool ended = n > 0 && piece[n - 1] == '\n';
        if (ended) --n;
        std::size_t trailing = 0;
        while (trailing < n && piece[n - 1 - trailing] == '\r') ++trailing;
        carriages = trailing == n ? carriages + n : trailing;
        if (line.size() < keep) line.append(piece, std::min(n, keep - line.size()));
        length += n;
        // A piece that stops short without a line end was the last of the input.
        if (ended || !full) break;
    }
    length -= carriages;
    cut = length > keep;
    if (line.size() > length) line.resize(length);
    return got;
}

prompt_settings settings_from(const plm_prompt_options* options) {
    plm_prompt_options defaults;
    plm_default_prompt_options(&defaults);
    const plm_prompt_options& o = options != nullptr ? *options : defaults;
    prompt_settings s{};
    s.prompt = o.prompt != nullptr ? o.prompt : k_default_prompt;
    s.prompt_length = std::strlen(s.prompt);
    s.prompt_columns = display_columns(s.prompt, s.prompt_length);
    s.history = o.history != 0;
    s.completion = o.completion != 0;
    s.edit_mode = o.edit_mode;
    return s;
}

namespace {

// No terminal: the prompt, then one whole line. Console modes, loop record, callbacks and
// history stay untouched.
std::int32_t plain_line(platform& sys, const prompt_settings& s, char* buffer, std::size_t buffer_size) {
    sys.write_output(std::string_view(s.prompt, s.prompt_length));
    sys.flush_output();
    std::string line;
    bool cut = false;
    if (!read_whole_line(sys, line, buffer_size - 1, cut)) return PLM_ERR_IO;
    if (cut) return PLM_ERR_INVALID_ARGUMENT;
    std::memcpy(buffer, line.data(), line.size());
    buffer[line.size()] = '\0';
    return PLM_OK;
}

}  // namespace

std::size_t window_columns(platform& sys, handle_t out) {
    coord size;
    if (!sys.get_window_size(out, &size)) return 0;
    return size.x > 0 ? static_cast<std::size_t>(size.x) : 0;
}

void redraw_prompt_line(platform& sys, const prompt_settings& s, std::size_t columns, editor_state& ed,
                        handle_t console) {
    const prompt_view view = compute_view(ed, s.prompt_columns, columns);
    screen_info at;
    const bool calls = console != nullptr && sys.get_screen_buffer_info(console, &at);
    if (calls) {
        const coord start{0, at.cursor.y};
        std::uint32_t written = 0;
        sys.fill_output_character(console, ' ', static_cast<std::uint32_t>(at.size.x), start, &written);
        sys.fill_output_attribute(console, at.attributes, static_cast<std::uint32_t>(at.size.x), start, &written);
        sys.set_cursor_position(console, start);
        write_console_text(sys, console, std::string_view(s.prompt, s.prompt_length));
    } else {
        sys.write_output("\r\x1b[2K");
        sys.write_output(std::string_view(s.prompt, s.prompt_length));
    }
    if (view.as_is) {
        sys.write_output(std::string_view(ed.line.text + view.text_begin, view.text_len));
    } else {
        // A recalled entry or a completion may hold controls: shown, never sent as such.
        std::size_t unlimited = SIZE_MAX;
        ed.shown.clear();
        (void)append_shown(ed.shown, ed.line.text + view.text_begin, view.text_len, &unlimited);
        sys.write_output(ed.shown);
    }
    if (view.cursor_left > 0 && calls) {
        sys.flush_output();  // the console's cursor then stands where the text ends
        screen_info end;
        if (sys.get_screen_buffer_info(console, &end)) {
            const auto left = static_cast<std::int32_t>(end.cursor.x) - static_cast<std::int32_t>(view.cursor_left);
            sys.set_cursor_position(console, coord{static_cast<std::int16_t>(left > 0 ? left : 0), end.cursor.y});
        }
    } else if (view.cursor_left > 0) {
        char move[32];
        const int n = std::snprintf(move, sizeof move, "\x1b[%uD", static_cast<unsigned>(view.cursor_left));
        sys.write_output(std::string_view(move, static_cast<std::size_t>(n)));
    }
    sys.flush_output();
}

namespace {

// Every way out of a prompt on a terminal goes through here, also when a callback or the
// platform throws: loop record, raw mode, line buffer, in this order. `active` goes back to what
// it was, so that a prompt run from a callback of another on the same context leaves it at 1.
class terminal_session {
public:
    terminal_session(platform& sys, plm_context* ctx, editor_state& ed)
        : sys_(sys), ctx_(ctx), ed_(ed), was_active_(ctx->loop.active) {}
    terminal_session(const terminal_session&) = delete;
    terminal_session& operator=(const terminal_session&) = delete;
    ~terminal_session() {
        ctx_->loop.active = was_active_;
        if (raw_) raw_mode_leave(sys_, in, out, saved_in, saved_out);
        editor_end(ed_);
    }
    bool enter() {
        in = sys_.std_input_handle();
        out = sys_.std_output_handle();
        raw_ = raw_mode_enter(sys_, in, out, &saved_in, &saved_out, &vt_input) != 0;
        return raw_;
    }

    handle_t in = nullptr;
    handle_t out = nullptr;
    std::uint32_t saved_in = 0;
    std::uint32_t saved_out = 0;
    std::int32_t vt_input = 0;

private:
    platform& sys_;
    plm_context* ctx_;
    editor_state& ed_;
    std::uint32_t was_active_;
    bool raw_ = false;
};

// One event (1): the VT reader when raw mode set VT input, else (or when it gave nothing) the
// getwch reader; k_read_screen_changed when the row must be drawn again; 0 once the input has
// gone for good.
int read_one_event(platform& sys, plm_context* ctx, terminal_session& term, plm_input_decoder& decoder,
                   plm_key_event& key, plm_mouse_event& mouse) {
    for (;;) {
        sys.sleep_ms(0);
        ++ctx->loop.iterations;
        mouse = plm_mouse_event{};
        int got = 0;
        if (term.vt_input == 1) got = read_event(sys, term.in, &decoder, &key, &mouse);
        if (got == 0) got = read_key_getwch(sys, &key);
        if (got != 0) return got;
        if (sys.input_closed()) return 0;
    }
}

std::int32_t edit_on_terminal(platform& sys, plm_context* ctx, const prompt_settings& s, char* buffer,
                              std::size_t buffer_size) {
    editor_state ed;
    if (!editor_begin(sys, ed, s.edit_mode, s.history, s.completion)) return PLM_ERR_OUT_OF_MEMORY;
    terminal_session term(sys, ctx, ed);
    if (!term.enter()) return PLM_ERR_IO;

    plm_input_decoder decoder;
    decoder_reset(&decoder);
    ctx->loop.active = 1;
    const handle_t console = output_takes_vt(sys, term.out) ? nullptr : term.out;
    // Asked before every redraw, so a window resized during the prompt is followed.
    redraw_prompt_line(sys, s, window_columns(sys, term.out), ed, console);

    for (;;) {
        plm_key_event key{};
        plm_mouse_event mouse{};
        const int got = read_one_event(sys, ctx, term, decoder, key, mouse);
        if (got == 0) return PLM_ERR_IO;
        if (got == k_read_screen_changed) {
            // A new width (or the terminal back from a stop): the row drawn for it.
            redraw_prompt_line(sys, s, window_columns(sys, term.out), ed, console);
            continue;
        }
        if (ctx->callbacks.on_event != nullptr)
            (void)ctx->callbacks.on_event(&key, mouse.valid == 1 ? &mouse : nullptr, ctx->user_data);

        editor_env env;
        env.history = &ctx->history;
        env.complete = ctx->callbacks.complete;
        env.user_data = ctx->user_data;
        switch (perform_action(ed, map_key(ed, key), key, env)) {
            case step_result::accept:
                sys.write_output("\n");
                sys.flush_output();
                if (ed.line.length + 1 > buffer_size) return PLM_ERR_INVALID_ARGUMENT;
                std::memcpy(buffer, ed.line.text, ed.line.length + 1);
                if (s.history) (void)history_add(sys, ctx->history, buffer);
                return PLM_OK;
            case step_result::cancel:
                // The cancelled line stays visible; the caller's next output starts below it.
                sys.write_output("\n");
                sys.flush_output();
                return PLM_ERR_IO;
            case step_result::out_of_memory:
                return PLM_ERR_OUT_OF_MEMORY;
            case step_result::go_on:
                break;
        }
        // Half a character changes nothing on screen: the redraw waits for the whole of it.
        if (ed.typed_length == 0) redraw_prompt_line(sys, s, window_columns(sys, term.out), ed, console);
    }
}

}  // namespace

std::int32_t prompt_run(platform& sys, plm_context* ctx, const plm_prompt_options* options, char* buffer,
                        std::size_t buffer_size) {
    if (ctx == nullptr || buffer == nullptr || buffer_size == 0) return PLM_ERR_INVALID_ARGUMENT;
    const prompt_settings s = settings_from(options);
    if (stdio_is_tty(sys) == 0) return plain_line(sys, s, buffer, buffer_size);
    return edit_on_terminal(sys, ctx, s, buffer, buffer_size);
}

}  // namespace plm

using plm::current_platform;

extern "C" {

PLM_API void plm_default_prompt_options(plm_prompt_options* options) {
    if (options == nullptr) return;
    options->prompt = "VLM> ";
    options->reserved0 = 0;
    options->reserved1 = 1;
    options->history = 1;
    options->completion = 1;
    options->reserved2 = 0;
    options->reserved3 = 200;
    options->edit_mode = PLM_EDIT_MODE_DEFAULT;
    options->reserved4 = 0;
}

PLM_API int32_t plm_prompt_run(plm_context* ctx, const plm_prompt_options* options, char* buffer, size_t buffer_size) {
    return plm::guard_status([&] { return plm::prompt_run(current_platform(), ctx, options, buffer, buffer_size); });
}

PLM_API int32_t plm_history_add(plm_context* ctx, const char* line) {
    if (ctx == nullptr || line == nullptr) return PLM_ERR_INVALID_ARGUMENT;
    return plm::guard_status([&] { return plm::history_add(current_platform(), ctx->history, line); });
}

PLM_API size_t plm_history_count(plm_context* ctx) { return ctx == nullptr ? 0 : ctx->history.count; }

PLM_API const char* plm_history_get(plm_context* ctx, size_t index) {
    if (ctx == nullptr || index >= ctx->history.count) return nullptr;
    return ctx->history.items[index];
}

}  // extern "C"
