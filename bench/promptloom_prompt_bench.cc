// The prompt's per-key cost (one insertion and the redraw of the row) with short and long
// lines, the whole prompt loop over scripted keys, and the cost of a long history.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "line_editor.h"
#include "platform.h"
#include "prompt.h"
#include "promptloom.h"

namespace {

// A console that costs next to nothing: counts the bytes written, serves a byte script over
// and over, and has a window `columns` wide (0: no window size known).
class bench_console : public plm::platform {
public:
    std::string script;
    std::size_t next = 0;
    std::size_t bytes_written = 0;
    int columns = 80;

    plm::handle_t std_input_handle() override { return reinterpret_cast<plm::handle_t>(1); }
    plm::handle_t std_output_handle() override { return reinterpret_cast<plm::handle_t>(2); }
    bool is_tty(plm::std_stream) override { return true; }
    bool get_console_mode(plm::handle_t, std::uint32_t* mode) override {
        *mode = 0x1F7;
        return true;
    }
    bool set_console_mode(plm::handle_t, std::uint32_t) override { return true; }
    plm::byte_read read_byte(plm::handle_t, unsigned char* byte) override {
        if (script.empty()) return plm::byte_read::none;
        *byte = static_cast<unsigned char>(script[next]);
        next = (next + 1) % script.size();
        return plm::byte_read::ok;
    }
    bool peek_console_input(plm::handle_t, plm::input_record*, std::uint32_t* count) override {
        *count = 0;
        return true;
    }
    bool read_console_input(plm::handle_t, plm::input_record*, std::uint32_t* count) override {
        *count = 0;
        return true;
    }
    bool wait_input(plm::handle_t, std::uint32_t) override { return true; }  // the script is always there
    std::uint32_t getwch() override { return 0xFFFF; }
    bool input_closed() override { return script.empty(); }
    bool read_line(char*, int) override { return false; }
    bool get_screen_buffer_info(plm::handle_t, plm::screen_info* info) override {
        if (columns == 0) return false;
        info->window = plm::small_rect{0, 0, static_cast<std::int16_t>(columns - 1), 24};
        return true;
    }
    bool set_screen_buffer_size(plm::handle_t, plm::coord) override { return true; }
    bool set_cursor_position(plm::handle_t, plm::coord) override { return true; }
    bool set_text_attribute(plm::handle_t, std::uint16_t) override { return true; }
    bool fill_output_character(plm::handle_t, char, std::uint32_t, plm::coord, std::uint32_t*) override { return true; }
    bool fill_output_attribute(plm::handle_t, std::uint16_t, std::uint32_t, plm::coord, std::uint32_t*) override {
        return true;
    }
    bool scroll_screen_buffer(plm::handle_t, const plm::small_rect&, const plm::small_rect*, plm::coord, char,
                              std::uint16_t) override {
        return true;
    }
    void write_output(std::string_view bytes) override {
        bytes_written += bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    void flush_output() override {}
    void write_error(std::string_view) override {}
    bool append_to_file(const char*, std::string_view) override { return true; }
    bool get_env(const char*, std::string* value) override {
        value->clear();
        return false;
    }
    bool set_env(const char*, const char*) override { return true; }
    std::uint32_t tick_count() override { return 0; }
    std::uint64_t tick_count64() override { return 0; }
    double clock_seconds() override { return 0; }
    void sleep_ms(std::uint32_t) override {}
    bool set_ctrl_handler(bool) override { return true; }
    void* allocate(std::size_t size) override { return std::malloc(size); }
    void* reallocate(void* block, std::size_t size) override { return std::realloc(block, size); }
    void release(void* block) override { std::free(block); }
};

// Peak resident memory of the process in kB (Linux), 0 elsewhere.
long peak_rss_kb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

// One key = insert a character in the middle of a line of `length` characters and redraw; the
// next key removes it again, so the line keeps its length. `cjk` 1: the line and the character
// are Chinese (3 bytes, 2 columns each; the character arrives as three byte events, and the
// prompt redraws once it is whole).
void BM_KeyInsertRedraw(benchmark::State& state) {
    const auto length = static_cast<std::size_t>(state.range(0));
    const bool cjk = state.range(2) != 0;
    bench_console console;
    console.columns = static_cast<int>(state.range(1));
    plm::editor_state ed;
    if (!plm::editor_begin(console, ed, 0, true, true)) {
        state.SkipWithError("no memory");
        return;
    }
    std::string line;
    for (std::size_t i = 0; i < length; ++i) line += cjk ? "\xe4\xb8\xad" : "w";
    plm::line_replace(console, ed.line, line.c_str());
    ed.line.cursor = (length / 2) * (cjk ? 3 : 1);
    const plm::prompt_settings settings = plm::settings_from(nullptr);
    const std::size_t columns = plm::window_columns(console, console.std_output_handle());
    const std::string typed = cjk ? "\xe4\xb8\xad" : "x";
    const plm_key_event erase{PLM_KEY_BACKSPACE, 0, 0};
    const plm::editor_env env;
    std::size_t keys = 0;
    for (auto _ : state) {
        if (keys % 2 == 0) {
            for (char c : typed) {
                const plm_key_event key{PLM_KEY_CHAR, static_cast<unsigned char>(c), 0};
                plm::perform_action(ed, plm::map_key(ed, key), key, env);
            }
        } else {
            plm::perform_action(ed, plm::map_key(ed, erase), erase, env);
        }
        plm::redraw_prompt_line(console, settings, columns, ed);
        ++keys;
    }
    state.counters["bytes_per_key"] = static_cast<double>(console.bytes_written) / static_cast<double>(keys);
    plm::editor_end(ed);
}
BENCHMARK(BM_KeyInsertRedraw)
    ->ArgNames({"line", "columns", "cjk"})
    ->Args({10, 80, 0})
    ->Args({10000, 80, 0})
    ->Args({10000, 0, 0})
    ->Args({10, 80, 1})
    ->Args({10000, 80, 1})
    ->Args({10000, 0, 1});

// The whole loop of plm_prompt_run: `length` characters typed (`cjk` 1: Chinese, three byte
// events each), then Enter; time per typed character
// includes reading, decoding, the callbacks' checks and the redraw.
void BM_PromptTyping(benchmark::State& state) {
    const auto length = static_cast<std::size_t>(state.range(0));
    bench_console console;
    console.columns = static_cast<int>(state.range(1));
    console.script.clear();
    for (std::size_t i = 0; i < length; ++i) console.script += state.range(2) != 0 ? "\xe4\xb8\xad" : "k";
    console.script += "\r";
    plm::platform_override use(console);
    plm_context* ctx = plm_context_create();
    std::string buffer(console.script.size(), '\0');
    plm_prompt_options options;
    plm_default_prompt_options(&options);
    options.history = 0;
    for (auto _ : state) {
        console.next = 0;
        if (plm_prompt_run(ctx, &options, buffer.data(), buffer.size()) != PLM_OK) state.SkipWithError("prompt failed");
    }
    const double keys = static_cast<double>(state.iterations()) * static_cast<double>(length + 1);
    state.SetItemsProcessed(static_cast<std::int64_t>(keys));
    state.counters["ns_per_key"] = benchmark::Counter(keys, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["bytes_per_key"] = static_cast<double>(console.bytes_written) / keys;
    plm_context_destroy(ctx);
}
BENCHMARK(BM_PromptTyping)
    ->ArgNames({"line", "columns", "cjk"})
    ->Args({10, 80, 0})
    ->Args({10000, 80, 0})
    ->Args({10000, 0, 0})
    ->Args({10000, 80, 1});

void BM_HistoryAdd(benchmark::State& state) {
    const auto lines = static_cast<std::size_t>(state.range(0));
    char text[48];
    for (auto _ : state) {
        plm_context* ctx = plm_context_create();
        for (std::size_t i = 0; i < lines; ++i) {
            std::snprintf(text, sizeof text, "command number %zu", i);
            if (plm_history_add(ctx, text) != PLM_OK) state.SkipWithError("history add failed");
        }
        benchmark::DoNotOptimize(plm_history_count(ctx));
        plm_context_destroy(ctx);
    }
    const double added = static_cast<double>(state.iterations()) * static_cast<double>(lines);
    state.counters["ns_per_line"] =
        benchmark::Counter(added, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["peak_rss_kB"] = static_cast<double>(peak_rss_kb());
}
BENCHMARK(BM_HistoryAdd)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
