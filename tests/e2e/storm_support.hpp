// The random plans of the process-level stress tests (signal storm, soak) and
// of the byte-identity corpus's random cases: a small deterministic random
// source that does not depend on the standard library's distributions, so that
// a seed gives the same cases on every platform.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace zeplo::test::storm {

// splitmix64: reproducible on every platform for a given seed.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double u01() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }  // [0, 1)
    double uniform(double a, double b) { return a + (b - a) * u01(); }
    double log_uniform(double a, double b) { return std::exp(uniform(std::log(a), std::log(b))); }
    int int_in(int lo, int hi) {  // [lo, hi]
        return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    bool chance(double p) { return u01() < p; }
    template <class T>
    const T& pick(const std::vector<T>& v) {
        return v[static_cast<std::size_t>(next() % v.size())];
    }

private:
    std::uint64_t state_;
};

// A seed for item `index` of a campaign with seed `seed`.
inline std::uint64_t item_seed(std::uint64_t seed, std::uint64_t index) {
    Rng r(seed * 0x100000001B3ull ^ (index + 0x632BE59BD9B4E019ull));
    r.next();
    return r.next();
}

inline std::uint64_t env_u64(const char* name, std::uint64_t fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v) return fallback;
    char* end = nullptr;
    const unsigned long long x = std::strtoull(v, &end, 0);
    return end && *end == '\0' ? x : fallback;
}

}  // namespace zeplo::test::storm
