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

void strip_acrylic_keys(edit_text& profiles) {
    for (const auto pattern : {patterns::acrylic_after_comma, patterns::acrylic_before_comma, patterns::acrylic_alone,
                               patterns::acrylic_opacity_after_comma, patterns::acrylic_opacity_before_comma,
                               patterns::acrylic_opacity_alone}) {
        profiles.replace(compiled(pattern), "");
    }
}

void strip_opacity_keys(edit_text& profiles) {
    for (const auto pattern :
         {patterns::opacity_after_comma, patterns::opacity_before_comma, patterns::opacity_alone}) {
        profiles.replace(compiled(pattern), "");
    }
}

void tidy_commas(edit_text& profiles) {
    // Only commas that this run's removals or insertion left dangling: trailing commas are allowed
    // in the file, and the user's own stay where they are.
    profiles.replace(compiled(patterns::comma_before_brace), "}", edit_text::scope::near_sites);
    profiles.replace(compiled(patterns::double_comma), ",", edit_text::scope::near_sites);
}

bool insert_into_defaults(edit_text& profiles, std::string_view members) {
    // The anchor starts with the member's own name, so it is only looked for there: a nested
    // "profiles" inside a profile is not the place.
    return profiles.replace(compiled(patterns::defaults_anchor), "$& " + std::string(members) + ", ",
                            edit_text::scope::at_start);
}

std::vector<text_range> profiles_ranges(std::string_view text) { return member_ranges(text, "\"profiles\""); }

bool edit_profiles(std::string& text, const std::function<bool(edit_text&)>& edit) {
    const auto ranges = profiles_ranges(text);
    if (ranges.empty()) return false;
    std::string out;
    std::size_t copied = 0;
    bool any = false;
    for (const text_range& range : ranges) {
        // A member starts and ends outside comments and strings, so on its own it reads the same.
        edit_text piece(text.substr(range.begin, range.end - range.begin));
        any = edit(piece) || any;
        out.append(text, copied, range.begin - copied);
        out += piece.text();
        copied = range.end;
    }
    out.append(text, copied);
    text = std::move(out);
    return any;
}

std::optional<pattern_match> search_profiles(std::string_view text, std::string_view pattern) {
    for (const text_range& range : profiles_ranges(text)) {
        if (auto m = search_outside(text.substr(range.begin, range.end - range.begin), compiled(pattern))) {
            for (std::size_t* at : {&m->begin, &m->end, &m->group_begin, &m->group_end}) *at += range.begin;
            return m;
        }
    }
    return std::nullopt;
}

namespace {

// Removals first (their order matters for what the later passes see), then the insertion, then
// the clean-up of the commas left behind.
std::optional<std::string> remove_then_insert(std::string text, void (*first)(edit_text&), void (*second)(edit_text&),
                                              std::string_view members) {
    const bool inserted = edit_profiles(text, [&](edit_text& profiles) {
        first(profiles);
        second(profiles);
        const bool found = insert_into_defaults(profiles, members);
        tidy_commas(profiles);
        return found;
    });
    return inserted ? std::optional(std::move(text)) : std::nullopt;
}

}  // namespace

std::optional<std::string> edit_for_acrylic(std::string text, int opacity) {
    return remove_then_insert(std::move(text), strip_opacity_keys, strip_acrylic_keys, acrylic_members(opacity));
}

std::optional<std::string> edit_for_opacity(std::string text, int opacity) {
    return remove_then_insert(std::move(text), strip_acrylic_keys, strip_opacity_keys, opacity_members(opacity));
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
    std::wstring first;
    for (const char* suffix : settings_suffixes) {
        std::wstring path = *local_app_data;
        for (const char* c = suffix; *c != '\0'; ++c) path += static_cast<wchar_t>(*c);
        if (os.file_attributes(path) != invalid_file_attributes) return path;
        if (first.empty()) first = std::move(path);
    }
    return first;
}

std::string read_settings_text(platform& os, const std::wstring& path) {
    std::string text;
    if (!os.read_file(path, text)) text.clear();
    return text;
}

namespace {

// Another program may hold the file for a moment (the terminal reads settings.json when it
// changes): so many more tries, each after this pause, about half a second in all.
constexpr int k_busy_retries = 5;
constexpr std::uint32_t k_busy_pause_ms = 100;

bool in_use(long error) {
    return error == error_sharing_violation || error == error_lock_violation || error == error_access_denied ||
           error == error_unable_to_remove_replaced;
}

}  // namespace

bool write_settings_text(platform& os, const std::wstring& path, std::string_view text) {
    // A symbolic link stays a link; its target gets the bytes.
    const std::wstring target = os.final_path(path);
    const std::uint32_t attributes = os.file_attributes(target);
    // Windows refuses to replace a read-only file; Wine running as root would let it through.
    if (attributes != invalid_file_attributes && (attributes & file_attribute_readonly) != 0) return false;
    // Temporary files of runs killed before their move; one that another run still holds stays.
    for (const std::wstring& leftover : os.find_files(target + L".*.tmp")) os.delete_file(leftover);
    // The new content goes whole into a fresh file in the same folder, with the old file's
    // attributes from the start, and then takes the old file's place by a rename on one volume:
    // the file is replaced whole or not at all.
    std::wstring temporary;
    long result = error_file_exists;
    for (unsigned attempt = 0; attempt < 100 && result == error_file_exists; ++attempt) {
        temporary = target + L"." + std::to_wstring(os.process_id()) + L"-" + std::to_wstring(attempt) + L".tmp";
        result = os.create_file(temporary, text, attributes == invalid_file_attributes ? 0 : attributes);
    }
    if (result != error_success) return false;
    result = os.replace_file(target, temporary);
    for (int retry = 0; retry < k_busy_retries && in_use(result); ++retry) {
        os.sleep_ms(k_busy_pause_ms);
        result = os.replace_file(target, temporary);
    }
    // The old file is gone (removed meanwhile, or by the replacement half-way): the new one takes
    // the name, and stays whatever happens, as it is then the only copy.
    if (result == error_file_not_found || result == error_unable_to_move_replacement ||
        result == error_unable_to_move_replacement_2) {
        return os.move_file(temporary, target) == error_success;
    }
    if (result != error_success) os.delete_file(temporary);
    return result == error_success;
}

namespace {

// False after a message.
template <typename Edit>
bool edit_settings(platform& os, int opacity, Edit edit) {
    const std::wstring path = terminal_settings_path(os);
    std::string text = read_settings_text(os, path);
    std::string_view failure;
    if (text.empty()) {
        failure = messages::cannot_read;
    } else if (const auto edited = edit(std::move(text), opacity); !edited) {
        failure = messages::no_defaults;
    } else if (!write_settings_text(os, path, *edited)) {
        failure = messages::cannot_write;
    }
    if (!failure.empty()) os.write_stderr(failure);
    return failure.empty();
}

}  // namespace

bool set_terminal_acrylic(platform& os, int opacity) { return edit_settings(os, opacity, edit_for_acrylic); }

bool set_terminal_opacity(platform& os, int opacity) { return edit_settings(os, opacity, edit_for_opacity); }

TransparencyState read_transparency_state(platform& os) {
    if (!env_exists(os, L"WT_SESSION")) return {read_console_opacity(os), false};
    const std::string text = read_settings_text(os, terminal_settings_path(os));
    if (text.empty()) return {80, false};
    if (search_profiles(text, patterns::acrylic_on)) {
        double value = 0.8;
        if (const auto m = search_profiles(text, patterns::acrylic_opacity_value)) {
            // A capture that is no number ("." or "..") counts as absent.
            if (const auto parsed = parse_decimal_number(m->group(text))) value = *parsed;
        }
        return {percent_from_fraction(value), true};
    }
    if (const auto m = search_profiles(text, patterns::opacity_value)) {
        return {parse_saturating_int(m->group(text)), false};
    }
    return {80, false};
}

}  // namespace frostpane
