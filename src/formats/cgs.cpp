// CGS/CSMIP Volume 2, "Corrected accelerogram": one or more channels, each a
// text header, integer and real headers, then three blocks:
//
//   " 15050 points of accel data equally spaced at  .020 sec, in cm/sec2. (8f10.6)"
//   " 15050 points of veloc data equally spaced at  .020 sec, in cm/sec.  (8f10.7)"
//   " 15050 points of displ data equally spaced at  .020 sec, in cm.      (8f10.7)"
//   "/&  ----------  End of data for channel  1  ----------"
//
// Each channel starts with a line "Corrected accelerogram ... Chan  1:  90 Deg".
// Values fill their fields and run together, so they are cut at the widths of
// the block's format. Only the acceleration block is read.
#include <algorithm>

#include "text.hpp"

namespace zeplo::formats {

using namespace detail;

namespace {

constexpr std::size_t kStationLine = 6;  // within a channel: the station's name

// The first line of each channel.
std::vector<std::size_t> channel_starts(const Lines& lines) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (upper(lines[i]).starts_with("CORRECTED ACCELEROGRAM")) starts.push_back(i);
  if (starts.empty() || starts[0] != 0)
    lines.fail(0, "expected 'Corrected accelerogram' on the first line (a CGS Volume 2 file)");
  return starts;
}

// "Chan 1: 90 Deg" from a channel's first line.
std::string channel_name(std::string_view line, std::size_t number) {
  const std::size_t at = line.find("Chan");
  if (at == std::string_view::npos) return "channel " + std::to_string(number);
  std::string_view name = line.substr(at);
  name = name.substr(0, name.find(" from"));
  return collapse_blanks(name);
}

// The word after `key` in `line` (both upper case), or nothing.
std::string_view word_after(std::string_view line, std::string_view key) {
  const std::size_t at = line.find(key);
  if (at == std::string_view::npos) return {};
  const std::vector<std::string_view> words = split(line.substr(at + key.size()), " \t,");
  return words.empty() ? std::string_view{} : words[0];
}

}  // namespace

std::vector<std::string> cgs_v2_channels(std::string_view text, const std::string& name) {
  const Lines lines = split_lines(text, name);
  std::vector<std::string> names;
  for (const std::size_t start : channel_starts(lines))
    names.push_back(channel_name(lines[start], names.size() + 1));
  return names;
}

Record parse_cgs_v2(std::string_view text, const std::string& name, int channel) {
  const Lines lines = split_lines(text, name);
  const std::vector<std::size_t> starts = channel_starts(lines);
  if (channel < 1 || static_cast<std::size_t>(channel) > starts.size())
    lines.fail_file("expected a channel from 1 to " + std::to_string(starts.size()) +
                    ", the channels of this file, found " + std::to_string(channel));
  const std::size_t index = static_cast<std::size_t>(channel) - 1;
  const std::size_t first = starts[index];
  const std::size_t end = index + 1 < starts.size() ? starts[index + 1] : lines.size();

  Record record;
  record.format = Format::cgs_v2;
  record.station_or_title = channel_name(lines[first], index + 1);
  if (first + kStationLine < end) {
    const std::string station = collapse_blanks(lines[first + kStationLine].substr(0, 40));
    if (!station.empty()) record.station_or_title = station + ", " + record.station_or_title;
  }

  std::size_t at = first;
  while (at < end && upper(lines[at]).find("POINTS OF ACCEL") == std::string::npos) ++at;
  if (at == end)
    lines.fail(first,
               "expected a line 'N points of accel data equally spaced at DT sec, in "
               "UNIT. (FORMAT)' in channel " +
                   std::to_string(channel));
  const std::string line = upper(lines[at]);
  const std::string expected =
      "expected 'N points of accel data equally spaced at DT sec, in "
      "cm/sec2. (8f10.6)', found " +
      quoted(trim(lines[at]));

  const std::vector<std::string_view> words = split(line);
  const std::optional<long long> count = to_integer(words[0]);
  if (!count || *count < 1) lines.fail(at, expected);
  const std::optional<double> dt = to_double(word_after(line, "SPACED AT"));
  if (!dt) lines.fail(at, expected);
  record.dt = *dt;
  check_time_step(lines, at, record.dt, "the spacing on the accel data line");

  std::string_view unit_word = word_after(line, " IN ");
  while (unit_word.ends_with('.')) unit_word.remove_suffix(1);
  const std::optional<Unit> unit = unit_from_text(unit_word);
  if (!unit) lines.fail(at, expected);
  record.unit = *unit;

  const std::size_t open = line.rfind('(');
  const std::optional<FieldLayout> layout =
      open == std::string::npos ? std::nullopt
                                : fortran_layout(std::string_view(line).substr(open));
  if (!layout) lines.fail(at, expected);

  const std::size_t n = static_cast<std::size_t>(*count);
  record.values.reserve(std::min(n, text.size() / 2));
  const std::size_t next =
      read_fixed_block(lines, at + 1, n, *layout, "acceleration block", record.values);
  check_block_ended(lines, next, n, "the accel data line");
  return record;
}

}  // namespace zeplo::formats
