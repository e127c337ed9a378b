// USGS SMC text: 11 text lines, 48 integers on 6 lines, 50 reals on 10 lines,
// the comment lines, then the values in cm/s².
//
//   text line 1      record type: "0 UNKNOWN", "1 UNCORRECTED ACCELEROGRAM",
//                    "2 CORRECTED ACCELEROGRAM", 3-6 velocity ... spectra
//   integer no. 1    the integers' no-value marker (-32768)
//   integer no. 16   number of comment lines
//   integer no. 17   number of values
//   real no. 1       the reals' no-value marker (1.7E+38)
//   real no. 2       samples per second
//
// Writers differ in the width of the value fields (8 fields of 10 characters,
// or 5 of 14), and a negative value fills its field to touch the one before,
// so the values are cut at a fixed width found from the exponent letters.
#include <algorithm>

#include "text.hpp"

namespace zeplo::formats {

using namespace detail;

namespace {

constexpr std::size_t kTextLines = 11;
constexpr std::size_t kIntegerLines = 6;
constexpr std::size_t kRealLines = 10;
constexpr std::size_t kIntegers = 48;
constexpr std::size_t kReals = 50;

// The blank-separated fields of `count` lines from `first` on, which must hold
// `expected` numbers.
std::vector<std::string_view> header_fields(const Lines& lines, std::size_t first,
                                            std::size_t count, std::size_t expected,
                                            std::string_view what) {
  const std::string where = std::to_string(expected) + " " + std::string(what) + " on lines " +
                            std::to_string(first + 1) + "-" + std::to_string(first + count);
  if (lines.size() < first + count)
    lines.fail_file("the file ends in the header; expected " + where);
  std::vector<std::string_view> fields;
  for (std::size_t i = first; i < first + count; ++i)
    for (const std::string_view field : split(lines[i])) fields.push_back(field);
  if (fields.size() != expected)
    lines.fail(first, "expected " + where + ", found " + std::to_string(fields.size()));
  return fields;
}

// The width of the value fields on line `i`: the spacing of the exponent
// letters, or the whole line when it holds one value.
std::size_t field_width(const Lines& lines, std::size_t i) {
  const std::string_view line = trim_right(lines[i]);
  std::vector<std::size_t> exponents;
  for (std::size_t k = 0; k < line.size(); ++k)
    if (line[k] == 'E' || line[k] == 'e' || line[k] == 'D' || line[k] == 'd')
      exponents.push_back(k);
  if (exponents.empty())
    lines.fail(i,
               "expected values with exponents (such as -2.2223E+0), found " + quoted(trim(line)));
  std::size_t width = line.size();
  if (exponents.size() > 1) {
    width = exponents[1] - exponents[0];
    for (std::size_t k = 2; k < exponents.size(); ++k)
      if (exponents[k] - exponents[k - 1] != width)
        lines.fail(i, "expected values in fields of equal width, found " + quoted(trim(line)));
  }
  if (line.size() % width != 0)
    lines.fail(i, "expected fields of " + std::to_string(width) + " characters, found a line of " +
                      std::to_string(line.size()));
  return width;
}

}  // namespace

Record parse_smc(std::string_view text, const std::string& name) {
  const Lines lines = split_lines(text, name);
  Record record;
  record.format = Format::smc;
  record.unit = Unit::cm_s2;
  if (lines.size() < kTextLines)
    lines.fail_file("the file ends in the 11 text lines of the header");

  const std::string_view type_line = trim(lines[0]);
  const std::optional<long long> type =
      type_line.empty() ? std::nullopt : to_integer(type_line.substr(0, 1));
  if (!type)
    lines.fail(0, "expected the record type (a digit 0-6) in column 1, found " + quoted(type_line));
  if (*type == 0) {
    record.warnings.push_back(name +
                              ":1: record type 0 (unknown); the values are read as "
                              "acceleration in cm/s2");
  } else if (*type == 1) {
    record.uncorrected = true;
    record.warnings.push_back(name + ":1: type 1, an uncorrected accelerogram");
  } else if (*type != 2) {
    lines.fail(0, "expected an accelerogram (record type 0, 1 or 2), found " + quoted(type_line));
  }
  for (const std::size_t k : {5u, 2u}) {
    const std::string_view station = trim(lines[k]);
    if (!station.empty() && station != "*") {
      record.station_or_title = collapse_blanks(station);
      break;
    }
  }

  const std::size_t int_line = kTextLines;
  const std::size_t real_line = int_line + kIntegerLines;
  const std::vector<std::string_view> int_fields =
      header_fields(lines, int_line, kIntegerLines, kIntegers, "integers");
  std::vector<long long> ints;
  for (const std::string_view field : int_fields) {
    const std::optional<long long> value = to_integer(field);
    if (!value)
      lines.fail(int_line, "expected integers in the integer header, found " + quoted(field));
    ints.push_back(*value);
  }
  const std::vector<std::string_view> real_fields =
      header_fields(lines, real_line, kRealLines, kReals, "reals");
  std::vector<double> reals;
  for (const std::string_view field : real_fields)
    reals.push_back(finite_value(lines, real_line, field));

  const long long no_int = ints[0];
  if (ints[15] == no_int || ints[15] < 0)
    lines.fail(int_line + 1, "expected the number of comment lines (integer no. 16), found " +
                                 (ints[15] == no_int ? std::string("the no-value marker")
                                                     : std::to_string(ints[15])));
  if (ints[16] == no_int || ints[16] < 1)
    lines.fail(int_line + 2, "expected the number of values (integer no. 17), found " +
                                 (ints[16] == no_int ? std::string("the no-value marker")
                                                     : std::to_string(ints[16])));
  if (reals[1] == reals[0])
    lines.fail(real_line,
               "expected the samples per second (real no. 2), found the no-value marker");
  record.dt = 1.0 / reals[1];
  check_time_step(lines, real_line, record.dt, "1 / real no. 2, the samples per second");

  const std::size_t count = static_cast<std::size_t>(ints[16]);
  const std::size_t first = real_line + kRealLines + static_cast<std::size_t>(ints[15]);
  if (first > lines.size())
    lines.fail_file("the file ends in the " + std::to_string(ints[15]) +
                    " comment lines (integer no. 16)");
  record.values.reserve(std::min(count, text.size() / 2));
  std::size_t width = 0;
  std::size_t last = first - 1;
  for (std::size_t i = first; i < lines.size(); ++i) {
    const std::string_view line = trim_right(lines[i]);
    if (line.empty()) continue;
    const std::size_t here = field_width(lines, i);
    if (width != 0 && here != width)
      lines.fail(i, "expected fields of " + std::to_string(width) +
                        " characters as on the lines before, found " + std::to_string(here));
    width = here;
    for (std::size_t at = 0; at < line.size(); at += width) {
      if (record.values.size() == count)
        lines.fail(i, "expected no more values: integer no. 17 gives " + std::to_string(count) +
                          ", but the values go on");
      record.values.push_back(finite_value(lines, i, line.substr(at, width)));
    }
    last = i;
  }
  if (record.values.size() < count)
    lines.fail(last, "the file ends after " + std::to_string(record.values.size()) +
                         " values; integer no. 17 gives " + std::to_string(count));
  return record;
}

}  // namespace zeplo::formats
