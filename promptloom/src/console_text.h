// Text for a console that shows escape sequences instead of acting on them (VT output off).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform.h"

namespace plm {

// Writes `bytes` to standard output, carrying out its colour sequences (ESC [ ... m) as text
// attributes and leaving every other control sequence out, so that no escape byte reaches the
// screen. Reset (0) means the attribute the console had when the call began; it has it again
// afterwards. Bold is the bright colours; underline COMMON_LVB_UNDERSCORE; a 24-bit colour
// becomes the console colour made of its channels that reach 3/4 of its brightest one.
void write_console_text(platform& sys, handle_t out, std::string_view bytes);

}  // namespace plm
