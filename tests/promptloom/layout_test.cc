// The records a caller sees have fixed layouts: checked here at compile time for the bitness of
// the build (the 32-bit Windows tree compiles this file too) and at run time against the layout
// a C compiler gives the same header.
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "promptloom.h"

extern "C" const std::size_t plm_c_layout[];
extern "C" const std::size_t plm_c_layout_count;

namespace {

constexpr bool k64 = sizeof(void*) == 8;
static_assert(sizeof(void*) == 8 || sizeof(void*) == 4, "only 32- and 64-bit builds are laid out");
static_assert(sizeof(size_t) == sizeof(void*), "size_t and pointers share a width on every target");

static_assert(sizeof(plm_key_event) == 12);
static_assert(offsetof(plm_key_event, key) == 0);
static_assert(offsetof(plm_key_event, ch) == 4);
static_assert(offsetof(plm_key_event, reserved) == 8);

static_assert(sizeof(plm_mouse_event) == 20);
static_assert(offsetof(plm_mouse_event, x) == 0);
static_assert(offsetof(plm_mouse_event, y) == 4);
static_assert(offsetof(plm_mouse_event, button) == 8);
static_assert(offsetof(plm_mouse_event, released) == 12);
static_assert(offsetof(plm_mouse_event, valid) == 16);

static_assert(sizeof(plm_completion_request) == (k64 ? 48 : 24));
static_assert(offsetof(plm_completion_request, line) == 0);
static_assert(offsetof(plm_completion_request, length) == (k64 ? 8 : 4));
static_assert(offsetof(plm_completion_request, cursor) == (k64 ? 16 : 8));
static_assert(offsetof(plm_completion_request, reserved) == (k64 ? 24 : 12));

static_assert(sizeof(plm_completion_result) == (k64 ? 24 : 12));
static_assert(offsetof(plm_completion_result, items) == 0);
static_assert(offsetof(plm_completion_result, count) == (k64 ? 8 : 4));
static_assert(offsetof(plm_completion_result, capacity) == (k64 ? 16 : 8));

static_assert(sizeof(plm_callbacks) == (k64 ? 32 : 16));
static_assert(offsetof(plm_callbacks, reserved_a) == 0);
static_assert(offsetof(plm_callbacks, complete) == (k64 ? 8 : 4));
static_assert(offsetof(plm_callbacks, reserved_b) == (k64 ? 16 : 8));
static_assert(offsetof(plm_callbacks, on_event) == (k64 ? 24 : 12));

static_assert(sizeof(plm_loop) == 16);
static_assert(offsetof(plm_loop, reserved) == 0);
static_assert(offsetof(plm_loop, active) == 4);
static_assert(offsetof(plm_loop, iterations) == 8);

static_assert(sizeof(plm_prompt_options) == (k64 ? 40 : 36));
static_assert(offsetof(plm_prompt_options, prompt) == 0);
static_assert(offsetof(plm_prompt_options, reserved0) == (k64 ? 8 : 4));
static_assert(offsetof(plm_prompt_options, reserved1) == (k64 ? 12 : 8));
static_assert(offsetof(plm_prompt_options, history) == (k64 ? 16 : 12));
static_assert(offsetof(plm_prompt_options, completion) == (k64 ? 20 : 16));
static_assert(offsetof(plm_prompt_options, reserved2) == (k64 ? 24 : 20));
static_assert(offsetof(plm_prompt_options, reserved3) == (k64 ? 28 : 24));
static_assert(offsetof(plm_prompt_options, edit_mode) == (k64 ? 32 : 28));
static_assert(offsetof(plm_prompt_options, reserved4) == (k64 ? 36 : 32));

// Key codes and statuses reach the caller as numbers.
static_assert(PLM_KEY_NONE == 0 && PLM_KEY_CHAR == 1 && PLM_KEY_ENTER == 2 && PLM_KEY_BACKSPACE == 3);
static_assert(PLM_KEY_DELETE == 4 && PLM_KEY_LEFT == 5 && PLM_KEY_RIGHT == 6 && PLM_KEY_UP == 7);
static_assert(PLM_KEY_DOWN == 8 && PLM_KEY_PAGE_UP == 9 && PLM_KEY_PAGE_DOWN == 10 && PLM_KEY_HOME == 11);
static_assert(PLM_KEY_END == 12 && PLM_KEY_TAB == 13 && PLM_KEY_ESCAPE == 14 && PLM_KEY_CTRL_C == 15);
static_assert(PLM_OK == 0 && PLM_ERR_INVALID_ARGUMENT == -1 && PLM_ERR_OUT_OF_MEMORY == -2);
static_assert(PLM_ERR_IO == -3 && PLM_ERR_NOT_SUPPORTED == -4 && PLM_ERR_INTERNAL == -5);
static_assert(PLM_EDIT_MODE_DEFAULT == 0 && PLM_EDIT_MODE_VI == 1);

#define PLM_SIZE(type) sizeof(type),
#define PLM_FIELD(type, field) offsetof(type, field),

TEST(Layout, CCompilerLaysTheRecordsOutAsCxxDoes) {
    const std::vector<std::size_t> cxx{
#include "layout_fields.inc"
    };
    ASSERT_EQ(plm_c_layout_count, cxx.size());
    for (std::size_t i = 0; i < cxx.size(); ++i) {
        EXPECT_EQ(plm_c_layout[i], cxx[i]) << "entry " << i;
    }
}

}  // namespace
