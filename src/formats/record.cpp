// Recognising the format, reading files, and units.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "text.hpp"

namespace zeplo::formats {

using namespace detail;

namespace {

// SMC: "N WORDS" on the first line, eight integers on the twelfth.
bool looks_like_smc(const Lines& lines, std::string_view first) {
  if (first.size() < 2 || !std::isdigit(static_cast<unsigned char>(first[0])) || first[1] != ' ')
    return false;
  if (lines.size() < 12) return false;
  const std::vector<std::string_view> fields = split(lines[11]);
  return fields.size() == 8 && std::all_of(fields.begin(), fields.end(), [](std::string_view f) {
           return to_integer(f).has_value();
         });
}

// What the file is, if it is something this library knows it does not read.
std::string unread_kind(std::string_view first_line) {
  const std::string first = upper(trim(first_line));
  if (first.starts_with("UNCORRECTED ACCELEROGRAM"))
    return "; this looks like a CGS Volume 1 (uncorrected) file: use its Volume 2 (.V2) file";
  if (first.find("RESPONSE") != std::string::npos && first.find("SPECTRA") != std::string::npos)
    return "; this looks like a file of spectra, not a time series";
  return "";
}

std::string read_file(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) throw ReadError(path, 0, "no such file");
  if (std::filesystem::is_directory(path, ec))
    throw ReadError(path, 0, "expected a file, found a folder");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ReadError(path, 0, "the file cannot be opened");
  std::string text;
  std::vector<char> buffer(1 << 16);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0)
    text.append(buffer.data(), static_cast<std::size_t>(in.gcount()));
  if (in.bad()) throw ReadError(path, 0, "the file cannot be read");
  return text;
}

}  // namespace

std::optional<Format> detect_format(std::string_view text) {
  const Lines lines = split_lines(text, "");
  if (lines.size() == 0) return std::nullopt;
  const std::string first = upper(trim(lines[0]));
  if (first.find("(FORMAT V") != std::string::npos) return Format::cosmos_v2;
  if (first.starts_with("CORRECTED ACCELEROGRAM")) return Format::cgs_v2;
  if (lines.size() >= 4 && upper(lines[3]).find("NPTS") != std::string::npos) return Format::at2;
  if (looks_like_smc(lines, first)) return Format::smc;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = trim(lines[i]);
    if (line.empty() || line.starts_with('#')) continue;
    const std::vector<std::string_view> fields = split(line, " \t,");
    if (fields.size() >= 2 && to_double(fields[0])) return Format::two_column;
    return std::nullopt;
  }
  return std::nullopt;
}

Record parse_record(std::string_view text, const std::string& name, std::optional<Format> force,
                    int channel) {
  const std::optional<Format> format = force ? force : detect_format(text);
  if (!format) {
    const Lines lines = split_lines(text, name);
    if (lines.size() == 0) lines.fail_file("the file is empty");
    lines.fail(0,
               "expected a ground-motion record: two-column text (time, value), PEER AT2, "
               "USGS SMC, COSMOS V2 or CGS V2" +
                   unread_kind(lines[0]));
  }
  if (*format == Format::cgs_v2) return parse_cgs_v2(text, name, channel);
  if (channel != 1)
    throw ReadError(name, 0,
                    "expected channel 1: a " + std::string(format_name(*format)) +
                        " file holds one channel, found channel " + std::to_string(channel));
  switch (*format) {
    case Format::two_column:
      return parse_two_column(text, name);
    case Format::at2:
      return parse_at2(text, name);
    case Format::smc:
      return parse_smc(text, name);
    case Format::cosmos_v2:
      return parse_cosmos_v2(text, name);
    case Format::cgs_v2:
      break;
  }
  return parse_cgs_v2(text, name, channel);
}

Record read_record(const std::string& path, std::optional<Format> force, int channel) {
  return parse_record(read_file(path), path, force, channel);
}

std::vector<std::string> list_channels(const std::string& path) {
  const std::string text = read_file(path);
  if (detect_format(text) == Format::cgs_v2) return cgs_v2_channels(text, path);
  const Record record = parse_record(text, path);
  return {record.station_or_title.empty() ? std::string(format_name(record.format))
                                          : record.station_or_title};
}

double unit_factor(Unit from, Unit to) {
  if (from == Unit::unknown || to == Unit::unknown)
    throw std::invalid_argument("unit_factor: the unit of the record is not known");
  if (from == to) return 1.0;
  // Each pair written out, so that g to cm/s2 is the double nearest 980.665, not a quotient.
  switch (from) {
    case Unit::g:
      return to == Unit::cm_s2 ? 980.665 : 9.80665;
    case Unit::m_s2:
      return to == Unit::cm_s2 ? 100.0 : 1.0 / 9.80665;
    case Unit::cm_s2:
      return to == Unit::m_s2 ? 0.01 : 1.0 / 980.665;
    case Unit::unknown:
      break;
  }
  return 1.0;
}

std::string_view format_name(Format format) {
  switch (format) {
    case Format::two_column:
      return "two-column text";
    case Format::at2:
      return "PEER AT2";
    case Format::smc:
      return "USGS SMC";
    case Format::cosmos_v2:
      return "COSMOS V2";
    case Format::cgs_v2:
      return "CGS V2";
  }
  return "unknown format";
}

std::string_view unit_name(Unit unit) {
  switch (unit) {
    case Unit::g:
      return "g";
    case Unit::m_s2:
      return "m/s2";
    case Unit::cm_s2:
      return "cm/s2";
    case Unit::unknown:
      break;
  }
  return "unknown unit";
}

}  // namespace zeplo::formats
