// The amplification stage: the travel-time phase factor, the choice of column
// and the amplification table.
#include <cmath>
#include <cstdlib>

#include "output_files.hpp"
#include "stage_fixture.hpp"
#include "stages.hpp"

namespace zeplo {
namespace {

class Amplification : public StageTest {
protected:
    // A flat spectrum (1, 0) on nf = 2*(nom-1) lines with step dom.
    void spectrum(int nom, float dom) {
        state.nf = 2 * (nom - 1);
        state.grid.nom = nom;
        state.grid.dom = dom;
        for (int k = 1; k <= state.nf; ++k) state.fx1[k - 1] = Complex{1.0f, 0.0f};
    }
    // One undamped layer of 20 m at 400 m/s over a half-space of 800 m/s.
    void one_layer(const char* name) {
        put(name, "       0.0\n         1\n         2     999.0\n"
                  "     1.8   400.0    20.0   400.0    20.0    20.0\n"
                  "     2.0  1600.0    50.0   800.0    50.0   999.0\n");
    }
};

// Field k of a record of the amplification table.
double field(const std::string& line, int k) {
    return std::strtod(line.substr(test::field_start(k), test::field_width(k)).c_str(), nullptr);
}

TEST_F(Amplification, TableOfOneLayerOverTheHalfSpace) {
    spectrum(9, 10.0f);
    one_layer("one.dat");
    put("S_amp1", std::string(5000, 'x') + "\n");  // an older, longer table
    const std::string out = with_answers("one.dat\n2\n", site_amplification);
    EXPECT_EQ(out, "\n Enter Soil Data File Name \n"
                   "\n"
                   " S_amp: Amplification Factor for S wave\n"
                   "\n"
                   " WAVE * AMP(i):\n"
                   "   Enter 1 for AMP with respect to INPUT WAVE:\n"
                   "   Entwe 2 for AMP with respect to BEDROCK WAVE:\n");
    const std::vector<std::string> lines = test::lines_of(contents("S_amp1"));
    ASSERT_EQ(lines.size(), 9u);
    const double alpha = (1.8 * 400.0) / (2.0 * 800.0);
    for (int k = 1; k <= 9; ++k) {
        SCOPED_TRACE(k);
        const std::string& l = lines[static_cast<std::size_t>(k - 1)];
        ASSERT_EQ(l.size(), test::kTableFile.width);
        const double om = (k - 1) * 10.0;
        const double x = om * 20.0 / 400.0;
        // Column 2 = 1/cos x; column 1 = 2/(cos x + i alpha sin x).
        const double d = std::cos(x) * std::cos(x) + alpha * alpha * std::sin(x) * std::sin(x);
        const double want[7] = {om / (2 * M_PI),           2 * std::cos(x) / d, -2 * alpha * std::sin(x) / d,
                                2 / std::sqrt(d),          1 / std::cos(x),     0.0,
                                std::fabs(1 / std::cos(x))};
        for (int f = 0; f < test::kTableFile.fields; ++f) {
            const double got = field(l, f);
            EXPECT_NEAR(got, want[f], 1e-3 * std::max(1.0, std::fabs(want[f]))) << "field " << f << ": " << l;
        }
        EXPECT_EQ(l.substr(8, 3), want[1] < 0 ? " -0" : "  0");
    }
}

TEST_F(Amplification, PhaseFactorOfTheTravelTime) {
    spectrum(3, 10.0f);
    one_layer("one.dat");
    with_answers("one.dat\n2\n", site_amplification);
    // Line 2: om = 10 rad/s, x = 10 * 20 / 400 = 0.5, delay = (cos 0.5, sin 0.5).
    const Complex a = state.amp2[1];
    const Complex f = state.fx1[1];
    const double den = static_cast<double>(a.re) * a.re + static_cast<double>(a.im) * a.im;
    const double re = (f.re * static_cast<double>(a.re) + f.im * static_cast<double>(a.im)) / den;
    const double im = (f.im * static_cast<double>(a.re) - f.re * static_cast<double>(a.im)) / den;
    EXPECT_NEAR(re, 0.87758, 1e-5);
    EXPECT_NEAR(im, 0.47943, 1e-5);
    // Line 1: om = 0, no phase, the spectrum times amp(1, 2) = (1, 0).
    EXPECT_EQ(state.fx1[0].re, 1.0f);
    EXPECT_EQ(state.fx1[0].im, 0.0f);
    // Lines above nom are left alone.
    EXPECT_EQ(state.fx1[3].re, 1.0f);
}

TEST_F(Amplification, TwoLayersMultiplyTheirFactors) {
    spectrum(5, 3.0f);
    put("two.dat", "       0.0\n         0\n         3     999.0\n"
                   "     1.8   400.0    20.0   200.0    20.0    10.0\n"
                   "     1.9   600.0    20.0   300.0    20.0    30.0\n"
                   "     2.0  1600.0    50.0   800.0    50.0     0.0\n");
    with_answers("two.dat\n1\n", site_amplification);
    const double tau = 10.0 / 200.0 + 30.0 / 300.0;
    for (int k = 2; k <= 5; ++k) {
        const Complex a = state.amp1[k - 1];
        const Complex f = state.fx1[k - 1];
        const double den = static_cast<double>(a.re) * a.re + static_cast<double>(a.im) * a.im;
        const double re = (f.re * static_cast<double>(a.re) + f.im * static_cast<double>(a.im)) / den;
        const double im = (f.im * static_cast<double>(a.re) - f.re * static_cast<double>(a.im)) / den;
        const double phase = (k - 1) * 3.0 * tau;
        EXPECT_NEAR(re, std::cos(phase), 1e-5) << k;
        EXPECT_NEAR(im, std::sin(phase), 1e-5) << k;
    }
}

TEST_F(Amplification, HalfSpaceAloneOnlyScales) {
    spectrum(5, 1.0f);
    put("hs.dat", "      30.0\n         1\n         1       0.0\n"
                  "     2.0  1600.0    50.0   800.0    50.0     0.0\n");
    with_answers("hs.dat\n1\n", site_amplification);
    for (int k = 1; k <= 5; ++k) {
        EXPECT_EQ(state.fx1[k - 1].re, 2.0f);  // column 1 is sf = 2 on every line, no phase
        EXPECT_EQ(state.fx1[k - 1].im, 0.0f);
    }
}

}  // namespace
}  // namespace zeplo
