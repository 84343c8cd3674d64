// The input byte decoder: a pure state machine over one record, fed one byte at a time.
//
// Grammar accepted (ESC = 0x1B, CSI = ESC [):
//   ground   0x1B                     -> after-ESC
//            0x0D | 0x0A              -> ENTER          0x08 | 0x7F -> BACKSPACE
//            0x09                     -> TAB            0x03        -> CTRL_C
//            0x20..0xFF except 0x7F   -> CHAR (ch = the byte; UTF-8 arrives byte by byte)
//            other control bytes      -> dropped
//   after-ESC  [                      -> CSI
//              any other byte         -> ESCAPE, the byte itself is consumed (a key sequence
//                                        arrives in one burst; decoder_lone_escape settles a lone
//                                        ESC that no byte followed)
//   CSI      bytes outside 0x40..0x7E are collected (at most 63; the 64th abandons the
//            sequence and is dropped); a byte in 0x40..0x7E ends it:
//              A B C D H F            -> UP DOWN RIGHT LEFT HOME END (parameters ignored, so
//                                        modified arrows give the plain key)
//              n ~                    -> 1,7 HOME  3 DELETE  4,8 END  5 PAGE_UP  6 PAGE_DOWN
//                                        (n = leading decimal digits; others: no event)
//              < b ; x ; y  M | m     -> SGR mouse report (m = release), 1-based as received
//              anything else          -> dropped (urxvt and legacy mouse forms included)
#pragma once

#include <cstdint>

#include "promptloom.h"

// Decoder state, one per prompt or menu run; all-zero is the ground state.
struct plm_input_decoder {
    std::int32_t state;     // 0 ground, 1 after ESC, 2 inside CSI
    unsigned char buf[64];  // bytes collected after ESC [, NUL-terminated
    std::uint64_t len;      // bytes held in buf (0..63)
};

// What one decoder step yields; zeroed at the start of every step.
struct plm_decode_result {
    std::int32_t key;  // plm_key
    std::int32_t ch;
    std::int32_t mouse;  // 1 for a mouse report
    std::int32_t x;      // 1-based, as received
    std::int32_t y;
    std::int32_t button;
    std::int32_t released;
};

namespace plm {

inline constexpr std::int32_t k_decoder_ground = 0;
inline constexpr std::int32_t k_decoder_escape = 1;
inline constexpr std::int32_t k_decoder_csi = 2;
inline constexpr std::uint64_t k_decoder_max_len = 63;

// Zeroes the whole record; a null pointer is ignored.
void decoder_reset(plm_input_decoder* decoder);

// One step. 1 when *result holds a key or mouse event, 0 when more bytes are needed or the bytes
// so far were dropped. A null decoder or result gives 0 and changes nothing.
int decoder_feed(plm_input_decoder* decoder, unsigned char byte, plm_decode_result* result);

// The decoder holds a lone ESC and no further byte came within the reader's wait: that was the
// Escape key. Puts it in *result and the decoder back in ground, so the next byte starts afresh.
void decoder_lone_escape(plm_input_decoder& decoder, plm_decode_result& result);

}  // namespace plm
