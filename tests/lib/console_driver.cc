// Drives a console program as a user at a Windows console would and reads its screen back (keys
// typed into Wine's console from a terminal never become Escape, mouse or size records or Ctrl+C).
//   console_driver [--size COLSxROWS] STEP... -- PROGRAM [ARGUMENT...]  runs PROGRAM in a headless
// console of its own; --size: that window from row 20 of a 50-row buffer, the cursor at its start.
//   reading  wait until the program reads keys (the input mode changed);  wait=TEXT  until a row
//            begins with TEXT;  type=TEXT  each character pressed and released;  key=NAME  Enter
//            Escape Space Up Down Left Right Home End: to a reader in VT input mode the navigation
//            keys come as Windows' console makes them (ESC [ B; Wine's does not); Escape waits for
//            the reader's wait for more (VLM_ESCAPE_MS, else 50 ms) + 100 ms
//   click=X,Y  double=X,Y  move=X,Y  wheel=X,Y,up|down  mouse records;  ctrl-c  a Ctrl+C event
//            (seen by the driver before it goes on);  size=COLSxROWS  as --size, the program running
//   rows=A-B rows whole, each ended by "|";  attrs=A-B  their attributes in hex;  exit  "exit N,
//            modes kept" once the program ended with the console's modes as before, else what they became
// An exit step ends every run. A wait gives up after 10 s, shows the screen and ends the programs.
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <tuple>
#include <vector>

namespace {

HANDLE in, out, program;
DWORD modes[2], written;

void say(const std::wstring& line) {
    std::string utf8(line.size() * 3 + 2, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, (line + L"\n").c_str(), -1, utf8.data(), int(utf8.size()), 0, 0);
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), DWORD(n > 0 ? n - 1 : 0), &written, nullptr);
}

std::wstring row(int r, bool attributes = false) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(out, &info);
    std::wstring cells(std::size_t(info.dwSize.X), L' '), shown;
    std::vector<WORD> attrs(cells.size());
    ReadConsoleOutputCharacterW(out, cells.data(), DWORD(cells.size()), COORD{0, SHORT(r)}, &written);
    ReadConsoleOutputAttribute(out, attrs.data(), DWORD(attrs.size()), COORD{0, SHORT(r)}, &written);
    wchar_t hex[8];
    for (const WORD a : attrs) swprintf(hex, 8, L" %x", a), shown += hex;
    return attributes ? shown.substr(1) : cells;
}

template <class Done>
void wait_for(const std::wstring& what, Done done) {
    for (int waited = 0; !done(); waited += 10, Sleep(10)) {
        if (waited < 10000) continue;
        say(L"driver: gave up waiting for " + what + L"; the screen:");
        for (int r = 0; r < 50; ++r) say(row(r));
        DWORD ids[64], n = GetConsoleProcessList(ids, 64);  // the program and any it started
        for (DWORD i = 0; i < n; ++i)
            if (ids[i] != GetCurrentProcessId()) TerminateProcess(OpenProcess(PROCESS_TERMINATE, FALSE, ids[i]), 2);
        std::exit(2);
    }
}

void put(INPUT_RECORD r) { WriteConsoleInputW(in, &r, 1, &written); }
void mouse(int x, int y, DWORD buttons, DWORD flags) {
    put({MOUSE_EVENT, {.MouseEvent = {COORD{SHORT(x), SHORT(y)}, buttons, 0, flags}}});
}
void press(WORD vk, WORD scan, wchar_t ch, DWORD flags = 0) {
    for (const BOOL down : {TRUE, FALSE}) put({KEY_EVENT, {.KeyEvent = {down, 1, vk, scan, {ch}, flags}}});
}

void key(const std::wstring& name) {
    // name, virtual key, scan code, character, final byte of its VT sequence
    static const std::tuple<std::wstring, WORD, WORD, wchar_t, wchar_t> keys[] = {
        {L"Enter", VK_RETURN, 0x1C, L'\r', 0}, {L"Escape", VK_ESCAPE, 0x01, 0x1B, 0},
        {L"Space", VK_SPACE, 0x39, L' ', 0},   {L"Up", VK_UP, 0x48, 0, L'A'},
        {L"Down", VK_DOWN, 0x50, 0, L'B'},     {L"Right", VK_RIGHT, 0x4D, 0, L'C'},
        {L"Left", VK_LEFT, 0x4B, 0, L'D'},     {L"Home", VK_HOME, 0x47, 0, L'H'},
        {L"End", VK_END, 0x4F, 0, L'F'}};
    DWORD mode = 0;
    GetConsoleMode(in, &mode);
    for (const auto& [key_name, vk, scan, ch, vt] : keys) {
        if (name != key_name) continue;
        if (vt != 0 && (mode & ENABLE_VIRTUAL_TERMINAL_INPUT) != 0) {
            for (const wchar_t c : {L'\x1b', L'[', vt}) press(0, 0, c);
        } else {
            press(vk, scan, ch, vt != 0 ? ENHANCED_KEY : 0);
        }
        if (vk != VK_ESCAPE) return;
        wait_for(L"Escape to be read", [] {  // taken once no key press waits (its release may)
            INPUT_RECORD queued[64];
            DWORD n = 0;
            PeekConsoleInputW(in, queued, 64, &n);
            for (DWORD i = 0; i < n; ++i)
                if (queued[i].EventType == KEY_EVENT && queued[i].Event.KeyEvent.bKeyDown) return false;
            return true;
        });
        const char* ms = std::getenv("VLM_ESCAPE_MS");
        return Sleep(DWORD((ms != nullptr ? std::atoi(ms) : 50) + 100));
    }
    say(L"driver: no key " + name);
}

// The buffer change is what the program hears of: by then the window has its size and place,
// unless it does not fit in the buffer yet (which only happens before the program starts).
void resize(const std::wstring& size) {
    const SMALL_RECT window{0, 20, SHORT(_wtoi(size.c_str()) - 1),
                            SHORT(19 + _wtoi(size.c_str() + size.find(L'x') + 1))};
    SetConsoleWindowInfo(out, TRUE, &window);
    SetConsoleScreenBufferSize(out, COORD{SHORT(window.Right + 1), 50});
    SetConsoleWindowInfo(out, TRUE, &window);
}

HANDLE start(wchar_t* command, DWORD flags, HANDLE input, HANDLE output, HANDLE error) {
    STARTUPINFOW streams{};
    streams.cb = sizeof streams;
    streams.dwFlags = STARTF_USESTDHANDLES;
    streams.hStdInput = input, streams.hStdOutput = output, streams.hStdError = error;
    PROCESS_INFORMATION run{};
    return CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, flags, 0, 0, &streams, &run) ? run.hProcess : 0;
}

void finish() {
    wait_for(L"the program's end", [] { return WaitForSingleObject(program, 0) == WAIT_OBJECT_0; });
    DWORD code = 0, now[2] = {};
    GetExitCodeProcess(program, &code), GetConsoleMode(in, &now[0]), GetConsoleMode(out, &now[1]);
    wchar_t changed[64] = L"modes kept";
    if (now[0] != modes[0] || now[1] != modes[1])
        swprintf(changed, 64, L"modes: input %lx to %lx, output %lx to %lx", modes[0], now[0], modes[1], now[1]);
    say(L"exit " + std::to_wstring(code) + L", " + changed);
    program = nullptr;
}

volatile LONG ctrl_c_seen = 0;
BOOL WINAPI ignore_ctrl_c(DWORD) { return InterlockedExchange(&ctrl_c_seen, 1), TRUE; }
std::wstring quoted(const std::wstring& arg) { return arg.find(L' ') == arg.npos ? arg : L'"' + arg + L'"'; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // The console the driver was started in (a terminal's, or none) is not one to drive: it runs
    // again in a headless console of its own, with the same standard streams.
    if (GetEnvironmentVariableW(L"VM_CONSOLE_DRIVER", nullptr, 0) == 0) {
        SetEnvironmentVariableW(L"VM_CONSOLE_DRIVER", L"inside");
        const HANDLE again = start(GetCommandLineW(), CREATE_NO_WINDOW, GetStdHandle(STD_INPUT_HANDLE),
                                   GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_ERROR_HANDLE));
        DWORD code = 2;
        if (again != nullptr) WaitForSingleObject(again, INFINITE), GetExitCodeProcess(again, &code);
        return int(code);
    }
    SetEnvironmentVariableW(L"VM_CONSOLE_DRIVER", nullptr);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE, rw = GENERIC_READ | GENERIC_WRITE;
    in = CreateFileW(L"CONIN$", rw, share, &inherit, OPEN_EXISTING, 0, nullptr);
    out = CreateFileW(L"CONOUT$", rw, share, &inherit, OPEN_EXISTING, 0, nullptr);
    int first = 1, last = 1;
    for (; first + 1 < argc && argv[first] == std::wstring(L"--size"); first += 2)
        resize(argv[first + 1]), SetConsoleCursorPosition(out, COORD{0, 20});
    while (last < argc && argv[last] != std::wstring(L"--")) ++last;
    std::wstring command;
    for (int a = last + 1; a < argc; ++a) command += std::wstring(a > last + 1 ? L" " : L"") + quoted(argv[a]);
    GetConsoleMode(in, &modes[0]), GetConsoleMode(out, &modes[1]);
    SetConsoleCtrlHandler(ignore_ctrl_c, TRUE);  // a handler: the ignore flag would be inherited
    if ((program = start(command.data(), 0, in, out, out)) == nullptr)
        return say(L"driver: cannot start " + command), 2;

    for (; first < last; ++first) {
        const std::wstring step = argv[first], name = step.substr(0, step.find(L'='));
        const std::wstring value = step.size() > name.size() ? step.substr(name.size() + 1) : L"";
        const int a = _wtoi(value.c_str()), b = _wtoi(value.c_str() + value.find_first_of(L",-") + 1);
        DWORD mode = 0;
        if (name == L"reading") {
            wait_for(L"the program to read keys", [&] { return GetConsoleMode(in, &mode) && mode != modes[0]; });
        } else if (name == L"wait") {
            wait_for(L"a row that begins with " + value, [&] {
                for (int r = 0; r < 50; ++r)
                    if (row(r).starts_with(value)) return true;
                return false;
            });
        } else if (name == L"type") {
            for (const wchar_t c : value) press(0, 0, c);
        } else if (name == L"key") {
            key(value);
        } else if (name == L"click" || name == L"double") {
            mouse(a, b, FROM_LEFT_1ST_BUTTON_PRESSED, 0), mouse(a, b, 0, 0);
            if (name == L"double") mouse(a, b, FROM_LEFT_1ST_BUTTON_PRESSED, DOUBLE_CLICK), mouse(a, b, 0, 0);
        } else if (name == L"move" || name == L"wheel") {
            const DWORD wheel = DWORD(value.ends_with(L"up") ? 120 : 0xFF88) << 16;
            mouse(a, b, name == L"move" ? 0 : wheel, name == L"move" ? MOUSE_MOVED : MOUSE_WHEELED);
        } else if (name == L"size") {
            resize(value);
        } else if (name == L"ctrl-c") {  // delivered on threads of their own: seen here, then there
            InterlockedExchange(&ctrl_c_seen, 0), GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
            wait_for(L"the Ctrl+C event", [] { return ctrl_c_seen != 0; });
        } else if (name == L"exit") {
            finish();
        } else if (name == L"rows" || name == L"attrs") {
            for (int r = a; r <= b; ++r) say(name == L"rows" ? row(r) + L"|" : row(r, true));
        } else {
            say(L"driver: no step " + step);
        }
    }
    if (program != nullptr) finish();
    return 0;
}
