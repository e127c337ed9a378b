// Work split over threads in fixed contiguous blocks.
#pragma once

#include <functional>

namespace zeplo {

// Threads a caller keeps for the blocks of many calls. A thread started for
// one call can wait milliseconds for a processor on a virtual machine whose
// idle processors sleep; kept threads that are already running do not.
class Workers {
public:
    // The threads besides the calling one.
    virtual int count() const = 0;
    // Calls fn(b) once for each b = 0 .. blocks-1 and returns once every call
    // returned: fn(0) on the calling thread, first; the others on whichever
    // thread, the calling one included, takes them first, so that a worker
    // that is late holds nothing up. The workers have the termination signals
    // blocked, as the threads parallel_for_blocks starts.
    virtual void run(int blocks, const std::function<void(int)>& fn) = 0;

protected:
    ~Workers() = default;
};

// Calls fn(begin, end) for the blocks of [0, count): `threads` blocks (at most
// count, at least one) of sizes differing by at most one, in order. Block 0
// runs on the calling thread, the others on threads of their own, all joined
// before the return. A thread that cannot be started has its block run on the
// calling thread. The new threads start with the termination signals
// (SIGINT, SIGTERM, SIGFPE, SIGABRT) blocked, so that a handler installed by
// the program always runs on the thread that installed it. fn must not throw.
//
// Each index belongs to exactly one block, and the blocks depend only on count
// and threads: a computation whose value at an index depends only on that index
// gives the same results for every thread count.
//
// With `workers` (at least one), the blocks run on them and on the calling
// thread instead of on threads started for the call; a block count above the
// thread count then balances the work between them.
void parallel_for_blocks(int count, int threads, const std::function<void(int, int)>& fn,
                         Workers* workers = nullptr);

// The number of the block (0-based) that parallel_for_blocks(count, threads,
// ...) starts at `begin`, for a per-block share of storage set up beforehand.
int block_index(int begin, int count, int threads);

// The thread count for `work` units when one thread should have at least
// `min_work` of them: between 1 and `threads`.
int threads_for(long long work, long long min_work, int threads);

}  // namespace zeplo
