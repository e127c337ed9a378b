#include "transform.hpp"

#include <vector>

#include "wvfast.hpp"

namespace zeplo {

std::optional<TransformLength> transform_length(int nt, int max_exponent) {
    int nf = 2;
    for (int i = 2; i <= max_exponent; ++i) {
        nf = 2 * nf;
        if (nf >= nt) return TransformLength{nf, i};
    }
    return std::nullopt;
}

void forward_spectrum(std::span<Complex> data, float dt) {
    std::vector<Complex> scratch(data.size());
    forward_spectrum(data, dt, scratch);
}

void forward_spectrum(std::span<Complex> data, float dt, std::span<Complex> scratch) {
    const int nf = static_cast<int>(data.size());
    wvfast(nf, data.data(), -1, scratch);
    const Complex by_dt{dt, 0.0f};
    for (Complex& line : data) line = cmul(line, by_dt);
}

}  // namespace zeplo
