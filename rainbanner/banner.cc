#include "banner.h"

#include <cmath>

namespace rainbanner {

// Drawn with space, '_', '/', '\', '|', '(', ')', '<' and '>' only.
const std::string_view k_banner_text =
    "\n"
    "__    __       _                                \n"
    "\\ \\  / /  ___ | | _ __ ___    ___   _ __   __ _ \n"
    " \\ \\/ /  / _ \\| ||  _   _ \\  / _ \\ |  __| / _  |\n"
    "  \\  /  |  __/| || | | | | || (_) || |   | (_| |\n"
    "   \\/    \\___||_||_| |_| |_| \\___/ |_|    \\__/_|\n";

namespace {

int component(float x, float offset) {
    const float shifted = x + offset;
    const float s = static_cast<float>(std::sin(static_cast<double>(shifted)));
    const float scaled = s * 127.0f;
    return static_cast<int>(scaled + 128.0f);
}

void append_decimal(std::string& out, int value) {
    char digits[12];
    int n = 0;
    unsigned v = static_cast<unsigned>(value);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0) out.push_back(digits[--n]);
}

}  // namespace

rgb rainbow_color(std::uint32_t n) {
    const float x = static_cast<float>(n) * 0.12f;
    return {component(x, 0.0f), component(x, 2.0f), component(x, 4.0f)};
}

std::string render_rainbow(std::string_view text) {
    std::string out;
    // "\e[38;2;255;255;255m" plus the character is the longest a byte can become.
    out.reserve(text.size() * 20 + 8);
    std::uint32_t n = 0;
    for (const char c : text) {
        if (c == '\n') {
            out.push_back('\n');
            continue;
        }
        const rgb colour = rainbow_color(n++);
        out += "\x1b[38;2;";
        append_decimal(out, colour.red);
        out.push_back(';');
        append_decimal(out, colour.green);
        out.push_back(';');
        append_decimal(out, colour.blue);
        out.push_back('m');
        out.push_back(c);
    }
    out += "\x1b[0m";
    return out;
}

void print_rainbow(banner_console& console, std::string_view text) {
    std::string out = render_rainbow(text);
    out.push_back('\n');
    console.write_out(out);
}

void print_palette(banner_console& console, std::string_view text) {
    const console_handle out = console.std_output();
    std::size_t n = 0;
    for (const char c : text) {
        if (c != '\n') {
            console.set_text_attribute(out, k_palette[n % k_palette.size()]);
            ++n;
        }
        console.write_out(std::string_view(&c, 1));
    }
    console.set_text_attribute(out, k_default_attribute);
    console.write_out("\n");
}

int run_banner(banner_console& console) {
    if (console.colour_refused()) {
        // No renderer runs, so the console mode is neither read nor set: setting the unread
        // mode 0 on a real console would take its line wrapping and key processing away.
        std::string out(k_banner_text);
        out.push_back('\n');
        console.write_out(out);
        return 0;
    }
    std::uint32_t remembered_mode = 0;
    bool vt = false;
    const console_handle out = console.std_output();
    if (out != k_invalid_handle && console.get_console_mode(out, remembered_mode) && !console.vt_output_refused()) {
        vt = (remembered_mode & k_enable_virtual_terminal_processing) != 0 ||
             console.set_console_mode(out, remembered_mode | k_enable_virtual_terminal_processing);
    }
    if (vt) {
        print_rainbow(console, k_banner_text);
    } else {
        print_palette(console, k_banner_text);
    }
    // Set back even when the mode was never read: the call then fails harmlessly on a non-console.
    console.set_console_mode(console.std_output(), remembered_mode);
    return 0;
}

}  // namespace rainbanner
