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
    ProcessResult at_band_pass_prompt(int sig, bool ignore_sigint = false) {
        RunOptions o;
        o.hold_stdin = true;
        o.signal = sig;
        o.signal_when_output_has = "Band Pass Filter?";
        o.ignore_sigint = ignore_sigint;
        return run("rec.txt\nsoil.dat\n2\n0\n", o);
    }
    // S_amp1 of this case: 33 whole records of 80 characters.
    void expect_whole_table() {
        const std::vector<std::string> lines = lines_of(contents("S_amp1"));
        EXPECT_EQ(lines.size(), 33u);
        for (const std::string& l : lines) EXPECT_EQ(l.size(), 80u);
        EXPECT_EQ(contents("S_amp1").back(), '\n');
    }
};

TEST_F(Signals, InterruptAtAPrompt) {
    const ProcessResult r = at_band_pass_prompt(SIGINT);
    EXPECT_EQ(r.err, "Interrupt\n");
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1);
    expect_whole_table();
    EXPECT_EQ(contents("amp_dat"), "an older spectrum file\n");
}

TEST_F(Signals, Termination) {
    const ProcessResult r = at_band_pass_prompt(SIGTERM);
    EXPECT_EQ(r.err, "Killed\n");
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1);
    expect_whole_table();
}

TEST_F(Signals, FloatingPointExceptionAndAbort) {
    ProcessResult r = at_band_pass_prompt(SIGFPE);
    EXPECT_EQ(r.err, "Floating Exception\n");
    EXPECT_EQ(r.signal, SIGABRT);
    expect_whole_table();
    r = at_band_pass_prompt(SIGABRT);
    EXPECT_EQ(r.err, "IOT Trap\n");
    EXPECT_EQ(r.signal, SIGABRT);
}

TEST_F(Signals, AnIgnoredInterruptStaysIgnored) {
    // The interrupt does nothing; the run then meets the end of its answers.
    const ProcessResult r = at_band_pass_prompt(SIGINT, true);
    EXPECT_EQ(r.err, "list in: end of file\n"
                     "apparent state: unit 5 (unnamed)\n"
                     "last format: list io\n"
                     "lately reading sequential formatted external IO\n");
    EXPECT_EQ(r.signal, SIGABRT);
    expect_whole_table();
}

TEST_F(Signals, NormalEndIsSilent) {
    const ProcessResult r = run("rec.txt\nsoil.dat\n2\n0\n0\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 0);
    expect_whole_table();
    EXPECT_EQ(lines_of(contents("amp_dat")).size(), 32u);
    EXPECT_EQ(lines_of(contents("zeplo_dat")).size(), 64u);
}

}  // namespace
}  // namespace zeplo::test
