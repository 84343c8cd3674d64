// The context, its setters and getters, the status texts, the version queries and the debug log.
#include "frame.h"

#include <cstring>
#include <string>

namespace plm {

void plm_debug_vlog(platform& sys, const char* format, std::va_list args) {
    if (format == nullptr) {
        return;
    }
    try {
        if (!env_switch_on(sys, "VLM_MENU_DEBUG")) {
            return;
        }
        std::va_list copy;
        va_copy(copy, args);
        std::string text = format_v(format, copy);
        va_end(copy);

        std::string value;
        const bool stderr_set = sys.get_env("VLM_MENU_DEBUG_STDERR", &value);
        if (!(stderr_set && value == "0")) {
            sys.write_error(text);
        }
        std::string path;
        if (!sys.get_env("VLM_MENU_DEBUG_FILE", &path) || path.empty()) {
            path = k_default_debug_file;
        }
        // An unopenable file loses only this message's file copy.
        (void)sys.append_to_file(path.c_str(), text);
    } catch (...) {
        // The log never reports a failure, and must not turn one into a crash of its caller.
    }
}

void plm_debug_log(platform& sys, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    plm_debug_vlog(sys, format, args);
    va_end(args);
}

}  // namespace plm

using plm::current_platform;

extern "C" {

PLM_API plm_context* plm_context_create(void) {
    return plm::guard_value<plm_context*>(nullptr, [] {
        void* block = current_platform().allocate(sizeof(plm_context));
        if (block == nullptr) {
            return static_cast<plm_context*>(nullptr);
        }
        std::memset(block, 0, sizeof(plm_context));
        auto* ctx = static_cast<plm_context*>(block);
        ctx->log_level = 2;
        return ctx;
    });
}

PLM_API void plm_context_destroy(plm_context* ctx) {
    if (ctx == nullptr) {
        return;
    }
    plm::platform& sys = current_platform();
    ctx->loop = plm_loop{};
    if (ctx->history.items != nullptr) {
        for (std::size_t i = 0; i < ctx->history.count; ++i) {
            sys.release(ctx->history.items[i]);
        }
        sys.release(ctx->history.items);
    }
    sys.release(ctx);
}

PLM_API void* plm_context_get_user_data(plm_context* ctx) { return ctx == nullptr ? nullptr : ctx->user_data; }

PLM_API int32_t plm_context_set_user_data(plm_context* ctx, void* user_data) {
    if (ctx == nullptr) {
        return PLM_ERR_INVALID_ARGUMENT;
    }
    ctx->user_data = user_data;
    return PLM_OK;
}

PLM_API int32_t plm_context_set_callbacks(plm_context* ctx, const plm_callbacks* callbacks) {
    if (ctx == nullptr || callbacks == nullptr) {
        return PLM_ERR_INVALID_ARGUMENT;
    }
    ctx->callbacks = *callbacks;
    return PLM_OK;
}

PLM_API int32_t plm_context_set_edit_mode(plm_context* ctx, int32_t edit_mode) {
    if (ctx == nullptr) {
        return PLM_ERR_INVALID_ARGUMENT;
    }
    ctx->edit_mode = edit_mode;
    return PLM_OK;
}

PLM_API int32_t plm_context_set_log_level(plm_context* ctx, int32_t log_level) {
    if (ctx == nullptr) {
        return PLM_ERR_INVALID_ARGUMENT;
    }
    ctx->log_level = log_level;
    return PLM_OK;
}

PLM_API int32_t plm_loop_get(plm_context* ctx, plm_loop** out) {
    if (ctx == nullptr || out == nullptr) {
        return PLM_ERR_INVALID_ARGUMENT;
    }
    *out = &ctx->loop;
    return PLM_OK;
}

PLM_API const char* plm_status_message(int32_t status) {
    switch (status) {
        case PLM_OK:
            return "ok";
        case PLM_ERR_INVALID_ARGUMENT:
            return "invalid argument";
        case PLM_ERR_OUT_OF_MEMORY:
            return "out of memory";
        case PLM_ERR_IO:
            return "io error";
        case PLM_ERR_NOT_SUPPORTED:
            return "not supported";
        case PLM_ERR_INTERNAL:
            return "internal error";
        default:
            return "unknown status";
    }
}

PLM_API int32_t plm_version_number(void) { return plm::k_version_number; }

PLM_API const char* plm_version_string(void) { return plm::k_version_string; }

}  // extern "C"
