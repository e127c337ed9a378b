// Everything one dialog run holds, from the first prompt to the last file: the
// arrays at fixed capacity and the scalars, owned by the main program and
// handed to the stages by reference. Nothing is allocated while the run goes on.
#pragma once

#include <span>

#include "complex_ops.hpp"
#include "constants.hpp"
#include "frequency_grid.hpp"
#include "parallel_for.hpp"
#include "soil_column.hpp"

namespace zeplo {

// Records of up to 2^15 samples fit, so every transform length that the
// length search admits can run.
inline constexpr int kLongestExponent = 15;
inline constexpr int kMaxSamples = 1 << kLongestExponent;
// Non-negative frequency lines of the longest transform.
inline constexpr int kMaxLines = kMaxSamples / 2 + 1;
inline constexpr int kMaxLayers = 50;
// Records longer than this take the kept worker threads, started while the
// rest of the record is read; shorter ones run on the main thread alone, which
// for them is quicker than starting a thread.
inline constexpr int kSamplesForWorkers = 4096;
// The acceleration file name: the first characters of the answer line.
inline constexpr int kRecordNameLength = 20;

struct RunState {
    // Working spectrum: the record, its spectrum, the processed spectrum, the
    // unscaled output. Element k-1 is line (or sample) k.
    Complex fx1[kMaxSamples] = {};
    // Amplification, both columns.
    Complex amp1[kMaxLines] = {};
    Complex amp2[kMaxLines] = {};
    float time[kMaxSamples] = {};
    float xr1[kMaxSamples] = {};  // the record's values, later the output wave
    Complex twiddles[kMaxSamples] = {};      // the transforms' scratch
    char table_scratch[448 * 1024] = {};     // the output tables' records, formatted ahead

    // Soil profile, layer 1 at the surface, layer nl the half-space.
    float dns[kMaxLayers] = {};
    float vp[kMaxLayers] = {};
    float qp[kMaxLayers] = {};
    float vs[kMaxLayers] = {};
    float qs[kMaxLayers] = {};
    float thk[kMaxLayers] = {};
    float pqf = 0.0f;
    int nl = 0;
    float theta = 0.0f;
    int nsf = 0;

    char infile1[kRecordNameLength] = {};  // acceleration file name as typed

    int nt = 0;        // samples read
    float dt = 0.0f;   // sampling interval
    int nf = 0;        // transform length, 2^if1
    int if1 = 0;
    FrequencyGrid grid{};
    int ndata = 0;     // lines processed by the later stages, = grid.nom

    // Answers. Each starts with a defined value, so that an answer that gives
    // no value (a null value or a slash) is well defined.
    int is = 0;            // amplification column, 1 or 2
    int nyes = 0;          // 0 keep, 1 integrate, 2 differentiate
    int nbd = 0;           // 1: band-pass taper
    float oml1 = 0.0f;     // taper corners, rad/s
    float oml2 = 0.0f;
    float omh1 = kOpenCorner;
    float omh2 = kOpenCorner;

    float amin = 0.0f;     // smallest and largest value of the output wave
    float amax = 0.0f;

    Workers* workers = nullptr;  // kept threads for the parallel stages, if any
    Workers* (*start_workers)() = nullptr;  // starts them, once a record is long enough

    std::span<Complex> spectrum() { return {fx1, static_cast<std::size_t>(nf)}; }
    std::span<Complex> lines() { return {fx1, static_cast<std::size_t>(ndata)}; }
    std::span<Complex> scratch() { return twiddles; }
    std::span<char> table_scratch_span() { return table_scratch; }
    SoilColumn column() const {
        const auto n = static_cast<std::size_t>(nl);
        return SoilColumn{{dns, n}, {vs, n}, {qs, n}, {thk, n}, pqf, theta, nsf};
    }
};

}  // namespace zeplo
