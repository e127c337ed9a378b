#include "batch_progress.hpp"

#include <cmath>

namespace zeplo {
namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

}  // namespace

std::string clock_time(double seconds) {
    const long s = seconds < 0 ? 0 : std::lround(seconds);
    char text[40];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

ProgressPrinter::ProgressPrinter(Mode mode, std::FILE* out) : mode_(mode), out_(out) {}

void ProgressPrinter::begin(std::size_t rows, int threads) {
    total_ = rows;
    threads_ = threads;
    start_ = Clock::now();
    drawn_ = start_;
    draw(true);
}

std::string ProgressPrinter::status_line() const {
    char text[160];
    // Rows found done before take no time: the rate and the time left count
    // the runs made.
    const double elapsed = since(start_);
    const double rate = elapsed > 0 ? static_cast<double>(ran_ + failed_) / elapsed : 0.0;
    std::string left = "--";
    if (rate > 0) left = clock_time(static_cast<double>(total_ - done_) / rate);
    std::snprintf(text, sizeof text, "%zu/%zu done, %zu failed, %.1f runs/s, %s left", done_, total_, failed_, rate,
                  left.c_str());
    return text;
}

void ProgressPrinter::draw(bool force) {
    if (mode_ != Mode::terminal) return;
    const auto now = Clock::now();
    if (!force && now - drawn_ < std::chrono::milliseconds(100) && done_ < total_) return;
    drawn_ = now;
    std::fprintf(out_, "\r\033[K%s", status_line().c_str());
    std::fflush(out_);
}

void ProgressPrinter::row_done(std::size_t, const PlanRow& row, const RowResult& result) {
    ++done_;
    if (result.outcome == RowResult::Outcome::ran) ++ran_;
    if (result.outcome == RowResult::Outcome::skipped) ++skipped_;
    if (result.outcome == RowResult::Outcome::failed) ++failed_;
    if (mode_ == Mode::quiet) return;

    if (mode_ == Mode::terminal) {
        if (!result.warnings.empty()) std::fputs("\r\033[K", out_);
    } else {
        const char* what = result.outcome == RowResult::Outcome::ran       ? "ok"
                           : result.outcome == RowResult::Outcome::skipped ? "done before, skipped"
                                                                           : "failed: ";
        std::fprintf(out_, "[%zu/%zu] %s: %s%s\n", done_, total_, row.name.c_str(), what,
                     result.outcome == RowResult::Outcome::failed ? result.message.c_str() : "");
    }
    for (const std::string& w : result.warnings)
        std::fprintf(out_, "zeplo: warning: %s: %s\n", row.name.c_str(), w.c_str());
    draw(!result.warnings.empty());
}

void ProgressPrinter::end(const std::string& summary_path) {
    if (mode_ == Mode::quiet) return;
    if (mode_ == Mode::terminal) {
        draw(true);
        std::fputc('\n', out_);
    }
    const double elapsed = since(start_);
    std::fprintf(out_, "%zu of %zu rows: %zu ran, %zu done before, %zu failed; %.1f s on %d thread%s (%.1f runs/s); %s\n",
                 done_, total_, ran_, skipped_, failed_, elapsed, threads_, threads_ == 1 ? "" : "s",
                 elapsed > 0 ? static_cast<double>(ran_ + failed_) / elapsed : 0.0, summary_path.c_str());
    std::fflush(out_);
}

int report_rows(const std::vector<PlanRow>& rows, const std::vector<RowState>& states) {
    std::size_t failed = 0, not_run = 0;
    for (const RowState& s : states) {
        failed += s.status == RowStatus::failed;
        not_run += s.status == RowStatus::not_run;
    }
    if (failed > 0) {
        std::fprintf(stderr, "zeplo: %zu of %zu rows failed:\n", failed, rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (states[i].status == RowStatus::failed)
                std::fprintf(stderr, "  %s: %s\n", rows[i].name.c_str(), states[i].message.c_str());
    }
    if (not_run > 0) std::fprintf(stderr, "zeplo: %zu of %zu rows not run\n", not_run, rows.size());
    return failed + not_run == 0 ? 0 : 1;
}

}  // namespace zeplo
