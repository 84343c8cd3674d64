// The operating-system services frostpane uses, and nothing more.
//
// Everything that touches Windows goes through this interface so that the
// decisions built on top of it (which registry value is written when, when a
// window style is written back, which message goes where) run unchanged
// against the in-memory fake in tests. The Win32 implementation makes one
// system call per method and decides nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace frostpane {

// Windows error codes that the registry and file methods return and the fake reproduces.
inline constexpr long error_success = 0;
inline constexpr long error_file_not_found = 2;
inline constexpr long error_access_denied = 5;
inline constexpr long error_sharing_violation = 32;
inline constexpr long error_lock_violation = 33;
inline constexpr long error_file_exists = 80;
inline constexpr long error_more_data = 234;
inline constexpr long error_unable_to_remove_replaced = 1175;
inline constexpr long error_unable_to_move_replacement = 1176;
inline constexpr long error_unable_to_move_replacement_2 = 1177;

// File attributes, the values Windows gives them.
inline constexpr std::uint32_t invalid_file_attributes = 0xFFFFFFFF;  // nothing at that path
inline constexpr std::uint32_t file_attribute_readonly = 0x1;

// Registry access masks, the values Windows gives them.
inline constexpr std::uint32_t key_query_value = 0x0001;
inline constexpr std::uint32_t key_set_value = 0x0002;
inline constexpr std::uint32_t key_read = 0x20019;

// Window style bits and layered-window flags, the values Windows gives them.
inline constexpr int gwl_exstyle = -20;
inline constexpr std::int32_t ws_ex_layered = 0x00080000;
inline constexpr std::uint32_t lwa_alpha = 0x2;

// Console output mode bit that makes the console interpret VT sequences.
inline constexpr std::uint32_t enable_virtual_terminal_processing = 0x0004;

// Console control events.
inline constexpr std::uint32_t ctrl_c_event = 0;
inline constexpr std::uint32_t ctrl_break_event = 1;
inline constexpr std::uint32_t ctrl_close_event = 2;
inline constexpr std::uint32_t ctrl_logoff_event = 5;
inline constexpr std::uint32_t ctrl_shutdown_event = 6;

// Size, in wide characters, of the buffer environment values are fetched into.
inline constexpr std::uint32_t env_buffer_chars = 260;

class platform {
public:
    using reg_key = std::uintptr_t;        // 0 is never a valid key
    using window_handle = std::uintptr_t;  // 0 is "no window"
    // Called on a system thread for console control events; the result is the
    // Windows BOOL the handler returns (false: let the next handler run).
    using ctrl_handler_fn = bool (*)(std::uint32_t event);

    virtual ~platform() = default;

    // --- Registry, always below HKEY_CURRENT_USER. Results are Windows error codes.
    virtual long reg_open_key(std::wstring_view subkey, std::uint32_t access, reg_key& key) = 0;
    // Creates missing keys (no class, non-volatile).
    virtual long reg_create_key(std::wstring_view subkey, std::uint32_t access, reg_key& key) = 0;
    // Reads a value into a 4-byte buffer that starts zeroed, without asking for
    // its type. A value longer than 4 bytes fails with error_more_data.
    virtual long reg_query_dword(reg_key key, std::wstring_view name, std::uint32_t& value) = 0;
    // Writes a REG_DWORD value.
    virtual long reg_set_dword(reg_key key, std::wstring_view name, std::uint32_t value) = 0;
    virtual void reg_close_key(reg_key key) = 0;

    // --- The console window and its layered-window attributes.
    virtual window_handle get_console_window() = 0;
    virtual std::int32_t get_window_long(window_handle window, int index) = 0;
    virtual std::int32_t set_window_long(window_handle window, int index, std::int32_t value) = 0;
    virtual bool set_layered_window_attributes(window_handle window, std::uint32_t colour_key, std::uint8_t alpha,
                                               std::uint32_t flags) = 0;
    // Asks for the alpha only.
    virtual bool get_layered_window_alpha(window_handle window, std::uint8_t& alpha) = 0;

    // --- Environment, with GetEnvironmentVariableW's contract: a missing (or
    // empty) variable gives 0; a value that fits (length < size) is copied with
    // its terminator and its length returned; otherwise the buffer is left alone
    // and the size it would need, terminator included, is returned.
    virtual std::uint32_t get_environment_variable(const wchar_t* name, wchar_t* buffer, std::uint32_t size) = 0;

    // --- Console code page and control handler.
    virtual std::uint32_t get_console_output_cp() = 0;  // 0 without a console
    virtual bool set_console_output_cp(std::uint32_t code_page) = 0;
    virtual bool add_ctrl_handler(ctrl_handler_fn handler) = 0;

    // --- Keyboard and the console output mode (the slider).
    // True when a key-down with a character or an extended key (arrows, paging
    // keys, ...) waits in the console input queue. Unlike the runtime's _kbhit
    // under Wine, this also works before the first read and sees the arrows.
    virtual bool key_waiting() = 0;
    // One key without echo, as the runtime's _getch gives it: a byte 0..255;
    // extended keys arrive as 0xE0 (or 0) followed by a second byte.
    virtual int read_key() = 0;
    virtual bool get_stdout_console_mode(std::uint32_t& mode) = 0;
    virtual bool set_stdout_console_mode(std::uint32_t mode) = 0;
    virtual void sleep_ms(std::uint32_t milliseconds) = 0;

    // --- Whole files by wide path. Results of the writing calls are Windows error codes.
    virtual std::uint32_t file_attributes(const std::wstring& path) = 0;
    // False when the file cannot be opened; otherwise every byte.
    virtual bool read_file(const std::wstring& path, std::string& bytes) = 0;
    // Where the bytes of `path` live: a symbolic link's target, else `path` itself.
    virtual std::wstring final_path(const std::wstring& path) = 0;
    // Creates `path`, which must not exist (else error_file_exists), with the attributes of
    // `attributes` that a new file can take, writes all of `bytes` through and closes it. A file
    // that could not be written whole is deleted again.
    virtual long create_file(const std::wstring& path, std::string_view bytes, std::uint32_t attributes) = 0;
    // ReplaceFileW without a backup: `replacement` takes the name of `replaced` and its identity
    // (security descriptor, attributes, creation time).
    virtual long replace_file(const std::wstring& replaced, const std::wstring& replacement) = 0;
    // MoveFileExW over an existing file, written through.
    virtual long move_file(const std::wstring& from, const std::wstring& to) = 0;
    // False when the file cannot be deleted, for one because another process holds it open.
    virtual bool delete_file(const std::wstring& path) = 0;
    // The full paths of the files that match `pattern` (wildcards in its last part only).
    virtual std::vector<std::wstring> find_files(const std::wstring& pattern) = 0;
    virtual std::uint32_t process_id() = 0;

    // --- Output (exact bytes, no conversion) and exit.
    virtual void write_stdout(std::string_view bytes) = 0;
    virtual void write_stderr(std::string_view bytes) = 0;
    // The ordinary process exit; does not return.
    [[noreturn]] virtual void exit_process(int status) = 0;
};

}  // namespace frostpane
