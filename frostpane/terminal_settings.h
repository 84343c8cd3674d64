// Windows Terminal's settings.json, edited as text.
//
// The file is never parsed: members are removed and inserted with the
// patterns below inside the "profiles" member, and every byte they do not
// touch (byte-order mark, CR LF, comments, other members) stays as it was.
// Matches count only outside comments and string contents (see text_pattern.h).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform.h"
#include "text_pattern.h"

namespace frostpane {

// The patterns, as the tool applies them. JSON allows white space between a member's name and
// its colon, and some hand-written files have it ("useAcrylic" : true); a pattern that missed
// those members would insert a second one that the file's own later member overrides.
namespace patterns {
// strip_acrylic_keys, in order
inline constexpr std::string_view acrylic_after_comma = R"(,\s*"useAcrylic"\s*:\s*(true|false))";
inline constexpr std::string_view acrylic_before_comma = R"("useAcrylic"\s*:\s*(true|false),\s*)";
inline constexpr std::string_view acrylic_alone = R"("useAcrylic"\s*:\s*(true|false))";
inline constexpr std::string_view acrylic_opacity_after_comma = R"(,\s*"acrylicOpacity"\s*:\s*[0-9.]+)";
inline constexpr std::string_view acrylic_opacity_before_comma = R"("acrylicOpacity"\s*:\s*[0-9.]+,\s*)";
inline constexpr std::string_view acrylic_opacity_alone = R"("acrylicOpacity"\s*:\s*[0-9.]+)";
// strip_opacity_keys, in order
inline constexpr std::string_view opacity_after_comma = R"(,\s*"opacity"\s*:\s*\d+)";
inline constexpr std::string_view opacity_before_comma = R"("opacity"\s*:\s*\d+,\s*)";
inline constexpr std::string_view opacity_alone = R"("opacity"\s*:\s*\d+)";
// tidy_commas, in order
inline constexpr std::string_view comma_before_brace = R"(,\s*\})";
inline constexpr std::string_view double_comma = R"(,\s*,)";
// insert_into_defaults
inline constexpr std::string_view defaults_anchor = R"("profiles"\s*:\s*\{\s*"defaults"\s*:\s*\{)";
// searches
inline constexpr std::string_view acrylic_on = R"("useAcrylic"\s*:\s*true)";
inline constexpr std::string_view acrylic_value = R"("useAcrylic"\s*:\s*(true|false))";
inline constexpr std::string_view acrylic_opacity_value = R"("acrylicOpacity"\s*:\s*([0-9.]+))";
inline constexpr std::string_view opacity_value = R"("opacity"\s*:\s*(\d+))";
}  // namespace patterns

// The compiled form of each pattern above (built once, on first use).
const compiled_pattern& compiled(std::string_view pattern_source);

// Where Windows Terminal keeps settings.json below LOCALAPPDATA, in the order they are tried: the
// Store release, the Preview, the Canary, an unpackaged install (winget, scoop, zip). Every build
// sets WT_SESSION, so the tool is inside the terminal with any of them.
inline constexpr const char* settings_suffixes[] = {
    "\\Packages\\Microsoft.WindowsTerminal_8wekyb3d8bbwe\\LocalState\\settings.json",
    "\\Packages\\Microsoft.WindowsTerminalPreview_8wekyb3d8bbwe\\LocalState\\settings.json",
    "\\Packages\\Microsoft.WindowsTerminalCanary_8wekyb3d8bbwe\\LocalState\\settings.json",
    "\\Microsoft\\Windows Terminal\\settings.json",
};

namespace messages {
inline constexpr std::string_view no_localappdata = "错误：未找到 LOCALAPPDATA 环境变量。\n";
inline constexpr std::string_view cannot_read = "错误：无法读取 settings.json，请确认已安装 Windows Terminal。\n";
inline constexpr std::string_view no_defaults = "错误：找不到 \"profiles\": { \"defaults\": { 配置段。\n";
inline constexpr std::string_view cannot_write = "错误：无法写入 settings.json。\n";
}  // namespace messages

struct TransparencyState {
    int opacity = 80;
    bool acrylic = false;
};

// --- The passes, each on one top-level "profiles" member (see profiles_ranges) held by `profiles`.
void strip_acrylic_keys(edit_text& profiles);
void strip_opacity_keys(edit_text& profiles);
void tidy_commas(edit_text& profiles);
// Puts `members` right after the opening brace of "defaults", when that object is the first
// member of this "profiles" object, followed by ", ". False (text unchanged) otherwise.
bool insert_into_defaults(edit_text& profiles, std::string_view members);

// --- Whole settings texts
// Transparency is a profile setting: the passes and the searches act only inside the value of
// each "profiles" member of the outermost object (its defaults, its list, or an old-style
// array of profiles). Members of the same names elsewhere mean something else (the opacity
// argument of an adjustOpacity action) and every byte outside stays as it was.
std::vector<text_range> profiles_ranges(std::string_view text);
// Runs `edit` on each of those members alone and puts the results back in place; true when
// `edit` returned true for at least one. A text without them is left alone.
bool edit_profiles(std::string& text, const std::function<bool(edit_text&)>& edit);
// The first match of one of the patterns above inside those members.
std::optional<pattern_match> search_profiles(std::string_view text, std::string_view pattern);

// The whole edit of one set: nothing when no "profiles" member begins with "defaults".
std::optional<std::string> edit_for_acrylic(std::string text, int opacity);
std::optional<std::string> edit_for_opacity(std::string text, int opacity);

// --- Numbers
// %.1f of the classic locale, correctly rounded on every runtime.
std::string format_one_decimal(double value);
// The members set_terminal_acrylic / set_terminal_opacity insert.
std::string acrylic_members(int opacity);
std::string opacity_members(int opacity);
// The longest leading decimal number of a run of digits and points; nothing
// when there is none ("." or ".."). Too large a value gives +infinity.
std::optional<double> parse_decimal_number(std::string_view digits_and_points);
// A run of digits as an int, saturating at INT_MAX.
int parse_saturating_int(std::string_view digits);
// value x 100 rounded to nearest, halves away from zero, saturating.
int percent_from_fraction(double value);

// --- The settings file
// LOCALAPPDATA + the first of settings_suffixes where a file exists (the
// Store release's when there is none: its read fails as it always did); ends
// the program with status 1 and a message when LOCALAPPDATA is not set or does
// not fit 260 characters. Every command takes the file from here.
std::wstring terminal_settings_path(platform& os);
// Every byte of the file; empty when it cannot be opened (or is empty).
std::string read_settings_text(platform& os, const std::wstring& path);
// Replaces the file as a whole, keeping its identity (security descriptor, attributes); on false
// the old file is intact. Leftover temporary files of earlier runs go first.
bool write_settings_text(platform& os, const std::wstring& path, std::string_view text);

// False when a message went to standard error (nothing written).
bool set_terminal_acrylic(platform& os, int opacity);
bool set_terminal_opacity(platform& os, int opacity);
TransparencyState read_transparency_state(platform& os);

}  // namespace frostpane
