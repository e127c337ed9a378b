// The kept workers: every block of every run once, whether the workers spin,
// sleep or come late; the transfer function and the output tables on them give
// the bits and bytes of the single thread.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "amplification.hpp"
#include "records/record_fixture.hpp"
#include "spinning_workers.hpp"
#include "table_statements.hpp"

namespace zeplo {
namespace {

// Workers shared by the tests of this file (they live as long as the program).
SpinningWorkers& workers() {
    static SpinningWorkers& w = SpinningWorkers::start(3, std::chrono::milliseconds(1));
    return w;
}

TEST(KeptWorkers, EveryBlockOnceInEveryRun) {
    ASSERT_EQ(workers().count(), 3);
    const std::thread::id caller = std::this_thread::get_id();
    for (int run = 0; run < 3000; ++run) {
        const int blocks = 1 + run % 37;
        std::vector<std::atomic<int>> calls(static_cast<std::size_t>(blocks));
        bool first_here = false;
        workers().run(blocks, [&](int b) {
            if (b == 0) first_here = std::this_thread::get_id() == caller;
            // Some blocks take long enough for every worker to join in.
            if (b % 5 == 1) std::this_thread::sleep_for(std::chrono::microseconds(50));
            calls[static_cast<std::size_t>(b)].fetch_add(1);
        });
        ASSERT_TRUE(first_here) << "run " << run;
        for (int b = 0; b < blocks; ++b) ASSERT_EQ(calls[static_cast<std::size_t>(b)].load(), 1) << "run " << run;
        // Now and then a pause past the spin limit, so that the workers sleep
        // and the next run wakes them.
        if (run % 200 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
}

TEST(KeptWorkers, TransferFunctionAndPhasesAsOnOneThread) {
    // A damped 30-layer column, 4097 lines.
    std::vector<float> dns, vs, qs, thk;
    for (int l = 0; l < 30; ++l) {
        dns.push_back(1.7f + 0.01f * l);
        vs.push_back(l == 29 ? 900.0f : 140.0f + 17.0f * l);
        qs.push_back(l == 29 ? 60.0f : 12.0f + l);
        thk.push_back(l == 29 ? 0.0f : 3.5f);
    }
    const SoilColumn column{dns, vs, qs, thk, 0.0f, 0.0f, 1};
    const int lines = 4097;
    const float dom = 6.2831855f / (8192 * 0.01f);
    std::vector<Complex> a1(lines), a2(lines), b1(lines), b2(lines);
    column_amplification(column, dom, a1, a2, 1);
    column_amplification(column, dom, b1, b2, 16, &workers());
    std::vector<Complex> sa(lines, Complex{1.0f, -0.5f}), sb = sa;
    amplify(sa, a1, column, dom, 1);
    amplify(sb, b1, column, dom, 16, &workers());
    for (int k = 0; k < lines; ++k) {
        ASSERT_EQ(a1[k].re, b1[k].re) << k;
        ASSERT_EQ(a1[k].im, b1[k].im) << k;
        ASSERT_EQ(a2[k].re, b2[k].re) << k;
        ASSERT_EQ(a2[k].im, b2[k].im) << k;
        ASSERT_EQ(sa[k].re, sb[k].re) << k;
        ASSERT_EQ(sa[k].im, sb[k].im) << k;
    }
}

}  // namespace

namespace rec {
namespace {

using KeptWorkersTable = RecordFile;

// The rows of a table formatted ahead are the records of the statements one at
// a time: with room for many rows, with so little that most rows go the
// ordinary way, and with a field too narrow for its value (asterisks). The
// unit is opened by the `before` step, once, ahead of every record.
TEST_F(KeptWorkersTable, SameBytesAsOneStatementPerRow) {
    const int rows = 5003;
    auto value = [](int row, int j) {
        return static_cast<float>((row * 7919 + j * 104729) % 200003 - 100000) * 1.37e-3f * (j == 3 ? 1e5f : 1.0f);
    };
    const RowValues fill = [&](int row, OutValue* v) {
        v[0] = out_value(row % 1000 == 999 ? 123456.0f : static_cast<float>(row) * 0.0244f);
        for (int j = 1; j <= 4; ++j) v[j] = out_value(value(row, j));
    };
    open_out();
    OutValue v[5];
    for (int k = 0; k < rows; ++k) {
        fill(k, v);
        write_fmt_values(kOut, "(F8.4,6E12.4)", v, 5);
    }
    const std::string expected = written();
    ASSERT_EQ(static_cast<int>(std::count(expected.begin(), expected.end(), '\n')), rows);

    int opens = 0;
    const auto open = [&] {
        ++opens;
        open_out();
    };
    for (std::size_t scratch_size : {std::size_t{448 * 1024}, std::size_t{9000}, std::size_t{100}}) {
        std::vector<char> scratch(scratch_size);
        close_unit(kOut);
        opens = 0;
        write_fmt_rows(kOut, "(F8.4,6E12.4)", rows, 5, fill, &workers(), scratch, open);
        EXPECT_EQ(opens, 1);
        EXPECT_EQ(written(), expected) << "scratch " << scratch_size;
        EXPECT_EQ(detail::layer().statement.unit, kOut);
        EXPECT_EQ(detail::layer().statement.field_list, nullptr);
    }
    // Without workers: the ordinary statements.
    close_unit(kOut);
    opens = 0;
    std::vector<char> scratch(448 * 1024);
    write_fmt_rows(kOut, "(F8.4,6E12.4)", rows, 5, fill, nullptr, scratch, open);
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(written(), expected);
}

}  // namespace
}  // namespace rec
}  // namespace zeplo
