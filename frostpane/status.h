// The status report that `check` (and no argument) prints.
//
// The values are gathered first (settings text, registry, console window) and
// then turned into the report's bytes by a pure function, so every line of the
// wording is tested without a console.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform.h"

namespace frostpane {

// The transparency members as the first match of each search found them, outside comments and
// strings. A capture that does not convert (an acrylic opacity of "." or too many digits for a
// double, an opacity beyond 32 bits) counts as absent.
struct terminal_findings {
    bool acrylic_found = false;
    bool acrylic_on = false;
    bool acrylic_opacity_found = false;
    double acrylic_opacity = 0.0;
    bool opacity_found = false;
    int opacity = 0;
};

terminal_findings find_terminal_values(std::string_view settings_text);

// What the running console window answered when asked for its alpha.
enum class live_window { absent, not_layered, alpha, unreadable };

// EnableTransparency under the Personalize key.
enum class transparency_effects { unknown, enabled, disabled };

struct status_facts {
    bool inside_terminal = false;    // WT_SESSION exists
    bool settings_readable = false;  // the settings text was not empty
    terminal_findings terminal;
    int stored_percent = 100;  // read_console_opacity
    live_window live = live_window::absent;
    std::uint8_t live_alpha = 0;
    transparency_effects effects = transparency_effects::unknown;
};

std::string terminal_section_text(const terminal_findings& found);
std::string console_section_text(int stored_percent, live_window live, std::uint8_t alpha);
std::string effects_line_text(transparency_effects effects);
// The whole report: the hint lines when the settings file could not be read inside Windows
// Terminal, one of the two sections, the transparency-effects line and the final empty line.
std::string status_report_text(const status_facts& facts);

// Gathers the facts through `os` and writes the report to standard output in one piece.
// Inside Windows Terminal without LOCALAPPDATA the program ends with its message.
void show_status(platform& os);

}  // namespace frostpane
