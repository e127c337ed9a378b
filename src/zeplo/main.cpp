// zeplo: one-dimensional SH site response from the command line, on records in
// the formats engineers receive, without the dialog.
#include <array>
#include <cstdio>
#include <iostream>

#include <CLI/CLI.hpp>

#include "convert_command.hpp"
#include "output_folder.hpp"
#include "run_command.hpp"

namespace {

using namespace zeplo;

int fail(const std::string& message) {
    std::fprintf(stderr, "zeplo: %s\n", message.c_str());
    return 1;
}

void warn(const std::vector<std::string>& warnings) {
    for (const std::string& w : warnings) std::fprintf(stderr, "zeplo: warning: %s\n", w.c_str());
}

// --units and friends: the names the command line takes.
CLI::Validator unit_names() { return CLI::IsMember({"g", "m/s2", "cm/s2"}); }
CLI::Validator format_names() { return CLI::IsMember({"two-column", "at2", "smc", "cosmos", "cgs"}); }

struct RecordOptions {
    std::string format;
    std::string record_units;
    std::string units;
    int channel = 1;

    void add_to(CLI::App& app) {
        app.add_option("--format", format, "Record format, instead of detecting it: two-column, at2, smc, cosmos, cgs")
            ->check(format_names());
        app.add_option("--record-units", record_units,
                       "Unit of a record that names none (two-column text): g, m/s2 or cm/s2")
            ->check(unit_names());
        app.add_option("--units", units, "Convert the record to this unit first: g, m/s2 or cm/s2 (1 g = 980.665 cm/s2)")
            ->check(unit_names());
        app.add_option("--channel", channel, "Channel of a multi-channel record (CGS V2), from 1")
            ->check(CLI::PositiveNumber);
    }
    template <class T>
    static std::optional<T> maybe(const std::string& name, std::optional<T> (*from)(const std::string&)) {
        return name.empty() ? std::nullopt : from(name);
    }
};

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"zeplo: one-dimensional SH-wave site response of a layered soil column over bedrock.\n"
                 "Reads a ground-motion record (two-column text, PEER AT2, USGS SMC, COSMOS V2, CGS V2) and a\n"
                 "soil profile, and writes the amplification table S_amp1, the spectrum amp_dat and the surface\n"
                 "time history zeplo_dat (the files of the zeplo1 dialog, byte for byte) with run.json."};
    app.set_version_flag("--version", std::string("zeplo ") + ZEPLO_VERSION);
    app.require_subcommand(1);

    // ---------------------------------------------------------------- run
    RunRequest run;
    RecordOptions run_record;
    std::string wrt = "input";
    bool integrate = false, differentiate = false, verbose = false;
    std::vector<double> taper;
    CLI::App* run_cmd = app.add_subcommand("run", "Run a record through a soil profile into an output folder");
    run_cmd->add_option("--record", run.record, "Record file (format detected)")->required();
    run_cmd->add_option("--soil", run.soil, "Soil file (the fixed columns zeplo1 reads)")->required();
    run_cmd->add_option("--wrt", wrt,
                        "Amplification with respect to the input (incident) wave, or to the total motion at the "
                        "top of the bedrock (a borehole record): input (default) or bedrock")
        ->check(CLI::IsMember({"input", "bedrock"}));
    auto* integ = run_cmd->add_flag("--integrate", integrate, "Integrate the output (acceleration to velocity)");
    run_cmd->add_flag("--differentiate", differentiate, "Differentiate the output")->excludes(integ);
    run_cmd->add_option("--taper", taper,
                        "Trapezoidal band-pass taper F1,F2,F3,F4 in Hz: zero below F1, rising to 1 at F2, 1 up to "
                        "F3, zero again at F4")
        ->delimiter(',')
        ->expected(4);
    run_cmd->add_option("--out", run.out, "Output folder (created if missing; default: the current folder)");
    run_cmd->add_flag("--verbose,-v", verbose, "Print the run's key numbers on standard output");
    run_record.add_to(*run_cmd);

    // ---------------------------------------------------------------- convert
    std::string convert_file, convert_out;
    RecordOptions convert_record;
    bool list_channels = false;
    CLI::App* convert_cmd =
        app.add_subcommand("convert", "Write a record as the two-column text zeplo1 reads (time, value)");
    convert_cmd->add_option("file", convert_file, "Record file (format detected)")->required();
    convert_cmd->add_option("-o,--output", convert_out, "Output file (default: standard output)");
    convert_cmd->add_flag("--list", list_channels, "List the file's channels instead");
    convert_record.add_to(*convert_cmd);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }

    try {
        if (*run_cmd) {
            run.format = RecordOptions::maybe(run_record.format, format_from_name);
            run.record_units = RecordOptions::maybe(run_record.record_units, unit_from_name);
            run.units = RecordOptions::maybe(run_record.units, unit_from_name);
            run.channel = run_record.channel;
            run.wrt = wrt == "bedrock" ? Wrt::bedrock : Wrt::input;
            run.shape = integrate ? Shape::integrate : differentiate ? Shape::differentiate : Shape::none;
            if (!taper.empty()) run.taper_hz = std::array<double, 4>{taper[0], taper[1], taper[2], taper[3]};
            const RunOutcome outcome = execute_run(run);
            warn(outcome.warnings);
            if (verbose) std::fputs(outcome.json.c_str(), stdout);
            return 0;
        }
        if (*convert_cmd) {
            if (list_channels) {
                for (const std::string& name : formats::list_channels(convert_file)) std::printf("%s\n", name.c_str());
                return 0;
            }
            const Motion m = load_motion(convert_file, RecordOptions::maybe(convert_record.format, format_from_name),
                                         convert_record.channel,
                                         RecordOptions::maybe(convert_record.record_units, unit_from_name),
                                         RecordOptions::maybe(convert_record.units, unit_from_name));
            warn(m.warnings);
            const std::string text = two_column_text(m);
            if (convert_out.empty()) {
                std::fwrite(text.data(), 1, text.size(), stdout);
                return std::fflush(stdout) == 0 ? 0 : fail("standard output: cannot write");
            }
            const auto slash = convert_out.find_last_of('/');
            OutputFolder folder(slash == std::string::npos ? "." : convert_out.substr(0, slash));
            const std::string name = slash == std::string::npos ? convert_out : convert_out.substr(slash + 1);
            folder.check_replaceable(name);
            folder.add(name, text);
            folder.commit();
            return 0;
        }
    } catch (const UserError& e) {
        return fail(e.what());
    } catch (const OutputError& e) {
        return fail(e.what());
    } catch (const formats::ReadError& e) {
        return fail(e.what());
    }
    return 0;
}
