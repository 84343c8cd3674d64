// The interactive menus end to end through their exports, on a console stand-in that serves
// scripted key bytes and only counts what the menu writes: time and bytes of the first frame,
// per DOWN inside the shown rows and per DOWN that scrolls, and the heap the menu holds at its
// peak, at 10, 10,000 and 1,000,000 items. A 100x30 window with the cursor on row 5.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform.h"
#include "promptloom.h"

namespace {

size_t g_live = 0;
size_t g_peak = 0;
bool g_counting = false;

}  // namespace

// Heap bytes held at once while counting is on (the item list is made before).
void* operator new(std::size_t n) {
    void* p = std::malloc(n + sizeof(std::max_align_t));
    if (!p) throw std::bad_alloc();
    *static_cast<std::size_t*>(p) = n;
    if (g_counting) {
        g_live += n;
        if (g_live > g_peak) g_peak = g_live;
    }
    return static_cast<char*>(p) + sizeof(std::max_align_t);
}
void operator delete(void* p) noexcept {
    if (!p) return;
    char* base = static_cast<char*>(p) - sizeof(std::max_align_t);
    if (g_counting) g_live -= *reinterpret_cast<std::size_t*>(base);
    std::free(base);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

class counting_console : public plm::platform {
public:
    std::string script;
    size_t next = 0;
    size_t bytes_out = 0;
    size_t bytes_before_first_read = 0;
    bool read_yet = false;
    size_t scrolls = 0;
    size_t writes = 0;  // flushes that had bytes to send: one write(2) each on a terminal
    size_t writes_before_first_read = 0;
    size_t unflushed = 0;

    void reset(const std::string& keys) {
        script = keys;
        next = 0;
        bytes_out = bytes_before_first_read = scrolls = writes = writes_before_first_read = unflushed = 0;
        read_yet = false;
    }

    plm::handle_t std_input_handle() override { return reinterpret_cast<plm::handle_t>(1); }
    plm::handle_t std_output_handle() override { return reinterpret_cast<plm::handle_t>(2); }
    bool is_tty(plm::std_stream) override { return true; }
    bool get_console_mode(plm::handle_t h, uint32_t* mode) override {
        *mode = h == std_input_handle() ? 0x3E8 : 0x7;
        return true;
    }
    bool set_console_mode(plm::handle_t, uint32_t) override { return true; }
    plm::byte_read read_byte(plm::handle_t, unsigned char* byte) override {
        if (!read_yet) {
            read_yet = true;
            bytes_before_first_read = bytes_out;
            writes_before_first_read = writes;
        }
        if (next >= script.size()) return plm::byte_read::none;
        *byte = static_cast<unsigned char>(script[next++]);
        return plm::byte_read::ok;
    }
    bool peek_console_input(plm::handle_t, plm::input_record*, uint32_t* count) override {
        *count = 0;
        return true;
    }
    bool read_console_input(plm::handle_t, plm::input_record*, uint32_t* count) override {
        *count = 0;
        return false;
    }
    bool wait_input(plm::handle_t, uint32_t) override { return true; }  // the script is always there
    uint32_t getwch() override { return 0xFFFF; }
    bool input_closed() override { return next >= script.size(); }
    bool read_line(char*, int) override { return false; }
    bool get_screen_buffer_info(plm::handle_t, plm::screen_info* info) override {
        info->size = plm::coord{100, 30};
        info->cursor = plm::coord{0, 5};
        info->window = plm::small_rect{0, 0, 99, 29};
        return true;
    }
    bool set_screen_buffer_size(plm::handle_t, plm::coord) override { return true; }
    bool set_cursor_position(plm::handle_t, plm::coord) override { return true; }
    bool set_text_attribute(plm::handle_t, uint16_t) override { return true; }
    bool fill_output_character(plm::handle_t, char, uint32_t, plm::coord, uint32_t*) override { return true; }
    bool fill_output_attribute(plm::handle_t, uint16_t, uint32_t, plm::coord, uint32_t*) override { return true; }
    bool scroll_screen_buffer(plm::handle_t, const plm::small_rect&, const plm::small_rect*, plm::coord, char,
                              uint16_t) override {
        ++scrolls;
        return true;
    }
    void write_output(std::string_view bytes) override {
        bytes_out += bytes.size();
        unflushed += bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    void flush_output() override {
        if (unflushed != 0) ++writes;
        unflushed = 0;
    }
    void write_error(std::string_view) override {}
    bool append_to_file(const char*, std::string_view) override { return false; }
    bool get_env(const char*, std::string* value) override {
        value->clear();
        return false;
    }
    bool set_env(const char*, const char*) override { return true; }
    uint32_t tick_count() override { return 0; }
    uint64_t tick_count64() override { return 0; }
    double clock_seconds() override { return 0.0; }
    void sleep_ms(uint32_t) override {}
    bool set_ctrl_handler(bool) override { return true; }
    void* allocate(size_t size) override { return std::malloc(size); }
    void* reallocate(void* block, size_t size) override { return std::realloc(block, size); }
    void release(void* block) override { std::free(block); }
};

struct item_list {
    std::vector<std::string> names;
    std::vector<const char*> ptrs;
    explicit item_list(size_t n) {
        names.reserve(n);
        ptrs.reserve(n);
        for (size_t i = 0; i < n; ++i) names.push_back("item number " + std::to_string(i + 1));
        for (const auto& s : names) ptrs.push_back(s.c_str());
    }
};

const item_list& items_for(size_t n) {
    static item_list small(10), medium(10000), large(1000000);
    return n == 10 ? small : n == 10000 ? medium : large;
}

const std::string kDown = "\x1b[B";
const std::string kUp = "\x1b[A";
const std::string kEscape = "\x1b\x1b";
constexpr int kKeys = 1000;

enum class script_kind { first_frame, down_inside, down_scrolling };

std::string script_for(script_kind kind) {
    std::string s;
    for (int k = 0; kind != script_kind::first_frame && k < kKeys; ++k) {
        // Inside: down and up over two rows near the top; scrolling: every DOWN from the last row.
        s += kind == script_kind::down_inside && k % 2 ? kUp : kDown;
    }
    return s + kEscape;
}

// The single menu shows 24 rows here (rows 5..28, status on 29); a start index of 23 puts the
// highlight on the last of them, so every DOWN scrolls.
void run_menu(benchmark::State& state, bool multi, script_kind kind) {
    size_t n = static_cast<size_t>(state.range(0));
    const item_list& items = items_for(n);
    counting_console con;
    plm::platform_override use(con);
    plm_context* ctx = plm_context_create();
    std::vector<unsigned char> flags(n);
    const std::string keys = script_for(kind);
    size_t start = kind == script_kind::down_scrolling ? 23 : 0;
    size_t bytes_first = 0, bytes_keys = 0, scrolls = 0, writes_first = 0, writes_keys = 0;
    g_live = g_peak = 0;
    g_counting = true;
    for (auto _ : state) {
        con.reset(keys);
        if (multi) {
            // The multi menu's focus starts at 0; move it to the last shown row first.
            if (kind == script_kind::down_scrolling) {
                std::string prefix;
                for (int k = 0; k < 23; ++k) prefix += kDown;
                con.reset(prefix + keys);
            }
            plm_menu_multi_choice_interactive(ctx, nullptr, items.ptrs.data(), n, flags.data(), 0);
        } else {
            size_t out = 0;
            plm_menu_choice_interactive(ctx, nullptr, items.ptrs.data(), n, start, &out);
        }
        bytes_first = con.bytes_before_first_read;
        bytes_keys = con.bytes_out;
        scrolls = con.scrolls;
        writes_first = con.writes_before_first_read;
        writes_keys = con.writes;
    }
    g_counting = false;
    plm_context_destroy(ctx);
    const double leave = 32;  // the four mouse-off sequences
    if (kind == script_kind::first_frame) {
        state.counters["bytes_first_frame"] = static_cast<double>(bytes_first);
    } else {
        state.SetItemsProcessed(state.iterations() * kKeys);
        // The multi menu's 23 moves to the last shown row are counted in too (2% of the keys).
        state.counters["bytes_per_key"] =
            (static_cast<double>(bytes_keys) - static_cast<double>(bytes_first) - leave) / kKeys;
        // The mouse-off sequences on the way out are one write of their own.
        state.counters["writes_per_key"] =
            (static_cast<double>(writes_keys) - static_cast<double>(writes_first) - 1) / kKeys;
        state.counters["scrolls"] = static_cast<double>(scrolls);
    }
    state.counters["heap_peak"] = static_cast<double>(g_peak);
}

void BM_SingleFirstFrame(benchmark::State& s) { run_menu(s, false, script_kind::first_frame); }
void BM_SingleDownInside(benchmark::State& s) { run_menu(s, false, script_kind::down_inside); }
void BM_SingleDownScrolling(benchmark::State& s) { run_menu(s, false, script_kind::down_scrolling); }
void BM_MultiFirstFrame(benchmark::State& s) { run_menu(s, true, script_kind::first_frame); }
void BM_MultiDownInside(benchmark::State& s) { run_menu(s, true, script_kind::down_inside); }
void BM_MultiDownScrolling(benchmark::State& s) { run_menu(s, true, script_kind::down_scrolling); }

}  // namespace

BENCHMARK(BM_SingleFirstFrame)->Arg(10)->Arg(10000)->Arg(1000000);
BENCHMARK(BM_SingleDownInside)->Arg(10)->Arg(10000)->Arg(1000000);
BENCHMARK(BM_SingleDownScrolling)->Arg(10000)->Arg(1000000);
BENCHMARK(BM_MultiFirstFrame)->Arg(10)->Arg(10000)->Arg(1000000);
BENCHMARK(BM_MultiDownInside)->Arg(10)->Arg(10000)->Arg(1000000);
BENCHMARK(BM_MultiDownScrolling)->Arg(10000)->Arg(1000000);

BENCHMARK_MAIN();
