// SH-wave transfer function of a horizontally layered, damped soil column over
// a half-space.
#pragma once

#include "complex_ops.hpp"
#include "parallel_for.hpp"

namespace zeplo {

// Fills rows 1..nom of both columns of amp for the angular frequencies
// fom + (row - 1) * dom (rad/s):
//   column 1 (amp[row - 1])       amplification with respect to the input wave,
//   column 2 (amp[mom + row - 1]) amplification with respect to the bedrock wave.
// amp is stored column by column with leading dimension mom; nothing outside
// rows 1..nom of the two columns is touched.
//
// Layer il (1-based) is dns[il-1], vs[il-1], qs[il-1], thk[il-1]; layer nl is
// the half-space, whose thickness is not used. pqf is the exponent of the
// frequency dependence of the quality factor, 999.0 exactly for no damping;
// theta is the incidence angle in the half-space (radians); nsf == 1 selects
// the surface factor 2. ml (the layer capacity) takes no part.
//
// The caller guarantees 1 <= nl, nom <= mom, dom > 0, non-zero vs in every
// layer, non-zero dns below layer 1 and, with damping on, non-zero qs.
void sbshml(float fom, float dom, int nom, int mom, const float dns[], const float vs[],
            const float qs[], const float thk[], float pqf, int nl, int ml, float theta, int nsf,
            Complex amp[]);

// The same with the two columns in separate arrays of at least nom elements.
void sbshml_columns(float fom, float dom, int nom, const float dns[], const float vs[], const float qs[],
                    const float thk[], float pqf, int nl, float theta, int nsf, Complex col1[], Complex col2[]);

// The same on up to `threads` threads, each taking a contiguous block of lines;
// every line's value is the same whatever the thread count. The blocks run on
// the caller's workers when given.
void sbshml_columns(float fom, float dom, int nom, const float dns[], const float vs[], const float qs[],
                    const float thk[], float pqf, int nl, float theta, int nsf, Complex col1[], Complex col2[],
                    int threads, Workers* workers = nullptr);

}  // namespace zeplo
