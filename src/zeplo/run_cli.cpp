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
    std::string wrt = "input";
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
    cmd->add_option("--soil", run.soil, "Soil file (the fixed columns zeplo1 reads)")->required();
    cmd->add_option("--wrt", args->wrt,
                    "Amplification with respect to the input (incident) wave, or to the total motion at the top of "
                    "the bedrock (a borehole record): input (default) or bedrock")
        ->check(CLI::IsMember({"input", "bedrock"}));
    auto* integrate = cmd->add_flag("--integrate", args->integrate, "Integrate the output (acceleration to velocity)");
    cmd->add_flag("--differentiate", args->differentiate, "Differentiate the output")->excludes(integrate);
    cmd->add_option("--taper", args->taper,
                    "Trapezoidal band-pass taper F1,F2,F3,F4 in Hz: zero below F1, rising to 1 at F2, 1 up to F3, "
                    "zero again at F4")
        ->delimiter(',')
        ->expected(4);
    cmd->add_option("--out", run.out, "Output folder (created if missing; default: the current folder)");
    cmd->add_flag("--verbose,-v", args->verbose, "Print run.json on standard output");
    args->record.add_to(*cmd);

    cmd->callback([args, &status] {
        status = guarded([&] {
            RunRequest& q = args->request;
            q.format = args->record.format_choice();
            q.record_units = args->record.record_units_choice();
            q.units = args->record.units_choice();
            q.channel = args->record.channel;
            q.wrt = args->wrt == "bedrock" ? Wrt::bedrock : Wrt::input;
            q.shape = args->integrate ? Shape::integrate : args->differentiate ? Shape::differentiate : Shape::none;
            if (!args->taper.empty())
                q.taper_hz = std::array<double, 4>{args->taper[0], args->taper[1], args->taper[2], args->taper[3]};
            const RunOutcome outcome = execute_run(q);
            report_warnings(outcome.warnings);
            if (args->verbose) std::fputs(outcome.json.c_str(), stdout);
            return 0;
        });
    });
}

}  // namespace zeplo
