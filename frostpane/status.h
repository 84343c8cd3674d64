#pragma once

#include "platform.h"

namespace frostpane {

// The status report: what `check` (and no argument) prints.
void show_status(Platform& os);

}  // namespace frostpane
