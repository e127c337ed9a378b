#include "emit.hpp"

#include <climits>
#include <unistd.h>

#include "batch_runner.hpp"
#include "output_folder.hpp"
#include "row_state.hpp"
#include "run_arguments.hpp"

namespace zeplo {
namespace {

// A path for an #SBATCH line: sbatch takes a double-quoted argument there.
std::string sbatch_word(const std::string& path) {
    if (path.find_first_of(" \t\"'\\") == std::string::npos) return path;
    std::string out = "\"";
    for (const char c : path) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string jobs_txt(const std::vector<PlanRow>& rows, const std::string& batch_dir, const std::string& program) {
    std::string out;
    for (const PlanRow& row : rows) {
        std::vector<std::string> words{program};
        for (std::string& a : run_arguments(row_request(row, batch_dir))) words.push_back(std::move(a));
        out += shell_command(words) + " 2> " + shell_quote(log_path(batch_dir, row.name)) + "\n";
    }
    return out;
}

std::string array_sbatch(std::size_t rows, int limit, const std::string& batch_dir) {
    std::string s;
    s += "#!/bin/sh\n";
    s += "# A zeplo batch as a Slurm array: task k runs line k of jobs.txt (zeplo batch --emit slurm).\n";
    s += "# Submit with: sbatch " + shell_quote(batch_dir + "/array.sbatch") + "\n";
    s += "# When every task has ended: zeplo collect " + shell_quote(batch_dir) + "\n";
    s += "# Slurm refuses an array longer than its MaxArraySize (1001 by default): split a longer plan.\n";
    s += "#SBATCH --job-name=zeplo-batch\n";
    s += "#SBATCH --array=1-" + std::to_string(rows) + "%" + std::to_string(limit) + "\n";
    s += "#SBATCH --ntasks=1\n";
    s += "#SBATCH --cpus-per-task=1\n";
    s += "#SBATCH --output=" + sbatch_word(batch_dir + "/logs/slurm-%A_%a.out") + "\n";
    s += "line=$(sed -n \"${SLURM_ARRAY_TASK_ID}p\" " + shell_quote(batch_dir + "/jobs.txt") + ")\n";
    s += "exec /bin/sh -c \"$line\"\n";
    return s;
}

std::string emit_batch(const std::vector<PlanRow>& rows, const std::string& batch_dir, Scheduler scheduler, int jobs,
                       const std::string& program) {
    write_batch_file(batch_dir, "rows.csv", rows_csv(rows));
    OutputFolder logs(batch_dir + "/logs");
    write_batch_file(batch_dir, "jobs.txt", jobs_txt(rows, batch_dir, program));
    const std::string dir = shell_quote(batch_dir);
    std::string next;
    if (scheduler == Scheduler::parallel) {
        next += "parallel --jobs " + std::to_string(jobs) + " --joblog " + shell_quote(batch_dir + "/joblog") + " < " +
                shell_quote(batch_dir + "/jobs.txt") + "\n";
    } else {
        write_batch_file(batch_dir, "array.sbatch", array_sbatch(rows.size(), jobs, batch_dir));
        next += "sbatch " + shell_quote(batch_dir + "/array.sbatch") + "\n";
    }
    next += shell_quote(program) + " collect " + dir + "\n";
    return next;
}

std::string this_program() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "zeplo";
    return std::string(path, static_cast<std::size_t>(n));
}

}  // namespace zeplo
