#include "console_opacity.h"

#include <algorithm>

namespace frostpane {
namespace {

int clamp_percent(int percent) { return std::clamp(percent, 1, 100); }

// WindowAlpha as a DWORD, or nothing when the key or the value cannot be read.
std::optional<std::uint32_t> read_window_alpha(platform& os, std::wstring_view key_path) {
    platform::reg_key key = 0;
    if (os.reg_open_key(key_path, key_read, key) != error_success) return std::nullopt;
    std::uint32_t value = 0;
    const bool ok = os.reg_query_dword(key, window_alpha_value, value) == error_success;
    os.reg_close_key(key);
    if (!ok) return std::nullopt;
    return value;
}

void store_window_alpha(platform& os, std::wstring_view key_path, std::uint32_t alpha) {
    platform::reg_key key = 0;
    if (os.reg_create_key(key_path, key_set_value, key) != error_success) return;
    os.reg_set_dword(key, window_alpha_value, alpha);
    os.reg_close_key(key);
}

}  // namespace

std::uint8_t live_alpha(int percent) {
    const int alpha = clamp_percent(percent) * 255 / 100;
    return static_cast<std::uint8_t>(std::max(alpha, 30));
}

std::uint32_t stored_alpha(int percent) {
    // Callers pass 1..100, but the arithmetic must not overflow for any int.
    const long long a = (static_cast<long long>(percent) * 179 + 50) / 100;
    return static_cast<std::uint32_t>(std::clamp(76 + a, 76LL, 255LL));
}

int percent_from_stored_alpha(std::uint32_t alpha) {
    const long long p = (static_cast<long long>(alpha) * 100 - 7511) / 179;
    return static_cast<int>(std::clamp(p, 1LL, 100LL));
}

std::optional<std::wstring> read_env(platform& os, const wchar_t* name) {
    wchar_t buffer[env_buffer_chars] = {};
    const std::uint32_t length = os.get_environment_variable(name, buffer, env_buffer_chars);
    if (length == 0 || length >= env_buffer_chars) return std::nullopt;
    return std::wstring(buffer, length);
}

bool env_exists(platform& os, const wchar_t* name) {
    wchar_t buffer[env_buffer_chars] = {};
    return os.get_environment_variable(name, buffer, env_buffer_chars) != 0;
}

std::optional<std::wstring> cmd_key_path(platform& os) {
    const auto system_root = read_env(os, L"SystemRoot");
    if (!system_root) return std::nullopt;
    std::wstring path = std::wstring(console_key) + L"\\" + *system_root + L"_System32_cmd.exe";
    // The console names per-program keys after the program path with its
    // backslashes turned into underscores; only the separator after "Console" stays.
    std::replace(path.begin() + 8, path.end(), L'\\', L'_');
    return path;
}

void apply_window_opacity(platform& os, int percent) {
    const std::uint8_t alpha = live_alpha(percent);
    const auto window = os.get_console_window();
    if (window == 0) return;
    const std::int32_t style = os.get_window_long(window, gwl_exstyle);
    if ((style & ws_ex_layered) == 0) os.set_window_long(window, gwl_exstyle, style | ws_ex_layered);
    os.set_layered_window_attributes(window, 0, alpha, lwa_alpha);
}

void write_console_opacity(platform& os, int percent) {
    platform::reg_key personalize = 0;
    // The key belongs to the system's theme settings: switch transparency on
    // where it exists, but never create it.
    if (os.reg_open_key(personalize_key, key_query_value | key_set_value, personalize) == error_success) {
        std::uint32_t enabled = 0;
        if (os.reg_query_dword(personalize, enable_transparency_value, enabled) != error_success || enabled != 1) {
            os.reg_set_dword(personalize, enable_transparency_value, 1);
        }
        os.reg_close_key(personalize);
    }
    const std::uint32_t alpha = stored_alpha(percent);
    store_window_alpha(os, console_key, alpha);
    const auto cmd_key = cmd_key_path(os);
    if (!cmd_key) return;
    store_window_alpha(os, *cmd_key, alpha);
}

int read_console_opacity(platform& os) {
    std::uint32_t alpha = 255;
    if (const auto cmd_key = cmd_key_path(os)) {
        if (const auto value = read_window_alpha(os, *cmd_key)) alpha = *value;
    }
    if (alpha == 255) {
        if (const auto value = read_window_alpha(os, console_key)) alpha = *value;
    }
    return percent_from_stored_alpha(alpha);
}

}  // namespace frostpane
