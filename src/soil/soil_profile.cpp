#include "soil_profile.hpp"

#include <cmath>

namespace zeplo {
namespace {

struct Field {
    float value;
    const char* what;
    bool applies;
};

}  // namespace

std::optional<ProfileProblem> profile_problem(const SoilColumn& c) {
    if (!std::isfinite(c.pqf)) return ProfileProblem{0, "the damping exponent is not a finite number"};
    if (!std::isfinite(c.theta)) return ProfileProblem{0, "the incidence angle is not a finite number"};
    const int nl = c.layers();
    const bool damped = c.damped();
    for (int il = 1; il <= nl; ++il) {
        const auto i = static_cast<std::size_t>(il - 1);
        for (const Field f : {Field{c.dns[i], "density", true}, Field{c.vs[i], "S-wave velocity", true},
                              Field{c.qs[i], "S-wave quality factor", damped}, Field{c.thk[i], "thickness", il < nl}})
            if (f.applies && !std::isfinite(f.value))
                return ProfileProblem{il, std::string("the ") + f.what + " is not a finite number"};
        if (nl < 2) continue;  // the half-space alone needs no division
        for (const Field f : {Field{c.dns[i], "density", il >= 2}, Field{c.vs[i], "S-wave velocity", true},
                              Field{c.qs[i], "S-wave quality factor", damped}})
            if (f.applies && f.value == 0.0f)
                return ProfileProblem{il, std::string("the ") + f.what + " is zero; the transfer function would divide by it"};
    }
    return std::nullopt;
}

}  // namespace zeplo
