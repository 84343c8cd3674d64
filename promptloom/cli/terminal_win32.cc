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

std::string utf8_of(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<std::size_t>(n) : 1, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.pop_back();
    return out;
}

void write_handle(HANDLE h, std::string_view utf8) {
    DWORD mode = 0;
    if (GetConsoleMode(h, &mode)) {
        // A console shows UTF-16 whatever its code page; bytes would be read in that code page.
        const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
        DWORD written = 0;
        WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    while (!utf8.empty()) {
        DWORD written = 0;
        if (!WriteFile(h, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) || written == 0) return;
        utf8.remove_prefix(written);
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
    bool stdin_is_terminal() override { return _isatty(0) != 0; }
    std::ptrdiff_t read_stdin(char* buffer, std::size_t size) override {
        const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(in, buffer, static_cast<DWORD>(size), &got, nullptr))
                return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;  // the writer is done
            // Nothing from a pipe is an empty write at the other end, not the end.
            if (got > 0 || GetFileType(in) != FILE_TYPE_PIPE) return static_cast<std::ptrdiff_t>(got);
        }
    }
    void attach_terminal() override {
        // A duplicate keeps the original standard output alive for the answer.
        DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_OUTPUT_HANDLE), GetCurrentProcess(), &answer_, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        if (GetConsoleOutputCP() == 0) {
            // No console: the library's text fallbacks print to standard error, not into the answer.
            _dup2(2, 1);
            SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
            return;
        }
        if (!_isatty(0)) attach(0, STD_INPUT_HANDLE, L"CONIN$");
        if (!_isatty(1)) attach(1, STD_OUTPUT_HANDLE, L"CONOUT$");
    }
    void write_answer(std::string_view utf8) override {
        write_handle(answer_ != nullptr ? answer_ : GetStdHandle(STD_OUTPUT_HANDLE), utf8);
    }
    void write_error(std::string_view utf8) override { write_handle(GetStdHandle(STD_ERROR_HANDLE), utf8); }

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
