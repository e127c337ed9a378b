// The in-process batch on the shipped records and profiles: which finished
// runs it may skip, failures that stay with their row, threads that change no
// byte, a stop in the middle, and the summary it writes.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "batch_plan.hpp"
#include "batch_runner.hpp"
#include "commands.hpp"
#include "csv.hpp"
#include "row_state.hpp"
#include "run_arguments.hpp"
#include "run_command.hpp"
#include "summary.hpp"

namespace zeplo {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

// Every file under `dir` with its bytes.
std::map<std::string, std::string> files_under(const fs::path& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) out[fs::relative(e.path(), dir).string()] = read(e.path());
    return out;
}

class Batch : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/zeplo-batch-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        dir = name;
        for (const char* f : {"elcentro.txt", "shafter.txt", "tri.dat", "tri_nd.dat", "yb.dat"})
            fs::copy_file(fs::path(ZEPLO_TEST_DATA) / f, dir / f);
        fs::copy_file(fs::path(ZEPLO_TEST_DATA) / "formats" / "NIS090.AT2", dir / "NIS090.AT2");
    }
    void TearDown() override { fs::remove_all(dir); }

    // Rows that name no input motion take outcrop, as `zeplo batch --input-motion outcrop` gives them.
    std::vector<PlanRow> plan(const std::string& text) {
        std::vector<PlanRow> rows = parse_plan(text, "plan.csv", dir.string());
        for (PlanRow& row : rows)
            if (!row.request.input_motion && !row.request.wrt) row.request.input_motion = InputMotion::outcrop;
        return rows;
    }

    // Three records under the three shipped profiles, the options varied.
    std::vector<PlanRow> study() {
        return plan(
            "name,record,soil,wrt,shape,taper_hz,units,record_units\n"
            "elc-tri,elcentro.txt,tri.dat,,,,,g\n"
            "elc-trind,elcentro.txt,tri_nd.dat,bedrock,integrate,0.1 0.2 20 24,cm/s2,g\n"
            "elc-yb,elcentro.txt,yb.dat,input,differentiate,,,g\n"
            "shaf-tri,shafter.txt,tri.dat,bedrock,,0.05 0.1 30 40,,cm/s2\n"
            "shaf-trind,shafter.txt,tri_nd.dat,,,,g,cm/s2\n"
            "shaf-yb,shafter.txt,yb.dat,,integrate,,,\n"
            "nis-tri,NIS090.AT2,tri.dat,,,,cm/s2,\n"
            "nis-trind,NIS090.AT2,tri_nd.dat,bedrock,,,,\n"
            "nis-yb,NIS090.AT2,yb.dat,,,0.2 0.5 10 12,m/s2,\n");
    }

    fs::path dir;
};

TEST_F(Batch, AFinishedRunIsSkippedOnlyForTheSameInputs) {
    const auto rows = plan(
        "name,record,soil,wrt,shape,taper_hz,units,record_units\n"
        "a,elcentro.txt,tri.dat,bedrock,integrate,0.1 0.2 20 24,cm/s2,g\n");
    const RunRequest q = row_request(rows[0], (dir / "out").string());
    execute_run(q);
    ASSERT_TRUE(finished_run(q));

    auto differs = [&](const char* what, auto change) {
        RunRequest other = q;
        change(other);
        EXPECT_FALSE(finished_run(other)) << what;
    };
    differs("wrt", [](RunRequest& r) { r.wrt = Wrt::input; });
    differs("shape", [](RunRequest& r) { r.shape = Shape::none; });
    differs("taper", [](RunRequest& r) { (*r.taper_hz)[3] = 24.000000000000004; });
    differs("no taper", [](RunRequest& r) { r.taper_hz.reset(); });
    differs("units", [](RunRequest& r) { r.units = formats::Unit::m_s2; });
    differs("no conversion", [](RunRequest& r) { r.units.reset(); });
    differs("record units", [](RunRequest& r) { r.record_units = formats::Unit::cm_s2; });
    differs("channel", [](RunRequest& r) { r.channel = 2; });
    differs("input motion", [](RunRequest& r) { r.wrt.reset(), r.input_motion = InputMotion::within; });
    differs("padding", [](RunRequest& r) { r.pad = Padding{Padding::Mode::automatic, 0.0}; });
    differs("delay kept", [](RunRequest& r) { r.keep_delay = true; });
    differs("report", [](RunRequest& r) { r.report = true; });
    fs::copy_file(dir / "elcentro.txt", dir / "copy.txt");
    differs("record path", [&](RunRequest& r) { r.record = (dir / "copy.txt").string(); });

    // The bytes decide, not the file's time: an edit undone counts as none.
    const std::string record = read(dir / "elcentro.txt"), soil = read(dir / "tri.dat");
    write(dir / "elcentro.txt", record + "# a note\n");
    EXPECT_FALSE(finished_run(q)) << "record bytes";
    write(dir / "elcentro.txt", record);
    write(dir / "tri.dat", soil + "\n");
    EXPECT_FALSE(finished_run(q)) << "soil bytes";
    write(dir / "tri.dat", soil);
    EXPECT_TRUE(finished_run(q));

    // A run.json that records another option (a run of another version of
    // the request) is not the same run.
    const fs::path json = fs::path(q.out) / "run.json";
    const std::string saved = read(json);
    Json j = Json::parse(saved);
    j["request"]["arguments"].push_back("--keep-delay");
    write(json, j.dump(2));
    EXPECT_FALSE(finished_run(q)) << "another option";
    write(json, "{\"inputs\": ");
    EXPECT_FALSE(finished_run(q)) << "cut-off run.json";
    write(json, saved);
    fs::remove(fs::path(q.out) / "zeplo_dat");
    EXPECT_FALSE(finished_run(q)) << "a file missing";
}

TEST_F(Batch, WhatTheCommandLineWritesForARowIsTheSameRun) {
    // The arguments jobs.txt gives `zeplo run`, parsed by its own command
    // line, make a run the batch takes as the row's.
    const auto rows = study();
    for (const PlanRow& row : rows) {
        const RunRequest q = row_request(row, (dir / "cli").string());
        CLI::App app;
        int status = -1;
        add_run_command(app, status);
        std::vector<std::string> args = run_arguments(q);
        std::reverse(args.begin(), args.end());  // CLI11 takes them last first
        app.parse(args);
        ASSERT_EQ(status, 0) << row.name;
        EXPECT_TRUE(finished_run(q)) << row.name;
    }
}

TEST_F(Batch, ThreadsChangeNoByteOfAnyRunOrOfTheSummary) {
    const auto rows = study();
    const std::atomic<bool> go{false};
    const BatchResult one = run_batch(rows, (dir / "one").string(), 1, go);
    const BatchResult four = run_batch(rows, (dir / "four").string(), 4, go);
    for (const RowState& s : one.states) EXPECT_EQ(s.status, RowStatus::ok) << s.message;
    for (const RowResult& r : four.rows) EXPECT_EQ(r.outcome, RowResult::Outcome::ran);
    auto a = files_under(dir / "one"), b = files_under(dir / "four");
    a.erase("rows.csv");
    b.erase("rows.csv");  // it names its folder
    EXPECT_EQ(a.size(), rows.size() * 4 + 1);
    EXPECT_TRUE(a == b);

    // Each run folder is what the same run alone writes.
    for (const PlanRow& row : rows) {
        const RunRequest q = row_request(row, (dir / "alone").string());
        execute_run(q);
        EXPECT_EQ(files_under(q.out), files_under(dir / "four" / row.name)) << row.name;
    }
}

TEST_F(Batch, AFailedRowStandsAloneAndRunsAgainNextTime) {
    write(dir / "zero.dat", read(dir / "tri.dat").replace(read(dir / "tri.dat").find("  250.0"), 7, "    0.0"));
    const auto rows = plan(
        "name,record,soil,record_units\n"
        "first,elcentro.txt,tri.dat,g\n"
        "missing,later.txt,tri.dat,g\n"
        "refused,elcentro.txt,zero.dat,g\n"
        "last,shafter.txt,yb.dat,cm/s2\n");
    const std::string out = (dir / "out").string();
    const std::atomic<bool> go{false};
    const BatchResult r = run_batch(rows, out, 2, go);
    ASSERT_EQ(r.states.size(), 4u);
    EXPECT_EQ(r.states[0].status, RowStatus::ok);
    EXPECT_EQ(r.states[1].status, RowStatus::failed);
    EXPECT_NE(r.states[1].message.find((dir / "later.txt").string()), std::string::npos) << r.states[1].message;
    EXPECT_EQ(r.states[2].status, RowStatus::failed);
    EXPECT_NE(r.states[2].message.find("zero.dat"), std::string::npos) << r.states[2].message;
    EXPECT_EQ(r.states[3].status, RowStatus::ok);
    EXPECT_FALSE(fs::exists(fs::path(out) / "missing" / "run.json"));

    // What `zeplo collect` reads from the folder is what the batch knew.
    const auto disk = row_states(rows, out);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(disk[i].status, r.states[i].status) << rows[i].name;
        EXPECT_EQ(disk[i].message, r.states[i].message) << rows[i].name;
    }
    EXPECT_EQ(read(fs::path(out) / "summary.csv"), summary_csv(rows, disk));

    fs::copy_file(dir / "elcentro.txt", dir / "later.txt");
    const BatchResult again = run_batch(rows, out, 2, go);
    EXPECT_EQ(again.rows[0].outcome, RowResult::Outcome::skipped);
    EXPECT_EQ(again.rows[1].outcome, RowResult::Outcome::ran);
    EXPECT_EQ(again.rows[2].outcome, RowResult::Outcome::failed);
    EXPECT_EQ(again.rows[3].outcome, RowResult::Outcome::skipped);
    EXPECT_FALSE(fs::exists(log_path(out, "missing")));
    EXPECT_TRUE(fs::exists(log_path(out, "refused")));
}

// Sets the stop flag as the first row ends, as the signal thread would.
class StopAfterFirst : public BatchProgress {
public:
    explicit StopAfterFirst(std::atomic<bool>& stop) : stop_(stop) {}
    void row_done(std::size_t, const PlanRow&, const RowResult&) override { stop_.store(true); }

private:
    std::atomic<bool>& stop_;
};

TEST_F(Batch, AStopLeavesWholeRunsOnlyAndASummaryOfThem) {
    auto rows = study();
    const auto more = study();
    for (PlanRow row : more) {  // 18 rows: the second half cannot all have started
        row.name += "-2";
        rows.push_back(row);
    }
    const std::string out = (dir / "out").string();
    std::atomic<bool> stop{false};
    StopAfterFirst progress(stop);
    const BatchResult r = run_batch(rows, out, 2, stop, &progress);
    EXPECT_TRUE(r.stopped);

    std::size_t ran = 0;
    const auto summary = parse_csv(read(fs::path(out) / "summary.csv"));
    ASSERT_EQ(summary.size(), rows.size() + 1);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const fs::path folder = fs::path(out) / rows[i].name;
        if (r.rows[i].outcome == RowResult::Outcome::ran) {
            ++ran;
            EXPECT_TRUE(finished_run(row_request(rows[i], out))) << rows[i].name;
            EXPECT_EQ(summary[i + 1].fields[1], "ok");
        } else {
            EXPECT_EQ(r.rows[i].outcome, RowResult::Outcome::not_run);
            EXPECT_FALSE(fs::exists(folder / "run.json")) << rows[i].name;
            EXPECT_EQ(summary[i + 1].fields[1], "not run");
        }
    }
    EXPECT_GE(ran, 1u);
    EXPECT_LE(ran, 2u);  // the first row, and at most the one the other thread had begun
    for (const auto& [name, bytes] : files_under(out)) EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;

    const std::atomic<bool> go{false};
    const BatchResult rest = run_batch(rows, out, 2, go);
    std::size_t skipped = 0;
    for (const RowResult& x : rest.rows) skipped += x.outcome == RowResult::Outcome::skipped;
    EXPECT_EQ(skipped, ran);
    EXPECT_FALSE(rest.stopped);
    for (const RowState& s : rest.states) EXPECT_EQ(s.status, RowStatus::ok);
}

TEST(Summary, ReportColumnsComeFromTheRunsThatHaveThem) {
    std::vector<PlanRow> rows(3);
    rows[0].name = "a";
    rows[1].name = "b";
    rows[2].name = "c";
    std::vector<RowState> states(3);
    states[0].status = RowStatus::ok;
    states[0].run_json = Json::parse(R"({"nt": 10, "dt": 0.02, "psa": {"0.1": 1.5, "1.0": 0.25}})");
    states[1].status = RowStatus::failed;
    states[1].message = "r.txt:3: not a number, \"x\"";
    states[2].status = RowStatus::ok;
    states[2].run_json = Json::parse(R"({"nt": 12, "psa": {"1.0": 0.5, "3.0": 0.125}, "peaks": {"unit": "g"}})");
    const auto lines = parse_csv(summary_csv(rows, states));
    ASSERT_EQ(lines.size(), 4u);
    const std::vector<std::string> header = lines[0].fields;
    ASSERT_EQ(header.size(), 15u);
    EXPECT_EQ(std::vector<std::string>(header.end() - 3, header.end()),
              (std::vector<std::string>{"psa_0.1", "psa_1.0", "psa_3.0"}));
    EXPECT_EQ(lines[1].fields, (std::vector<std::string>{"a", "ok", "", "10", "0.02", "", "", "", "", "", "", "",
                                                         "1.5", "0.25", ""}));
    EXPECT_EQ(lines[2].fields[2], "r.txt:3: not a number, \"x\"");
    EXPECT_EQ(lines[2].fields.size(), 15u);
    EXPECT_EQ(lines[3].fields[5], "g");
    EXPECT_EQ(std::vector<std::string>(lines[3].fields.end() - 3, lines[3].fields.end()),
              (std::vector<std::string>{"", "0.5", "0.125"}));
}

TEST(Summary, AFailuresMessageIsTheLastErrorLineOfTheRun) {
    EXPECT_EQ(failure_message("zeplo: warning: uncorrected\nzeplo: r.txt:3: bad\n"), "r.txt:3: bad");
    EXPECT_EQ(failure_message("zeplo: first\r\nzeplo: second\r\n"), "second");
    EXPECT_FALSE(failure_message("zeplo: warning: only a warning\n"));
    EXPECT_FALSE(failure_message(""));
    EXPECT_FALSE(failure_message("slurmstepd: error: *** JOB CANCELLED ***\n"));
}

}  // namespace
}  // namespace zeplo
