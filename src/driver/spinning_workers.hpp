// Kept worker threads that wait for work by spinning for a while before they
// sleep, so that their processors are awake when the next block of work comes.
// On a virtual machine whose idle processors are put to sleep, a thread started
// when the work is there can wait milliseconds for one, longer than the work.
#pragma once

#include <chrono>
#include <functional>

#include "parallel_for.hpp"

namespace zeplo {

class SpinningWorkers final : public Workers {
public:
    // Starts up to `threads` workers (fewer if the system refuses some; none
    // when threads < 1), with the termination signals blocked. A worker that
    // has found no work for `spin_limit` sleeps until the next run. The
    // workers live as long as the program.
    static SpinningWorkers& start(int threads, std::chrono::milliseconds spin_limit);

    int count() const override;
    void run(int blocks, const std::function<void(int)>& fn) override;

    struct Shared;

private:
    explicit SpinningWorkers(Shared* shared) : shared_(shared) {}
    Shared* shared_;
};

}  // namespace zeplo
