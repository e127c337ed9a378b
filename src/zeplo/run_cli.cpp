// `zeplo run` on the command line.
#include <array>
#include <cstdio>
#include <memory>

#include "commands.hpp"
#include "run_command.hpp"

namespace zeplo {
namespace {

struct RunArgs {
    RunRequest request;
    RecordOptions record;
    ProfileArgs profile;
    std::string input_motion;
    std::string wrt;
    std::string pad = "none";
    bool integrate = false;
    bool differentiate = false;
    bool verbose = false;
    std::vector<double> taper;
};

}  // namespace

void add_run_command(CLI::App& app, int& status) {
    auto args = std::make_shared<RunArgs>();
    RunRequest& run = args->request;
    CLI::App* cmd = app.add_subcommand("run", "Run a record through a soil profile into an output folder");
    cmd->add_option("--record", run.record, "Record file (format detected)")->required();
    cmd->add_option("--soil", run.soil,
                    "Soil profile: the fixed-column soil file zeplo1 reads, or a CSV layer table with a header "
                    "(thickness_m,vs_m_s,density,damping_pct or q; the last row, without thickness, the half-space)")
        ->required();
    cmd->add_option("--input-motion", args->input_motion,
                    "What the record is: outcrop (recorded at rock outcrop; column 1, surface factor 1), incident "
                    "(the up-going wave in the bedrock; column 1, factor 2) or within (recorded at depth, at the top "
                    "of the bedrock, as in a borehole; column 2). Overrides the soil file's surface switch.")
        ->check(CLI::IsMember({"outcrop", "incident", "within"}));
    cmd->add_option("--wrt", args->wrt,
                    "Instead of --input-motion, the dialog's answer: input (1: column 1 with the soil file's surface "
                    "switch) or bedrock (2: column 2)")
        ->check(CLI::IsMember({"input", "bedrock"}));
    auto* integrate = cmd->add_flag("--integrate", args->integrate, "Integrate the output (acceleration to velocity)");
    cmd->add_flag("--differentiate", args->differentiate, "Differentiate the output")->excludes(integrate);
    cmd->add_option("--taper", args->taper,
                    "Trapezoidal band-pass taper F1,F2,F3,F4 in Hz, 0 <= F1 <= F2 <= F3 <= F4, F1 below the "
                    "record's highest frequency: zero below F1, rising to 1 at F2, 1 up to F3, zero again at F4")
        ->delimiter(',')
        ->expected(4);
    cmd->add_option("--pad", args->pad,
                    "Zeros after the record in the transform: none (default: the next power of two, as zeplo1), "
                    "auto (at least twice the record, and long enough for the column's response to die away to "
                    "0.1 % of its peak, so that it does not wrap round to the start), or a number of seconds");
    cmd->add_flag("--keep-delay", run.keep_delay,
                  "Leave the output in physical time (delayed by the travel time through the soil), for comparison "
                  "with recorded surface motions; by default it is advanced by the travel time, as zeplo1 does");
    cmd->add_option("--out", run.out, "Output folder (created if missing; default: the current folder)");
    cmd->add_flag("--report", run.report,
                  "Also write response spectra (spectra.csv), Fourier spectra (fourier.csv), SVG plots and "
                  "report.html, one self-contained page to open in a browser");
    cmd->add_flag("--verbose,-v", args->verbose, "Print run.json on standard output");
    args->record.add_to(*cmd);
    args->profile.add_to(*cmd);

    cmd->callback([args, &status] {
        status = guarded([&] {
            RunRequest& q = args->request;
            q.format = args->record.format_choice();
            q.record_units = args->record.record_units_choice();
            q.units = args->record.units_choice();
            q.channel = args->record.channel;
            q.profile = args->profile.options();
            if (!args->input_motion.empty()) q.input_motion = input_motion_from_name(args->input_motion);
            if (!args->wrt.empty()) q.wrt = args->wrt == "bedrock" ? Wrt::bedrock : Wrt::input;
            q.shape = args->integrate ? Shape::integrate : args->differentiate ? Shape::differentiate : Shape::none;
            if (!args->taper.empty())
                q.taper_hz = std::array<double, 4>{args->taper[0], args->taper[1], args->taper[2], args->taper[3]};
            const auto pad = padding_from_text(args->pad);
            if (!pad) throw UserError("--pad " + args->pad + ": expected none, auto or a number of seconds");
            q.pad = *pad;
            const RunOutcome outcome = execute_run(q);
            report_warnings(outcome.warnings);
            if (args->verbose) std::fputs(outcome.json.c_str(), stdout);
            return 0;
        });
    });
}

}  // namespace zeplo
