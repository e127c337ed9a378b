// COSMOS strong-motion format (v1.20), processed acceleration.
//
//   line 1         "Corrected acceleration    (Format v01.20 with 13 text lines)"
//                  ("Uncorrected acceleration" for Volume 1)
//   text lines     one of them gives the no-value markers ("... unknown/
//                  unspecified:   -999, -999.00")
//   " 100 Integer-header values follow on  10 lines, Format= (10I8)"
//                  integer no. 1: processing stage (1 = Volume 1, 2 = Volume 2)
//   " 100 Real-header values follow on  20 lines, Format= (5F15.6)"
//                  real no. 62: the time step in milliseconds (no. 34 is the
//                  step of the raw record, which resampling leaves behind)
//   "   6 Comment line(s) follow, each starting with a "|":"
//   "   42000 acceleration pts, approx  210 secs, units=cm/sec2(04),Format=(1E15.6)"
//                  then the values; velocity and displacement blocks may follow.
#include <algorithm>

#include "text.hpp"

namespace zeplo::formats {

using namespace detail;

namespace {

constexpr std::size_t kTimeStepIndex = 61;  // real no. 62

// The count at the start of the block's count line, which must name `what`.
std::size_t block_count(const Lines& lines, std::size_t i, std::string_view what,
                        std::string_view example) {
  const std::string expected =
      "expected the " + std::string(what) + " count line (such as '" + std::string(example) + "')";
  if (i >= lines.size()) lines.fail_file("the file ends; " + expected);
  const std::vector<std::string_view> words = split(lines[i]);
  const long long count = words.empty() ? -1 : to_integer(words[0]).value_or(-1);
  if (count < 0 || upper(lines[i]).find(upper(what)) == std::string::npos)
    lines.fail(i, expected + ", found " + quoted(trim(lines[i])));
  return static_cast<std::size_t>(count);
}

FieldLayout block_layout(const Lines& lines, std::size_t i) {
  const std::string line = upper(lines[i]);
  const std::size_t at = line.find("FORMAT=");
  std::optional<FieldLayout> layout;
  if (at != std::string::npos) {
    const std::string_view format_text = std::string_view(lines[i]).substr(at + 7);
    const std::size_t close = format_text.find(')');
    layout = fortran_layout(close == std::string_view::npos ? format_text : format_text.substr(0, close + 1));
  }
  if (!layout) lines.fail(i, "expected 'Format=(...)' giving the values' layout, such as (5F15.6)");
  return *layout;
}

// Reads the values of the block whose count line is `i`; returns the line after.
std::size_t read_block(const Lines& lines, std::size_t i, std::size_t count, std::string_view block,
                       std::vector<double>& out) {
  const std::size_t next =
      read_fixed_block(lines, i + 1, count, block_layout(lines, i), block, out);
  check_block_ended(lines, next, count, "the count line of the " + std::string(block));
  return next;
}

Unit acceleration_unit(const Lines& lines, std::size_t i) {
  const std::string line = upper(lines[i]);
  const std::size_t at = line.find("UNITS=");
  if (at != std::string::npos) {
    const std::string_view rest = std::string_view(line).substr(at + 6);
    const std::string_view unit_text = rest.substr(0, rest.find(','));
    const std::size_t open = unit_text.find('(');
    const std::optional<long long> code =
        open == std::string_view::npos
            ? std::nullopt
            : to_integer(unit_text.substr(open + 1, unit_text.find(')') - open - 1));
    if (code == 2) return Unit::g;
    if (code == 4) return Unit::cm_s2;
    if (const std::optional<Unit> unit = unit_from_text(unit_text.substr(0, open))) return *unit;
  }
  lines.fail(i, "expected the acceleration unit as 'units=cm/sec2(04)' or 'units=g(02)', found " +
                    quoted(trim(lines[i])));
}

}  // namespace

Record parse_cosmos_v2(std::string_view text, const std::string& name) {
  const Lines lines = split_lines(text, name);
  if (lines.size() == 0) lines.fail_file("the file is empty");
  Record record;
  record.format = Format::cosmos_v2;

  const std::string first = upper(trim(lines[0]));
  if (first.starts_with("UNCORRECTED ACCELERATION")) {
    record.uncorrected = true;
  } else if (!first.starts_with("CORRECTED ACCELERATION")) {
    lines.fail(0,
               "expected 'Corrected acceleration' (Volume 2) or 'Uncorrected acceleration' "
               "(Volume 1), found " +
                   quoted(trim(lines[0])));
  }
  const std::size_t with = first.find(" WITH ");
  const std::vector<std::string_view> after = with == std::string::npos
                                                  ? std::vector<std::string_view>{}
                                                  : split(std::string_view(first).substr(with + 6));
  const std::optional<long long> text_lines = after.empty() ? std::nullopt : to_integer(after[0]);
  if (!text_lines || *text_lines < 1 || first.find("TEXT LINES") == std::string::npos)
    lines.fail(0, "expected '(Format v01.20 with 13 text lines)' on the first line");
  const std::size_t header_lines = static_cast<std::size_t>(*text_lines);
  if (lines.size() > 4) record.station_or_title = collapse_blanks(lines[4]);

  double no_int = -999.0;
  double no_real = -999.0;
  for (std::size_t i = 0; i < std::min(header_lines, lines.size()); ++i) {
    const std::string_view line = lines[i];
    if (upper(line).find("UNSPECIFIED") == std::string::npos ||
        line.find(':') == std::string_view::npos)
      continue;
    const std::vector<std::string_view> markers = split(line.substr(line.rfind(':') + 1), " \t,");
    if (markers.size() != 2) continue;
    no_int = to_double(markers[0]).value_or(no_int);
    no_real = to_double(markers[1]).value_or(no_real);
  }

  std::vector<double> ints;
  std::size_t at = header_lines;
  std::size_t count = block_count(lines, at, "Integer-header values",
                                  "100 Integer-header values follow on 10 lines, Format= (10I8)");
  at = read_block(lines, at, count, "integer header", ints);
  if (ints.empty())
    lines.fail(at - 1, "expected the processing stage (integer-header value no. 1)");
  // Processing stage: 0 raw counts, 1 Volume 1, 2 Volume 2, 3 spectra; unstated,
  // the first line decides.
  if (ints[0] == 1) {
    record.uncorrected = true;
  } else if (ints[0] != 2 && ints[0] != no_int) {
    lines.fail(header_lines + 1,
               "expected processing stage 1 or 2 (integer-header value no. 1), "
               "found " +
                   shown(ints[0]));
  }
  if (record.uncorrected)
    record.warnings.push_back(name + ": COSMOS Volume 1, an uncorrected accelerogram");

  std::vector<double> reals;
  const std::size_t real_line = at;
  count = block_count(lines, at, "Real-header values",
                      "100 Real-header values follow on 20 lines, Format= (5F15.6)");
  const FieldLayout real_layout = block_layout(lines, at);
  at = read_block(lines, at, count, "real header", reals);
  const std::size_t dt_line =
      real_line + 1 + kTimeStepIndex / static_cast<std::size_t>(real_layout.per_line);
  if (reals.size() <= kTimeStepIndex)
    lines.fail(real_line,
               "expected at least 62 real-header values (no. 62 is the time step), found " +
                   std::to_string(reals.size()));
  if (reals[kTimeStepIndex] == no_real)
    lines.fail(dt_line,
               "expected the time step in milliseconds (real-header value no. 62), found "
               "the no-value marker " +
                   shown(no_real));
  record.dt = reals[kTimeStepIndex] / 1000.0;
  check_time_step(lines, dt_line, record.dt, "real-header value no. 62, in milliseconds / 1000");

  count = block_count(lines, at, "Comment line",
                      "6 Comment line(s) follow, each starting with a \"|\":");
  at += 1 + count;

  count = block_count(lines, at, "acceleration",
                      "42000 acceleration pts, approx 210 secs, units=cm/sec2(04),Format=(1E15.6)");
  if (count == 0) lines.fail(at, "expected a positive count of acceleration values, found 0");
  record.unit = acceleration_unit(lines, at);
  record.values.reserve(std::min(count, text.size() / 2));
  read_block(lines, at, count, "acceleration block", record.values);
  return record;
}

}  // namespace zeplo::formats
