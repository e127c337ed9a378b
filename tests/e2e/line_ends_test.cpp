// Files written with CRLF line ends (answers, record, soil file) read as the
// same files with LF: a carriage return right before a line end belongs to it.
#include <string>

#include "e2e_fixture.hpp"

namespace zeplo::test {
namespace {

std::string crlf(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

class LineEnds : public WholeRun {};

TEST_F(LineEnds, CrlfFilesRunAsTheirLfTwins) {
    // A blank line among the pairs and one at the end; a soil file whose short
    // lines would put the carriage return inside a field.
    std::string record;
    for (int k = 0; k < 300; ++k) {
        record += std::to_string(k * 0.01) + " " + std::to_string((k % 13) * 0.1 - 0.6) + "\n";
        if (k == 150) record += "\n";
    }
    record += "\n";
    const std::string soil = "0.0\n1\n         2     999.0\n"
                             "     1.8   400.0    20.0   400.0    20.0    20.0\n"
                             "     2.0  1600.0    50.0   800.0    50.0\n";
    const std::string answers = "r.txt\ns.dat\n1\n1\n1\n2 4 150 200\n";

    put("r.txt", record);
    put("s.dat", soil);
    const ChildOutcome lf = run(answers);
    ASSERT_TRUE(lf.exited) << lf.err;
    ASSERT_EQ(lf.status, 0) << lf.err;
    std::string files[3];
    for (int f = 0; f < 3; ++f) files[f] = contents(kOutputFiles[f].name);

    put("r.txt", crlf(record));
    put("s.dat", crlf(soil));
    const ChildOutcome windows = run(crlf(answers));
    ASSERT_TRUE(windows.exited) << windows.err;
    EXPECT_EQ(windows.status, 0) << windows.err;
    EXPECT_EQ(windows.out, lf.out);
    EXPECT_EQ(windows.err, "");
    for (int f = 0; f < 3; ++f) EXPECT_EQ(contents(kOutputFiles[f].name), files[f]) << kOutputFiles[f].name;

    // A carriage return elsewhere is still data: in a file name it is part of the name.
    const ChildOutcome lone = run("r.txt\r \ns.dat\n1\n1\n0\n");
    EXPECT_FALSE(lone.exited);
    EXPECT_NE(lone.err.find("open: No such file or directory"), std::string::npos) << lone.err;
}

}  // namespace
}  // namespace zeplo::test
