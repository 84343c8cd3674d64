// The frostpane command line: one command word per run, the console's output
// code page switched to UTF-8 for the run and put back afterwards.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform.h"

namespace frostpane {

enum class command_kind { status, set, restore, slider, usage };

struct command_line {
    command_kind command = command_kind::usage;
    int opacity = 80;
    bool blur = true;
};

// A decimal integer at the start of `text`: white space, an optional sign,
// at least one digit; the rest is ignored. Values beyond 32 bits saturate.
std::optional<int> parse_leading_int(std::string_view text);

// Picks the command; `set` with an argument that holds no number, or no
// command word at all, gives command_kind::usage.
command_line parse_command_line(int argc, const char* const argv[]);

inline constexpr std::string_view usage_text =
    "用法：frostpane.exe [check | set [透明度] [模糊] | restore | slider]\n"
    "  透明度：1~100（100 为不透明）\n"
    "  模糊：1 开启，0 关闭（仅 WT 亚克力模式有效）\n";

// Runs one command and returns the exit code: 0, 1 after the usage text, 2 after
// a failure message of the command (a script can tell that nothing happened).
int run_frostpane(platform& os, int argc, const char* const argv[]);

// Opacity clamped to 1..100, then the classic console (window and registry)
// or, inside Windows Terminal, its settings file with or without blur. False
// after a failure message (the classic console fails silently).
bool set_transparency(platform& os, int opacity, bool blur);

// Ends the program with `status`, putting the code page back first.
[[noreturn]] void exit_program(platform& os, int status);

// The console control handler: puts the code page back on Ctrl+C, Ctrl+Break,
// close, log-off and shut-down; always lets the next handler run.
bool console_ctrl_handler(std::uint32_t event);

}  // namespace frostpane
