#include "decoder.h"

#include <array>
#include <cstring>

namespace plm {

namespace {

constexpr unsigned char k_esc = 0x1B;

// Ground-state meaning of each control byte (0x00..0x1F) and DEL; 0 = dropped.
constexpr std::array<std::int8_t, 0x20> k_control_keys = [] {
    std::array<std::int8_t, 0x20> table{};
    table[0x03] = PLM_KEY_CTRL_C;
    table[0x08] = PLM_KEY_BACKSPACE;
    table[0x09] = PLM_KEY_TAB;
    table[0x0A] = PLM_KEY_ENTER;
    table[0x0D] = PLM_KEY_ENTER;
    return table;
}();

struct final_key {
    unsigned char final_byte;
    std::int32_t key;
};

// CSI sequences whose final byte alone names the key; parameters are ignored.
constexpr std::array<final_key, 6> k_final_keys{{
    {'A', PLM_KEY_UP},
    {'B', PLM_KEY_DOWN},
    {'C', PLM_KEY_RIGHT},
    {'D', PLM_KEY_LEFT},
    {'H', PLM_KEY_HOME},
    {'F', PLM_KEY_END},
}};

// ESC [ n ~ by n; 0 = no event.
constexpr std::array<std::int8_t, 9> k_tilde_keys{
    0,                  // 0
    PLM_KEY_HOME,       // 1
    0,                  // 2 Insert
    PLM_KEY_DELETE,     // 3
    PLM_KEY_END,        // 4
    PLM_KEY_PAGE_UP,    // 5
    PLM_KEY_PAGE_DOWN,  // 6
    PLM_KEY_HOME,       // 7
    PLM_KEY_END,        // 8
};

bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

bool is_final(unsigned char c) { return c >= 0x40 && c <= 0x7E; }

// Reads decimal digits at p (up to end); the value saturates instead of overflowing, since a
// terminal or a hostile byte stream may send any number of digits.
std::int32_t read_number(const unsigned char*& p, const unsigned char* end) {
    std::int64_t value = 0;
    while (p < end && is_digit(*p)) {
        value = value * 10 + (*p - '0');
        if (value > INT32_MAX) {
            value = INT32_MAX;
        }
        ++p;
    }
    return static_cast<std::int32_t>(value);
}

void back_to_ground(plm_input_decoder& d) {
    d.state = k_decoder_ground;
    d.len = 0;
    std::memset(d.buf, 0, sizeof d.buf);
}

int feed_ground(plm_input_decoder& d, unsigned char byte, plm_decode_result& r) {
    if (byte == k_esc) {
        d.state = k_decoder_escape;
        return 0;
    }
    if (byte < 0x20) {
        r.key = k_control_keys[byte];
        return r.key != PLM_KEY_NONE ? 1 : 0;
    }
    if (byte == 0x7F) {
        r.key = PLM_KEY_BACKSPACE;
        return 1;
    }
    r.key = PLM_KEY_CHAR;
    r.ch = byte;
    return 1;
}

int feed_escape(plm_input_decoder& d, unsigned char byte, plm_decode_result& r) {
    if (byte == '[') {
        back_to_ground(d);
        d.state = k_decoder_csi;
        return 0;
    }
    d.state = k_decoder_ground;
    r.key = PLM_KEY_ESCAPE;
    return 1;
}

// Interprets a complete CSI sequence: params are the bytes before the final byte.
int interpret_csi(const unsigned char* params, std::size_t count, unsigned char final_byte, plm_decode_result& r) {
    for (const final_key& f : k_final_keys) {
        if (f.final_byte == final_byte) {
            r.key = f.key;
            return 1;
        }
    }
    const unsigned char* p = params;
    const unsigned char* end = params + count;
    if (final_byte == '~') {
        if (count == 0) {
            return 0;
        }
        const std::int32_t n = read_number(p, end);
        if (n < 0 || static_cast<std::size_t>(n) >= k_tilde_keys.size()) {
            return 0;
        }
        r.key = k_tilde_keys[static_cast<std::size_t>(n)];
        return r.key != PLM_KEY_NONE ? 1 : 0;
    }
    if ((final_byte == 'M' || final_byte == 'm') && count > 0 && params[0] == '<') {
        ++p;
        r.button = read_number(p, end);
        if (p < end && *p == ';') {
            ++p;
            r.x = read_number(p, end);
            if (p < end && *p == ';') {
                ++p;
                r.y = read_number(p, end);
            }
        }
        r.mouse = 1;
        r.released = final_byte == 'm' ? 1 : 0;
        r.key = PLM_KEY_NONE;
        return 1;
    }
    return 0;
}

int feed_csi(plm_input_decoder& d, unsigned char byte, plm_decode_result& r) {
    // 63 bytes held: the sequence is abandoned (>= also covers a corrupted length).
    if (d.len >= k_decoder_max_len) {
        back_to_ground(d);
        return 0;
    }
    d.buf[d.len] = byte;
    d.len += 1;
    d.buf[d.len] = 0;
    if (!is_final(byte)) {
        return 0;
    }
    const int produced = interpret_csi(d.buf, static_cast<std::size_t>(d.len - 1), byte, r);
    back_to_ground(d);
    return produced;
}

}  // namespace

void decoder_reset(plm_input_decoder* decoder) {
    if (decoder != nullptr) {
        std::memset(decoder, 0, sizeof *decoder);
    }
}

int decoder_feed(plm_input_decoder* decoder, unsigned char byte, plm_decode_result* result) {
    if (decoder == nullptr || result == nullptr) {
        return 0;
    }
    *result = plm_decode_result{};
    switch (decoder->state) {
        case k_decoder_ground:
            return feed_ground(*decoder, byte, *result);
        case k_decoder_escape:
            return feed_escape(*decoder, byte, *result);
        case k_decoder_csi:
            return feed_csi(*decoder, byte, *result);
        default:
            // A corrupted state is treated as ground.
            decoder->state = k_decoder_ground;
            return 0;
    }
}

void decoder_lone_escape(plm_input_decoder& decoder, plm_decode_result& result) {
    result = plm_decode_result{};
    result.key = PLM_KEY_ESCAPE;
    back_to_ground(decoder);
}

}  // namespace plm
