// The band-pass taper, integration and differentiation, and the completion of
// the spectrum before the inverse transform.
#include "stage_fixture.hpp"
#include "shaping.hpp"
#include "stages.hpp"
#include "synthesis.hpp"

namespace zeplo {
namespace {

TEST(Taper, TrapezoidOfOrderedCorners) {
    const float expected[] = {0, 0, 0.5f, 1, 1, 1, 0.5f, 0, 0};
    for (int k = 1; k <= 9; ++k) {
        const float omega = static_cast<float>(k) * 0.5f;
        EXPECT_EQ(taper_factor(omega, Taper{1, 2, 3, 4}), expected[k - 1]) << "omega " << omega;
    }
}

TEST(Taper, EqualAndReversedCorners) {
    // Empty ramps: no division by zero.
    EXPECT_EQ(taper_factor(1.5f, Taper{1, 1, 3, 3}), 1.0f);
    EXPECT_EQ(taper_factor(3.0f, Taper{1, 1, 3, 3}), 0.0f);
    // omh1 < oml2: between them the falling ramp replaces the rising one.
    EXPECT_EQ(taper_factor(2.5f, Taper{1, 3, 2, 4}), (4.0f - 2.5f) / (4.0f - 2.0f));
    // oml1 >= omh2: nothing passes.
    for (float omega : {0.5f, 2.0f, 5.0f}) EXPECT_EQ(taper_factor(omega, Taper{4, 5, 6, 3}), 0.0f);
}

class Shaping : public StageTest {
protected:
    // Lines 1..ndata hold (re, im) at omega = (k-1)*dom.
    void lines(int ndata, float dom, float re, float im) {
        state.ndata = ndata;
        state.nf = 2 * (ndata - 1);
        state.grid.dom = dom;
        for (int k = 1; k <= ndata; ++k) {
            state.fx1[k - 1] = Complex{re, im};
        }
    }
};

TEST_F(Shaping, IntegrateAndDifferentiateByIOmega) {
    lines(9, 2.5f, 3.0f, -2.0f);
    std::string out = with_answers("1\n0\n", spectral_shaping);
    EXPECT_EQ(state.fx1[1].re, -0.8f);  // (3, -2) / (2.5 i)
    EXPECT_EQ(state.fx1[1].im, -1.2f);
    EXPECT_EQ(state.fx1[0].re, 0.0f);  // zero frequency always cleared
    EXPECT_EQ(state.fx1[0].im, 0.0f);
    EXPECT_EQ(out, "\n"
                   "  You can integrate or differentiate the original wave.;\n"
                   "    Do not change   (Enter -> 0),\n"
                   "    Integrate       (Enter -> 1),\n"
                   "    Differentiate   (Enter -> 2):\n"
                   "\n"
                   "  Band Pass Filter? (Yes=1 or No=0) :\n");
    lines(9, 2.5f, 3.0f, -2.0f);
    with_answers("2\n0\n", spectral_shaping);
    EXPECT_EQ(state.fx1[1].re, 5.0f);  // 2.5 i * (3, -2)
    EXPECT_EQ(state.fx1[1].im, 7.5f);
    lines(9, 2.5f, 3.0f, -2.0f);
    with_answers("7\n0\n", spectral_shaping);  // any other answer keeps the wave
    EXPECT_EQ(state.fx1[1].re, 3.0f);
    EXPECT_EQ(state.fx1[1].im, -2.0f);
}

TEST_F(Shaping, TaperBeforeIntegrationAndItsDialog) {
    lines(10, 0.5f, 1.0f, 0.0f);
    const std::string out = with_answers("1\n1\n1,2,\n3 4\n", spectral_shaping);
    EXPECT_NE(out.find("    Data for TRAPEZOIDAL BAND PASS FILTER:\n"
                       "    INITIAL AND FINAL OMs = 0  4.5\n"
                       "\n"
                       "    Enter OML1,OML2,OMH1 and OMH2 (OML1<OML2<OMH1<OMH2): \n"),
              std::string::npos)
        << out;
    const float aa[] = {0, 0, 0.5f, 1, 1, 1, 0.5f, 0, 0};
    for (int k = 2; k <= 10; ++k) {
        const float omega = static_cast<float>(k - 1) * 0.5f;
        EXPECT_EQ(state.fx1[k - 1].re, 0.0f);
        EXPECT_EQ(state.fx1[k - 1].im, -(aa[k - 2] * 1.0f) / omega) << k;
    }
}

TEST_F(Shaping, CornersLeftOutKeepTheirValues) {
    lines(10, 0.5f, 1.0f, 0.0f);
    with_answers("0\n1\n1 2 3 /\n", spectral_shaping);
    EXPECT_EQ(state.omh2, 99999.9f);
    // Above omh1 a shallow ramp falls towards 99999.9 rad/s.
    EXPECT_EQ(state.fx1[8].re, (99999.9f - 4.0f) / (99999.9f - 3.0f));
    lines(10, 0.5f, 1.0f, 0.0f);
    state.oml1 = 7;  // reset to 0 before the answer
    with_answers("0\n1\n,,/\n", spectral_shaping);
    EXPECT_EQ(state.oml1, 0.0f);
    EXPECT_EQ(state.oml2, 2.0f);  // kept from the answer before
    EXPECT_EQ(state.omh1, 3.0f);
    EXPECT_EQ(state.fx1[1].re, 0.25f);  // omega 0.5 on the ramp from 0 to 2
}

TEST_F(Shaping, NoTaperAnswersLeaveTheCornersUnread) {
    lines(5, 1.0f, 2.0f, 1.0f);
    const std::string out = with_answers("0\n0\n", spectral_shaping);
    EXPECT_EQ(out.find("TRAPEZOIDAL"), std::string::npos);
    for (int k = 2; k <= 5; ++k) {
        EXPECT_EQ(state.fx1[k - 1].re, 2.0f);
        EXPECT_EQ(state.fx1[k - 1].im, 1.0f);
    }
}

TEST(HermitianCompletion, FourAndSixteenLines) {
    Complex a[16];
    for (int k = 0; k < 16; ++k) a[k] = Complex{static_cast<float>(k + 1), 0.25f * static_cast<float>(k + 1)};
    Complex b[4] = {{1, 1}, {2, 3}, {4, 5}, {9, 9}};
    complete_spectrum(b);
    EXPECT_EQ(b[3].re, 2.0f);  // line 4 from line 2
    EXPECT_EQ(b[3].im, -3.0f);
    EXPECT_EQ(b[2].im, 5.0f);  // line 3 (= nf/2 + 1) keeps its value
    EXPECT_EQ(b[0].im, 1.0f);

    a[2] = Complex{1.25f, -0.5f};
    complete_spectrum(a);
    for (int k = 2; k <= 8; ++k) {
        EXPECT_EQ(a[16 + 2 - k - 1].re, a[k - 1].re);
        EXPECT_EQ(a[16 + 2 - k - 1].im, -a[k - 1].im);
    }
    EXPECT_EQ(a[14].re, 1.25f);  // line 15 from line 3
    EXPECT_EQ(a[14].im, 0.5f);
    EXPECT_EQ(a[8].re, 9.0f);  // line 9 keeps its value
    EXPECT_EQ(a[8].im, 2.25f);
}

}  // namespace
}  // namespace zeplo
