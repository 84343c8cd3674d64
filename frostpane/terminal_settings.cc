#include "terminal_settings.h"

#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>

#include "console_opacity.h"
#include "frostpane.h"

namespace frostpane {

const compiled_pattern& compiled(std::string_view pattern_source) {
    static const std::array<std::string_view, 16> sources = {
        patterns::acrylic_after_comma,
        patterns::acrylic_before_comma,
        patterns::acrylic_alone,
        patterns::acrylic_opacity_after_comma,
        patterns::acrylic_opacity_before_comma,
        patterns::acrylic_opacity_alone,
        patterns::opacity_after_comma,
        patterns::opacity_before_comma,
        patterns::opacity_alone,
        patterns::comma_before_brace,
        patterns::double_comma,
        patterns::defaults_anchor,
        patterns::acrylic_on,
        patterns::acrylic_value,
        patterns::acrylic_opacity_value,
        patterns::opacity_value,
    };
    static const auto table = [] {
        std::array<std::unique_ptr<compiled_pattern>, sources.size()> built;
        for (std::size_t i = 0; i < sources.size(); ++i) built[i] = std::make_unique<compiled_pattern>(sources[i]);
        return built;
    }();
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (sources[i].data() == pattern_source.data() || sources[i] == pattern_source) return *table[i];
    }
    throw std::invalid_argument("not one of the settings patterns");
}

namespace {

void strip_acrylic(edit_text& text) {
    for (const auto pattern : {patterns::acrylic_after_comma, patterns::acrylic_before_comma, patterns::acrylic_alone,
                               patterns::acrylic_opacity_after_comma, patterns::acrylic_opacity_before_comma,
                               patterns::acrylic_opacity_alone}) {
        text.replace(compiled(pattern), "");
    }
}

void strip_opacity(edit_text& text) {
    for (const auto pattern :
         {patterns::opacity_after_comma, patterns::opacity_before_comma, patterns::opacity_alone}) {
        text.replace(compiled(pattern), "");
    }
}

void tidy(edit_text& text) {
    text.replace(compiled(patterns::comma_before_brace), "}");
    text.replace(compiled(patterns::double_comma), ",");
}

bool insert(edit_text& text, std::string_view members) {
    return text.replace(compiled(patterns::defaults_anchor), "$& " + std::string(members) + ", ");
}

}  // namespace

std::string strip_acrylic_keys(std::string text) {
    edit_text edit(std::move(text));
    strip_acrylic(edit);
    return edit.take();
}

std::string strip_opacity_keys(std::string text) {
    edit_text edit(std::move(text));
    strip_opacity(edit);
    return edit.take();
}

std::string tidy_commas(std::string text) {
    edit_text edit(std::move(text));
    tidy(edit);
    return edit.take();
}

bool insert_into_defaults(std::string& text, std::string_view members) {
    return replace_outside(text, compiled(patterns::defaults_anchor), "$& " + std::string(members) + ", ");
}

namespace {

// Removals first (their order matters for what the later passes see), then
// the insertion, then the clean-up of the commas left behind.
std::optional<std::string> remove_then_insert(std::string text, void (*first)(edit_text&), void (*second)(edit_text&),
                                              std::string_view members) {
    edit_text edit(std::move(text));
    first(edit);
    second(edit);
    if (!insert(edit, members)) return std::nullopt;
    tidy(edit);
    return edit.take();
}

}  // namespace

std::optional<std::string> edit_for_acrylic(std::string text, int opacity) {
    return remove_then_insert(std::move(text), strip_opacity, strip_acrylic, acrylic_members(opacity));
}

std::optional<std::string> edit_for_opacity(std::string text, int opacity) {
    return remove_then_insert(std::move(text), strip_acrylic, strip_opacity, opacity_members(opacity));
}

std::string format_one_decimal(double value) {
    // to_chars rounds the exact binary value correctly and ignores the locale,
    // which printf does not guarantee on every runtime.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    return std::string(buffer, result.ptr);
}

std::string acrylic_members(int opacity) {
    return "\"useAcrylic\": true, \"acrylicOpacity\": " + format_one_decimal(opacity / 100.0);
}

std::string opacity_members(int opacity) { return "\"opacity\": " + std::to_string(opacity); }

std::optional<double> parse_decimal_number(std::string_view text) {
    // The longest leading part that is a number: digits with at most one point,
    // and at least one digit.
    std::size_t end = 0;
    bool point = false;
    bool digit = false;
    bool nonzero_before_point = false;
    for (; end < text.size(); ++end) {
        const char c = text[end];
        if (c == '.') {
            if (point) break;
            point = true;
        } else if (c >= '0' && c <= '9') {
            digit = true;
            if (!point && c != '0') nonzero_before_point = true;
        } else {
            break;
        }
    }
    if (!digit) return std::nullopt;
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + end, value, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range) {
        return nonzero_before_point ? std::numeric_limits<double>::infinity() : 0.0;
    }
    if (result.ec != std::errc()) return std::nullopt;
    return value;
}

int parse_saturating_int(std::string_view digits) {
    long long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > INT_MAX) return INT_MAX;
    }
    return static_cast<int>(value);
}

int percent_from_fraction(double value) {
    const double percent = std::round(value * 100.0);
    if (!(percent < static_cast<double>(INT_MAX))) return INT_MAX;
    if (percent < static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(percent);
}

std::wstring terminal_settings_path(platform& os) {
    const auto local_app_data = read_env(os, L"LOCALAPPDATA");
    if (!local_app_data) {
        os.write_stderr(messages::no_localappdata);
        exit_program(os, 1);
    }
    std::wstring path = *local_app_data;
    for (const char* c = settings_suffix; *c != '\0'; ++c) path += static_cast<wchar_t>(*c);
    return path;
}

std::string read_settings_text(platform& os, const std::wstring& path) {
    std::string text;
    if (!os.read_file(path, text)) text.clear();
    return text;
}

bool write_settings_text(platform& os, const std::wstring& path, std::string_view text) {
    return os.replace_file(path, text);
}

namespace {

template <typename Edit>
void edit_settings(platform& os, int opacity, Edit edit) {
    const std::wstring path = terminal_settings_path(os);
    std::string text = read_settings_text(os, path);
    if (text.empty()) {
        os.write_stderr(messages::cannot_read);
        return;
    }
    const auto edited = edit(std::move(text), opacity);
    if (!edited) {
        os.write_stderr(messages::no_defaults);
        return;
    }
    if (!write_settings_text(os, path, *edited)) os.write_stderr(messages::cannot_write);
}

}  // namespace

void set_terminal_acrylic(platform& os, int opacity) { edit_settings(os, opacity, edit_for_acrylic); }

void set_terminal_opacity(platform& os, int opacity) { edit_settings(os, opacity, edit_for_opacity); }

TransparencyState read_transparency_state(platform& os) {
    if (!env_exists(os, L"WT_SESSION")) return {read_console_opacity(os), false};
    const std::string text = read_settings_text(os, terminal_settings_path(os));
    if (text.empty()) return {80, false};
    if (search_outside(text, compiled(patterns::acrylic_on))) {
        double value = 0.8;
        if (const auto m = search_outside(text, compiled(patterns::acrylic_opacity_value))) {
            // A capture that is no number ("." or "..") counts as absent.
            if (const auto parsed = parse_decimal_number(m->group(text))) value = *parsed;
        }
        return {percent_from_fraction(value), true};
    }
    if (const auto m = search_outside(text, compiled(patterns::opacity_value))) {
        return {parse_saturating_int(m->group(text)), false};
    }
    return {80, false};
}

}  // namespace frostpane
