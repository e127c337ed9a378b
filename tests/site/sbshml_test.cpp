// sbshml against closed forms of one layer over a half-space (vertical and
// oblique, undamped and damped), against a literal transcription of the
// layer-matrix steps (bit for bit at vertical incidence), and against an
// independent extended-precision evaluation where single precision overflows.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <vector>

#include "sbshml.hpp"

using zeplo::Complex;
using CL = std::complex<long double>;
using CD = std::complex<double>;

namespace {
constexpr float kTwoPi = 6.2831855f;
const float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Column {  // layer 1 first, the half-space last
    std::vector<float> dns, vs, qs, thk;
    float pqf = 999.0f;
    float theta = 0.0f;
    int nsf = 1;
    int nl() const { return static_cast<int>(vs.size()); }
    float sf() const { return nsf == 1 ? 2.0f : 1.0f; }
};

// Runs sbshml with the layer arrays padded to capacity with NaN (and a NaN
// half-space thickness) and with spare rows in amp, and checks that neither
// the padding was read (results would turn NaN) nor the spare rows written.
// Returns column 1 in [0, nom) and column 2 in [nom, 2 nom).
std::vector<Complex> run(const Column& c, float fom, float dom, int nom) {
    const int ml = 50, mom = nom + 3;
    std::vector<float> d(ml, kNaN), v(ml, kNaN), q(ml, kNaN), t(ml, kNaN);
    for (int l = 0; l < c.nl(); ++l) d[l] = c.dns[l], v[l] = c.vs[l], q[l] = c.qs[l], t[l] = c.thk[l];
    t[c.nl() - 1] = kNaN;
    const Complex mark{-12345.0f, 678.0f};
    std::vector<Complex> amp(2 * mom, mark);
    zeplo::sbshml(fom, dom, nom, mom, d.data(), v.data(), q.data(), t.data(), c.pqf, c.nl(), ml,
                  c.theta, c.nsf, amp.data());
    std::vector<Complex> out;
    for (int col = 0; col < 2; ++col) {
        for (int r = 0; r < mom; ++r) {
            const Complex z = amp[col * mom + r];
            if (r < nom) out.push_back(z);
            else EXPECT_TRUE(z.re == mark.re && z.im == mark.im) << "row " << r + 1 << " written";
        }
    }
    return out;
}

// The layer-matrix steps written out literally, with the impedance ratio of
// vertical incidence and the library's exponentials; the reference for the
// bits of every finite line.
std::vector<Complex> plain_steps(const Column& c, float fom, float dom, int nom) {
    using namespace zeplo;
    const int nl = c.nl();
    const float tsin = static_cast<float>(std::sin(static_cast<double>(c.theta)));
    const Complex cinv2 = cdiv({tsin * tsin, 0.0f}, {c.vs[nl - 1] * c.vs[nl - 1], 0.0f});
    const float sf = c.sf();
    std::vector<Complex> amp(2 * nom);
    int ifom = 1;
    if (fom == 0.0f) amp[0] = {sf, 0.0f}, amp[nom] = {1.0f, 0.0f}, ifom = 2;
    for (int io = ifom; io <= nom; ++io) {
        const float om = static_cast<float>(io - 1) * dom + fom;
        const float freq = om / kTwoPi;
        Complex a11{1, 0}, a12{0, 0}, a21{0, 0}, a22{1, 0};
        for (int il = nl - 1; il >= 1; --il) {
            const Complex sa11 = a11, sa12 = a12, sa21 = a21, sa22 = a22;
            Complex vs1{c.vs[il - 1], 0.0f}, vs2{c.vs[il], 0.0f};
            if (c.pqf != 999.0f) {
                float q = rpow(freq, c.pqf) * c.qs[il - 1];
                vs1 = cmul(vs1, {1.0f, 0.5f / q});
                q = rpow(freq, c.pqf) * c.qs[il];
                vs2 = cmul(vs2, {1.0f, 0.5f / q});
            }
            const Complex am = cdiv(cmul({c.dns[il - 1], 0.0f}, vs1), cmul({c.dns[il], 0.0f}, vs2));
            const Complex vs21 = cmul(vs1, vs1);
            const Complex wn = cmul({om, 0.0f}, csqrt(csub(cdiv({1.0f, 0.0f}, vs21), cinv2)));
            const Complex wnd{-(c.thk[il - 1] * wn.im), c.thk[il - 1] * wn.re};
            const Complex ex1 = cexp_library(wnd), ex2 = cexp_library({-wnd.re, -wnd.im});
            const Complex sb11 = cdiv(cmul(cadd({1, 0}, am), ex1), {2, 0});
            const Complex sb12 = cdiv(cmul(csub({1, 0}, am), ex2), {2, 0});
            const Complex sb21 = cdiv(cmul(csub({1, 0}, am), ex1), {2, 0});
            const Complex sb22 = cdiv(cmul(cadd({1, 0}, am), ex2), {2, 0});
            a11 = cadd(cmul(sa11, sb11), cmul(sa12, sb21));
            a12 = cadd(cmul(sa11, sb12), cmul(sa12, sb22));
            a21 = cadd(cmul(sa21, sb11), cmul(sa22, sb21));
            a22 = cadd(cmul(sa21, sb12), cmul(sa22, sb22));
        }
        amp[io - 1] = cdiv({sf, 0.0f}, cadd(a11, a12));
        amp[nom + io - 1] = cdiv({2.0f, 0.0f}, cadd(cadd(cadd(a11, a12), a21), a22));
    }
    return amp;
}

// Principal root, with a zero imaginary part of either sign on the upper branch.
template <class T>
std::complex<T> root(std::complex<T> z) {
    return std::sqrt(std::complex<T>(z.real(), z.imag() == 0 ? T(0) : z.imag()));
}

template <class T>
std::complex<T> velocity(const Column& c, int l, float freq) {
    if (c.pqf == 999.0f) return c.vs[l];
    return std::complex<T>(c.vs[l]) * std::complex<T>(1, T(0.5) / (std::pow(T(freq), T(c.pqf)) * c.qs[l]));
}

template <class T>
T slowness2(const Column& c) {  // (sin theta / vs(nl))^2 from the float sine
    const T p = T(static_cast<float>(std::sin(static_cast<double>(c.theta)))) / c.vs[c.nl() - 1];
    return p * p;
}

// Independent evaluation in long double: the ratio rho = d/u of the two waves
// is carried down the column with exp(-2|Re wnd|) only, and the growth of u as
// a complex logarithm, so nothing overflows.
std::pair<CL, CL> reference(const Column& c, float om) {
    const float freq = om / kTwoPi;
    const long double p2 = slowness2<long double>(c);
    CL rho = 1, logu = 0;
    for (int l = 0; l + 1 < c.nl(); ++l) {
        const CL v1 = velocity<long double>(c, l, freq), v2 = velocity<long double>(c, l + 1, freq);
        const CL am = (static_cast<long double>(c.dns[l]) * v1 * root(1.0L - p2 * v1 * v1)) /
                      (static_cast<long double>(c.dns[l + 1]) * v2 * root(1.0L - p2 * v2 * v2));
        const CL wnd = CL(0, c.thk[l]) * CL(om) * root(1.0L / (v1 * v1) - p2);
        const bool up = wnd.real() >= 0;  // the first wave grows across the layer
        const CL e = std::exp(up ? -2.0L * wnd : 2.0L * wnd);
        const CL den = up ? (1.0L + am) + (1.0L - am) * e * rho : (1.0L + am) * e + (1.0L - am) * rho;
        const CL num = up ? (1.0L - am) + (1.0L + am) * e * rho : (1.0L - am) * e + (1.0L + am) * rho;
        rho = num / den;
        logu += (up ? wnd : -wnd) + std::log(den / 2.0L);
    }
    const CL inv = std::exp(-logu);
    return {static_cast<long double>(c.sf()) * inv, 2.0L * inv / (1.0L + rho)};
}

void expect_near(Complex got, CL want, long double rel, const char* what, int row) {
    const long double err = std::abs(CL(got.re, got.im) - want);
    EXPECT_LE(err, rel * std::abs(want) + 3 * std::numeric_limits<float>::denorm_min())
        << what << " row " << row << " got (" << got.re << ", " << got.im << ") want " << want;
}

bool same_bits(Complex a, Complex b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

const float kDom = kTwoPi / (4096 * 0.01f);  // 4096 samples at 0.01 s
const int kNom = 2049;
}  // namespace

TEST(Sbshml, HalfSpaceAloneAndZeroFrequencyLine) {
    const Column half{{2.2f}, {800.0f}, {30.0f}, {10.0f}, 0.5f, 0.6f, 1};
    const Column layered{{1.8f, 2.2f}, {200.0f, 800.0f}, {10.0f, 30.0f}, {25.0f, 0.0f}, 0.0f, 0.3f, 0};
    for (float fom : {0.0f, 1.7f}) {
        const auto a = run(half, fom, kDom, 300);
        for (int r = 0; r < 300; ++r) EXPECT_TRUE(same_bits(a[r], {2, 0}) && same_bits(a[300 + r], {1, 0}));
    }
    // nom = 1 and fom = 0: only the zero-frequency row, set whatever the profile.
    const auto one = run(layered, 0.0f, kDom, 1);
    EXPECT_TRUE(same_bits(one[0], {1, 0}) && same_bits(one[1], {1, 0}));
    run(layered, 0.0f, kDom, 0);  // writes nothing
}

TEST(Sbshml, SurfaceFactorSwitch) {
    Column c{{1.7f, 1.9f, 2.3f}, {180.0f, 350.0f, 900.0f}, {12, 20, 50}, {8, 17, 0}, 0.0f, 0.0f, 0};
    const auto a0 = run(c, 0.0f, kDom, kNom);
    c.nsf = 2;
    const auto a2 = run(c, 0.0f, kDom, kNom);
    c.nsf = 1;
    const auto a1 = run(c, 0.0f, kDom, kNom);
    for (int r = 0; r < kNom; ++r) {
        EXPECT_TRUE(same_bits(a0[r], a2[r]) && same_bits(a0[kNom + r], a2[kNom + r]));
        EXPECT_TRUE(same_bits(a1[r], {2 * a0[r].re, 2 * a0[r].im}));
        EXPECT_TRUE(same_bits(a1[kNom + r], a0[kNom + r]));
    }
}

// One layer over a half-space: with x = kz H, column 1 = sf / (cos x + i a sin x)
// and column 2 = 1 / cos x, where kz = om sqrt(1/v1^2 - p^2), cos j = sqrt(1 - p^2 v^2)
// and a = rho1 v1 cos j1 / (rho2 v2 cos j2), for complex (damped) velocities too.
// The error allowed grows with the phase x (its rounding) and with the
// sensitivity |d ln f / dx| of the result to it (large near resonances).
TEST(Sbshml, OneLayerClosedForms) {
    const float deg = 0.017453292f;
    const struct Case { const char* name; Column c; float fom; } cases[] = {
        {"undamped vertical", {{1.8f, 2.2f}, {200, 800}, {0, 0}, {30, 0}, 999.0f, 0.0f, 1}, 0.0f},
        {"undamped vertical nsf 0", {{1.6f, 2.4f}, {150, 1200}, {0, 0}, {12, 0}, 999.0f, 0.0f, 0}, 0.0f},
        {"damped q const", {{1.8f, 2.2f}, {200, 800}, {10, 40}, {30, 0}, 0.0f, 0.0f, 1}, 0.0f},
        {"damped q ~ f^0.7, fom > 0", {{1.8f, 2.2f}, {200, 800}, {5, 40}, {30, 0}, 0.7f, 0.0f, 1}, 0.37f},
        {"oblique undamped", {{1.8f, 2.2f}, {200, 800}, {0, 0}, {30, 0}, 999.0f, 40 * deg, 1}, 0.0f},
        {"oblique damped", {{1.8f, 2.2f}, {200, 800}, {10, 40}, {30, 0}, 0.0f, 60 * deg, 1}, 0.0f},
        {"beyond critical", {{2.4f, 2.0f}, {800, 400}, {0, 0}, {30, 0}, 999.0f, 45 * deg, 1}, 0.0f},
        {"beyond critical damped", {{2.4f, 2.0f}, {800, 400}, {20, 20}, {30, 0}, 0.0f, 45 * deg, 1}, 0.0f},
        // 1/vs^2 overflows single precision: every line takes the scaled path,
        // with both waves of comparable size.
        {"tiny velocity", {{1e22f, 2.2f}, {1e-20f, 800}, {0, 0}, {3e-19f, 0}, 999.0f, 0.0f, 1}, 0.0f},
        {"tiny velocity oblique damped", {{1e22f, 2.2f}, {1e-20f, 800}, {20, 40}, {3e-19f, 0}, 0.0f, 30 * deg, 0}, 0.0f},
    };
    for (const auto& [name, c, fom] : cases) {
        const auto a = run(c, fom, kDom, kNom);
        const double p2 = slowness2<double>(c), sf = c.sf();
        for (int r = (fom == 0 ? 1 : 0); r < kNom; ++r) {
            const float om = static_cast<float>(r) * kDom + fom;
            const CD v1 = velocity<double>(c, 0, om / kTwoPi), v2 = velocity<double>(c, 1, om / kTwoPi);
            const CD x = double(om) * c.thk[0] * root(1.0 / (v1 * v1) - p2);
            const CD al = (double(c.dns[0]) * v1 * root(1.0 - p2 * v1 * v1)) /
                          (double(c.dns[1]) * v2 * root(1.0 - p2 * v2 * v2));
            const CD d1 = std::cos(x) + CD(0, 1) * al * std::sin(x);
            const double s1 = std::abs((-std::sin(x) + CD(0, 1) * al * std::cos(x)) / d1);
            const double s2 = std::abs(std::tan(x));
            const double base = 8 * FLT_EPSILON * (1 + std::abs(x));
            expect_near(a[r], sf / d1, base * (1 + s1), name, r + 1);
            expect_near(a[kNom + r], 1.0 / std::cos(x), base * (1 + s2), name, r + 1);
        }
        if (fom == 0) {
            EXPECT_TRUE(same_bits(a[0], {float(sf), 0}) && same_bits(a[kNom], {1, 0})) << name;
        }
    }
}

TEST(Sbshml, LayerLikeTheHalfSpaceOnlyShiftsPhase) {
    for (int nsf : {0, 1}) {
        const Column c{{2.0f, 2.0f}, {500, 500}, {0, 0}, {40, 0}, 999.0f, 0.0f, nsf};
        const auto a = run(c, 0.0f, kDom, kNom);
        for (int r = 0; r < kNom; ++r) EXPECT_NEAR(zeplo::cabs(a[r]), c.sf(), 4e-6f * c.sf());
    }
}

// At vertical incidence cos j is exactly 1 and every line keeps the bits of
// the plain steps, for several profiles, damped and undamped.
TEST(Sbshml, VerticalIncidenceKeepsThePlainStepsBitForBit) {
    const Column cases[] = {
        {{1.7f, 1.8f, 1.9f, 2.0f, 2.3f}, {150, 230, 310, 420, 1100}, {0, 0, 0, 0, 0}, {6, 9, 14, 21, 0}, 999.0f, 0.0f, 1},
        {{1.7f, 1.8f, 1.9f, 2.0f, 2.3f}, {150, 230, 310, 420, 1100}, {8, 12, 18, 25, 80}, {6, 9, 14, 21, 0}, 0.0f, 0.0f, 1},
        {{1.9f, 1.6f, 2.1f}, {300, 120, 700}, {15, 6, 60}, {11, 4.5f, 0}, 0.8f, 0.0f, 0},
        {{0.0f, 2.2f}, {200, 800}, {10, 40}, {30, 0}, 0.0f, 0.0f, 1},  // massless top layer
    };
    for (const Column& c : cases) {
        for (float fom : {0.0f, 0.9f}) {
            const auto a = run(c, fom, kDom, kNom), b = plain_steps(c, fom, kDom, kNom);
            for (int i = 0; i < 2 * kNom; ++i) ASSERT_TRUE(same_bits(a[i], b[i])) << "entry " << i;
        }
    }
}

// 200 m of vs = 150, Q = 10 over 800 m/s, 16384 samples at 0.002 s: from about
// 212 Hz the growing wave overflows single precision and the plain steps give
// NaN, where the true value is about 1e-38 and below.
TEST(Sbshml, OverflowingLinesGetTheTrueValue) {
    const Column c{{1.8f, 2.2f}, {150, 800}, {10, 40}, {200, 0}, 0.0f, 0.0f, 1};
    const int nom = 8193;
    const float dom = kTwoPi / (16384 * 0.002f);
    const auto a = run(c, 0.0f, dom, nom), b = plain_steps(c, 0.0f, dom, nom);
    int recomputed = 0;
    for (int r = 0; r < nom; ++r) {
        if (std::isfinite(b[r].re) && std::isfinite(b[r].im) && std::isfinite(b[nom + r].re) &&
            std::isfinite(b[nom + r].im)) {
            ASSERT_TRUE(same_bits(a[r], b[r]) && same_bits(a[nom + r], b[nom + r])) << "row " << r + 1;
            continue;
        }
        ++recomputed;
        const auto [w1, w2] = reference(c, static_cast<float>(r) * dom);
        expect_near(a[r], w1, 1e-5L, "col 1", r + 1);
        expect_near(a[nom + r], w2, 1e-5L, "col 2", r + 1);
        EXPECT_LT(zeplo::cabs(a[r]), 1e-37f);
    }
    EXPECT_GT(recomputed, 1000);
}

// Profiles a soil file can describe but no fixed-range evaluation survives:
// 49 layers of 1000 m with Q = 1 (a single layer's growth exceeds even double),
// a thick layer beyond the critical angle (the decaying wave underflows, the
// other overflows), and a phase om * thk / vs beyond the float range.
TEST(Sbshml, ExtremeProfilesStayFinite) {
    Column deep;
    for (int l = 0; l < 50; ++l) {
        deep.dns.push_back(1.8f + 0.01f * l);
        deep.vs.push_back(l < 49 ? 200.0f + 10.0f * l : 1500.0f);
        deep.qs.push_back(1.0f);
        deep.thk.push_back(1000.0f);
    }
    deep.pqf = 0.0f;
    const Column evanescent{{2.4f, 2.0f}, {800, 400}, {0, 0}, {3000, 0}, 999.0f, 0.7853982f, 1};
    const float dom = kTwoPi / (16384 * 0.002f);
    for (const Column& c : {deep, evanescent}) {
        const auto a = run(c, 0.0f, dom, 8193);
        for (int r = 1; r < 8193; r += 37) {
            const auto [w1, w2] = reference(c, static_cast<float>(r) * dom);
            expect_near(a[r], w1, 1e-4L, "col 1", r + 1);
            expect_near(a[8193 + r], w2, 1e-4L, "col 2", r + 1);
        }
    }
    // Undamped, one layer: |cos x + i a sin x| >= min(1, a) and |cos x| <= 1
    // bound the results whatever the phase.
    const Column far{{1.0f, 1.0f}, {0.01f, 0.04f}, {0, 0}, {9.9e37f, 0}, 999.0f, 0.0f, 1};
    const auto a = run(far, 0.0f, 1.0f, 200);
    for (int r = 1; r < 200; ++r) {
        EXPECT_LE(zeplo::cabs(a[r]), 2.0f / 0.25f * 1.0001f) << r;
        EXPECT_GE(zeplo::cabs(a[200 + r]), 0.9999f) << r;
    }
}

// The lines split over threads: every thread count gives the bits of one
// thread, for terms shared by all lines (pqf = 0, undamped) and taken per line
// (pqf != 0), at oblique incidence and with lines that take the scaled path.
TEST(Sbshml, ThreadCountDoesNotChangeABit) {
    const float deg = 0.017453292f;
    Column many;
    for (int l = 0; l < 30; ++l) {
        many.dns.push_back(1.7f + 0.02f * l);
        many.vs.push_back(l < 29 ? 140.0f + 17.0f * l : 1300.0f);
        many.qs.push_back(8.0f + l);
        many.thk.push_back(l < 29 ? 3.5f + 0.25f * l : 0.0f);
    }
    const Column overflowing{{1.8f, 2.2f}, {150, 800}, {10, 40}, {200, 0}, 0.0f, 0.0f, 1};
    std::vector<Column> cases;
    for (float pqf : {0.0f, 999.0f, 0.6f}) {
        for (float theta : {0.0f, 35 * deg}) {
            Column c = many;
            c.pqf = pqf;
            c.theta = theta;
            cases.push_back(c);
        }
    }
    cases.push_back(overflowing);
    const int nom = 6001;
    const float dom = kTwoPi / (12000 * 0.002f);
    for (const Column& c : cases) {
        std::vector<Complex> one1(nom), one2(nom);
        zeplo::sbshml_columns(0.0f, dom, nom, c.dns.data(), c.vs.data(), c.qs.data(), c.thk.data(), c.pqf, c.nl(),
                              c.theta, c.nsf, one1.data(), one2.data(), 1);
        for (int threads : {2, 3, 8}) {
            std::vector<Complex> t1(nom), t2(nom);
            zeplo::sbshml_columns(0.0f, dom, nom, c.dns.data(), c.vs.data(), c.qs.data(), c.thk.data(), c.pqf,
                                  c.nl(), c.theta, c.nsf, t1.data(), t2.data(), threads);
            for (int r = 0; r < nom; ++r)
                ASSERT_TRUE(same_bits(t1[r], one1[r]) && same_bits(t2[r], one2[r]))
                    << "pqf " << c.pqf << " theta " << c.theta << " threads " << threads << " row " << r + 1;
        }
        if (c.theta != 0.0f) continue;
        // And the plain steps' bits, where they are finite.
        const auto b = plain_steps(c, 0.0f, dom, nom);
        for (int r = 0; r < nom; ++r) {
            if (!(std::isfinite(b[r].re) && std::isfinite(b[r].im) && std::isfinite(b[nom + r].re) &&
                  std::isfinite(b[nom + r].im)))
                continue;
            ASSERT_TRUE(same_bits(one1[r], b[r]) && same_bits(one2[r], b[nom + r])) << "row " << r + 1;
        }
    }
}
