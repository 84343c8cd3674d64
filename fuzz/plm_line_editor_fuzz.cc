// Random key sequences into the line editor. Invariants after every key: the cursor is inside
// the line, the text is NUL-terminated at its length inside its block, the kill buffer and
// the history index stay in range, the shown part of the line holds the cursor, and (typed UTF-8
// whole or broken when data[0] & 32) line, kill buffer and saved line stay valid UTF-8.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "line_editor.h"
#include "text.h"

namespace {

const char* const candidates[] = {"", "hello", "a much longer completion candidate than the rest", "x 选.z"};

int fuzz_complete(const plm_completion_request* req, plm_completion_result* res, void* user) {
    const auto pick = *static_cast<const std::uint8_t*>(user);
    if (req->line == nullptr || req->cursor > req->length) std::abort();
    if ((pick & 3) == 3) return 1;
    res->items[0] = (pick & 4) ? req->line : candidates[pick % 4];
    res->count = (pick & 8) ? 0 : 1;
    return 0;
}

void check(const plm::editor_state& ed, const plm_history& h) {
    const plm::line_buffer& l = ed.line;
    if (l.cursor > l.length || l.length >= l.capacity) std::abort();
    if (std::strlen(l.text) != l.length) std::abort();
    if (std::strlen(ed.kill_buffer) > 255 || std::strlen(ed.saved_line) > 255) std::abort();
    if (!plm::utf8_valid(l.text, l.length) || !plm::utf8_valid(ed.kill_buffer, std::strlen(ed.kill_buffer)) ||
        !plm::utf8_valid(ed.saved_line, std::strlen(ed.saved_line)) || (l.text[l.cursor] & 0xC0) == 0x80)
        std::abort();
    if (ed.history_index < -1 || (ed.history_index >= 0 && static_cast<std::size_t>(ed.history_index) >= h.count))
        std::abort();
    if (ed.insert != 0 && ed.insert != 1) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    static char e0[] = "one 选择", e1[] = "two words", e2[] = "";
    static char* entries[] = {e0, e1, nullptr, e2};
    plm_history history{entries, static_cast<std::size_t>((data[0] >> 1) & 3), 4};
    std::uint8_t pick = data[1];
    plm::editor_env env;
    env.history = &history;
    env.complete = fuzz_complete;
    env.user_data = &pick;
    plm::editor_state ed;
    if (!plm::editor_begin(plm::native_platform(), ed, data[0] & 1, (data[0] & 8) == 0, (data[0] & 16) == 0)) return 0;
    const std::size_t columns = data[1] % 40;  // 0: unknown width
    for (std::size_t i = 2; i < size; ++i) {
        plm_key_event ev{};
        const std::uint8_t b = data[i];
        if ((data[0] & 32) != 0 && b >= 0x80) {
            ev = b < 0xF5 ? plm_key_event{PLM_KEY_CHAR, b, 0} : plm_key_event{b - 0xF5 + 4, 0, 0};  // Delete..Escape
        } else if (b < 0xA0) {
            ev.key = PLM_KEY_CHAR;
            ev.ch = b < 0x80 ? b : static_cast<std::uint32_t>(b) << 2;
        } else {
            ev.key = static_cast<std::int32_t>(b % 17);  // 16: a code no reader makes
        }
        pick = static_cast<std::uint8_t>(pick * 31 + b);
        const plm::step_result r = plm::perform_action(ed, plm::map_key(ed, ev), ev, env);
        check(ed, history);
        const plm::prompt_view v = plm::compute_view(ed, 5, columns);
        if (v.text_begin > ed.line.cursor || v.text_begin + v.text_len > ed.line.length ||
            plm::shown_columns(ed.line.text + ed.line.cursor, v.text_begin + v.text_len - ed.line.cursor) !=
                v.cursor_left)
            std::abort();
        if (columns > 6 && plm::shown_columns(ed.line.text + v.text_begin, v.text_len) + 5 > columns - 1) std::abort();
        if (r != plm::step_result::go_on) break;
    }
    plm::editor_end(ed);
    return 0;
}
