#include "read_cases.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace zeplo::diff {
namespace {

using Rng = std::mt19937_64;

int uniform(Rng& rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
bool chance(Rng& rng, int percent) { return uniform(rng, 0, 99) < percent; }
template <class T, std::size_t N>
const T& one_of(Rng& rng, const T (&items)[N]) {
    return items[static_cast<std::size_t>(uniform(rng, 0, static_cast<int>(N) - 1))];
}

std::string digits(Rng& rng, int n) {
    std::string s;
    for (int k = 0; k < n; ++k) s += static_cast<char>('0' + uniform(rng, 0, 9));
    return s;
}

// ---------------------------------------------------------------- free format

// A number as it may appear in a free-format record.
std::string number(Rng& rng, bool allow_exponent = true) {
    std::string s;
    const int sign = uniform(rng, 0, 9);
    if (sign == 0) s += '-';
    if (sign == 1) s += '+';
    if (chance(rng, 15)) s += std::string(static_cast<std::size_t>(uniform(rng, 1, 45)), '0');
    const int len = chance(rng, 8) ? uniform(rng, 38, 60) : uniform(rng, 0, 9);
    s += digits(rng, len);
    if (chance(rng, 45)) {
        s += '.';
        if (chance(rng, 10)) s += std::string(static_cast<std::size_t>(uniform(rng, 1, 50)), '0');
        s += digits(rng, chance(rng, 8) ? uniform(rng, 38, 60) : uniform(rng, 0, 8));
    }
    if (s.empty() || s == "-" || s == "+") s += digits(rng, uniform(rng, 1, 4));
    if (allow_exponent && chance(rng, 35)) {
        static const char* const letters[] = {"E", "e", "D", "d", "E", "e", "", "", "q", "Q"};
        const std::string letter = one_of(rng, letters);
        s += letter;
        if (letter.empty() || chance(rng, 50)) s += chance(rng, 50) ? '-' : '+';
        const int e = uniform(rng, 0, 20);
        if (e < 14) {
            s += digits(rng, uniform(rng, 1, 2));
        } else if (e < 17) {
            s += std::to_string(uniform(rng, 30, 330));
        } else if (e < 19) {
            s += chance(rng, 50) ? "99999999" : "0000000000045";
        } else if (e < 20) {
            s += "100000000";  // above the largest exponent
        }  // else no digits at all
    }
    return s;
}

std::string word(Rng& rng) {
    static const char* const words[] = {"abc", "T", "x", "NaN", "inf", "e5", "E", ".e5", "+", "-", ".", "+.", "-.",
                                        "..", "1..2", "'a'", "\"q\"", "(1,2)", "#", "$", "=", "TIME", "Header"};
    return one_of(rng, words);
}

std::string token(Rng& rng) {
    const int t = uniform(rng, 0, 99);
    if (t < 55) return number(rng);
    if (t < 62) return std::to_string(uniform(rng, 1, 4)) + "*" + number(rng);  // r*v
    if (t < 65) return std::to_string(uniform(rng, 1, 3)) + "*";                 // r* (null values)
    if (t < 67) {
        static const char* const bad[] = {"0*1", "-2*1", "2.5*1", "*3", "00*2", "+2*7", "3**", "2*-5", "2*,"};
        return one_of(rng, bad);
    }
    if (t < 75) return number(rng) + word(rng);  // characters glued to a number
    if (t < 78) return number(rng) + "/";
    if (t < 83) return "/";
    if (t < 88) return ",";
    if (t < 90) return word(rng);
    if (t < 92) return word(rng) + (chance(rng, 50) ? "/" : ",");
    if (t < 95) return number(rng) + "," + number(rng);
    return number(rng, false) + (chance(rng, 50) ? "+" : "-") + digits(rng, uniform(rng, 0, 3));  // sign-only exponent
}

std::string separator(Rng& rng) {
    static const char* const seps[] = {" ",   " ",  "  ",   ",",  ", ",     " , ", "\t",  " \t ",
                                       "\n",  ",,", "\n\n", "\n   \n", " ,\n", "\r\n", "\t,\t", "     "};
    return one_of(rng, seps);
}

std::string random_free_data(Rng& rng) {
    std::string s;
    if (chance(rng, 10)) s += chance(rng, 50) ? "\n" : "   \n";
    const int n = uniform(rng, 1, 9);
    for (int k = 0; k < n; ++k) {
        if (k > 0 || chance(rng, 20)) s += separator(rng);
        s += token(rng);
    }
    if (chance(rng, 30)) s += separator(rng);
    const int ending = uniform(rng, 0, 9);
    if (ending < 5) {
        s += '\n';
    } else if (ending < 7) {
        // unterminated last line, with or without trailing text
        if (chance(rng, 40)) s += " " + word(rng);
    } else if (ending < 8) {
        s += " \t";
    } else {
        s += "\n" + number(rng) + (chance(rng, 50) ? "\n" : "");
    }
    return s;
}

std::string random_kinds(Rng& rng) {
    const int n = uniform(rng, 1, 4);
    const int mode = uniform(rng, 0, 9);
    std::string k;
    for (int i = 0; i < n; ++i) {
        if (mode < 5)
            k += 'r';
        else if (mode < 8)
            k += 'i';
        else
            k += chance(rng, 50) ? 'r' : 'i';
    }
    return k;
}

ReadCase free_case(std::string data, std::string kinds, bool end_branch, int statements, std::string origin) {
    ReadCase c;
    c.data = std::move(data);
    c.kinds = std::move(kinds);
    c.end_branch = end_branch;
    c.statements = statements;
    c.origin = std::move(origin);
    return c;
}

// ---------------------------------------------------------------- fixed format

std::string pad_left(std::string s, int w) {
    if (static_cast<int>(s.size()) < w) s.insert(0, static_cast<std::size_t>(w) - s.size(), ' ');
    return s;
}

// The text of one integer field (usually w characters, sometimes not).
std::string int_field(Rng& rng, int w) {
    const int t = uniform(rng, 0, 99);
    std::string v;
    if (t < 40) {
        v = (chance(rng, 30) ? "-" : chance(rng, 10) ? "+" : "") + digits(rng, uniform(rng, 1, 9));
        return chance(rng, 20) ? v : pad_left(v, w);
    }
    if (t < 48) return std::string(static_cast<std::size_t>(w), ' ');
    if (t < 56) {  // blanks among the digits
        v = digits(rng, uniform(rng, 1, 3)) + " " + digits(rng, uniform(rng, 1, 3)) + "  " + digits(rng, 1);
        return pad_left(chance(rng, 50) ? "-" + v : v, w);
    }
    if (t < 64) return pad_left(digits(rng, uniform(rng, 1, 4)) + ",", uniform(rng, 1, w));  // comma ends the field
    if (t < 68) return ",";
    if (t < 72) return digits(rng, uniform(rng, 10, 12));  // all of the field, wraps
    if (t < 74) return pad_left("2147483647", w);
    if (t < 76) return pad_left("-2147483648", w);
    if (t < 78) return pad_left("4294967296", w);
    {
        static const char* const bad[] = {"12a", "1.5", "1e3", "\t5", "5\t", "5\r", "--5", "+-5", "- 5", "1+2",
                                          "x",   "5 x", "1d0", "0x1F", "'7'", "1/2", "- ", "+", "-"};
        v = one_of(rng, bad);
        return chance(rng, 50) ? pad_left(v, w) : v;
    }
}

std::string real_text(Rng& rng) {
    const int t = uniform(rng, 0, 99);
    std::string s = (chance(rng, 25) ? "-" : chance(rng, 8) ? "+" : "");
    if (t < 30) return s + digits(rng, uniform(rng, 0, 4)) + "." + digits(rng, uniform(rng, 0, 4));
    if (t < 45) return s + digits(rng, uniform(rng, 1, 6));
    if (t < 65) {
        static const char* const letters[] = {"E", "e", "D", "d", "E+", "e-", "D-", "d+", "+", "-", "E ", "e -"};
        return s + digits(rng, uniform(rng, 1, 2)) + (chance(rng, 60) ? "." + digits(rng, uniform(rng, 0, 2)) : "") +
               one_of(rng, letters) + digits(rng, uniform(rng, 1, 2));
    }
    if (t < 72) return s + digits(rng, 1) + " . " + digits(rng, 1) + " " + digits(rng, 1);  // blanks inside
    if (t < 80) {
        static const char* const edge[] = {"1E999999999", "0E999999999", "1E99999999", "1E-99999999", ".5", "5.",
                                           ".",           "-.",          "+",          "-",           "1e",  "1e+",
                                           "1.5q3",       "1.5Q3",       "1.5-3",      "2.5+2",       "0.0", "-0",
                                           "3.4028236E38", "1.4E-45",   "7E-46",      "1e39",        "0.",  "00000.00001"};
        return one_of(rng, edge);
    }
    if (t < 88) {
        static const char* const bad[] = {"1.5a", "1,5", "1.2.3", "\t1.5", "1.5\t", "1.5\r", "abc", "1.5E+", "1.5E-x",
                                          "--1",  "e5",  "1 e",   "1.5/",  "$5",    "1.5 x", "1ee2", "1+",    "1E+ "};
        return one_of(rng, bad);
    }
    return s + digits(rng, uniform(rng, 1, 3)) + "," + digits(rng, 2);  // comma ends the field
}

std::string real_field(Rng& rng, int w) {
    std::string v = real_text(rng);
    const int t = uniform(rng, 0, 9);
    if (t < 6) return pad_left(v, w);
    if (t < 7) {
        std::string left = v;
        left.resize(std::max<std::size_t>(static_cast<std::size_t>(w), v.size()), ' ');
        return left;
    }
    if (t < 8) return std::string(static_cast<std::size_t>(w), ' ');
    return v;  // as it is: shorter (the next field starts early) or longer (it spills over)
}

std::string char_text(Rng& rng) {
    const int len = uniform(rng, 0, 40);
    std::string s;
    for (int k = 0; k < len; ++k) {
        const int c = uniform(rng, 0, 99);
        s += c < 10 ? ' ' : c < 12 ? '\t' : c < 13 ? '\r' : static_cast<char>(uniform(rng, 33, 126));
    }
    return s;
}

struct FixedList {
    const char* text;
    const char* kinds;
    int char_len;
};

constexpr FixedList kFixedLists[] = {
    {"(I10)", "i", 0},
    {"(F10.0)", "r", 0},
    {"(I10,F10.0)", "ir", 0},
    {"(6F8.0)", "rrrrrr", 0},
    {"(A20)", "c", 20},
    {"(A)", "c", 30},
    // Not the program's variables: A20 into a longer and a shorter one.
    {"(A20)", "c", 30},
    {"(A20)", "c", 12},
};

std::string fixed_record(Rng& rng, const FixedList& l) {
    const std::string list = l.text;
    std::string r;
    if (list == "(I10)") {
        r = int_field(rng, 10);
    } else if (list == "(F10.0)") {
        r = real_field(rng, 10);
    } else if (list == "(I10,F10.0)") {
        r = int_field(rng, 10) + real_field(rng, 10);
    } else if (list == "(6F8.0)") {
        const int n = uniform(rng, 1, 7);
        for (int k = 0; k < n; ++k) r += real_field(rng, 8);
    } else {
        r = char_text(rng);
    }
    if (chance(rng, 10)) r.resize(static_cast<std::size_t>(uniform(rng, 0, static_cast<int>(r.size()))));  // short record
    if (chance(rng, 10)) r += "   trailing text";
    return r;
}

// A fixed-format case reads each record of `data` with one statement, and with
// `past_end` one statement more, which meets the end of the file.
ReadCase fixed_case(const FixedList& l, std::string data, std::string origin, bool past_end = true) {
    ReadCase c;
    c.fixed = true;
    c.field_list = l.text;
    c.kinds = l.kinds;
    c.char_len = l.char_len;
    c.data = std::move(data);
    c.statements = past_end ? 1 : 0;
    for (const char ch : c.data)
        if (ch == '\n') ++c.statements;
    if (!c.data.empty() && c.data.back() != '\n') ++c.statements;
    if (c.statements == 0) c.statements = 1;
    c.origin = std::move(origin);
    return c;
}

// Mantissas whose 40th significant digit decides the float that is read: the
// number just above the midpoint B between the double of a float tie F and the
// double below it, rounded up at its 40th digit. Kept to 40 digits it reads as
// F, which rounds to the even float above; cut to 39 digits it falls below B,
// reads as the double below F and rounds to the float below. Only the numbers
// for which that holds are returned, so each one tells whether a reader keeps
// exactly 40 digits of a mantissa.
std::vector<std::string> fortieth_digit_numbers(int count) {
    std::vector<std::string> out;
    for (std::uint32_t bits = 0x30000000u; bits < 0x4f000000u && static_cast<int>(out.size()) < count;
         bits += 0x0012345u) {
        float f;
        std::memcpy(&f, &bits, sizeof f);
        const float up = std::nextafter(f, 3e38f);
        std::uint32_t upper;
        std::memcpy(&upper, &up, sizeof upper);
        if (upper & 1u) continue;  // the tie must go up
        const double tie = (static_cast<double>(f) + static_cast<double>(up)) / 2;
        const long double below = (static_cast<long double>(tie) + std::nextafter(tie, 0.0)) / 2;
        char buf[128];
        std::snprintf(buf, sizeof buf, "%.70Le", below);
        std::string digits;
        const char* p = buf;
        for (; *p && *p != 'e'; ++p)
            if (*p != '.') digits += *p;
        long exp10 = std::strtol(p + 1, nullptr, 10);
        const bool more = digits.find_first_not_of('0', 40) != std::string::npos;
        digits.resize(40);
        if (!more) continue;
        int k = 39;
        while (k >= 0 && digits[static_cast<std::size_t>(k)] == '9') digits[static_cast<std::size_t>(k--)] = '0';
        if (k < 0) continue;
        ++digits[static_cast<std::size_t>(k)];
        const std::string x = digits.substr(0, 1) + "." + digits.substr(1) + "e" + std::to_string(exp10);
        const std::string x39 = digits.substr(0, 1) + "." + digits.substr(1, 38) + "e" + std::to_string(exp10);
        if (static_cast<float>(std::strtod(x.c_str(), nullptr)) == static_cast<float>(std::strtod(x39.c_str(), nullptr)))
            continue;
        out.push_back(x);
    }
    return out;
}

}  // namespace

std::vector<ReadCase> free_format_read_cases() {
    std::vector<ReadCase> cases;
    // Boundary numbers, each alone on a line, into a real and into an integer.
    const char* const boundary[] = {
        "0", "-0", "+0", "0.", ".0", "-.0", "1", "-1", "2147483647", "2147483648", "-2147483648", "-2147483649",
        "4294967296", "99999999999999999999", "1e38", "3.4028235e38", "3.40282356e38", "3.4028236e38", "1e39",
        "-1e39", "1.17549435e-38", "1.4e-45", "1.401298e-45", "7.006492e-46", "7.0064924e-46", "7e-46", "1e-46",
        "1e-50", "1d308", "1e309", "1e-400", "1e99999999", "1e100000000", "0e100000000", "1e-99999999",
        "0.02,1.5e-3", "0.02 1.5 comment", "1.5-3", "1.5+3", "1.5d-3", "1.5D+3", "2.5E", "2.5E+", "2.5q3", "2.5Q3",
        "12+3", "12-3", "12+", "007", "-007.500", "0000000000000000000000000000000000000000000000001",
        "1234567890123456789012345678901234567890123456789", ".000000000000000000000000000000000000000000000000123",
        "123456789012345678901234567890123456789012345.678e-40", "16777217", "16777216.5", "0.1", "0.3", "8.0",
        "3*2.5", "3*", "2*,7", "0*1", "-2*1", "2.5*1", "99999999999*1", "+2*4", "1/", "/", ",",
        ",5", "5,", "1.5abc", "12abc", "abc", "TIME ACC", "+", "-", ".", "e5", "1.5\r", " \t 1.5 \t ", "1,,2",
        "1 , , 2", "1\t2", "5\n\n\n6", "\n\n7", "+/", "-,", ".,", "+ 1", "2*/", "- /", "+.,"};
    for (const char* b : boundary) {
        for (const char* kinds : {"r", "i", "rr", "ii"}) {
            for (const bool terminated : {true, false}) {
                std::string data = std::string(b) + (terminated ? "\n" : "");
                cases.push_back(free_case(data, kinds, !terminated, 3, std::string("boundary ") + b));
            }
        }
    }
    // Mantissas whose 40th digit counts, written in different ways.
    for (const std::string& m : fortieth_digit_numbers(16)) {
        const std::string plain = m.substr(0, 1) + m.substr(2, m.find('e') - 2);  // the 40 digits, no point
        const long e = std::strtol(m.c_str() + m.find('e') + 1, nullptr, 10) - 39;
        cases.push_back(free_case(m + "\n", "r", false, 1, "40th digit counts"));
        cases.push_back(free_case(m.substr(0, m.find('e')) + "000e" + m.substr(m.find('e') + 1) + "\n", "r", false, 1,
                                  "40th digit counts, trailing zeros"));
        cases.push_back(free_case("000" + plain + "e" + std::to_string(e) + "\n", "r", false, 1,
                                  "40th digit counts, integer digits"));
        cases.push_back(free_case(plain + "7e" + std::to_string(e - 1) + "\n", "r", false, 1,
                                  "41 digits, the 40th counts"));
    }
    // Values split over lines, blank lines, slashes, nulls and repeats.
    cases.push_back(free_case("1\n\n  \n2\n3 4\n", "rrrr", false, 2, "split over lines"));
    cases.push_back(free_case("1 2 / 3\n4\n", "iii", true, 3, "slash"));
    cases.push_back(free_case(",,3\n", "iii", false, 1, "nulls"));
    cases.push_back(free_case("2*\n5\n", "iii", false, 1, "r* at the line end"));
    for (const char* repeat : {"2*5,,7\n", "2*5 , ,7\n", "2*5, 7 8\n", "3*,5\n", "2*5/\n", "2*5,/ 9\n", "1*5,,7\n",
                               "2*,,7\n", "2* ,7\n", "2*\t7\n", "3*5 ,\n,7\n"}) {
        cases.push_back(free_case(repeat, "iiii", false, 1, std::string("repeat ") + repeat));
        cases.push_back(free_case(repeat, "rrr", true, 2, std::string("repeat ") + repeat));
    }
    cases.push_back(free_case("1 2 3", "ii", true, 3, "unterminated, third column"));
    cases.push_back(free_case("1 2 3", "ii", false, 3, "unterminated, third column, no branch"));
    cases.push_back(free_case("1 2,", "ii", true, 3, "unterminated, comma"));
    cases.push_back(free_case("1 2 \t", "ii", true, 3, "unterminated, blanks and tabs"));
    cases.push_back(free_case("0.02 1.5\n0.04 2.5\n0.06 3.5", "rr", true, 5, "acceleration record"));
    cases.push_back(free_case("0.02 1.5\n0.04 2.5\n0.06 3.5 x", "rr", true, 5, "acceleration record, text"));

    Rng rng(8086);
    for (int k = 0; k < 2600; ++k) {
        cases.push_back(free_case(random_free_data(rng), random_kinds(rng), chance(rng, 50), uniform(rng, 1, 6),
                                  "random " + std::to_string(k)));
    }
    // Some of them through the console unit.
    for (std::size_t k = 0; k < cases.size(); k += 17) {
        ReadCase c = cases[k];
        c.console = true;
        c.origin += " (console)";
        cases.push_back(c);
    }
    return cases;
}

std::vector<ReadCase> fixed_format_read_cases() {
    std::vector<ReadCase> cases;
    const FixedList& i10 = kFixedLists[0];
    const FixedList& f10 = kFixedLists[1];
    const FixedList& i10f10 = kFixedLists[2];
    const FixedList& f8 = kFixedLists[3];
    const FixedList& a20 = kFixedLists[4];
    const FixedList& a = kFixedLists[5];
    cases.push_back(fixed_case(i10f10, "3,25.0\n", "comma inside a field"));
    cases.push_back(fixed_case(i10f10, "         3      25.0\n", "columns"));
    cases.push_back(fixed_case(i10, "1 2\n", "blank among digits"));
    cases.push_back(fixed_case(i10, "\n", "blank record"));
    cases.push_back(fixed_case(i10, "        12", "unterminated, field reaches past it"));
    cases.push_back(fixed_case(i10, "        12\n        13", "unterminated second line"));
    cases.push_back(fixed_case(i10, "12\n", "short record"));
    cases.push_back(fixed_case(i10, "", "empty file"));
    cases.push_back(fixed_case(f10, "       1.5", "unterminated, exactly the field"));
    cases.push_back(fixed_case(f10, "1.5-3\n1.5e-3\n1.5D3\n  25\n", "exponents"));
    cases.push_back(fixed_case(f8, "     1.0     2.0     3.0\n", "short record of 6F8.0"));
    cases.push_back(fixed_case(f8, "1,2,3,4,5,6\n", "commas"));
    cases.push_back(fixed_case(a20, "acc.dat\n", "file name"));
    cases.push_back(fixed_case(a, "soil.dat   \n", "file name with blanks"));
    cases.push_back(fixed_case(a, "soil.dat", "file name, unterminated"));
    cases.push_back(fixed_case(a20, "a name longer than twenty characters\n", "long name"));
    cases.push_back(fixed_case(a, "\n", "empty name"));

    Rng rng(6502);
    for (int k = 0; k < 2400; ++k) {
        const FixedList& l = kFixedLists[static_cast<std::size_t>(k % 20 == 7 ? 6 + (k / 20) % 2 : k % 6)];
        std::string data;
        const int records = uniform(rng, 1, 3);
        for (int r = 0; r < records; ++r) {
            data += fixed_record(rng, l);
            if (r + 1 < records || chance(rng, 80)) data += chance(rng, 3) ? "\r\n" : "\n";
        }
        ReadCase c = fixed_case(l, data, "random " + std::to_string(k), k % 3 == 0);
        cases.push_back(c);
    }
    // The file names of the dialog come from the console.
    for (std::size_t k = 0; k < cases.size(); ++k) {
        if (cases[k].kinds != "c" || k % 5 != 0) continue;
        ReadCase c = cases[k];
        c.console = true;
        c.origin += " (console)";
        cases.push_back(c);
    }
    return cases;
}

}  // namespace zeplo::diff
