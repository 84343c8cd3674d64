/* A caller built the way an MSVC-family toolchain builds one: clang for the MSVC target, no C
 * runtime, linked by lld-link against promptloom.lib alone (plus the system's kernel32). Prints
 * the library's version string; exits 0 when the version number is the one the header names. */
#include "promptloom.h"

__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* data, unsigned long size, unsigned long* written,
                                              void* overlapped);
__declspec(dllimport) void __stdcall ExitProcess(unsigned code);

void start(void) {
    const char* text = plm_version_string();
    unsigned long length = 0, written = 0;
    while (text[length] != '\0') ++length;
    WriteFile(GetStdHandle((unsigned long)-11), text, length, &written, 0);
    ExitProcess(plm_version_number() == 0x10000 ? 0 : 1);
}
