// Signals during a run: their lines on standard error, the way the run ends and
// the state of the files.
#include <csignal>

#include "e2e_fixture.hpp"

namespace zeplo::test {
namespace {

class Signals : public WholeRun {
protected:
    void SetUp() override {
        put_record("rec.txt", 64, 0.01, [](int k) { return (k % 9) - 4; });
        put("soil.dat", "       0.0\n         1\n         2       0.0\n"
                        "     1.8   400.0    20.0   200.0    20.0    10.0\n"
                        "     2.2  1600.0    50.0   800.0    50.0     0.0\n");
        put("amp_dat", "an older spectrum file\n");
    }
    // Waits at the band-pass prompt, then sends `sig`.
    ChildOutcome at_band_pass_prompt(int sig, bool ignore_sigint = false) {
        ChildPlan o;
        o.hold_stdin = true;
        o.signal = sig;
        o.signal_when_output_has = "Band Pass Filter?";
        o.signal_delay_s = 0.02;  // the program reaches its read
        o.ignore_sigint = ignore_sigint;
        return run("rec.txt\nsoil.dat\n2\n0\n", o);
    }
    // S_amp1 of this case: 33 whole records.
    void expect_whole_table() {
        const RecordCheck table = check_records(contents(kTableFile.name), kTableFile);
        EXPECT_TRUE(table.whole) << table.problem;
        EXPECT_EQ(table.records, 33u);
    }
};

TEST_F(Signals, InterruptAtAPrompt) {
    const ChildOutcome r = at_band_pass_prompt(SIGINT);
    EXPECT_EQ(r.err, "Interrupt\n");
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1);
    expect_whole_table();
    EXPECT_EQ(contents("amp_dat"), "an older spectrum file\n");
}

TEST_F(Signals, Termination) {
    const ChildOutcome r = at_band_pass_prompt(SIGTERM);
    EXPECT_EQ(r.err, "Killed\n");
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1);
    expect_whole_table();
}

TEST_F(Signals, FloatingPointExceptionAndAbort) {
    ChildOutcome r = at_band_pass_prompt(SIGFPE);
    EXPECT_EQ(r.err, "Floating Exception\n");
    EXPECT_EQ(r.term_signal, SIGABRT);
    expect_whole_table();
    r = at_band_pass_prompt(SIGABRT);
    EXPECT_EQ(r.err, "IOT Trap\n");
    EXPECT_EQ(r.term_signal, SIGABRT);
}

TEST_F(Signals, AnIgnoredInterruptStaysIgnored) {
    // The interrupt does nothing; the run then meets the end of its answers.
    const ChildOutcome r = at_band_pass_prompt(SIGINT, true);
    EXPECT_EQ(r.err, "list in: end of file\n"
                     "apparent state: unit 5 (unnamed)\n"
                     "last format: list io\n"
                     "lately reading sequential formatted external IO\n");
    EXPECT_EQ(r.term_signal, SIGABRT);
    expect_whole_table();
}

TEST_F(Signals, NormalEndIsSilent) {
    const ChildOutcome r = run("rec.txt\nsoil.dat\n2\n0\n0\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 0);
    expect_whole_table();
    EXPECT_EQ(lines_of(contents("amp_dat")).size(), 32u);
    EXPECT_EQ(lines_of(contents("zeplo_dat")).size(), 64u);
}

}  // namespace
}  // namespace zeplo::test
