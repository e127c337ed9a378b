// wvfast on random complex data, n = 1024 ... 32768, forward direction. Each
// iteration restores the input (a copy of n elements) before the transform.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "wvfast.hpp"

static void BM_Wvfast(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::mt19937 gen(1);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<zeplo::Complex> input(n), a(n);
    for (auto& z : input) z = {u(gen), u(gen)};
    for (auto _ : state) {
        a = input;
        zeplo::wvfast(n, a.data(), n, -1);
        benchmark::DoNotOptimize(a.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["ns_per_n_log2n"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * n * std::log2(static_cast<double>(n)),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Wvfast)->RangeMultiplier(2)->Range(1024, 32768)->Unit(benchmark::kMicrosecond);
