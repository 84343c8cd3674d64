#include "restore.h"

#include "console_opacity.h"
#include "terminal_settings.h"

namespace frostpane {

std::string restore_settings_text(std::string text) {
    edit_profiles(text, [](edit_text& profiles) {
        strip_acrylic_keys(profiles);
        strip_opacity_keys(profiles);
        tidy_commas(profiles);
        return true;
    });
    return text;
}

bool restore_transparency(platform& os) {
    if (env_exists(os, L"WT_SESSION")) {
        const std::wstring path = terminal_settings_path(os);
        const std::string text = read_settings_text(os, path);
        if (text.empty()) {
            os.write_stderr(messages::cannot_read);
            return false;
        }
        // Nothing to take back: the file is not written at all, so it keeps its bytes, its time
        // and its identity, and the terminal has nothing to reload.
        const std::string cleaned = restore_settings_text(text);
        if (cleaned == text || write_settings_text(os, path, cleaned)) return true;
        os.write_stderr(messages::cannot_write);
        return false;
    }
    // The same steps as making the window 100 % opaque with set: layered style added only when
    // missing, then alpha 255.
    apply_window_opacity(os, 100);
    write_console_opacity(os, 100);
    return true;
}

}  // namespace frostpane
