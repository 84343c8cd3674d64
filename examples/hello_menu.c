/* The calling pattern of promptloom: one context, a menu, a prompt, the status of each call.
 * Works on a terminal (interactive list, line editing) and with redirected input (the numbered
 * menu and plain lines), e.g.  printf '2\nBob\n' | hello_menu  */
#include <promptloom.h>
#include <stdio.h>

int main(void) {
    static const char* const fruits[] = {"apple", "pear", "plum"};
    plm_context* ctx = plm_context_create();
    if (ctx == NULL) return 1;

    size_t choice = 0;
    int32_t status = plm_menu_choice_interactive(ctx, "Pick a fruit", fruits, 3, 0, &choice);
    if (status == PLM_OK)
        printf("fruit: %s\n", fruits[choice]);
    else
        printf("fruit: none (%s)\n", plm_status_message(status));

    plm_prompt_options options;
    plm_default_prompt_options(&options);
    options.prompt = "name> ";
    char name[128];
    status = plm_prompt_run(ctx, &options, name, sizeof name);
    if (status == PLM_OK)
        printf("hello, %s\n", name);
    else
        printf("no name (%s)\n", plm_status_message(status));

    plm_context_destroy(ctx);
    return status == PLM_OK ? 0 : 2;
}
