// Output, byte for byte: free-format values and lines, and the F8.4, F8.3 and
// E12.4 fields and real lists of the program's files, written through our
// statements and through libf2c's, each side to its own file.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "differential.hpp"
#include "libf2c_side.h"
#include "statements.hpp"
#include "records.hpp"

namespace zeplo::diff {
namespace {

constexpr int kOutUnit = 9;

// ---------------------------------------------------------------- values

float bits_to_float(std::uint32_t b) {
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

double bits_to_double(std::uint64_t b) {
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

// Significant digits of the exact decimal value of x (finite, non-zero).
int significant_digits(double x) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%.60e", std::fabs(x));
    std::string m;
    for (const char* p = buf; *p && *p != 'e'; ++p)
        if (*p != '.') m += *p;
    while (!m.empty() && m.back() == '0') m.pop_back();
    return static_cast<int>(m.size());
}

// Floats whose exact value has `digits` significant digits ending in 5: exact
// ties when rounded to digits - 1 digits.
void add_dyadic_ties(std::vector<float>& v, int digits, int count, std::mt19937_64& rng) {
    std::uniform_int_distribution<int> kdist(1, 30);
    std::uniform_real_distribution<double> ldist(0.0, std::log(16777215.0));
    int found = 0;
    for (int tries = 0; found < count && tries < 4000000; ++tries) {
        const int k = kdist(rng);
        long n = static_cast<long>(std::exp(ldist(rng)));
        n |= 1;
        const double x = std::ldexp(static_cast<double>(n), -k);
        if (significant_digits(x) != digits) continue;
        const float f = static_cast<float>(x);
        if (static_cast<double>(f) != x) continue;
        v.push_back((rng() & 1) ? -f : f);
        ++found;
    }
}

std::vector<float> float_values() {
    std::mt19937_64 rng(20240611);
    std::vector<float> v;
    const float inf = std::numeric_limits<float>::infinity();
    auto both = [&](float x) {
        v.push_back(x);
        v.push_back(-x);
    };
    auto around = [&](float x, int k) {
        both(x);
        float up = x;
        float down = x;
        for (int i = 0; i < k; ++i) {
            up = std::nextafter(up, inf);
            down = std::nextafter(down, -inf);
            both(up);
            both(down);
        }
    };

    // Zeros, infinities, not-a-number of both signs, the extremes.
    v.push_back(0.0f);
    v.push_back(-0.0f);
    both(inf);
    v.push_back(std::numeric_limits<float>::quiet_NaN());
    v.push_back(-std::numeric_limits<float>::quiet_NaN());
    v.push_back(bits_to_float(0x7f800001u));
    v.push_back(bits_to_float(0xffc00001u));
    v.push_back(bits_to_float(0x7fffffffu));
    around(FLT_MAX, 3);
    around(FLT_MIN, 3);
    around(std::numeric_limits<float>::denorm_min(), 3);
    around(std::nextafter(FLT_MIN, 0.0f), 3);  // the largest subnormal

    // Powers of ten and their neighbours.
    for (int e = -45; e <= 38; ++e) {
        char text[16];
        std::snprintf(text, sizeof text, "1e%d", e);
        const float x = std::strtof(text, nullptr);
        if (x != 0 && std::isfinite(x)) around(x, 3);
    }
    // Powers of two.
    for (int e = -149; e <= 127; ++e) both(std::ldexp(1.0f, e));

    // Where F8.4, F8.3 and E12.4 round up to one more digit or overflow, and
    // where the lead zero meets its limits.
    for (const float c : {0.00005f, 0.0005f, 0.005f, 0.05f, 0.5f, 0.99995f, 0.9995f, 0.999995f, 9.99995f,
                          9.9995f, 99.99995f, 99.9995f, 99.99999f, 100.0f, 999.99995f, 999.9995f, 999.995f,
                          1000.0f, 9999.9995f, 9999.995f, 10000.0f, 99999.995f, 100000.0f, 99999.5f,
                          999999.5f, 9999999.5f, 99999995.0f, 999999950.0f, 0.000099995f, 0.00099995f,
                          1.0f, 10.0f, 123.45678f, 1234.5f, 2048.1f, 12345.678f, 0.000123456f, 9.99996f})
        around(c, 20);

    // Exact ties: n/32 at the 4th decimal (F8.4), n/16 at the 3rd (F8.3),
    // 5 significant digits (E12.4) and 10 significant digits ("%.9G").
    std::uniform_int_distribution<int> odd32(0, 1100 * 16);
    std::uniform_int_distribution<int> odd16(0, 11000 * 8);
    for (int i = 0; i < 2000; ++i) {
        const float a = static_cast<float>(2 * odd32(rng) + 1) / 32.0f;
        const float b = static_cast<float>(2 * odd16(rng) + 1) / 16.0f;
        v.push_back((i & 1) ? -a : a);
        v.push_back((i & 2) ? -b : b);
    }
    add_dyadic_ties(v, 5, 2000, rng);
    add_dyadic_ties(v, 10, 2000, rng);

    // Decimal texts that round at the 4th, 5th or 9th/10th digit.
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<int> exp10(-12, 12);
    for (int i = 0; i < 3000; ++i) {
        const int sig = (i % 3 == 0) ? 5 : (i % 3 == 1) ? 10 : 9;
        std::string t = std::to_string(1 + digit(rng) % 9) + ".";
        for (int d = 1; d < sig - 1; ++d) t += static_cast<char>('0' + digit(rng));
        t += (i & 4) ? "5" : (i & 8) ? "49999" : "50001";
        t += "e" + std::to_string(exp10(rng));
        const float x = std::strtof(t.c_str(), nullptr);
        v.push_back((i & 1) ? -x : x);
    }

    // Random: any bit pattern, the F fields' working ranges, wide magnitudes,
    // subnormals.
    std::uniform_int_distribution<std::uint32_t> bits;
    for (int i = 0; i < 12000; ++i) v.push_back(bits_to_float(bits(rng)));
    std::uniform_real_distribution<float> f84(-1100.0f, 1100.0f);
    for (int i = 0; i < 8000; ++i) v.push_back(f84(rng));
    std::uniform_real_distribution<float> f83(-11000.0f, 11000.0f);
    for (int i = 0; i < 4000; ++i) v.push_back(f83(rng));
    std::uniform_real_distribution<double> logmag(std::log(1e-7), std::log(1e10));
    for (int i = 0; i < 6000; ++i) {
        const float x = static_cast<float>(std::exp(logmag(rng)));
        v.push_back((i & 1) ? -x : x);
    }
    std::uniform_int_distribution<std::uint32_t> sub(1u, 0x007fffffu);
    for (int i = 0; i < 500; ++i) v.push_back(bits_to_float(sub(rng) | ((i & 1) ? 0x80000000u : 0u)));
    return v;
}

std::vector<double> double_values() {
    std::mt19937_64 rng(777);
    std::vector<double> v = {0.0,
                             -0.0,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(),
                             -std::numeric_limits<double>::quiet_NaN(),
                             DBL_MAX,
                             -DBL_MAX,
                             DBL_MIN,
                             -DBL_MIN,
                             std::numeric_limits<double>::denorm_min(),
                             0.01,
                             0.1,
                             1.0 / 3.0,
                             2.0 / 3.0,
                             1e100,
                             -1e-100};
    for (int e = -323; e <= 308; ++e) {
        char text[16];
        std::snprintf(text, sizeof text, "1e%d", e);
        const double x = std::strtod(text, nullptr);
        v.push_back(x);
        v.push_back(-std::nextafter(x, 0.0));
    }
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 2000; ++i) {
        const double x = bits_to_double(bits(rng));
        if (std::isfinite(x)) v.push_back(x);
    }
    std::uniform_real_distribution<double> wide(-20000.0, 20000.0);
    for (int i = 0; i < 1000; ++i) v.push_back(wide(rng));
    return v;
}

std::vector<int> int_values() {
    std::mt19937_64 rng(99);
    std::vector<int> v = {INT_MIN, INT_MAX, 0, 1, -1, INT_MIN + 1, INT_MAX - 1};
    for (long p = 1; p <= 1000000000L; p *= 10)
        for (const long d : {-1L, 0L, 1L}) {
            v.push_back(static_cast<int>(p + d));
            v.push_back(static_cast<int>(-(p + d)));
        }
    std::uniform_int_distribution<int> any(INT_MIN, INT_MAX);
    std::uniform_int_distribution<int> small(-100000, 100000);
    for (int i = 0; i < 3000; ++i) v.push_back(any(rng));
    for (int i = 0; i < 2000; ++i) v.push_back(small(rng));
    return v;
}

// ---------------------------------------------------------------- statements

struct Item {
    char kind;  // 'i' int, 'r' float, 'd' double, 't' text
    int i = 0;
    double x = 0;
    std::string s;
};

Item int_item(int v) { return {'i', v, 0, {}}; }
Item real_item(float v) { return {'r', 0, static_cast<double>(v), {}}; }
Item double_item(double v) { return {'d', 0, v, {}}; }
Item text_item(std::string s) { return {'t', 0, 0, std::move(s)}; }

struct Statement {
    const char* field_list = nullptr;  // nullptr: free format
    std::vector<Item> items;
};

// Writes every statement through our layer (to one file) and through libf2c
// (to another); with markers, a record "#" follows each statement on both sides.
void write_both(const std::vector<Statement>& statements, bool markers, std::string& ours, std::string& theirs) {
    const std::string our_path = work_path("out-ours.txt");
    const std::string their_path = work_path("out-libf2c.txt");

    std::remove(our_path.c_str());
    std::remove(their_path.c_str());
    rec::open_unit(kOutUnit, our_path, "unknown");
    std::vector<rec::OutValue> values;
    for (const Statement& st : statements) {
        values.clear();
        for (const Item& it : st.items) {
            switch (it.kind) {
                case 'i':
                    values.push_back(rec::out_value(it.i));
                    break;
                case 'r':
                    values.push_back(rec::out_value(static_cast<float>(it.x)));
                    break;
                case 'd':
                    values.push_back(rec::out_value(it.x));
                    break;
                default:
                    values.push_back(rec::out_value(std::string_view(it.s)));
            }
        }
        if (st.field_list)
            rec::write_fmt_values(kOutUnit, st.field_list, values.data(), static_cast<int>(values.size()));
        else
            rec::write_list_values(kOutUnit, values.data(), static_cast<int>(values.size()));
        if (markers) rec::write_fmt(kOutUnit, "('#')");
    }
    rec::close_unit(kOutUnit);

    lf_open(kOutUnit, their_path.c_str(), static_cast<int>(their_path.size()), "unknown");
    for (const Statement& st : statements) {
        if (st.field_list)
            lf_fmt_write_begin(kOutUnit, st.field_list);
        else
            lf_list_write_begin(kOutUnit);
        for (const Item& it : st.items) {
            switch (it.kind) {
                case 'i':
                    lf_list_write_int(it.i);
                    break;
                case 'r':
                    if (st.field_list)
                        lf_fmt_write_real(static_cast<float>(it.x));
                    else
                        lf_list_write_real(static_cast<float>(it.x));
                    break;
                case 'd':
                    if (st.field_list)
                        lf_fmt_write_double(it.x);
                    else
                        lf_list_write_double(it.x);
                    break;
                default:
                    lf_list_write_text(it.s.data(), static_cast<int>(it.s.size()));
            }
        }
        if (st.field_list)
            lf_fmt_write_end();
        else
            lf_list_write_end();
        if (markers) {
            lf_fmt_write_begin(kOutUnit, "('#')");
            lf_fmt_write_end();
        }
    }
    lf_close(kOutUnit);

    ours = read_file(our_path);
    theirs = read_file(their_path);
}

// Splits a file into the records of each statement.
std::vector<std::vector<std::string>> groups(const std::string& text, bool markers, std::size_t statements) {
    std::vector<std::vector<std::string>> out;
    const std::vector<std::string> lines = test::lines_of(text);
    if (!markers) {
        for (const std::string& l : lines) out.push_back({l});
        return out;
    }
    out.emplace_back();
    for (const std::string& l : lines) {
        if (l == "#")
            out.emplace_back();
        else
            out.back().push_back(l);
    }
    if (out.size() == statements + 1 && out.back().empty()) out.pop_back();
    return out;
}

std::string describe_items(const Statement& st) {
    std::string s = st.field_list ? std::string(st.field_list) + " " : std::string("free format ");
    for (const Item& it : st.items) {
        char b[80];
        switch (it.kind) {
            case 'i':
                std::snprintf(b, sizeof b, "int %d; ", it.i);
                break;
            case 'r': {
                const float f = static_cast<float>(it.x);
                std::uint32_t bits;
                std::memcpy(&bits, &f, sizeof bits);
                std::snprintf(b, sizeof b, "real %.9g [%08X]; ", it.x, bits);
                break;
            }
            case 'd':
                std::snprintf(b, sizeof b, "double %.17g; ", it.x);
                break;
            default:
                std::snprintf(b, sizeof b, "text of %zu; ", it.s.size());
        }
        s += b;
    }
    return s;
}

using LineMap = std::function<std::string(const Statement&, const std::string&)>;

// Compares the two files statement by statement. `lead_zero` maps one of our
// records to libf2c's form without the leading zero (or nullptr where the
// category has no value below 1).
Tally compare_output(const std::string& name, const std::vector<Statement>& statements, bool markers,
                     const LineMap& lead_zero) {
    std::string ours;
    std::string theirs;
    write_both(statements, markers, ours, theirs);
    std::vector<Accepted> reasons;
    if (lead_zero) reasons.push_back(Accepted::LeadZero);
    Tally t(name, reasons);
    const auto og = groups(ours, markers, statements.size());
    const auto tg = groups(theirs, markers, statements.size());
    if (og.size() != statements.size() || tg.size() != statements.size()) {
        t.differ("record counts: ours " + std::to_string(og.size()) + ", libf2c " + std::to_string(tg.size()) +
                 ", statements " + std::to_string(statements.size()));
    }
    const std::size_t n = std::min({og.size(), tg.size(), statements.size()});
    for (std::size_t k = 0; k < n; ++k) {
        ++t.compared;
        if (og[k] == tg[k]) continue;
        bool accepted = false;
        if (lead_zero && og[k].size() == tg[k].size()) {
            accepted = true;
            for (std::size_t l = 0; l < og[k].size(); ++l)
                if (lead_zero(statements[k], og[k][l]) != tg[k][l]) accepted = false;
        }
        std::string e = describe_items(statements[k]) + " ours:";
        for (const std::string& l : og[k]) e += " [" + show(l) + "]";
        e += " libf2c:";
        for (const std::string& l : tg[k]) e += " [" + show(l) + "]";
        if (accepted)
            t.accept(Accepted::LeadZero, e);
        else
            t.differ(e);
    }
    return t;
}

// Our record of a field list whose fields are `widths` wide, field by field
// without the leading zero.
LineMap fields_without_lead_zero(std::vector<int> widths) {
    return [widths](const Statement&, const std::string& line) {
        std::string out;
        std::size_t at = 0;
        for (const int w : widths) {
            if (at >= line.size()) break;
            out += without_lead_zero_field(line.substr(at, static_cast<std::size_t>(w)));
            at += static_cast<std::size_t>(w);
        }
        out += line.substr(std::min(at, line.size()));
        return out;
    };
}

long g_values_compared = 0;

void check(const Tally& t, long values) {
    g_values_compared += values;
    t.print();
    std::string all;
    for (const std::string& e : t.examples) all += "\n  " + e;
    EXPECT_EQ(t.differing, 0) << t.summary() << all;
}

class OutputAgainstLibf2c : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        floats_ = new std::vector<float>(float_values());
        doubles_ = new std::vector<double>(double_values());
        ints_ = new std::vector<int>(int_values());
    }
    static void TearDownTestSuite() {
        delete floats_;
        delete doubles_;
        delete ints_;
        std::printf("output values compared in all: %ld\n", g_values_compared);
    }
    static std::vector<float>* floats_;
    static std::vector<double>* doubles_;
    static std::vector<int>* ints_;
};
std::vector<float>* OutputAgainstLibf2c::floats_ = nullptr;
std::vector<double>* OutputAgainstLibf2c::doubles_ = nullptr;
std::vector<int>* OutputAgainstLibf2c::ints_ = nullptr;

TEST_F(OutputAgainstLibf2c, FreeFormatSingleValues) {
    std::vector<Statement> reals;
    for (const float x : *floats_) reals.push_back({nullptr, {real_item(x)}});
    const LineMap free_map = [](const Statement&, const std::string& l) { return without_lead_zero_free(l); };
    check(compare_output("free-format reals (single precision, one a statement)", reals, false, free_map),
          static_cast<long>(reals.size()));

    std::vector<Statement> doubles;
    for (const double x : *doubles_) doubles.push_back({nullptr, {double_item(x)}});
    check(compare_output("free-format reals (double precision, one a statement)", doubles, false, free_map),
          static_cast<long>(doubles.size()));

    std::vector<Statement> ints;
    for (const int x : *ints_) ints.push_back({nullptr, {int_item(x)}});
    check(compare_output("free-format integers (one a statement)", ints, false, nullptr),
          static_cast<long>(ints.size()));
}

TEST_F(OutputAgainstLibf2c, FreeFormatLinesOfSeveralValues) {
    // Values of at least 1 in magnitude (or zero, or not finite), integers and
    // character values, so that no value below 1 is involved.
    std::mt19937_64 rng(4242);
    std::vector<float> big;
    for (const float x : *floats_)
        if (!(std::fabs(x) < 1.0f) || x == 0.0f) big.push_back(x);
    std::uniform_int_distribution<std::size_t> pick_f(0, big.size() - 1);
    std::uniform_int_distribution<std::size_t> pick_i(0, ints_->size() - 1);
    std::uniform_int_distribution<int> count(0, 16);
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> short_len(0, 24);
    std::uniform_int_distribution<int> long_len(60, 95);
    std::uniform_int_distribution<int> printable(32, 126);
    std::uniform_real_distribution<double> dbl(1.0, 1e12);

    std::vector<Statement> statements;
    long values = 0;
    statements.push_back({nullptr, {}});  // no values: an empty line
    statements.push_back({nullptr, {text_item("NT and DT="), int_item(1024), real_item(100.0f)}});
    statements.push_back({nullptr, {text_item(" IF1,NF="), int_item(1), int_item(2049)}});
    for (int s = 0; s < 4000; ++s) {
        Statement st;
        const int n = count(rng);
        for (int k = 0; k < n; ++k) {
            const int c = kind(rng);
            if (c < 4) {
                st.items.push_back(real_item(big[pick_f(rng)]));
            } else if (c < 7) {
                st.items.push_back(int_item((*ints_)[pick_i(rng)]));
            } else if (c < 8) {
                st.items.push_back(double_item((rng() & 1) ? -dbl(rng) : dbl(rng)));
            } else {
                const int len = (c == 9 && (rng() & 3) == 0) ? long_len(rng) : short_len(rng);
                std::string text;
                for (int j = 0; j < len; ++j) text += static_cast<char>(printable(rng));
                st.items.push_back(text_item(text));
            }
        }
        values += n;
        statements.push_back(std::move(st));
    }
    check(compare_output("free-format lines of several values (80-character rule)", statements, true, nullptr),
          values);
}

TEST_F(OutputAgainstLibf2c, SingleFields) {
    for (const char* list : {"(F8.4)", "(F8.3)", "(E12.4)"}) {
        std::vector<Statement> statements;
        for (const float x : *floats_) statements.push_back({list, {real_item(x)}});
        const int w = list[1] == 'F' ? 8 : 12;
        check(compare_output(std::string(list) + " fields (single precision)", statements, false,
                             fields_without_lead_zero({w})),
              static_cast<long>(statements.size()));
    }
    for (const char* list : {"(F8.4)", "(E12.4)"}) {
        std::vector<Statement> statements;
        for (const double x : *doubles_) statements.push_back({list, {double_item(x)}});
        const int w = list[1] == 'F' ? 8 : 12;
        check(compare_output(std::string(list) + " fields (double precision)", statements, false,
                             fields_without_lead_zero({w})),
              static_cast<long>(statements.size()));
    }
}

TEST_F(OutputAgainstLibf2c, RealListsOfTheProgramsFiles) {
    std::mt19937_64 rng(31337);
    std::uniform_int_distribution<std::size_t> pick(0, floats_->size() - 1);
    struct List {
        const char* text;
        int values;
        std::vector<int> widths;
    };
    for (const List& l : {List{"(F8.4,6E12.4)", 7, {8, 12, 12, 12, 12, 12, 12}},
                          List{"(F8.4,6E12.4)", 4, {8, 12, 12, 12}}, List{"(F8.3,3E12.4)", 2, {8, 12}}}) {
        std::vector<Statement> statements;
        for (int s = 0; s < 4000; ++s) {
            Statement st{l.text, {}};
            for (int k = 0; k < l.values; ++k) st.items.push_back(real_item((*floats_)[pick(rng)]));
            statements.push_back(std::move(st));
        }
        check(compare_output(std::string(l.text) + " with " + std::to_string(l.values) + " values", statements,
                             true, fields_without_lead_zero(l.widths)),
              static_cast<long>(statements.size()) * l.values);
    }
}

TEST_F(OutputAgainstLibf2c, Prompts) {
    const std::vector<Statement> statements = {
        {"(/1X,'Enter Acceleration Data (H1,H2,V1)')", {}},
        {"(/' Enter Soil Data File Name ')", {}},
        {"(1X,'It''s')", {}},
    };
    check(compare_output("prompt records", statements, true, nullptr), 0);
}

}  // namespace
}  // namespace zeplo::diff
