// The numbered menu.
//
// PENDING (issue 8, plm-prompt): placeholder with the final signature; does no work yet.
#include "frame.h"

extern "C" PLM_API int32_t plm_menu_choice(plm_context*, const char*, const char* const*, size_t, size_t,
                                           size_t*) {
    return PLM_ERR_NOT_SUPPORTED;
}
