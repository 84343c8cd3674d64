#include "platform_stdio.h"

#include <cstdio>
#include <cstdlib>

namespace plm {

bool stdio_platform::read_line(char* buffer, int size) {
    return buffer != nullptr && size > 0 && std::fgets(buffer, size, stdin) != nullptr;
}

void stdio_platform::write_output(std::string_view bytes) {
    if (!bytes.empty()) {
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    }
}

void stdio_platform::flush_output() { std::fflush(stdout); }

void stdio_platform::write_error(std::string_view bytes) {
    if (!bytes.empty()) {
        std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    }
}

bool stdio_platform::append_to_file(const char* path, std::string_view bytes) {
    std::FILE* file = std::fopen(path, "a");
    if (file == nullptr) {
        return false;
    }
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

void* stdio_platform::allocate(std::size_t size) { return std::malloc(size); }

void* stdio_platform::reallocate(void* block, std::size_t size) { return std::realloc(block, size); }

void stdio_platform::release(void* block) { std::free(block); }

}  // namespace plm
