// Whole runs: a transcript derived by hand, the physics the run must show, the
// refusals, and every real record with every real profile.
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <numeric>

#include "e2e_fixture.hpp"

namespace zeplo::test {
namespace {

constexpr const char* kHalfSpace =  // nl = 1: the amplification is 1 (column 2) or 2 (column 1)
    "       0.0\n         1\n         1     999.0\n"
    "     2.0  1600.0    50.0   800.0    50.0     0.0\n";

using WholeRunTest = WholeRun;

// Four samples 1, 2, 3, 4 at 0.25 s over the half-space alone, column 2, no
// shaping. By hand: the spectrum times dt is 2.5, (-0.5, 0.5), (-0.5, 0); line 1
// is cleared, and the output is the record minus its mean.
TEST_F(WholeRunTest, TranscriptOfASmallRun) {
    put("rec.txt", "0.00 1.0\n0.25 2.0\n0.50 3.0\n0.75 4.0\n");
    put("hs.dat", kHalfSpace);
    const ChildOutcome r = run("rec.txt\nhs.dat\n2\n0\n0\n");
    const float dom = 6.2831855f / (4.0f * 0.25f);
    const float eom = 3.0f * dom;
    EXPECT_EQ(r.out, "\n\n Enter Acceleration Data (H1,H2,V1)\n"
                     " NT and DT= 4  0.25\n"
                     "\n"
                     "  IF1,NF= 2 4\n"
                     "\n"
                     "  DUR,DOM,NOM,EOM=  1.  6.28318548 3" + real_text(eom) + "\n"
                     "  Highest Frequency (hz)=" + real_text(static_cast<double>(eom) / 6.283185307) + "\n"
                     "\n"
                     " Enter Soil Data File Name \n"
                     "\n"
                     " S_amp: Amplification Factor for S wave\n"
                     "\n"
                     " WAVE * AMP(i):\n"
                     "   Enter 1 for AMP with respect to INPUT WAVE:\n"
                     "   Entwe 2 for AMP with respect to BEDROCK WAVE:\n"
                     "\n"
                     "  You can integrate or differentiate the original wave.;\n"
                     "    Do not change   (Enter -> 0),\n"
                     "    Integrate       (Enter -> 1),\n"
                     "    Differentiate   (Enter -> 2):\n"
                     "\n"
                     "  Band Pass Filter? (Yes=1 or No=0) :\n"
                     "\n"
                     " The Fourier Spectrum data are stored in \"amp_dat\"\n"
                     "\n"
                     "  Nmber of data points    = 4\n"
                     "  Duration and Delta Time =  1.  0.25\n"
                     "  Initial and final times =  0.  0.75\n"
                     "\n"
                     "  Min and Max amplitudes  = -1.5  1.5\n"
                     "\n"
                     " Output data are stored in \"zeplo_dat\"\n"
                     "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(contents("S_amp1"),
              "  0.0000  0.2000E+01  0.0000E+00  0.2000E+01  0.1000E+01  0.0000E+00  0.1000E+01\n"
              "  1.0000  0.2000E+01  0.0000E+00  0.2000E+01  0.1000E+01  0.0000E+00  0.1000E+01\n"
              "  2.0000  0.2000E+01  0.0000E+00  0.2000E+01  0.1000E+01  0.0000E+00  0.1000E+01\n");
    EXPECT_EQ(contents("amp_dat"), "  1.0000 -0.5000E+00  0.5000E+00  0.7071E+00\n"
                                   "  2.0000 -0.5000E+00  0.0000E+00  0.5000E+00\n");
    EXPECT_EQ(contents("zeplo_dat"), "   0.000 -0.1500E+01\n"
                                     "   0.250 -0.5000E+00\n"
                                     "   0.500  0.5000E+00\n"
                                     "   0.750  0.1500E+01\n");
}

// Values of zeplo_dat's second column.
std::vector<double> wave(const std::string& text) {
    std::vector<double> v;
    for (const std::string& l : lines_of(text)) v.push_back(std::strtod(l.substr(8).c_str(), nullptr));
    return v;
}

TEST_F(WholeRunTest, HalfSpaceAloneReturnsTheRecordMinusItsMean) {
    // 1000 samples: nf = 1024, the mean is taken over the 1024 samples.
    put_record("rec.txt", 1000, 0.01, [](int k) { return std::sin(0.05 * k) + 0.3 * std::cos(0.31 * k) + 0.7; });
    put("hs.dat", kHalfSpace);
    const ChildOutcome r = run("rec.txt\nhs.dat\n2\n0\n0\n");
    ASSERT_EQ(r.status, 0) << r.err;
    double sum = 0;
    for (int k = 0; k < 1000; ++k) sum += static_cast<float>(std::sin(0.05 * k) + 0.3 * std::cos(0.31 * k) + 0.7);
    const double mean = sum / 1024;
    const std::vector<double> got = wave(contents("zeplo_dat"));
    ASSERT_EQ(got.size(), 1000u);
    for (int k = 0; k < 1000; ++k) {
        const double want = static_cast<float>(std::sin(0.05 * k) + 0.3 * std::cos(0.31 * k) + 0.7) - mean;
        // E12.4 keeps four significant digits.
        EXPECT_NEAR(got[static_cast<std::size_t>(k)], want, 6e-4 * std::fabs(want) + 1e-5) << k;
    }
    EXPECT_NE(r.out.find("  Nmber of data points    = 1024\n"), std::string::npos);
    EXPECT_NE(r.out.find("  Initial and final times =  0.  10.2299995\n"), std::string::npos);  // 1023 * dt
}

TEST_F(WholeRunTest, SinusoidIntegratedAndDifferentiated) {
    // 16 whole periods of sin(w t) in 1024 samples: w = 2 pi 16 / (1024 dt).
    const double dt = 0.01;
    const double w = 2 * M_PI * 16 / (1024 * dt);
    put_record("sin.txt", 1024, dt, [&](int k) { return std::sin(w * k * dt); });
    put("hs.dat", kHalfSpace);
    // Integration: -cos(w t)/w; differentiation: w cos(w t).
    for (int nyes : {1, 2}) {
        SCOPED_TRACE(nyes);
        const ChildOutcome r = run("sin.txt\nhs.dat\n2\n" + std::to_string(nyes) + "\n0\n");
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<double> got = wave(contents("zeplo_dat"));
        ASSERT_EQ(got.size(), 1024u);
        for (int k = 0; k < 1024; ++k) {
            const double c = std::cos(w * k * dt);
            const double want = nyes == 1 ? -c / w : w * c;
            const double scale = nyes == 1 ? 1 / w : w;
            EXPECT_NEAR(got[static_cast<std::size_t>(k)], want, 2e-3 * scale) << k;
        }
    }
}

TEST_F(WholeRunTest, ALayerLikeTheHalfSpaceDelaysByItsTravelTimeAndThePhaseFactorTakesItOut) {
    // 40 m at 400 m/s: 0.1 s. nsf = 0, so column 1 has modulus 1.
    put("same.dat", "       0.0\n         0\n         2     999.0\n"
                    "     2.0  1600.0    50.0   400.0    50.0    40.0\n"
                    "     2.0  1600.0    50.0   400.0    50.0     0.0\n");
    put_record("rec.txt", 256, 0.01, [](int k) { return std::exp(-0.01 * (k - 100) * (k - 100)); });
    const ChildOutcome r = run("rec.txt\nsame.dat\n1\n0\n0\n");
    ASSERT_EQ(r.status, 0) << r.err;
    // Column 1 is exp(-i om tau): the delay of the wave through the layer.
    const std::vector<std::string> table = lines_of(contents("S_amp1"));
    ASSERT_EQ(table.size(), 129u);
    for (std::size_t k = 0; k < table.size(); ++k) {
        const double om = static_cast<double>(k) * 2 * M_PI / 2.56;
        const double re = std::strtod(table[k].substr(8, 12).c_str(), nullptr);
        const double im = std::strtod(table[k].substr(20, 12).c_str(), nullptr);
        EXPECT_NEAR(re, std::cos(om * 0.1), 2e-4) << k;
        EXPECT_NEAR(im, -std::sin(om * 0.1), 2e-4) << k;
    }
    // With the phase factor the output is the record again (minus its mean).
    double sum = 0;
    for (int k = 0; k < 256; ++k) sum += static_cast<float>(std::exp(-0.01 * (k - 100) * (k - 100)));
    const std::vector<double> got = wave(contents("zeplo_dat"));
    for (int k = 0; k < 256; ++k) {
        const double want = static_cast<float>(std::exp(-0.01 * (k - 100) * (k - 100))) - sum / 256;
        EXPECT_NEAR(got[static_cast<std::size_t>(k)], want, 2e-4) << k;
    }
}

TEST_F(WholeRunTest, TaperThatPassesNothing) {
    put_record("rec.txt", 64, 0.01, [](int k) { return k % 5; });
    put("hs.dat", kHalfSpace);
    const ChildOutcome r = run("rec.txt\nhs.dat\n2\n0\n1\n50 60 40 30\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("  Min and Max amplitudes  =  0.  0.\n"), std::string::npos) << r.out;
    for (const std::string& l : lines_of(contents("zeplo_dat"))) EXPECT_EQ(l.substr(8), "  0.0000E+00");
}

TEST_F(WholeRunTest, FrequenciesOfAThousandHertzAndMoreAreAsterisks) {
    put_record("fast.txt", 16, 0.0004, [](int k) { return k; });  // Nyquist 1250 Hz
    put("hs.dat", kHalfSpace);
    const ChildOutcome r = run("fast.txt\nhs.dat\n1\n0\n0\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> table = lines_of(contents("S_amp1"));
    ASSERT_EQ(table.size(), 9u);
    EXPECT_EQ(table[6].substr(0, 8), "937.5000");
    EXPECT_EQ(table[7].substr(0, 8), "********");  // 1093.75 Hz
    EXPECT_EQ(table[8].substr(0, 8), "********");
    EXPECT_EQ(lines_of(contents("amp_dat")).back().substr(0, 8), "********");
}

TEST_F(WholeRunTest, SuccessiveRunsLeaveOnlyTheSecondRunsRecords) {
    put("hs.dat", kHalfSpace);
    put_record("long.txt", 500, 0.01, [](int k) { return k % 17; });
    put_record("short.txt", 10, 0.01, [](int k) { return k; });
    ASSERT_EQ(run("long.txt\nhs.dat\n2\n0\n0\n").status, 0);
    ASSERT_EQ(run("short.txt\nhs.dat\n2\n0\n0\n").status, 0);
    const std::string table = contents("S_amp1"), spectrum = contents("amp_dat"), output = contents("zeplo_dat");
    const ScratchDir fresh;
    write_file(fresh.file("hs.dat"), kHalfSpace);
    write_file(fresh.file("short.txt"), contents("short.txt"));
    ChildPlan in_fresh;
    in_fresh.cwd = fresh.path();
    ASSERT_EQ(run("short.txt\nhs.dat\n2\n0\n0\n", in_fresh).status, 0);
    EXPECT_EQ(table, read_file(fresh.file("S_amp1")));
    EXPECT_EQ(spectrum, read_file(fresh.file("amp_dat")));
    EXPECT_EQ(output, read_file(fresh.file("zeplo_dat")));
    EXPECT_EQ(lines_of(output).size(), 10u);
}

TEST_F(WholeRunTest, RefusedProfilesAndAnswers) {
    put_record("rec.txt", 32, 0.01, [](int k) { return k % 3; });
    put("S_amp1", "an older table\n");
    struct Case {
        const char* soil;
        const char* answers;
        const char* message;
    };
    const Case cases[] = {
        {"       0.0\n         1\n         0     999.0\n", "2\n",
         "zeplo1: soil file 's.dat': the layer count is 0; it must be from 1 to 50 (the half-space included)\n"},
        {"       0.0\n         1\n        51     999.0\n", "2\n",
         "zeplo1: soil file 's.dat': the layer count is 51; it must be from 1 to 50 (the half-space included)\n"},
        {"       0.0\n         1\n         2     999.0\n     1.8   400.0    20.0     0.0    20.0    10.0\n"
         "     2.0  1600.0    50.0   800.0    50.0     0.0\n",
         "2\n", "zeplo1: soil file 's.dat', layer 1: the S-wave velocity is zero; the transfer function would "
                "divide by it\n"},
        {"       0.0\n         1\n         2     999.0\n     1.8   400.0    20.0   200.0    20.0    10.0\n"
         "     0.0  1600.0    50.0   800.0    50.0     0.0\n",
         "2\n", "zeplo1: soil file 's.dat', layer 2: the density is zero; the transfer function would divide by it\n"},
        {"       0.0\n         1\n         2       0.0\n     1.8   400.0    20.0   200.0\n"
         "     2.0  1600.0    50.0   800.0    50.0     0.0\n",
         "2\n", "zeplo1: soil file 's.dat', layer 1: the S-wave quality factor is zero; the transfer function "
                "would divide by it\n"},
        {kHalfSpace, "3\n", "zeplo1: the amplification choice is 3; answer 1 (input wave) or 2 (bedrock wave)\n"},
        {kHalfSpace, "/\n", "zeplo1: the amplification choice is 0; answer 1 (input wave) or 2 (bedrock wave)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        put("s.dat", c.soil);
        const ChildOutcome r = run(std::string("rec.txt\ns.dat\n") + c.answers);
        EXPECT_EQ(r.err, c.message);
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(contents("S_amp1"), "an older table\n");
        EXPECT_FALSE(exists("amp_dat"));
    }
    // Undamped, a zero quality factor does no harm; the half-space alone needs
    // no velocity at all.
    put("s.dat", "       0.0\n         1\n         2     999.0\n     1.8   400.0    20.0   200.0\n"
                 "     2.0  1600.0    50.0   800.0    50.0     0.0\n");
    EXPECT_EQ(run("rec.txt\ns.dat\n2\n0\n0\n").status, 0);
}

// Input that is readable but leaves single precision is refused, and nothing is
// written as an infinity.
TEST_F(WholeRunTest, ValuesBeyondSinglePrecisionAreRefused) {
    put("hs.dat", kHalfSpace);
    put("p.dat", "       0.0\n         1\n         2  -30000.0\n"
                 "     1.8   400.0    20.0   200.0    20.0    10.0\n"
                 "     2.0  1600.0    50.0   800.0    50.0     0.0\n");
    put_record("rec.txt", 64, 0.01, [](int k) { return k % 4; });
    put_record("big.txt", 64, 0.01, [](int k) { return k % 2 ? 3e38 : -3e38; });
    put("inf.txt", "0 1\n1 1e39\n2 0\n");
    put("tiny.txt", "0 1\n1e-44 2\n2e-44 3\n");
    struct Case {
        const char* answers;
        const char* message_start;
        bool table;
    };
    const Case cases[] = {
        {"inf.txt\n", "zeplo1: acceleration file 'inf.txt': the value of sample 2 is too large", false},
        {"tiny.txt\n", "zeplo1: acceleration file 'tiny.txt': the time step (second time minus first time) is", false},
        {"rec.txt\np.dat\n2\n", "zeplo1: soil file 'p.dat': the amplification at", false},
        {"big.txt\nhs.dat\n2\n0\n0\n", "zeplo1: the processed spectrum at ", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answers);
        std::remove(file("S_amp1").c_str());
        const ChildOutcome r = run(c.answers);
        EXPECT_EQ(r.err.rfind(c.message_start, 0), 0u) << r.err;
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(exists("S_amp1"), c.table);
        EXPECT_FALSE(exists("amp_dat"));
        EXPECT_FALSE(exists("zeplo_dat"));
    }
}

// Every real record with every real profile: status 0 and finite numbers in
// every file (the record of more than 32768 samples ends with the warning).
TEST_F(WholeRunTest, RealRecordsWithRealProfiles) {
    for (const char* name : {"elcentro.txt", "shafter.txt", "dpsurf.txt", "dp61m.txt", "reston.txt", "tri.dat",
                             "tri_nd.dat", "yb.dat"})
        put(name, read_file(std::string(ZEPLO_TEST_DATA) + "/" + name));
    for (const char* record : {"elcentro.txt", "shafter.txt", "dpsurf.txt", "dp61m.txt", "reston.txt"}) {
        for (const char* soil : {"tri.dat", "tri_nd.dat", "yb.dat"}) {
            SCOPED_TRACE(std::string(record) + " " + soil);
            const ChildOutcome r = run(std::string(record) + "\n" + soil + "\n1\n1\n1\n0.3 0.6 90 120\n");
            EXPECT_EQ(r.err, "");
            ASSERT_TRUE(r.exited);
            EXPECT_EQ(r.status, std::string(record) == "reston.txt" ? 1 : 0);
            if (std::string(record) == "reston.txt") {
                EXPECT_NE(r.out.find(" NT and DT= 41200  0.00499999989\n  NT>2**15 !!!!!\n"), std::string::npos);
                EXPECT_FALSE(exists("S_amp1"));
                continue;
            }
            for (const OutputFile& f : kOutputFiles) EXPECT_FALSE(mentions_non_finite(contents(f.name))) << f.name;
            EXPECT_EQ(r.out.find("NAN"), std::string::npos);
            std::remove(file("S_amp1").c_str());
        }
    }
}

}  // namespace
}  // namespace zeplo::test
