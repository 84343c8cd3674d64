// The console services the banner uses, so the renderers can be driven by a recording fake.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace rainbanner {

using console_handle = std::uintptr_t;
inline constexpr console_handle k_invalid_handle = ~console_handle{0};
inline constexpr std::uint32_t k_enable_virtual_terminal_processing = 0x0004;

class banner_console {
public:
    virtual ~banner_console() = default;
    // GetStdHandle(STD_OUTPUT_HANDLE); k_invalid_handle when there is none.
    virtual console_handle std_output() = 0;
    virtual bool get_console_mode(console_handle h, std::uint32_t& mode) = 0;
    virtual bool set_console_mode(console_handle h, std::uint32_t mode) = 0;
    virtual bool set_text_attribute(console_handle h, std::uint16_t attribute) = 0;
    // Writes every byte to standard output and flushes before returning.
    virtual void write_out(std::string_view bytes) = 0;
    // True when the user asked for no colour at all (a non-empty NO_COLOR).
    virtual bool colour_refused() = 0;
    // True when VT output must stay off, for a console that mishandles it: the 16 console colours
    // then (VLM_FORCE_CONSOLE_OUTPUT set, not empty and not "0"; a Windows console only).
    virtual bool vt_output_refused() = 0;
};

// The colour convention every platform shares: NO_COLOR set to anything but the empty text.
inline bool no_color_set() {
    const char* value = std::getenv("NO_COLOR");
    return value != nullptr && *value != '\0';
}

// The implementation for the running platform (Win32 console or POSIX terminal).
std::unique_ptr<banner_console> make_system_console();

}  // namespace rainbanner
