// Fixed-column input: the field readers get_int_field and get_real_field, and
// read_fmt with the soil file's field lists and the console answers' lists.
//
// 1. The input is taken as records (lines) of fields: Iw and Fw.d fields of
//    widths 8 and 10 are read across each record from an in-memory source and
//    checked against an independent description of the field: blanks are
//    ignored; an integer is an optional sign and digits (kept modulo 2^32); a
//    real is an optional sign, digits, an optional point and digits, and an
//    optional exponent (E, D or a sign, then digits), scaled by 10^-d when it
//    has no point; a comma ends a field early, the end of the record ends it
//    without being consumed. A field never reads past its width.
// 2. The input is read as a soil file through a unit: "(F10.0)", "(I10)",
//    "(I10,F10.0)", then "(6F8.0)" until the end, once as it is and once after
//    a blank line long enough that the unit's buffer is refilled inside the
//    input. Each statement must give what the field readers give on its record
//    and consume exactly that record.
// 3. The input is read as console answers: "(A20)", then "(A)" into 30
//    characters until the end.
// In 2 and 3 the expected records are those of the file as a unit hands it on,
// with a carriage return right before a line end taken as part of the line end.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "detail/unit.hpp"
#include "fuzz_support.hpp"
#include "mantissa.hpp"
#include "numeric_fields.hpp"
#include "open_close.hpp"
#include "statements.hpp"
#include "units.hpp"

namespace zeplo::fuzz {
namespace {

constexpr int kUnit = 4;
constexpr std::size_t kBufferSize = static_cast<std::size_t>(rec::detail::Unit::kInputCapacity);
constexpr int kIntSentinel = INT_MIN + 4321;

std::uint32_t bits(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

// The characters of records in memory, as a unit hands them to a field: the
// line end is returned without being consumed, the end of the data is kEof.
struct Mem {
    const unsigned char* p;
    std::size_t len;
    std::size_t pos;
    int calls = 0;
};

int mem_get(void* ctx) {
    Mem& m = *static_cast<Mem*>(ctx);
    ++m.calls;
    if (m.pos >= m.len) return rec::kEof;
    const unsigned char c = m.p[m.pos];
    if (c == '\n') return '\n';
    ++m.pos;
    return c;
}

// ------------------------------------------------------------------ oracle

struct FieldText {
    std::string chars;  // at most w characters, up to the line end
    bool open = false;  // the data ended before w characters and before a line end
};

FieldText field_at(const Mem& m, int w) {
    FieldText f;
    std::size_t i = m.pos;
    while (static_cast<int>(f.chars.size()) < w && i < m.len && m.p[i] != '\n') f.chars += static_cast<char>(m.p[i++]);
    f.open = static_cast<int>(f.chars.size()) < w && i >= m.len;
    return f;
}

struct Expect {
    int status = 0;
    bool either_status = false;  // kEof or 115 both acceptable
    std::size_t consumed = 0;    // meaningful when status is 0
    int ivalue = 0;
    float fvalue = 0.0f;
};

Expect expect_int(const FieldText& f) {
    Expect e;
    const std::size_t comma = f.chars.find(',');
    const std::string body = f.chars.substr(0, comma);
    std::uint32_t x = 0;
    bool negative = false, started = false, valid = true;
    for (const char c : body) {
        if (c == ' ') continue;
        if (!started && (c == '+' || c == '-')) {
            negative = c == '-';
            started = true;
        } else if (c >= '0' && c <= '9') {
            x = x * 10u + static_cast<std::uint32_t>(c - '0');
            started = true;
        } else {
            valid = false;
            break;
        }
    }
    if (!valid) {
        // The rest of the field is consumed before the error is told.
        e.status = f.open ? rec::kEof : 115;
        return e;
    }
    if (comma == std::string::npos && f.open) {
        e.status = rec::kEof;
        return e;
    }
    e.status = 0;
    e.consumed = comma == std::string::npos ? f.chars.size() : comma + 1;
    e.ivalue = static_cast<int>(negative ? 0u - x : x);
    return e;
}

Expect expect_real(const FieldText& f, int d) {
    Expect e;
    const std::size_t comma = f.chars.find(',');
    std::string s;
    for (const char c : f.chars.substr(0, comma))
        if (c != ' ') s += c;
    std::size_t i = 0;
    auto digit = [&](std::size_t k) { return k < s.size() && s[k] >= '0' && s[k] <= '9'; };
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    std::string digits;
    long fraction = 0;
    while (digit(i)) digits += s[i++];
    const bool point = i < s.size() && s[i] == '.';
    if (point) {
        ++i;
        while (digit(i)) {
            digits += s[i++];
            ++fraction;
        }
    }
    bool valid = true;
    long exponent = 0;
    if (i < s.size()) {
        const char c = s[i];
        bool exp_negative = false;
        if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
            ++i;
            if (i < s.size() && (s[i] == '+' || s[i] == '-')) exp_negative = s[i++] == '-';
        } else if (c == '+' || c == '-') {
            exp_negative = c == '-';
            ++i;
        } else {
            valid = false;
        }
        if (valid && !digit(i)) valid = false;
        while (valid && digit(i)) {
            exponent = std::min(exponent * 10 + (s[i++] - '0'), 1000000000L);
        }
        if (valid && i != s.size()) valid = false;
        if (exp_negative) exponent = -exponent;
    }
    const std::size_t first = digits.find_first_not_of('0');
    const bool zero = first == std::string::npos;
    if (valid && !zero && std::labs(exponent) > fields::kMaxExponent) valid = false;
    if (!valid) {
        e.status = 115;
        e.either_status = f.open && comma == std::string::npos;
        return e;
    }
    if (comma == std::string::npos && f.open) {
        e.status = rec::kEof;
        return e;
    }
    e.status = 0;
    e.consumed = comma == std::string::npos ? f.chars.size() : comma + 1;
    if (zero) {
        e.fvalue = 0.0f;
    } else {
        const long scale = exponent - fraction - (point ? 0 : d);
        const std::string text = (negative ? "-" : "") + digits.substr(first) + "e" + std::to_string(scale);
        e.fvalue = static_cast<float>(std::strtod(text.c_str(), nullptr));
    }
    return e;
}

// ------------------------------------------------------------------ 1: fields

enum class Kind { Int, Real };

struct FieldSpec {
    Kind kind;
    int w;
    int d;
};

void check_field(Mem& m, const FieldSpec& f, std::size_t record, int index, int& status) {
    const FieldText text = field_at(m, f.w);
    const Expect e = f.kind == Kind::Int ? expect_int(text) : expect_real(text, f.d);
    const fields::FieldSource src{mem_get, &m};
    const std::size_t start = m.pos;
    m.calls = 0;
    int iv = kIntSentinel;
    float fv = -1.0f;
    status = f.kind == Kind::Int ? fields::get_int_field(src, f.w, iv) : fields::get_real_field(src, f.w, f.d, fv);
    const char letter = f.kind == Kind::Int ? 'I' : 'F';
    FUZZ_CHECK(m.calls <= f.w, "%c%d.%d record %zu field %d: %d characters asked for", letter, f.w, f.d, record, index,
               m.calls);
    FUZZ_CHECK(status == 0 || status == rec::kEof || status == 115, "%c%d.%d: status %d", letter, f.w, f.d, status);
    if (e.either_status)
        FUZZ_CHECK(status == rec::kEof || status == 115, "%c%d.%d record %zu field %d '%s': status %d, expected error",
                   letter, f.w, f.d, record, index, text.chars.c_str(), status);
    else
        FUZZ_CHECK(status == e.status, "%c%d.%d record %zu field %d '%s': status %d, expected %d", letter, f.w, f.d,
                   record, index, text.chars.c_str(), status, e.status);
    if (status != 0) return;
    FUZZ_CHECK(m.pos - start == e.consumed, "%c%d.%d record %zu field %d '%s': consumed %zu, expected %zu", letter, f.w,
               f.d, record, index, text.chars.c_str(), m.pos - start, e.consumed);
    if (f.kind == Kind::Int)
        FUZZ_CHECK(iv == e.ivalue, "I%d record %zu field %d '%s': %d, expected %d", f.w, record, index,
                   text.chars.c_str(), iv, e.ivalue);
    else
        FUZZ_CHECK(bits(fv) == bits(e.fvalue), "F%d.%d record %zu field %d '%s': %a, expected %a", f.w, f.d, record,
                   index, text.chars.c_str(), static_cast<double>(fv), static_cast<double>(e.fvalue));
}

// The file's characters as a unit hands them on: "\r\n" reads as "\n".
std::string as_unit_reads(const std::string& file) {
    std::string out;
    for (std::size_t i = 0; i < file.size(); ++i)
        if (!(file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n')) out += file[i];
    return out;
}

std::size_t next_record(const unsigned char* p, std::size_t len, std::size_t pos) {
    while (pos < len && p[pos] != '\n') ++pos;
    return pos < len ? pos + 1 : len;
}

void fields_across_records(const unsigned char* p, std::size_t len, const FieldSpec& f) {
    std::size_t record = 0;
    for (std::size_t pos = 0; pos < len; ++record) {
        Mem m{p, len, pos};
        for (int k = 0; k < 6; ++k) {
            int status = 0;
            check_field(m, f, record, k, status);
            if (status != 0) break;
        }
        pos = next_record(p, len, m.pos);
    }
}

// ------------------------------------------------------------------ 2: soil statements

struct ListSpec {
    const char* text;
    std::vector<FieldSpec> fields;
};

const ListSpec kAngle{"(F10.0)", {{Kind::Real, 10, 0}}};
const ListSpec kSwitch{"(I10)", {{Kind::Int, 10, 0}}};
const ListSpec kCount{"(I10,F10.0)", {{Kind::Int, 10, 0}, {Kind::Real, 10, 0}}};
const ListSpec kLayer{"(6F8.0)", std::vector<FieldSpec>(6, FieldSpec{Kind::Real, 8, 0})};

struct Outcome {
    bool fatal = false;
    int n = 0;
    int ints[6];
    float reals[6];
};

// What the statement should do on the record at m.pos: the same field readers
// on the record in memory, then the rest of the record skipped.
Outcome emulate(Mem& m, const ListSpec& list) {
    Outcome o;
    std::fill(std::begin(o.ints), std::end(o.ints), kIntSentinel);
    std::fill(std::begin(o.reals), std::end(o.reals), -1.0f);
    const fields::FieldSource src{mem_get, &m};
    for (std::size_t k = 0; k < list.fields.size(); ++k) {
        const FieldSpec& f = list.fields[k];
        const int status = f.kind == Kind::Int ? fields::get_int_field(src, f.w, o.ints[k])
                                               : fields::get_real_field(src, f.w, f.d, o.reals[k]);
        if (status != 0) {
            o.fatal = true;
            o.n = status;
            return o;
        }
    }
    m.pos = next_record(m.p, m.len, m.pos);
    return o;
}

Outcome perform(const ListSpec& list) {
    Outcome o;
    std::fill(std::begin(o.ints), std::end(o.ints), kIntSentinel);
    std::fill(std::begin(o.reals), std::end(o.reals), -1.0f);
    rec::InVar vars[6];
    for (std::size_t k = 0; k < list.fields.size(); ++k)
        vars[k] = list.fields[k].kind == Kind::Int ? rec::in_var(o.ints[k]) : rec::in_var(o.reals[k]);
    try {
        rec::read_fmt_vars(kUnit, list.text, vars, static_cast<int>(list.fields.size()));
    } catch (const FatalError& e) {
        o.fatal = true;
        o.n = e.n;
    }
    return o;
}

void soil_statements(const std::string& content, std::size_t lines, bool shifted) {
    const std::string path = scratch().file("soil");
    write_file(path, content);
    rec::open_unit(kUnit, path, "OLD");
    const std::string records = as_unit_reads(content);
    Mem m{reinterpret_cast<const unsigned char*>(records.data()), records.size(), 0};
    for (std::size_t k = 0;; ++k) {
        const ListSpec& list = k == 0 ? kAngle : k == 1 ? kSwitch : k == 2 ? kCount : kLayer;
        const Outcome want = emulate(m, list);
        const Outcome got = perform(list);
        FUZZ_CHECK(got.fatal == want.fatal && got.n == want.n, "%s statement %zu %s: fatal %d (%d), expected %d (%d)",
                   shifted ? "shifted" : "plain", k, list.text, got.fatal, got.n, want.fatal, want.n);
        if (got.fatal) break;
        for (int j = 0; j < 6; ++j)
            FUZZ_CHECK(got.ints[j] == want.ints[j] && bits(got.reals[j]) == bits(want.reals[j]),
                       "%s statement %zu %s variable %d: %d %a, expected %d %a", shifted ? "shifted" : "plain", k,
                       list.text, j, got.ints[j], static_cast<double>(got.reals[j]), want.ints[j],
                       static_cast<double>(want.reals[j]));
        FUZZ_CHECK(k <= lines, "%zu statements succeeded on %zu lines", k + 1, lines);
    }
    rec::reset();
}

// ------------------------------------------------------------------ 3: answers

void answer_statements(const std::string& content, std::size_t lines) {
    const std::string path = scratch().file("answers");
    write_file(path, content);
    rec::open_unit(kUnit, path, "old");
    const std::string records = as_unit_reads(content);
    Mem m{reinterpret_cast<const unsigned char*>(records.data()), records.size(), 0};
    for (std::size_t k = 0;; ++k) {
        const int len = k == 0 ? 20 : 30;
        char want[30], got[30];
        std::memset(want, 0, sizeof want);
        std::memset(got, 0, sizeof got);
        bool want_end = false;
        for (int i = 0; i < len; ++i) {
            const int c = mem_get(&m);
            if (c == rec::kEof) {
                want_end = true;
                break;
            }
            want[i] = c == '\n' ? ' ' : static_cast<char>(c);
        }
        if (!want_end) m.pos = next_record(m.p, m.len, m.pos);
        bool got_end = false;
        try {
            rec::read_fmt(kUnit, k == 0 ? "(A20)" : "(A)", rec::CharVar{got, len});
        } catch (const FatalError& e) {
            FUZZ_CHECK(e.n == rec::kEof, "answer %zu: fatal %d", k, e.n);
            got_end = true;
        }
        FUZZ_CHECK(got_end == want_end, "answer %zu: end %d, expected %d", k, got_end, want_end);
        if (got_end) break;
        FUZZ_CHECK(std::memcmp(got, want, sizeof got) == 0, "answer %zu: '%.30s', expected '%.30s'", k, got, want);
        FUZZ_CHECK(k <= lines, "%zu answers read from %zu lines", k + 1, lines);
    }
    rec::reset();
}

}  // namespace
}  // namespace zeplo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zeplo::fuzz;
    zeplo::rec::reset();
    for (const FieldSpec& f : {FieldSpec{Kind::Int, 10, 0}, FieldSpec{Kind::Int, 8, 0}, FieldSpec{Kind::Real, 10, 0},
                               FieldSpec{Kind::Real, 8, 0}, FieldSpec{Kind::Real, 8, 2}, FieldSpec{Kind::Real, 10, 5}})
        fields_across_records(data, size, f);

    const std::string content(reinterpret_cast<const char*>(data), size);
    const std::size_t lines = static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n')) + 1;
    soil_statements(content, lines, false);
    // A blank record read by the first statement, then the input with the
    // buffer boundary in its middle.
    const std::size_t into = std::min<std::size_t>(size / 2, 4000);
    std::string shifted(kBufferSize - into - 1, ' ');
    shifted += '\n';
    // The first statement reads the blank record; the input's own first
    // record then goes to "(I10)" and so on, one list later than in the plain
    // pass: still a valid sequence of soil statements.
    shifted += content;
    soil_statements(shifted, lines + 1, true);

    answer_statements(content, lines);
    return 0;
}
