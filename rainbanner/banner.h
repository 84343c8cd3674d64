// The toolbox banner and its two renderers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "console.h"

namespace rainbanner {

// A line feed, then five rows of 48 columns, each ending in a line feed.
extern const std::string_view k_banner_text;

struct rgb {
    int red;
    int green;
    int blue;
    friend bool operator==(const rgb&, const rgb&) = default;
};

// Colour of the n-th coloured character. Single precision on every target (the build turns
// off x87 math and FMA contraction), so the 32-bit Windows program prints the same colours.
rgb rainbow_color(std::uint32_t n);

// The banner with a 24-bit colour sequence before every character except line feeds,
// followed by the reset sequence. Pure: the bytes a VT console receives, minus the final line feed.
std::string render_rainbow(std::string_view text);

// Console attributes of the 16-colour fallback, in the order the characters take them.
inline constexpr std::array<std::uint16_t, 14> k_palette = {4, 12, 6, 14, 2, 10, 3, 11, 1, 9, 5, 13, 4, 6};
inline constexpr std::uint16_t k_default_attribute = 7;

// Writes the rainbow text and its closing line feed in a single write.
void print_rainbow(banner_console& console, std::string_view text);

// One attribute call and one write per character; each character must reach the console
// before the next attribute is set. Attribute failures (files, pipes) are ignored.
void print_palette(banner_console& console, std::string_view text);

// The whole program: pick the renderer, print, put the output mode back. Always returns 0.
// A user who refused colour gets the plain text and an untouched console.
int run_banner(banner_console& console);

}  // namespace rainbanner
