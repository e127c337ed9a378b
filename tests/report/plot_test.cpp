// The plots' axes, their ticks, the thinning of long series and the SVG text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "plot.hpp"
#include "svg.hpp"

namespace zeplo::report {
namespace {

// Steps of 1, 2 or 5 times a power of ten, inside the range, about six of them.
TEST(Ticks, LinearStepsAreNiceAndCoverTheRange) {
    const double ranges[][2] = {{0, 1}, {-0.32, 0.32}, {0, 1234}, {2.5, 2.6}, {-7e-4, 3e-4}};
    for (const auto& r : ranges) {
        SCOPED_TRACE(testing::Message() << r[0] << " .. " << r[1]);
        const std::vector<Tick> t = linear_ticks(r[0], r[1]);
        ASSERT_GE(t.size(), 4u);
        ASSERT_LE(t.size(), 12u);
        const double step = t[1].value - t[0].value;
        const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
        EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-6 || std::fabs(mantissa - 2) < 1e-6 || std::fabs(mantissa - 5) < 1e-6)
            << step;
        EXPECT_GE(t.front().value, r[0] - 1e-12);
        EXPECT_LE(t.back().value, r[1] + 1e-12);
        EXPECT_LT(t.front().value - r[0], step);
        EXPECT_LT(r[1] - t.back().value, step);
        for (const Tick& k : t) EXPECT_FALSE(k.label.empty());
    }
    // Zero is written as 0, not as a rounding remainder.
    bool zero = false;
    for (const Tick& k : linear_ticks(-0.3, 0.3)) zero |= k.label == "0";
    EXPECT_TRUE(zero);
}

TEST(Ticks, LogDecadesLabelledMinorTicksBetween) {
    std::vector<std::string> labels;
    std::size_t minor = 0;
    for (const Tick& t : log_ticks(0.01, 10)) {
        if (t.label.empty()) ++minor;
        else labels.push_back(t.label);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"0.01", "0.1", "1", "10"}));
    EXPECT_EQ(minor, 24u);
    // Less than two decades: 2 and 5 labelled too.
    labels.clear();
    for (const Tick& t : log_ticks(0.5, 20))
        if (!t.label.empty()) labels.push_back(t.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"0.5", "1", "2", "5", "10", "20"}));
    EXPECT_TRUE(log_ticks(0, 10).empty());
}

// Thousands of points in a few pixel columns become at most four per column,
// the extremes kept, the order kept; a gap in the data breaks the line.
TEST(Thinning, KeepsEachColumnsExtremesAndBreaksAtGaps) {
    std::vector<PixelPoint> pts;
    for (int i = 0; i < 3000; ++i) pts.push_back({10.0 + i / 1000.0, 100.0 + 50.0 * std::sin(i * 0.37)});
    pts.push_back({20.0, NAN});
    pts.push_back({21.0, 5.0});
    pts.push_back({22.0, 6.0});
    const auto pieces = thin_polyline(pts);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_LE(pieces[0].size(), 12u);
    double lo = 1e9, hi = -1e9, exact_lo = 1e9, exact_hi = -1e9;
    for (const PixelPoint& p : pieces[0]) {
        lo = std::min(lo, p.y);
        hi = std::max(hi, p.y);
    }
    for (int i = 0; i < 3000; ++i) {
        exact_lo = std::min(exact_lo, pts[static_cast<std::size_t>(i)].y);
        exact_hi = std::max(exact_hi, pts[static_cast<std::size_t>(i)].y);
    }
    EXPECT_EQ(lo, exact_lo);
    EXPECT_EQ(hi, exact_hi);
    for (std::size_t i = 1; i < pieces[0].size(); ++i) EXPECT_GE(pieces[0][i].x, pieces[0][i - 1].x);
    EXPECT_EQ(pieces[1].size(), 2u);
}

// A point at the geometric middle of a log axis lands in the middle of the
// plotting area; text is escaped wherever it is written.
TEST(Svg, PointsLandWhereTheAxesPutThem) {
    Panel p;
    p.x = Axis{"Period (s)", Scale::log, 0.1, 10.0};
    p.y = Axis{"PSA <g>", Scale::linear, 0.0, 4.0};
    p.series.push_back(Series{"a & b", {0.1, 1.0, 10.0}, {0.0, 2.0, 4.0}, "#123456"});
    const std::string svg = render_svg(Figure{"t", "Title \"x\"", 800.0, {p}});
    const std::size_t at = svg.find("points=\"");
    ASSERT_NE(at, std::string::npos);
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    ASSERT_EQ(std::sscanf(svg.c_str() + at, "points=\"%lf,%lf %lf,%lf %lf,%lf\"", &x0, &y0, &x1, &y1, &x2, &y2), 6);
    EXPECT_NEAR(x1, (x0 + x2) / 2, 0.01);
    EXPECT_NEAR(y1, (y0 + y2) / 2, 0.01);
    EXPECT_GT(x2 - x0, 600);
    EXPECT_GT(y0 - y2, 250);  // upwards on the page
    EXPECT_NE(svg.find(">Title &quot;x&quot;</text>"), std::string::npos);
    EXPECT_NE(svg.find(">PSA &lt;g&gt;</text>"), std::string::npos);
    EXPECT_NE(svg.find(">a &amp; b</text>"), std::string::npos);
    EXPECT_NE(svg.find("clip-path=\"url(#t-clip0)\""), std::string::npos);
    EXPECT_EQ(escape_xml("<a href='x'>&</a>"), "&lt;a href=&#39;x&#39;&gt;&amp;&lt;/a&gt;");
}

// The y axis fits the data inside the x range: a spike outside it (a ratio
// over a near-empty band, say) does not squash the rest.
TEST(Svg, YRangeFollowsTheVisiblePoints) {
    Panel p;
    p.x = Axis{"Frequency (Hz)", Scale::log, 0.1, 10.0};
    p.y = Axis{"Ratio", Scale::linear, 0.0};
    p.series.push_back(Series{"", {0.01, 0.1, 1.0, 10.0, 50.0}, {900.0, 1.0, 2.0, 3.0, 700.0}, "#000"});
    const std::string svg = render_svg(Figure{"r", "", 800.0, {p}});
    EXPECT_NE(svg.find(">3</text>"), std::string::npos);
    EXPECT_EQ(svg.find(">100</text>"), std::string::npos);
    EXPECT_EQ(svg.find(">500</text>"), std::string::npos);
}

}  // namespace
}  // namespace zeplo::report
