#include "history.h"

#include <cstring>

namespace plm {

int history_add(platform& sys, plm_history& history, const char* line) {
    const std::size_t n = std::strlen(line);
    if (n == 0) return 0;
    // The copy comes first: if the array cannot grow afterwards, freeing it undoes everything.
    char* copy = static_cast<char*>(sys.allocate(n + 1));
    if (copy == nullptr) return -2;
    std::memcpy(copy, line, n + 1);
    if (history.count + 1 > history.capacity) {
        std::size_t cap = history.capacity == 0 ? 16 : history.capacity * 2;
        while (cap < history.count + 1) cap *= 2;
        char** grown = cap > static_cast<std::size_t>(-1) / sizeof(char*)
                           ? nullptr
                           : static_cast<char**>(sys.reallocate(history.items, cap * sizeof(char*)));
        if (grown == nullptr) {
            sys.release(copy);
            return -2;
        }
        history.items = grown;
        history.capacity = cap;
    }
    history.items[history.count++] = copy;
    return 0;
}

}  // namespace plm
