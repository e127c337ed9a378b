// A batch run in this process: the plan's rows on a number of worker threads,
// each row as `zeplo run` would make it, into <dir>/<name>/.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "batch_plan.hpp"
#include "row_state.hpp"

namespace zeplo {

struct RowResult {
    enum class Outcome { not_run, ran, skipped, failed };
    Outcome outcome = Outcome::not_run;
    std::string message;                // a failure's
    std::vector<std::string> warnings;  // the run's, as `zeplo run` prints them
    double seconds = 0;                 // wall time of the row's work
};

// Told of the batch's course. The runner calls it from its worker threads, one
// call at a time.
class BatchProgress {
public:
    virtual ~BatchProgress() = default;
    virtual void begin(std::size_t /*rows*/, int /*threads*/) {}
    virtual void row_done(std::size_t /*index*/, const PlanRow& /*row*/, const RowResult& /*result*/) {}
};

struct BatchResult {
    std::vector<RowResult> rows;  // plan order
    std::vector<RowState> states; // as summary.csv reports them
    bool stopped = false;         // `stop` was set before every row was handed out
};

// Runs `rows` into the batch folder `dir` (absolute) on `jobs` threads.
//
// First rows.csv is written (and logs/ made). A row whose folder already holds
// a finished run of its inputs (finished_run) is skipped. A row that fails has
// its message written to logs/<name>.txt and does not stop the others; a row
// that succeeds removes that file. Once `stop` is set no row is started, the
// rows running finish. Last, summary.csv is written (temporary name, renamed).
//
// Throws OutputError when the batch folder, rows.csv or summary.csv cannot be
// written.
BatchResult run_batch(const std::vector<PlanRow>& rows, const std::string& dir, int jobs,
                      const std::atomic<bool>& stop, BatchProgress* progress = nullptr);

// Writes `text` as `name` into `dir`, under a temporary name renamed at the end.
void write_batch_file(const std::string& dir, const std::string& name, const std::string& text);

}  // namespace zeplo
