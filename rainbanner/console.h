// The console services the banner uses, so the renderers can be driven by a recording fake.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace rainbanner {

using ConsoleHandle = std::uintptr_t;
inline constexpr ConsoleHandle kInvalidHandle = ~ConsoleHandle{0};
inline constexpr std::uint32_t kEnableVirtualTerminalProcessing = 0x0004;

class BannerConsole {
 public:
  virtual ~BannerConsole() = default;
  // GetStdHandle(STD_OUTPUT_HANDLE); kInvalidHandle when there is none.
  virtual ConsoleHandle std_output() = 0;
  virtual bool get_console_mode(ConsoleHandle h, std::uint32_t& mode) = 0;
  virtual bool set_console_mode(ConsoleHandle h, std::uint32_t mode) = 0;
  virtual bool set_text_attribute(ConsoleHandle h, std::uint16_t attribute) = 0;
  // Writes every byte to standard output and flushes before returning.
  virtual void write_out(std::string_view bytes) = 0;
};

// The implementation for the running platform (Win32 console or POSIX terminal).
std::unique_ptr<BannerConsole> make_system_console();

}  // namespace rainbanner
