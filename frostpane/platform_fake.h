// In-memory stand-in for the operating system, for tests.
//
// It behaves like Windows where frostpane depends on the behaviour (registry
// keys that must exist before they open, 4-byte value reads, layered
// attributes that need WS_EX_LAYERED first, the environment buffer contract,
// read-only files that cannot be replaced) and records every call in `calls`
// as one line of text, so tests can assert exact call sequences.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform.h"

namespace frostpane {

// Thrown by fake_platform::exit_process so a test can observe the exit.
struct fake_exit {
    int status;
};

class fake_platform : public platform {
public:
    struct reg_value {
        std::uint32_t type = 4;  // REG_DWORD
        std::string data;        // raw bytes as stored
    };

    fake_platform();

    // --- Scripted state. Registry paths are relative to HKEY_CURRENT_USER and
    // compared without regard to case, as Windows does.
    void add_key(const std::wstring& path);
    bool has_key(const std::wstring& path) const;
    void set_dword(const std::wstring& path, const std::wstring& name, std::uint32_t value);
    void set_value(const std::wstring& path, const std::wstring& name, reg_value value);
    std::optional<std::uint32_t> dword(const std::wstring& path, const std::wstring& name) const;
    bool has_value(const std::wstring& path, const std::wstring& name) const;
    // Opening or creating this key for writing fails with access denied (reads still work).
    void deny_write(const std::wstring& path);

    std::map<std::wstring, std::wstring> env;

    std::uint32_t code_page = 437;  // 0: no console
    ctrl_handler_fn ctrl_handler = nullptr;

    window_handle window = 0x1234;  // 0: no console window
    std::int32_t exstyle = 0x100;
    std::optional<std::uint8_t> layered_alpha;  // set once attributes were set

    std::deque<int> keys;                            // bytes read_key hands out, in order
    std::size_t max_idle_polls = 10000;              // key_waiting throws after this many empty polls in a row
    std::optional<std::uint32_t> stdout_mode = 0x3;  // nullopt: not a console

    std::map<std::wstring, std::string> files;
    std::set<std::wstring> read_only_files;  // replace_file fails, bytes stay

    std::string out;  // everything written to standard output
    std::string err;  // everything written to standard error

    std::vector<std::string> calls;
    // The recorded calls whose text starts with `prefix`.
    std::vector<std::string> calls_starting(const std::string& prefix) const;

    // --- platform
    long reg_open_key(std::wstring_view subkey, std::uint32_t access, reg_key& key) override;
    long reg_create_key(std::wstring_view subkey, std::uint32_t access, reg_key& key) override;
    long reg_query_dword(reg_key key, std::wstring_view name, std::uint32_t& value) override;
    long reg_set_dword(reg_key key, std::wstring_view name, std::uint32_t value) override;
    void reg_close_key(reg_key key) override;
    window_handle get_console_window() override;
    std::int32_t get_window_long(window_handle window, int index) override;
    std::int32_t set_window_long(window_handle window, int index, std::int32_t value) override;
    bool set_layered_window_attributes(window_handle window, std::uint32_t colour_key, std::uint8_t alpha,
                                       std::uint32_t flags) override;
    bool get_layered_window_alpha(window_handle window, std::uint8_t& alpha) override;
    std::uint32_t get_environment_variable(const wchar_t* name, wchar_t* buffer, std::uint32_t size) override;
    std::uint32_t get_console_output_cp() override;
    bool set_console_output_cp(std::uint32_t code_page) override;
    bool add_ctrl_handler(ctrl_handler_fn handler) override;
    bool key_waiting() override;
    int read_key() override;
    bool get_stdout_console_mode(std::uint32_t& mode) override;
    bool set_stdout_console_mode(std::uint32_t mode) override;
    void sleep_ms(std::uint32_t milliseconds) override;
    bool read_file(const std::wstring& path, std::string& bytes) override;
    bool replace_file(const std::wstring& path, std::string_view bytes) override;
    void write_stdout(std::string_view bytes) override;
    void write_stderr(std::string_view bytes) override;
    [[noreturn]] void exit_process(int status) override;

private:
    struct reg_key_entry {
        std::wstring name;                         // as first created, for the call log
        std::map<std::wstring, reg_value> values;  // by lower-case name
    };
    std::map<std::wstring, reg_key_entry> keys_;  // by lower-case path
    std::set<std::wstring> write_denied_;
    std::map<reg_key, std::wstring> open_;  // handle -> lower-case path
    reg_key next_handle_ = 0x100;
    std::size_t idle_polls_ = 0;

    long open_or_create(const char* verb, std::wstring_view subkey, std::uint32_t access, reg_key& key, bool create);
    reg_key_entry* key_of(reg_key handle);
};

// UTF-8 rendering of a wide string (the call log and test messages).
std::string narrow(std::wstring_view text);

}  // namespace frostpane
