// `zeplo collect DIR`: summary.csv of a batch folder whose runs were made by
// GNU parallel or Slurm from `zeplo batch --emit` (or by `zeplo batch` itself):
// the same file the in-process batch writes, from the run folders and logs.
#include <filesystem>
#include <memory>

#include "batch_progress.hpp"
#include "batch_runner.hpp"
#include "commands.hpp"
#include "summary.hpp"

namespace zeplo {

void add_collect_command(CLI::App& app, int& status) {
    auto dir = std::make_shared<std::string>();
    CLI::App* cmd = app.add_subcommand(
        "collect", "Write DIR/summary.csv from the run folders of a batch (after zeplo batch --emit and its jobs)");
    cmd->add_option("dir", *dir, "Batch folder (holding rows.csv)")->required();

    cmd->callback([dir, &status] {
        status = guarded([&] {
            const std::string batch = absolute_path(*dir, std::filesystem::current_path().string());
            const std::string rows_file = batch + "/rows.csv";
            if (!std::filesystem::exists(rows_file))
                throw UserError(rows_file + ": missing; collect reads a folder written by zeplo batch");
            std::vector<PlanRow> rows;
            try {
                rows = read_plan(rows_file);
            } catch (const PlanError& e) {
                for (const std::string& p : e.problems) report_failure(p);
                return report_failure(rows_file + ": not as zeplo batch writes it");
            }
            const std::vector<RowState> states = row_states(rows, batch);
            write_batch_file(batch, "summary.csv", summary_csv(rows, states));
            return report_rows(rows, states);
        });
    });
}

}  // namespace zeplo
