// The line prompt, for the numbered menu and the exports.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame.h"
#include "line_editor.h"
#include "platform.h"

namespace plm {

// The options of one run, with the prompt's length and screen width worked out once.
struct prompt_settings {
    const char* prompt;
    std::size_t prompt_length;
    std::size_t prompt_columns;
    bool history;
    bool completion;
    std::int32_t edit_mode;
};

// The caller's options, or the defaults for null; a null prompt text means "VLM> ".
prompt_settings settings_from(const plm_prompt_options* options);

// Window width in columns, for the horizontal scrolling of long lines; 0 when unknown.
std::size_t window_columns(platform& sys, handle_t out);

// Rewrites the prompt row: "\r\e[2K", the prompt, the shown part of the line (all of it when
// `columns` is 0), "\e[<n>D" when the cursor is n columns before the end of what was written;
// then flushes. Given a `console` without VT output, the same is done with console calls there:
// the cursor's row filled with blanks, the prompt's colours as attributes, the cursor moved back.
void redraw_prompt_line(platform& sys, const prompt_settings& s, std::size_t columns, editor_state& ed,
                        handle_t console = nullptr);

// plm_prompt_run on a given platform: the edited line on a terminal, one plain line without.
std::int32_t prompt_run(platform& sys, plm_context* ctx, const plm_prompt_options* options, char* buffer,
                        std::size_t buffer_size);

}  // namespace plm
