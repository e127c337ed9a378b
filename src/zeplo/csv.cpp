#include "csv.hpp"

namespace zeplo {
namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

// CR LF becomes LF; a leading byte-order mark goes.
std::string normalised(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

}  // namespace

std::vector<CsvRecord> parse_csv(std::string_view input) {
    const std::string text = normalised(input);
    std::vector<CsvRecord> records;
    std::size_t i = 0;
    int line = 1;
    const std::size_t n = text.size();
    while (i < n) {
        // A comment line or a blank line.
        if (text[i] == '#') {
            while (i < n && text[i] != '\n') ++i;
            if (i < n) ++i, ++line;
            continue;
        }
        std::size_t j = i;
        while (j < n && blank(text[j])) ++j;
        if (j == n || text[j] == '\n') {
            i = j < n ? j + 1 : j;
            ++line;
            continue;
        }

        CsvRecord record;
        record.line = line;
        for (;;) {
            while (i < n && blank(text[i])) ++i;
            std::string field;
            bool quoted = false;
            if (i < n && text[i] == '"') {
                quoted = true;
                const int opened = line;
                ++i;
                for (;;) {
                    if (i == n) throw CsvError(opened, "a quoted field is never closed");
                    if (text[i] == '"') {
                        if (i + 1 < n && text[i + 1] == '"') {
                            field += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (text[i] == '\n') ++line;
                    field += text[i++];
                }
                while (i < n && blank(text[i])) ++i;
                if (i < n && text[i] != ',' && text[i] != '\n')
                    throw CsvError(line, "text after the closing quote of a field");
            } else {
                while (i < n && text[i] != ',' && text[i] != '\n') field += text[i++];
                while (!field.empty() && blank(field.back())) field.pop_back();
            }
            record.fields.push_back(std::move(field));
            record.quoted.push_back(quoted);
            if (i < n && text[i] == ',') {
                ++i;
                continue;
            }
            if (i < n) ++i, ++line;  // the line break that ends the record
            break;
        }
        records.push_back(std::move(record));
    }
    return records;
}

std::string csv_field(std::string_view value) {
    // A leading '#' is quoted too, or the line would read back as a comment.
    const bool plain = value.find_first_of(",\"\n\r") == std::string_view::npos &&
                       (value.empty() || (!blank(value.front()) && !blank(value.back()) && value.front() != '#'));
    if (plain) return std::string(value);
    std::string out = "\"";
    for (const char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string csv_line(const std::vector<std::string>& fields) {
    std::string out;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        if (k > 0) out += ',';
        out += csv_field(fields[k]);
    }
    out += '\n';
    return out;
}

}  // namespace zeplo
