// Small made-up files for what users send and for what must be refused, and
// the real COSMOS and CGS samples with one thing changed.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "formats.hpp"

namespace zeplo::formats {
namespace {

// Parsing must be refused on `line` with a message holding `words`.
void expect_refused(const std::function<void()>& parse, int line, const std::string& words) {
  SCOPED_TRACE("expected line " + std::to_string(line) + ", '" + words + "'");
  try {
    parse();
    ADD_FAILURE() << "no ReadError";
  } catch (const ReadError& e) {
    EXPECT_EQ(e.line, line) << e.what();
    EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
  }
}

std::string file_text(const std::string& name) {
  std::ifstream in(std::string(ZEPLO_TEST_DATA) + "/formats/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// `text` with the first `from` replaced by `to` (which must be there).
std::string changed(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(FormatTwoColumn, TakesWhatUsersSend) {
  // Byte-order mark, comments, CRLF, commas and tabs, a third column, a trailing blank line.
  const Record r = parse_two_column(
      "\xEF\xBB\xBF# El Centro\r\n# t  a\r\n0.00,0.1,9\r\n0.02\t-0.2\r\n"
      "0.04 0.3\r\n\r\n",
      "u.txt");
  EXPECT_EQ(r.values, (std::vector<double>{0.1, -0.2, 0.3}));
  EXPECT_EQ(r.dt, 0.0199999995529651641845703125);  // 0.02 in single precision
  EXPECT_EQ(r.unit, Unit::unknown);
  EXPECT_EQ(r.station_or_title, "El Centro");
  EXPECT_TRUE(r.warnings.empty());
  EXPECT_EQ(detect_format("\xEF\xBB\xBF# El Centro\r\n0 1\r\n0.02 2\r\n"), Format::two_column);
}

TEST(FormatTwoColumn, SinglePrecisionTimeStepAndUnevenTimes) {
  // float(10.005) - float(10.0), exactly; not 0.005.
  EXPECT_EQ(parse_two_column("10.000 1\n10.005 2\n10.010 3\n", "t").dt, 0.00500011444091796875);
  const Record uneven = parse_two_column("0 1\n0.01 2\n0.03 3\n", "t");
  ASSERT_EQ(uneven.warnings.size(), 1u);
  EXPECT_EQ(uneven.warnings[0].rfind("t:3: the times are not evenly spaced", 0), 0u);
}

TEST(FormatTwoColumn, Refusals) {
  auto parse = [](const char* text) { return [text] { parse_two_column(text, "t"); }; };
  expect_refused(parse("0 1\n0.01 1.2x3\n"), 2, "'1.2x3'");
  expect_refused(parse("0 1\n0.01\n"), 2, "expected a time and a value");
  expect_refused(parse("0 1\n0 2\n"), 2, "positive, finite time step");
  expect_refused(parse("# only\n0 1\n"), 0, "at least two lines");
  expect_refused(parse("0 1\n0.01 nan\n"), 2, "finite number");
}

std::string at2(const std::string& line4, const std::string& values) {
  return "PEER NGA STRONG MOTION DATABASE RECORD\nTEST, 1/1/2000, STATION, 090\n"
         "ACCELERATION TIME SERIES IN UNITS OF G\n" +
         line4 + "\n" + values;
}
const std::string kAt2Values =
    "  .1000000E-02  -.2000000E-02   .3000000E-02\n  -.4000000E-02   .5000000E-02\n";

TEST(FormatAt2, BothHeaderLayoutsAndValuesOverSeveralLines) {
  for (const char* line4 : {"NPTS=      5, DT=   .0050 SEC,", "NPTS=      5, DT=   .0050 SEC",
                            "NPTS=5 DT=.0050 SEC", "5    0.0050    NPTS, DT"}) {
    SCOPED_TRACE(line4);
    const Record r = parse_at2(at2(line4, kAt2Values), "t.at2");
    EXPECT_EQ(r.dt, 0.005);
    EXPECT_EQ(r.unit, Unit::g);
    EXPECT_EQ(r.values, (std::vector<double>{0.001, -0.002, 0.003, -0.004, 0.005}));
    EXPECT_EQ(detect_format(at2(line4, kAt2Values)), Format::at2);
  }
}

TEST(FormatAt2, Refusals) {
  auto parse = [](std::string line4, std::string values) {
    return [=] { parse_at2(at2(line4, values), "t.at2"); };
  };
  expect_refused(parse("NPTS=      6, DT=   .0050 SEC", kAt2Values), 6,
                 "ends after 5 values; expected NPTS= 6");
  expect_refused(parse("NPTS=      4, DT=   .0050 SEC", kAt2Values), 6, "expected no more values");
  expect_refused(parse("NPTS=      5, DT=   .0000 SEC", kAt2Values), 4, "time step (DT), found 0");
  expect_refused(parse("5    -0.005    NPTS, DT", kAt2Values), 4, "found -0.005");
  expect_refused(parse("NPTS=      5", kAt2Values), 4,
                 "expected 'NPTS= n, DT= dt SEC' or 'n dt NPTS, DT'");
  expect_refused(parse("5 0.005 NPTS, DT", "  .1E-02  -.2E-O2   .3E-02\n"), 5, "'-.2E-O2'");
  try {
    parse_at2(at2("NPTS=      5, DT=   .0000 SEC", kAt2Values), "t.at2");
    ADD_FAILURE() << "no ReadError";
  } catch (const ReadError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("t.at2:4: expected a positive", 0), 0u) << e.what();
    EXPECT_EQ(e.file, "t.at2");
  }
}

// An SMC file: record type line, integers no. 16 and 17, real no. 2, then the
// comment lines and the value lines.
std::string smc(const std::string& type, int comments, const std::string& count,
                const std::string& per_second, const std::vector<std::string>& values) {
  std::string text = type + "\n";
  for (int k = 1; k < 11; ++k) text += "*\n";
  char field[32];
  for (int k = 1; k <= 48; ++k) {
    const std::string value = k == 16 ? std::to_string(comments) : k == 17 ? count : "-32768";
    std::snprintf(field, sizeof field, "%10s", value.c_str());
    text += std::string(field) + (k % 8 == 0 ? "\n" : "");
  }
  for (int k = 1; k <= 50; ++k) {
    std::snprintf(field, sizeof field, "%15s", k == 2 ? per_second.c_str() : "0.1700000E+39");
    text += std::string(field) + (k % 5 == 0 ? "\n" : "");
  }
  for (int k = 0; k < comments; ++k) text += "| comment\n";
  for (const std::string& line : values) text += line + "\n";
  return text;
}
const std::vector<std::string> kTen = {
    " 1.0000E+0-2.5000E-1 3.0000E+0-4.0000E+0 5.0000E+0-6.0000E+0 7.0000E+0-8.0000E+0",
    "-9.0000E+0"};
const std::vector<std::string> kFourteen = {
    " 1.0000000E+00-2.5000000E-01 3.0000000E+00-4.0000000E+00 5.0000000E+00",
    "-6.0000000E+00 7.0000000E+00-8.0000000E+00-9.0000000E+00"};

TEST(FormatSmc, TouchingValuesInEitherFieldWidth) {
  for (const auto* lines : {&kTen, &kFourteen}) {
    const std::string text = smc("2 CORRECTED ACCELEROGRAM", 2, "9", "0.2000000E+03", *lines);
    EXPECT_EQ(detect_format(text), Format::smc);
    const Record r = parse_smc(text, "t.smc");
    EXPECT_EQ(r.values, (std::vector<double>{1, -0.25, 3, -4, 5, -6, 7, -8, -9}));
    EXPECT_EQ(r.dt, 0.005);
    EXPECT_EQ(r.unit, Unit::cm_s2);
    EXPECT_FALSE(r.uncorrected);
  }
  const Record raw = parse_smc(smc("1 UNCORRECTED ACCELEROGRAM", 0, "9", "200", kTen), "t.smc");
  EXPECT_TRUE(raw.uncorrected);
  EXPECT_EQ(raw.warnings.size(), 1u);
}

TEST(FormatSmc, Refusals) {
  auto parse = [](std::string type, std::string count, std::string rate,
                  std::vector<std::string> values) {
    return [=] { parse_smc(smc(type, 1, count, rate, values), "t.smc"); };
  };
  const std::string ok = "2 CORRECTED ACCELEROGRAM";
  expect_refused(parse(ok, "9", "0.1700000E+39", kTen), 18,
                 "samples per second (real no. 2), found the no-value");
  expect_refused(parse(ok, "-32768", "200", kTen), 14,
                 "number of values (integer no. 17), found the no-value");
  expect_refused(parse(ok, "10", "200", kTen), 30, "ends after 9 values; integer no. 17 gives 10");
  expect_refused(parse(ok, "8", "200", kTen), 30, "expected no more values");
  expect_refused(parse(ok, "9", "0", kTen), 18, "positive, finite time step");
  expect_refused(parse("3 VELOCITY", "9", "200", kTen), 1, "expected an accelerogram");
  expect_refused(parse(ok, "13", "200", {kTen[0], kFourteen[1]}), 30, "fields of 10 characters");
  expect_refused(parse(ok, "9", "200", {kTen[0], "-9.0000E+0", "-9.0000X+0"}), 31,
                 "values with exponents");
}

TEST(FormatCosmos, VolumeOneAndRefusals) {
  const std::string v2 = file_text("us1000hyfh_akbmrp_AKBMR--n.1000hyfh.BNZ.--.acc.V2c");
  const Record v1 = parse_cosmos_v2(changed(v2, "Corrected acc", "Uncorrected acc"), "t.v1");
  EXPECT_TRUE(v1.uncorrected);
  EXPECT_EQ(v1.warnings.size(), 1u);
  EXPECT_EQ(v1.values.size(), 42000u);

  auto parse = [&](std::string from, std::string to) {
    return [=] { parse_cosmos_v2(changed(v2, from, to), "t.v2"); };
  };
  // Real no. 62 (line 38, second field) is the only time step read.
  expect_refused(parse("       5.000000     210", "    -999.000000     210"), 38,
                 "value no. 62), found the no-value");
  expect_refused(parse("       5.000000     210", "       0.000000     210"), 38,
                 "positive, finite time step");
  expect_refused(parse("42000 acceleration", "42001 acceleration"), 42054,
                 "after 42000 of the 42001 values");
  expect_refused(parse("42000 acceleration", "41999 acceleration"), 42053,
                 "gives 41999 values, but the values go on");
  EXPECT_EQ(parse_cosmos_v2(changed(v2, "units=cm/sec2(04)", "units=g(02)"), "t.v2").unit, Unit::g);
  expect_refused(parse("units=cm/sec2(04)", "units=furlongs(99)"), 53,
                 "expected the acceleration unit");
  expect_refused(parse("   3.437285e-04", "   3.4372U5e-04"), 54, "'3.4372U5e-04'");
  std::size_t cut = 0;  // after line 1053: the header's 53 lines and 1000 values
  for (int k = 0; k < 1053; ++k) cut = v2.find('\n', cut) + 1;
  expect_refused([&] { parse_cosmos_v2(v2.substr(0, cut), "t.v2"); }, 1053,
                 "the file ends after 1000 of the 42000 values");
}

TEST(FormatCgs, ChannelsCountsAndValues) {
  const std::string v2 = file_text("CIWLT.V2");
  auto parse = [&](std::string from, std::string to, int channel = 1) {
    return [=] { parse_cgs_v2(changed(v2, from, to), "t.v2", channel); };
  };
  expect_refused(parse("", "", 4), 0,
                 "expected a channel from 1 to 3, the channels of this file, found 4");
  expect_refused(parse("15050 points of accel", "15051 points of accel"), 1928,
                 "found 2 (the acceleration block has 15051");
  expect_refused(parse("15050 points of accel", "15049 points of accel"), 1928,
                 "but the values go on");
  expect_refused(parse("   .001046", "   .0010x6"), 47, "'.0010x6'");
  // A channel without its accel block is refused, not read from the next channel.
  expect_refused(parse("15050 points of accel", "15050 points of noise"), 1,
                 "expected a line 'N points of accel");
  expect_refused(parse(".020 sec, in cm/sec2", ".000 sec, in cm/sec2"), 46, "time step");
  // In g: the unit comes from the accel data line.
  EXPECT_EQ(parse_cgs_v2(changed(v2, "in cm/sec2.", "in g.      "), "t.v2").unit, Unit::g);
}

TEST(FormatDetection, RefusesWhatIsNotARecord) {
  expect_refused([] { parse_record("Response and Fourier amplitude spectra\n1 2 3\n", "x.v3"); }, 1,
                 "spectra");
  expect_refused([] { parse_record("hello\n", "x.txt"); }, 1, "expected a ground-motion record");
  expect_refused([] { parse_record("", "x.txt"); }, 0, "empty");
  expect_refused([] { parse_record(at2("5 0.005 NPTS, DT", kAt2Values), "x.at2", {}, 2); }, 0,
                 "channel 1");
  expect_refused([] { read_record("/nonexistent/record.at2"); }, 0, "no such file");
}

TEST(FormatUnits, Factors) {
  EXPECT_EQ(unit_factor(Unit::g, Unit::cm_s2), 980.665);
  EXPECT_EQ(unit_factor(Unit::g, Unit::m_s2), 9.80665);
  EXPECT_EQ(unit_factor(Unit::m_s2, Unit::cm_s2), 100.0);
  EXPECT_DOUBLE_EQ(unit_factor(Unit::cm_s2, Unit::g) * 980.665, 1.0);
  EXPECT_DOUBLE_EQ(unit_factor(Unit::cm_s2, Unit::m_s2) * unit_factor(Unit::m_s2, Unit::g),
                   1.0 / 980.665);
  EXPECT_THROW(unit_factor(Unit::unknown, Unit::g), std::invalid_argument);
}

}  // namespace
}  // namespace zeplo::formats
