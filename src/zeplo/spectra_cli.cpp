// `zeplo spectra`: the pseudo-spectral acceleration of a record, as CSV.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "commands.hpp"
#include "response_spectrum.hpp"

namespace zeplo {
namespace {

struct SpectraArgs {
    std::string file;
    std::string out;
    std::vector<double> damping_percent{5.0};
    std::vector<double> periods;
    std::string grid;
    std::string method = "nigam-jennings";
    RecordOptions record;
};

std::string shortest(double v) {
    char t[32];
    std::snprintf(t, sizeof t, "%.6g", v);
    return t;
}

std::string spectra_csv(const spectra::ResponseSpectrum& s, const std::vector<double>& damping_percent) {
    std::string text = "period_s";
    if (damping_percent.size() == 1) {
        text += ",psa";
    } else {
        for (const double d : damping_percent) text += ",psa_" + shortest(d);
    }
    text += '\n';
    for (std::size_t p = 0; p < s.periods.size(); ++p) {
        text += shortest(s.periods[p]);
        for (std::size_t d = 0; d < s.dampings.size(); ++d) text += ',' + shortest(s.psa[d][p]);
        text += '\n';
    }
    return text;
}

void write_text(const std::string& out, const std::string& text) {
    if (out.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        if (std::fflush(stdout) != 0) throw UserError("standard output: cannot write");
        return;
    }
    const auto slash = out.find_last_of('/');
    OutputFolder folder(slash == std::string::npos ? "." : out.substr(0, slash));
    const std::string name = slash == std::string::npos ? out : out.substr(slash + 1);
    folder.check_replaceable(name);
    folder.add(name, text);
    folder.commit();
}

}  // namespace

void add_spectra_command(CLI::App& app, int& status) {
    auto args = std::make_shared<SpectraArgs>();
    CLI::App* cmd = app.add_subcommand(
        "spectra", "Pseudo-spectral acceleration (PSA) of a record as CSV: period_s, then one column per damping, "
                   "in the record's unit (or --units)");
    cmd->add_option("file", args->file, "Record file (format detected)")->required();
    cmd->add_option("--damping", args->damping_percent,
                    "Damping in percent of critical, one or several separated by commas, in the order of the "
                    "columns (default 5)")
        ->delimiter(',')
        ->check(CLI::Validator(
            [](std::string& s) {
                double v = 0;
                std::size_t used = 0;
                try {
                    v = std::stod(s, &used);
                } catch (const std::exception&) {
                    return std::string("not a number: ") + s;
                }
                return used == s.size() && v >= 0.0 && v < 100.0 ? std::string()
                                                                 : "a damping from 0 up to (not including) 100: " + s;
            },
            "PERCENT", "damping percent"));
    CLI::Option* periods =
        cmd->add_option("--periods", args->periods, "Periods in seconds, separated by commas (written in ascending order)")
            ->delimiter(',')
            ->check(CLI::PositiveNumber);
    CLI::Option* grid = cmd->add_option("--grid", args->grid,
                                        "Period grid: standard = 100 periods log-spaced from 0.01 s to 10 s (the "
                                        "default when no --periods)")
                            ->check(CLI::IsMember({"standard"}));
    periods->excludes(grid);
    cmd->add_option("--method", args->method,
                    "nigam-jennings (default: exact for input linear between samples, peaks sought between samples "
                    "below ten samples a period) or fourier (in the frequency domain, the record zero-padded)")
        ->check(CLI::IsMember({"nigam-jennings", "fourier"}));
    cmd->add_option("-o,--output", args->out, "Output CSV file (default: standard output)");
    args->record.add_to(*cmd);

    cmd->callback([args, &status] {
        status = guarded([&] {
            std::vector<double> sorted = args->damping_percent;
            std::sort(sorted.begin(), sorted.end());
            if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
                return report_failure("--damping: a damping is given twice");
            const spectra::Method method = *spectra::method_from_name(args->method);
            if (method == spectra::Method::fourier && sorted.front() < 100.0 * spectra::kFourierLeastDamping)
                return report_failure("--damping: the fourier method needs at least 0.1 % damping");

            const Motion m = load_motion(args->file, args->record.format_choice(), args->record.channel,
                                         args->record.record_units_choice(), args->record.units_choice());
            report_warnings(m.warnings);

            spectra::SpectrumRequest request;
            if (args->periods.empty()) {
                request.periods = spectra::default_periods();
            } else {
                request.periods = args->periods;
                std::sort(request.periods.begin(), request.periods.end());
                request.periods.erase(std::unique(request.periods.begin(), request.periods.end()),
                                      request.periods.end());
            }
            for (const double d : args->damping_percent) request.dampings.push_back(d / 100.0);
            request.method = method;
            request.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));

            const std::vector<double> acc(m.values.begin(), m.values.end());
            spectra::ResponseSpectrum s;
            try {
                s = spectra::response_spectrum(acc, static_cast<double>(m.dt), request);
            } catch (const std::invalid_argument& e) {
                throw UserError(args->file + ": " + e.what());
            }
            write_text(args->out, spectra_csv(s, args->damping_percent));
            return 0;
        });
    });
}

}  // namespace zeplo
