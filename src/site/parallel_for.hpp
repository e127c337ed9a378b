// Work split over threads in fixed contiguous blocks.
#pragma once

#include <functional>

namespace zeplo {

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
void parallel_for_blocks(int count, int threads, const std::function<void(int, int)>& fn);

// The number of the block (0-based) that parallel_for_blocks(count, threads,
// ...) starts at `begin`, for a per-block share of storage set up beforehand.
int block_index(int begin, int count, int threads);

// The thread count for `work` units when one thread should have at least
// `min_work` of them: between 1 and `threads`.
int threads_for(long long work, long long min_work, int threads);

}  // namespace zeplo
