// Runs single stages of the driver in-process, in a scratch folder, with
// scripted answers.
#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "in_process.hpp"
#include "run_state.hpp"

namespace zeplo {

class StageTest : public ::testing::Test {
protected:
    // Runs `stage` with `answers` on standard input; returns what it wrote.
    template <class Stage>
    std::string with_answers(const std::string& answers, Stage stage) {
        return run_.with_answers(answers, [&] { stage(state); });
    }
    void put(const std::string& name, const std::string& content) { run_.put(name, content); }
    std::string contents(const std::string& name) { return run_.contents(name); }

    test::InProcessRun run_;
    std::unique_ptr<RunState> s = std::make_unique<RunState>();
    RunState& state = *s;
};

}  // namespace zeplo
