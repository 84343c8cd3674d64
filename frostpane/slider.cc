#include "slider.h"

#include <cstdint>
#include <cstdio>

#include "console_opacity.h"
#include "frostpane.h"
#include "terminal_settings.h"

namespace frostpane {
namespace {

constexpr int k_cells = 40;
constexpr std::uint32_t k_poll_ms = 20;
constexpr unsigned char k_left = 0x4B;
constexpr unsigned char k_right = 0x4D;
constexpr unsigned char k_enter = 0x0D;
constexpr unsigned char k_escape = 0x1B;

}  // namespace

slider_effect slider_key(slider_state& state, unsigned char key, unsigned char second) {
    switch (key) {
        case extended_key_prefix: {
            // 64-bit: a start value read from a hand-edited file may sit at the int limits.
            std::int64_t value = state.value;
            if (second == k_left) {
                --value;
            } else if (second == k_right) {
                ++value;
            }
            state.value = static_cast<int>(value < 1 ? 1 : value > 100 ? 100 : value);
            return slider_effect::apply;
        }
        case ' ':
            if (!state.inside) return slider_effect::idle;
            state.blur = !state.blur;
            return slider_effect::apply;
        case k_enter:
        case k_escape:
            return slider_effect::leave;
        default:
            return slider_effect::idle;
    }
}

std::string slider_frame(int value, bool blur, bool inside) {
    // 64-bit for the same reason: value x 40 must not overflow for a start value near INT_MAX.
    const std::int64_t filled = static_cast<std::int64_t>(value) * k_cells / 100;
    std::string out = "\x1b[3;1H\x1b[2K  [";
    for (int i = 0; i < k_cells; ++i) out += i < filled ? '=' : i == filled ? '>' : ' ';
    char number[16];
    std::snprintf(number, sizeof number, "%3d", value);
    out += "] ";
    out += number;
    out += "%  ";
    if (inside) {
        out += "模式：";
        out += blur ? "亚克力模糊" : "纯透明 (无模糊)";
        out += "\n\n  ← → 调节透明度 | 空格: 切换模式 | Enter/Esc 退出";
    } else {
        out += "模式：传统控制台（仅透明度）";
        out += "\n\n  ← → 调节透明度 | Enter/Esc 退出";
    }
    return out;
}

void draw_slider(platform& os, int value, bool blur, bool inside) {
    os.write_stdout(slider_frame(value, blur, inside));
}

bool run_slider(platform& os) {
    std::uint32_t mode = 0;
    const bool console = os.get_stdout_console_mode(mode);
    os.set_stdout_console_mode(mode | enable_virtual_terminal_processing);
    os.write_stdout("\x1b[2J\x1b[H");

    slider_state state;
    state.inside = env_exists(os, L"WT_SESSION");
    const TransparencyState start = read_transparency_state(os);
    state.value = start.opacity;
    state.blur = start.acrylic;
    draw_slider(os, state.value, state.blur, state.inside);

    bool all_applied = true;
    for (;;) {
        if (!os.key_waiting()) {
            os.sleep_ms(k_poll_ms);
            continue;
        }
        const auto key = static_cast<unsigned char>(os.read_key());
        const auto second = key == extended_key_prefix ? static_cast<unsigned char>(os.read_key()) : 0;
        const slider_effect effect = slider_key(state, key, static_cast<unsigned char>(second));
        if (effect == slider_effect::leave) break;
        if (effect == slider_effect::apply) {
            all_applied = set_transparency(os, state.value, state.blur) && all_applied;
            draw_slider(os, state.value, state.blur, state.inside);
        }
        os.sleep_ms(k_poll_ms);
    }
    os.write_stdout("\n\n");
    // The console goes back to its shell as it was found.
    if (console) os.set_stdout_console_mode(mode);
    return all_applied;
}

}  // namespace frostpane
