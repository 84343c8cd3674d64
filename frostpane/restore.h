#pragma once

#include "platform.h"

namespace frostpane {

// Takes back what set and the slider did, for the host the tool runs in.
void restore_transparency(Platform& os);

}  // namespace frostpane
