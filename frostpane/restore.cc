#include "restore.h"

namespace frostpane {

// Not written yet: the command is accepted and does nothing.
void restore_transparency(Platform& /*os*/) {}

}  // namespace frostpane
