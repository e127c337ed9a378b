// Random valid cases for the soak test: an acceleration record, a soil profile
// and the answers of the dialog, each written in one of the many forms the
// program accepts. Everything is drawn from storm::Rng, so a case is fixed by
// its seed.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "storm_support.hpp"

namespace zeplo::test::soak {

using storm::Rng;

struct Case {
    std::string record_name;
    std::string record_text;
    std::string soil_name;
    std::string soil_text;
    std::string answers;

    int nt = 0;              // samples written
    std::string t0_text;     // the first two times as written
    std::string t1_text;
    int nl = 0;
    bool damped = false;
    bool bad_is = false;     // the amplification answer is neither 1 nor 2
    int is_value = 0;        // the amplification answer as the program reads it
    int nyes = 0;
    int nbd = 0;
    std::string summary;     // one line for the failure report
};

inline std::string fmt(const char* format, double v) {
    char b[64];
    std::snprintf(b, sizeof b, format, v);
    return b;
}

// ---------------------------------------------------------------- the record

inline std::string value_text(Rng& g, double v, int style) {
    switch (style) {
        case 0: return fmt("%.6g", v);
        case 1: return fmt("%.5E", v);
        case 2: return fmt("%.7f", v);
        case 3: return fmt("%.4e", v);
        case 4: {  // D exponent
            std::string s = fmt("%.6E", v);
            s[s.find('E')] = g.chance(0.5) ? 'D' : 'd';
            return s;
        }
        case 5: return fmt("%.0f", v);  // a whole number, no point
        default: return fmt("%+.5g", v);
    }
}

inline void make_record(Rng& g, Case& c) {
    // Sample count: log-uniform from 2 to 32768, with the boundaries and
    // powers of two now and then.
    const double p = g.u01();
    int nt;
    if (p < 0.02)
        nt = 32768;
    else if (p < 0.06)
        nt = 1 << g.int_in(1, 15);
    else if (p < 0.08)
        nt = g.int_in(2, 5);
    else
        nt = std::clamp(static_cast<int>(std::floor(g.log_uniform(2.0, 32769.0))), 2, 32768);
    c.nt = nt;

    static const std::vector<double> kSteps = {0.001, 0.002, 0.004, 0.005, 0.01, 0.02, 0.025, 0.05};
    const double dt = g.chance(0.4) ? g.pick(kSteps) : g.log_uniform(0.001, 0.05);
    const double t0 = g.chance(0.7) ? 0.0 : std::round(g.uniform(0.0, 100.0) * 1000.0) / 1000.0;
    static const std::vector<const char*> kTimeFormats = {"%.6f", "%.9g", "%.7E", "%.5f"};
    const char* time_format = g.pick(kTimeFormats);

    // The signal: a few sinusoids under an envelope, some noise, an offset;
    // now and then a single spike or a constant.
    const double amplitude = g.log_uniform(1e-3, 2e3);
    const int kind = g.chance(0.9) ? 0 : g.int_in(1, 2);
    const int waves = g.int_in(1, 6);
    std::vector<double> f(static_cast<std::size_t>(waves)), a(f.size()), ph(f.size());
    const double top = std::min(25.0, 0.4 / dt);
    for (std::size_t j = 0; j < f.size(); ++j) {
        f[j] = g.log_uniform(0.05, top);
        a[j] = g.uniform(0.1, 1.0);
        ph[j] = g.uniform(0.0, 6.283185307);
    }
    const double offset = g.chance(0.3) ? g.uniform(-0.05, 0.05) : 0.0;
    const double duration = nt * dt;
    const int spike = g.int_in(0, nt - 1);

    // Layout of the lines.
    static const std::vector<const char*> kSeparators = {" ", "  ", "\t", ",", ", ", " , ", "\t,\t", "   "};
    const std::string sep = g.pick(kSeparators);
    const bool mixed_separators = g.chance(0.15);
    static const std::vector<const char*> kLeads = {"", "", " ", "  ", "\t"};
    const std::string lead = g.pick(kLeads);
    // Whole numbers (style 5) only for records whose values are large enough
    // for them to keep the signal.
    int style = g.int_in(0, 6);
    if (style == 5 && amplitude < 50.0) style = 0;
    const bool mixed_styles = g.chance(0.1);
    const double third_column = g.chance(0.15) ? (g.chance(0.5) ? 1.0 : 0.3) : 0.0;  // share of lines
    const bool blank_lines = g.chance(0.15);
    const bool unterminated = g.chance(0.2);
    const bool trailing_blank_lines = !unterminated && g.chance(0.1);

    std::string text;
    text.reserve(static_cast<std::size_t>(nt) * 28);
    static const std::vector<const char*> kBlankLines = {"", " ", "   ", "\t", " \t "};
    for (int k = 0; k < nt; ++k) {
        if (blank_lines && g.chance(0.03)) {
            text += g.pick(kBlankLines);
            text += '\n';
        }
        const double t = t0 + k * dt;
        double v;
        if (kind == 1) {
            v = k == spike ? amplitude : 0.0;
        } else if (kind == 2) {
            v = amplitude * 0.1;
        } else {
            const double s = t - t0;
            const double env = std::min(1.0, 4.0 * s / duration) * std::exp(-2.0 * s / duration);
            double sum = offset;
            for (std::size_t j = 0; j < f.size(); ++j) sum += a[j] * std::sin(6.283185307 * f[j] * s + ph[j]);
            v = amplitude * (env * sum + 0.05 * (g.u01() - 0.5));
        }
        const std::string tt = fmt(time_format, t);
        if (k == 0) c.t0_text = tt;
        if (k == 1) c.t1_text = tt;
        text += lead;
        text += tt;
        text += mixed_separators ? g.pick(kSeparators) : sep.c_str();
        text += value_text(g, v, mixed_styles ? g.int_in(0, 6) : style);
        if (third_column > 0 && g.chance(third_column)) {
            text += mixed_separators ? g.pick(kSeparators) : sep.c_str();
            text += fmt("%.4f", g.uniform(-5, 5));
        }
        if (k + 1 < nt || !unterminated) text += '\n';
    }
    if (trailing_blank_lines) text += g.chance(0.5) ? "\n" : "  \n\n";
    c.record_text = std::move(text);

    c.summary += "nt " + std::to_string(nt) + ", dt " + fmt("%.6g", dt) + ", time format " + time_format +
                 ", value style " + std::to_string(style) + (kind == 1 ? " spike" : kind == 2 ? " constant" : "") +
                 (unterminated ? ", unterminated last line" : "") + (blank_lines ? ", blank lines" : "") +
                 (third_column > 0 ? ", third column" : "");
}

// ---------------------------------------------------------------- the soil

// Places `text` in a field of width w with blanks: mostly right-justified.
inline std::string place(Rng& g, const std::string& text, int w) {
    const int pad = w - static_cast<int>(text.size());
    if (pad <= 0) return text;
    const double p = g.u01();
    const int left = p < 0.7 ? pad : p < 0.85 ? 0 : g.int_in(0, pad);
    return std::string(static_cast<std::size_t>(left), ' ') + text + std::string(static_cast<std::size_t>(pad - left), ' ');
}

// A fixed-column real field of width w holding v (v >= 0) in one of the valid
// forms: with a decimal point, a whole number without one (only when v is a
// whole number after rounding that is not zero unless v is), an exponent with
// E, e, D or d or a sign alone, a leading point. Zero may also be a blank field.
inline std::string real_field(Rng& g, double v, int w) {
    if (v == 0.0) {
        static const std::vector<const char*> kZeros = {"", "", "0.0", "0", "0.", ".0", "0.E0", "0.000"};
        return place(g, g.pick(kZeros), w);
    }
    std::string s;
    const int form = g.int_in(0, 9);
    if (form <= 3) {
        // Decimal point: as many decimals as fit, at most four.
        for (int d = g.int_in(0, 4); d >= 0; --d) {
            char b[48];
            std::snprintf(b, sizeof b, "%.*f", d, v);
            s = b;
            if (d == 0) s += '.';
            if (static_cast<int>(s.size()) <= w) break;
        }
    } else if (form <= 5) {
        const double r = std::round(v);
        if (r >= 1.0) s = fmt("%.0f", r);
    } else if (form <= 8) {
        int e = static_cast<int>(std::floor(std::log10(v))) + g.int_in(-1, 1);
        static const std::vector<const char*> kLetters = {"E", "e", "D", "d", ""};
        const std::string letter = g.pick(kLetters);
        for (int d = g.int_in(1, 4); d >= 0 && s.empty(); --d) {
            const double m = v / std::pow(10.0, e);
            char mb[48];
            std::snprintf(mb, sizeof mb, "%.*f", d, m);
            std::string t = mb;
            if (d == 0) t += '.';
            // Exponent text: a sign is required when there is no letter.
            std::string ex;
            if (letter.empty() || g.chance(0.5))
                ex = (e < 0 ? "-" : "+") + std::to_string(std::abs(e));
            else
                ex = std::to_string(e);
            if (!letter.empty() && g.chance(0.3) && std::abs(e) < 10) ex = (e < 0 ? "-0" : "0") + std::to_string(std::abs(e));
            t += letter + ex;
            if (static_cast<int>(t.size()) <= w) s = t;
        }
    } else if (v < 1.0) {
        s = fmt("%.4f", v).substr(1);  // ".2500"
    }
    if (s.empty()) s = fmt("%.1f", v);
    if (static_cast<int>(s.size()) > w) s = fmt("%.0f", v) + ".";
    if (g.chance(0.05) && static_cast<int>(s.size()) < w) s = "+" + s;
    return place(g, s, w);
}

inline std::string int_field(Rng& g, int v, int w) {
    if (v == 0 && g.chance(0.3)) return std::string(static_cast<std::size_t>(w), ' ');
    std::string s = std::to_string(v);
    const double p = g.u01();
    if (p < 0.1 && v >= 0) s = "+" + s;
    else if (p < 0.2) s = std::string(static_cast<std::size_t>(g.int_in(1, 3)), '0') + s;
    return place(g, s, w);
}

// Removes trailing blanks (the line then ends before its last fields, which
// read as zero), now and then.
inline std::string maybe_trim(Rng& g, std::string line) {
    if (g.chance(0.5))
        while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

inline void make_soil(Rng& g, Case& c) {
    const int nl = g.chance(0.5) ? g.int_in(1, 50) : g.int_in(1, 6);
    c.nl = nl;
    c.damped = g.chance(0.75);
    const double pqf = c.damped ? (g.chance(0.3) ? 0.0 : g.uniform(0.0, 1.0)) : 999.0;
    const double angle = g.chance(0.5) ? 0.0 : g.uniform(0.0, 60.0);
    const int nsf = g.int_in(0, 2);

    std::vector<double> vs(static_cast<std::size_t>(nl));
    for (double& v : vs) v = g.log_uniform(80.0, 3000.0);
    const bool rising = g.chance(0.6);
    if (rising) std::sort(vs.begin(), vs.end());

    std::string text;
    // Text after the last field read is passed over: a comment may follow a
    // line that holds all its fields at full width.
    auto comment = [&](std::string line, std::size_t full_width) {
        if (line.size() == full_width && g.chance(0.05)) line += "  comment";
        return line + "\n";
    };
    text += comment(maybe_trim(g, real_field(g, angle, 10)), 10);
    text += comment(maybe_trim(g, int_field(g, nsf, 10)), 10);
    {
        std::string line = int_field(g, nl, 10);
        if (!c.damped) {
            // 999 exactly: a rounded form (1.0E3) would turn the damping on.
            static const std::vector<const char*> kNoDamping = {"999.0", "999.",    "999",    "9.99E2", "999.00",
                                                                "99.9e1", "9.99D+02", "999.0E0", "+999.",  "9990.-1"};
            line += place(g, g.pick(kNoDamping), 10);
        } else if (pqf != 0.0 || g.chance(0.5)) {
            line += real_field(g, pqf, 10);
        } else {
            line = maybe_trim(g, line);  // no damping field: the exponent reads as zero
        }
        text += comment(maybe_trim(g, line), 20);
    }
    for (int il = 1; il <= nl; ++il) {
        const double v = vs[static_cast<std::size_t>(il - 1)];
        const double dns = g.uniform(1.5, 2.5);
        const double vp = g.chance(0.15) ? 0.0 : v * g.uniform(1.5, 4.0);
        const double qp = g.chance(0.15) ? 0.0 : g.uniform(2.0, 200.0);
        const double qs = !c.damped && g.chance(0.3) ? 0.0 : g.uniform(2.0, 100.0);
        const bool half_space = il == nl;
        const double thk = half_space && g.chance(0.6) ? 0.0 : g.log_uniform(0.5, 200.0);
        std::string line = real_field(g, dns, 8) + real_field(g, vp, 8) + real_field(g, qp, 8) +
                           real_field(g, v, 8) + real_field(g, qs, 8) + real_field(g, thk, 8);
        text += comment(maybe_trim(g, line), 48);
    }
    c.soil_text = std::move(text);
    c.summary += "; nl " + std::to_string(nl) + (c.damped ? ", pqf " + fmt("%.3f", pqf) : ", undamped") +
                 ", angle " + fmt("%.1f", angle) + ", nsf " + std::to_string(nsf) +
                 (rising ? ", rising Vs" : ", Vs in any order");
}

// ---------------------------------------------------------------- the answers

// A free-format answer line giving integer v.
inline std::string int_answer(Rng& g, int v) {
    const std::string n = std::to_string(v);
    switch (g.int_in(0, 11)) {
        case 0: return " " + n;
        case 1: return n + "   ";
        case 2: return v >= 0 ? "+" + n : n;
        case 3: return v >= 0 ? "0" + n : n;
        case 4: return n + ",";
        case 5: return n + " 9 9";
        case 6: return n + "  ! the answer";
        case 7: return "\n" + n;
        case 8: return "1*" + n;
        case 9: return "\t" + n + "/";
        default: return n;
    }
}

// A free-format answer line that gives no value (the variable keeps 0).
inline std::string no_value_answer(Rng& g) {
    static const std::vector<const char*> kForms = {"/", ",", " /", "  ,"};
    return g.pick(kForms);
}

inline std::string corner_text(Rng& g, double v) {
    switch (g.int_in(0, 5)) {
        case 0: return fmt("%.4f", v);
        case 1: return fmt("%g", v);
        case 2: return fmt("%.3E", v);
        case 3: return fmt("%.0f", v);
        case 4: {
            std::string s = fmt("%.5e", v);
            s[s.find('e')] = 'D';
            return s;
        }
        default: return fmt("%.2f", v);
    }
}

inline std::string corners_answer(Rng& g, double dt, std::string& summary) {
    const double nyquist = 3.14159265 / dt;  // rad/s
    std::vector<double> w(4);
    for (double& x : w) x = g.chance(0.05) ? 0.0 : g.uniform(0.0, 1.2 * nyquist);
    const double order = g.u01();
    if (order < 0.5) {
        std::sort(w.begin(), w.end());
        summary += ", corners in order";
    } else if (order < 0.8) {
        summary += ", corners in any order";
    } else {
        std::sort(w.begin(), w.end());
        w[1] = w[0];
        if (g.chance(0.5)) w[3] = w[2];
        summary += ", corners with equal pairs";
    }
    std::vector<std::string> items;
    for (double x : w) items.push_back(corner_text(g, x));

    const double form = g.u01();
    if (form < 0.08) {
        summary += ", corners omitted (slash)";
        return g.chance(0.5) ? "/" : " / nothing";
    }
    if (form < 0.16) {
        const int k = g.int_in(1, 3);
        items.resize(static_cast<std::size_t>(k));
        items.push_back("/");
        summary += ", " + std::to_string(k) + " corners then a slash";
    } else if (form < 0.26) {
        for (std::string& s : items)
            if (g.chance(0.4)) s.clear();  // null values
        std::string line;
        for (std::size_t k = 0; k < items.size(); ++k) line += (k ? "," : "") + items[k];
        // A comma at the end of the line does not make a null value: the list
        // would go on into the next line; a slash ends it there.
        if (items.back().empty()) line += "/";
        summary += ", null corners";
        return line;
    } else if (form < 0.30) {
        summary += ", repeated nulls";
        return "2*, " + items[2] + ", " + items[3];
    }
    static const std::vector<const char*> kSeps = {" ", ", ", ",", "\t", "  "};
    std::string line;
    const bool several_lines = g.chance(0.4);
    if (several_lines) summary += ", corners on several lines";
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (k > 0) {
            if (several_lines && g.chance(0.6))
                line += g.chance(0.2) ? "\n\n" : "\n";
            else
                line += g.pick(kSeps);
        }
        line += items[k];
    }
    return line;
}

inline Case make_case(std::uint64_t seed) {
    Rng g(seed);
    Case c;
    c.record_name = "acc" + std::to_string(g.int_in(0, 99999)) + (g.chance(0.5) ? ".txt" : ".dat");
    if (g.chance(0.05)) c.record_name = "acc_0123456789ab.txt";  // the full 20 characters
    c.soil_name = "soil" + std::to_string(g.int_in(0, 99999)) + ".dat";
    if (g.chance(0.05)) c.soil_name = "soil_profile_with_30_chars.dat";
    make_record(g, c);
    make_soil(g, c);

    const double dt = std::strtod(c.t1_text.c_str(), nullptr) - std::strtod(c.t0_text.c_str(), nullptr);
    std::string a;
    // Record name: as is, with trailing blanks, or padded to 20 and followed
    // by text that is not read.
    const double pn = g.u01();
    if (pn < 0.1)
        a += c.record_name + "    ";
    else if (pn < 0.15)
        a += c.record_name + std::string(20 - c.record_name.size(), ' ') + " the record";
    else
        a += c.record_name;
    a += "\n";
    // Soil name, sometimes after lines that begin with a blank (passed over).
    if (g.chance(0.1)) a += g.chance(0.5) ? "\n" : " not a name\n";
    if (g.chance(0.05)) a += "   \n";
    if (g.chance(0.05))
        a += c.soil_name + std::string(30 - c.soil_name.size(), ' ') + "extra";
    else
        a += c.soil_name;
    a += "\n";

    // Amplification column.
    if (g.chance(0.04)) {
        c.bad_is = true;
        if (g.chance(0.3)) {
            c.is_value = 0;
            a += no_value_answer(g);
        } else {
            static const std::vector<int> kBad = {0, 3, -1, 7, 12};
            c.is_value = g.pick(kBad);
            a += int_answer(g, c.is_value);
        }
    } else {
        c.is_value = g.int_in(1, 2);
        a += int_answer(g, c.is_value);
    }
    a += "\n";
    // Integration or differentiation.
    if (g.chance(0.1)) {
        c.nyes = 0;
        a += no_value_answer(g);
    } else {
        static const std::vector<int> kOther = {3, -1, 7, 100, -2147483647, 2147483647};
        c.nyes = g.chance(0.85) ? g.int_in(0, 2) : g.pick(kOther);
        a += int_answer(g, c.nyes);
    }
    a += "\n";
    // Taper.
    const double pb = g.u01();
    if (pb < 0.05) {
        c.nbd = 0;
        a += no_value_answer(g);
    } else {
        static const std::vector<int> kOther = {2, -1, 11, 1000};
        c.nbd = pb < 0.6 ? 1 : pb < 0.85 ? 0 : g.pick(kOther);
        a += int_answer(g, c.nbd);
    }
    a += "\n";
    c.summary += "; is " + std::to_string(c.is_value) + ", nyes " + std::to_string(c.nyes) + ", nbd " +
                 std::to_string(c.nbd);
    if (c.nbd == 1) a += corners_answer(g, dt, c.summary) + "\n";
    if (g.chance(0.1)) a += "0\nmore lines that are never read\n";
    c.answers = std::move(a);
    return c;
}

}  // namespace zeplo::test::soak
