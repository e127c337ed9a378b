// The computation library from several threads at once: every stage of a run,
// on different cases in parallel, gives the same bits as the same cases run
// one after another. Built with the sanitizers (or ThreadSanitizer), a data
// race between the runs is reported as well.
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "amplification.hpp"
#include "frequency_grid.hpp"
#include "shaping.hpp"
#include "synthesis.hpp"
#include "transform.hpp"

namespace zeplo {
namespace {

struct Case {
    int nt;
    float dt;
    std::vector<float> dns, vs, qs, thk;
    float pqf;
    float theta;
    Shape shape;
    bool taper;
};

struct Result {
    std::vector<Complex> col1, col2, spectrum;
    std::vector<float> wave;
    Extremes extremes{};
};

Result run(const Case& c) {
    const auto length = transform_length(c.nt, 22);
    Result r;
    std::vector<Complex> data(static_cast<std::size_t>(length->nf), Complex{0.0f, 0.0f});
    for (int k = 0; k < c.nt; ++k) {
        const float t = static_cast<float>(k) * c.dt;
        data[static_cast<std::size_t>(k)] = Complex{std::sin(7.0f * t) * std::exp(-0.3f * t), 0.0f};
    }
    const FrequencyGrid g = frequency_grid(length->nf, c.dt);
    forward_spectrum(data, c.dt);
    const SoilColumn column{c.dns, c.vs, c.qs, c.thk, c.pqf, c.theta, 1};
    const auto nom = static_cast<std::size_t>(g.nom);
    r.col1.resize(nom);
    r.col2.resize(nom);
    column_amplification(column, g.dom, r.col1, r.col2);
    const std::span<Complex> lines(data.data(), nom);
    amplify(lines, r.col2, column, g.dom);
    const Taper taper{0.5f, 2.0f, 100.0f, 150.0f};
    shape_spectrum(lines, g.dom, c.shape, c.taper ? &taper : nullptr);
    r.spectrum.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(nom));
    complete_spectrum(data);
    r.wave.resize(data.size());
    r.extremes = synthesize(data, g.dur, r.wave);
    return r;
}

bool same_bits(const Result& a, const Result& b) {
    auto eq = [](const auto& x, const auto& y) {
        return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size() * sizeof x[0]) == 0;
    };
    return eq(a.col1, b.col1) && eq(a.col2, b.col2) && eq(a.spectrum, b.spectrum) && eq(a.wave, b.wave) &&
           std::memcmp(&a.extremes, &b.extremes, sizeof a.extremes) == 0;
}

TEST(ConcurrentRuns, SameBitsAsOneAtATime) {
    // Different lengths (one beyond the dialog's 2^15), damping on and off,
    // oblique and vertical, every shape: no two runs share a code path's data.
    const std::vector<Case> cases = {
        {40000, 0.01f, {1.8f, 1.9f, 2.2f}, {180.0f, 350.0f, 900.0f}, {15.0f, 25.0f, 60.0f}, {12.0f, 30.0f, 0.0f},
         0.0f, 0.0f, Shape::integrate, true},
        {3000, 0.005f, {1.7f, 2.0f}, {150.0f, 760.0f}, {10.0f, 50.0f}, {25.0f, 0.0f}, kNoDamping, 0.3f,
         Shape::differentiate, false},
        {1560, 0.02f, {1.8f, 1.8f, 1.9f, 2.0f, 2.4f}, {120.0f, 200.0f, 320.0f, 500.0f, 1200.0f},
         {8.0f, 12.0f, 20.0f, 30.0f, 100.0f}, {5.0f, 10.0f, 15.0f, 20.0f, 0.0f}, 0.5f, 0.0f, Shape::none, true},
    };
    std::vector<Result> alone;
    for (const Case& c : cases) alone.push_back(run(c));

    for (int round = 0; round < 3; ++round) {
        std::vector<Result> together(cases.size());
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < cases.size(); ++i)
            threads.emplace_back([&, i] { together[i] = run(cases[(i + static_cast<std::size_t>(round)) % cases.size()]); });
        for (std::thread& t : threads) t.join();
        for (std::size_t i = 0; i < cases.size(); ++i)
            EXPECT_TRUE(same_bits(together[i], alone[(i + static_cast<std::size_t>(round)) % cases.size()]))
                << "round " << round << ", case " << (i + static_cast<std::size_t>(round)) % cases.size();
    }
    // The runs did something: a non-trivial output wave in every case.
    for (const Result& r : alone) EXPECT_LT(r.extremes.min, 0.0f);
}

}  // namespace
}  // namespace zeplo
