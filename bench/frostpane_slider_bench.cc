// frostpane slider: latency from one arrow key to the applied value and the redrawn line.
//
// run_slider runs unchanged on a host that reads and replaces a real settings file on disk the
// way the Windows program does (new file beside it, flushed to disk, renamed over the old one)
// and serves the keys. The clock starts when the arrow's second byte has been read and stops
// when the redrawn line has been written, so each sample covers the key step, set_transparency
// (read, edit, replace) and the frame. The poll pauses are pacing, not work, and are skipped.
//
//   key_to_frame/<bytes>/<acrylic>/<flush>   mean latency per key (manual time); counters:
//                                            max_ms (slowest key), frame_bytes
// The folder is $FROSTPANE_BENCH_DIR, else the current one (keep it on a real disk, not tmpfs,
// for the flush to mean anything).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "frostpane_settings_data.h"
#include "platform_fake.h"
#include "slider.h"

namespace {

using bench_clock = std::chrono::steady_clock;

// The settings path as built for Windows, turned into a POSIX path.
std::string posix_path(std::wstring_view text) {
    std::string path;
    for (const wchar_t c : text) path += c == L'\\' ? '/' : static_cast<char>(c);
    return path;
}

// The fake host of the tests, with the settings file on disk and the clock around each key.
class disk_host : public frostpane::fake_platform {
public:
    disk_host(const std::string& folder, bool flush) : flush_(flush) {
        env[L"WT_SESSION"] = L"bench";
        env[L"LOCALAPPDATA"] = std::wstring(folder.begin(), folder.end());
    }

    std::vector<double> latencies_ms;
    std::size_t frame_bytes = 0;

    int read_key() override {
        const int key = fake_platform::read_key();
        if (after_prefix_) started_ = bench_clock::now();
        after_prefix_ = key == 0xE0;
        return key;
    }
    void sleep_ms(std::uint32_t) override {}
    bool read_file(const std::wstring& path, std::string& bytes) override {
        std::ifstream in(posix_path(path), std::ios::binary);
        if (!in) return false;
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return true;
    }
    std::uint32_t file_attributes(const std::wstring& path) override {
        return ::access(posix_path(path).c_str(), F_OK) == 0 ? 0x20 : frostpane::invalid_file_attributes;
    }
    std::vector<std::wstring> find_files(const std::wstring&) override { return {}; }
    // The new file beside the old one, as the Windows program writes it (flushed when asked).
    long create_file(const std::wstring& path, std::string_view bytes, std::uint32_t) override {
        const int fd = ::open(posix_path(path).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0) return 80;  // ERROR_FILE_EXISTS
        bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        if (flush_) ok = ok && ::fsync(fd) == 0;
        ok = ::close(fd) == 0 && ok;
        return ok ? 0 : 29;  // ERROR_WRITE_FAULT
    }
    long replace_file(const std::wstring& replaced, const std::wstring& replacement) override {
        return std::rename(posix_path(replacement).c_str(), posix_path(replaced).c_str()) == 0 ? 0 : 5;
    }
    void write_stdout(std::string_view bytes) override {
        if (started_ != bench_clock::time_point{}) {
            latencies_ms.push_back(std::chrono::duration<double, std::milli>(bench_clock::now() - started_).count());
            started_ = bench_clock::time_point{};
            frame_bytes = bytes.size();
        }
    }
    void write_stderr(std::string_view bytes) override { throw std::runtime_error(std::string(bytes)); }

private:
    bool flush_;
    bool after_prefix_ = false;
    bench_clock::time_point started_{};
};

std::string bench_folder() {
    const char* dir = std::getenv("FROSTPANE_BENCH_DIR");
    return dir != nullptr && *dir != '\0' ? dir : ".";
}

void key_to_frame(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0));
    const bool acrylic = state.range(1) != 0;
    const bool flush = state.range(2) != 0;
    const std::string folder = bench_folder() + "/frostpane-slider-bench";
    const std::string state_dir = folder + "/Packages/Microsoft.WindowsTerminal_8wekyb3d8bbwe/LocalState";
    std::error_code ec;
    std::filesystem::create_directories(state_dir, ec);
    if (ec) {
        state.SkipWithError("cannot create the bench folder");
        return;
    }
    std::string text = frostpane::bench::realistic_settings(bytes);
    if (!acrylic) {
        // Start in the plain mode: the first member found decides the mode.
        text.replace(text.find("\"useAcrylic\": true"), 18, "\"opacity\": 80");
    }
    {
        std::ofstream out(state_dir + "/settings.json", std::ios::binary | std::ios::trunc);
        out << text;
    }
    constexpr int k_keys = 10;
    double worst = 0;
    std::size_t frame = 0;
    for (auto _ : state) {
        disk_host host(folder, flush);
        for (int i = 0; i < k_keys; ++i) host.keys.insert(host.keys.end(), {0xE0, i % 2 == 0 ? 0x4D : 0x4B});
        host.keys.push_back('\r');
        frostpane::run_slider(host);
        double sum = 0;
        for (const double ms : host.latencies_ms) {
            sum += ms;
            if (ms > worst) worst = ms;
        }
        state.SetIterationTime(sum / static_cast<double>(host.latencies_ms.size()) / 1000.0);
        frame = host.frame_bytes;
    }
    state.counters["max_ms"] = worst;
    state.counters["frame_bytes"] = static_cast<double>(frame);
    std::filesystem::remove_all(folder, ec);
}
BENCHMARK(key_to_frame)
    ->ArgsProduct({{30 << 10, 1 << 20}, {1, 0}, {1, 0}})
    ->ArgNames({"bytes", "acrylic", "flush"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
