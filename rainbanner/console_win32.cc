#include <windows.h>

#include <cstdlib>
#include <string_view>

#include "console.h"

namespace rainbanner {
namespace {

class win32_console final : public banner_console {
public:
    console_handle std_output() override { return reinterpret_cast<console_handle>(GetStdHandle(STD_OUTPUT_HANDLE)); }
    bool get_console_mode(console_handle h, std::uint32_t& mode) override {
        DWORD m = 0;
        if (!GetConsoleMode(as_handle(h), &m)) return false;
        mode = m;
        return true;
    }
    bool set_console_mode(console_handle h, std::uint32_t mode) override {
        return SetConsoleMode(as_handle(h), mode) != 0;
    }
    bool set_text_attribute(console_handle h, std::uint16_t attribute) override {
        return SetConsoleTextAttribute(as_handle(h), attribute) != 0;
    }
    // WriteFile rather than the C runtime's text-mode streams: those would turn "\n" into
    // "\r\n" in a redirected file, and the banner's bytes must be the same on every platform.
    void write_out(std::string_view bytes) override {
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        while (!bytes.empty()) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(bytes.size() > 0x10000 ? 0x10000 : bytes.size());
            if (!WriteFile(out, bytes.data(), chunk, &written, nullptr) || written == 0) return;
            bytes.remove_prefix(written);
        }
    }

    bool colour_refused() override { return no_color_set(); }
    bool vt_output_refused() override {
        const char* value = std::getenv("VLM_FORCE_CONSOLE_OUTPUT");
        return value != nullptr && *value != '\0' && std::string_view(value) != "0";
    }

private:
    static HANDLE as_handle(console_handle h) { return reinterpret_cast<HANDLE>(h); }
};

}  // namespace

std::unique_ptr<banner_console> make_system_console() { return std::make_unique<win32_console>(); }

}  // namespace rainbanner
