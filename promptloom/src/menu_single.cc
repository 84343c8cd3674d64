// The interactive single-choice menu: fallback to the numbered menu, raw mode,
// the event loop, and the redraws the pure core asks for.
#include "frame.h"
#include "menu_core.h"
#include "menu_screen.h"
#include "raw_mode.h"

namespace plm {

namespace {

// Shared by every single-choice menu of the process; reset by each call before
// its first drawing, so clicks never pair across calls.
click_memory last_click;

void render_menu(platform& sys, handle_t out, const single_menu_state& s, const char* const* items) {
    single_view v = single_menu_view(s, items);
    if (single_menu_has_status(v)) {
        int32_t shown = s.geo.visible_rows < 1 ? 1 : s.geo.visible_rows;
        ensure_buffer_rows(sys, out, s.geo.start_row + shown + 2);
    }
    draw_list frame;
    render_menu_rows(frame, menu_draw_target(sys, out, s.geo), v);
    play_frame(sys, out, frame);
}

int32_t run_single_choice(platform& sys, plm_context* ctx, const char* title, const char* const* items, size_t count,
                          size_t start_index, size_t* out_index) {
    if (!stdio_is_tty(sys)) return plm_menu_choice(ctx, title, items, count, start_index, out_index);

    handle_t in = sys.std_input_handle();
    handle_t out = sys.std_output_handle();
    std::string interval;
    uint32_t double_click_ms =
        read_double_click_ms(sys.get_env("VLM_DOUBLE_CLICK_MS", &interval) ? interval.c_str() : nullptr);

    menu_raw_mode raw(sys, in, out);
    if (!raw.entered()) return plm_menu_choice(ctx, title, items, count, start_index, out_index);

    plm_input_decoder decoder{};
    decoder_reset(&decoder);
    menu_measure m = show_title_and_measure(sys, out, title);
    menu_geometry geo = single_menu_layout(m.cursor(), m.window(), count);
    plm_debug_log(sys, "[PLM_DBG] single metrics start_row=%d win_top=%d win_bottom=%d visible_rows=%d item_count=%u\n",
                  geo.start_row, geo.win_top, geo.win_bottom, geo.visible_rows,
                  static_cast<unsigned>(static_cast<uint32_t>(count)));
    single_menu_state s = single_menu_begin(count, start_index, geo, double_click_ms);
    last_click = click_memory{};
    render_menu(sys, out, s, items);
    raw.leave_below(geo, single_menu_last_row(s));

    plm_key_event key{};
    plm_mouse_event mouse{};
    int32_t anchor = geo.start_row;
    for (;;) {
        const int got = read_menu_event(sys, in, &decoder, &key, &mouse, s.geo.win_top);
        if (got == 0) return PLM_ERR_IO;
        if (got == k_read_screen_changed) {
            menu_measure now = measure_after_change(sys, out, anchor);
            single_menu_resize(s, single_menu_layout(now.cursor(), now.window(), count));
            clear_menu_area(sys, out, s.geo);
            render_menu(sys, out, s, items);
            raw.leave_below(s.geo, single_menu_last_row(s));
            continue;
        }
        menu_clock now = menu_now(sys);
        menu_step step = mouse.valid ? single_menu_mouse(s, last_click, mouse, now) : single_menu_key(s, key, now);
        single_view v = single_menu_view(s, items);
        apply_redraws(
            sys, out, step, s.geo,
            [&](draw_list& frame, const draw_target& t, size_t index) { render_menu_item(frame, t, v, index); },
            [&](draw_list& frame, const draw_target& t) { render_menu_status(frame, t, v); },
            [&] { render_menu(sys, out, s, items); });
        switch (step.exit) {
            case menu_exit::none:
                break;
            case menu_exit::hidden_word:
                // Left in the process environment for the caller and the programs it starts.
                sys.set_env("VLM_MENU_RESULT_OVERRIDE", menu_hidden_words[1]);
                *out_index = step.chosen;
                return PLM_OK;
            case menu_exit::chosen:
                *out_index = step.chosen;
                return PLM_OK;
            case menu_exit::cancelled:
                return PLM_ERR_INVALID_ARGUMENT;
        }
    }
}

}  // namespace

}  // namespace plm

extern "C" PLM_API int32_t plm_menu_choice_interactive(plm_context* ctx, const char* title, const char* const* items,
                                                       size_t count, size_t start_index, size_t* out_index) {
    if (ctx == nullptr || items == nullptr || out_index == nullptr || count == 0) return PLM_ERR_INVALID_ARGUMENT;
    return plm::guard_status([&] {
        return plm::run_single_choice(plm::current_platform(), ctx, title, items, count, start_index, out_index);
    });
}
