// PEER NGA .AT2: four header lines, then the values several to a line.
//
//   line 2  event, date, station, component
//   line 3  "ACCELERATION TIME SERIES IN UNITS OF G" (or "TIME HISTORY")
//   line 4  "NPTS=  7999, DT=   .0050 SEC"   (NGA-West2; commas optional)
//        or "7991    0.0050    NPTS, DT"     (NGA-West1)
#include <algorithm>
#include <map>

#include "text.hpp"

namespace zeplo::formats {

using namespace detail;

namespace {

constexpr std::size_t kHeaderLines = 4;

Unit at2_unit(const Lines& lines, Record& record) {
  const std::string line = upper(lines[2]);
  if (line.find("VELOCITY") != std::string::npos || line.find("DISPLACEMENT") != std::string::npos)
    lines.fail(2, "expected an acceleration time series, found " + quoted(trim(lines[2])));
  const std::size_t at = line.find("UNITS OF");
  if (at == std::string::npos) {
    record.warnings.push_back(lines.file +
                              ":3: no 'UNITS OF' on the third header line; "
                              "the values are taken to be in g");
    return Unit::g;
  }
  const std::vector<std::string_view> words = split(std::string_view(line).substr(at + 8), " \t,");
  const std::optional<Unit> unit = words.empty() ? std::nullopt : unit_from_text(words[0]);
  if (!unit)
    lines.fail(2, "expected 'UNITS OF G' (or CM/S/S, M/S/S), found " + quoted(trim(lines[2])));
  return *unit;
}

// NPTS and DT from the fourth line, in either layout.
void at2_counts(const Lines& lines, long long& npts, double& dt) {
  const std::string line = upper(lines[3]);
  const std::vector<std::string_view> words = split(line, " \t,=");
  std::map<std::string_view, std::string_view> named;
  std::vector<std::string_view> leading;  // numbers before the first name
  std::vector<std::string_view> names;
  for (std::size_t k = 0; k < words.size(); ++k) {
    if (words[k] == "NPTS" || words[k] == "DT") {
      names.push_back(words[k]);
      if (k + 1 < words.size() && starts_like_number(words[k + 1])) named[words[k]] = words[k + 1];
    } else if (names.empty() && starts_like_number(words[k])) {
      leading.push_back(words[k]);
    }
  }
  // "7991 0.0050 NPTS, DT": the leading numbers go with the names in order.
  if (named.empty() && leading.size() == names.size())
    for (std::size_t k = 0; k < names.size(); ++k) named[names[k]] = leading[k];

  const std::string expected =
      "expected 'NPTS= n, DT= dt SEC' or 'n dt NPTS, DT' on the fourth header line, found " +
      quoted(trim(lines[3]));
  if (!named.contains("NPTS") || !named.contains("DT")) lines.fail(3, expected);
  const std::optional<long long> n = to_integer(named["NPTS"]);
  const std::optional<double> step = to_double(named["DT"]);
  if (!n || !step) lines.fail(3, expected);
  if (*n < 1) lines.fail(3, "expected a positive NPTS, found " + std::string(named["NPTS"]));
  npts = *n;
  dt = *step;
  check_time_step(lines, 3, dt, "DT");
}

}  // namespace

Record parse_at2(std::string_view text, const std::string& name) {
  const Lines lines = split_lines(text, name);
  if (lines.size() < kHeaderLines)
    lines.fail_file("expected 4 header lines and then the values, found " +
                    std::to_string(lines.size()) + " lines");
  Record record;
  record.format = Format::at2;
  record.station_or_title = collapse_blanks(lines[1]);
  record.unit = at2_unit(lines, record);
  long long npts = 0;
  at2_counts(lines, npts, record.dt);

  const std::size_t count = static_cast<std::size_t>(npts);
  record.values.reserve(std::min(count, text.size() / 2));
  std::size_t last = kHeaderLines - 1;
  for (std::size_t i = kHeaderLines; i < lines.size(); ++i) {
    for (const std::string_view field : split(lines[i])) {
      if (record.values.size() == count)
        lines.fail(i, "expected no more values: NPTS= " + std::to_string(npts) +
                          ", but the values go on with " + quoted(field));
      record.values.push_back(finite_value(lines, i, field));
      last = i;
    }
  }
  if (record.values.size() < count)
    lines.fail(last, "the file ends after " + std::to_string(record.values.size()) +
                         " values; expected NPTS= " + std::to_string(npts));
  return record;
}

}  // namespace zeplo::formats
