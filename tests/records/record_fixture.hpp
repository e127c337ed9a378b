// A unit connected to a scratch file, for statements that write, and one
// connected to given input, for statements that read.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "detail/layer_state.hpp"
#include "in_process.hpp"
#include "records.hpp"
#include "scratch_dir.hpp"

namespace zeplo::rec {

class RecordFile : public ::testing::Test {
protected:
    static constexpr int kOut = 20;
    static constexpr int kIn = 21;

    std::string out_path() const { return dir_.file("out"); }
    std::string in_path() const { return dir_.file("in"); }
    void open_out() { open_unit(kOut, out_path(), "unknown"); }
    std::string written() {
        close_unit(kOut);
        return test::read_file(out_path());
    }
    void input(const std::string& content) {
        test::write_file(in_path(), content);
        open_unit(kIn, in_path(), "old");
    }
    // The state a completed fixed-format read leaves (the file name prompts).
    static void after_fixed_read() { detail::layer().statement = detail::StatementState{kStdinUnit, true, nullptr}; }
    // The report the record layer would print for a statement that fails.
    template <class F>
    test::FatalError failure(F&& statement) {
        try {
            statement();
        } catch (const test::FatalError& e) {
            return e;
        }
        ADD_FAILURE() << "the statement did not fail";
        return test::FatalError(0, "", "");
    }

    test::ScratchDir dir_;
    test::ThrowingHooks hooks_;  // ends first: the reset closes the units
};

}  // namespace zeplo::rec
