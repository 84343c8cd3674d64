#include "platform_fake.h"

#include <cwctype>
#include <stdexcept>

namespace frostpane {
namespace {

std::wstring lower(std::wstring_view text) {
    std::wstring result(text);
    for (auto& c : result) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return result;
}

std::string hex(std::uint32_t value) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return "0x" + text;
}

}  // namespace

std::string narrow(std::wstring_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = static_cast<std::uint32_t>(text[i]);
        // Surrogate pairs only exist where wchar_t is 16 bits wide.
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            std::uint32_t low = static_cast<std::uint32_t>(text[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c < 0x80) {
            result += static_cast<char>(c);
        } else if (c < 0x800) {
            result += static_cast<char>(0xC0 | (c >> 6));
            result += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            result += static_cast<char>(0xE0 | (c >> 12));
            result += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            result += static_cast<char>(0xF0 | (c >> 18));
            result += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            result += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return result;
}

fake_platform::fake_platform() = default;

void fake_platform::add_key(const std::wstring& path) {
    // Creating a key creates its parents, as RegCreateKeyExW does.
    for (std::size_t end = path.find(L'\\'); end != std::wstring::npos; end = path.find(L'\\', end + 1)) {
        keys_.try_emplace(lower(path.substr(0, end)), reg_key_entry{path.substr(0, end), {}});
    }
    keys_.try_emplace(lower(path), reg_key_entry{path, {}});
}

bool fake_platform::has_key(const std::wstring& path) const { return keys_.count(lower(path)) != 0; }

void fake_platform::set_dword(const std::wstring& path, const std::wstring& name, std::uint32_t value) {
    reg_value v;
    v.type = 4;
    for (int i = 0; i < 4; ++i) v.data += static_cast<char>((value >> (8 * i)) & 0xFF);
    set_value(path, name, v);
}

void fake_platform::set_value(const std::wstring& path, const std::wstring& name, reg_value value) {
    add_key(path);
    keys_[lower(path)].values[lower(name)] = std::move(value);
}

std::optional<std::uint32_t> fake_platform::dword(const std::wstring& path, const std::wstring& name) const {
    auto k = keys_.find(lower(path));
    if (k == keys_.end()) return std::nullopt;
    auto v = k->second.values.find(lower(name));
    if (v == k->second.values.end() || v->second.type != 4 || v->second.data.size() != 4) return std::nullopt;
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(v->second.data[static_cast<std::size_t>(i)]);
    return value;
}

bool fake_platform::has_value(const std::wstring& path, const std::wstring& name) const {
    auto k = keys_.find(lower(path));
    return k != keys_.end() && k->second.values.count(lower(name)) != 0;
}

void fake_platform::deny_write(const std::wstring& path) { write_denied_.insert(lower(path)); }

std::vector<std::string> fake_platform::calls_starting(const std::string& prefix) const {
    std::vector<std::string> result;
    for (const auto& c : calls) {
        if (c.compare(0, prefix.size(), prefix) == 0) result.push_back(c);
    }
    return result;
}

long fake_platform::open_or_create(const char* verb, std::wstring_view subkey, std::uint32_t access, reg_key& key,
                                   bool create) {
    const std::wstring path = lower(subkey);
    long result = error_success;
    const bool wants_write = (access & key_set_value) != 0;
    if (wants_write && write_denied_.count(path) != 0) {
        result = error_access_denied;
    } else if (keys_.count(path) == 0) {
        if (create) {
            add_key(std::wstring(subkey));
        } else {
            result = error_file_not_found;
        }
    }
    if (result == error_success) {
        key = next_handle_++;
        open_[key] = path;
    }
    calls.push_back(std::string(verb) + " " + narrow(subkey) + " " + hex(access) + " -> " + std::to_string(result));
    return result;
}

long fake_platform::reg_open_key(std::wstring_view subkey, std::uint32_t access, reg_key& key) {
    return open_or_create("reg_open", subkey, access, key, false);
}

long fake_platform::reg_create_key(std::wstring_view subkey, std::uint32_t access, reg_key& key) {
    return open_or_create("reg_create", subkey, access, key, true);
}

fake_platform::reg_key_entry* fake_platform::key_of(reg_key handle) {
    auto h = open_.find(handle);
    if (h == open_.end()) throw std::logic_error("fake registry: use of a key that is not open");
    auto k = keys_.find(h->second);
    return k == keys_.end() ? nullptr : &k->second;
}

long fake_platform::reg_query_dword(reg_key handle, std::wstring_view name, std::uint32_t& value) {
    reg_key_entry* key = key_of(handle);
    long result = error_file_not_found;
    if (key != nullptr) {
        auto v = key->values.find(lower(name));
        if (v != key->values.end()) {
            if (v->second.data.size() > 4) {
                result = error_more_data;
            } else {
                std::uint32_t read = 0;
                for (std::size_t i = v->second.data.size(); i-- > 0;) {
                    read = (read << 8) | static_cast<unsigned char>(v->second.data[i]);
                }
                value = read;
                result = error_success;
            }
        }
    }
    calls.push_back("reg_query " + narrow(key ? key->name : L"?") + "\\" + narrow(name) + " -> " +
                    std::to_string(result));
    return result;
}

long fake_platform::reg_set_dword(reg_key handle, std::wstring_view name, std::uint32_t value) {
    reg_key_entry* key = key_of(handle);
    calls.push_back("reg_set " + narrow(key ? key->name : L"?") + "\\" + narrow(name) + " = " + std::to_string(value));
    if (key == nullptr) return error_file_not_found;
    set_dword(key->name, std::wstring(name), value);
    return error_success;
}

void fake_platform::reg_close_key(reg_key handle) {
    reg_key_entry* key = key_of(handle);
    calls.push_back("reg_close " + narrow(key ? key->name : L"?"));
    open_.erase(handle);
}

platform::window_handle fake_platform::get_console_window() {
    calls.push_back("get_console_window");
    return window;
}

std::int32_t fake_platform::get_window_long(window_handle w, int index) {
    calls.push_back("get_window_long " + std::to_string(index));
    if (w != window || window == 0 || index != gwl_exstyle) return 0;
    return exstyle;
}

std::int32_t fake_platform::set_window_long(window_handle w, int index, std::int32_t value) {
    calls.push_back("set_window_long " + std::to_string(index) + " " + hex(static_cast<std::uint32_t>(value)));
    if (w != window || window == 0 || index != gwl_exstyle) return 0;
    const std::int32_t old = exstyle;
    exstyle = value;
    // Taking the layered style away drops the attributes, as on Windows.
    if ((value & ws_ex_layered) == 0) layered_alpha.reset();
    return old;
}

bool fake_platform::set_layered_window_attributes(window_handle w, std::uint32_t colour_key, std::uint8_t alpha,
                                                  std::uint32_t flags) {
    calls.push_back("set_layered " + std::to_string(colour_key) + " " + std::to_string(alpha) + " " + hex(flags));
    if (w != window || window == 0 || (exstyle & ws_ex_layered) == 0) return false;
    layered_alpha = alpha;
    return true;
}

bool fake_platform::get_layered_window_alpha(window_handle w, std::uint8_t& alpha) {
    calls.push_back("get_layered_alpha");
    if (w != window || window == 0 || (exstyle & ws_ex_layered) == 0 || !layered_alpha) return false;
    alpha = *layered_alpha;
    return true;
}

std::uint32_t fake_platform::get_environment_variable(const wchar_t* name, wchar_t* buffer, std::uint32_t size) {
    auto v = env.find(name);
    if (v == env.end() || v->second.empty()) return 0;
    const auto length = static_cast<std::uint32_t>(v->second.size());
    if (length >= size) return length + 1;
    v->second.copy(buffer, length);
    buffer[length] = L'\0';
    return length;
}

std::uint32_t fake_platform::get_console_output_cp() {
    calls.push_back("get_output_cp");
    return code_page;
}

bool fake_platform::set_console_output_cp(std::uint32_t cp) {
    calls.push_back("set_output_cp " + std::to_string(cp));
    if (code_page == 0) return false;
    code_page = cp;
    return true;
}

bool fake_platform::add_ctrl_handler(ctrl_handler_fn handler) {
    calls.push_back("add_ctrl_handler");
    ctrl_handler = handler;
    return true;
}

bool fake_platform::key_waiting() {
    if (!keys.empty()) {
        idle_polls_ = 0;
        return true;
    }
    if (++idle_polls_ > max_idle_polls) throw std::runtime_error("fake keyboard: polled too long without keys");
    return false;
}

int fake_platform::read_key() {
    if (keys.empty()) throw std::runtime_error("fake keyboard: read without a key");
    const int key = keys.front();
    keys.pop_front();
    calls.push_back("read_key " + std::to_string(key));
    return key;
}

bool fake_platform::get_stdout_console_mode(std::uint32_t& mode) {
    calls.push_back("get_console_mode");
    if (!stdout_mode) return false;
    mode = *stdout_mode;
    return true;
}

bool fake_platform::set_stdout_console_mode(std::uint32_t mode) {
    calls.push_back("set_console_mode " + hex(mode));
    if (!stdout_mode) return false;
    stdout_mode = mode;
    return true;
}

void fake_platform::sleep_ms(std::uint32_t milliseconds) { calls.push_back("sleep " + std::to_string(milliseconds)); }

bool fake_platform::read_file(const std::wstring& path, std::string& bytes) {
    calls.push_back("read_file " + narrow(path));
    auto f = files.find(path);
    if (f == files.end()) return false;
    bytes = f->second;
    return true;
}

bool fake_platform::replace_file(const std::wstring& path, std::string_view bytes) {
    calls.push_back("replace_file " + narrow(path));
    if (read_only_files.count(path) != 0) return false;
    files[path] = std::string(bytes);
    return true;
}

void fake_platform::write_stdout(std::string_view bytes) { out += bytes; }
void fake_platform::write_stderr(std::string_view bytes) { err += bytes; }

void fake_platform::exit_process(int status) {
    calls.push_back("exit " + std::to_string(status));
    throw fake_exit{status};
}

}  // namespace frostpane
