// The interactive multi-choice menu: the typed-list fallback without a
// terminal, the numbered menu when raw mode is refused, and the event loop.
#include <cstdint>
#include <cstring>
#include <string>

#include "frame.h"
#include "menu_core.h"
#include "menu_screen.h"
#include "prompt.h"
#include "raw_mode.h"

namespace plm {

namespace {

void render_multi_menu(platform& sys, handle_t out, const multi_menu_state& s, const char* const* items) {
    int32_t shown = s.geo.visible_rows < 1 ? 1 : s.geo.visible_rows;
    if (s.count + 1 > static_cast<size_t>(shown)) ensure_buffer_rows(sys, out, s.geo.start_row + shown + 2);
    draw_list frame;
    render_multi_rows(frame, menu_draw_target(sys, out, s.geo), multi_menu_view(s, items));
    play_frame(sys, out, frame);
}

int32_t multi_choice_text(platform& sys, const char* title, const char* const* items, size_t count,
                          unsigned char* selected) {
    std::memset(selected, 0, count);
    std::string listing;
    format_multi_fallback_list(listing, title, items, count, sys.is_tty(std_stream::output));
    listing += "选择（以逗号分隔索引）: ";
    sys.write_output(listing);
    sys.flush_output();
    std::string line;
    bool cut = false;
    if (!read_whole_line(sys, line, SIZE_MAX, cut)) return PLM_ERR_IO;
    parse_multi_answer(line.c_str(), count, selected);
    return PLM_OK;
}

int32_t run_multi_choice(platform& sys, plm_context* ctx, const char* title, const char* const* items, size_t count,
                         unsigned char* selected, int32_t settle_delay) {
    if (!stdio_is_tty(sys)) return multi_choice_text(sys, title, items, count, selected);

    handle_t in = sys.std_input_handle();
    handle_t out = sys.std_output_handle();
    menu_raw_mode raw(sys, in, out);
    if (!raw.entered()) {
        size_t chosen = 0;
        int32_t status = plm_menu_choice(ctx, title, items, count, 0, &chosen);
        std::memset(selected, 0, count);
        if (status == PLM_OK && chosen < count) selected[chosen] = 1;
        return status;
    }

    plm_input_decoder decoder{};
    decoder_reset(&decoder);
    menu_measure m = show_title_and_measure(sys, out, title);
    menu_geometry geo = multi_menu_layout(m.cursor(), m.window());
    multi_menu_state s = multi_menu_begin(count, selected, geo);
    plm_debug_log(sys, "[PLM_DBG] multi metrics start_row=%d win_top=%d win_bottom=%d visible_rows=%d item_count=%u\n",
                  geo.start_row, geo.win_top, geo.win_bottom, geo.visible_rows,
                  static_cast<unsigned>(static_cast<uint32_t>(count)));
    if (settle_delay != 0) sys.sleep_ms(120);
    render_multi_menu(sys, out, s, items);
    raw.leave_below(geo, multi_menu_last_row(s));

    plm_key_event key{};
    plm_mouse_event mouse{};
    int32_t anchor = geo.start_row;
    for (;;) {
        const int got = read_menu_event(sys, in, &decoder, &key, &mouse, s.geo.win_top);
        if (got == 0) {
            // The terminal went away: no confirmation, so no ticks either.
            std::memset(selected, 0, count);
            return PLM_ERR_IO;
        }
        if (got == k_read_screen_changed) {
            menu_measure now = measure_after_change(sys, out, anchor);
            multi_menu_resize(s, multi_menu_layout(now.cursor(), now.window()));
            clear_menu_area(sys, out, s.geo);
            render_multi_menu(sys, out, s, items);
            raw.leave_below(s.geo, multi_menu_last_row(s));
            continue;
        }
        menu_step step = mouse.valid ? multi_menu_mouse(s, mouse, menu_now(sys)) : multi_menu_key(s, key);
        multi_view v = multi_menu_view(s, items);
        apply_redraws(
            sys, out, step, s.geo,
            [&](draw_list& frame, const draw_target& t, size_t index) {
                render_multi_item(frame, t, v, static_cast<int64_t>(index));
            },
            [&](draw_list& frame, const draw_target& t) { render_multi_hint(frame, t, v); },
            [&] { render_multi_menu(sys, out, s, items); });
        if (step.exit == menu_exit::chosen) return PLM_OK;
        if (step.exit == menu_exit::cancelled) return PLM_ERR_INVALID_ARGUMENT;
    }
}

}  // namespace

}  // namespace plm

extern "C" PLM_API int32_t plm_menu_multi_choice_interactive(plm_context* ctx, const char* title,
                                                             const char* const* items, size_t count,
                                                             unsigned char* selected, int32_t settle_delay) {
    if (ctx == nullptr || items == nullptr || selected == nullptr || count == 0) return PLM_ERR_INVALID_ARGUMENT;
    return plm::guard_status([&] {
        return plm::run_multi_choice(plm::current_platform(), ctx, title, items, count, selected, settle_delay);
    });
}
