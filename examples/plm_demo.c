/* A small program that uses promptloom as any caller would: one line prompt, the numbered menu
 * and both interactive menus, in the order named on the command line.
 *
 *   plm_demo [--vi] [--items N] [--start K] [--title TEXT] [--history LINE]...
 *            [--settle] [--event-log FILE] [--results FILE] [prompt|menu|single|multi]...
 *
 * Without steps it runs prompt, menu, single and multi. After each call it prints exactly one
 * result line, so scripts (and the end-to-end tests) can read what happened:
 *
 *   PLM_RESULT prompt status=0 line="text with \x1b escaped bytes"
 *   PLM_RESULT menu status=0 index=2
 *   PLM_RESULT single status=0 index=3
 *   PLM_RESULT multi status=0 ticked=0,2
 *
 * status is the library's status code; the index or line is printed only when status is 0.
 * After the single-choice menu it also prints the override variable that the menu may set in
 * this process ("VLM_MENU_RESULT_OVERRIDE=<value>" or "VLM_MENU_RESULT_OVERRIDE unset").
 * Tab in the prompt completes the line from a fixed word list (apple, apricot, banana,
 * blueberry, cherry); --event-log appends every key and mouse event the prompt reads to FILE;
 * --results appends the result lines to FILE as well (they survive a terminal that went away). */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "promptloom.h"

static const char* const fruit[] = {"apple", "apricot", "banana", "blueberry", "cherry"};
#define FRUIT_COUNT (sizeof fruit / sizeof fruit[0])

static FILE* results_file;

/* Result text goes to standard output and, when asked, to the results file. */
static void out(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    if (results_file != NULL) {
        va_start(args, format);
        vfprintf(results_file, format, args);
        va_end(args);
    }
}

static void out_end_line(void) {
    out("\n");
    fflush(stdout);
    if (results_file != NULL) fflush(results_file);
}

struct demo_options {
    int vi;
    int settle;
    size_t item_count; /* 0: the fruit list */
    size_t start;
    const char* title;
    const char* event_log;
};

/* Offers every word of the list that begins with the whole line; the prompt takes the first. */
static int complete_fruit(const plm_completion_request* req, plm_completion_result* res, void* user) {
    size_t i;
    (void)user;
    for (i = 0; i < FRUIT_COUNT && res->count < res->capacity; ++i) {
        if (strncmp(fruit[i], req->line, req->length) == 0 && strlen(fruit[i]) >= req->length) {
            res->items[res->count++] = fruit[i];
        }
    }
    return 0;
}

static int log_event(const plm_key_event* key, const plm_mouse_event* mouse, void* user) {
    const struct demo_options* opt = (const struct demo_options*)user;
    FILE* f;
    if (opt->event_log == NULL) return 0;
    f = fopen(opt->event_log, "a");
    if (f == NULL) return 0;
    if (mouse != NULL) {
        fprintf(f, "mouse x=%d y=%d button=%d released=%d\n", (int)mouse->x, (int)mouse->y, (int)mouse->button,
                (int)mouse->released);
    } else {
        fprintf(f, "key=%d ch=%u\n", (int)key->key, (unsigned)key->ch);
    }
    fclose(f);
    return 0;
}

/* The line as one token: printable ASCII stays, quote, backslash and every other byte become
 * \xHH, so a result line never breaks and never carries terminal controls. */
static void print_quoted(const char* s) {
    const unsigned char* p;
    out("\"");
    for (p = (const unsigned char*)s; *p != 0; ++p) {
        if (*p >= 0x20 && *p < 0x7f && *p != '"' && *p != '\\') {
            out("%c", *p);
        } else {
            out("\\x%02x", (unsigned)*p);
        }
    }
    out("\"");
}

static int run_prompt(plm_context* ctx, const struct demo_options* opt) {
    plm_prompt_options po;
    char line[1024];
    int rc;
    plm_default_prompt_options(&po);
    po.prompt = opt->vi ? "vi> " : "demo> ";
    po.edit_mode = opt->vi ? PLM_EDIT_MODE_VI : PLM_EDIT_MODE_DEFAULT;
    rc = plm_prompt_run(ctx, &po, line, sizeof line);
    out("PLM_RESULT prompt status=%d", rc);
    if (rc == PLM_OK) {
        out(" line=");
        print_quoted(line);
    }
    out_end_line();
    return rc;
}

static void print_index(const char* step, int rc, size_t index) {
    out("PLM_RESULT %s status=%d", step, rc);
    if (rc == PLM_OK) out(" index=%lu", (unsigned long)index);
    out_end_line();
}

static const char* const* make_items(const struct demo_options* opt, size_t* count, char** storage) {
    const char** items;
    char* text;
    size_t i;
    *storage = NULL;
    if (opt->item_count == 0) {
        *count = FRUIT_COUNT;
        return fruit;
    }
    if (opt->item_count > ((size_t)-1) / 32) return NULL;
    items = (const char**)malloc(opt->item_count * sizeof *items);
    text = (char*)malloc(opt->item_count * 32);
    if (items == NULL || text == NULL) {
        free((void*)items);
        free(text);
        return NULL;
    }
    for (i = 0; i < opt->item_count; ++i) {
        snprintf(text + i * 32, 32, "item %lu", (unsigned long)(i + 1));
        items[i] = text + i * 32;
    }
    *storage = text;
    *count = opt->item_count;
    return items;
}

static int parse_size(const char* text, size_t* out) {
    char* end = NULL;
    unsigned long v;
    if (text == NULL || *text < '0' || *text > '9') return 0;
    v = strtoul(text, &end, 10);
    if (*end != 0) return 0;
    *out = (size_t)v;
    return 1;
}

static int usage(void) {
    fprintf(stderr,
            "usage: plm_demo [--vi] [--items N] [--start K] [--title TEXT] [--history LINE]...\n"
            "                [--settle] [--event-log FILE] [--results FILE] [prompt|menu|single|multi]...\n");
    return 2;
}

int main(int argc, char** argv) {
    static const char* const default_steps[] = {"prompt", "menu", "single", "multi"};
    struct demo_options opt;
    const char* steps[64];
    size_t step_count = 0, s, count = 0, i;
    const char* const* items;
    char* storage;
    plm_callbacks cb;
    plm_context* ctx;
    int a, failed = 0;

    memset(&opt, 0, sizeof opt);
    ctx = plm_context_create();
    if (ctx == NULL) {
        fprintf(stderr, "plm_demo: out of memory\n");
        return 1;
    }
    for (a = 1; a < argc; ++a) {
        const char* arg = argv[a];
        const char* value = a + 1 < argc ? argv[a + 1] : NULL;
        if (strcmp(arg, "--vi") == 0) {
            opt.vi = 1;
        } else if (strcmp(arg, "--settle") == 0) {
            opt.settle = 1;
        } else if (strcmp(arg, "--items") == 0 && parse_size(value, &opt.item_count) && opt.item_count > 0) {
            ++a;
        } else if (strcmp(arg, "--start") == 0 && parse_size(value, &opt.start)) {
            ++a;
        } else if (strcmp(arg, "--title") == 0 && value != NULL) {
            opt.title = value;
            ++a;
        } else if (strcmp(arg, "--results") == 0 && value != NULL && results_file == NULL) {
            results_file = fopen(value, "a");
            if (results_file == NULL) {
                fprintf(stderr, "plm_demo: cannot open %s\n", value);
                plm_context_destroy(ctx);
                return 2;
            }
            ++a;
        } else if (strcmp(arg, "--event-log") == 0 && value != NULL) {
            opt.event_log = value;
            ++a;
        } else if (strcmp(arg, "--history") == 0 && value != NULL) {
            plm_history_add(ctx, value);
            ++a;
        } else if ((strcmp(arg, "prompt") == 0 || strcmp(arg, "menu") == 0 || strcmp(arg, "single") == 0 ||
                    strcmp(arg, "multi") == 0) &&
                   step_count < sizeof steps / sizeof steps[0]) {
            steps[step_count++] = arg;
        } else {
            plm_context_destroy(ctx);
            if (results_file != NULL) fclose(results_file);
            return usage();
        }
    }
    if (step_count == 0) {
        for (s = 0; s < 4; ++s) steps[step_count++] = default_steps[s];
    }

    memset(&cb, 0, sizeof cb);
    cb.complete = complete_fruit;
    cb.on_event = log_event;
    plm_context_set_callbacks(ctx, &cb);
    plm_context_set_user_data(ctx, &opt);

    items = make_items(&opt, &count, &storage);
    if (items == NULL) {
        fprintf(stderr, "plm_demo: out of memory\n");
        plm_context_destroy(ctx);
        return 1;
    }

    for (s = 0; s < step_count; ++s) {
        int rc;
        size_t index = 0;
        if (strcmp(steps[s], "prompt") == 0) {
            rc = run_prompt(ctx, &opt);
        } else if (strcmp(steps[s], "menu") == 0) {
            rc = plm_menu_choice(ctx, opt.title, items, count, opt.start, &index);
            print_index("menu", rc, index);
        } else if (strcmp(steps[s], "single") == 0) {
            const char* override_value;
            rc = plm_menu_choice_interactive(ctx, opt.title, items, count, opt.start, &index);
            print_index("single", rc, index);
            override_value = getenv("VLM_MENU_RESULT_OVERRIDE");
            if (override_value != NULL) {
                out("VLM_MENU_RESULT_OVERRIDE=%s", override_value);
            } else {
                out("VLM_MENU_RESULT_OVERRIDE unset");
            }
            out_end_line();
        } else {
            unsigned char* ticks = (unsigned char*)calloc(count, 1);
            if (ticks == NULL) {
                rc = PLM_ERR_OUT_OF_MEMORY;
            } else {
                const char* sep = "";
                rc = plm_menu_multi_choice_interactive(ctx, opt.title, items, count, ticks, opt.settle);
                out("PLM_RESULT multi status=%d", rc);
                if (rc == PLM_OK) {
                    out(" ticked=");
                    for (i = 0; i < count; ++i) {
                        if (ticks[i] != 0) {
                            out("%s%lu", sep, (unsigned long)i);
                            sep = ",";
                        }
                    }
                }
                out_end_line();
                free(ticks);
            }
        }
        if (rc != PLM_OK) failed = 1;
    }

    if (storage != NULL) {
        free((void*)items);
        free(storage);
    }
    plm_context_destroy(ctx);
    if (results_file != NULL) fclose(results_file);
    return failed;
}
