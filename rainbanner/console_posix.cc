#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "console.h"

namespace rainbanner {
namespace {

// A terminal on POSIX understands VT colours unless it calls itself dumb; anything else gets the
// plain text, the same bytes the Windows program writes into a redirected file.
class posix_console final : public banner_console {
public:
    console_handle std_output() override { return STDOUT_FILENO; }
    bool get_console_mode(console_handle h, std::uint32_t& mode) override {
        if (!is_terminal(h)) return false;
        mode = k_enable_virtual_terminal_processing;
        return true;
    }
    bool set_console_mode(console_handle h, std::uint32_t) override { return is_terminal(h); }
    bool set_text_attribute(console_handle, std::uint16_t) override { return false; }
    bool colour_refused() override { return no_color_set(); }
    bool vt_output_refused() override { return false; }
    void write_out(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

private:
    static bool is_terminal(console_handle h) {
        const char* term = std::getenv("TERM");
        const bool dumb = term != nullptr && std::string_view(term) == "dumb";
        return h == STDOUT_FILENO && ::isatty(STDOUT_FILENO) == 1 && !dumb;
    }
};

}  // namespace

std::unique_ptr<banner_console> make_system_console() { return std::make_unique<posix_console>(); }

}  // namespace rainbanner
