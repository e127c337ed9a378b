// Faults around the run: output names taken by folders, a full device, a folder
// where nothing can be created, input "files" that are folders, answers that end
// at any prompt, and closed standard streams. Each run ends with the failure
// report (or a message of the program's own), never a crash, and every file is
// untouched or holds whole records.
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "e2e_fixture.hpp"

namespace zeplo::test {
namespace {

constexpr const char* kSoil = "       0.0\n         1\n         2     999.0\n"
                              "     1.8   400.0    20.0   200.0    20.0    10.0\n"
                              "     2.0  1600.0    50.0   800.0    50.0     0.0\n";
constexpr const char* kAnswers = "rec.txt\nsoil.dat\n2\n0\n1\n0.5 1 100 150\n";

class Faults : public WholeRun {
protected:
    void SetUp() override {
        put_record("rec.txt", 100, 0.01, [](int k) { return (k % 11) - 5; });
        put("soil.dat", kSoil);
    }
    void expect_all_whole() {
        expect_whole(kTableFile, 65);
        expect_whole(kSpectrumFile, 64);
        expect_whole(kWaveFile, 100);
    }
};

std::string first_line(const std::string& s) { return s.substr(0, s.find('\n')); }

TEST_F(Faults, OutputNameTakenByAFolder) {
    const struct {
        const char* name;
        int unit;
        const char* lately;  // the statement before the open: the answer read, or a console line written
    } cases[] = {{"S_amp1", 9, "reading"}, {"amp_dat", 10, "writing"}, {"zeplo_dat", 11, "writing"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        remove_output_files(dir_.path());
        ASSERT_EQ(::mkdir(file(c.name).c_str(), 0755), 0);
        const ChildOutcome r = run(kAnswers);
        EXPECT_EQ(r.err, std::string("open: Is a directory\n") + "apparent state: unit " + std::to_string(c.unit) +
                             " named " + c.name + "\nlast format: list io\nlately " + c.lately +
                             " sequential formatted external IO\n");
        EXPECT_EQ(r.term_signal, SIGABRT);
        ::rmdir(file(c.name).c_str());
        expect_all_whole();
    }
}

TEST_F(Faults, TableOnAFullDevice) {
    ASSERT_EQ(::symlink("/dev/full", file("S_amp1").c_str()), 0);
    put("amp_dat", "older spectrum\n");
    const ChildOutcome r = run(kAnswers);
    // The table's records reach the device when the table is closed, after its
    // last statement completed: no field list is in force.
    EXPECT_EQ(r.err, "write end: No space left on device\n"
                     "apparent state: unit 9 named S_amp1\n"
                     "lately writing sequential formatted external IO\n");
    EXPECT_EQ(r.term_signal, SIGABRT);
    EXPECT_EQ(contents("amp_dat"), "older spectrum\n");
}

TEST_F(Faults, FolderWhereNothingCanBeCreated) {
    // Root may write anywhere a permission would stop others; sysfs refuses
    // new files to everyone. The inputs are named by absolute paths.
    const ScratchDir in_dir("zf", "/tmp");  // short: the record's name takes 20 characters
    const std::string in = in_dir.path();
    write_file(in + "/r.txt", contents("rec.txt"));
    write_file(in + "/s.dat", kSoil);
    const int probe = ::open("/sys/zeplo-probe", O_WRONLY | O_CREAT, 0644);
    if (probe >= 0) {
        ::close(probe);
        ::unlink("/sys/zeplo-probe");
        GTEST_SKIP() << "files can be created in /sys here";
    }
    ChildPlan in_sys;
    in_sys.cwd = "/sys";
    const ChildOutcome r = run(in + "/r.txt\n" + in + "/s.dat\n2\n0\n0\n", in_sys);
    EXPECT_EQ(first_line(r.err), "open: Permission denied");
    EXPECT_NE(r.err.find("apparent state: unit 9 named S_amp1\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.term_signal, SIGABRT);
}

TEST_F(Faults, InputFilesThatAreFolders) {
    ASSERT_EQ(::mkdir(file("dir.txt").c_str(), 0755), 0);
    ChildOutcome r = run("dir.txt\n");
    EXPECT_EQ(r.err, "open: Is a directory\n"
                     "apparent state: unit 11 named dir.txt\n"
                     "lately reading sequential formatted external IO\n");
    EXPECT_EQ(r.term_signal, SIGABRT);
    r = run("rec.txt\ndir.txt\n");
    EXPECT_EQ(r.err, "open: Is a directory\n"
                     "apparent state: unit 4 named dir.txt\n"
                     "lately reading sequential formatted external IO\n");
    EXPECT_FALSE(exists("S_amp1"));
}

TEST_F(Faults, AnswersEndingAtEveryPrompt) {
    const struct {
        const char* answers;
        const char* context;
        const char* last_format;
    } cases[] = {
        {"", "fmt", "(A20)"},
        {"rec.txt\n", "fmt", "(A)"},
        {"rec.txt\nsoil.dat\n", "list in", "list io"},
        {"rec.txt\nsoil.dat\n2\n", "list in", "list io"},
        {"rec.txt\nsoil.dat\n2\n0\n", "list in", "list io"},
        {"rec.txt\nsoil.dat\n2\n0\n1\n", "list in", "list io"},
        {"rec.txt\nsoil.dat\n2\n0\n1\n0.5 1 100\n", "list in", "list io"},
        {"rec.txt\nsoil.dat\n2\n0\n1\n0.5 1 100", "list in", "list io"},
        {"rec.txt\nsoil.dat\n2\n0\n1", "read start", "list io"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answers);
        remove_output_files(dir_.path());
        const ChildOutcome r = run(c.answers);
        EXPECT_EQ(r.err, std::string(c.context) + ": end of file\napparent state: unit 5 (unnamed)\nlast format: " +
                             c.last_format + "\nlately reading sequential formatted external IO\n");
        EXPECT_EQ(r.term_signal, SIGABRT);
        expect_all_whole();
        EXPECT_FALSE(exists("amp_dat"));
    }
}

TEST_F(Faults, ClosedStandardInput) {
    ChildPlan closed;
    closed.closed_fd = 0;
    const ChildOutcome r = run(kAnswers, closed);
    EXPECT_EQ(r.out, "\n\n Enter Acceleration Data (H1,H2,V1)\n");
    EXPECT_EQ(r.err, "fmt: end of file\n"
                     "apparent state: unit 5 (unnamed)\n"
                     "last format: (A20)\n"
                     "lately reading sequential formatted external IO\n");
    EXPECT_EQ(r.term_signal, SIGABRT);
}

TEST_F(Faults, ClosedStandardOutput) {
    // No file opened later may take the closed stream's number: the first
    // console line fails and nothing is written anywhere.
    ChildPlan closed;
    closed.closed_fd = 1;
    const ChildOutcome r = run(kAnswers, closed);
    EXPECT_EQ(r.err, "write end: Bad file descriptor\n"
                     "apparent state: unit 6 (unnamed)\n"
                     "last format: list io\n"
                     "lately writing sequential formatted external IO\n");
    EXPECT_EQ(r.term_signal, SIGABRT);
    EXPECT_FALSE(exists("S_amp1"));
}

}  // namespace
}  // namespace zeplo::test
