// The run report: response and Fourier spectra of a run's input and output
// motions, plots of them and of the amplification, and one self-contained
// HTML page (the plots inline, no script, nothing fetched). Takes plain data,
// so that it does not depend on the command that ran the site.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zeplo::report {

struct ReportInput {
    std::string title;                 // heading of the page, e.g. record and profile names
    double dt = 0.0;                   // s, of both motions
    std::vector<double> input;         // input acceleration, in `unit`
    std::vector<double> output;        // output (surface) acceleration, same dt and unit
    std::string unit;                  // "g", "m/s2", "cm/s2" (others are shown as given)
    double amplification_df = 0.0;    // Hz: line k of the columns is at k * df, k from 0
    std::vector<double> amplification_input;    // |amplification| with respect to the input wave
    std::vector<double> amplification_bedrock;  // |amplification| with respect to the bedrock motion
    std::vector<std::pair<std::string, std::string>> facts;  // run facts shown on the page, in order
    double damping = 0.05;             // of the response spectra, ratio
    int threads = 1;
};

struct PsaAt {
    double period;  // s
    double input, output;
};

// The numbers a run adds to its run.json.
struct ReportSummary {
    std::string unit;           // of accelerations and PSA
    std::string velocity_unit;  // cm/s for records in g or cm/s2, m/s for m/s2
    double pga_input = 0, pga_output = 0;
    double pgv_input = 0, pgv_output = 0;  // integrated in the frequency domain
    double damping = 0;
    std::vector<PsaAt> psa;         // at 0.1, 0.2, 0.3, 0.5, 1, 2 and 3 s
    double peak_ratio_period = 0;   // s: where PSA output / input is largest on the grid
    double peak_ratio = 0;
};

// Receives each file of the report: name and whole content (OutputFolder::add fits).
using FileSink = std::function<void(const std::string& name, const std::string& content)>;

// The names write_report() gives to the sink, in order.
std::vector<std::string> report_file_names();

// Writes spectra.csv (period_s,psa_input,psa_output,ratio), fourier.csv
// (frequency_hz,fas_input,fas_output,smoothed_input,smoothed_output,ratio),
// amplification.svg, motions.svg, fourier.svg, psa.svg and report.html, and
// returns the summary. The two motions may differ in length; their Fourier
// spectra are taken on one grid, padded for the longer. Throws
// std::invalid_argument for inputs it cannot use (no samples, a bad dt).
ReportSummary write_report(const ReportInput& input, const FileSink& sink);

// The summary alone.
ReportSummary summarize(const ReportInput& input);

}  // namespace zeplo::report
