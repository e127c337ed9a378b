// Everything one run holds, from the first prompt to the last file: the arrays
// at fixed capacity and the scalars, owned by the main program and handed to the
// stages by reference. Nothing is allocated while the run goes on.
#pragma once

#include "complex_ops.hpp"

namespace zeplo {

// Records of up to 2^15 samples fit, so every transform length that the
// length search admits can run.
inline constexpr int kMaxSamples = 32768;
// Non-negative frequency lines of the longest transform.
inline constexpr int kMaxLines = kMaxSamples / 2 + 1;
inline constexpr int kMaxLayers = 50;
inline constexpr int kNameLength = 20;
// 2*pi in single precision: angular frequency steps and conversions to Hz.
inline constexpr float kTwoPi = 6.2831855f;

struct RunState {
    // Working spectrum: the record, its spectrum, the processed spectrum, the
    // unscaled output. Element k-1 is line (or sample) k.
    Complex fx1[kMaxSamples] = {};
    // Amplification, two columns of kMaxLines rows, column by column.
    Complex amp[2 * kMaxLines] = {};
    float time[kMaxSamples] = {};
    float xr1[kMaxSamples] = {};
    float xi1[kMaxSamples] = {};

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

    char infile1[kNameLength] = {};  // acceleration file name as typed

    int nt = 0;        // samples read
    float dt = 0.0f;   // sampling interval
    int nf = 0;        // transform length, 2^if1
    int if1 = 0;
    int mm = kMaxSamples;  // array extent handed to the forward transform, which takes nothing from it
    float dur = 0.0f;  // nf * dt
    float dom = 0.0f;  // angular frequency step
    int nom = 0;       // non-negative frequency lines, nf/2 + 1
    float eom = 0.0f;  // nom * dom, reported only
    float fom = 0.0f;  // angular frequency of the first line of the transfer function
    int ndata = 0;     // lines processed by the later stages, = nom

    // Answers. Each starts with a defined value, so that an answer that gives
    // no value (a null value or a slash) is well defined.
    int is = 0;            // amplification column, 1 or 2
    int nyes = 0;          // 0 keep, 1 integrate, 2 differentiate
    int nbd = 0;           // 1: band-pass taper
    float oml1 = 0.0f;     // taper corners, rad/s
    float oml2 = 0.0f;
    float omh1 = 99999.9f;
    float omh2 = 99999.9f;

    float amin = 0.0f;     // smallest and largest value of the output wave
    float amax = 0.0f;
};

}  // namespace zeplo
