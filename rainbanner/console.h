// The console services the banner uses, so the renderers can be driven by a recording fake.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace rainbanner {

using console_handle = std::uintptr_t;
inline constexpr console_handle kInvalidHandle = ~console_handle{0};
inline constexpr std::uint32_t kEnableVirtualTerminalProcessing = 0x0004;

class banner_console {
public:
    virtual ~banner_console() = default;
    // GetStdHandle(STD_OUTPUT_HANDLE); kInvalidHandle when there is none.
    virtual console_handle std_output() = 0;
    virtual bool get_console_mode(console_handle h, std::uint32_t& mode) = 0;
    virtual bool set_console_mode(console_handle h, std::uint32_t mode) = 0;
    virtual bool set_text_attribute(console_handle h, std::uint16_t attribute) = 0;
    // Writes every byte to standard output and flushes before returning.
    virtual void write_out(std::string_view bytes) = 0;
};

// The implementation for the running platform (Win32 console or POSIX terminal).
std::unique_ptr<banner_console> make_system_console();

}  // namespace rainbanner
