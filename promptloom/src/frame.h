// The context record and the frame services every part of the library stands on: the debug log
// and the guard that keeps exceptions from crossing an export.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <new>

#include "platform.h"
#include "promptloom.h"

// The prompt history: owned copies of the added lines, oldest first.
struct plm_history {
    char** items;
    std::size_t count;
    std::size_t capacity;
};

// Created zero-filled by plm_context_create; all memory it owns comes from platform::allocate.
struct plm_context {
    plm_callbacks callbacks;
    void* user_data;
    std::int32_t log_level;
    std::int32_t edit_mode;
    plm_loop loop;
    plm_history history;
};

namespace plm {

inline constexpr std::int32_t k_version_number = 65536;
inline constexpr const char* k_version_string = "promptloom/0.2.0-draft";
inline constexpr const char* k_default_debug_file = "vlm_menu_debug.log";

// Writes one debug line when VLM_MENU_DEBUG is on: to standard error unless
// VLM_MENU_DEBUG_STDERR is exactly "0", and appended to VLM_MENU_DEBUG_FILE (default
// "vlm_menu_debug.log"). The environment is read on every call; nothing is added to the text
// (callers write their own "[PLM_DBG] " and "\n"). Never fails.
void plm_debug_log(platform& sys, const char* format, ...) PLM_PRINTF_LIKE(2, 3);
void plm_debug_vlog(platform& sys, const char* format, std::va_list args);

// Runs an export's body so that no exception leaves the library: an allocation failure becomes
// PLM_ERR_OUT_OF_MEMORY, anything else PLM_ERR_INTERNAL.
template <class F>
std::int32_t guard_status(F&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return PLM_ERR_OUT_OF_MEMORY;
    } catch (...) {
        return PLM_ERR_INTERNAL;
    }
}

// The same for exports that return a value rather than a status.
template <class T, class F>
T guard_value(T on_failure, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return on_failure;
    }
}

}  // namespace plm
