// Constants of the computation, as the program has always written them.
#pragma once

namespace zeplo {

// 2*pi in single precision: angular frequency steps and conversions to Hz.
inline constexpr float kTwoPi = 6.2831855f;
// 2*pi in double, for the highest frequency as reported in Hz.
inline constexpr double kTwoPiDouble = 6.283185307;
// The damping exponent that switches damping off.
inline constexpr float kNoDamping = 999.0f;
// The taper's upper corners before any answer: beyond every line.
inline constexpr float kOpenCorner = 99999.9f;

}  // namespace zeplo
