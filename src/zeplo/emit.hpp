// A batch handed to a scheduler instead of run here: a list of `zeplo run`
// command lines, one per plan row, for GNU parallel, and a Slurm array job
// whose task k runs line k of it. Each line sends the run's standard error to
// logs/<name>.txt, where `zeplo collect` finds a failure's message.
#pragma once

#include <string>
#include <vector>

#include "batch_plan.hpp"

namespace zeplo {

enum class Scheduler { parallel, slurm };

// jobs.txt: one shell command line per row; `program` is the zeplo to run.
std::string jobs_txt(const std::vector<PlanRow>& rows, const std::string& batch_dir, const std::string& program);

// array.sbatch: an array of `rows` tasks, at most `limit` at a time, over
// batch_dir/jobs.txt.
std::string array_sbatch(std::size_t rows, int limit, const std::string& batch_dir);

// Writes rows.csv, logs/, jobs.txt and, for Slurm, array.sbatch into
// `batch_dir` (absolute). Returns the lines telling the user what to run next.
std::string emit_batch(const std::vector<PlanRow>& rows, const std::string& batch_dir, Scheduler scheduler, int jobs,
                       const std::string& program);

// The path of the running program (for jobs.txt), or "zeplo" when the system
// does not say.
std::string this_program();

}  // namespace zeplo
