// Text as the terminal shows it: UTF-8 characters, their display columns, and foreign text
// (items, titles, history entries, completion candidates) made safe to write. Pure code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace plm {

// Length of the valid UTF-8 sequence at s[i] (1..4), or 0 when the byte there starts none:
// stray continuation bytes, overlong forms, surrogates, code points past U+10FFFF and sequences
// cut short by the end all count as invalid. *cp gets the code point of a valid sequence.
std::size_t utf8_sequence(const char* s, std::size_t n, std::size_t i, std::uint32_t* cp = nullptr);

// Character steps over a line that may hold invalid bytes: each invalid byte is a character of
// its own, so the cursor never rests inside a valid sequence.
std::size_t utf8_next(const char* s, std::size_t n, std::size_t i);
std::size_t utf8_prev(const char* s, std::size_t n, std::size_t i);

// The longest prefix of at most `max` bytes that does not end inside a valid sequence.
std::size_t utf8_fit(const char* s, std::size_t n, std::size_t max);

// True when all n bytes are valid UTF-8.
bool utf8_valid(const char* s, std::size_t n);

// Display columns of a printable code point: 0 for combining marks, 2 for East Asian wide and
// fullwidth characters, 1 otherwise.
int code_point_columns(std::uint32_t cp);

// Columns a caller's own prompt text takes: CSI and OSC escape sequences, other control bytes
// and continuation bytes take none.
std::size_t display_columns(const char* s, std::size_t n);

// How one character of foreign text is shown: printable characters as they are; C0 controls
// and DEL as ^@..^_ and ^?, C1 controls (U+0080..U+009F) as M-^@..M-^_ (as cat -v shows them);
// a byte that starts no valid sequence as U+FFFD. `size` bytes at s[i] are consumed.
struct shown_char {
    char bytes[4];
    std::uint8_t length;
    std::uint8_t columns;
    std::uint8_t size;
};
shown_char show_char(const char* s, std::size_t n, std::size_t i);

// The size and columns of the character at s[i] as shown, and whether it is shown as its own
// bytes; the common cases (printable ASCII, the common ideographs) without a call.
struct char_step {
    std::uint8_t size;
    std::uint8_t columns;
    bool as_is;
};
inline char_step step_at(const char* s, std::size_t n, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 0x20 && c < 0x7F) return {1, 1, true};
    if (c >= 0xE4 && c <= 0xE9 && n - i >= 3 && (static_cast<unsigned char>(s[i + 1]) & 0xC0) == 0x80 &&
        (static_cast<unsigned char>(s[i + 2]) & 0xC0) == 0x80 &&
        (c > 0xE4 || static_cast<unsigned char>(s[i + 1]) >= 0xB8))
        return {3, 2, true};  // U+4E00..U+9FFF
    const shown_char shown = show_char(s, n, i);
    return {shown.size, shown.columns, shown.length == shown.size && shown.bytes[0] == s[i]};
}

// The same for the character that ends at s[i] (0 < i <= n), which starts at `start`.
struct char_back {
    std::size_t start;
    std::uint8_t columns;
    bool as_is;
};
inline char_back step_back(const char* s, std::size_t n, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i - 1]);
    if (c >= 0x20 && c < 0x7F) return {i - 1, 1, true};
    if (i >= 3 && (c & 0xC0) == 0x80) {
        const auto lead = static_cast<unsigned char>(s[i - 3]);
        const auto second = static_cast<unsigned char>(s[i - 2]);
        if (lead >= 0xE4 && lead <= 0xE9 && (second & 0xC0) == 0x80 && (lead > 0xE4 || second >= 0xB8))
            return {i - 3, 2, true};  // U+4E00..U+9FFF
    }
    const std::size_t start = utf8_prev(s, n, i);
    const char_step step = step_at(s, n, start);
    return {start, step.columns, step.as_is};
}

// Columns that s[0..n) takes when shown; counting stops once it passes `limit`.
std::size_t shown_columns(const char* s, std::size_t n, std::size_t limit = SIZE_MAX);

// Appends s[0..n) as shown, whole characters only, while they fit in *budget columns (which is
// lowered by what was used). Returns false when something did not fit.
bool append_shown(std::string& out, const char* s, std::size_t n, std::size_t* budget);

// Appends the C string s as shown when it goes to a terminal, which would obey the escape
// sequences in it; as it is otherwise, for the program or file that reads it.
void append_for_output(std::string& out, const char* s, bool terminal);

// UTF-8 bytes of a code point (at most 4); 0 for surrogates and values past U+10FFFF.
std::size_t utf8_encode(std::uint32_t cp, char* out);

}  // namespace plm
