#include "status.h"

namespace frostpane {

// Not written yet: the command is accepted and does nothing.
void show_status(Platform& /*os*/) {}

}  // namespace frostpane
