// Test helper for the end-to-end tests: writes what the console looks like
// from inside (output code page, layered style, alpha) into the file named by
// its argument, so a test can read it after frostpane ran in the same console.
#ifndef NOMINMAX
#  define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 2) return 2;
    HWND window = GetConsoleWindow();
    const LONG style = window != nullptr ? GetWindowLongW(window, GWL_EXSTYLE) : 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    const bool attributes = window != nullptr && GetLayeredWindowAttributes(window, nullptr, &alpha, &flags);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) return 3;
    std::fprintf(out, "cp=%u window=%d layered=%d alpha=%d\n", GetConsoleOutputCP(), window != nullptr ? 1 : 0,
                 (style & WS_EX_LAYERED) != 0 ? 1 : 0, attributes ? static_cast<int>(alpha) : -1);
    std::fclose(out);
    return 0;
}
