// The library frame: contexts, setters and getters, status texts, versions and the debug log.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "fake_platform.h"
#include "frame.h"
#include "promptloom.h"

namespace plm {
namespace {

TEST(Frame, StatusTexts) {
    const struct {
        int32_t status;
        const char* text;
    } table[] = {{0, "ok"},
                 {-1, "invalid argument"},
                 {-2, "out of memory"},
                 {-3, "io error"},
                 {-4, "not supported"},
                 {-5, "internal error"},
                 {1, "unknown status"},
                 {-6, "unknown status"},
                 {INT32_MIN, "unknown status"}};
    for (const auto& row : table) {
        EXPECT_STREQ(plm_status_message(row.status), row.text) << row.status;
    }
}

TEST(Frame, Versions) {
    EXPECT_EQ(plm_version_number(), 65536);
    EXPECT_STREQ(plm_version_string(), "promptloom/0.2.0-draft");
}

class ContextTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(ctx = plm_context_create(), nullptr); }
    void TearDown() override { plm_context_destroy(ctx); }
    fake_platform fake;
    platform_override use{fake};
    plm_context* ctx = nullptr;
};

TEST_F(ContextTest, FreshContextIsZeroedWithLogLevelTwo) {
    EXPECT_EQ(plm_context_get_user_data(ctx), nullptr);
    EXPECT_EQ(plm_history_count(ctx), 0u);
    plm_loop* loop = nullptr;
    ASSERT_EQ(plm_loop_get(ctx, &loop), PLM_OK);
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop, &ctx->loop);
    EXPECT_EQ(loop->reserved | loop->active | loop->iterations, 0u);
    EXPECT_EQ(ctx->log_level, 2);
    EXPECT_EQ(ctx->edit_mode, 0);
    const plm_callbacks none{};
    EXPECT_EQ(std::memcmp(&ctx->callbacks, &none, sizeof none), 0);
    EXPECT_EQ(ctx->history.items, nullptr);
    plm_context_destroy(ctx);
    ctx = nullptr;
    EXPECT_TRUE(fake.live_blocks.empty());
}

TEST(Context, CreateReturnsNullWhenMemoryRunsOut) {
    fake_platform fake;
    platform_override use{fake};
    fake.fail_allocation_at = 1;
    EXPECT_EQ(plm_context_create(), nullptr);
    EXPECT_TRUE(fake.live_blocks.empty());
}

int complete_a(const plm_completion_request*, plm_completion_result*, void*) { return 0; }
int complete_b(const plm_completion_request*, plm_completion_result*, void*) { return 1; }
int on_event_a(const plm_key_event*, const plm_mouse_event*, void*) { return 0; }

TEST_F(ContextTest, CallbacksAreCopiedWhole) {
    int a = 0;
    int b = 0;
    plm_callbacks cb{&a, complete_a, &b, on_event_a};
    ASSERT_EQ(plm_context_set_callbacks(ctx, &cb), PLM_OK);
    // The caller's record changes afterwards: the context keeps the copy.
    cb = plm_callbacks{nullptr, complete_b, nullptr, nullptr};
    EXPECT_EQ(ctx->callbacks.reserved_a, &a);
    EXPECT_EQ(ctx->callbacks.complete, complete_a);
    EXPECT_EQ(ctx->callbacks.reserved_b, &b);
    EXPECT_EQ(ctx->callbacks.on_event, on_event_a);
    // A second call replaces all four slots, nulls included.
    ASSERT_EQ(plm_context_set_callbacks(ctx, &cb), PLM_OK);
    EXPECT_EQ(ctx->callbacks.reserved_a, nullptr);
    EXPECT_EQ(ctx->callbacks.complete, complete_b);
    EXPECT_EQ(ctx->callbacks.on_event, nullptr);
}

TEST_F(ContextTest, SettersStoreTheirValues) {
    int data = 0;
    EXPECT_EQ(plm_context_set_user_data(ctx, &data), PLM_OK);
    EXPECT_EQ(plm_context_get_user_data(ctx), &data);
    EXPECT_EQ(plm_context_set_edit_mode(ctx, PLM_EDIT_MODE_VI), PLM_OK);
    EXPECT_EQ(ctx->edit_mode, 1);
    EXPECT_EQ(plm_context_set_log_level(ctx, 0), PLM_OK);
    EXPECT_EQ(ctx->log_level, 0);
}

TEST_F(ContextTest, NullArgumentsAreRefusedAndChangeNothing) {
    int data = 0;
    plm_callbacks cb{nullptr, complete_a, nullptr, on_event_a};
    ASSERT_EQ(plm_context_set_callbacks(ctx, &cb), PLM_OK);
    ASSERT_EQ(plm_context_set_user_data(ctx, &data), PLM_OK);

    EXPECT_EQ(plm_context_set_callbacks(ctx, nullptr), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(ctx->callbacks.complete, complete_a);
    EXPECT_EQ(ctx->callbacks.on_event, on_event_a);
    EXPECT_EQ(plm_context_set_callbacks(nullptr, &cb), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(plm_context_set_user_data(nullptr, &data), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(plm_context_set_edit_mode(nullptr, 1), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(plm_context_set_log_level(nullptr, 1), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(plm_context_get_user_data(nullptr), nullptr);
    EXPECT_EQ(plm_history_count(nullptr), 0u);
    EXPECT_EQ(plm_history_get(nullptr, 0), nullptr);

    plm_loop sentinel{};
    plm_loop* out = &sentinel;
    EXPECT_EQ(plm_loop_get(nullptr, &out), PLM_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(out, &sentinel);
    EXPECT_EQ(plm_loop_get(ctx, nullptr), PLM_ERR_INVALID_ARGUMENT);
    plm_context_destroy(nullptr);

    EXPECT_EQ(plm_context_get_user_data(ctx), &data);
    EXPECT_EQ(ctx->log_level, 2);
}

TEST_F(ContextTest, DestroyFreesTheHistoryItOwns) {
    // Filled the way the history keeps it: an array of owned strings from the platform's heap.
    ctx->history.capacity = 16;
    ctx->history.items = static_cast<char**>(fake.allocate(16 * sizeof(char*)));
    for (const char* line : {"one", "two"}) {
        char* copy = static_cast<char*>(fake.allocate(std::strlen(line) + 1));
        std::memcpy(copy, line, std::strlen(line) + 1);
        ctx->history.items[ctx->history.count++] = copy;
    }
    EXPECT_EQ(fake.live_blocks.size(), 4u);
    plm_context_destroy(ctx);
    ctx = nullptr;
    EXPECT_TRUE(fake.live_blocks.empty());
}

class DebugLogTest : public testing::Test {
protected:
    fake_platform fake;
    void log_line() { plm_debug_log(fake, "[PLM_DBG] test x=%d s=%s\n", 42, "v"); }
};

// VLM_MENU_DEBUG switches the log on unless unset, empty or exactly "0"; standard error is left out
// only for VLM_MENU_DEBUG_STDERR exactly "0".
TEST_F(DebugLogTest, SwitchValues) {
    const struct {
        const char* debug;  // nullptr = unset
        const char* to_stderr;
        bool file, err;
    } table[] = {
        {nullptr, nullptr, false, false},
        {"", nullptr, false, false},
        {"0", nullptr, false, false},
        {"00", nullptr, true, true},
        {"1", nullptr, true, true},
        {" 0", nullptr, true, true},
        {"1", "", true, true},
        {"1", "0", true, false},
        {"1", "00", true, true},
        {"1", "false", true, true},
    };
    const std::string line = "[PLM_DBG] test x=42 s=v\n";
    for (const auto& row : table) {
        fake.err.clear();
        fake.files.clear();
        fake.env.clear();
        if (row.debug != nullptr) fake.env["VLM_MENU_DEBUG"] = row.debug;
        if (row.to_stderr != nullptr) fake.env["VLM_MENU_DEBUG_STDERR"] = row.to_stderr;
        log_line();
        const std::string where =
            std::string(row.debug ? row.debug : "(unset)") + "/" + (row.to_stderr ? row.to_stderr : "(unset)");
        EXPECT_EQ(fake.err, row.err ? line : "") << where;
        EXPECT_EQ(fake.files["vlm_menu_debug.log"], row.file ? line : "") << where;
    }
}

TEST_F(DebugLogTest, FileNameFromTheEnvironmentEmptyMeansDefault) {
    fake.env["VLM_MENU_DEBUG"] = "1";
    fake.env["VLM_MENU_DEBUG_FILE"] = "";
    log_line();
    fake.env["VLM_MENU_DEBUG_FILE"] = "other.log";
    log_line();
    EXPECT_EQ(fake.files["vlm_menu_debug.log"], "[PLM_DBG] test x=42 s=v\n");
    EXPECT_EQ(fake.files["other.log"], "[PLM_DBG] test x=42 s=v\n");
}

TEST_F(DebugLogTest, EnvironmentIsReadAfreshOnEveryCall) {
    log_line();
    fake.env["VLM_MENU_DEBUG"] = "1";
    log_line();
    fake.env["VLM_MENU_DEBUG"] = "0";
    log_line();
    EXPECT_EQ(fake.err, "[PLM_DBG] test x=42 s=v\n");
}

TEST_F(DebugLogTest, NothingIsAddedAndLongMessagesAreWhole) {
    fake.env["VLM_MENU_DEBUG"] = "1";
    const std::string long_text(3000, 'q');
    plm_debug_log(fake, "%s", long_text.c_str());
    plm_debug_log(fake, "no newline");
    EXPECT_EQ(fake.err, long_text + "no newline");
}

// The real platform: standard error and a real file, including a folder that does not exist.
class RealDebugLogTest : public testing::Test {
protected:
    void SetUp() override {
        native_platform().set_env("VLM_MENU_DEBUG", "1");
        native_platform().set_env("VLM_MENU_DEBUG_STDERR", "");
    }
    void TearDown() override {
        native_platform().set_env("VLM_MENU_DEBUG", "0");
        native_platform().set_env("VLM_MENU_DEBUG_FILE", "");
    }
    static std::string temp_name(const char* leaf) { return (std::filesystem::temp_directory_path() / leaf).string(); }
};

TEST_F(RealDebugLogTest, AppendsToTheFileAndWritesStandardError) {
    const std::string path = temp_name("plm_debug_log_test.log");
    std::remove(path.c_str());
    native_platform().set_env("VLM_MENU_DEBUG_FILE", path.c_str());
    testing::internal::CaptureStderr();
    plm_debug_log(native_platform(), "[PLM_DBG] one %d\n", 1);
    plm_debug_log(native_platform(), "[PLM_DBG] two\n");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "[PLM_DBG] one 1\n[PLM_DBG] two\n");
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
#if defined(_WIN32)
    const char* expected = "[PLM_DBG] one 1\r\n[PLM_DBG] two\r\n";  // the file is opened in text mode
#else
    const char* expected = "[PLM_DBG] one 1\n[PLM_DBG] two\n";
#endif
    EXPECT_EQ(content.str(), expected);
    file.close();
    std::remove(path.c_str());
}

TEST_F(RealDebugLogTest, FileInAMissingFolderStillReachesStandardError) {
    const std::string path = temp_name("plm-no-such-folder/sub/x.log");
    native_platform().set_env("VLM_MENU_DEBUG_FILE", path.c_str());
    testing::internal::CaptureStderr();
    plm_debug_log(native_platform(), "[PLM_DBG] kept\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[PLM_DBG] kept\n");
    std::ifstream file(path);
    EXPECT_FALSE(file.good());
}

// What keeps exceptions from crossing an export: allocation failures become -2, anything else -5,
// and value-returning exports give their failure value.
TEST(ExportGuard, ExceptionsBecomeStatusesOrFailureValues) {
    EXPECT_EQ(guard_status([]() -> std::int32_t { return 3; }), 3);
    EXPECT_EQ(guard_status([]() -> std::int32_t { throw std::bad_alloc(); }), PLM_ERR_OUT_OF_MEMORY);
    EXPECT_EQ(guard_status([]() -> std::int32_t { throw std::runtime_error("x"); }), PLM_ERR_INTERNAL);
    EXPECT_EQ(guard_status([]() -> std::int32_t { throw 7; }), PLM_ERR_INTERNAL);
    int marker = 0;
    EXPECT_EQ(guard_value<int*>(nullptr, [&] { return &marker; }), &marker);
    EXPECT_EQ(guard_value<int*>(nullptr, []() -> int* { throw std::bad_alloc(); }), nullptr);
}

}  // namespace
}  // namespace plm
