#include "report.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "fourier_spectrum.hpp"
#include "plot.hpp"
#include "response_spectrum.hpp"
#include "svg.hpp"

namespace zeplo::report {
namespace {

const char* const kInputColour = "#1f62b4";
const char* const kOutputColour = "#d0312d";
const char* const kRatioColour = "#2a8a3e";
constexpr double kSummaryPeriods[] = {0.1, 0.2, 0.3, 0.5, 1.0, 2.0, 3.0};
constexpr double kKonnoOhmachiB = 40.0;

std::string g6(double v) {
    char t[32];
    std::snprintf(t, sizeof t, "%.6g", v);
    return t;
}

std::string g4(double v) {
    char t[32];
    std::snprintf(t, sizeof t, "%.4g", v);
    return t;
}

double ratio(double num, double den) { return den > 0.0 ? num / den : std::nan(""); }

// Everything the files and the summary are made of, computed once.
struct Analysis {
    std::vector<double> periods, psa_in, psa_out, psa_ratio;
    spectra::AmplitudeSpectrum fas_in, fas_out;
    std::vector<double> smooth_in, smooth_out, smooth_ratio;
    ReportSummary summary;
};

void velocity_unit(const std::string& unit, std::string& name, double& factor) {
    factor = 1.0;
    if (unit == "g") {
        name = "cm/s";
        factor = 980.665;
    } else if (unit == "cm/s2") {
        name = "cm/s";
    } else if (unit == "m/s2") {
        name = "m/s";
    } else {
        name = (unit.empty() ? std::string("unit") : unit) + "*s";
    }
}

Analysis analyse(const ReportInput& in) {
    if (in.input.empty() || in.output.empty()) throw std::invalid_argument("the report needs input and output samples");
    if (!(in.dt > 0.0) || !std::isfinite(in.dt)) throw std::invalid_argument("the time step must be positive and finite");
    if (!(in.damping >= 0.0 && in.damping < 1.0)) throw std::invalid_argument("the damping ratio must be in [0, 1)");
    Analysis a;
    a.periods = spectra::default_periods(kSummaryPeriods);
    const spectra::SpectrumRequest request{a.periods, {in.damping}, spectra::Method::nigam_jennings, in.threads};
    a.psa_in = spectra::response_spectrum(in.input, in.dt, request).psa[0];
    a.psa_out = spectra::response_spectrum(in.output, in.dt, request).psa[0];
    for (std::size_t i = 0; i < a.periods.size(); ++i) a.psa_ratio.push_back(ratio(a.psa_out[i], a.psa_in[i]));

    const std::size_t length = spectra::padded_length(std::max(in.input.size(), in.output.size()));
    a.fas_in = spectra::fourier_amplitude(in.input, in.dt, length);
    a.fas_out = spectra::fourier_amplitude(in.output, in.dt, length);
    a.smooth_in = spectra::konno_ohmachi_lines(a.fas_in.amplitude, kKonnoOhmachiB);
    a.smooth_out = spectra::konno_ohmachi_lines(a.fas_out.amplitude, kKonnoOhmachiB);
    a.smooth_ratio = spectra::spectral_ratio(a.smooth_out, a.smooth_in);

    ReportSummary& s = a.summary;
    s.unit = in.unit;
    s.damping = in.damping;
    s.pga_input = spectra::peak_abs(in.input);
    s.pga_output = spectra::peak_abs(in.output);
    double factor = 1.0;
    velocity_unit(in.unit, s.velocity_unit, factor);
    s.pgv_input = factor * spectra::peak_abs(spectra::velocity(in.input, in.dt));
    s.pgv_output = factor * spectra::peak_abs(spectra::velocity(in.output, in.dt));
    for (const double t : kSummaryPeriods) {
        const auto at = std::min_element(a.periods.begin(), a.periods.end(),
                                         [&](double x, double y) { return std::fabs(x - t) < std::fabs(y - t); });
        const std::size_t i = static_cast<std::size_t>(at - a.periods.begin());
        s.psa.push_back({t, a.psa_in[i], a.psa_out[i]});
    }
    s.peak_ratio = -1.0;
    for (std::size_t i = 0; i < a.periods.size(); ++i)
        if (std::isfinite(a.psa_ratio[i]) && a.psa_ratio[i] > s.peak_ratio) {
            s.peak_ratio = a.psa_ratio[i];
            s.peak_ratio_period = a.periods[i];
        }
    if (s.peak_ratio < 0.0) s.peak_ratio = std::nan("");
    return a;
}

std::string spectra_csv(const Analysis& a) {
    std::string t = "period_s,psa_input,psa_output,ratio\n";
    for (std::size_t i = 0; i < a.periods.size(); ++i)
        t += g6(a.periods[i]) + ',' + g6(a.psa_in[i]) + ',' + g6(a.psa_out[i]) + ',' + g6(a.psa_ratio[i]) + '\n';
    return t;
}

std::string fourier_csv(const Analysis& a) {
    std::string t = "frequency_hz,fas_input,fas_output,smoothed_input,smoothed_output,ratio\n";
    for (std::size_t i = 0; i < a.fas_in.amplitude.size(); ++i)
        t += g6(a.fas_in.frequency(i)) + ',' + g6(a.fas_in.amplitude[i]) + ',' + g6(a.fas_out.amplitude[i]) + ',' +
             g6(a.smooth_in[i]) + ',' + g6(a.smooth_out[i]) + ',' + g6(a.smooth_ratio[i]) + '\n';
    return t;
}

std::string unit_label(const std::string& unit) { return unit.empty() ? "record unit" : unit; }

// Frequency axes start at 0.1 Hz (below it records carry little energy and
// the ratios mean little), or at the first line above zero when that is higher.
Axis frequency_axis(double first_line, double last_line) {
    return Axis{"Frequency (Hz)", Scale::log, std::max(0.1, first_line), last_line};
}

Figure amplification_figure(const ReportInput& in) {
    auto panel = [&](const std::vector<double>& column, const std::string& name, const char* colour) {
        Panel p;
        p.height = 220.0;
        p.x = frequency_axis(in.amplification_df, column.size() > 1 ? in.amplification_df * static_cast<double>(column.size() - 1)
                                                                         : Axis::kFromData);
        p.y = Axis{"|Amplification|", Scale::linear, 0.0};
        Series s{name, {}, {}, colour, 1.6};
        for (std::size_t k = 1; k < column.size(); ++k) {
            s.x.push_back(static_cast<double>(k) * in.amplification_df);
            s.y.push_back(column[k]);
        }
        p.series.push_back(std::move(s));
        p.reference_y = {1.0};
        return p;
    };
    return Figure{"amplification",
                  "Amplification of the soil column",
                  800.0,
                  {panel(in.amplification_input, "With respect to the input wave", kInputColour),
                   panel(in.amplification_bedrock, "With respect to the bedrock motion", kOutputColour)}};
}

Figure motions_figure(const ReportInput& in, const ReportSummary& s) {
    const double m = std::max(s.pga_input, s.pga_output) * 1.05;
    auto panel = [&](const std::vector<double>& x, const std::string& name, const char* colour) {
        Panel p;
        p.height = 210.0;
        p.x = Axis{"Time (s)", Scale::linear, 0.0};
        p.y = Axis{"Acceleration (" + unit_label(in.unit) + ")", Scale::linear, -m, m};
        Series ser{name, {}, x, colour, 1.0};
        for (std::size_t i = 0; i < x.size(); ++i) ser.x.push_back(in.dt * static_cast<double>(i));
        p.series.push_back(std::move(ser));
        return p;
    };
    const double end = in.dt * static_cast<double>(std::max(in.input.size(), in.output.size()) - 1);
    Figure f{"motions", "Acceleration time histories", 800.0,
             {panel(in.input, "Input", kInputColour), panel(in.output, "Output (surface)", kOutputColour)}};
    for (Panel& p : f.panels) p.x.max = end;
    return f;
}

Figure fourier_figure(const ReportInput& in, const Analysis& a) {
    Panel p;
    p.height = 320.0;
    p.x = frequency_axis(a.fas_in.frequency(0), a.fas_in.frequency(a.fas_in.amplitude.size() - 1));
    const std::vector<double> f = [&] {
        std::vector<double> v;
        for (std::size_t i = 0; i < a.fas_in.amplitude.size(); ++i) v.push_back(a.fas_in.frequency(i));
        return v;
    }();
    const double top = std::max(spectra::peak_abs(a.fas_in.amplitude), spectra::peak_abs(a.fas_out.amplitude));
    const double hi = std::pow(10.0, std::ceil(std::log10(top)));
    p.y = Axis{"Fourier amplitude (" + unit_label(in.unit) + "\u00b7s)", Scale::log, hi * 1e-5, hi};
    p.series.push_back(Series{"Input", f, a.fas_in.amplitude, kInputColour, 0.8, 0.35});
    p.series.push_back(Series{"Output", f, a.fas_out.amplitude, kOutputColour, 0.8, 0.35});
    p.series.push_back(Series{"Input, smoothed", f, a.smooth_in, kInputColour, 2.2});
    p.series.push_back(Series{"Output, smoothed", f, a.smooth_out, kOutputColour, 2.2});

    Panel r;
    r.height = 200.0;
    r.x = p.x;
    r.y = Axis{"Ratio output / input", Scale::linear, 0.0};
    r.series.push_back(Series{"Smoothed output / smoothed input", f, a.smooth_ratio, kRatioColour, 1.8});
    r.reference_y = {1.0};
    return Figure{"fourier", "Fourier amplitude spectra (Konno-Ohmachi smoothing, b = 40)", 800.0, {p, r}};
}

Figure psa_figure(const ReportInput& in, const Analysis& a) {
    Panel p;
    p.x = Axis{"Period (s)", Scale::log, 0.01, 10.0};
    p.y = Axis{"PSA (" + unit_label(in.unit) + ")", Scale::linear, 0.0};
    p.series.push_back(Series{"Input", a.periods, a.psa_in, kInputColour, 2.0});
    p.series.push_back(Series{"Output", a.periods, a.psa_out, kOutputColour, 2.0});
    Panel r;
    r.height = 200.0;
    r.x = p.x;
    r.y = Axis{"Ratio output / input", Scale::linear, 0.0};
    r.series.push_back(Series{"PSA output / PSA input", a.periods, a.psa_ratio, kRatioColour, 2.0});
    r.reference_y = {1.0};
    return Figure{"psa", "Response spectra (" + g4(in.damping * 100.0) + " % damping)", 800.0, {p, r}};
}

std::string row(const std::vector<std::string>& cells, bool header = false) {
    std::string t = "<tr>";
    for (const std::string& c : cells) t += (header ? "<th>" : "<td>") + escape_xml(c) + (header ? "</th>" : "</td>");
    return t + "</tr>\n";
}

std::string html_page(const ReportInput& in, const ReportSummary& s, const std::vector<Figure>& figures,
                      const std::vector<std::string>& svgs) {
    std::string h =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
        escape_xml(in.title.empty() ? "Site response report" : in.title) +
        "</title>\n<style>\n"
        "body{font-family:'DejaVu Sans',Arial,Helvetica,sans-serif;color:#222;margin:24px auto;max-width:840px;"
        "padding:0 16px;}\n"
        "h1{font-size:24px;margin:0 0 12px;}h2{font-size:19px;margin:28px 0 8px;border-bottom:1px solid #ccc;}\n"
        "table{border-collapse:collapse;margin:8px 0;font-size:14px;}"
        "td,th{border:1px solid #ccc;padding:3px 10px;text-align:left;}"
        "th{background:#f2f2f2;}td.n{text-align:right;font-variant-numeric:tabular-nums;}\n"
        "figure{margin:8px 0 20px;}svg{max-width:100%;height:auto;display:block;}\n"
        "figcaption{font-size:13px;color:#555;margin-top:4px;}\n</style>\n</head>\n<body>\n";
    h += "<h1>" + escape_xml(in.title.empty() ? "Site response report" : in.title) + "</h1>\n";
    if (!in.facts.empty()) {
        h += "<h2>Run</h2>\n<table>\n";
        for (const auto& [key, value] : in.facts) h += row({key, value});
        h += "</table>\n";
    }
    h += "<h2>Peak values</h2>\n<table>\n" + row({"", "Input", "Output", "Output / input"}, true);
    auto numbers = [&](const std::string& name, double x, double y) {
        return "<tr><td>" + escape_xml(name) + "</td><td class=\"n\">" + g4(x) + "</td><td class=\"n\">" + g4(y) +
               "</td><td class=\"n\">" + g4(ratio(y, x)) + "</td></tr>\n";
    };
    h += numbers("PGA (" + unit_label(s.unit) + ")", s.pga_input, s.pga_output);
    h += numbers("PGV (" + s.velocity_unit + ")", s.pgv_input, s.pgv_output);
    for (const PsaAt& p : s.psa) h += numbers("PSA at " + g4(p.period) + " s (" + unit_label(s.unit) + ")", p.input, p.output);
    h += "</table>\n<p>The PSA ratio is largest, " + g4(s.peak_ratio) + ", at " + g4(s.peak_ratio_period) +
         " s. PGV by integration in the frequency domain; PSA by the Nigam-Jennings recurrence at " +
         g4(s.damping * 100.0) + " % damping.</p>\n";
    const char* captions[] = {
        "Modulus of both amplification columns of the profile against frequency; the dashed line marks 1.",
        "The input record and the computed surface motion, on one vertical scale.",
        ("Fourier amplitudes dt\u00b7|DFT| of both motions zero-padded to a power of two (thin: raw; thick: "
         "Konno-Ohmachi smoothed) and the ratio of the smoothed spectra."),
        "Pseudo-spectral acceleration of both motions and their ratio; the dashed line marks 1."};
    const char* sections[] = {"Amplification", "Time histories", "Fourier spectra", "Response spectra"};
    for (std::size_t i = 0; i < figures.size(); ++i) {
        h += "<h2>" + std::string(sections[i]) + "</h2>\n<figure>\n" + svgs[i] + "<figcaption>" +
             escape_xml(captions[i]) + "</figcaption>\n</figure>\n";
    }
    h += "</body>\n</html>\n";
    return h;
}

}  // namespace

std::vector<std::string> report_file_names() {
    return {"spectra.csv", "fourier.csv", "amplification.svg", "motions.svg", "fourier.svg", "psa.svg", "report.html"};
}

ReportSummary write_report(const ReportInput& in, const FileSink& sink) {
    const Analysis a = analyse(in);
    const std::vector<Figure> figures = {amplification_figure(in), motions_figure(in, a.summary),
                                         fourier_figure(in, a), psa_figure(in, a)};
    std::vector<std::string> svgs;
    for (const Figure& f : figures) svgs.push_back(render_svg(f));
    sink("spectra.csv", spectra_csv(a));
    sink("fourier.csv", fourier_csv(a));
    const char* names[] = {"amplification.svg", "motions.svg", "fourier.svg", "psa.svg"};
    for (std::size_t i = 0; i < svgs.size(); ++i) sink(names[i], svgs[i]);
    sink("report.html", html_page(in, a.summary, figures, svgs));
    return a.summary;
}

ReportSummary summarize(const ReportInput& in) { return analyse(in).summary; }

}  // namespace zeplo::report
