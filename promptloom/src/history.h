// The prompt history kept in a context: owned copies of the accepted lines, oldest first.
#pragma once

#include <cstddef>

#include "frame.h"
#include "platform.h"

namespace plm {

// Appends a copy of `line`. 0 when stored or when the line is empty (nothing stored); -2 when
// memory runs out, with the history exactly as it was (entries, count and capacity).
// The array grows 16, 32, 64, ...; there is no limit and no de-duplication.
int history_add(platform& sys, plm_history& history, const char* line);

}  // namespace plm
