// The amplification over threads: the spectrum times the chosen column and
// the travel-time phase, four lines at a time and in blocks of lines, is bit
// for bit the product written out line by line with the library's
// exponentials, for every thread count.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "amplification.hpp"
#include "frequency_grid.hpp"

namespace zeplo {
namespace {

bool same_bits(Complex a, Complex b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct Profile {
    std::vector<float> dns, vs, qs, thk;
    SoilColumn column(float pqf) const { return SoilColumn{dns, vs, qs, thk, pqf, 0.0f, 1}; }
};

Profile layered(int nl) {
    Profile p;
    for (int l = 0; l < nl; ++l) {
        p.dns.push_back(1.7f + 0.01f * l);
        p.vs.push_back(l < nl - 1 ? 130.0f + 11.0f * l : 1500.0f);
        p.qs.push_back(12.0f + l);
        p.thk.push_back(l < nl - 1 ? 2.5f + 0.75f * l : 0.0f);
    }
    return p;
}

std::vector<Complex> random_lines(int n, unsigned seed) {
    std::mt19937 g(seed);
    std::uniform_real_distribution<float> u(-3.0f, 3.0f);
    std::vector<Complex> v(static_cast<std::size_t>(n));
    for (auto& z : v) z = {u(g), u(g)};
    return v;
}

TEST(AmplificationThreads, AmplifyIsTheLineByLineProductForEveryThreadCount) {
    const int lines = 4099;  // not a multiple of four: the last lines go one by one
    const float dom = kTwoPi / (8192 * 0.004f);
    for (int nl : {1, 2, 7, 40}) {
        const Profile p = layered(nl);
        const SoilColumn c = p.column(0.0f);
        const auto chosen = random_lines(lines, 3);
        const auto spectrum = random_lines(lines, 4);
        std::vector<Complex> literal = spectrum;
        for (int k = 1; k <= lines; ++k) {
            const float om = line_omega(k, dom);
            Complex delay{1.0f, 0.0f};
            for (int l = 1; l <= nl - 1; ++l) delay = cmul(delay, cexp_library(Complex{0.0f, (om * p.thk[l - 1]) / p.vs[l - 1]}));
            literal[k - 1] = cmul(cmul(spectrum[k - 1], chosen[k - 1]), delay);
        }
        for (int threads : {1, 2, 3, 8}) {
            std::vector<Complex> s = spectrum;
            amplify(s, chosen, c, dom, threads);
            for (int k = 0; k < lines; ++k)
                ASSERT_TRUE(same_bits(s[k], literal[k])) << "layers " << nl << " threads " << threads << " line " << k + 1;
        }
    }
}

TEST(AmplificationThreads, ColumnsDoNotDependOnTheThreadCount) {
    const Profile p = layered(25);
    const int lines = 3001;
    const float dom = kTwoPi / (6000 * 0.005f);
    for (float pqf : {0.0f, 999.0f, 0.4f}) {
        std::vector<Complex> one1(lines), one2(lines);
        column_amplification(p.column(pqf), dom, one1, one2);
        for (int threads : {2, 5}) {
            std::vector<Complex> c1(lines), c2(lines);
            column_amplification(p.column(pqf), dom, c1, c2, threads);
            for (int k = 0; k < lines; ++k)
                ASSERT_TRUE(same_bits(c1[k], one1[k]) && same_bits(c2[k], one2[k])) << "pqf " << pqf << " line " << k + 1;
        }
    }
}

}  // namespace
}  // namespace zeplo
