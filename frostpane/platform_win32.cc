#include "platform_win32.h"

#ifndef NOMINMAX
#  define NOMINMAX
#endif
#include <windows.h>

#include <conio.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace frostpane {
namespace {

HKEY as_hkey(platform::reg_key key) { return reinterpret_cast<HKEY>(key); }
HWND as_hwnd(platform::window_handle window) { return reinterpret_cast<HWND>(window); }
std::wstring terminated(std::wstring_view text) { return std::wstring(text); }

platform::ctrl_handler_fn installed_handler = nullptr;

BOOL WINAPI ctrl_trampoline(DWORD event) {
    const platform::ctrl_handler_fn handler = installed_handler;
    return handler != nullptr && handler(event) ? TRUE : FALSE;
}

// Keys that the runtime's _getch reports with a 0xE0 prefix.
bool is_extended_key(WORD virtual_key) {
    return (virtual_key >= VK_PRIOR && virtual_key <= VK_DOWN) || virtual_key == VK_INSERT || virtual_key == VK_DELETE;
}

bool write_all(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace

long win32_platform::reg_open_key(std::wstring_view subkey, std::uint32_t access, reg_key& key) {
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, terminated(subkey).c_str(), 0, access, &opened);
    if (result == ERROR_SUCCESS) key = reinterpret_cast<reg_key>(opened);
    return result;
}

long win32_platform::reg_create_key(std::wstring_view subkey, std::uint32_t access, reg_key& key) {
    HKEY created = nullptr;
    const LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, terminated(subkey).c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, access, nullptr, &created, nullptr);
    if (result == ERROR_SUCCESS) key = reinterpret_cast<reg_key>(created);
    return result;
}

long win32_platform::reg_query_dword(reg_key key, std::wstring_view name, std::uint32_t& value) {
    DWORD data = 0;
    DWORD size = sizeof data;
    const LONG result = RegQueryValueExW(as_hkey(key), terminated(name).c_str(), nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(&data), &size);
    if (result == ERROR_SUCCESS) value = data;
    return result;
}

long win32_platform::reg_set_dword(reg_key key, std::wstring_view name, std::uint32_t value) {
    const DWORD data = value;
    return RegSetValueExW(as_hkey(key), terminated(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data);
}

void win32_platform::reg_close_key(reg_key key) { RegCloseKey(as_hkey(key)); }

platform::window_handle win32_platform::get_console_window() {
    return reinterpret_cast<window_handle>(GetConsoleWindow());
}

std::int32_t win32_platform::get_window_long(window_handle window, int index) {
    return GetWindowLongW(as_hwnd(window), index);
}

std::int32_t win32_platform::set_window_long(window_handle window, int index, std::int32_t value) {
    return SetWindowLongW(as_hwnd(window), index, value);
}

bool win32_platform::set_layered_window_attributes(window_handle window, std::uint32_t colour_key, std::uint8_t alpha,
                                                   std::uint32_t flags) {
    return SetLayeredWindowAttributes(as_hwnd(window), colour_key, alpha, flags) != FALSE;
}

bool win32_platform::get_layered_window_alpha(window_handle window, std::uint8_t& alpha) {
    BYTE value = 0;
    if (!GetLayeredWindowAttributes(as_hwnd(window), nullptr, &value, nullptr)) return false;
    alpha = value;
    return true;
}

std::uint32_t win32_platform::get_environment_variable(const wchar_t* name, wchar_t* buffer, std::uint32_t size) {
    return GetEnvironmentVariableW(name, buffer, size);
}

std::uint32_t win32_platform::get_console_output_cp() { return GetConsoleOutputCP(); }

bool win32_platform::set_console_output_cp(std::uint32_t code_page) { return SetConsoleOutputCP(code_page) != FALSE; }

bool win32_platform::add_ctrl_handler(ctrl_handler_fn handler) {
    installed_handler = handler;
    return SetConsoleCtrlHandler(ctrl_trampoline, TRUE) != FALSE;
}

// The runtime's keyboard functions read the console itself, not standard input, so the slider
// still sees its keys when standard input is redirected.
namespace {
HANDLE console_input() {
    static const HANDLE handle = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    return handle;
}
}  // namespace

bool win32_platform::key_waiting() {
    HANDLE input = console_input();
    // Wine's console only starts reading the terminal once the input handle has
    // been waited on (or read); harmless on Windows.
    WaitForSingleObject(input, 0);
    DWORD count = 0;
    if (!GetNumberOfConsoleInputEvents(input, &count) || count == 0) return false;
    std::vector<INPUT_RECORD> records(count);
    DWORD peeked = 0;
    if (!PeekConsoleInputW(input, records.data(), count, &peeked)) return false;
    // The runtime's own test: a key-down that carries a character or is an
    // extended key. Wine's _kbhit leaves the arrows out, so it is not used.
    for (DWORD i = 0; i < peeked; ++i) {
        const INPUT_RECORD& record = records[i];
        if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
        if (record.Event.KeyEvent.uChar.UnicodeChar != 0 || is_extended_key(record.Event.KeyEvent.wVirtualKeyCode)) {
            return true;
        }
    }
    return false;
}

int win32_platform::read_key() { return _getch() & 0xFF; }

bool win32_platform::get_stdout_console_mode(std::uint32_t& mode) {
    DWORD value = 0;
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &value)) return false;
    mode = value;
    return true;
}

bool win32_platform::set_stdout_console_mode(std::uint32_t mode) {
    return SetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), mode) != FALSE;
}

void win32_platform::sleep_ms(std::uint32_t milliseconds) { Sleep(milliseconds); }

bool win32_platform::read_file(const std::wstring& path, std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string content;
    char buffer[65536];
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE;
        if (!ok || got == 0) break;
        content.append(buffer, got);
    }
    CloseHandle(file);
    if (!ok) return false;
    bytes = std::move(content);
    return true;
}

std::uint32_t win32_platform::file_attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

std::wstring win32_platform::final_path(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return path;
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(file);
    if (length == 0 || length >= buffer.size()) return path;
    return std::wstring(buffer.data(), length);
}

long win32_platform::create_file(const std::wstring& path, std::string_view bytes, std::uint32_t attributes) {
    // The attributes CreateFileW gives a new file; read-only is left out, it would block the move.
    constexpr DWORD k_settable =
        FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD kept = attributes & k_settable;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE | GENERIC_READ, 0, nullptr, CREATE_NEW,
                              kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return static_cast<long>(GetLastError());
    LARGE_INTEGER size{};
    const bool written = write_all(file, bytes) && FlushFileBuffers(file) && GetFileSizeEx(file, &size) &&
                         static_cast<unsigned long long>(size.QuadPart) == bytes.size();
    const DWORD error = written ? ERROR_SUCCESS : GetLastError();
    if (CloseHandle(file) && written) return ERROR_SUCCESS;
    DeleteFileW(path.c_str());
    return error != ERROR_SUCCESS ? static_cast<long>(error) : ERROR_WRITE_FAULT;
}

long win32_platform::replace_file(const std::wstring& replaced, const std::wstring& replacement) {
    if (ReplaceFileW(replaced.c_str(), replacement.c_str(), nullptr, 0, nullptr, nullptr)) return ERROR_SUCCESS;
    return static_cast<long>(GetLastError());
}

long win32_platform::move_file(const std::wstring& from, const std::wstring& to) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return ERROR_SUCCESS;
    return static_cast<long>(GetLastError());
}

bool win32_platform::delete_file(const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; }

std::vector<std::wstring> win32_platform::find_files(const std::wstring& pattern) {
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return found;
    const std::wstring folder = pattern.substr(0, pattern.find_last_of(L'\\') + 1);
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) found.push_back(folder + data.cFileName);
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return found;
}

std::uint32_t win32_platform::process_id() { return GetCurrentProcessId(); }

void win32_platform::write_stdout(std::string_view bytes) { write_all(GetStdHandle(STD_OUTPUT_HANDLE), bytes); }

void win32_platform::write_stderr(std::string_view bytes) { write_all(GetStdHandle(STD_ERROR_HANDLE), bytes); }

void win32_platform::exit_process(int status) { std::exit(status); }

}  // namespace frostpane
