#include "text.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <system_error>

namespace zeplo::formats {

namespace {

std::string located(const std::string& file, int line, const std::string& message) {
  if (line > 0) return file + ":" + std::to_string(line) + ": " + message;
  return file + ": " + message;
}

}  // namespace

ReadError::ReadError(std::string file_name, int line_number, const std::string& message)
    : std::runtime_error(located(file_name, line_number, message)),
      file(std::move(file_name)),
      line(line_number) {}

}  // namespace zeplo::formats

namespace zeplo::formats::detail {

void Lines::fail(std::size_t index, const std::string& message) const {
  throw ReadError(file, static_cast<int>(index + 1), message);
}

void Lines::fail_file(const std::string& message) const { throw ReadError(file, 0, message); }

Lines split_lines(std::string_view text, const std::string& file) {
  constexpr std::string_view bom = "\xEF\xBB\xBF";
  if (text.starts_with(bom)) text.remove_prefix(bom.size());
  Lines lines{file, {}};
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.text.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string_view trim_right(std::string_view s) {
  const std::size_t last = s.find_last_not_of(" \t\r");
  return last == std::string_view::npos ? std::string_view{} : s.substr(0, last + 1);
}

std::string_view trim(std::string_view s) {
  s = trim_right(s);
  const std::size_t first = s.find_first_not_of(" \t");
  return first == std::string_view::npos ? std::string_view{} : s.substr(first);
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool is_blank(std::string_view s) { return trim(s).empty(); }

std::string collapse_blanks(std::string_view s) {
  std::string out;
  for (const std::string_view piece : split(s)) {
    if (!out.empty()) out += ' ';
    out += piece;
  }
  return out;
}

std::string quoted(std::string_view s) {
  constexpr std::size_t longest = 40;
  std::string out(1, '\'');
  out.append(s.substr(0, longest));
  out.append(s.size() > longest ? "...'" : "'");
  return out;
}

std::string shown(double value) {
  std::array<char, 32> buffer{};
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return ec == std::errc{} ? std::string(buffer.data(), end) : std::string("?");
}

std::vector<std::string_view> split(std::string_view line, std::string_view separators) {
  std::vector<std::string_view> pieces;
  std::size_t at = line.find_first_not_of(separators);
  while (at != std::string_view::npos) {
    const std::size_t end = line.find_first_of(separators, at);
    pieces.push_back(line.substr(at, end == std::string_view::npos ? end : end - at));
    at = end == std::string_view::npos ? end : line.find_first_not_of(separators, end);
  }
  return pieces;
}

namespace {

// The field's number text made fit for std::from_chars: no blanks, no leading
// '+', 'E' for Fortran's 'D'. Empty if the field cannot be a number.
std::string_view number_text(std::string_view field, std::array<char, 64>& buffer) {
  field = trim(field);
  if (field.starts_with('+')) field.remove_prefix(1);
  if (field.empty() || field.size() > buffer.size()) return {};
  std::size_t n = 0;
  for (const char c : field) buffer[n++] = (c == 'D' || c == 'd') ? 'E' : c;
  return {buffer.data(), n};
}

template <typename T>
std::optional<T> parse_whole(std::string_view field) {
  std::array<char, 64> buffer{};
  const std::string_view text = number_text(field, buffer);
  if (text.empty()) return std::nullopt;
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<double> to_double(std::string_view field) { return parse_whole<double>(field); }
std::optional<float> to_float(std::string_view field) { return parse_whole<float>(field); }
std::optional<long long> to_integer(std::string_view field) {
  return parse_whole<long long>(field);
}

double finite_value(const Lines& lines, std::size_t index, std::string_view field) {
  const std::optional<double> value = to_double(field);
  if (!value || !std::isfinite(*value))
    lines.fail(index, "expected a finite number, found " + quoted(trim(field)));
  return *value;
}

void check_time_step(const Lines& lines, std::size_t index, double dt, std::string_view source) {
  if (!(dt > 0.0) || !std::isfinite(dt))
    lines.fail(index, "expected a positive, finite time step (" + std::string(source) +
                          "), found " + shown(dt));
}

bool starts_like_number(std::string_view text) {
  text = trim(text);
  return !text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-' ||
                           text[0] == '+' || text[0] == '.');
}

bool is_text_line(std::string_view line) {
  std::size_t at = 0;
  while (at < line.size()) {
    std::size_t end = at;
    while (end < line.size() && std::isalpha(static_cast<unsigned char>(line[end]))) ++end;
    if (end - at >= 3) {
      const std::string word = upper(line.substr(at, end - at));
      if (word != "NAN" && word != "INF" && word != "INFINITY") return true;
    }
    at = end + 1;
  }
  return false;
}

std::optional<Unit> unit_from_text(std::string_view text) {
  std::string s = upper(trim(text));
  s.erase(std::remove(s.begin(), s.end(), '^'), s.end());
  if (s == "G") return Unit::g;
  for (const char* name : {"CM/S/S", "CM/S2", "CM/SEC/SEC", "CM/SEC2", "GAL", "CM/S**2"})
    if (s == name) return Unit::cm_s2;
  for (const char* name : {"M/S/S", "M/S2", "M/SEC/SEC", "M/SEC2", "M/S**2"})
    if (s == name) return Unit::m_s2;
  return std::nullopt;
}

std::optional<FieldLayout> fortran_layout(std::string_view format_text) {
  std::string s = upper(trim(format_text));
  s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
  if (s.starts_with('(')) s.erase(0, 1);
  if (s.ends_with(')')) s.pop_back();
  // A scale factor such as "1P" changes nothing on input with an exponent.
  const std::size_t p = s.find('P');
  if (p != std::string::npos && p > 0 &&
      std::all_of(s.begin(), s.begin() + static_cast<long>(p),
                  [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; })) {
    s.erase(0, p + 1);
    if (s.starts_with(',')) s.erase(0, 1);
  }
  std::size_t at = 0;
  auto digits = [&]() -> std::optional<int> {
    const std::size_t start = at;
    while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) ++at;
    if (at == start || at - start > 4) return std::nullopt;
    return std::stoi(s.substr(start, at - start));
  };
  FieldLayout layout;
  layout.per_line = 1;
  if (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) {
    const std::optional<int> count = digits();
    if (!count) return std::nullopt;
    layout.per_line = *count;
  }
  const std::size_t letters = at;
  while (at < s.size() && std::isalpha(static_cast<unsigned char>(s[at]))) ++at;
  const std::string kind = s.substr(letters, at - letters);
  if (kind != "I" && kind != "F" && kind != "E" && kind != "ES" && kind != "EN" && kind != "D" &&
      kind != "G")
    return std::nullopt;
  const std::optional<int> width = digits();
  if (!width) return std::nullopt;
  layout.width = *width;
  if (at < s.size() && s[at] == '.') {
    ++at;
    if (!digits()) return std::nullopt;
  }
  if (at != s.size() || layout.per_line < 1 || layout.width < 1) return std::nullopt;
  return layout;
}

std::size_t read_fixed_block(const Lines& lines, std::size_t at, std::size_t count,
                             FieldLayout layout, std::string_view block, std::vector<double>& out) {
  const std::size_t width = static_cast<std::size_t>(layout.width);
  const std::size_t per_line = static_cast<std::size_t>(layout.per_line);
  std::size_t done = 0;
  while (done < count) {
    auto progress = [&] {
      return "after " + std::to_string(done) + " of the " + std::to_string(count) +
             " values of the " + std::string(block);
    };
    if (at >= lines.size())
      lines.fail(lines.size() == 0 ? 0 : lines.size() - 1, "the file ends " + progress());
    const std::string_view line = lines[at];
    if (is_text_line(line))
      lines.fail(at, "expected more values (the block ends " + progress() + "), found " +
                         quoted(trim(line)));
    const std::size_t here = std::min(per_line, count - done);
    for (std::size_t k = 0; k < here; ++k) {
      const std::size_t start = k * width;
      const std::string_view field =
          start < line.size() ? line.substr(start, width) : std::string_view{};
      if (is_blank(field))
        lines.fail(at, "expected " + std::to_string(here) + " values of " + std::to_string(width) +
                           " characters on this line, found " + std::to_string(k) + " (the " +
                           std::string(block) + " has " + std::to_string(count) + " values)");
      out.push_back(finite_value(lines, at, field));
    }
    done += here;
    if (done == count && here * width < line.size() && !is_blank(line.substr(here * width)))
      lines.fail(at, "expected no more values: the " + std::string(block) + " has " +
                         std::to_string(count) + " values, but the values go on");
    ++at;
  }
  return at;
}

void check_block_ended(const Lines& lines, std::size_t at, std::size_t count,
                       std::string_view count_source) {
  if (at < lines.size() && !is_blank(lines[at]) && !is_text_line(lines[at]))
    lines.fail(at, "expected no more values: " + std::string(count_source) + " gives " +
                       std::to_string(count) + " values, but the values go on");
}

}  // namespace zeplo::formats::detail
