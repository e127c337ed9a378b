#include "profile_facts.hpp"

#include <cmath>

#include "amplification.hpp"
#include "frequency_grid.hpp"

namespace zeplo {

const char* input_motion_name(InputMotion m) {
    switch (m) {
        case InputMotion::incident: return "incident";
        case InputMotion::within: return "within";
        case InputMotion::outcrop: break;
    }
    return "outcrop";
}

std::optional<InputMotion> input_motion_from_name(const std::string& name) {
    for (const InputMotion m : kInputMotions)
        if (name == input_motion_name(m)) return m;
    return std::nullopt;
}

ProfileFacts profile_facts(const SoilProfile& profile) {
    ProfileFacts f;
    const int nl = profile.layers();
    f.travel_time = travel_time(profile.column());
    f.f0 = f.travel_time > 0.0 ? 1.0 / (4.0 * f.travel_time) : 0.0;
    double depth = 0.0, slowness = 0.0;
    for (int l = 0; l < nl - 1; ++l) {
        const double h = profile.thk[static_cast<std::size_t>(l)];
        const double vs = profile.vs[static_cast<std::size_t>(l)];
        if (depth < 30.0) slowness += std::min(h, 30.0 - depth) / vs;
        depth += h;
    }
    f.depth = depth;
    if (depth >= 30.0 && slowness > 0.0) f.vs30 = 30.0 / slowness;

    constexpr double kStepHz = 0.005;
    constexpr int kLines = 10001;  // 0 .. 50 Hz
    const float dom = static_cast<float>(2.0 * 3.14159265358979323846 * kStepHz);
    std::vector<Complex> col1(kLines), col2(kLines), col1_incident(kLines);
    SoilProfile outcrop = profile;
    outcrop.nsf = 0;
    SoilProfile incident = profile;
    incident.nsf = 1;
    column_amplification(outcrop.column(), dom, col1, col2);
    std::vector<Complex> unused(kLines);
    column_amplification(incident.column(), dom, col1_incident, unused);
    const std::vector<Complex>* columns[3] = {&col1, &col1_incident, &col2};
    for (std::size_t m = 0; m < 3; ++m) {
        const std::vector<Complex>& c = *columns[m];
        for (int k = 1; k + 1 < kLines && f.peaks[m].size() < 3; ++k) {
            const float a = cabs(c[static_cast<std::size_t>(k)]);
            if (a > cabs(c[static_cast<std::size_t>(k - 1)]) && a >= cabs(c[static_cast<std::size_t>(k + 1)]))
                f.peaks[m].push_back({line_hz(k + 1, dom), a});
        }
    }
    return f;
}

}  // namespace zeplo
