// The line prompt, for the numbered menu and the exports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

// One line of standard input without its line end (the LF and the CRs before it), read whole
// however long it is, so that nothing of it is left for the next read: `line` gets its first
// `keep` bytes and `cut` tells whether there were more. False at the end of input.
bool read_whole_line(platform& sys, std::string& line, std::size_t keep, bool& cut);

// plm_prompt_run on a given platform: the edited line on a terminal, one plain line without.
std::int32_t prompt_run(platform& sys, plm_context* ctx, const plm_prompt_options* options, char* buffer,
                        std::size_t buffer_size);

}  // namespace plm
