// The soil column's amplification and its application to a spectrum.
#pragma once

#include <span>

#include "complex_ops.hpp"
#include "parallel_for.hpp"
#include "soil_column.hpp"

namespace zeplo {

// Both columns of the amplification at lines 1..n (n = col1.size() =
// col2.size()), line k at angular frequency (k-1)*dom: column 1 with respect to
// the input wave, column 2 with respect to the motion at the top of the
// half-space. The column must have at least one layer, non-zero vs in every
// layer, non-zero density below the surface layer and, damped, non-zero qs.
void column_amplification(const SoilColumn& column, float dom, std::span<Complex> col1, std::span<Complex> col2);
// The same on up to `threads` threads (blocks of lines; the values do not
// depend on the thread count), on the caller's workers when given.
void column_amplification(const SoilColumn& column, float dom, std::span<Complex> col1, std::span<Complex> col2,
                          int threads, Workers* workers = nullptr);

// exp(i*om*tau), tau the vertical travel time through the layers above the
// half-space: multiplied into a spectrum, it moves the surface motion earlier by tau.
Complex travel_time_phase(const SoilColumn& column, float om);

// The vertical travel time through the layers above the half-space, seconds.
double travel_time(const SoilColumn& column);

// Lines 1..n of `spectrum` (n = chosen.size()) multiplied by the chosen column
// and by the travel-time phase of their frequency (which moves the surface
// motion earlier by the travel time).
void amplify(std::span<Complex> spectrum, std::span<const Complex> chosen, const SoilColumn& column, float dom);
// The same on up to `threads` threads, on the caller's workers when given.
void amplify(std::span<Complex> spectrum, std::span<const Complex> chosen, const SoilColumn& column, float dom,
             int threads, Workers* workers = nullptr);

// Lines 1..n of `spectrum` multiplied by the chosen column only: the surface
// motion stays in physical time, delayed by the travel time.
void amplify_delayed(std::span<Complex> spectrum, std::span<const Complex> chosen);

}  // namespace zeplo
