// Turning the numbered menu's typed answer into an item number.
#pragma once

#include <cstdint>

namespace plm {

// The answer read as a 32-bit `strtoul` in base 10 reads it on 64-bit Windows: leading blanks
// and one sign accepted, digits up to the first other character, no digits gives 0, a
// negative number wraps modulo 2^32, a magnitude beyond 32 bits gives 4294967295. Written out
// because `unsigned long` is 64 bits wide on Linux, where the library call would differ.
std::uint32_t parse_menu_answer(const char* answer);

}  // namespace plm
