// A batch's progress on standard error: on a terminal one line redrawn in
// place (rows done of all, failed, runs per second, time left); otherwise one
// line per row as it ends.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "batch_runner.hpp"

namespace zeplo {

class ProgressPrinter : public BatchProgress {
public:
    enum class Mode { quiet, lines, terminal };
    ProgressPrinter(Mode mode, std::FILE* out);

    void begin(std::size_t rows, int threads) override;
    void row_done(std::size_t index, const PlanRow& row, const RowResult& result) override;
    // Ends the terminal line; prints the closing counts (not when quiet).
    void end(const std::string& summary_path);

    // The terminal line as it stands, without control characters.
    std::string status_line() const;

private:
    void draw(bool force);

    Mode mode_;
    std::FILE* out_;
    std::size_t total_ = 0, done_ = 0, ran_ = 0, skipped_ = 0, failed_ = 0;
    int threads_ = 0;
    std::chrono::steady_clock::time_point start_, drawn_;
};

// Lists the failed rows (name and message) and counts the rows not
// run, on standard error. Returns the batch's exit status: 0 when every row
// finished, 1 otherwise.
int report_rows(const std::vector<PlanRow>& rows, const std::vector<RowState>& states);

// How long, as "1:02:03", "2:03" or "0:07".
std::string clock_time(double seconds);

}  // namespace zeplo
