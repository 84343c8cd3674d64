// The Windows console back end: one Windows or runtime call per method, no decisions.
#include <windows.h>

#include <conio.h>
#include <io.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "platform_stdio.h"
#include "raw_mode.h"
#include "text.h"

namespace plm {

namespace {

COORD to_coord(coord c) {
    COORD r;
    r.X = c.x;
    r.Y = c.y;
    return r;
}

coord from_coord(COORD c) { return coord{c.X, c.Y}; }

SMALL_RECT to_rect(const small_rect& s) {
    SMALL_RECT r;
    r.Left = s.left;
    r.Top = s.top;
    r.Right = s.right;
    r.Bottom = s.bottom;
    return r;
}

small_rect from_rect(const SMALL_RECT& r) { return small_rect{r.Left, r.Top, r.Right, r.Bottom}; }

void from_record(const INPUT_RECORD& in, input_record* out) {
    *out = input_record{};
    out->event_type = in.EventType;
    if (in.EventType == KEY_EVENT) {
        const KEY_EVENT_RECORD& k = in.Event.KeyEvent;
        out->key.key_down = k.bKeyDown != FALSE;
        out->key.repeat = k.wRepeatCount;
        out->key.virtual_key = k.wVirtualKeyCode;
        out->key.scan_code = k.wVirtualScanCode;
        out->key.ch = k.uChar.AsciiChar;
        out->key.control_keys = k.dwControlKeyState;
    } else if (in.EventType == MOUSE_EVENT) {
        const MOUSE_EVENT_RECORD& m = in.Event.MouseEvent;
        out->mouse.position = from_coord(m.dwMousePosition);
        out->mouse.button_state = m.dwButtonState;
        out->mouse.control_keys = m.dwControlKeyState;
        out->mouse.event_flags = m.dwEventFlags;
    }
}

// PeekConsoleInputA and ReadConsoleInputA share their shape; both are asked for one record.
template <class Fn>
bool one_record(Fn fn, handle_t h, input_record* record, std::uint32_t* count) {
    INPUT_RECORD r{};
    DWORD n = 0;
    if (!fn(h, &r, 1, &n)) {
        return false;
    }
    *count = n;
    if (n > 0) {
        from_record(r, record);
    }
    return true;
}

BOOL WINAPI ctrl_trampoline(DWORD control_type) { return console_ctrl_handler(control_type) != 0 ? TRUE : FALSE; }

int fileno_of(std_stream s) {
    switch (s) {
        case std_stream::input:
            return _fileno(stdin);
        case std_stream::output:
            return _fileno(stdout);
        case std_stream::error:
            break;
    }
    return _fileno(stderr);
}

class win32_platform final : public stdio_platform {
public:
    handle_t std_input_handle() override { return GetStdHandle(STD_INPUT_HANDLE); }
    handle_t std_output_handle() override { return GetStdHandle(STD_OUTPUT_HANDLE); }
    bool is_tty(std_stream s) override { return _isatty(fileno_of(s)) != 0; }

    bool get_console_mode(handle_t h, std::uint32_t* mode) override {
        DWORD m = 0;
        if (!GetConsoleMode(h, &m)) {
            return false;
        }
        *mode = m;
        return true;
    }
    bool set_console_mode(handle_t h, std::uint32_t mode) override { return SetConsoleMode(h, mode) != FALSE; }

    // A console hands out its text in UTF-16 whatever its input code page, so typed text is read
    // that way and passed on as UTF-8, one byte per call; changing the code page instead would
    // change it for every program attached to the console, and older consoles answer ReadFile
    // under code page 65001 with NUL bytes for everything outside ASCII. Anything else that
    // stands for the input (a pipe, a file) is read as bytes.
    byte_read read_byte(handle_t h, unsigned char* byte) override {
        if (pending_length_ > 0) {
            *byte = static_cast<unsigned char>(pending_[pending_next_++]);
            if (pending_next_ == pending_length_) pending_length_ = pending_next_ = 0;
            return byte_read::ok;
        }
        DWORD mode = 0;
        if (!GetConsoleMode(h, &mode)) {
            DWORD got = 0;
            if (!ReadFile(h, byte, 1, &got, nullptr)) {
                return byte_read::failed;
            }
            return got == 1 ? byte_read::ok : byte_read::none;
        }
        wchar_t unit = 0;
        DWORD got = 0;
        if (!ReadConsoleW(h, &unit, 1, &got, nullptr)) {
            return byte_read::failed;
        }
        if (got != 1) {
            return byte_read::none;
        }
        std::uint32_t cp = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            wchar_t low = 0;
            if (!ReadConsoleW(h, &low, 1, &got, nullptr) || got != 1 || low < 0xDC00 || low > 0xDFFF) {
                return byte_read::none;  // half a pair is no character
            }
            cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<std::uint32_t>(low) - 0xDC00);
        }
        pending_length_ = utf8_encode(cp, pending_);
        if (pending_length_ == 0) {
            return byte_read::none;
        }
        return read_byte(h, byte);
    }
    // The rest of a character already taken from the console comes before anything in its queue:
    // waiting on the console would hold it back until the next key.
    bool wait_input(handle_t h, std::uint32_t timeout_ms) override {
        return pending_length_ > 0 || WaitForSingleObject(h, timeout_ms) != WAIT_TIMEOUT;
    }
    bool peek_console_input(handle_t h, input_record* record, std::uint32_t* count) override {
        if (pending_length_ > 0) {
            *count = 0;
            return true;
        }
        return one_record(PeekConsoleInputA, h, record, count);
    }
    bool read_console_input(handle_t h, input_record* record, std::uint32_t* count) override {
        return one_record(ReadConsoleInputA, h, record, count);
    }
    std::uint32_t getwch() override { return static_cast<std::uint32_t>(_getwch()); }
    // The console never goes away under a running program; a failed read is tried again.
    bool input_closed() override { return false; }

    bool get_screen_buffer_info(handle_t h, screen_info* info) override {
        CONSOLE_SCREEN_BUFFER_INFO csbi{};
        if (!GetConsoleScreenBufferInfo(h, &csbi)) {
            return false;
        }
        info->size = from_coord(csbi.dwSize);
        info->cursor = from_coord(csbi.dwCursorPosition);
        info->attributes = csbi.wAttributes;
        info->window = from_rect(csbi.srWindow);
        info->max_window = from_coord(csbi.dwMaximumWindowSize);
        return true;
    }
    bool set_screen_buffer_size(handle_t h, coord size) override {
        return SetConsoleScreenBufferSize(h, to_coord(size)) != FALSE;
    }
    bool set_cursor_position(handle_t h, coord pos) override {
        return SetConsoleCursorPosition(h, to_coord(pos)) != FALSE;
    }
    bool set_text_attribute(handle_t h, std::uint16_t attributes) override {
        return SetConsoleTextAttribute(h, attributes) != FALSE;
    }
    bool fill_output_character(handle_t h, char ch, std::uint32_t length, coord start,
                               std::uint32_t* written) override {
        DWORD n = 0;
        const BOOL ok = FillConsoleOutputCharacterA(h, ch, length, to_coord(start), &n);
        if (written != nullptr) {
            *written = n;
        }
        return ok != FALSE;
    }
    bool fill_output_attribute(handle_t h, std::uint16_t attributes, std::uint32_t length, coord start,
                               std::uint32_t* written) override {
        DWORD n = 0;
        const BOOL ok = FillConsoleOutputAttribute(h, attributes, length, to_coord(start), &n);
        if (written != nullptr) {
            *written = n;
        }
        return ok != FALSE;
    }
    bool scroll_screen_buffer(handle_t h, const small_rect& scroll, const small_rect* clip, coord dest, char fill_ch,
                              std::uint16_t fill_attributes) override {
        const SMALL_RECT s = to_rect(scroll);
        SMALL_RECT c{};
        if (clip != nullptr) {
            c = to_rect(*clip);
        }
        CHAR_INFO fill{};
        fill.Char.AsciiChar = fill_ch;
        fill.Attributes = fill_attributes;
        return ScrollConsoleScreenBufferA(h, &s, clip != nullptr ? &c : nullptr, to_coord(dest), &fill) != FALSE;
    }

    // Read through the Windows environment block rather than the runtime's copy, so that a value
    // set with set_env (SetEnvironmentVariableA) is seen at once.
    bool get_env(const char* name, std::string* value) override {
        value->clear();
        char small[256];
        SetLastError(ERROR_SUCCESS);
        DWORD n = GetEnvironmentVariableA(name, small, sizeof small);
        if (n == 0) {
            return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
        }
        if (n < sizeof small) {
            value->assign(small, n);
            return true;
        }
        std::string big(n, '\0');
        const DWORD m = GetEnvironmentVariableA(name, big.data(), n);
        if (m == 0 || m >= n) {
            return false;
        }
        big.resize(m);
        *value = big;
        return true;
    }
    bool set_env(const char* name, const char* value) override { return SetEnvironmentVariableA(name, value) != FALSE; }

    // On a console the text goes to the output handle as UTF-16: bytes would be read in the
    // console's output code page (a Chinese system's is not UTF-8, and the library must not change
    // it under its caller), the runtime's console stdio re-encodes text on its way there, and
    // Wine's drops the escape byte of every VT sequence. A character cut at the end of one write
    // waits for the rest. Redirected output keeps the runtime's text-mode stream (line feeds
    // become CR LF in files).
    void write_output(std::string_view bytes) override {
        if (bytes.empty()) {
            return;
        }
        if (_isatty(_fileno(stdout)) == 0) {
            stdio_platform::write_output(bytes);
            return;
        }
        std::fflush(stdout);  // whatever the caller printed before comes first
        std::string text(unwritten_, unwritten_length_);
        text.append(bytes);
        std::size_t whole = text.size();  // up to the last character that is complete
        for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
            const auto c = static_cast<unsigned char>(text[text.size() - back]);
            if ((c & 0xC0) == 0x80) continue;
            const std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            if (need > back) whole = text.size() - back;
            break;
        }
        unwritten_length_ = text.size() - whole;
        text.copy(unwritten_, unwritten_length_, whole);
        const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(whole), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
        if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(whole), wide.data(), n);
        const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        std::size_t done = 0;
        while (done < wide.size()) {
            DWORD written = 0;
            const std::size_t left = wide.size() - done;
            const DWORD chunk = static_cast<DWORD>(left < 0x8000 ? left : 0x8000);
            if (!WriteConsoleW(out, wide.data() + done, chunk, &written, nullptr) || written == 0) {
                return;
            }
            done += written;
        }
    }

    std::uint32_t tick_count() override { return GetTickCount(); }
    std::uint64_t tick_count64() override { return GetTickCount64(); }
    // The runtime's clock() counts wall-clock milliseconds from process start on Windows.
    double clock_seconds() override { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }
    void sleep_ms(std::uint32_t ms) override { Sleep(ms); }

    bool set_ctrl_handler(bool add) override {
        return SetConsoleCtrlHandler(ctrl_trampoline, add ? TRUE : FALSE) != FALSE;
    }

private:
    char unwritten_[3] = {};  // the start of a character whose rest comes with the next write
    std::size_t unwritten_length_ = 0;
    char pending_[4] = {};  // the rest of a character read from the console
    std::size_t pending_length_ = 0;
    std::size_t pending_next_ = 0;
};

}  // namespace

platform& native_platform() {
    static win32_platform instance;
    return instance;
}

}  // namespace plm
