#include "response_spectrum.hpp"

#include <algorithm>
#include <cmath>
#include <complex>
#include <map>
#include <numbers>
#include <stdexcept>
#include <string>

#include "fft.hpp"
#include "parallel_for.hpp"

namespace zeplo::spectra {
namespace {

using cplx = std::complex<double>;

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// (e^z - 1)/z and (e^z (z - 1) + 1)/z^2: the integrals over [0, 1] of e^(z s)
// and s e^(z s). Their power series where |z| is small, where the closed forms
// would lose digits.
void phi_functions(cplx z, cplx ez, cplx& phi1, cplx& psi) {
    if (std::abs(z) < 0.5) {
        cplx power = 1.0;
        double factorial = 1.0;
        phi1 = 0.0;
        psi = 0.0;
        for (int k = 0; k < 24; ++k) {
            phi1 += power / (factorial * (k + 1));
            psi += power / (factorial * (k + 2));
            power *= z;
            factorial *= (k + 1);
        }
    } else {
        phi1 = (ez - 1.0) / z;
        psi = (ez * (z - 1.0) + 1.0) / (z * z);
    }
}

void check_record(std::span<const double> acc, double dt) {
    if (acc.empty()) throw std::invalid_argument("the record has no samples");
    if (!(dt > 0.0) || !std::isfinite(dt)) throw std::invalid_argument("the time step must be positive and finite");
    for (const double a : acc)
        if (!std::isfinite(a)) throw std::invalid_argument("the record has a value that is not finite");
}

void check_oscillator(double period, double damping) {
    if (!(period > 0.0) || !std::isfinite(period))
        throw std::invalid_argument("period " + std::to_string(period) + ": must be positive and finite");
    if (!(damping >= 0.0 && damping < 1.0))
        throw std::invalid_argument("damping ratio " + std::to_string(damping) + ": must be at least 0 and below 1");
}

// Zero samples after the record over which the free vibration is followed:
// the largest |u| of a damped free vibration comes within half a period of
// its start, and the input reaches zero one step after the last sample.
std::size_t tail_samples(double period, double dt) { return static_cast<std::size_t>(std::ceil(period / dt)) + 2; }

double peak_nigam_jennings(std::span<const double> acc, double dt, double period, double damping) {
    const double omega = kTwoPi / period;
    const int k = subdivisions(period, dt);
    const Step s = nigam_jennings_step(omega, damping, dt / k);
    const std::size_t n = acc.size();
    const std::size_t total = n + tail_samples(period, dt);
    auto sample = [&](std::size_t i) { return i < n ? acc[i] : 0.0; };
    double u = 0.0, v = 0.0, peak = 0.0;
    if (k == 1) {
        double a0 = sample(0);
        for (std::size_t i = 1; i < total; ++i) {
            const double a1 = sample(i);
            const double fu = s.ua0 * a0 + s.ua1 * a1;
            const double fv = s.va0 * a0 + s.va1 * a1;
            const double u1 = s.uu * u + (s.uv * v + fu);
            const double v1 = s.vu * u + (s.vv * v + fv);
            u = u1;
            v = v1;
            peak = std::max(peak, std::fabs(u));
            a0 = a1;
        }
    } else {
        const double inv_k = 1.0 / k;
        for (std::size_t i = 1; i < total; ++i) {
            const double a_start = sample(i - 1), da = sample(i) - a_start;
            double a0 = a_start;
            for (int j = 1; j <= k; ++j) {
                const double a1 = j == k ? sample(i) : a_start + da * (j * inv_k);
                const double fu = s.ua0 * a0 + s.ua1 * a1;
                const double fv = s.va0 * a0 + s.va1 * a1;
                const double u1 = s.uu * u + (s.uv * v + fu);
                const double v1 = s.vu * u + (s.vv * v + fv);
                u = u1;
                v = v1;
                peak = std::max(peak, std::fabs(u));
                a0 = a1;
            }
        }
    }
    return omega * omega * peak;
}

// The frequency-domain method. Each oscillator's response is the inverse
// transform of the record's spectrum times its transfer function, on a grid
// padded for it (transform_length) and refined by zeros above the Nyquist
// frequency when the period is short (sub-grid factor k, a power of two). Two
// oscillators of the same grid share one transform, one as its real part, the
// other as its imaginary part.
struct FourierGrid {
    std::size_t length;  // of the padded record
    int k;               // sub-grid factor
    auto operator<=>(const FourierGrid&) const = default;
};

// The record plus as many zeros again, and the time the free vibration takes
// to decay to exp(-2 pi) (0.2 %) of its amplitude, T / z: so little of the
// response wraps round onto the start of the transform.
std::size_t transform_length(std::size_t samples, double dt, double period, double damping) {
    return next_power_of_two(2 * samples + static_cast<std::size_t>(std::ceil(period / (damping * dt))));
}

class FourierOscillators {
public:
    FourierOscillators(std::span<const double> acc, double dt, const std::vector<FourierGrid>& grids) : dt_(dt) {
        for (const FourierGrid& g : grids) {
            if (!spectra_.contains(g.length)) {
                const FftPlan plan(g.length);
                spectra_.emplace(g.length, real_spectrum(acc, plan));
            }
            const std::size_t m = g.length * static_cast<std::size_t>(g.k);
            if (!plans_.contains(m)) plans_.emplace(m, m);
        }
    }

    // The peaks of w^2 |u| of oscillator a and, when `two`, oscillator b, on grid g.
    void peaks(const FourierGrid& g, double period_a, double damping_a, bool two, double period_b, double damping_b,
               double& peak_a, double& peak_b) const {
        const std::size_t m = g.length * static_cast<std::size_t>(g.k);
        std::vector<cplx> a(m, cplx{0.0, 0.0});
        const std::vector<cplx>& x = spectra_.at(g.length);
        add_response(a, x, g.length, period_a, damping_a, false);
        if (two) add_response(a, x, g.length, period_b, damping_b, true);
        plans_.at(m).inverse(a);
        double ma = 0.0, mb = 0.0;
        for (const cplx& v : a) {
            ma = std::max(ma, std::fabs(v.real()));
            mb = std::max(mb, std::fabs(v.imag()));
        }
        const double n = static_cast<double>(g.length);
        const double wa = kTwoPi / period_a, wb = kTwoPi / period_b;
        peak_a = wa * wa * ma / n;
        peak_b = two ? wb * wb * mb / n : 0.0;
    }

private:
    // Adds the Hermitian spectrum of the response (times i when `imaginary`) to `a`.
    void add_response(std::vector<cplx>& a, const std::vector<cplx>& x, std::size_t n, double period, double damping,
                      bool imaginary) const {
        const std::size_t m = a.size(), half = n / 2;
        const double w0 = kTwoPi / period;
        const double dw = kTwoPi / (static_cast<double>(n) * dt_);
        auto add = [&](std::size_t q, cplx v) { a[q] += imaginary ? cplx{-v.imag(), v.real()} : v; };
        for (std::size_t q = 0; q <= half; ++q) {
            const double w = dw * static_cast<double>(q);
            // u'' + 2 z w0 u' + w0^2 u = -a  gives  U = -A / (w0^2 - w^2 + 2 i z w0 w).
            const double re = w0 * w0 - w * w, im = 2.0 * damping * w0 * w, mod2 = re * re + im * im;
            const cplx xq = x[q];
            const cplx line{-(xq.real() * re + xq.imag() * im) / mod2, -(xq.imag() * re - xq.real() * im) / mod2};
            if (q == 0) {
                add(0, line);
            } else if (q < half) {
                add(q, line);
                add(m - q, std::conj(line));
            } else {
                // The Nyquist line: its real part, half at each sign (one line when m == n).
                add(q, 0.5 * line.real());
                add(m - q, 0.5 * line.real());
            }
        }
    }

    double dt_;
    std::map<std::size_t, std::vector<cplx>> spectra_;  // by padded length: lines 0 .. length/2
    std::map<std::size_t, FftPlan> plans_;              // by transform length
};

}  // namespace

std::optional<Method> method_from_name(std::string_view name) {
    if (name == "nigam-jennings") return Method::nigam_jennings;
    if (name == "fourier") return Method::fourier;
    return std::nullopt;
}

std::string_view method_name(Method method) {
    return method == Method::fourier ? "fourier" : "nigam-jennings";
}

std::vector<double> default_periods(std::span<const double> extra) {
    std::vector<double> t;
    for (int i = 0; i < 100; ++i) t.push_back(std::pow(10.0, -2.0 + 3.0 * i / 99.0));
    t.insert(t.end(), extra.begin(), extra.end());
    std::sort(t.begin(), t.end());
    std::vector<double> out;
    for (const double p : t)
        if (out.empty() || std::fabs(p - out.back()) > 1e-9 * std::fabs(p)) out.push_back(p);
    return out;
}

int subdivisions(double period, double dt) {
    if (period >= 10.0 * dt) return 1;
    return static_cast<int>(std::ceil(10.0 * dt / period));
}

Step nigam_jennings_step(double omega, double damping, double h) {
    const double alpha = damping * omega;
    const double beta = omega * std::sqrt(1.0 - damping * damping);
    const cplx z{-alpha * h, beta * h};
    const double decay = std::exp(-alpha * h);
    const cplx ez{decay * std::cos(beta * h), decay * std::sin(beta * h)};
    cplx phi1, psi;
    phi_functions(z, ez, phi1, psi);
    // The impulse response of u is e^(-alpha s) sin(beta s) / beta = Im(e^(z s/h)) / beta;
    // its integral over the step, and that of s times it.
    const double p12 = ez.imag() / beta;
    const double i0 = h * phi1.imag() / beta;
    const double i1 = h * h * psi.imag() / beta;
    Step s{};
    s.uu = ez.real() + alpha * p12;
    s.uv = p12;
    s.vu = -omega * omega * p12;
    s.vv = ez.real() - alpha * p12;
    s.ua0 = -i1 / h;
    s.ua1 = -(i0 - i1 / h);
    s.va0 = -(p12 - i0 / h);
    s.va1 = -i0 / h;
    return s;
}

std::vector<double> oscillator_displacement(std::span<const double> acc, double dt, double period, double damping,
                                            double u0, double v0) {
    check_record(acc, dt);
    check_oscillator(period, damping);
    const Step s = nigam_jennings_step(kTwoPi / period, damping, dt);
    std::vector<double> u(acc.size());
    double uu = u0, vv = v0;
    u[0] = uu;
    for (std::size_t i = 1; i < acc.size(); ++i) {
        const double u1 = s.uu * uu + s.uv * vv + s.ua0 * acc[i - 1] + s.ua1 * acc[i];
        const double v1 = s.vu * uu + s.vv * vv + s.va0 * acc[i - 1] + s.va1 * acc[i];
        uu = u1;
        vv = v1;
        u[i] = uu;
    }
    return u;
}

double psa_nigam_jennings(std::span<const double> acc, double dt, double period, double damping) {
    check_record(acc, dt);
    check_oscillator(period, damping);
    return peak_nigam_jennings(acc, dt, period, damping);
}

ResponseSpectrum response_spectrum(std::span<const double> acc, double dt, const SpectrumRequest& request) {
    check_record(acc, dt);
    for (const double z : request.dampings) {
        check_oscillator(1.0, z);
        // With less damping the free vibration outlasts any reasonable padding.
        if (request.method == Method::fourier && !(z >= kFourierLeastDamping))
            throw std::invalid_argument("the Fourier method needs a damping ratio of at least 0.001 (0.1 %)");
    }
    for (const double t : request.periods) check_oscillator(t, 0.0);

    ResponseSpectrum r;
    r.periods = request.periods;
    r.dampings = request.dampings;
    const std::size_t np = r.periods.size(), nd = r.dampings.size();
    r.psa.assign(nd, std::vector<double>(np, 0.0));
    if (np == 0 || nd == 0) return r;

    if (request.method == Method::nigam_jennings) {
        const int count = static_cast<int>(np * nd);
        const int threads = threads_for(static_cast<long long>(count) * static_cast<long long>(acc.size()), 200000,
                                        request.threads);
        parallel_for_blocks(count, threads, [&](int begin, int end) {
            for (int i = begin; i < end; ++i) {
                const std::size_t d = static_cast<std::size_t>(i) / np, p = static_cast<std::size_t>(i) % np;
                r.psa[d][p] = peak_nigam_jennings(acc, dt, r.periods[p], r.dampings[d]);
            }
        });
        return r;
    }

    // Oscillators of one grid in pairs, one transform per pair.
    struct Item {
        std::size_t d, p;
        FourierGrid grid;
    };
    std::vector<Item> items;
    std::vector<FourierGrid> grids;
    for (std::size_t d = 0; d < nd; ++d)
        for (std::size_t p = 0; p < np; ++p) {
            const double t = r.periods[p], z = r.dampings[d];
            const int k = static_cast<int>(next_power_of_two(static_cast<std::size_t>(subdivisions(t, dt))));
            items.push_back({d, p, FourierGrid{transform_length(acc.size(), dt, t, z), k}});
            grids.push_back(items.back().grid);
        }
    const FourierOscillators fourier(acc, dt, grids);
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.grid < b.grid; });
    std::vector<std::pair<std::size_t, std::size_t>> pairs;  // indices into items; second == first when alone
    for (std::size_t i = 0; i < items.size();) {
        const bool two = i + 1 < items.size() && items[i + 1].grid == items[i].grid;
        pairs.emplace_back(i, two ? i + 1 : i);
        i += two ? 2 : 1;
    }
    const int threads = threads_for(static_cast<long long>(pairs.size()), 2, request.threads);
    parallel_for_blocks(static_cast<int>(pairs.size()), threads, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            const Item& a = items[pairs[static_cast<std::size_t>(i)].first];
            const Item& b = items[pairs[static_cast<std::size_t>(i)].second];
            const bool two = &a != &b;
            double pa = 0.0, pb = 0.0;
            fourier.peaks(a.grid, r.periods[a.p], r.dampings[a.d], two, r.periods[b.p], r.dampings[b.d], pa, pb);
            r.psa[a.d][a.p] = pa;
            if (two) r.psa[b.d][b.p] = pb;
        }
    });
    return r;
}

}  // namespace zeplo::spectra
