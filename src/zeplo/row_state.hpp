// What a batch row's run folder holds: a finished run of the row's inputs, a
// failure, or nothing yet. The in-process batch decides from it which rows it
// may skip, and `zeplo collect` builds the summary from it; both read the same
// folders the same way.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "batch_plan.hpp"

namespace zeplo {

// True when `run_json` records a run of `request`'s inputs as they are now:
// the same record and soil paths, the same bytes (sha256), and the same
// options. A record that no longer reads gives false, as does a run.json
// holding fields this check does not know (a newer run's options).
bool records_same_run(const RunRequest& request, const nlohmann::ordered_json& run_json);

// run.json of the run folder when it and the three files beside it are there
// and it records a run of `request`'s inputs.
std::optional<nlohmann::ordered_json> finished_run(const RunRequest& request);

enum class RowStatus { ok, failed, not_run };
const char* status_name(RowStatus status);

struct RowState {
    RowStatus status = RowStatus::not_run;
    std::string message;                       // a failure's message
    std::optional<nlohmann::ordered_json> run_json;  // of a finished run
};

// The row's state in the batch folder `batch_dir`: finished when its run
// folder holds a finished run of its inputs; failed when logs/<name>.txt holds
// a failure ("zeplo: ..." as `zeplo run` reports it); not run otherwise (with
// a message when the log is there but holds no failure: a job started that
// has not ended, or ended without a word).
RowState row_state(const PlanRow& row, const std::string& batch_dir);

// Where a row's failure report is kept.
std::string log_path(const std::string& batch_dir, const std::string& name);

// The message of a failure from a run's standard error: its last line that
// begins with "zeplo: " and is not a warning, without that prefix.
std::optional<std::string> failure_message(const std::string& stderr_text);

}  // namespace zeplo
