// The platform seam on Windows: one system call per method where possible.
#pragma once

#include "platform.h"

namespace frostpane {

class win32_platform : public platform {
public:
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
    std::uint32_t file_attributes(const std::wstring& path) override;
    bool read_file(const std::wstring& path, std::string& bytes) override;
    std::wstring final_path(const std::wstring& path) override;
    long create_file(const std::wstring& path, std::string_view bytes, std::uint32_t attributes) override;
    long replace_file(const std::wstring& replaced, const std::wstring& replacement) override;
    long move_file(const std::wstring& from, const std::wstring& to) override;
    bool delete_file(const std::wstring& path) override;
    std::vector<std::wstring> find_files(const std::wstring& pattern) override;
    std::uint32_t process_id() override;
    void write_stdout(std::string_view bytes) override;
    void write_stderr(std::string_view bytes) override;
    [[noreturn]] void exit_process(int status) override;
};

}  // namespace frostpane
