// Two-column text: time and value on each line.
//
// The time step is the second time minus the first, both taken to single
// precision and subtracted there, as the legacy program does; the other times
// are only checked for even spacing (a warning, not a refusal).
#include <cmath>
#include <cstdlib>

#include "text.hpp"

namespace zeplo::formats {

using namespace detail;

Record parse_two_column(std::string_view text, const std::string& name) {
  const Lines lines = split_lines(text, name);
  Record record;
  record.format = Format::two_column;
  record.unit = Unit::unknown;

  std::vector<double> times;
  std::vector<std::size_t> rows;  // line index of each sample
  float t0 = 0.0f;
  float t1 = 0.0f;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = trim(lines[i]);
    if (line.empty()) continue;
    if (line.starts_with('#')) {
      if (rows.empty() && record.station_or_title.empty())
        record.station_or_title = std::string(trim(line.substr(1)));
      continue;
    }
    const std::vector<std::string_view> fields = split(line, " \t,");
    if (fields.size() < 2) lines.fail(i, "expected a time and a value, found " + quoted(line));
    const std::optional<float> time = to_float(fields[0]);
    if (!time || !std::isfinite(*time))
      lines.fail(i, "expected a time (a finite number), found " + quoted(fields[0]));
    if (rows.size() == 0) t0 = *time;
    if (rows.size() == 1) t1 = *time;
    times.push_back(*to_double(fields[0]));
    record.values.push_back(finite_value(lines, i, fields[1]));
    rows.push_back(i);
  }
  if (rows.size() < 2)
    lines.fail_file(
        "expected at least two lines of time and value (the time step is the "
        "second time minus the first), found " +
        std::to_string(rows.size()));

  const float step = t1 - t0;
  record.dt = static_cast<double>(step);
  check_time_step(lines, rows[1], record.dt, "second time minus first time");

  const double file_step = times[1] - times[0];
  for (std::size_t k = 2; k < times.size(); ++k) {
    const double expected = times[0] + static_cast<double>(k) * file_step;
    if (std::abs(times[k] - expected) > 0.01 * file_step) {
      record.warnings.push_back(
          name + ":" + std::to_string(rows[k] + 1) + ": the times are not evenly spaced (" +
          shown(times[k]) + " where " + shown(expected) +
          " was due); the record is read as evenly spaced at " + shown(record.dt) + " s");
      break;
    }
  }
  return record;
}

}  // namespace zeplo::formats
