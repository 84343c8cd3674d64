// The interactive single-choice menu.
//
// PENDING (issue 9, plm-menus): placeholder with the final signature; does no work yet.
#include "frame.h"

extern "C" PLM_API int32_t plm_menu_choice_interactive(plm_context*, const char*, const char* const*, size_t,
                                                       size_t, size_t*) {
    return PLM_ERR_NOT_SUPPORTED;
}
