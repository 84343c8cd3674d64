#include "slider.h"

namespace frostpane {

// Not written yet: the command is accepted and does nothing.
void run_slider(Platform& /*os*/) {}

}  // namespace frostpane
