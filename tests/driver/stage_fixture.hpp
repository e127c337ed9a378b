// Runs single stages of the driver in-process, in a scratch folder, with
// scripted answers.
#pragma once

#include <memory>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "records.hpp"
#include "run_state.hpp"
#include "test_support.hpp"

namespace zeplo {

class StageTest : public ::testing::Test {
protected:
    StageTest() : s(std::make_unique<RunState>()), state(*s) {
        char here[4096];
        if (::getcwd(here, sizeof here)) cwd_ = here;
        if (::chdir(dir_.path().c_str()) != 0) ADD_FAILURE() << "chdir";
    }
    ~StageTest() override {
        rec::close_all();
        if (::chdir(cwd_.c_str()) != 0) ADD_FAILURE() << "chdir back";
    }
    // Runs `stage` with `answers` on standard input; returns what it wrote.
    template <class Stage>
    std::string with_answers(const std::string& answers, Stage stage) {
        test::ConsoleRedirect console(answers);
        stage(state);
        return console.output();
    }
    void put(const std::string& name, const std::string& content) { test::write_file(dir_.file(name), content); }
    std::string contents(const std::string& name) { return test::read_file(dir_.file(name)); }

    std::string cwd_;
    test::TempDir dir_;
    test::CatchFatal catch_fatal_;
    std::unique_ptr<RunState> s;
    RunState& state;
};

}  // namespace zeplo
