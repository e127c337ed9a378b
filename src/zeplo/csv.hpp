// Comma-separated text as spreadsheets write it: fields may be quoted with
// double quotes ("" for a quote inside), a quoted field may hold commas and
// line breaks. Used for a batch's plan and its summary.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zeplo {

struct CsvRecord {
    int line = 0;  // the line it starts on, from 1
    std::vector<std::string> fields;
    std::vector<bool> quoted;  // per field: written in quotes (kept as is, not trimmed)
};

// Splits `text` into records. A byte-order mark and CR before LF are dropped;
// blank lines and lines whose first character is '#' are skipped; blanks
// around an unquoted field are trimmed. Throws CsvError for a quote that is
// never closed or text after a closing quote.
std::vector<CsvRecord> parse_csv(std::string_view text);

class CsvError : public std::runtime_error {
public:
    CsvError(int line, const std::string& message) : std::runtime_error(message), line(line) {}
    int line;
};

// A field as written in a CSV line: quoted when it holds a comma, a quote, a
// line break, blanks at either end, or begins with '#'.
std::string csv_field(std::string_view value);

// One line of fields, ending in "\n".
std::string csv_line(const std::vector<std::string>& fields);

}  // namespace zeplo
