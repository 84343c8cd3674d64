// Translucency of the classic console window: the running window's layered
// alpha and the WindowAlpha value that console windows opened later use.
// Every failure here is silent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform.h"

namespace frostpane {

inline constexpr wchar_t console_key[] = L"Console";
inline constexpr wchar_t personalize_key[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
inline constexpr wchar_t window_alpha_value[] = L"WindowAlpha";
inline constexpr wchar_t enable_transparency_value[] = L"EnableTransparency";

// Percent (clamped to 1..100) to the alpha of the running window, at least 30.
std::uint8_t live_alpha(int percent);
// Percent to the WindowAlpha that is stored, 76..255.
std::uint32_t stored_alpha(int percent);
// Stored WindowAlpha back to a percent in 1..100; any alpha is accepted.
int percent_from_stored_alpha(std::uint32_t alpha);

// An environment value read into the fixed 260-character buffer; nothing when
// it is not set or does not fit.
std::optional<std::wstring> read_env(platform& os, const wchar_t* name);
// Only the presence of a variable counts (WT_SESSION).
bool env_exists(platform& os, const wchar_t* name);

// The console's per-program key for cmd.exe, "Console\C:_Windows_System32_cmd.exe",
// built from SystemRoot; nothing when SystemRoot is unavailable.
std::optional<std::wstring> cmd_key_path(platform& os);

void apply_window_opacity(platform& os, int percent);
void write_console_opacity(platform& os, int percent);
int read_console_opacity(platform& os);

}  // namespace frostpane
