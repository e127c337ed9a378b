#include "transform.hpp"

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
    const int nf = static_cast<int>(data.size());
    wvfast(nf, data.data(), nf, -1);
    const Complex by_dt{dt, 0.0f};
    for (Complex& line : data) line = cmul(line, by_dt);
}

}  // namespace zeplo
