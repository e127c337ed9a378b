// Field lists: parse_field_list on fuzzed text (NUL-terminated, in a buffer of
// exactly its size, so that a read past the end is caught), then write_fmt
// with the list to a scratch unit.
//
// The first byte chooses the values: bit 7 set gives values that match the
// list's data fields in turn, clear gives a mix of every kind; bits 0-3 are
// how many (0..15). The second byte moves through the pools of values. The
// rest is the field list.
//
// A list that parses must be sane (widths and repeat counts within the
// limits, quoted text inside the input). The file written must hold exactly
// the records the list describes: text, blanks and character values as they
// are, each numeric field exactly w characters that read back as the value
// (or asterisks only where the value does not fit), a record never longer than
// the record buffer; a value of the wrong kind ends the statement with error
// 117, values for a list without data fields with error 100, and nothing of
// the unfinished record reaches the file.
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "detail/output_record.hpp"
#include "field_error.hpp"
#include "field_list.hpp"
#include "fuzz_support.hpp"
#include "open_close.hpp"
#include "statements.hpp"
#include "units.hpp"

namespace zeplo::fuzz {
namespace {

using fields::FieldOp;
using rec::OutValue;

constexpr int kOut = 30;
constexpr int kCapacity = rec::detail::OutputRecord::kCapacity;

const int kInts[] = {0, 7, -42, 123456, INT_MIN, INT_MAX, 99999, -1};
const float kFloats[] = {0.0f, 1.5f, -2.25f, 3.4028235e38f, 1e-45f, 0.1f, -0.0f,
                         std::numeric_limits<float>::quiet_NaN()};
const double kDoubles[] = {1e300, -1e-300, 6.02214076e23, -5e-324, std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(), 123.456, 999.99999};
const std::string kLong(100, 'x');
const std::string_view kTexts[] = {"", "a", "Output", "it's", kLong, "tab\there", "  lead", "trail  "};
constexpr int kPool = 8;

OutValue int_value(int k) { return rec::out_value(kInts[k % kPool]); }
OutValue real_value(int k) {
    return k % 2 ? rec::out_value(kDoubles[(k / 2) % kPool]) : rec::out_value(kFloats[(k / 2) % kPool]);
}
OutValue text_value(int k) { return rec::out_value(kTexts[k % kPool]); }

bool is_real(const OutValue& v) { return v.kind == OutValue::Kind::Real || v.kind == OutValue::Kind::Double; }

// ------------------------------------------------------------------ expected file

struct Span {
    std::size_t pos;
    fields::Field field;
    OutValue value;
};

struct Expected {
    std::string file;         // numeric fields hold placeholders
    std::vector<Span> spans;  // where the numeric fields are
    int fatal = 0;

    std::string record;
    std::vector<Span> record_spans;

    // A piece of n characters is kept only if the record has room for all of it.
    bool room(std::size_t n) const { return record.size() + n <= static_cast<std::size_t>(kCapacity); }
    void put(char c) {
        if (room(1)) record += c;
    }
    void blanks(int n) {
        for (int i = 0; i < n; ++i) put(' ');
    }
    void number(const fields::Field& f, const OutValue& v) {
        if (!room(static_cast<std::size_t>(f.w))) return;
        record_spans.push_back({record.size(), f, v});
        record.append(static_cast<std::size_t>(f.w), '#');
    }
    void end() {
        for (Span s : record_spans) {
            s.pos += file.size();
            spans.push_back(s);
        }
        file += record;
        file += '\n';
        record.clear();
        record_spans.clear();
    }
};

// Returns false when the value's kind does not suit the field.
bool emit(Expected& e, const fields::Field& f, const OutValue& v) {
    switch (f.op) {
        case FieldOp::Fixed:
        case FieldOp::Exp:
            if (!is_real(v)) return false;
            e.number(f, v);
            return true;
        case FieldOp::Int:
            if (v.kind != OutValue::Kind::Int) return false;
            e.number(f, v);
            return true;
        case FieldOp::Chars:
            if (v.kind != OutValue::Kind::Text) return false;
            for (char c : v.s) e.put(c);
            return true;
        case FieldOp::CharsWidth: {
            if (v.kind != OutValue::Kind::Text) return false;
            const int len = static_cast<int>(v.s.size());
            if (f.w > len) e.blanks(f.w - len);
            for (int k = 0; k < len && k < f.w; ++k) e.put(v.s[static_cast<std::size_t>(k)]);
            return true;
        }
        default:
            return true;
    }
}

Expected expect(const fields::FieldList& list, const std::vector<OutValue>& values) {
    Expected e;
    const int count = static_cast<int>(values.size());
    if (count > 0 && !list.has_data) {
        e.fatal = 100;
        return e;
    }
    int skip = 0;
    int next = 0;
    for (;;) {
        for (int k = 0; k < list.count; ++k) {
            const fields::Field& f = list.fields[k];
            switch (f.op) {
                case FieldOp::Slash:
                    e.end();
                    skip = 0;
                    break;
                case FieldOp::Skip:
                    skip += f.w;
                    break;
                case FieldOp::Text:
                    e.blanks(skip);
                    skip = 0;
                    for (std::size_t i = 0; i < f.text.size(); ++i) {
                        e.put(f.text[i]);
                        if (f.text[i] == '\'' && i + 1 < f.text.size() && f.text[i + 1] == '\'') ++i;
                    }
                    break;
                default:
                    for (int r = 0; r < f.repeat; ++r) {
                        if (next == count) goto done;
                        e.blanks(skip);
                        skip = 0;
                        if (!emit(e, f, values[static_cast<std::size_t>(next++)])) {
                            e.fatal = 117;
                            return e;  // the unfinished record is not written
                        }
                    }
            }
        }
        if (next == count) break;
        e.end();
        skip = 0;
    }
done:
    e.end();
    return e;
}

// ------------------------------------------------------------------ numeric fields

bool all_stars(std::string_view t) { return t.find_first_not_of('*') == std::string_view::npos; }

// The field without its leading blanks; false if a blank follows a non-blank.
bool strip_leading(std::string_view t, std::string_view& rest) {
    const std::size_t first = t.find_first_not_of(' ');
    rest = first == std::string_view::npos ? std::string_view{} : t.substr(first);
    return rest.find(' ') == std::string_view::npos;
}

void check_int(std::string_view t, const fields::Field& f, int v) {
    char digits[32];
    const int n = std::snprintf(digits, sizeof digits, "%d", v);
    std::string want;
    if (n > f.w)
        want.assign(static_cast<std::size_t>(f.w), '*');
    else
        want = std::string(static_cast<std::size_t>(f.w - n), ' ') + digits;
    FUZZ_CHECK(t == want, "I%d of %d: '%.*s', expected '%s'", f.w, v, static_cast<int>(t.size()), t.data(), want.c_str());
}

void check_fixed(std::string_view t, const fields::Field& f, double x) {
    // The shortest text the value can take: its digits with d decimals and a
    // point, a minus sign unless it rounds to zero, the leading 0 of "0."
    // optional.
    static char digits[4096];
    std::snprintf(digits, sizeof digits, "%#.*f", f.d, std::fabs(x));  // the point always shows
    const std::string_view mag(digits);
    const bool rounds_to_zero = mag.find_first_not_of("0.") == std::string_view::npos;
    const bool minus = x < 0 && !rounds_to_zero;
    int shortest = static_cast<int>(mag.size()) + (minus ? 1 : 0);
    if (mag.substr(0, 2) == "0.") --shortest;
    const std::string shown(t);
    if (all_stars(t)) {
        FUZZ_CHECK(shortest > f.w, "F%d.%d of %.17g: asterisks, but '%s' fits", f.w, f.d, x, digits);
        return;
    }
    FUZZ_CHECK(shortest <= f.w, "F%d.%d of %.17g: '%s' written, needs %d characters", f.w, f.d, x, shown.c_str(),
               shortest);
    std::string_view rest;
    FUZZ_CHECK(strip_leading(t, rest), "F%d.%d of %.17g: '%s'", f.w, f.d, x, shown.c_str());
    if (!std::isfinite(x)) {
        const char* word = std::isnan(x) ? "nan" : x < 0 ? "-inf" : "inf";
        FUZZ_CHECK(rest == word, "F%d.%d of %.17g: '%s'", f.w, f.d, x, shown.c_str());
        return;
    }
    const std::string body(rest);
    const std::size_t point = body.find('.');
    FUZZ_CHECK(point != std::string::npos && body.size() - point - 1 == static_cast<std::size_t>(f.d) &&
                   body.find_first_not_of("-0123456789.") == std::string::npos,
               "F%d.%d of %.17g: '%s'", f.w, f.d, x, shown.c_str());
    const double back = std::strtod(body.c_str(), nullptr);
    const double tol = 0.5 * std::pow(10.0, -f.d) * (1 + 1e-9) + std::fabs(x) * 0x1p-51 + 1e-323;
    FUZZ_CHECK(std::fabs(back - x) <= tol, "F%d.%d of %.17g: '%s' reads back as %.17g", f.w, f.d, x, shown.c_str(),
               back);
}

void check_exp(std::string_view t, const fields::Field& f, double x) {
    const int sign = x < 0 ? 1 : 0;
    const bool finite = std::isfinite(x);
    // Ew.0 has no mantissa digit to show a value in.
    const bool stars_due = f.d < 1 || f.w < f.d + 5 + sign || (!finite && f.w < 3 + sign);
    const std::string shown(t);
    FUZZ_CHECK(all_stars(t) == stars_due, "E%d.%d of %.17g: '%s'", f.w, f.d, x, shown.c_str());
    if (stars_due) return;
    std::string_view rest;
    FUZZ_CHECK(strip_leading(t, rest), "E%d.%d of %.17g: '%s'", f.w, f.d, x, shown.c_str());
    if (!finite) {
        const char* word = std::isnan(x) ? "NAN" : x < 0 ? "-INF" : "INF";
        FUZZ_CHECK(rest == word, "E%d.%d of %.17g: '%s'", f.w, f.d, x, shown.c_str());
        return;
    }
    // [-][0].<d digits>E<sign><2 digits>, or <sign><3 digits> without the E.
    std::string body(rest);
    std::size_t k = body[0] == '-' ? 1 : 0;
    if (k < body.size() && body[k] == '0') ++k;
    bool ok = k < body.size() && body[k] == '.';
    ++k;
    for (int i = 0; ok && i < f.d; ++i, ++k) ok = k < body.size() && body[k] >= '0' && body[k] <= '9';
    if (ok) {
        const std::string_view tail = std::string_view(body).substr(std::min(k, body.size()));
        auto digits_at = [&](std::size_t from) {
            return tail.size() > from && tail.substr(from).find_first_not_of("0123456789") == std::string_view::npos;
        };
        if (tail.size() == 4 && tail[0] == 'E' && (tail[1] == '+' || tail[1] == '-') && digits_at(2)) {
        } else if (tail.size() == 4 && (tail[0] == '+' || tail[0] == '-') && digits_at(1)) {
            body.insert(k, "E");
        } else {
            ok = false;
        }
    }
    FUZZ_CHECK(ok && (x < 0) == (body[0] == '-'), "E%d.%d of %.17g: '%s'", f.w, f.d, x, shown.c_str());
    const double back = std::strtod(body.c_str(), nullptr);
    const double tol = std::fabs(x) * 5.000001 * std::pow(10.0, -f.d) + std::fabs(x) * 0x1p-51 + 1e-323;
    FUZZ_CHECK(std::fabs(back - x) <= tol, "E%d.%d of %.17g: '%s' reads back as %.17g", f.w, f.d, x, shown.c_str(),
               back);
}

void check_file(const Expected& e, const std::string& got) {
    FUZZ_CHECK(got.size() == e.file.size(), "%zu bytes written, %zu expected", got.size(), e.file.size());
    std::vector<bool> numeric(got.size(), false);
    for (const Span& s : e.spans) {
        for (int i = 0; i < s.field.w; ++i) numeric[s.pos + static_cast<std::size_t>(i)] = true;
        const std::string_view t = std::string_view(got).substr(s.pos, static_cast<std::size_t>(s.field.w));
        if (s.field.op == FieldOp::Int)
            check_int(t, s.field, s.value.i);
        else if (s.field.op == FieldOp::Fixed)
            check_fixed(t, s.field, s.value.x);
        else
            check_exp(t, s.field, s.value.x);
    }
    for (std::size_t i = 0; i < got.size(); ++i)
        if (!numeric[i])
            FUZZ_CHECK(got[i] == e.file[i], "byte %zu is 0x%02x, expected 0x%02x", i, static_cast<unsigned char>(got[i]),
                       static_cast<unsigned char>(e.file[i]));
}

// ------------------------------------------------------------------ list sanity

void check_list(const fields::FieldList& list, const char* text, std::size_t len) {
    FUZZ_CHECK(list.count >= 0 && list.count <= fields::FieldList::kCapacity, "count %d", list.count);
    bool data = false;
    for (int k = 0; k < list.count; ++k) {
        const fields::Field& f = list.fields[k];
        data = data || fields::is_data_field(f.op);
        FUZZ_CHECK(f.repeat >= 1 && f.repeat <= 1000, "field %d: repeat %d", k, f.repeat);
        FUZZ_CHECK(f.w >= 0 && f.w <= 1000 && f.d >= 0 && f.d <= 1000, "field %d: w %d d %d", k, f.w, f.d);
        if (f.op == FieldOp::Int || f.op == FieldOp::Fixed || f.op == FieldOp::Exp || f.op == FieldOp::CharsWidth)
            FUZZ_CHECK(f.w >= 1, "field %d: width %d", k, f.w);
        if (f.op == FieldOp::Text)
            FUZZ_CHECK(f.text.data() >= text && f.text.data() + f.text.size() <= text + len,
                       "field %d: text outside the list", k);
    }
    FUZZ_CHECK(data == list.has_data, "has_data %d, data fields %d", list.has_data, data);
}

}  // namespace
}  // namespace zeplo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zeplo::fuzz;
    namespace rec = zeplo::rec;
    namespace fields = zeplo::fields;
    if (size < 2) return -1;
    rec::reset();
    const bool matching = data[0] & 0x80;
    const int count = data[0] & 15;
    const int offset = data[1];
    const std::size_t len = size - 2;
    const std::unique_ptr<char[]> text(new char[len + 1]);
    std::memcpy(text.get(), data + 2, len);
    text[len] = '\0';

    fields::FieldList list;
    try {
        fields::parse_field_list(text.get(), list);
    } catch (const fields::FieldError& e) {
        FUZZ_CHECK(e.n == 100, "parse failed with %d", e.n);
        // The statement with that list ends the run with the same error.
        int fatal = 0;
        rec::open_unit(kOut, scratch().file("written"), "unknown");
        try {
            rec::write_fmt_values(kOut, text.get(), nullptr, 0);
        } catch (const FatalError& f) {
            fatal = f.n;
        }
        rec::reset();
        FUZZ_CHECK(fatal == 100, "a statement with the list ended with %d", fatal);
        return 0;
    }
    check_list(list, text.get(), std::strlen(text.get()));

    std::vector<rec::OutValue> values;
    if (matching && list.has_data) {
        for (int k = 0; static_cast<int>(values.size()) < count; k = (k + 1) % list.count) {
            const fields::Field& f = list.fields[k];
            if (!fields::is_data_field(f.op)) continue;
            for (int r = 0; r < f.repeat && static_cast<int>(values.size()) < count; ++r) {
                const int i = offset + static_cast<int>(values.size());
                values.push_back(f.op == fields::FieldOp::Int   ? int_value(i)
                                 : f.op == fields::FieldOp::Fixed || f.op == fields::FieldOp::Exp ? real_value(i)
                                                                                            : text_value(i));
            }
        }
    } else {
        for (int k = 0; k < count; ++k) {
            const int i = offset + 5 * k;
            values.push_back(i % 3 == 0 ? int_value(i / 3) : i % 3 == 1 ? real_value(i / 3) : text_value(i / 3));
        }
    }

    const Expected want = expect(list, values);
    const std::string path = scratch().file("written");
    rec::open_unit(kOut, path, "unknown");
    int fatal = 0;
    try {
        rec::write_fmt_values(kOut, text.get(), values.data(), static_cast<int>(values.size()));
    } catch (const FatalError& e) {
        fatal = e.n;
    }
    rec::reset();
    FUZZ_CHECK(fatal == want.fatal, "write ended with %d, expected %d", fatal, want.fatal);
    check_file(want, read_file(path));
    return 0;
}
