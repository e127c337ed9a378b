// Opening and closing files on units.
#include <sys/stat.h>

#include "record_fixture.hpp"

namespace zeplo::rec {
namespace {

using Units = RecordFile;

TEST_F(Units, UnknownReplacesTheWholeFileFromTheOpenOn) {
    test::write_file(out_path(), "old record 1\nold record 2\nold record 3\n");
    open_unit(kOut, out_path(), "UNKNOWN");
    // Emptied at the open: a run ended at this point leaves no old records.
    EXPECT_EQ(test::read_file(out_path()), "");
    write_list(kOut, 1);
    EXPECT_EQ(written(), " 1\n");
}

TEST_F(Units, OldNeedsAnExistingFile) {
    const std::string missing = dir_.file("missing.txt");
    after_fixed_read();
    const test::FatalError e = failure([&] { open_unit(kIn, missing + "   ", "old"); });
    EXPECT_EQ(e.n, 2);
    EXPECT_EQ(e.report, "open: No such file or directory\n"
                        "apparent state: unit 21 named " + missing + "\n"
                        "lately reading sequential formatted external IO\n");
}

TEST_F(Units, NamesKeepLeadingAndInnerBlanks) {
    test::write_file(dir_.file(" a b"), "5\n");
    open_unit(kIn, dir_.path() + "/ a b    ", "Old");
    int v = 0;
    read_list(kIn, v);
    EXPECT_EQ(v, 5);
    EXPECT_STREQ(unit_name(kIn), (dir_.path() + "/ a b").c_str());
}

TEST_F(Units, EmptyNameIsError107) {
    const test::FatalError e = failure([&] { open_unit(kIn, "          ", "old"); });
    EXPECT_EQ(e.n, 107);
    EXPECT_EQ(e.context, "open");
}

TEST_F(Units, DirectoriesAreRefusedAtTheOpen) {
    ::mkdir(dir_.file("d").c_str(), 0755);
    test::FatalError e = failure([&] { open_unit(kIn, dir_.file("d"), "old"); });
    EXPECT_EQ(e.report.substr(0, e.report.find('\n')), "open: Is a directory");
    e = failure([&] { open_unit(kOut, dir_.file("d"), "unknown"); });
    EXPECT_EQ(e.report.substr(0, e.report.find('\n')), "open: Is a directory");
}

TEST_F(Units, WriteFailureIsReported) {
    open_unit(kOut, "/dev/full", "unknown");
    // Records wait in the unit's buffer: the failure comes when it fills.
    const test::FatalError e = failure([&] {
        for (int k = 0; k < 1000; ++k) write_fmt(kOut, "(F8.3,3E12.4)", 1.0f, 2.0f);
    });
    EXPECT_EQ(e.report, "write end: No space left on device\n"
                        "apparent state: unit 20 named /dev/full\n"
                        "last format: (F8.3,3E12.4)\n"
                        "lately writing sequential formatted external IO\n");
    const test::FatalError at_close = failure([&] {
        open_unit(kOut, "/dev/full", "unknown");
        write_fmt(kOut, "(F8.3,3E12.4)", 1.0f, 2.0f);
        close_unit(kOut);
    });
    EXPECT_EQ(at_close.report.substr(0, at_close.report.find('\n')), "write end: No space left on device");
}

}  // namespace
}  // namespace zeplo::rec
