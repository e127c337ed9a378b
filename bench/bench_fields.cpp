// Output fields per value: E12.4 and F8.4 of single-precision values spread
// over the magnitudes of the program's files (as the amplification table and
// the spectrum file write them), F8.3 of sample times, and a whole table line
// "(F8.4,6E12.4)" into a string.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "fixed_format_writer.hpp"
#include "numeric_fields.hpp"

namespace {

std::vector<double> values(float lo_exp, float hi_exp) {
    std::mt19937 gen(5);
    std::uniform_real_distribution<float> e(lo_exp, hi_exp), sign(-1.0f, 1.0f);
    std::vector<double> v(4096);
    for (auto& x : v) x = static_cast<float>(std::copysign(std::pow(10.0f, e(gen)), sign(gen)));
    return v;
}

}  // namespace

static void BM_ExpField(benchmark::State& state) {
    const auto v = values(-8.0f, 4.0f);
    char out[12];
    std::size_t i = 0;
    for (auto _ : state) {
        zeplo::fields::put_exp(out, v[i++ & 4095], 12, 4);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExpField);

static void BM_FixedField(benchmark::State& state) {
    const auto v = values(-3.0f, 2.9f);
    const int d = static_cast<int>(state.range(0));
    char out[8];
    std::size_t i = 0;
    for (auto _ : state) {
        zeplo::fields::put_fixed(out, v[i++ & 4095], 8, d);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FixedField)->Arg(4)->Arg(3)->ArgName("d");

static void BM_TableLine(benchmark::State& state) {
    const auto v = values(-8.0f, 3.0f);
    std::string text;
    std::size_t i = 0;
    for (auto _ : state) {
        text.clear();
        zeplo::fields::StringSink sink(text);
        using zeplo::fields::out_value;
        const zeplo::fields::OutValue line[] = {
            out_value(static_cast<float>(std::fabs(v[i & 4095]) * 0.001)), out_value(static_cast<float>(v[(i + 1) & 4095])),
            out_value(static_cast<float>(v[(i + 2) & 4095])), out_value(static_cast<float>(v[(i + 3) & 4095])),
            out_value(static_cast<float>(v[(i + 4) & 4095])), out_value(static_cast<float>(v[(i + 5) & 4095])),
            out_value(static_cast<float>(v[(i + 6) & 4095]))};
        zeplo::fields::write_fixed(sink, "(F8.4,6E12.4)", line, 7);
        benchmark::DoNotOptimize(text.data());
        i += 7;
    }
    state.SetItemsProcessed(state.iterations() * 7);
}
BENCHMARK(BM_TableLine);
