// Cost of decoding input bytes: every byte a prompt or menu reads passes through decoder_feed.
#include <benchmark/benchmark.h>

#include <string>

#include "decoder.h"

namespace {

void decode(benchmark::State& state, const std::string& bytes) {
    plm_input_decoder d{};
    plm_decode_result r{};
    std::int64_t events = 0;
    for (auto _ : state) {
        for (char c : bytes) {
            events += plm::decoder_feed(&d, static_cast<unsigned char>(c), &r);
        }
        benchmark::DoNotOptimize(events);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
    state.counters["events"] = benchmark::Counter(static_cast<double>(events), benchmark::Counter::kIsRate);
}

std::string repeat(const std::string& unit, std::size_t times) {
    std::string s;
    for (std::size_t i = 0; i < times; ++i) {
        s += unit;
    }
    return s;
}

void BM_DecodeTypedText(benchmark::State& state) { decode(state, repeat("hello world, \xe4\xb8\xad\r", 256)); }
void BM_DecodeArrowKeys(benchmark::State& state) { decode(state, repeat("\x1b[A\x1b[B\x1b[1;5C\x1b[3~\x1b[5~", 256)); }
void BM_DecodeSgrMouseMotion(benchmark::State& state) {
    decode(state, repeat("\x1b[<35;120;40M\x1b[<0;7;3M\x1b[<0;7;3m", 256));
}
void BM_DecodeOverlongSequences(benchmark::State& state) {
    decode(state, repeat("\x1b[" + std::string(80, '1') + "A", 64));
}

BENCHMARK(BM_DecodeTypedText);
BENCHMARK(BM_DecodeArrowKeys);
BENCHMARK(BM_DecodeSgrMouseMotion);
BENCHMARK(BM_DecodeOverlongSequences);

}  // namespace

BENCHMARK_MAIN();
