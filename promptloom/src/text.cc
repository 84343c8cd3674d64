#include "text.h"

#include <cstring>

namespace plm {

namespace {

#include "unicode_width_table.inc"

template <std::size_t N>
bool in_ranges(const std::uint32_t (&ranges)[N][2], std::uint32_t cp) {
    std::size_t lo = 0;
    std::size_t hi = N;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (cp < ranges[mid][0]) {
            hi = mid;
        } else if (cp > ranges[mid][1]) {
            lo = mid + 1;
        } else {
            return true;
        }
    }
    return false;
}

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::size_t utf8_sequence(const char* s, std::size_t n, std::size_t i, std::uint32_t* cp) {
    const auto* t = reinterpret_cast<const unsigned char*>(s);
    const unsigned char c = t[i];
    if (c < 0x80) {
        if (cp != nullptr) *cp = c;
        return 1;
    }
    std::size_t len = 0;
    std::uint32_t v = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;  // the second byte's range: it rules out overlong forms and surrogates
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2, v = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3, v = c & 0x0Fu, lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4, v = c & 0x07u, lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (n - i < len || t[i + 1] < lo || t[i + 1] > hi) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if (!continuation(t[i + k])) return 0;
        v = (v << 6) | (t[i + k] & 0x3Fu);
    }
    if (cp != nullptr) *cp = v;
    return len;
}

std::size_t utf8_next(const char* s, std::size_t n, std::size_t i) {
    if (i >= n) return n;
    const std::size_t len = utf8_sequence(s, n, i);
    return i + (len == 0 ? 1 : len);
}

std::size_t utf8_prev(const char* s, std::size_t n, std::size_t i) {
    if (i == 0) return 0;
    if (i > n) return n;
    const auto* t = reinterpret_cast<const unsigned char*>(s);
    std::size_t j = i - 1;
    while (j > 0 && i - j < 4 && continuation(t[j])) --j;
    // Only a sequence that ends exactly here is one character; otherwise the last byte is.
    return utf8_sequence(s, n, j) == i - j ? j : i - 1;
}

std::size_t utf8_fit(const char* s, std::size_t n, std::size_t max) {
    if (n <= max) return n;
    const auto* t = reinterpret_cast<const unsigned char*>(s);
    std::size_t j = max;
    while (j > 0 && max - j < 3 && continuation(t[j])) --j;
    const std::size_t len = utf8_sequence(s, n, j);
    return len != 0 && j + len > max ? j : max;
}

bool utf8_valid(const char* s, std::size_t n) {
    for (std::size_t i = 0; i < n;) {
        const std::size_t len = utf8_sequence(s, n, i);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

int code_point_columns(std::uint32_t cp) {
    if (cp < 0x300) return 1;
    if (cp >= 0x4E00 && cp <= 0x9FFF) return 2;  // the common ideographs, without a search
    if (in_ranges(k_zero_width_ranges, cp)) return 0;
    return in_ranges(k_wide_ranges, cp) ? 2 : 1;
}

std::size_t display_columns(const char* s, std::size_t n) {
    const auto* t = reinterpret_cast<const unsigned char*>(s);
    std::size_t cols = 0;
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = t[i];
        if (c == 0x1B && i + 1 < n && t[i + 1] == '[') {
            i += 2;
            while (i < n && !(t[i] >= 0x40 && t[i] <= 0x7E)) ++i;
            ++i;
        } else if (c == 0x1B && i + 1 < n && t[i + 1] == ']') {
            i += 2;
            while (i < n && t[i] != 0x07 && !(t[i] == 0x1B && i + 1 < n && t[i + 1] == '\\')) ++i;
            i += (i < n && t[i] == 0x1B) ? 2 : 1;
        } else if (c < 0x80) {
            cols += c >= 0x20 && c != 0x7F ? 1 : 0;
            ++i;
        } else {
            std::uint32_t cp = 0;
            const std::size_t len = utf8_sequence(s, n, i, &cp);
            cols += len == 0 ? 1 : cp < 0xA0 ? 0 : static_cast<std::size_t>(code_point_columns(cp));
            i += len == 0 ? 1 : len;
        }
    }
    return cols;
}

shown_char show_char(const char* s, std::size_t n, std::size_t i) {
    shown_char r{};
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 0x20 && c < 0x7F) {
        r.bytes[0] = static_cast<char>(c);
        r.length = r.columns = r.size = 1;
        return r;
    }
    if (c < 0x80) {
        r.bytes[0] = '^';
        r.bytes[1] = static_cast<char>(c ^ 0x40);
        r.length = r.columns = 2;
        r.size = 1;
        return r;
    }
    std::uint32_t cp = 0;
    const std::size_t len = utf8_sequence(s, n, i, &cp);
    if (len == 0) {
        std::memcpy(r.bytes, "\xEF\xBF\xBD", 3);
        r.length = 3;
        r.columns = r.size = 1;
    } else if (cp < 0xA0) {
        std::memcpy(r.bytes, "M-^", 3);
        r.bytes[3] = static_cast<char>(cp - 0x40);
        r.length = r.columns = 4;
        r.size = 2;
    } else {
        std::memcpy(r.bytes, s + i, len);
        r.length = r.size = static_cast<std::uint8_t>(len);
        r.columns = static_cast<std::uint8_t>(code_point_columns(cp));
    }
    return r;
}

std::size_t shown_columns(const char* s, std::size_t n, std::size_t limit) {
    std::size_t cols = 0;
    for (std::size_t i = 0; i < n && cols <= limit;) {
        const char_step c = step_at(s, n, i);
        cols += c.columns;
        i += c.size;
    }
    return cols;
}

bool append_shown(std::string& out, const char* s, std::size_t n, std::size_t* budget) {
    std::size_t run = 0;  // characters shown as they are go out in one piece
    for (std::size_t i = 0; i < n;) {
        const char_step c = step_at(s, n, i);
        if (c.columns > *budget) {
            out.append(s + run, i - run);
            return false;
        }
        *budget -= c.columns;
        if (!c.as_is) {
            out.append(s + run, i - run);
            const shown_char shown = show_char(s, n, i);
            out.append(shown.bytes, shown.length);
            run = i + c.size;
        }
        i += c.size;
    }
    out.append(s + run, n - run);
    return true;
}

void append_for_output(std::string& out, const char* s, bool terminal) {
    std::size_t unlimited = SIZE_MAX;
    if (terminal)
        (void)append_shown(out, s, std::strlen(s), &unlimited);
    else
        out += s;
}

std::size_t utf8_encode(std::uint32_t cp, char* out) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
    const std::size_t len = cp < 0x10000 ? 3 : 4;
    out[0] = static_cast<char>(len == 3 ? 0xE0 | (cp >> 12) : 0xF0 | (cp >> 18));
    for (std::size_t k = 1; k < len; ++k) out[k] = static_cast<char>(0x80 | ((cp >> (6 * (len - 1 - k))) & 0x3F));
    return len;
}

}  // namespace plm
