// Response spectra of a long record: the 100 periods of the default grid at
// 5 % damping, by the recurrence (one thread, and two) and in the frequency
// domain, on a 32768-sample synthetic record at dt 0.005 s; and Konno-Ohmachi
// smoothing of its 32768 Fourier lines.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "fourier_spectrum.hpp"
#include "response_spectrum.hpp"

namespace {

std::vector<double> record(std::size_t n) {
    std::mt19937 gen(11);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<double> a(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = 0.005 * static_cast<double>(i);
        a[i] = noise(gen) * t * std::exp(-t / 20.0) / 20.0;  // a rising and decaying envelope
    }
    return a;
}

void spectrum(benchmark::State& state, zeplo::spectra::Method method, int threads) {
    const std::vector<double> acc = record(32768);
    const zeplo::spectra::SpectrumRequest request{zeplo::spectra::default_periods(), {0.05}, method, threads};
    for (auto _ : state) benchmark::DoNotOptimize(zeplo::spectra::response_spectrum(acc, 0.005, request));
}

void BM_NigamJennings(benchmark::State& state) { spectrum(state, zeplo::spectra::Method::nigam_jennings, 1); }
void BM_NigamJenningsTwoThreads(benchmark::State& state) { spectrum(state, zeplo::spectra::Method::nigam_jennings, 2); }
void BM_Fourier(benchmark::State& state) { spectrum(state, zeplo::spectra::Method::fourier, 1); }

void BM_KonnoOhmachi(benchmark::State& state) {
    const zeplo::spectra::AmplitudeSpectrum s = zeplo::spectra::fourier_amplitude(record(32768), 0.005);
    for (auto _ : state) benchmark::DoNotOptimize(zeplo::spectra::konno_ohmachi_lines(s.amplitude));
}

BENCHMARK(BM_NigamJennings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NigamJenningsTwoThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fourier)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KonnoOhmachi)->Unit(benchmark::kMillisecond);

}  // namespace
