/* A caller that loads the shared library by name at run time, as the toolbox's programs do.
 * plm_client LIBRARY NAME...: looks each NAME up, "resolved N of M". plm_client LIBRARY menu: the
 * single-choice menu, then "menu rc=S index=I modes kept" if the console modes (Windows) are back;
 * plm_client LIBRARY prompt: a line, then "prompt rc=S" and the line's bytes in hex */
#include <stdio.h>
#include <string.h>

#include "promptloom.h"

#if defined(_WIN32)
#  include <windows.h>
static int found(const char* library, const char* name) {
    HMODULE lib = LoadLibraryA(library);
    return lib != NULL && GetProcAddress(lib, name) != NULL;
}
static unsigned long console_modes(void) {
    DWORD in = 0, out = 0;
    GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &in);
    GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &out);
    return in << 16 | out;
}
#else
#  include <dlfcn.h>
static int found(const char* library, const char* name) {
    void* lib = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    return lib != NULL && dlsym(lib, name) != NULL;
}
static unsigned long console_modes(void) { return 0; } /* the terminal runs compare stty -g */
#endif

int main(int argc, char** argv) {
    static const char* const items[3] = {"alpha", "a\x1b[2Jb", "gamma"};
    const unsigned long modes = console_modes();
    plm_context* ctx = plm_context_create();
    size_t index = 99;
    int i, resolved = 0;
    char line[64] = "";
    if (argc > 2 && strcmp(argv[2], "prompt") == 0) {
        printf("prompt rc=%d", (int)plm_prompt_run(ctx, NULL, line, sizeof line));
        for (i = 0; line[i] != 0; ++i) printf(" %02x", (unsigned char)line[i]);
        printf("\n");
    } else if (argc > 2 && strcmp(argv[2], "menu") == 0) {
        const int32_t rc = plm_menu_choice_interactive(ctx, "Pick one", items, 3, 1, &index);
        printf("menu rc=%d index=%u modes %s\n", (int)rc, (unsigned)index,
               console_modes() == modes ? "kept" : "changed");
    } else {
        for (i = 2; i < argc; ++i) resolved += found(argv[1], argv[i]);
        printf("resolved %d of %d\n", resolved, argc - 2);
    }
    plm_context_destroy(ctx);
    return 0;
}
