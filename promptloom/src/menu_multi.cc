// The interactive multi-choice menu.
//
// PENDING (issue 10, plm-menus): placeholder with the final signature; does no work yet.
#include "frame.h"

extern "C" PLM_API int32_t plm_menu_multi_choice_interactive(plm_context*, const char*, const char* const*,
                                                             size_t, unsigned char*, int32_t) {
    return PLM_ERR_NOT_SUPPORTED;
}
