// The report's numbers in run.json: the keys the run's readers look up, the
// values to six digits, a ratio over a zero input left null.
#include <gtest/gtest.h>

#include "summary_json.hpp"

namespace zeplo::report {
namespace {

TEST(SummaryJson, KeysValuesAndAMissingRatio) {
    ReportSummary s;
    s.unit = "g";
    s.velocity_unit = "cm/s";
    s.pga_input = 0.1234567891;
    s.pga_output = 0.2;
    s.pgv_input = 12.3456789;
    s.pgv_output = 20.0;
    s.damping = 0.05;
    s.psa = {{0.1, 0.25, 0.5}, {3.0, 0.0, 0.01}};
    s.peak_ratio_period = 0.174801234;
    s.peak_ratio = 2.0;
    const nlohmann::ordered_json j = summary_json(s);
    EXPECT_EQ(j.at("pga").at("input"), 0.123457);
    EXPECT_EQ(j.at("pgv").at("unit"), "cm/s");
    EXPECT_EQ(j.at("pgv").at("input"), 12.3457);
    EXPECT_EQ(j.at("psa").size(), 2u);
    EXPECT_EQ(j.at("psa")[0].at("ratio"), 2.0);
    EXPECT_TRUE(j.at("psa")[1].at("ratio").is_null());
    EXPECT_EQ(j.at("peak_psa_ratio").at("period_s"), 0.174801);
    EXPECT_EQ(j.at("files").back(), "report.html");
    EXPECT_EQ(j.begin().key(), "unit");  // in the order written
}

}  // namespace
}  // namespace zeplo::report
