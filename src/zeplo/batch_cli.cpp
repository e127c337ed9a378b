// `zeplo batch` on the command line: a plan's rows run here on worker threads,
// or written out as jobs for GNU parallel or a Slurm array.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <pthread.h>
#include <thread>
#include <unistd.h>

#include "batch_progress.hpp"
#include "batch_runner.hpp"
#include "commands.hpp"
#include "emit.hpp"

namespace zeplo {
namespace {

struct BatchArgs {
    std::string plan;
    std::string out = ".";
    int jobs = 0;
    bool quiet = false;
    std::string emit;
    std::string input_motion;  // for the rows that name none
    bool report = false;       // for every row
};

int default_jobs() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

// SIGINT and SIGTERM held back in every thread of the batch and taken by one
// thread with sigwait: the first stops the handing out of rows, the rows
// running finish, and the batch ends as usual with its summary. The mask is
// set before any worker starts, so each inherits it.
class StopOnSignal {
public:
    explicit StopOnSignal(bool quiet) : quiet_(quiet) {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &set_, &previous_);
        waiter_ = std::thread([this] { wait(); });
    }
    ~StopOnSignal() {
        over_.store(true);
        pthread_kill(waiter_.native_handle(), SIGTERM);
        waiter_.join();
        // Signals that came after the batch ended stay pending in a blocked
        // mask, and the process is about to return its status: leave them.
    }
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

    const std::atomic<bool>& stop() const { return stop_; }
    int signal() const { return signal_.load(); }

private:
    void wait() {
        for (;;) {
            int sig = 0;
            if (sigwait(&set_, &sig) != 0) continue;
            if (over_.load()) return;
            if (!stop_.exchange(true)) {
                signal_.store(sig);
                if (!quiet_)
                    std::fprintf(stderr, "\nzeplo: %s: no more rows are started; the rows running finish\n",
                                 sig == SIGINT ? "SIGINT" : "SIGTERM");
            }
        }
    }

    bool quiet_;
    sigset_t set_, previous_;
    std::atomic<bool> stop_{false}, over_{false};
    std::atomic<int> signal_{0};
    std::thread waiter_;
};

int run_here(const BatchArgs& a, const std::vector<PlanRow>& rows, const std::string& dir) {
    const ProgressPrinter::Mode mode = a.quiet                ? ProgressPrinter::Mode::quiet
                                       : ::isatty(STDERR_FILENO) ? ProgressPrinter::Mode::terminal
                                                                 : ProgressPrinter::Mode::lines;
    ProgressPrinter progress(mode, stderr);
    BatchResult result;
    int signal = 0;
    {
        StopOnSignal stop(a.quiet);
        result = run_batch(rows, dir, a.jobs, stop.stop(), &progress);
        signal = stop.signal();
    }
    progress.end(dir + "/summary.csv");
    const int rows_status = report_rows(rows, result.states);
    if (result.stopped) {
        std::fprintf(stderr, "zeplo: stopped by %s; the same command goes on with the rows not run\n",
                     signal == SIGTERM ? "SIGTERM" : "SIGINT");
        return 128 + (signal == 0 ? SIGINT : signal);
    }
    return rows_status;
}

}  // namespace

void add_batch_command(CLI::App& app, int& status) {
    auto args = std::make_shared<BatchArgs>();
    args->jobs = default_jobs();
    CLI::App* cmd = app.add_subcommand(
        "batch",
        "Run every row of a plan (CSV: name,record,soil[,input_motion,wrt,shape,taper_hz,units,record_units,format,"
        "channel,pad,keep_delay,report]) into "
        "DIR/<name>/, as `zeplo run` would, and write DIR/summary.csv; or write the runs as jobs for GNU parallel or "
        "Slurm (--emit)");
    cmd->add_option("plan", args->plan, "Plan file (CSV with a header; paths relative to its folder)")->required();
    cmd->add_option("--out,-o", args->out, "Batch folder: one run folder per row, summary.csv (default: the current folder)");
    cmd->add_option("--jobs,-j", args->jobs, "Runs at a time (default: the number of cores; with --emit slurm, the array's limit)")
        ->check(CLI::PositiveNumber);
    cmd->add_flag("--quiet,-q", args->quiet, "No progress on standard error");
    cmd->add_option("--input-motion", args->input_motion,
                    "Input motion of the rows that name none: outcrop, incident or within (see zeplo run --help)")
        ->check(CLI::IsMember({"outcrop", "incident", "within"}));
    cmd->add_flag("--report", args->report, "Write each run's report (zeplo run --report)");
    cmd->add_option("--emit", args->emit,
                    "Instead of running: write DIR/jobs.txt (one `zeplo run` line per row) for GNU parallel, or also "
                    "DIR/array.sbatch (a Slurm array over it); `zeplo collect DIR` writes the summary afterwards")
        ->check(CLI::IsMember({"parallel", "slurm"}));

    cmd->callback([args, &status] {
        status = guarded([&] {
            std::vector<PlanRow> rows;
            try {
                rows = read_plan(args->plan);
            } catch (const PlanError& e) {
                for (const std::string& p : e.problems) report_failure(p);
                return report_failure("the plan is refused; nothing was run");
            }
            std::vector<std::string> unnamed;
            for (PlanRow& row : rows) {
                if (!row.request.input_motion && !row.request.wrt && !args->input_motion.empty())
                    row.request.input_motion = input_motion_from_name(args->input_motion);
                if (args->report) row.request.report = true;
                if (!row.request.input_motion && !row.request.wrt)
                    unnamed.push_back(args->plan + ":" + std::to_string(row.line) + ": row '" + row.name +
                                      "' names no input motion (an input_motion or wrt column, or --input-motion)");
            }
            if (!unnamed.empty()) {
                for (const std::string& p : unnamed) report_failure(p);
                return report_failure("the plan is refused; nothing was run");
            }
            const std::string dir = absolute_path(args->out, std::filesystem::current_path().string());
            if (args->emit.empty()) return run_here(*args, rows, dir);
            const std::string next = emit_batch(rows, dir, args->emit == "slurm" ? Scheduler::slurm : Scheduler::parallel,
                                                args->jobs, this_program());
            std::printf("%zu runs written to %s; then:\n%s", rows.size(), (dir + "/jobs.txt").c_str(), next.c_str());
            if (args->emit == "slurm" && rows.size() > 1000)
                report_warnings({"Slurm's default MaxArraySize (1001) refuses arrays past 1000 tasks: split the plan "
                                 "or raise MaxArraySize"});
            return 0;
        });
    });
}

}  // namespace zeplo
