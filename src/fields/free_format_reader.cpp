// Free-format input: values separated by blanks, tabs, line ends or a comma;
// null values, a slash that ends the statement, repeat counts r*v and r*.
#include <climits>
#include <cmath>

#include "free_format_reader.hpp"

#include "field_error.hpp"
#include "mantissa.hpp"
#include "plain_list_line.hpp"

namespace zeplo::fields {
namespace {

bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_sign(int c) { return c == '+' || c == '-'; }
bool is_exponent_letter(int c) { return c == 'e' || c == 'E' || c == 'd' || c == 'D'; }

[[noreturn]] void fail(int n, const char* context) { throw FieldError{n, context}; }

// Ends the statement at the end of the data: a failed read is told with the
// system's error number, the end of the data as end of file.
[[noreturn]] void data_ended(const CharSource& src, const char* context) {
    fail(src.error() ? src.error() : kEof, context);
}

// The state of one free-format read statement.
class ListReader {
public:
    explicit ListReader(CharSource& src) : u_(src) {}

    // Reads one value into `v` (unless the statement was ended by a slash).
    // Returns false when the data ended while a value was sought.
    bool next(const InVar& v);

    bool quit() const { return quit_; }

private:
    int get() { return u_.get(); }
    void unget(int c) { u_.unget(c); }
    void parse_value(bool integer);
    void assign(const InVar& v) const;

    CharSource& u_;
    int repeat_ = 0;       // copies of the current value (or null values) still to hand out
    bool have_value_ = false;
    double value_ = 0.0;
    bool quit_ = false;
};

bool ListReader::next(const InVar& v) {
    if (u_.at_end()) return false;
    if (repeat_ == 0) {
        have_value_ = false;
        for (;;) {
            const int c = get();
            if (c == kEof) return false;
            if (c == ' ' || c == '\t' || c == '\n') continue;
            if (c == '/') {
                quit_ = true;
                return true;
            }
            if (c == ',') {  // a null value: the variable keeps its value
                repeat_ = 1;
                goto done;
            }
            unget(c);
            break;
        }
    }
    parse_value(v.kind == InVar::Kind::Int);
    {
        // Blanks after the value, and one comma, belong to it.
        int c;
        while ((c = get()) == ' ' || c == '\t') {
        }
        if (c != ',' || repeat_ > 1) unget(c);
    }
done:
    if (u_.error()) data_ended(u_, "list in");
    if (have_value_) assign(v);
    if (repeat_ > 0) --repeat_;
    return true;
}

void ListReader::parse_value(bool integer) {
    if (repeat_ > 0) return;  // another copy of the value already read
    repeat_ = 1;
    have_value_ = false;
    bool after_star = false;
    int c;
retry:
    Mantissa m;
    bool negative = false;
    int havenum = 0;
    c = get();
    if (c == '-' || c == '+') {
        negative = c == '-';
        c = get();
    }
    while (c == '0') {
        ++havenum;
        c = get();
    }
    while (is_digit(c)) {
        m.add(c);
        c = get();
    }
    if (c == '*' && !after_star) {
        if (m.count == 0 || m.exp != 0 || negative) fail(112, "bad repetition count");
        long count = 0;
        for (int k = 0; k < m.count && count <= INT_MAX; ++k) count = count * 10 + (m.digits[k] - '0');
        repeat_ = count > INT_MAX ? INT_MAX : static_cast<int>(count);
        after_star = true;
        goto retry;
    }
    if (c == '.') {
        if (integer) fail(115, "invalid integer");
        c = get();
        if (m.count == 0) {
            while (c == '0') {
                ++havenum;
                --m.exp;
                c = get();
            }
        }
        while (is_digit(c)) {
            m.add_fraction(c);
            c = get();
        }
    }
    havenum += m.count;
    if (is_sign(c) || (havenum && is_exponent_letter(c))) {
        // An integer takes only a sign and digits: a following sign would start
        // an exponent.
        if (integer && havenum) fail(115, "invalid integer");
        bool exp_negative = false;
        if (!is_sign(c)) c = get();
        if (is_sign(c)) {
            exp_negative = c == '-';
            c = get();
        }
        if (!is_digit(c)) fail(112, "exponent field");
        long e = c - '0';
        while (is_digit(c = get())) {
            e = 10 * e + (c - '0');
            if (e > kMaxExponent) fail(112, "exponent field");
        }
        m.exp += exp_negative ? -e : e;
    }
    unget(c);
    if (m.count > 0) {
        m.trim();
        value_ = decimal_value(m.digits, m.count, m.exp, negative);
    } else {
        value_ = 0.0;
    }
    if (havenum) {
        have_value_ = true;
        return;
    }
    // No digits: a null value where a separator follows, else no number at all.
    if (c == ',' || c == '/') return;
    if (after_star && (c == ' ' || c == '\t' || c == '\n')) return;
    fail(112, "invalid number");
}

void ListReader::assign(const InVar& v) const {
    switch (v.kind) {
        case InVar::Kind::Int: {
            // The digits are converted as a real number and then truncated; a
            // value outside the integer range becomes the most negative integer.
            int out = INT_MIN;
            if (value_ >= -2147483648.0 && value_ < 2147483648.0) out = static_cast<int>(value_);
            *static_cast<int*>(v.p) = out;
            break;
        }
        case InVar::Kind::Real:
            *static_cast<float*>(v.p) = static_cast<float>(value_);
            break;
        case InVar::Kind::Text:
            break;  // not read in free format
    }
}

}  // namespace

bool read_list(CharSource& u, const InVar* vars, int count, bool has_end_branch) {
    if (u.at_end()) {
        if (u.error()) data_ended(u, "read start");
        if (has_end_branch) return false;
        data_ended(u, "read start");
    }
    if (read_plain_line(u, vars, count)) return true;
    ListReader reader(u);
    for (int k = 0; k < count && !reader.quit(); ++k) {
        if (!reader.next(vars[k])) {
            if (u.error()) data_ended(u, "list in");
            if (has_end_branch) return false;
            data_ended(u, "list in");
        }
    }
    // The rest of the last line read is skipped. Meeting the end of the data
    // here does not take anything away from the statement: its values are
    // complete, and the next read meets the end.
    if (!u.at_end()) {
        int c;
        while ((c = u.get()) != '\n' && c != kEof) {
        }
    }
    return true;
}

}  // namespace zeplo::fields
