/* A caller of the interactive menus through the loaded shared library, for end-to-end runs with
 * redirected input (the menus' text fallbacks) and in a terminal.
 * Usage: plm_menu_client single|multi [library path]
 * Items are "alpha", "beta", "gamma" with a null fourth item left out; the single menu starts on
 * index 1, the multi menu with flags set to 9 so that clearing them shows. Prints the menu's
 * output, then one line "status=S index=I override=V" or "status=S flags=F1,F2,F3" on its own
 * line (V: the process's VLM_MENU_RESULT_OVERRIDE, or "unset"). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "promptloom.h"

#if defined(_WIN32)
#  include <windows.h>
#  define DEFAULT_LIBRARY "promptloom.dll"
typedef HMODULE library_t;
static library_t open_library(const char* path) { return LoadLibraryA(path); }
/* The process environment as the library set it (the runtime's getenv keeps its own copy). */
static const char* override_value(void) {
    static char value[64];
    DWORD n = GetEnvironmentVariableA("VLM_MENU_RESULT_OVERRIDE", value, sizeof value);
    return n > 0 && n < sizeof value ? value : "unset";
}
static void* find(library_t lib, const char* name) {
    FARPROC p = GetProcAddress(lib, name);
    void* v;
    memcpy(&v, &p, sizeof v);
    return v;
}
#else
#  include <dlfcn.h>
#  define DEFAULT_LIBRARY "libpromptloom.so"
typedef void* library_t;
static library_t open_library(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
static const char* override_value(void) {
    const char* v = getenv("VLM_MENU_RESULT_OVERRIDE");
    return v ? v : "unset";
}
static void* find(library_t lib, const char* name) { return dlsym(lib, name); }
#endif

typedef plm_context* (*create_fn)(void);
typedef void (*destroy_fn)(plm_context*);
typedef int32_t (*single_fn)(plm_context*, const char*, const char* const*, size_t, size_t, size_t*);
typedef int32_t (*multi_fn)(plm_context*, const char*, const char* const*, size_t, unsigned char*, int32_t);

int main(int argc, char** argv) {
    static const char* const items[3] = {"alpha", "beta", "gamma"};
    library_t lib;
    create_fn create;
    destroy_fn destroy;
    single_fn single;
    multi_fn multi;
    plm_context* ctx;
    int32_t status;
    void* p;

    if (argc < 2) {
        fprintf(stderr, "usage: plm_menu_client single|multi [library]\n");
        return 2;
    }
    lib = open_library(argc > 2 ? argv[2] : DEFAULT_LIBRARY);
    if (!lib) {
        fprintf(stderr, "cannot load the library\n");
        return 2;
    }
    p = find(lib, "plm_context_create");
    memcpy(&create, &p, sizeof create);
    p = find(lib, "plm_context_destroy");
    memcpy(&destroy, &p, sizeof destroy);
    p = find(lib, "plm_menu_choice_interactive");
    memcpy(&single, &p, sizeof single);
    p = find(lib, "plm_menu_multi_choice_interactive");
    memcpy(&multi, &p, sizeof multi);
    if (!create || !destroy || !single || !multi) {
        fprintf(stderr, "missing export\n");
        return 2;
    }

    ctx = create();
    if (strcmp(argv[1], "single") == 0) {
        size_t index = 99;
        status = single(ctx, "Pick one", items, 3, 1, &index);
        fflush(stdout);
        printf("\nstatus=%d index=%u override=%s\n", (int)status, (unsigned)index, override_value());
    } else {
        unsigned char flags[3] = {9, 9, 9};
        status = multi(ctx, "Pick some", items, 3, flags, 1);
        fflush(stdout);
        printf("\nstatus=%d flags=%u,%u,%u\n", (int)status, flags[0], flags[1], flags[2]);
    }
    destroy(ctx);
    return 0;
}
