// frostpane: the settings edit of one `set`, in process.
//   edit/<bytes>        the hand-written matcher (what the program runs)
//   std_regex/<bytes>   the same passes through std::regex_replace, without
//                       the comment rule (the plain approach, for comparison)
//   io_floor/<bytes>    writing and reading the file back (the I/O floor)
//   real_largest        the largest real settings file, if the corpus is there
//   whitespace_1mb      a megabyte of white space and commas
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "frostpane_settings_data.h"
#include "terminal_settings.h"

namespace {

using frostpane::bench::realistic_settings;

void edit(benchmark::State& state) {
    const std::string text = realistic_settings(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto edited = frostpane::edit_for_acrylic(text, 55);
        benchmark::DoNotOptimize(edited);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(edit)->Arg(1 << 20)->Arg(2 << 20)->Arg(4 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

void edit_opacity(benchmark::State& state) {
    const std::string text = realistic_settings(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto edited = frostpane::edit_for_opacity(text, 55);
        benchmark::DoNotOptimize(edited);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(edit_opacity)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

std::string regex_edit(std::string text) {
    namespace p = frostpane::patterns;
    for (auto pattern : {p::opacity_after_comma, p::opacity_before_comma, p::opacity_alone, p::acrylic_after_comma,
                         p::acrylic_before_comma, p::acrylic_alone, p::acrylic_opacity_after_comma,
                         p::acrylic_opacity_before_comma, p::acrylic_opacity_alone}) {
        text = std::regex_replace(text, std::regex(std::string(pattern)), "");
    }
    text = std::regex_replace(text, std::regex(std::string(p::defaults_anchor)),
                              "$& " + frostpane::acrylic_members(55) + ", ");
    text = std::regex_replace(text, std::regex(std::string(p::comma_before_brace)), "}");
    return std::regex_replace(text, std::regex(std::string(p::double_comma)), ",");
}

void std_regex(benchmark::State& state) {
    const std::string text = realistic_settings(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto edited = regex_edit(text);
        benchmark::DoNotOptimize(edited);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(std_regex)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->Iterations(3);

void io_floor(benchmark::State& state) {
    const std::string text = realistic_settings(static_cast<std::size_t>(state.range(0)));
    const std::string path = "/tmp/frostpane-bench-io.json";
    for (auto _ : state) {
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
        }
        std::ifstream in(path, std::ios::binary);
        std::string back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        benchmark::DoNotOptimize(back);
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(io_floor)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

void real_largest(benchmark::State& state) {
    const char* shared = std::getenv("VM_SHARED");
    const std::string path = std::string(shared ? shared : "../shared") +
                             "/corpus/wt-settings/39-hsins-very-large-285-schemes-acrylic-defaults.json";
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        state.SkipWithError("real settings corpus not found (set VM_SHARED)");
        return;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (auto _ : state) {
        auto edited = frostpane::edit_for_acrylic(text, 55);
        benchmark::DoNotOptimize(edited);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(real_largest)->Unit(benchmark::kMicrosecond);

void whitespace_1mb(benchmark::State& state) {
    std::string text = "{\"profiles\": {\"defaults\": {" + std::string(1 << 20, ' ');
    for (int i = 0; i < 1000; ++i) text += ", \n";
    text += "}}}";
    for (auto _ : state) {
        auto edited = frostpane::edit_for_opacity(text, 55);
        benchmark::DoNotOptimize(edited);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(whitespace_1mb)->Unit(benchmark::kMillisecond);

}  // namespace

// `bench_frostpane --write-sample FILE BYTES` writes one generated settings
// text, so the comparison script can time other tools on the same bytes.
int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--write-sample") {
        const std::string text = realistic_settings(std::stoul(argv[3]));
        std::ofstream out(argv[2], std::ios::binary);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        return out ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
