// libFuzzer target for the input decoder: any byte stream, fed one byte at a time, must keep the
// decoder inside its bounds and produce only well-formed events; text bytes from 0x80 pass as they are.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "decoder.h"

namespace {

void require(bool ok) {
    if (!ok) {
        std::abort();
    }
}

void check_step(const plm_input_decoder& d, int produced, const plm_decode_result& r) {
    require(d.state >= 0 && d.state <= 2);
    require(d.len <= plm::k_decoder_max_len);
    require(d.buf[d.len] == 0);
    if (d.state != plm::k_decoder_csi) {
        require(d.len == 0);
    }
    if (produced == 0) {
        const plm_decode_result zero{};
        require(std::memcmp(&r, &zero, sizeof r) == 0);
        return;
    }
    require(produced == 1);
    if (r.mouse == 1) {
        require(r.key == PLM_KEY_NONE);
        require(r.button >= 0 && r.x >= 0 && r.y >= 0);
        require(r.released == 0 || r.released == 1);
        return;
    }
    require(r.mouse == 0 && r.x == 0 && r.y == 0 && r.button == 0 && r.released == 0);
    require(r.key >= PLM_KEY_CHAR && r.key <= PLM_KEY_CTRL_C);
    if (r.key == PLM_KEY_CHAR) {
        require(r.ch >= 0x20 && r.ch <= 0xFF && r.ch != 0x7F);
    } else {
        require(r.ch == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plm_input_decoder d{};
    plm_decode_result r{};
    for (std::size_t i = 0; i < size; ++i) {
        const bool text = d.state == plm::k_decoder_ground && data[i] >= 0x80;
        const int produced = plm::decoder_feed(&d, data[i], &r);
        check_step(d, produced, r);
        require(!text || (produced == 1 && r.key == PLM_KEY_CHAR && r.ch == data[i]));
    }
    // Whatever came before, a decoder on the ground decodes the next key normally.
    if (d.state == plm::k_decoder_ground) {
        require(plm::decoder_feed(&d, 'x', &r) == 1 && r.key == PLM_KEY_CHAR && r.ch == 'x');
    }
    return 0;
}
