#include "soil_profile.hpp"

#include <cmath>
#include <cstdio>

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

namespace {

std::string shown(float v) {
    char t[32];
    std::snprintf(t, sizeof t, "%g", static_cast<double>(v));
    return t;
}

}  // namespace

std::optional<ProfileFault> profile_fault(const SoilProfile& p) {
    if (!(p.thet1 >= 0.0f && p.thet1 < 90.0f))
        return ProfileFault{p.angle_line, "the incidence angle is " + shown(p.thet1) +
                                              " degrees; it must be from 0 up to (not including) 90"};
    if (!std::isfinite(p.pqf)) return ProfileFault{p.damping_line, "the damping exponent is not a finite number"};
    const bool damped = p.pqf != kNoDamping;
    const int nl = p.layers();
    for (int il = 1; il <= nl; ++il) {
        const auto i = static_cast<std::size_t>(il - 1);
        const int line = i < p.layer_lines.size() ? p.layer_lines[i] : 0;
        const std::string layer = il == nl ? "the half-space (layer " + std::to_string(il) + ")"
                                           : "layer " + std::to_string(il);
        struct Check {
            float value;
            const char* what;
            bool applies;
        };
        for (const Check c : {Check{p.thk[i], "thickness", il < nl}, Check{p.vs[i], "S-wave velocity", true},
                              Check{p.dns[i], "density", true}, Check{p.qs[i], "quality factor Q", damped}}) {
            if (c.applies && !(std::isfinite(c.value) && c.value > 0.0f))
                return ProfileFault{line, layer + ": the " + c.what + " is " + shown(c.value) +
                                              "; it must be a number above 0"};
        }
    }
    return std::nullopt;
}

}  // namespace zeplo
