#include "parallel_for.hpp"

#include <csignal>
#include <pthread.h>
#include <system_error>
#include <thread>
#include <vector>

namespace zeplo {

namespace {

int block_count(int count, int threads) { return threads < 1 ? 1 : (threads > count ? count : threads); }

}  // namespace

void parallel_for_blocks(int count, int threads, const std::function<void(int, int)>& fn, Workers* workers) {
    if (count <= 0) return;
    const int blocks = block_count(count, threads);
    // Block b is [floor(count b / blocks), floor(count (b+1) / blocks)).
    auto begin_of = [&](int b) {
        return static_cast<int>(static_cast<long long>(count) * b / blocks);
    };
    if (blocks == 1) {
        fn(0, count);
        return;
    }
    if (workers && workers->count() >= 1) {
        workers->run(blocks, [&](int b) { fn(begin_of(b), begin_of(b + 1)); });
        return;
    }

    // The new threads inherit the mask in force when they are created: the
    // signals are held back on this thread only while they start, and one
    // that arrives meanwhile is delivered here once the mask is restored.
    sigset_t held, previous;
    sigemptyset(&held);
    for (int s : {SIGINT, SIGTERM, SIGFPE, SIGABRT}) sigaddset(&held, s);
    pthread_sigmask(SIG_BLOCK, &held, &previous);
    std::vector<std::thread> started;
    std::vector<int> not_started;
    started.reserve(static_cast<std::size_t>(blocks - 1));
    for (int b = 1; b < blocks; ++b) {
        try {
            started.emplace_back(fn, begin_of(b), begin_of(b + 1));
        } catch (const std::system_error&) {
            not_started.push_back(b);
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);

    fn(begin_of(0), begin_of(1));
    for (int b : not_started) fn(begin_of(b), begin_of(b + 1));
    for (std::thread& t : started) t.join();
}

int block_index(int begin, int count, int threads) {
    if (count <= 0) return 0;
    // begin = floor(count b / blocks) gives b = ceil(begin blocks / count):
    // blocks <= count, so the begins of the blocks differ.
    const long long blocks = block_count(count, threads);
    return static_cast<int>((static_cast<long long>(begin) * blocks + count - 1) / count);
}

int threads_for(long long work, long long min_work, int threads) {
    if (threads <= 1 || min_work <= 0) return 1;
    const long long most = work / min_work;
    if (most < 1) return 1;
    return most < threads ? static_cast<int>(most) : threads;
}

}  // namespace zeplo
