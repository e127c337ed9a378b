// Free-format reads of a file unit: the input is the file, after one byte that
// chooses the statement every read uses (1 to 4 variables, each an integer or
// a real, with or without the end-of-file branch). Reads repeat until the end
// of the data or a fatal report.
//
// Each input is read three times and the passes are compared:
//   plain     the file as it is;
//   shifted   the file after a first line of about 8 KB (a slash and blanks,
//             read by one extra statement), so that the unit's read-ahead
//             buffer is refilled in the middle of the input; every statement
//             after the first must come out exactly as in the plain pass;
//   all-real  the same statement with every variable a real: wherever the
//             plain pass read an integer, this one read the same number (an
//             integer is the number's truncation, or the most negative
//             integer when out of range).
// Also checked: variables outside the statement are never touched; a
// statement without the end branch ends the data with a fatal end-of-file
// report, one with the branch never does; every statement that succeeds
// consumes at least one line, so the reads end.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "detail/unit.hpp"
#include "fuzz_support.hpp"
#include "open_close.hpp"
#include "statements.hpp"
#include "units.hpp"

namespace zeplo::fuzz {
namespace {

constexpr int kUnit = 21;
constexpr int kSlots = 8;  // variables 0..3 take part, 4..7 are guards
constexpr int kIntSentinel = INT_MIN + 12345;
constexpr std::uint32_t kRealSentinelBits = 0x7fc0beefu;  // a NaN no read produces
constexpr std::size_t kBufferSize = static_cast<std::size_t>(rec::detail::Unit::kInputCapacity);

float real_sentinel() {
    float f;
    std::memcpy(&f, &kRealSentinelBits, sizeof f);
    return f;
}
std::uint32_t bits(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

struct Plan {
    int nvars = 1;
    bool is_int[4] = {};
    bool end_branch = false;
};

Plan plan_from(std::uint8_t b) {
    Plan p;
    p.nvars = (b & 3) + 1;
    for (int k = 0; k < 4; ++k) p.is_int[k] = (b >> (2 + k)) & 1;
    p.end_branch = (b >> 6) & 1;
    return p;
}

enum class Outcome { Ok, End, Fatal };

struct Statement {
    Outcome outcome = Outcome::Ok;
    int fatal_n = 0;
    int ints[kSlots];
    float reals[kSlots];
};

const char* name(Outcome o) { return o == Outcome::Ok ? "ok" : o == Outcome::End ? "end" : "fatal"; }

std::vector<Statement> read_all(const std::string& path, const Plan& plan, std::size_t max_ok) {
    std::vector<Statement> out;
    rec::open_unit(kUnit, path, "old");
    for (;;) {
        Statement st;
        for (int k = 0; k < kSlots; ++k) {
            st.ints[k] = kIntSentinel;
            st.reals[k] = real_sentinel();
        }
        rec::InVar vars[4];
        for (int k = 0; k < plan.nvars; ++k) vars[k] = plan.is_int[k] ? rec::in_var(st.ints[k]) : rec::in_var(st.reals[k]);
        try {
            const bool more = rec::read_list_vars(kUnit, vars, plan.nvars, plan.end_branch);
            st.outcome = more ? Outcome::Ok : Outcome::End;
        } catch (const FatalError& e) {
            st.outcome = Outcome::Fatal;
            st.fatal_n = e.n;
        }
        for (int k = 0; k < kSlots; ++k) {
            const bool int_var = k < plan.nvars && plan.is_int[k];
            const bool real_var = k < plan.nvars && !plan.is_int[k];
            if (!int_var) FUZZ_CHECK(st.ints[k] == kIntSentinel, "statement %zu touched integer slot %d", out.size(), k);
            if (!real_var)
                FUZZ_CHECK(bits(st.reals[k]) == kRealSentinelBits, "statement %zu touched real slot %d", out.size(), k);
        }
        if (!plan.end_branch) FUZZ_CHECK(st.outcome != Outcome::End, "statement %zu without end branch returned false", out.size());
        if (plan.end_branch && st.outcome == Outcome::Fatal)
            FUZZ_CHECK(st.fatal_n != rec::kEof, "statement %zu with end branch ended in the end-of-file report",
                       out.size());
        out.push_back(st);
        if (st.outcome != Outcome::Ok) break;
        FUZZ_CHECK(out.size() <= max_ok, "%zu statements succeeded on data of %zu lines", out.size(), max_ok);
    }
    rec::reset();
    return out;
}

void compare_exact(const Statement& a, const Statement& b, std::size_t k) {
    FUZZ_CHECK(a.outcome == b.outcome && a.fatal_n == b.fatal_n, "statement %zu: plain %s %d, shifted %s %d", k,
               name(a.outcome), a.fatal_n, name(b.outcome), b.fatal_n);
    for (int j = 0; j < kSlots; ++j) {
        FUZZ_CHECK(a.ints[j] == b.ints[j], "statement %zu var %d: plain %d, shifted %d", k, j, a.ints[j], b.ints[j]);
        FUZZ_CHECK(bits(a.reals[j]) == bits(b.reals[j]), "statement %zu var %d: plain %a, shifted %a", k, j,
                   static_cast<double>(a.reals[j]), static_cast<double>(b.reals[j]));
    }
}

// `i` was read as an integer where the all-real pass read `f` from the same text.
void compare_int_real(int i, float f, std::size_t k, int j) {
    const bool real_assigned = bits(f) != kRealSentinelBits;
    if (!real_assigned) {
        FUZZ_CHECK(i == kIntSentinel, "statement %zu var %d: integer %d assigned, real not", k, j, i);
        return;
    }
    FUZZ_CHECK(!std::isnan(f), "statement %zu var %d: real NaN", k, j);
    const double x = f;
    if (i == INT_MIN) {
        FUZZ_CHECK(std::fabs(x) >= 2147483648.0, "statement %zu var %d: integer INT_MIN for %.9g", k, j, x);
    } else {
        FUZZ_CHECK(std::fabs(static_cast<double>(i) - x) < 1.0 + std::fabs(x) * 0x1p-23,
                   "statement %zu var %d: integer %d for %.9g", k, j, i, x);
        FUZZ_CHECK(std::fabs(x) <= 2147483904.0, "statement %zu var %d: integer %d for %.9g (out of range)", k, j, i, x);
    }
}

void compare_all_real(const Plan& plan, const std::vector<Statement>& a, const std::vector<Statement>& b) {
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (a[k].outcome == Outcome::Fatal) return;  // an integer refuses what a real takes
        FUZZ_CHECK(k < b.size(), "all-real pass ended before statement %zu", k);
        FUZZ_CHECK(a[k].outcome == b[k].outcome, "statement %zu: plain %s, all-real %s %d", k, name(a[k].outcome),
                   name(b[k].outcome), b[k].fatal_n);
        if (a[k].outcome != Outcome::Ok) return;
        for (int j = 0; j < plan.nvars; ++j) {
            if (plan.is_int[j])
                compare_int_real(a[k].ints[j], b[k].reals[j], k, j);
            else
                FUZZ_CHECK(bits(a[k].reals[j]) == bits(b[k].reals[j]), "statement %zu var %d: %a vs all-real %a", k, j,
                           static_cast<double>(a[k].reals[j]), static_cast<double>(b[k].reals[j]));
        }
    }
}

}  // namespace
}  // namespace zeplo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zeplo::fuzz;
    if (size < 1) return -1;
    zeplo::rec::reset();
    const Plan plan = plan_from(data[0]);
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;

    const std::string plain_path = scratch().file("plain");
    write_file(plain_path, text);
    const std::vector<Statement> plain = read_all(plain_path, plan, lines);

    // The buffer boundary falls in the middle of the input.
    const std::size_t into = std::min<std::size_t>(text.size() / 2, 4000);
    std::string shifted(kBufferSize - into, ' ');
    shifted[0] = '/';
    shifted.back() = '\n';
    shifted.append(text);
    const std::string shifted_path = scratch().file("shifted");
    write_file(shifted_path, shifted);
    const std::vector<Statement> moved = read_all(shifted_path, plan, lines + 1);
    FUZZ_CHECK(!moved.empty() && moved[0].outcome == Outcome::Ok, "the slash line was not read");
    for (int j = 0; j < kSlots; ++j)
        FUZZ_CHECK(moved[0].ints[j] == kIntSentinel && bits(moved[0].reals[j]) == kRealSentinelBits,
                   "the slash line assigned variable %d", j);
    FUZZ_CHECK(moved.size() == plain.size() + 1, "plain pass %zu statements, shifted pass %zu", plain.size(),
               moved.size() - 1);
    for (std::size_t k = 0; k < plain.size(); ++k) compare_exact(plain[k], moved[k + 1], k);

    bool any_int = false;
    for (int j = 0; j < plan.nvars; ++j) any_int = any_int || plan.is_int[j];
    if (any_int) {
        Plan reals = plan;
        for (bool& b : reals.is_int) b = false;
        compare_all_real(plan, plain, read_all(plain_path, reals, lines));
    }
    return 0;
}
