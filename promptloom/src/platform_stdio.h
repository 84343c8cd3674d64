// The part of the real back ends that is plain C runtime: standard streams, the debug-log file,
// line input and heap memory. platform_win32 and platform_posix derive from it.
#pragma once

#include "platform.h"

namespace plm {

class stdio_platform : public platform {
public:
    bool read_line(char* buffer, int size) override;
    void write_output(std::string_view bytes) override;
    void flush_output() override;
    void write_error(std::string_view bytes) override;
    bool append_to_file(const char* path, std::string_view bytes) override;
    void* allocate(std::size_t size) override;
    void* reallocate(void* block, std::size_t size) override;
    void release(void* block) override;
};

}  // namespace plm
