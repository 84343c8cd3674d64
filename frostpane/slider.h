#pragma once

#include "platform.h"

namespace frostpane {

// The interactive slider: arrow keys change the opacity, Enter or Esc leave.
void run_slider(Platform& os);

}  // namespace frostpane
