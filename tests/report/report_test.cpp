// The report's files and numbers for a run whose answer is known: DEEPSOIL's
// Chi-Chi input through one soil layer (report_fixture.hpp).
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "report.hpp"
#include "report/report_fixture.hpp"

namespace zeplo::report {
namespace {

using Files = std::map<std::string, std::string>;

struct Written {
    Files files;
    std::vector<std::string> order;
    ReportSummary summary;
};

const Written& chichi_report() {
    static const Written w = [] {
        Written out;
        out.summary = write_report(fixture::chichi_through_one_layer(), [&](const std::string& name, const std::string& text) {
            out.order.push_back(name);
            out.files[name] = text;
        });
        return out;
    }();
    return w;
}

// The CSV's rows as numbers, after checking its header.
std::vector<std::vector<double>> csv_rows(const std::string& text, const std::string& header) {
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, header);
    std::vector<std::vector<double>> rows;
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::istringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, ',')) row.push_back(std::stod(cell));
        rows.push_back(row);
    }
    return rows;
}

TEST(Report, WritesItsFilesInOrder) {
    EXPECT_EQ(chichi_report().order, report_file_names());
}

// PSA of the input against DEEPSOIL's at the periods both grids hold; the
// output over the input near 1 at long periods (the column moves with the
// rock) and largest near the site period, 0.16 s (the transfer function
// peaks at 1.9 there; the oscillator's band takes less).
TEST(Report, ResponseSpectraOfInputAndOutput) {
    const auto rows = csv_rows(chichi_report().files.at("spectra.csv"), "period_s,psa_input,psa_output,ratio");
    ASSERT_EQ(rows.size(), 105u);  // 100 log-spaced, and 0.2, 0.3, 0.5, 2, 3 s
    std::map<double, std::vector<double>> by_period;
    for (const auto& r : rows) {
        ASSERT_EQ(r.size(), 4u);
        EXPECT_NEAR(r[3], r[2] / r[1], 1e-5 * r[3]);
        by_period[r[0]] = r;
    }
    EXPECT_NEAR(by_period.at(0.01)[1] / 0.183006, 1.0, 0.005);    // DEEPSOIL, 5 %
    EXPECT_NEAR(by_period.at(10.0)[1] / 0.00693411, 1.0, 0.005);
    EXPECT_NEAR(by_period.at(3.0)[3], 1.0, 0.03);

    const ReportSummary& s = chichi_report().summary;
    EXPECT_GT(s.peak_ratio_period, 0.12);
    EXPECT_LT(s.peak_ratio_period, 0.2);
    EXPECT_GT(s.peak_ratio, 1.3);
    ASSERT_EQ(s.psa.size(), 7u);
    const double periods[] = {0.1, 0.2, 0.3, 0.5, 1.0, 2.0, 3.0};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(s.psa[i].period, periods[i]);
        EXPECT_NEAR(s.psa[i].input, by_period.at(periods[i])[1], 1e-5 * s.psa[i].input);
        EXPECT_NEAR(s.psa[i].output, by_period.at(periods[i])[2], 1e-5 * s.psa[i].output);
    }
}

// Fourier amplitudes on DEEPSOIL's grid (the record padded to 32768): the
// input's lines as DEEPSOIL gives them; the smoothed ratio follows the
// column's transfer function where it varies slowly, and stays below its peak
// (1.9) at the site frequency.
TEST(Report, FourierSpectraAndTheirRatio) {
    const auto rows = csv_rows(chichi_report().files.at("fourier.csv"),
                               "frequency_hz,fas_input,fas_output,smoothed_input,smoothed_output,ratio");
    ASSERT_EQ(rows.size(), 16384u);
    // DEEPSOIL's lines 1, 164 (1.0 Hz) and 1024 (6.25 Hz).
    EXPECT_NEAR(rows[0][1] / 3.83367e-6, 1.0, 1e-5);
    EXPECT_NEAR(rows[0][0], 6.10352e-3, 1e-8);
    for (const double f : {0.5, 1.0, 2.0, 20.0}) {
        const std::size_t line = static_cast<std::size_t>(std::lround(f / rows[0][0]));
        SCOPED_TRACE(f);
        EXPECT_NEAR(rows[line - 1][5] / std::abs(fixture::one_layer(f).outcrop), 1.0, 0.03);
    }
    const std::size_t site_line = static_cast<std::size_t>(std::lround(fixture::kSiteFrequency / rows[0][0]));
    EXPECT_GT(rows[site_line - 1][5], 1.5);
    EXPECT_LT(rows[site_line - 1][5], std::abs(fixture::one_layer(fixture::kSiteFrequency).outcrop));
}

// PGA from the samples; PGV integrated in the frequency domain, in cm/s for a
// record in g, against the trapezoidal rule on the record, whose own drift
// at the end is under 1 % of its peak.
TEST(Report, PeakValues) {
    const ReportInput in = fixture::chichi_through_one_layer();
    const ReportSummary& s = chichi_report().summary;
    EXPECT_EQ(s.unit, "g");
    EXPECT_EQ(s.velocity_unit, "cm/s");
    double pga = 0, v = 0, pgv = 0;
    for (std::size_t i = 0; i < in.input.size(); ++i) {
        pga = std::max(pga, std::fabs(in.input[i]));
        if (i) v += 0.5 * (in.input[i] + in.input[i - 1]) * in.dt;
        pgv = std::max(pgv, std::fabs(v));
    }
    ASSERT_LT(std::fabs(v), 0.01 * pgv);
    EXPECT_EQ(s.pga_input, pga);
    EXPECT_NEAR(s.pgv_input / (pgv * 980.665), 1.0, 0.02);
    EXPECT_GT(s.pga_output, s.pga_input);
    EXPECT_GT(s.pgv_output, 0.0);
    EXPECT_EQ(summarize(in).pgv_output, s.pgv_output);
}

// One file with everything in it: no script, nothing fetched or linked, the
// four plots inline with their titles, the facts escaped.
TEST(Report, PageIsSelfContained) {
    const std::string& html = chichi_report().files.at("report.html");
    for (const char* absent : {"<script", "src=", "href=", "@import", "<link", "<img"})
        EXPECT_EQ(html.find(absent), std::string::npos) << absent;
    std::size_t pos = 0, urls = 0;
    while ((pos = html.find("url(", pos)) != std::string::npos) {
        EXPECT_EQ(html.compare(pos, 5, "url(#"), 0) << "only clip paths of the page itself";
        ++pos;
        ++urls;
    }
    EXPECT_GT(urls, 0u);
    std::size_t svgs = 0;
    for (pos = 0; (pos = html.find("<svg ", pos)) != std::string::npos; ++pos) ++svgs;
    EXPECT_EQ(svgs, 4u);
    for (const char* title : {"Amplification of the soil column", "Acceleration time histories",
                              "Fourier amplitude spectra (Konno-Ohmachi smoothing, b = 40)",
                              "Response spectra (5 % damping)"})
        EXPECT_NE(html.find(std::string(">") + title + "</text>"), std::string::npos) << title;
    EXPECT_NE(html.find("20 m, Vs 500 m/s &lt;over&gt; rock"), std::string::npos);
    for (const char* svg : {"amplification.svg", "motions.svg", "fourier.svg", "psa.svg"})
        EXPECT_NE(html.find(chichi_report().files.at(svg)), std::string::npos) << svg;
}

TEST(Report, TakesMotionsOfDifferentLengthsAndRefusesEmptyOnes) {
    ReportInput in;
    in.dt = 0.01;
    in.unit = "m/s2";
    for (int i = 0; i < 500; ++i) in.input.push_back(std::sin(0.3 * i) * std::exp(-0.01 * i));
    in.output = in.input;
    in.output.resize(1024, 0.0);
    in.amplification_df = 0.1;
    in.amplification_input = {1.0, 1.5, 2.0};
    in.amplification_bedrock = {1.0, 2.5, 3.0};
    const ReportSummary s = summarize(in);
    EXPECT_EQ(s.velocity_unit, "m/s");
    EXPECT_NEAR(s.peak_ratio, 1.0, 1e-9);  // the same motion, zeros after it
    in.output.clear();
    EXPECT_THROW(summarize(in), std::invalid_argument);
    in.output = in.input;
    in.dt = 0;
    EXPECT_THROW(summarize(in), std::invalid_argument);
}

}  // namespace
}  // namespace zeplo::report
