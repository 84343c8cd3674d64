/* A caller of the library as a script host would be one, written in C against the public
 * header only. Each word on the command line is one call; after each it prints one line
 * "<call> rc=<status> <result>" so the end-to-end scripts can compare the whole output.
 *
 *   prompt[:TEXT]      plm_prompt_run with that prompt text (none: the default options);
 *                      result: the line in brackets
 *   small              plm_prompt_run into a 10-byte buffer
 *   menu:D:ITEM,...    plm_menu_choice with default index D over the items; result: the index
 *   history            prints the history's entries (the prompt fallback must add none)
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "promptloom.h"

static int run_prompt(plm_context* ctx, const char* word) {
    char line[4096];
    plm_prompt_options opts;
    int rc;
    const plm_prompt_options* use = NULL;
    if (strncmp(word, "prompt:", 7) == 0) {
        plm_default_prompt_options(&opts);
        opts.prompt = word + 7;
        use = &opts;
    }
    memset(line, '#', sizeof line);
    line[sizeof line - 1] = '\0';
    rc = plm_prompt_run(ctx, use, line, sizeof line);
    printf("prompt rc=%d [%s]\n", rc, rc == 0 ? line : "");
    return rc;
}

static int run_small(plm_context* ctx) {
    char line[10];
    int rc;
    memcpy(line, "untouched", 10);
    rc = plm_prompt_run(ctx, NULL, line, sizeof line);
    printf("small rc=%d [%s]\n", rc, line);
    return rc;
}

static int run_menu(plm_context* ctx, const char* args) {
    char copy[1024];
    const char* items[64];
    size_t count = 0;
    size_t index = 999;
    size_t def;
    char* p;
    int rc;
    def = (size_t)strtoul(args, &p, 10);
    if (*p != ':') return -100;
    strncpy(copy, p + 1, sizeof copy - 1);
    copy[sizeof copy - 1] = '\0';
    p = copy;
    while (count < 64) {
        char* comma = strchr(p, ',');
        items[count++] = p;
        if (comma == NULL) break;
        *comma = '\0';
        p = comma + 1;
    }
    rc = plm_menu_choice(ctx, "Pick one", items, count, def, &index);
    printf("menu rc=%d index=%u\n", rc, (unsigned)index);
    return rc;
}

int main(int argc, char** argv) {
    plm_context* ctx = plm_context_create();
    int i;
    if (ctx == NULL) return 2;
    for (i = 1; i < argc; ++i) {
        const char* w = argv[i];
        if (strcmp(w, "prompt") == 0 || strncmp(w, "prompt:", 7) == 0) {
            run_prompt(ctx, w);
        } else if (strcmp(w, "small") == 0) {
            run_small(ctx);
        } else if (strncmp(w, "menu:", 5) == 0) {
            run_menu(ctx, w + 5);
        } else if (strcmp(w, "history") == 0) {
            printf("history count=%u\n", (unsigned)plm_history_count(ctx));
        } else {
            fprintf(stderr, "unknown call %s\n", w);
            return 2;
        }
        fflush(stdout);
    }
    plm_context_destroy(ctx);
    return 0;
}
