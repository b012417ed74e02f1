#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "analysis/input_word.hpp"
#include "analysis/word_analysis.hpp"

namespace {

using coincidenze::analyse_word;

// One analysis with its three texts; the word changes every iteration so no
// result can be folded away or served from a predictor's memory of one input.
void bm_analyse_word(benchmark::State& state) {
    std::uint32_t word = 0x5A5AU;
    for (auto _ : state) {
        auto analysis = analyse_word(static_cast<double>(word));
        benchmark::DoNotOptimize(analysis);
        word = (word * 40503U + 1U) & 0xFFFFU;
    }
}
BENCHMARK(bm_analyse_word);

// Every whole word once: the cost of an exhaustive check.
void bm_sweep_all_words(benchmark::State& state) {
    for (auto _ : state) {
        std::size_t total = 0;
        for (std::uint32_t word = 0; word <= 0xFFFFU; ++word) {
            const auto analysis = analyse_word(static_cast<double>(word));
            total += static_cast<std::size_t>(analysis.coincidences) + analysis.row_text.size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * 65536);
}
BENCHMARK(bm_sweep_all_words)->Unit(benchmark::kMillisecond);

// The input side of one click in each mode.
void bm_draw_random_word(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(coincidenze::draw_random_word());
    }
}
BENCHMARK(bm_draw_random_word);

void bm_read_manual_word(benchmark::State& state) {
    const std::string text = "  65534";
    for (auto _ : state) {
        benchmark::DoNotOptimize(coincidenze::read_manual_word(text));
    }
}
BENCHMARK(bm_read_manual_word);

}  // namespace
