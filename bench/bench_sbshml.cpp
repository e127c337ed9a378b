// sbshml over 16385 lines (a 32768-sample record at 0.01 s) for columns of
// 2, 10 and 50 layers, damping off (pqf = 999) and on (pqf = 0.3). The
// profiles stay within single precision, so these time the plain steps; the
// last case is a column whose upper lines all overflow and are recomputed.
#include <benchmark/benchmark.h>

#include <vector>

#include "sbshml.hpp"

namespace {
constexpr int kNom = 16385;

void run(benchmark::State& state, const std::vector<float>& dns, const std::vector<float>& vs,
         const std::vector<float>& qs, const std::vector<float>& thk, float pqf, float dom) {
    std::vector<zeplo::Complex> amp(2 * kNom);
    const int nl = static_cast<int>(vs.size());
    for (auto _ : state) {
        zeplo::sbshml(0.0f, dom, kNom, kNom, dns.data(), vs.data(), qs.data(), thk.data(), pqf, nl,
                      50, 0.0f, 1, amp.data());
        benchmark::DoNotOptimize(amp.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kNom);
}
}  // namespace

static void BM_Sbshml(benchmark::State& state) {
    const int nl = static_cast<int>(state.range(0));
    const bool damped = state.range(1) != 0;
    std::vector<float> dns, vs, qs, thk;
    for (int l = 0; l < nl; ++l) {
        const bool half = l == nl - 1;
        dns.push_back(1.7f + 0.5f * l / nl);
        vs.push_back(half ? 1200.0f : 150.0f + 600.0f * l / nl);
        qs.push_back(half ? 100.0f : 10.0f + 20.0f * l / nl);
        thk.push_back(half ? 0.0f : 200.0f / (nl - 1));
    }
    run(state, dns, vs, qs, thk, damped ? 0.3f : 999.0f, 6.2831855f / (32768 * 0.01f));
}
BENCHMARK(BM_Sbshml)->ArgsProduct({{2, 10, 50}, {0, 1}})->ArgNames({"layers", "damped"})
    ->Unit(benchmark::kMillisecond);

// 200 m of vs = 150, Q = 10 over 800 m/s at 0.001 s: lines above about 212 Hz
// (about 58% of them) overflow in single precision and take the scaled path.
static void BM_SbshmlOverflowing(benchmark::State& state) {
    run(state, {1.8f, 2.2f}, {150.0f, 800.0f}, {10.0f, 40.0f}, {200.0f, 0.0f}, 0.0f,
        6.2831855f / (32768 * 0.001f));
}
BENCHMARK(BM_SbshmlOverflowing)->Unit(benchmark::kMillisecond);

// The whole-run benchmark's column (49 layers of 2 m, vs 150 to 630, Q = 20,
// over 800 m/s; pqf = 0: the layer terms are the same for every line) on 1 and
// 2 threads.
static void BM_SbshmlThreads(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    std::vector<float> dns, vs, qs, thk;
    for (int l = 0; l < 49; ++l) {
        dns.push_back(1.8f);
        vs.push_back(150.0f + 10.0f * l);
        qs.push_back(20.0f);
        thk.push_back(2.0f);
    }
    dns.push_back(2.2f);
    vs.push_back(800.0f);
    qs.push_back(50.0f);
    thk.push_back(0.0f);
    std::vector<zeplo::Complex> col1(kNom), col2(kNom);
    const float dom = 6.2831855f / (32768 * 0.005f);
    for (auto _ : state) {
        zeplo::sbshml_columns(0.0f, dom, kNom, dns.data(), vs.data(), qs.data(), thk.data(), 0.0f, 50, 0.0f, 1,
                              col1.data(), col2.data(), threads);
        benchmark::DoNotOptimize(col1.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kNom);
}
BENCHMARK(BM_SbshmlThreads)->Arg(1)->Arg(2)->ArgName("threads")->Unit(benchmark::kMillisecond)->UseRealTime();
