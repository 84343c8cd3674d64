// A fake host for the command tests: the paths, keys and environment of a classic console or of a
// Windows Terminal session, and the dispatcher run on a command line.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "frostpane.h"
#include "platform_fake.h"

namespace frostpane::fakehost {

inline const std::wstring local_app_data = L"C:\\Users\\u\\AppData\\Local";
inline const std::wstring settings_path =
    local_app_data + L"\\Packages\\Microsoft.WindowsTerminal_8wekyb3d8bbwe\\LocalState\\settings.json";
inline const std::wstring cmd_key = L"Console\\C:_Windows_System32_cmd.exe";
inline const std::wstring personalize = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

inline void classic_console(fake_platform& os) { os.env[L"SystemRoot"] = L"C:\\Windows"; }

// WT_SESSION and LOCALAPPDATA set; the settings file only when `settings` is given.
inline void terminal_session(fake_platform& os, const std::optional<std::string>& settings) {
    classic_console(os);
    os.env[L"WT_SESSION"] = L"{6d3c0e1a}";
    os.env[L"LOCALAPPDATA"] = local_app_data;
    if (settings) os.files[settings_path] = *settings;
}

// frostpane.exe with these arguments; the exit code.
inline int run_command(fake_platform& os, std::initializer_list<const char*> args) {
    std::vector<const char*> argv = {"frostpane.exe"};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_frostpane(os, static_cast<int>(argv.size()), argv.data());
}

}  // namespace frostpane::fakehost
