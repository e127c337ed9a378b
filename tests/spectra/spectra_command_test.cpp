// `zeplo spectra` as a user runs it: the CSV's header and rows, the periods
// in ascending order, one column per damping in the order given, the unit
// conversion, and refusals with status 1 and a message.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "response_spectrum.hpp"

namespace zeplo::spectra {
namespace {

struct Outcome {
    int status;
    std::string out;
};

Outcome zeplo(const std::string& args) {
    const std::string cmd = std::string("'") + ZEPLO_BINARY + "' spectra " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    Outcome r{-1, {}};
    if (!p) return r;
    char buf[4096];
    std::size_t got = 0;
    while ((got = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, got);
    const int s = pclose(p);
    r.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return r;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> v;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

const std::string kKobe = std::string(ZEPLO_TEST_DATA) + "/formats/NIS090.AT2";

TEST(SpectraCommand, OneDampingAtChosenPeriods) {
    const Outcome r = zeplo("'" + kKobe + "' --periods 1,0.1,10");
    ASSERT_EQ(r.status, 0) << r.out;
    const auto l = lines(r.out);
    ASSERT_EQ(l.size(), 4u);
    EXPECT_EQ(l[0], "period_s,psa");
    EXPECT_EQ(l[1].substr(0, 4), "0.1,");
    EXPECT_EQ(l[2].substr(0, 2), "1,");
    EXPECT_EQ(l[3].substr(0, 3), "10,");
    // The AT2 record is in g; converted, every value scales by 980.665.
    const Outcome cm = zeplo("'" + kKobe + "' --periods 1,0.1,10 --units cm/s2");
    ASSERT_EQ(cm.status, 0) << cm.out;
    const auto lc = lines(cm.out);
    for (std::size_t i = 1; i < 4; ++i) {
        const double g = std::stod(l[i].substr(l[i].find(',') + 1)), c = std::stod(lc[i].substr(lc[i].find(',') + 1));
        EXPECT_NEAR(c / (g * 980.665), 1.0, 2e-6) << l[i];
    }
}

TEST(SpectraCommand, SeveralDampingsOnTheStandardGrid) {
    const Outcome r = zeplo("'" + kKobe + "' --damping 10,2,5 --grid standard");
    ASSERT_EQ(r.status, 0) << r.out;
    const auto l = lines(r.out);
    ASSERT_EQ(l.size(), 101u);
    EXPECT_EQ(l[0], "period_s,psa_10,psa_2,psa_5");
    EXPECT_EQ(l[1].substr(0, 5), "0.01,");
    EXPECT_EQ(l[100].substr(0, 3), "10,");
    // Less damping, more response: from 0.2 s to 2 s the columns order as 2 % > 5 % > 10 %.
    int checked = 0;
    for (std::size_t i = 1; i < l.size(); ++i) {
        std::istringstream cells(l[i]);
        std::string t, z10, z2, z5;
        std::getline(cells, t, ',');
        std::getline(cells, z10, ',');
        std::getline(cells, z2, ',');
        std::getline(cells, z5, ',');
        if (std::stod(t) < 0.2 || std::stod(t) > 2.0) continue;
        EXPECT_GT(std::stod(z2), std::stod(z5)) << l[i];
        EXPECT_GT(std::stod(z5), std::stod(z10)) << l[i];
        ++checked;
    }
    EXPECT_EQ(checked, 33);
}

TEST(SpectraCommand, MethodsAndRefusals) {
    const Outcome fourier = zeplo("'" + kKobe + "' --periods 2 --method fourier");
    const Outcome nj = zeplo("'" + kKobe + "' --periods 2");
    ASSERT_EQ(fourier.status, 0) << fourier.out;
    const double a = std::stod(lines(fourier.out)[1].substr(2)), b = std::stod(lines(nj.out)[1].substr(2));
    EXPECT_NEAR(a / b, 1.0, 0.005);

    for (const char* bad : {"--damping 5,5", "--damping 100", "--damping 0 --method fourier", "--periods 0",
                            "--periods 1 --grid standard", "--method duhamel"}) {
        const Outcome r = zeplo("'" + kKobe + "' " + bad);
        EXPECT_NE(r.status, 0) << bad;
        EXPECT_FALSE(r.out.empty()) << bad;
        EXPECT_EQ(r.out.find("period_s"), std::string::npos) << bad;
    }
    const Outcome missing = zeplo("/nonexistent/record.AT2");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("/nonexistent/record.AT2"), std::string::npos);
}

}  // namespace
}  // namespace zeplo::spectra
