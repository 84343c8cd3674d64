// Platform selection and the small helpers every back end and caller shares.
#include "platform.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace plm {

namespace {
platform* g_override = nullptr;
}

platform& current_platform() { return g_override != nullptr ? *g_override : native_platform(); }

platform_override::platform_override(platform& p) : previous_(g_override) { g_override = &p; }

platform_override::~platform_override() { g_override = previous_; }

std::string format_v(const char* format, std::va_list args) {
    char small[512];
    std::va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0) {
        return std::string();
    }
    if (static_cast<std::size_t>(needed) < sizeof small) {
        return std::string(small, static_cast<std::size_t>(needed));
    }
    std::string text(static_cast<std::size_t>(needed) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(needed));
    return text;
}

void out_printf(platform& sys, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::string text = format_v(format, args);
    va_end(args);
    sys.write_output(text);
}

bool env_switch_on(platform& sys, const char* name) {
    std::string value;
    return sys.get_env(name, &value) && !value.empty() && value != "0";
}

}  // namespace plm
