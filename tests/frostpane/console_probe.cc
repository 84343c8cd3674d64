// Writes what the console looks like from inside (output code page, layered style, alpha) to the
// file named by its argument, for the end-to-end test to read after frostpane ran in the same console.
#include <windows.h>

#include <cstdio>

int main(int argc, char* argv[]) {
    HWND window = GetConsoleWindow();
    BYTE alpha = 0;
    const bool layered = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    const bool read = GetLayeredWindowAttributes(window, nullptr, &alpha, nullptr) != FALSE;
    std::FILE* out = argc > 1 ? std::fopen(argv[1], "wb") : nullptr;
    if (out == nullptr) return 2;
    std::fprintf(out, "cp=%u layered=%d alpha=%d\n", GetConsoleOutputCP(), layered ? 1 : 0, read ? alpha : -1);
    return std::fclose(out);
}
