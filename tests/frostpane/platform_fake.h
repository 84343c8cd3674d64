// In-memory stand-in for the operating system, like Windows where frostpane relies on it (a key must exist to be
// opened, layered attributes need the layered style, the environment buffer contract); each call that changes
// something is logged as one short line in `calls`.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform.h"

namespace frostpane {

struct fake_exit {
    int status;
};

inline std::string base(std::wstring_view p) { return std::string(p.substr(p.rfind(L'\\') + 1).begin(), p.end()); }

class fake_platform : public platform {
public:
    std::map<std::wstring, std::map<std::wstring, std::uint32_t>> reg;  // key path -> DWORD values
    std::map<reg_key, std::wstring> open_keys;
    reg_key next_key = 100;
    std::map<std::wstring, std::wstring> env;
    std::map<std::wstring, std::string> files;
    std::map<std::wstring, std::uint32_t> attributes;  // of files in `files` when not archive (0x20)
    std::map<std::wstring, int> held;                  // open elsewhere: so many replacements or deletions refused
    std::deque<int> keys;      // what read_key hands out; -1 is a poll that finds no key, -10 - n control event n
    window_handle window = 7;  // 0: no console window
    std::int32_t style = 0x100;
    std::optional<std::uint8_t> alpha;  // the layered attributes, once set
    std::uint32_t cp = 437;             // 0: no console
    ctrl_handler_fn handler = nullptr;
    std::uint32_t mode = 3;  // of standard output
    std::string out, err;
    std::vector<std::string> calls;

    bool note(const std::string& call, bool result = true) { return calls.push_back(call), result; }
    long reg_open_key(std::wstring_view path, std::uint32_t, reg_key& key) override {
        return reg.count(std::wstring(path)) == 0 ? error_file_not_found : reg_create_key(path, 0, key);
    }
    long reg_create_key(std::wstring_view path, std::uint32_t, reg_key& key) override {
        return reg[open_keys[key = next_key++] = path], error_success;
    }
    long reg_query_dword(reg_key key, std::wstring_view name, std::uint32_t& value) override {
        const auto& values = reg.at(open_keys.at(key));
        return values.count(std::wstring(name)) == 0 ? error_file_not_found
                                                     : (value = values.at(std::wstring(name)), 0);
    }
    long reg_set_dword(reg_key key, std::wstring_view name, std::uint32_t value) override {
        reg[open_keys.at(key)][std::wstring(name)] = value;
        return note(base(open_keys.at(key)) + "=" + std::to_string(value)), error_success;
    }
    void reg_close_key(reg_key key) override { open_keys.erase(key); }
    window_handle get_console_window() override { return window; }
    std::int32_t get_window_long(window_handle, int) override { return style; }
    std::int32_t set_window_long(window_handle, int index, std::int32_t value) override {
        return note("style " + std::to_string(index) + "=" + std::to_string(value)), std::exchange(style, value);
    }
    bool set_layered_window_attributes(window_handle, std::uint32_t key, std::uint8_t value,
                                       std::uint32_t how) override {
        if ((style & ws_ex_layered) != 0) alpha = value;
        return note("alpha " + std::to_string(key) + "," + std::to_string(value) + "," + std::to_string(how),
                    (style & ws_ex_layered) != 0);
    }
    bool get_layered_window_alpha(window_handle, std::uint8_t& value) override {
        return (style & ws_ex_layered) != 0 && alpha && (value = *alpha, true);
    }
    std::uint32_t get_environment_variable(const wchar_t* name, wchar_t* buffer, std::uint32_t size) override {
        const std::wstring& value = env[name];
        const auto length = static_cast<std::uint32_t>(value.size());
        if (length == 0 || length >= size) return length == 0 ? 0 : length + 1;
        buffer[value.copy(buffer, length)] = L'\0';
        return length;
    }
    std::uint32_t get_console_output_cp() override { return cp; }
    bool set_console_output_cp(std::uint32_t code_page) override {
        if (cp != 0) cp = code_page;
        return note("cp=" + std::to_string(code_page), cp != 0);
    }
    bool add_ctrl_handler(ctrl_handler_fn fn) override { return (handler = fn) != nullptr; }
    bool key_waiting() override {
        if (keys.empty()) throw std::runtime_error("the fake keyboard ran out of keys");
        if (keys.front() <= -10) handler(static_cast<std::uint32_t>(-10 - std::exchange(keys.front(), -1)));
        return keys.front() != -1 || (keys.pop_front(), false);
    }
    int read_key() override {
        const int key = keys.empty() ? -1 : keys.front();
        if (key < 0) throw std::runtime_error("read_key without a key");
        return keys.pop_front(), key;
    }
    bool get_stdout_console_mode(std::uint32_t& value) override { return value = mode, true; }
    bool set_stdout_console_mode(std::uint32_t value) override { return note("mode=" + std::to_string(mode = value)); }
    void sleep_ms(std::uint32_t ms) override { note("sleep " + std::to_string(ms)); }
    std::uint32_t file_attributes(const std::wstring& path) override {
        return files.count(path) == 0 ? invalid_file_attributes : attributes.count(path) ? attributes[path] : 0x20;
    }
    bool read_file(const std::wstring& path, std::string& bytes) override {
        return files.count(path) != 0 && (bytes = files[path], true);
    }
    std::wstring final_path(const std::wstring& path) override { return path; }
    long create_file(const std::wstring& path, std::string_view bytes, std::uint32_t attrs) override {
        return note("create " + base(path) + " " + std::to_string(attrs)) && files.count(path) != 0
                   ? error_file_exists
                   : (files[path] = bytes, error_success);
    }
    bool refused(const std::wstring& path) { return held.count(path) != 0 && held[path]-- > 0; }
    long replace_file(const std::wstring& old,
                      const std::wstring& with) override {  // the old file keeps its attributes
        if (note("replace") && refused(old)) return error_sharing_violation;
        return files.count(old) == 0 ? error_file_not_found : (files[old] = files[with], files.erase(with), 0);
    }
    long move_file(const std::wstring& from, const std::wstring& to) override {
        return note("move"), files[to] = files[from], files.erase(from), error_success;
    }
    bool delete_file(const std::wstring& path) override {
        return note("delete " + base(path)) && !refused(path) && files.erase(path);
    }
    std::vector<std::wstring> find_files(const std::wstring& pattern) override {  // one '*'
        std::vector<std::wstring> found;
        for (const auto& [path, bytes] : files) {
            if (path.starts_with(pattern.substr(0, pattern.find(L'*'))) && path.ends_with(L".tmp"))
                found.push_back(path);
        }
        return found;
    }
    std::uint32_t process_id() override { return 7; }
    void write_stdout(std::string_view bytes) override { out += bytes; }
    void write_stderr(std::string_view bytes) override { err += bytes; }
    [[noreturn]] void exit_process(int status) override {
        note("exit " + std::to_string(status));
        throw fake_exit{status};
    }
};

}  // namespace frostpane
