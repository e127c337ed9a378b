// A batch's plan: a CSV file with a header, one run per row.
//
//   name,record,soil[,wrt,shape,taper_hz,units,record_units,format,channel]
//
// `name` is the run's folder under the batch's output folder; record and soil
// paths are taken from the plan's folder when relative. The other columns are
// the options of `zeplo run` (empty: its default): wrt input|bedrock, shape
// none|integrate|differentiate, taper_hz four numbers separated by blanks,
// units and record_units g|m/s2|cm/s2, format two-column|at2|smc|cosmos|cgs,
// channel from 1.
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "run_request.hpp"

namespace zeplo {

struct PlanRow {
    int line = 0;        // where the row starts in the plan file
    std::string name;    // a safe folder name, unique in the plan
    RunRequest request;  // record and soil absolute; out not set (see row_request)
};

// A plan that cannot be run: every problem found, each "FILE:LINE: message".
class PlanError : public std::runtime_error {
public:
    explicit PlanError(std::vector<std::string> problems);
    std::vector<std::string> problems;
};

// The files and folders a batch keeps beside its run folders: no row takes
// one of these names.
inline constexpr std::array<std::string_view, 6> kBatchFileNames = {"summary.csv", "rows.csv", "jobs.txt",
                                                                    "array.sbatch", "joblog", "logs"};

// A name that is a folder name on every common file system and in a shell
// word: a letter, digit or '_' first, then letters, digits, '_', '-' and '.',
// at most 100 characters.
bool is_safe_name(std::string_view name);

// Reads and checks the plan at `path`. Throws PlanError, or UserError when the
// file cannot be read.
std::vector<PlanRow> read_plan(const std::string& path);

// The same on text: `file` names it in messages, `base_dir` is the folder
// relative paths are taken from.
std::vector<PlanRow> parse_plan(std::string_view text, const std::string& file, const std::string& base_dir);

// The rows as written into the batch's folder (rows.csv): every column, paths
// absolute, so that `zeplo collect` reads them back as they were run.
std::string rows_csv(const std::vector<PlanRow>& rows);

// `path` absolute and without "." or ".." steps, from `base_dir` when relative.
std::string absolute_path(const std::string& path, const std::string& base_dir);

// The row's request with its output folder `batch_dir/name`.
RunRequest row_request(const PlanRow& row, const std::string& batch_dir);

}  // namespace zeplo
