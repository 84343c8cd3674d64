// The numbered menu: a printed list and one typed answer read through the prompt.
#include <cstdint>
#include <string>

#include "frame.h"
#include "menu_answer.h"
#include "prompt.h"
#include "text.h"

namespace plm {

namespace {

constexpr std::size_t k_answer_size = 64;

std::int32_t menu_choice(platform& sys, plm_context* ctx, const char* title, const char* const* items,
                         std::size_t count, std::size_t default_index, std::size_t* out_index) {
    if (ctx == nullptr || items == nullptr || out_index == nullptr || count == 0) return PLM_ERR_INVALID_ARGUMENT;
    const std::size_t fallback = default_index < count ? default_index : 0;
    // Whatever standard input is: the list may be shown on a terminal while the answer is piped in.
    const bool terminal = sys.is_tty(std_stream::output);
    const auto text = [&](const char* t) {
        std::string shown;
        append_for_output(shown, t, terminal);
        return shown;
    };
    if (title != nullptr && title[0] != '\0') out_printf(sys, "%s\n", text(title).c_str());
    for (std::size_t i = 0; i < count; ++i) {
        // A null item prints as an empty text, as the interactive menus show it.
        out_printf(sys, "  %u. %s\n", static_cast<unsigned>(static_cast<std::uint32_t>(i + 1)),
                   text(items[i] != nullptr ? items[i] : "").c_str());
    }
    plm_prompt_options options;
    plm_default_prompt_options(&options);
    options.prompt = "";
    options.history = 0;
    options.completion = 0;
    options.edit_mode = PLM_EDIT_MODE_DEFAULT;
    char answer[k_answer_size];
    const std::int32_t status = prompt_run(sys, ctx, &options, answer, sizeof answer);
    if (status != PLM_OK) return status;
    const std::uint32_t v = parse_menu_answer(answer);
    *out_index = v != 0 && v <= count ? static_cast<std::size_t>(v - 1) : fallback;
    return PLM_OK;
}

}  // namespace

}  // namespace plm

extern "C" PLM_API int32_t plm_menu_choice(plm_context* ctx, const char* title, const char* const* items, size_t count,
                                           size_t default_index, size_t* out_index) {
    return plm::guard_status(
        [&] { return plm::menu_choice(plm::current_platform(), ctx, title, items, count, default_index, out_index); });
}
