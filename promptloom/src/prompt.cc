// The line prompt and its history.
//
// PENDING (issue 8, plm-prompt): placeholders with the final signatures so that the library
// exports its whole interface; they do no work yet.
#include "frame.h"

extern "C" {

PLM_API void plm_default_prompt_options(plm_prompt_options*) {}

PLM_API int32_t plm_prompt_run(plm_context*, const plm_prompt_options*, char*, size_t) {
    return PLM_ERR_NOT_SUPPORTED;
}

PLM_API int32_t plm_history_add(plm_context*, const char*) {
    return PLM_ERR_NOT_SUPPORTED;
}

PLM_API size_t plm_history_count(plm_context*) {
    return 0;
}

PLM_API const char* plm_history_get(plm_context*, size_t) {
    return nullptr;
}

} // extern "C"
