#include "batch_runner.hpp"

#include <chrono>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "output_folder.hpp"
#include "run_command.hpp"
#include "summary.hpp"

namespace zeplo {
namespace {

using Clock = std::chrono::steady_clock;

struct Shared {
    const std::vector<PlanRow>& rows;
    const std::string& dir;
    const std::atomic<bool>& stop;
    BatchProgress* progress;
    std::vector<RowResult>& results;
    std::vector<RowState>& states;
    std::atomic<std::size_t> next{0};
    std::mutex report{};
};

void keep_failure(const std::string& dir, const std::string& name, const std::string& message) {
    try {
        write_batch_file(dir + "/logs", name + ".txt", "zeplo: " + message + "\n");
    } catch (const OutputError&) {
        // The summary still has the message; only `zeplo collect` will lack it.
    }
}

void run_row(const PlanRow& row, const std::string& dir, RowResult& result, RowState& state) {
    const RunRequest q = row_request(row, dir);
    if (auto done = finished_run(q)) {
        result.outcome = RowResult::Outcome::skipped;
        state.status = RowStatus::ok;
        state.run_json = std::move(done);
        return;
    }
    std::string message;
    try {
        RunOutcome outcome = execute_run(q);
        result.outcome = RowResult::Outcome::ran;
        result.warnings = std::move(outcome.warnings);
        state.status = RowStatus::ok;
        state.run_json = nlohmann::ordered_json::parse(outcome.json);
        ::unlink(log_path(dir, row.name).c_str());
        return;
    } catch (const std::bad_alloc&) {
        message = "out of memory";
    } catch (const std::exception& e) {
        // UserError, OutputError, formats::ReadError, SoilFileError: the
        // message `zeplo run` would print after "zeplo: ".
        message = e.what();
    }
    result.outcome = RowResult::Outcome::failed;
    result.message = message;
    state.status = RowStatus::failed;
    state.message = message;
    keep_failure(dir, row.name, message);
}

void worker(Shared& s) {
    for (;;) {
        if (s.stop.load()) return;
        const std::size_t i = s.next.fetch_add(1);
        if (i >= s.rows.size()) return;
        const auto start = Clock::now();
        run_row(s.rows[i], s.dir, s.results[i], s.states[i]);
        s.results[i].seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (s.progress) {
            const std::lock_guard<std::mutex> lock(s.report);
            s.progress->row_done(i, s.rows[i], s.results[i]);
        }
    }
}

}  // namespace

void write_batch_file(const std::string& dir, const std::string& name, const std::string& text) {
    OutputFolder folder(dir);
    folder.check_replaceable(name);
    folder.add(name, text);
    folder.commit();
}

BatchResult run_batch(const std::vector<PlanRow>& rows, const std::string& dir, int jobs,
                      const std::atomic<bool>& stop, BatchProgress* progress) {
    write_batch_file(dir, "rows.csv", rows_csv(rows));
    OutputFolder logs(dir + "/logs");

    BatchResult result;
    result.rows.resize(rows.size());
    result.states.resize(rows.size());
    Shared shared{rows, dir, stop, progress, result.rows, result.states};

    const int threads = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), rows.size()));
    if (progress) progress->begin(rows.size(), threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        try {
            workers.emplace_back(worker, std::ref(shared));
        } catch (const std::system_error&) {
            break;  // fewer threads than asked for; the ones started share the rows
        }
    }
    if (workers.empty()) worker(shared);
    for (std::thread& t : workers) t.join();

    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (result.rows[i].outcome != RowResult::Outcome::not_run) continue;
        result.stopped = true;
        result.states[i] = row_state(rows[i], dir);
    }
    write_batch_file(dir, "summary.csv", summary_csv(rows, result.states));
    return result;
}

}  // namespace zeplo
