// The input decoder, driven with byte strings: whole, and again one byte per read_event call.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "decoder.h"
#include "fake_platform.h"
#include "raw_mode.h"

namespace plm {
namespace {

// One decoded event in a form that compares and prints well.
struct ev {
    int key = 0, ch = 0, mouse = 0, x = 0, y = 0, button = 0, released = 0;
    bool operator==(const ev&) const = default;
};

std::ostream& operator<<(std::ostream& os, const ev& e) {
    if (e.mouse != 0) return os << "mouse{b=" << e.button << " x=" << e.x << " y=" << e.y << " rel=" << e.released;
    return os << "key{" << e.key << ", ch=" << e.ch << "}";
}

ev key(int k, int ch = 0) { return ev{k, ch, 0, 0, 0, 0, 0}; }
ev chr(unsigned char c) { return key(PLM_KEY_CHAR, c); }
ev sgr(int button, int x, int y, int released) { return ev{PLM_KEY_NONE, 0, 1, x, y, button, released}; }

std::vector<ev> decode_all(const std::string& bytes, plm_input_decoder* keep = nullptr) {
    plm_input_decoder local{};
    plm_input_decoder* d = keep != nullptr ? keep : &local;
    std::vector<ev> events;
    for (char c : bytes) {
        plm_decode_result r{};
        if (decoder_feed(d, static_cast<unsigned char>(c), &r) == 1) {
            events.push_back(ev{r.key, r.ch, r.mouse, r.x, r.y, r.button, r.released});
        }
        EXPECT_GE(d->state, 0);
        EXPECT_LE(d->state, 2);
        EXPECT_LE(d->len, 63u);
    }
    return events;
}

struct decode_case {
    const char* name;
    std::string bytes;
    std::vector<ev> events;
};

// Sequences from the key table, the edge cases, and what real terminals send (Windows console
// with VT input, xterm, tmux). Where common terminal libraries decide differently the table here
// holds: modified arrows give the plain key, SS3 arrows give Escape and then a character, and a
// lone ESC waits for the next byte.
const std::vector<decode_case>& cases() {
    static const std::vector<decode_case> table{
        {"up", "\x1b[A", {key(PLM_KEY_UP)}},
        {"down", "\x1b[B", {key(PLM_KEY_DOWN)}},
        {"right", "\x1b[C", {key(PLM_KEY_RIGHT)}},
        {"left", "\x1b[D", {key(PLM_KEY_LEFT)}},
        {"shift up (xterm) is plain up", "\x1b[1;2A", {key(PLM_KEY_UP)}},
        {"home CSI H", "\x1b[H", {key(PLM_KEY_HOME)}},
        {"home 7~ (rxvt)", "\x1b[7~", {key(PLM_KEY_HOME)}},
        {"end CSI F", "\x1b[F", {key(PLM_KEY_END)}},
        {"end 8~ (rxvt)", "\x1b[8~", {key(PLM_KEY_END)}},
        {"ctrl home", "\x1b[1;5H", {key(PLM_KEY_HOME)}},
        {"delete", "\x1b[3~", {key(PLM_KEY_DELETE)}},
        {"shift delete", "\x1b[3;2~", {key(PLM_KEY_DELETE)}},
        {"page up", "\x1b[5~", {key(PLM_KEY_PAGE_UP)}},
        {"page down", "\x1b[6~", {key(PLM_KEY_PAGE_DOWN)}},
        {"insert then a", "\x1b[2~a", {chr('a')}},
        {"F5 then a", "\x1b[15~a", {chr('a')}},
        {"shift tab then a", "\x1b[Za", {chr('a')}},
        {"empty tilde then a", "\x1b[~a", {chr('a')}},
        {"tilde without digits is n=0", "\x1b[;5~a", {chr('a')}},
        {"focus in (CSI I) dropped", "\x1b[Ib", {chr('b')}},
        {"lone escape waits for the next byte", "\x1b", {}},
        {"escape escape: the second is consumed", "\x1b\x1b", {key(PLM_KEY_ESCAPE)}},
        {"escape escape [ A", "\x1b\x1b[A", {key(PLM_KEY_ESCAPE), chr('['), chr('A')}},
        {"sgr press", "\x1b[<0;10;5M", {sgr(0, 10, 5, 0)}},
        {"sgr release", "\x1b[<0;10;5m", {sgr(0, 10, 5, 1)}},
        {"sgr wheel down", "\x1b[<65;3;2M", {sgr(65, 3, 2, 0)}},
        {"sgr motion without button", "\x1b[<35;3;4M", {sgr(35, 3, 4, 0)}},
        {"sgr ctrl click keeps modifier bits", "\x1b[<16;2;2M", {sgr(16, 2, 2, 0)}},
        {"sgr without coordinates", "\x1b[<0M", {sgr(0, 0, 0, 0)}},
        {"sgr with x only", "\x1b[<2;7M", {sgr(2, 7, 0, 0)}},
        {"sgr huge number saturates", "\x1b[<0;99999999999999;1M", {sgr(0, 2147483647, 1, 0)}},
        {"urxvt mouse dropped", "\x1b[32;10;5Mz", {chr('z')}},
        {"legacy X10 mouse: CSI M ends, three bytes as text", "\x1b[M !!", {chr(' '), chr('!'), chr('!')}},
        {"cr", "\r", {key(PLM_KEY_ENTER)}},
        {"lf", "\n", {key(PLM_KEY_ENTER)}},
        {"bs", "\x08", {key(PLM_KEY_BACKSPACE)}},
        {"tab", "\t", {key(PLM_KEY_TAB)}},
        {"ctrl c", "\x03", {key(PLM_KEY_CTRL_C)}},
        {"other control bytes dropped", std::string("\x00\x01\x02\x04\x07\x0b\x0c\x0e\x1a\x1c\x1f", 11), {}},
        {"printable", "a Z~", {chr('a'), chr(' '), chr('Z'), chr('~')}},
        {"utf-8 bytes one by one", "\xe4\xb8\xad", {chr(0xE4), chr(0xB8), chr(0xAD)}},
        {"0xff is a character", "\xff", {chr(0xFF)}},
        {"control byte inside CSI is a parameter", "\x1b[1\x03~x", {key(PLM_KEY_HOME), chr('x')}},
        {"ESC inside CSI is a parameter",
         "\x1b[\x1b"
         "A",
         {key(PLM_KEY_UP)}},
        {"keys back to back", "\x1b[A\x1b[Bq", {key(PLM_KEY_UP), key(PLM_KEY_DOWN), chr('q')}},
        // As sent by real terminals.
        {"windows console: ctrl up is plain up", "\x1b[1;5A", {key(PLM_KEY_UP)}},
        {"windows console: alt x (x is lost)", "\x1bx", {key(PLM_KEY_ESCAPE)}},
        {"windows console: backspace", "\x7f", {key(PLM_KEY_BACKSPACE)}},
        {"windows console / xterm: F1 (SS3)", "\x1bOP", {key(PLM_KEY_ESCAPE), chr('P')}},
        {"xterm application cursor: up (SS3)", "\x1bOA", {key(PLM_KEY_ESCAPE), chr('A')}},
        {"xterm application cursor: home (SS3)", "\x1bOH", {key(PLM_KEY_ESCAPE), chr('H')}},
        {"xterm: shift F5", "\x1b[15;2~", {}},
        {"xterm: ctrl page down", "\x1b[6;5~", {key(PLM_KEY_PAGE_DOWN)}},
        {"xterm: shift end", "\x1b[1;2F", {key(PLM_KEY_END)}},
        {"tmux: home, end", "\x1b[1~\x1b[4~", {key(PLM_KEY_HOME), key(PLM_KEY_END)}},
        {"tmux: backspace, enter", "\x7f\r", {key(PLM_KEY_BACKSPACE), key(PLM_KEY_ENTER)}},
        {"linux console: F1 ends at the second [, A leaks as text", "\x1b[[A", {chr('A')}},
        {"bracketed paste markers dropped, text kept", "\x1b[200~hi\x1b[201~", {chr('h'), chr('i')}},
    };
    return table;
}

TEST(Decoder, KeyTableAndTerminalSequences) {
    for (const decode_case& c : cases()) {
        EXPECT_EQ(decode_all(c.bytes), c.events) << c.name;
    }
}

// read_event keeps a half-read sequence in the caller's decoder: feeding the same strings one
// byte per call must give the same events.
TEST(Decoder, SameEventsWhenEachByteArrivesInItsOwnRead) {
    for (const decode_case& c : cases()) {
        fake_platform fake;
        fake.input_mode = 0x3E8;  // VT input on: the byte path
        plm_input_decoder decoder{};
        std::vector<ev> events;
        for (char byte : c.bytes) {
            fake.feed_bytes(std::string(1, byte));
            plm_key_event k{};
            plm_mouse_event m{};
            if (read_event(fake, fake.in_handle, &decoder, &k, &m) != 1) continue;
            // read_event hands out 0-based coordinates, clamped at 0; convert back for the table.
            events.push_back(m.valid == 1 ? sgr(m.button, m.x + 1, m.y + 1, m.released)
                                          : key(k.key, static_cast<int>(k.ch)));
        }
        std::vector<ev> expected = c.events;
        for (ev& e : expected) {
            if (e.mouse == 1) e = sgr(e.button, std::max(e.x, 1), std::max(e.y, 1), e.released);
        }
        EXPECT_EQ(events, expected) << c.name;
    }
}

TEST(Decoder, SixtyThreeParameterBytesAbandonTheSequence) {
    EXPECT_EQ(decode_all("\x1b[" + std::string(62, '1') + "A"), std::vector<ev>{key(PLM_KEY_UP)});
    plm_input_decoder d{};
    EXPECT_TRUE(decode_all("\x1b[" + std::string(63, '1'), &d).empty());
    EXPECT_EQ(d.len, 63u);
    // The 64th byte, even a final byte, is dropped; what follows decodes normally.
    EXPECT_TRUE(decode_all("A", &d).empty());
    EXPECT_EQ(d.state, k_decoder_ground);
    EXPECT_EQ(decode_all("x\x1b[B", &d), (std::vector<ev>{chr('x'), key(PLM_KEY_DOWN)}));
}

TEST(Decoder, NextKeyDecodesAfterEveryDroppedSequence) {
    const std::vector<std::string> dropped{
        "\x1b[2~", "\x1b[15~", "\x1b[Z", "\x1b[32;1;1M", "\x1b[" + std::string(70, ';'), "\x1b[>c", "\x1b[?1;2c"};
    for (const std::string& seq : dropped) {
        plm_input_decoder d{};
        decode_all(seq, &d);
        EXPECT_EQ(decode_all("\x1b[A", &d), std::vector<ev>{key(PLM_KEY_UP)}) << testing::PrintToString(seq);
    }
}

TEST(Decoder, ResetNullArgumentsAndCorruptState) {
    plm_input_decoder d{};
    decode_all("\x1b[1;", &d);
    decoder_reset(&d);
    EXPECT_EQ(decode_all("A", &d), std::vector<ev>{chr('A')});
    decoder_reset(nullptr);

    plm_decode_result r{};
    r.key = 99;
    EXPECT_EQ(decoder_feed(nullptr, 'a', &r), 0);
    EXPECT_EQ(r.key, 99);  // untouched
    EXPECT_EQ(decoder_feed(&d, 'a', nullptr), 0);

    d.state = 7;
    EXPECT_EQ(decoder_feed(&d, 'a', &r), 0);  // the byte is used up putting the state right
    EXPECT_EQ(decode_all("b", &d), std::vector<ev>{chr('b')});

    d.state = k_decoder_csi;
    d.len = 5000;  // a length no step can produce must not be trusted for the write
    EXPECT_EQ(decoder_feed(&d, 'A', &r), 0);
    EXPECT_EQ(d.state, 0);
    EXPECT_EQ(d.len, 0u);

    // A step that decodes nothing leaves no stale event behind.
    r.mouse = 1;
    EXPECT_EQ(decoder_feed(&d, 0x1b, &r), 0);
    EXPECT_EQ(r.key, 0);
    EXPECT_EQ(r.mouse, 0);
}

}  // namespace
}  // namespace plm
