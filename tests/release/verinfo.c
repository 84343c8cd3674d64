/* Prints the version resource strings of a Windows binary, one "Name=value" line each, the way
 * Explorer's properties page reads them. */
#include <stdio.h>
#include <windows.h>

static void show(const void* block, const wchar_t* name) {
    wchar_t path[128];
    void* value = NULL;
    UINT len = 0;
    swprintf(path, 128, L"\\StringFileInfo\\040904B0\\%ls", name);
    if (VerQueryValueW(block, path, &value, &len) && len > 0) {
        char utf8[512];
        WideCharToMultiByte(CP_UTF8, 0, (const wchar_t*)value, -1, utf8, sizeof utf8, NULL, NULL);
        printf("%ls=%s\n", name, utf8);
    }
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(argv[1], &handle);
    if (size == 0) return 1;
    void* block = HeapAlloc(GetProcessHeap(), 0, size);
    if (block == NULL || !GetFileVersionInfoW(argv[1], 0, size, block)) return 1;
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT len = 0;
    if (VerQueryValueW(block, L"\\", (void**)&fixed, &len) && fixed != NULL)
        printf("Fixed=%u.%u.%u\n", (unsigned)HIWORD(fixed->dwFileVersionMS), (unsigned)LOWORD(fixed->dwFileVersionMS),
               (unsigned)HIWORD(fixed->dwFileVersionLS));
    show(block, L"ProductName");
    show(block, L"FileDescription");
    show(block, L"FileVersion");
    show(block, L"OriginalFilename");
    HeapFree(GetProcessHeap(), 0, block);
    return 0;
}
