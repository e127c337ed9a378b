// Free-format output: each value in its own form, lines of at most 80.
#pragma once

namespace zeplo::rec {

// The free-format form of a real (single values widened exactly): a blank, a
// minus sign or a blank, then the "%.9G" digits with a decimal point added when
// they have none. Writes a NUL-terminated text into out (at least 40 chars) and
// returns its length.
int free_format_real(char* out, double value);

}  // namespace zeplo::rec
