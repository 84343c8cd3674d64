// The line prompt, for the numbered menu and the exports.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame.h"
#include "platform.h"

namespace plm {

// plm_prompt_run on a given platform: the edited line on a terminal, one plain line without.
std::int32_t prompt_run(platform& sys, plm_context* ctx, const plm_prompt_options* options, char* buffer,
                        std::size_t buffer_size);

}  // namespace plm
