#include "status.h"

#include <charconv>
#include <cmath>

#include "console_opacity.h"
#include "terminal_settings.h"
#include "text_pattern.h"

namespace frostpane {
namespace {

constexpr std::string_view k_rule = "==========================================\n";
constexpr std::string_view k_value_unset = "  透明度数值：未设置\n";

std::string acrylic_value_line(double value, std::string_view tail) {
    std::string line = "  透明度数值：";
    line += format_one_decimal(value);
    line += " (";
    line += std::to_string(percent_from_fraction(value));
    line += tail;
    return line;
}

std::string section_head(std::string_view title) {
    std::string out(k_rule);
    out += title;
    out += k_rule;
    out += "\n";
    return out;
}

std::string section_tail() { return "\n" + std::string(k_rule) + "\n"; }

live_window read_live_window(platform& os, std::uint8_t& alpha) {
    const auto window = os.get_console_window();
    if (window == 0) return live_window::absent;
    if ((os.get_window_long(window, gwl_exstyle) & ws_ex_layered) == 0) return live_window::not_layered;
    return os.get_layered_window_alpha(window, alpha) ? live_window::alpha : live_window::unreadable;
}

transparency_effects read_transparency_effects(platform& os) {
    platform::reg_key key = 0;
    if (os.reg_open_key(personalize_key, key_read, key) != error_success) return transparency_effects::unknown;
    std::uint32_t value = 0;
    const long read = os.reg_query_dword(key, enable_transparency_value, value);
    os.reg_close_key(key);
    if (read != error_success) return transparency_effects::unknown;
    return value == 1 ? transparency_effects::enabled : transparency_effects::disabled;
}

}  // namespace

terminal_findings find_terminal_values(std::string_view text) {
    terminal_findings found;
    if (const auto m = search_profiles(text, patterns::acrylic_value)) {
        found.acrylic_found = true;
        found.acrylic_on = m->group(text) == "true";
    }
    if (const auto m = search_profiles(text, patterns::acrylic_opacity_value)) {
        // Hundreds of digits overflow a double; like "." they are no number to show.
        const auto value = parse_decimal_number(m->group(text));
        if (value && std::isfinite(*value)) {
            found.acrylic_opacity_found = true;
            found.acrylic_opacity = *value;
        }
    }
    if (const auto m = search_profiles(text, patterns::opacity_value)) {
        const std::string_view digits = m->group(text);
        int value = 0;
        const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (result.ec == std::errc()) {
            found.opacity_found = true;
            found.opacity = value;
        }
    }
    return found;
}

std::string terminal_section_text(const terminal_findings& found) {
    std::string out = section_head("        Windows Terminal 全局默认设置\n");
    if (found.acrylic_found) {
        out += found.acrylic_on ? "  亚克力模糊：已启用\n" : "  亚克力模糊：已禁用\n";
        if (found.acrylic_opacity_found) {
            out += acrylic_value_line(found.acrylic_opacity, found.acrylic_on ? "%)\n" : "%)（已设置但模糊已关闭）\n");
        } else {
            out += k_value_unset;
        }
    } else if (found.opacity_found) {
        out += "  纯透明模式：已启用\n";
        out += "  不透明度：" + std::to_string(found.opacity) + "%\n";
    } else {
        out += "  亚克力模糊：未设置（使用默认）\n";
        out += k_value_unset;
    }
    return out + section_tail();
}

std::string console_section_text(int stored_percent, live_window live, std::uint8_t alpha) {
    std::string out = section_head("        传统控制台窗口透明度\n");
    out += "  当前注册表保存的不透明度：" + std::to_string(stored_percent) + "%\n";
    switch (live) {
        case live_window::absent:
            break;
        case live_window::not_layered:
            out += "  当前窗口处于完全不透明状态\n";
            break;
        case live_window::alpha:
            out += "  当前窗口实时不透明度：" + std::to_string(alpha * 100 / 255) + "%\n";
            break;
        case live_window::unreadable:
            out += "  当前窗口实时不透明度：无法获取\n";
            break;
    }
    return out + section_tail();
}

std::string effects_line_text(transparency_effects effects) {
    switch (effects) {
        case transparency_effects::enabled:
            return "系统透明效果：已启用\n";
        case transparency_effects::disabled:
            return "系统透明效果：已禁用（可能会影响透明显示）\n";
        case transparency_effects::unknown:
            break;
    }
    return "系统透明效果：未知\n";
}

std::string status_report_text(const status_facts& facts) {
    std::string out;
    const bool terminal = facts.inside_terminal && facts.settings_readable;
    if (facts.inside_terminal && !facts.settings_readable) {
        out += "Windows Terminal 已检测到，但 settings.json 不存在或无法读取。\n";
        out += "请先打开一次 Windows Terminal 以生成配置文件。\n\n";
    }
    out += terminal ? terminal_section_text(facts.terminal)
                    : console_section_text(facts.stored_percent, facts.live, facts.live_alpha);
    out += effects_line_text(facts.effects);
    out += "\n";
    return out;
}

void show_status(platform& os) {
    status_facts facts;
    facts.inside_terminal = env_exists(os, L"WT_SESSION");
    if (facts.inside_terminal) {
        const std::string text = read_settings_text(os, terminal_settings_path(os));
        facts.settings_readable = !text.empty();
        if (facts.settings_readable) facts.terminal = find_terminal_values(text);
    }
    if (!facts.inside_terminal || !facts.settings_readable) {
        facts.stored_percent = read_console_opacity(os);
        facts.live = read_live_window(os, facts.live_alpha);
    }
    facts.effects = read_transparency_effects(os);
    os.write_stdout(status_report_text(facts));
}

}  // namespace frostpane
