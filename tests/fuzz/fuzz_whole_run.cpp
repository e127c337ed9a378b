// Whole runs in-process: the input is split at its first two NUL bytes into
// the acceleration record, the soil profile and the console answers (a part
// that is missing takes a small default). The two files are written as "acc"
// and "soil" in a scratch folder, the run works there with the answers on
// standard input and its transcript on standard output, both hooks throwing,
// on a freshly built RunState. Answers that name a file outside the folder (a
// name with a slash) are not run.
//
// Then:
//   normal end (status 0)  S_amp1, amp_dat and zeplo_dat hold only whole
//                          records of 80, 44 and 20 characters, as many as the
//                          run had frequency lines, lines less one, and samples;
//                          no "nan" or "inf" anywhere and no asterisks in the
//                          E fields (a finite single-precision value always
//                          fits). A record too long for the transform leaves
//                          no files at all.
//   refusal (status 1)     zeplo_dat does not exist; S_amp1 and amp_dat, if
//                          present, are complete.
//   fatal report           every file present holds whole records.
// Any other status is a failure too.
//
// Refusals print their message on standard error: run with -close_fd_mask=2
// to keep them off the terminal (failed checks still show).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

#include <unistd.h>

#include "fuzz_support.hpp"
#include "output_files.hpp"
#include "records.hpp"
#include "run_state.hpp"
#include "stages.hpp"

namespace zeplo::fuzz {
namespace {

constexpr std::string_view kDefaultSoil =
    "       0.0\n"
    "         1\n"
    "         2       0.0\n"
    "     1.9   722.0    25.0   361.0    25.0     1.0\n"
    "     2.1  1960.0    50.0   980.0    50.0     0.0\n";
constexpr std::string_view kDefaultAnswers = "acc\nsoil\n1\n0\n0\n";

// The run opens the acceleration file named by the first 20 characters of the
// first answer line, and the soil file named by the first 30 characters of the
// next line that does not begin with a blank.
bool names_stay_here(std::string_view answers) {
    std::size_t pos = 0;
    auto line = [&]() {
        const std::size_t end = answers.find('\n', pos);
        const std::string_view l = answers.substr(pos, end == std::string_view::npos ? answers.npos : end - pos);
        pos = end == std::string_view::npos ? answers.size() : end + 1;
        return l;
    };
    if (line().substr(0, 20).find('/') != std::string_view::npos) return false;
    while (pos < answers.size()) {
        const std::string_view l = line();
        if (!l.empty() && l[0] != ' ') return l.substr(0, 30).find('/') == std::string_view::npos;
    }
    return true;
}

}  // namespace
}  // namespace zeplo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zeplo::fuzz;
    namespace test = zeplo::test;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul1 = input.find('\0');
    const std::size_t nul2 = nul1 == input.npos ? input.npos : input.find('\0', nul1 + 1);
    const std::string_view record = input.substr(0, nul1);
    const std::string_view soil = nul1 == input.npos ? kDefaultSoil : input.substr(nul1 + 1, nul2 - nul1 - 1);
    const std::string_view answers = nul2 == input.npos ? kDefaultAnswers : input.substr(nul2 + 1);
    if (!names_stay_here(answers)) return -1;

    using test::kOutputFiles;
    const test::ScratchDir& dir = scratch();
    test::remove_output_files(dir.path());
    write_file(dir.file("acc"), record);
    write_file(dir.file("soil"), soil);
    // The answers and the transcript lie in the same folder; a run that names
    // one of them as an input file only reads it.
    write_file(dir.file("answers"), answers);

    zeplo::rec::reset();
    // A fresh RunState on the heap, built in the same 1 MB block every time:
    // a new allocation per input spends most of the time on page faults.
    static void* const block = ::operator new(sizeof(zeplo::RunState));
    zeplo::RunState* const state = new (block) zeplo::RunState();
    enum class End { Exit, Fatal } how = End::Fatal;
    int status = -1;
    int fatal_n = 0;
    {
        const test::InFolder here(dir.path());
        const test::ConsoleRedirect console(dir.file("answers"), dir.file("transcript"));
        try {
            zeplo::run(*state);
        } catch (const ExitCalled& e) {
            how = End::Exit;
            status = e.status;
        } catch (const FatalError& e) {
            fatal_n = e.n;
        }
        zeplo::rec::reset();
    }

    std::string text[3];
    bool present[3];
    long records[3];
    for (int k = 0; k < 3; ++k) {
        const char* name = kOutputFiles[k].name;
        present[k] = file_exists(dir.file(name));
        if (present[k]) text[k] = read_file(dir.file(name));
        const test::RecordCheck c = test::check_records(text[k], kOutputFiles[k]);
        FUZZ_CHECK(c.whole, "%s (status %d, fatal %d) does not hold whole records of %zu characters: %s", name, status,
                   fatal_n, kOutputFiles[k].width, c.problem.c_str());
        records[k] = static_cast<long>(c.records);
    }
    const zeplo::RunState& s = *state;
    if (std::getenv("ZEPLO_FUZZ_VERBOSE"))
        dprintf(report_fd(), "whole run: %s %d, nt %d, lines %d, files %d %d %d\n",
                how == End::Fatal ? "fatal" : "status", how == End::Fatal ? fatal_n : status, s.nt, s.ndata,
                present[0], present[1], present[2]);
    if (how == End::Fatal) return 0;

    FUZZ_CHECK(status == 0 || status == 1, "exit status %d", status);
    if (status == 1) {
        FUZZ_CHECK(!present[2], "a refusal left zeplo_dat");
        if (present[0]) FUZZ_CHECK(records[0] == s.ndata, "refusal: S_amp1 has %ld of %d lines", records[0], s.ndata);
        if (present[1])
            FUZZ_CHECK(records[1] == s.ndata - 1, "refusal: amp_dat has %ld of %d lines", records[1], s.ndata - 1);
        return 0;
    }
    if (s.if1 == 0) {  // the record was too long: the stop after the warning
        FUZZ_CHECK(!present[0] && !present[1] && !present[2], "output files after the length warning");
        return 0;
    }
    FUZZ_CHECK(present[0] && present[1] && present[2], "normal end without all three files (%d %d %d)", present[0],
               present[1], present[2]);
    FUZZ_CHECK(records[0] == s.ndata, "S_amp1 has %ld lines, %d frequency lines", records[0], s.ndata);
    FUZZ_CHECK(records[1] == s.ndata - 1, "amp_dat has %ld lines, %d frequency lines", records[1], s.ndata);
    FUZZ_CHECK(records[2] == s.nt, "zeplo_dat has %ld lines, %d samples", records[2], s.nt);
    for (int k = 0; k < 3; ++k) {
        const char* name = kOutputFiles[k].name;
        FUZZ_CHECK(!test::mentions_non_finite(text[k]), "%s shows a non-finite value after a normal end", name);
        // Columns 1-8 are the frequency or time (asterisks from 1000 Hz or
        // 10000 s on); the E fields after them always fit a finite value.
        const std::size_t record = kOutputFiles[k].width + 1;
        for (std::size_t i = 0; i < text[k].size(); ++i)
            if (i % record >= 8)
                FUZZ_CHECK(text[k][i] != '*', "%s line %zu: asterisks in an E field", name, i / record + 1);
    }
    return 0;
}
