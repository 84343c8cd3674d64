#include "frostpane.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <thread>

#include "console_opacity.h"
#include "restore.h"
#include "slider.h"
#include "status.h"
#include "terminal_settings.h"

namespace frostpane {
namespace {

// Written before the control handler is registered; the handler thread only
// reads them. The platform is main's object: the guard clears it on the way out
// and waits for a handler that is still using it, because the handler may run
// after main has returned.
std::atomic<std::uint32_t> saved_code_page{0};
std::atomic<platform*> code_page_owner{nullptr};
std::atomic<int> handlers_running{0};

void restore_code_page() {
    platform* os = code_page_owner.load();
    const std::uint32_t code_page = saved_code_page.load();
    if (os != nullptr && code_page != 0) os->set_console_output_cp(code_page);
}

class code_page_guard {
public:
    code_page_guard() = default;
    code_page_guard(const code_page_guard&) = delete;
    code_page_guard& operator=(const code_page_guard&) = delete;
    ~code_page_guard() {
        restore_code_page();
        code_page_owner.store(nullptr);
        while (handlers_running.load() != 0) std::this_thread::yield();
    }
};

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::optional<int> parse_leading_int(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && is_space(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t digits_start = i;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value <= INT_MAX) value = value * 10 + (text[i] - '0');
    }
    if (i == digits_start) return std::nullopt;
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

command_line parse_command_line(int argc, const char* const argv[]) {
    command_line line;
    if (argc < 2) {
        line.command = command_kind::status;
        return line;
    }
    const std::string_view word = argv[1];
    if (word == "set") {
        line.command = command_kind::set;
        if (argc >= 3) {
            const auto opacity = parse_leading_int(argv[2]);
            if (!opacity) return command_line{};
            line.opacity = *opacity;
        }
        if (argc >= 4) {
            const auto blur = parse_leading_int(argv[3]);
            if (!blur) return command_line{};
            line.blur = *blur != 0;
        }
    } else if (word == "restore") {
        line.command = command_kind::restore;
    } else if (word == "check") {
        line.command = command_kind::status;
    } else if (word == "slider") {
        line.command = command_kind::slider;
    }
    return line;
}

bool set_transparency(platform& os, int opacity, bool blur) {
    opacity = std::clamp(opacity, 1, 100);
    if (env_exists(os, L"WT_SESSION"))
        return blur ? set_terminal_acrylic(os, opacity) : set_terminal_opacity(os, opacity);
    apply_window_opacity(os, opacity);
    write_console_opacity(os, opacity);
    return true;
}

void exit_program(platform& os, int status) {
    restore_code_page();
    os.exit_process(status);
    std::abort();  // an implementation that comes back is broken
}

bool console_ctrl_handler(std::uint32_t event) {
    switch (event) {
        case ctrl_c_event:
        case ctrl_break_event:
        case ctrl_close_event:
        case ctrl_logoff_event:
        case ctrl_shutdown_event:
            ++handlers_running;
            restore_code_page();
            --handlers_running;
            break;
        default:
            break;
    }
    return false;
}

int run_frostpane(platform& os, int argc, const char* const argv[]) {
    saved_code_page.store(os.get_console_output_cp());
    code_page_owner.store(&os);
    os.set_console_output_cp(65001);
    os.add_ctrl_handler(console_ctrl_handler);
    const code_page_guard guard;

    constexpr int k_failed = 2;
    const command_line line = parse_command_line(argc, argv);
    switch (line.command) {
        case command_kind::status:
            show_status(os);
            return 0;
        case command_kind::set:
            return set_transparency(os, line.opacity, line.blur) ? 0 : k_failed;
        case command_kind::restore:
            return restore_transparency(os) ? 0 : k_failed;
        case command_kind::slider:
            return run_slider(os) ? 0 : k_failed;
        case command_kind::usage:
            break;
    }
    os.write_stderr(usage_text);
    return 1;
}

}  // namespace frostpane
