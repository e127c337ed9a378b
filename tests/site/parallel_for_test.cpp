// The block split over threads: every index once, blocks fixed by the count
// and the thread count, the termination signals held back on the workers and
// the caller's signal mask as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <utility>
#include <vector>

#include "parallel_for.hpp"

namespace zeplo {
namespace {

TEST(ParallelFor, BlocksCoverEachIndexOnceInOrderedNearEqualPieces) {
    for (int count = 0; count <= 40; ++count) {
        for (int threads = -1; threads <= 9; ++threads) {
            std::mutex m;
            std::vector<std::pair<int, int>> blocks;
            std::vector<int> hits(static_cast<std::size_t>(count), 0);
            parallel_for_blocks(count, threads, [&](int begin, int end) {
                const std::lock_guard<std::mutex> lock(m);
                blocks.emplace_back(begin, end);
                for (int i = begin; i < end; ++i) ++hits[static_cast<std::size_t>(i)];
            });
            for (int h : hits) ASSERT_EQ(h, 1) << count << " " << threads;
            if (count == 0) {
                EXPECT_TRUE(blocks.empty());
                continue;
            }
            const int expected = threads < 1 ? 1 : std::min(threads, count);
            ASSERT_EQ(static_cast<int>(blocks.size()), expected) << count << " " << threads;
            std::sort(blocks.begin(), blocks.end());
            int lo = count, hi = 0;
            for (std::size_t b = 0; b < blocks.size(); ++b) {
                EXPECT_EQ(blocks[b].first, b == 0 ? 0 : blocks[b - 1].second);
                EXPECT_EQ(block_index(blocks[b].first, count, threads), static_cast<int>(b));
                lo = std::min(lo, blocks[b].second - blocks[b].first);
                hi = std::max(hi, blocks[b].second - blocks[b].first);
            }
            EXPECT_GE(lo, 1);
            EXPECT_LE(hi - lo, 1);
        }
    }
}

TEST(ParallelFor, BlockZeroRunsOnTheCallerAndWorkersHoldTheSignals) {
    const std::thread::id caller = std::this_thread::get_id();
    sigset_t before;
    pthread_sigmask(SIG_SETMASK, nullptr, &before);
    ASSERT_FALSE(sigismember(&before, SIGINT));

    std::atomic<int> worker_blocks{0}, worker_all_held{0};
    std::atomic<bool> block_zero_on_caller{false};
    parallel_for_blocks(4, 4, [&](int begin, int) {
        sigset_t mask;
        pthread_sigmask(SIG_SETMASK, nullptr, &mask);
        if (begin == 0) {
            block_zero_on_caller = std::this_thread::get_id() == caller && !sigismember(&mask, SIGINT);
            return;
        }
        ++worker_blocks;
        if (sigismember(&mask, SIGINT) && sigismember(&mask, SIGTERM) && sigismember(&mask, SIGFPE) &&
            sigismember(&mask, SIGABRT))
            ++worker_all_held;
    });
    EXPECT_TRUE(block_zero_on_caller);
    EXPECT_EQ(worker_blocks, 3);
    EXPECT_EQ(worker_all_held, 3);
    sigset_t after;
    pthread_sigmask(SIG_SETMASK, nullptr, &after);
    for (int s : {SIGINT, SIGTERM, SIGFPE, SIGABRT}) EXPECT_EQ(sigismember(&after, s), sigismember(&before, s));
}

TEST(ParallelFor, ThreadsForWork) {
    EXPECT_EQ(threads_for(1000, 40000, 8), 1);
    EXPECT_EQ(threads_for(80000, 40000, 8), 2);
    EXPECT_EQ(threads_for(10'000'000, 40000, 8), 8);
    EXPECT_EQ(threads_for(10'000'000, 40000, 0), 1);
    EXPECT_EQ(threads_for(10'000'000, 0, 4), 1);
}

}  // namespace
}  // namespace zeplo
