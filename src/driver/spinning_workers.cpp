#include "spinning_workers.hpp"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <pthread.h>
#include <sched.h>
#include <system_error>
#include <thread>
#include <vector>

namespace zeplo {

// One run's blocks are handed out by one ticket: the run's number, its block
// count and the next block not yet taken, so that a worker that looks late
// can never take a block of a run with the count or the work of another.
struct SpinningWorkers::Shared {
    std::atomic<std::uint64_t> ticket{0};
    std::atomic<int> finished{0};  // blocks of the current run finished by workers
    std::atomic<int> sleepers{0};
    const std::function<void(int)>* fn = nullptr;
    int threads = 0;
    std::chrono::nanoseconds spin_limit{};
};

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFieldBits = 20;
constexpr std::uint64_t kFieldMask = (std::uint64_t{1} << kFieldBits) - 1;

std::uint64_t make_ticket(std::uint64_t run, int blocks, int next) {
    return (run << (2 * kFieldBits)) | (static_cast<std::uint64_t>(blocks) << kFieldBits) |
           static_cast<std::uint64_t>(next);
}
int blocks_of(std::uint64_t t) { return static_cast<int>((t >> kFieldBits) & kFieldMask); }
int next_of(std::uint64_t t) { return static_cast<int>(t & kFieldMask); }

inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Takes the next block of the run of ticket t, if any is left: its number, or -1.
int take(SpinningWorkers::Shared& s, std::uint64_t t) {
    while (next_of(t) < blocks_of(t)) {
        if (s.ticket.compare_exchange_weak(t, t + 1, std::memory_order_acq_rel, std::memory_order_acquire))
            return next_of(t);
        relax();
    }
    return -1;
}

// Spins while `a` holds `value`, up to `limit`, then sleeps on it.
template <class T>
void wait_while(std::atomic<T>& a, T value, std::chrono::nanoseconds limit, std::atomic<int>* sleepers) {
    const Clock::time_point start = Clock::now();
    for (unsigned spins = 1; a.load(std::memory_order_acquire) == value; ++spins) {
        relax();
        if (spins % 1024 == 0 && Clock::now() - start > limit) {
            if (sleepers) sleepers->fetch_add(1, std::memory_order_seq_cst);
            if (a.load(std::memory_order_seq_cst) == value) a.wait(value, std::memory_order_acquire);
            if (sleepers) sleepers->fetch_sub(1, std::memory_order_seq_cst);
        }
    }
}

void work(SpinningWorkers::Shared* s) {
    std::uint64_t seen = 0;
    for (;;) {
        wait_while(s->ticket, seen, s->spin_limit, &s->sleepers);
        std::uint64_t t = s->ticket.load(std::memory_order_acquire);
        for (int b; (b = take(*s, t)) >= 0; t = s->ticket.load(std::memory_order_acquire)) {
            (*s->fn)(b);
            s->finished.fetch_add(1, std::memory_order_acq_rel);
            s->finished.notify_one();
        }
        seen = t;  // this run has no block left
    }
}

// The processors the program may use other than the one the calling thread is
// on, in order after it: where the workers go, so that a spinning worker
// never shares a processor with the thread that does the serial work.
std::vector<int> other_processors() {
    std::vector<int> others;
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    const int here = sched_getcpu();
    if (here < 0 || sched_getaffinity(0, sizeof allowed, &allowed) != 0) return others;
    for (int k = 1; k < CPU_SETSIZE; ++k) {
        const int cpu = (here + k) % CPU_SETSIZE;
        if (CPU_ISSET(cpu, &allowed)) others.push_back(cpu);
    }
    return others;
}

}  // namespace

SpinningWorkers& SpinningWorkers::start(int threads, std::chrono::milliseconds spin_limit) {
    auto* shared = new Shared;  // as the workers, never ended
    shared->spin_limit = spin_limit;
    sigset_t held, previous;
    sigemptyset(&held);
    for (int s : {SIGINT, SIGTERM, SIGFPE, SIGABRT}) sigaddset(&held, s);
    pthread_sigmask(SIG_BLOCK, &held, &previous);
    const std::vector<int> others = other_processors();
    for (int k = 1; k <= threads; ++k) {
        try {
            std::thread worker(work, shared);
            if (static_cast<std::size_t>(k) <= others.size()) {
                cpu_set_t one;
                CPU_ZERO(&one);
                CPU_SET(others[static_cast<std::size_t>(k - 1)], &one);
                (void)pthread_setaffinity_np(worker.native_handle(), sizeof one, &one);
            }
            worker.detach();
            shared->threads = k;
        } catch (const std::system_error&) {
            break;
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return *new SpinningWorkers(shared);
}

int SpinningWorkers::count() const { return shared_->threads; }

void SpinningWorkers::run(int blocks, const std::function<void(int)>& fn) {
    Shared& s = *shared_;
    if (blocks <= 1 || s.threads == 0 || blocks > static_cast<int>(kFieldMask)) {
        for (int b = 0; b < blocks; ++b) fn(b);
        return;
    }
    // The previous run is over: every block was taken and finished, so no
    // worker reads fn or finished until the new ticket is out.
    s.fn = &fn;
    s.finished.store(0, std::memory_order_relaxed);
    const std::uint64_t run = (s.ticket.load(std::memory_order_relaxed) >> (2 * kFieldBits)) + 1;
    s.ticket.store(make_ticket(run, blocks, 1), std::memory_order_seq_cst);
    if (s.sleepers.load(std::memory_order_seq_cst) > 0) s.ticket.notify_all();

    fn(0);
    int mine = 1;
    for (int b; (b = take(s, s.ticket.load(std::memory_order_acquire))) >= 0; ++mine) fn(b);
    // Only blocks that workers took are waited for.
    for (int done = s.finished.load(std::memory_order_acquire); done + mine < blocks;
         done = s.finished.load(std::memory_order_acquire))
        wait_while(s.finished, done, s.spin_limit, nullptr);
}

}  // namespace zeplo
