#include "console_text.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace plm {

namespace {

constexpr std::uint16_t k_bright = 0x0008;
constexpr std::uint16_t k_underscore = 0x8000;

// The console's colour bits run blue, green, red: the reverse of the VT colour numbers.
std::uint16_t console_colour(unsigned vt_colour) {
    return static_cast<std::uint16_t>((vt_colour & 1) << 2 | (vt_colour & 2) | (vt_colour & 4) >> 2);
}

std::uint16_t with_foreground(std::uint16_t attributes, std::uint16_t colour) {
    return static_cast<std::uint16_t>((attributes & ~0x0007u) | colour);
}

std::uint16_t apply_sgr(std::string_view params, std::uint16_t now, std::uint16_t base) {
    std::vector<unsigned> p;
    for (std::size_t at = 0; at <= params.size();) {
        const std::size_t end = std::min(params.find(';', at), params.size());
        p.push_back(static_cast<unsigned>(std::strtoul(std::string(params.substr(at, end - at)).c_str(), nullptr, 10)));
        at = end + 1;
    }
    for (std::size_t i = 0; i < p.size(); ++i) {
        const unsigned n = p[i];
        if (n == 0) now = base;
        if (n == 1) now |= k_bright;
        if (n == 4) now |= k_underscore;
        if (n == 22) now = static_cast<std::uint16_t>(now & ~k_bright);
        if (n == 24) now = static_cast<std::uint16_t>(now & ~k_underscore);
        if (n >= 30 && n <= 37) now = with_foreground(now, console_colour(n - 30));
        if (n >= 90 && n <= 97)
            now = static_cast<std::uint16_t>(with_foreground(now, console_colour(n - 90)) | k_bright);
        if (n == 39) now = static_cast<std::uint16_t>((now & ~0x000Fu) | (base & 0x000Fu));
        if (n == 38 && i + 4 < p.size() && p[i + 1] == 2) {
            const unsigned top = std::max({p[i + 2], p[i + 3], p[i + 4]});
            const auto lit = [&](unsigned channel) {
                return p[i + 2 + channel] * 4ull >= top * 3ull ? 1u << channel : 0u;
            };
            now = with_foreground(now, console_colour(lit(0) | lit(1) | lit(2)));
            i += 4;
        } else if (n == 38 || n == 48) {
            i += i + 1 < p.size() && p[i + 1] == 5 ? 2 : 4;  // other colour forms are left alone
        }
    }
    return now;
}

}  // namespace

void write_console_text(platform& sys, handle_t out, std::string_view bytes) {
    screen_info info;
    const std::uint16_t base = sys.get_screen_buffer_info(out, &info) ? info.attributes : 0x0007;
    std::uint16_t now = base;
    const auto set = [&](std::uint16_t attributes) {
        if (attributes == now) return;
        sys.flush_output();  // the text so far takes the attributes it was written under
        sys.set_text_attribute(out, attributes);
        now = attributes;
    };
    while (!bytes.empty()) {
        const std::size_t escape = bytes.find('\x1b');
        sys.write_output(bytes.substr(0, escape));
        if (escape == std::string_view::npos) break;
        bytes.remove_prefix(escape + 1);
        if (bytes.empty() || bytes[0] != '[') {
            bytes.remove_prefix(bytes.empty() ? 0 : 1);
            continue;
        }
        std::size_t final = 1;
        while (final < bytes.size() && (bytes[final] < 0x40 || bytes[final] > 0x7E)) ++final;
        if (final < bytes.size() && bytes[final] == 'm') set(apply_sgr(bytes.substr(1, final - 1), now, base));
        bytes.remove_prefix(std::min(final + 1, bytes.size()));
    }
    set(base);
    sys.flush_output();
}

}  // namespace plm
