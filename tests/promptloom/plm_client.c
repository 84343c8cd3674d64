/* A caller that loads the shared library by name at run time, as the toolbox's programs do.
 * plm_client LIBRARY NAME...: looks each NAME up, "resolved N of M". plm_client LIBRARY menu: the
 * single-choice menu over foreign text, then "menu rc=S index=I" (with "wait": then a line read in
 * the console's own line mode). */
#include <stdio.h>
#include <string.h>

#include "promptloom.h"

#if defined(_WIN32)
#  include <windows.h>
static int found(const char* library, const char* name) {
    HMODULE lib = LoadLibraryA(library);
    return lib != NULL && GetProcAddress(lib, name) != NULL;
}
#else
#  include <dlfcn.h>
static int found(const char* library, const char* name) {
    void* lib = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    return lib != NULL && dlsym(lib, name) != NULL;
}
#endif

int main(int argc, char** argv) {
    static const char* const items[3] = {"alpha", "a\x1b[2Jb", "gamma 选择选择选择"};
    plm_context* ctx = plm_context_create();
    size_t index = 99;
    int i, resolved = 0;
    char line[64] = "";
    if (argc > 2 && strcmp(argv[2], "menu") == 0) {
        const int32_t rc = plm_menu_choice_interactive(ctx, "Pick\x1b]0;T\x07 one", items, 3, 1, &index);
        printf("menu rc=%d index=%u\n", (int)rc, (unsigned)index);
        fflush(stdout);
        if (argc > 3 && fgets(line, sizeof line, stdin) != NULL) printf("read a line\n");
    } else {
        for (i = 2; i < argc; ++i) resolved += found(argv[1], argv[i]);
        printf("resolved %d of %d\n", resolved, argc - 2);
    }
    plm_context_destroy(ctx);
    return 0;
}
