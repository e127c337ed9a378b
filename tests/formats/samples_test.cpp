// The real sample files in tests/data/formats, read through format detection.
// Every number below was read by eye from the file (the line is given); the
// peaks are the ones each file's own header states, which checks every value
// of the block at once: a field cut in the wrong place would move or change it.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include "formats.hpp"

namespace zeplo::formats {
namespace {

std::string sample(const std::string& name) {
  return std::string(ZEPLO_TEST_DATA) + "/formats/" + name;
}

struct Sample {
  const char* file;
  int channel;
  Format format;
  Unit unit;
  std::size_t npts;
  double dt;
  std::array<double, 3> first;
  std::array<double, 3> last;
  double peak;       // the header's peak value (0: the header states none)
  double peak_time;  // and its time, taking the first sample at t = 0
  double peak_tolerance;
};

const Sample kSamples[] = {
    // Line 4 "4096    0.0100    NPTS, DT"; values lines 5 and 823-824.
    {"NIS090.AT2", 1, Format::at2, Unit::g, 4096, 0.01,
     {0.233833E-06, 0.299033E-06, 0.515835E-06}, {0.490601E-04, 0.494028E-04, 0.496963E-04},
     0, 0, 0},
    // Line 4 "NPTS=   7999, DT=   .0050 SEC,"; values lines 5 and 1604.
    {"RSN763_LOMAP_GIL067.AT2", 1, Format::at2, Unit::g, 7999, 0.005,
     {-.8075668E-03, -.8063926E-03, -.8051829E-03}, {.3342754E-03, .3352432E-03, .3362115E-03},
     0, 0, 0},
    // Integer no. 17 = 6001, real no. 2 = 200 samples/s; values lines 36 and 785-786.
    // Peak: reals no. 29 and 30 (0.1017000E+02 s, 0.1044078E+03); values have 5 digits.
    {"0111a.smc", 1, Format::smc, Unit::cm_s2, 6001, 0.005,
     {1.5057, -2.2223, -1.9234}, {0.56969, 1.1980, -0.28745},
     104.4078, 10.17, 0.01},
    // 1646 values at 50 samples/s; values lines 37 and 365-366; peak reals no. 29, 30.
    {"A-CAT090.AT2.smc", 1, Format::smc, Unit::cm_s2, 1646, 0.02,
     {9.5746585E-04, 4.5568822E-03, 2.7620741E-03}, {4.9592298E-02, 4.5932774E-02, 4.1989844E-02},
     41.35543, 11.42, 1e-5},
    // Line 53 "42000 acceleration pts ... units=cm/sec2(04)"; real no. 62 = 5 ms (no. 34
    // says 0.02); values lines 54-56 and 42051-42053; peak reals no. 64, 65.
    {"us1000hyfh_akbmrp_AKBMR--n.1000hyfh.BNZ.--.acc.V2c", 1, Format::cosmos_v2, Unit::cm_s2,
     42000, 0.005,
     {3.437285e-04, 3.438810e-04, 3.440236e-04}, {2.480148e-04, 2.438520e-04, 2.412614e-04},
     -6.851512, 76.215, 1e-9},
    // Line 46 "7000 acceleration pts ... (8F10.5)"; real no. 62 = 10 ms (no. 34 says 0.005);
    // values lines 47 and 921. Its header's peak does not belong to these made-up values.
    {"Cosmos12TimeSeriesTest.v1", 1, Format::cosmos_v2, Unit::cm_s2, 7000, 0.01,
     {-.00001, .00013, .00000}, {-.00001, -.00007, -.00003},
     0, 0, 0},
    // Channel 1: line 46 "15050 points of accel data ... .020 sec, in cm/sec2. (8f10.6)";
    // values lines 47 and 1927-1928; peak line 18 "82.584 ... at 14.840 sec".
    {"CIWLT.V2", 1, Format::cgs_v2, Unit::cm_s2, 15050, 0.02,
     {.001046, .001378, .001088}, {-.000393, -.000438, -.000380},
     82.584, 14.84, 1e-3},
    // Channel 2: line 5741 "15029 points ... (8f10.5)"; values lines 5742 and 7620;
    // peak line 5713 "-115.845 ... at 14.520 sec".
    {"CIWLT.V2", 2, Format::cgs_v2, Unit::cm_s2, 15029, 0.02,
     {-.00035, -.00011, -.00035}, {-.00007, -.00002, -.00007},
     -115.845, 14.52, 1e-3},
};

TEST(FormatSamples, ReadAsTheFileSays) {
  for (const Sample& s : kSamples) {
    SCOPED_TRACE(std::string(s.file) + " channel " + std::to_string(s.channel));
    const Record r = read_record(sample(s.file), {}, s.channel);
    EXPECT_EQ(r.format, s.format);
    EXPECT_EQ(r.unit, s.unit);
    EXPECT_EQ(r.dt, s.dt);
    ASSERT_EQ(r.values.size(), s.npts);
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(r.values[k], s.first[k]) << "value " << k + 1;
      EXPECT_EQ(r.values[s.npts - 3 + k], s.last[k]) << "value " << s.npts - 2 + k;
    }
    if (s.peak == 0) continue;
    std::size_t at = 0;
    for (std::size_t k = 1; k < r.values.size(); ++k)
      if (std::abs(r.values[k]) > std::abs(r.values[at])) at = k;
    EXPECT_NEAR(r.values[at], s.peak, s.peak_tolerance);
    EXPECT_NEAR(static_cast<double>(at) * r.dt, s.peak_time, 1e-9);
  }
}

TEST(FormatSamples, WarningsChannelsAndTitles) {
  const Record smc = read_record(sample("A-CAT090.AT2.smc"));
  ASSERT_EQ(smc.warnings.size(), 1u);  // type "0 UNKNOWN"
  EXPECT_NE(smc.warnings[0].find("type 0"), std::string::npos);
  EXPECT_TRUE(read_record(sample("NIS090.AT2")).warnings.empty());

  EXPECT_EQ(list_channels(sample("CIWLT.V2")),
            (std::vector<std::string>{"Chan 1: 90 Deg", "Chan 2: 360 Deg", "Chan 3: Up"}));
  EXPECT_EQ(read_record(sample("CIWLT.V2"), {}, 3).station_or_title,
            "Hacienda Heights, Chan 3: Up");
  EXPECT_EQ(list_channels(sample("NIS090.AT2")),
            std::vector<std::string>{"KOBE 01/16/95 2046, NISHI-AKASHI, 090 (CUE)"});
}

}  // namespace
}  // namespace zeplo::formats
