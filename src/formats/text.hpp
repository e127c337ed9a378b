// What the record parsers share: the text cut into lines, numbers read from
// fields, Fortran edit descriptors, fixed-width value blocks and the errors.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats.hpp"

namespace zeplo::formats::detail {

// A file's text cut into lines, without the byte-order mark and without line
// ends (LF or CRLF). The views point into the caller's text.
struct Lines {
  std::string file;
  std::vector<std::string_view> text;

  std::size_t size() const { return text.size(); }
  std::string_view operator[](std::size_t index) const { return text[index]; }
  // Throws ReadError for the line at `index` (0-based; reported 1-based).
  [[noreturn]] void fail(std::size_t index, const std::string& message) const;
  // Throws ReadError for the file as a whole.
  [[noreturn]] void fail_file(const std::string& message) const;
};

Lines split_lines(std::string_view text, const std::string& file);

std::string_view trim(std::string_view s);
std::string_view trim_right(std::string_view s);
std::string upper(std::string_view s);
bool is_blank(std::string_view s);
// Runs of blanks become one blank; leading and trailing blanks go.
std::string collapse_blanks(std::string_view s);
// `s` in quotes for a message, cut short if long.
std::string quoted(std::string_view s);
// A number printed for a message with all the digits it was read with.
std::string shown(double value);

// The pieces of `line` between runs of the `separators`.
std::vector<std::string_view> split(std::string_view line, std::string_view separators = " \t");

// A field that holds exactly one number, blanks around it allowed. Accepts a
// leading '+' and Fortran's D exponent. Out-of-range text gives nothing.
std::optional<double> to_double(std::string_view field);
std::optional<float> to_float(std::string_view field);
std::optional<long long> to_integer(std::string_view field);

// The field as a finite number, or a ReadError on line `index` saying so.
double finite_value(const Lines& lines, std::size_t index, std::string_view field);

// Refuses a time step that is not positive and finite; `source` says where it
// was read from ("DT", "real-header value no. 62", ...).
void check_time_step(const Lines& lines, std::size_t index, double dt, std::string_view source);

// True if the text starts (after blanks) like a number: a digit, sign or point.
bool starts_like_number(std::string_view text);

// True if the line is words rather than values: it has a run of three or more
// letters (other than "nan" and "inf", which are bad values, not words).
bool is_text_line(std::string_view line);

// The unit a header names: "g", "cm/sec2", "cm/s/s", "gal", "m/s2", ... (any case).
std::optional<Unit> unit_from_text(std::string_view text);

// How a Fortran format such as "(8F10.5)", "(1E15.6)" or "(10I8)" lays values
// out: so many to a line, each in a field of so many characters.
struct FieldLayout {
  int per_line = 0;
  int width = 0;
};
std::optional<FieldLayout> fortran_layout(std::string_view format_text);

// Reads `count` values laid out by `layout`, starting on line `at`; `block`
// names the block in messages. Fields are cut by position, never at blanks, so
// values that touch are read as written. Returns the index of the line after
// the block.
std::size_t read_fixed_block(const Lines& lines, std::size_t at, std::size_t count,
                             FieldLayout layout, std::string_view block, std::vector<double>& out);

// Refuses a file whose line `at` carries on with values after a block that
// `count_source` said was complete with `count` values.
void check_block_ended(const Lines& lines, std::size_t at, std::size_t count,
                       std::string_view count_source);

}  // namespace zeplo::formats::detail
