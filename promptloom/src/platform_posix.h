// The POSIX terminal back end on any pair of terminal descriptors (the library itself uses
// standard input and output; tests hand it a pseudo-terminal).
#pragma once

#include <memory>

#include "platform.h"

namespace plm {

std::unique_ptr<platform> make_posix_platform(int input_fd, int output_fd);

}  // namespace plm
