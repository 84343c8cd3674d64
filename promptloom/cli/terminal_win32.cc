// The command's streams on Windows: the console (CONIN$, CONOUT$) stands in for redirected
// standard input and output, so that `for /f %%i in ('promptloom choose a b c')` draws on the
// console. The library shares this program's C runtime, so moving the runtime's descriptors 0
// and 1 (and the process's standard handles) moves the library's streams too.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

#include "cli.h"

namespace plm_cli {
namespace {

std::string utf8_of(const wchar_t* text, int length = -1) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
    if (length < 0 && !out.empty()) out.pop_back();
    return out;
}

std::wstring wide_of(std::string_view utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

// The system's text for the last error, without the line end and full stop it comes with.
std::string last_error_text() {
    wchar_t* text = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, GetLastError(), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out = n > 0 ? utf8_of(text, static_cast<int>(n)) : "error " + std::to_string(GetLastError());
    LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.' || out.back() == ' '))
        out.pop_back();
    return out;
}

bool write_handle(HANDLE h, std::string_view utf8, std::string& why) {
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(h, &mode)) {
        // A console shows UTF-16 whatever its code page; bytes would be read in that code page.
        const std::wstring wide = wide_of(utf8);
        if (!WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr))
            return why = last_error_text(), false;
        return true;
    }
    while (!utf8.empty()) {
        if (!WriteFile(h, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) || written == 0)
            return why = last_error_text(), false;
        utf8.remove_prefix(written);
    }
    return true;
}

std::ptrdiff_t read_handle(HANDLE h, char* buffer, std::size_t size) {
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(h, buffer, static_cast<DWORD>(size), &got, nullptr))
            return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;  // the writer is done
        // Nothing from a pipe is an empty write at the other end, not the end.
        if (got > 0 || GetFileType(h) != FILE_TYPE_PIPE) return static_cast<std::ptrdiff_t>(got);
    }
}

// Moves runtime descriptor `fd` and the standard handle `which` onto the console device `name`.
void attach(int fd, DWORD which, const wchar_t* name) {
    const HANDLE h = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    const int opened = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY);
    if (opened < 0 || _dup2(opened, fd) != 0) return;
    _close(opened);
    SetStdHandle(which, reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
}

class win32_streams final : public streams {
public:
    bool output_open() override {
        const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        if (out == nullptr || out == INVALID_HANDLE_VALUE) return false;
        // Under Wine a closed descriptor 1 becomes whatever the loader opened there, read-only.
        // Writing nothing tells; to a pipe it would tell the reader the input ended.
        DWORD written = 0;
        return GetFileType(out) != FILE_TYPE_DISK || WriteFile(out, "", 0, &written, nullptr);
    }
    bool stdin_is_terminal() override { return _isatty(0) != 0; }
    std::ptrdiff_t read_stdin(char* buffer, std::size_t size) override {
        return read_handle(GetStdHandle(STD_INPUT_HANDLE), buffer, size);
    }
    bool attach_terminal() override {
        // A duplicate keeps the original standard output alive for the answer.
        DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_OUTPUT_HANDLE), GetCurrentProcess(), &answer_, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        if (GetConsoleOutputCP() == 0) {
            // No console: the library's text fallbacks print to standard error, not into the answer.
            _dup2(2, 1);
            SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
            return false;
        }
        if (!_isatty(0)) attach(0, STD_INPUT_HANDLE, L"CONIN$");
        if (!_isatty(1)) attach(1, STD_OUTPUT_HANDLE, L"CONOUT$");
        return _isatty(0) != 0 && _isatty(1) != 0;
    }
    bool write_answer(std::string_view utf8, std::string& why) override {
        return write_handle(answer_ != nullptr ? answer_ : GetStdHandle(STD_OUTPUT_HANDLE), utf8, why);
    }
    void write_error(std::string_view utf8) override {
        std::string why;
        (void)write_handle(GetStdHandle(STD_ERROR_HANDLE), utf8, why);
    }

    history_file read_history(const std::string& path, line_list& lines, std::string& why) override {
        const std::wstring name = wide_of(path);
        const DWORD attributes = GetFileAttributesW(name.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return why = "not a regular file", history_file::refused;
        const HANDLE h = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return history_file::ok;
            return why = last_error_text(), history_file::unreadable;
        }
        history_file result = history_file::ok;
        // Devices (NUL, CON, a serial port) and pipes are no files to keep lines in.
        if (GetFileType(h) != FILE_TYPE_DISK) why = "not a regular file", result = history_file::refused;
        char chunk[65536];
        std::ptrdiff_t n = 0;
        while (result == history_file::ok && (n = read_handle(h, chunk, sizeof chunk)) > 0)
            lines.feed({chunk, static_cast<std::size_t>(n)});
        if (n < 0) why = last_error_text(), result = history_file::unreadable;
        CloseHandle(h);
        return result;
    }
    bool append_history(const std::string& path, std::string_view line, std::string& why) override {
        // Appending data only: every write lands at the end, whoever else writes there.
        const HANDLE h =
            CreateFileW(wide_of(path).c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return why = last_error_text(), false;
        LARGE_INTEGER size{};
        char last = '\n';
        DWORD got = 0;
        bool ok = GetFileType(h) == FILE_TYPE_DISK && GetFileSizeEx(h, &size);
        if (!ok) why = "not a regular file";
        if (ok && size.QuadPart > 0) {
            LARGE_INTEGER at{};
            at.QuadPart = size.QuadPart - 1;
            ok = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && ReadFile(h, &last, 1, &got, nullptr) && got == 1;
            if (!ok) why = last_error_text();
        }
        std::string bytes(last == '\n' ? 0 : 1, '\n');
        bytes.append(line) += '\n';
        ok = ok && write_handle(h, bytes, why);
        CloseHandle(h);
        return ok;
    }

private:
    HANDLE answer_ = nullptr;
};

}  // namespace
}  // namespace plm_cli

int main() {
    // The narrow arguments are in the ANSI code page, which loses Chinese item texts.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; argv != nullptr && i < argc; ++i) args.push_back(plm_cli::utf8_of(argv[i]));
    LocalFree(argv);
    plm_cli::win32_streams io;
    return plm_cli::run(args, io);
}
