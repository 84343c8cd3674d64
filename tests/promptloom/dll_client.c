/* A caller of the shared library as the toolbox's programs are: it loads the library at run time
 * (LoadLibrary on Windows, dlopen elsewhere), resolves every export by its undecorated name and
 * works the frame calls through the resolved pointers. Written in C to prove the header serves C
 * callers. Usage: plm_dll_client [library path]; prints one line per check, exits 1 on any
 * failure. */
#include <stdio.h>
#include <string.h>

#include "promptloom.h"

#if defined(_WIN32)
#  include <windows.h>
typedef HMODULE library_t;
static library_t open_library(const char* path) { return LoadLibraryA(path); }
typedef void (*any_fn)(void);
static any_fn find(library_t lib, const char* name) { return (any_fn)GetProcAddress(lib, name); }
#  define DEFAULT_LIBRARY "promptloom.dll"
#else
#  include <dlfcn.h>
typedef void* library_t;
static library_t open_library(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
typedef void (*any_fn)(void);
static any_fn find(library_t lib, const char* name) {
    void* symbol = dlsym(lib, name);
    any_fn fn;
    memcpy(&fn, &symbol, sizeof fn);
    return fn;
}
#  define DEFAULT_LIBRARY "libpromptloom.so"
#endif

static const char* const k_exports[19] = {
    "plm_context_create",
    "plm_context_destroy",
    "plm_context_get_user_data",
    "plm_context_set_user_data",
    "plm_context_set_callbacks",
    "plm_context_set_edit_mode",
    "plm_context_set_log_level",
    "plm_loop_get",
    "plm_status_message",
    "plm_version_number",
    "plm_version_string",
    "plm_default_prompt_options",
    "plm_prompt_run",
    "plm_history_add",
    "plm_history_count",
    "plm_history_get",
    "plm_menu_choice",
    "plm_menu_choice_interactive",
    "plm_menu_multi_choice_interactive",
};

static int g_failed = 0;

static void check(int ok, const char* what) {
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok) {
        g_failed = 1;
    }
}

static int on_event(const plm_key_event* key, const plm_mouse_event* mouse, void* user_data) {
    (void)key;
    (void)mouse;
    (void)user_data;
    return 0;
}

typedef plm_context* (*create_fn)(void);
typedef void (*destroy_fn)(plm_context*);
typedef void* (*get_user_data_fn)(plm_context*);
typedef int32_t (*set_user_data_fn)(plm_context*, void*);
typedef int32_t (*set_callbacks_fn)(plm_context*, const plm_callbacks*);
typedef int32_t (*set_int_fn)(plm_context*, int32_t);
typedef int32_t (*loop_get_fn)(plm_context*, plm_loop**);
typedef const char* (*status_message_fn)(int32_t);
typedef int32_t (*version_number_fn)(void);
typedef const char* (*version_string_fn)(void);
typedef size_t (*history_count_fn)(plm_context*);

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : DEFAULT_LIBRARY;
    library_t lib = open_library(path);
    any_fn fns[19];
    int i;
    int marker = 7;
    plm_context* ctx;
    plm_loop* loop = NULL;
    plm_callbacks callbacks;

    check(lib != NULL, "library loads");
    if (lib == NULL) {
        return 1;
    }
    for (i = 0; i < 19; ++i) {
        char line[96];
        fns[i] = find(lib, k_exports[i]);
        snprintf(line, sizeof line, "resolves %s", k_exports[i]);
        check(fns[i] != NULL, line);
    }
    if (g_failed) {
        return 1;
    }

    check(((version_number_fn)fns[9])() == 65536, "version number 65536");
    check(strcmp(((version_string_fn)fns[10])(), "promptloom/0.2.0-draft") == 0, "version string");
    check(strcmp(((status_message_fn)fns[8])(-3), "io error") == 0, "status text of -3");
    check(strcmp(((status_message_fn)fns[8])(-6), "unknown status") == 0, "status text of -6");

    ctx = ((create_fn)fns[0])();
    check(ctx != NULL, "context created");
    if (ctx == NULL) {
        return 1;
    }
    check(((get_user_data_fn)fns[2])(ctx) == NULL, "fresh context has no user data");
    check(((set_user_data_fn)fns[3])(ctx, &marker) == PLM_OK, "user data stored");
    check(((get_user_data_fn)fns[2])(ctx) == &marker, "user data read back");
    check(((set_user_data_fn)fns[3])(NULL, &marker) == PLM_ERR_INVALID_ARGUMENT, "null context refused");

    memset(&callbacks, 0, sizeof callbacks);
    callbacks.on_event = on_event;
    check(((set_callbacks_fn)fns[4])(ctx, &callbacks) == PLM_OK, "callbacks stored");
    check(((set_callbacks_fn)fns[4])(ctx, NULL) == PLM_ERR_INVALID_ARGUMENT, "null callbacks refused");
    check(((set_int_fn)fns[5])(ctx, PLM_EDIT_MODE_VI) == PLM_OK, "edit mode stored");
    check(((set_int_fn)fns[6])(ctx, 5) == PLM_OK, "log level stored");

    check(((loop_get_fn)fns[7])(ctx, &loop) == PLM_OK && loop != NULL, "loop record reachable");
    if (loop != NULL) {
        check(loop->reserved == 0 && loop->active == 0 && loop->iterations == 0, "loop record all zero");
    }
    check(((loop_get_fn)fns[7])(ctx, NULL) == PLM_ERR_INVALID_ARGUMENT, "null loop out refused");
    check(((history_count_fn)fns[14])(ctx) == 0, "fresh history empty");

    ((destroy_fn)fns[1])(ctx);
    ((destroy_fn)fns[1])(NULL);
    printf("%s\n", g_failed ? "some checks failed" : "all checks passed");
    return g_failed;
}
