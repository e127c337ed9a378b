// `zeplo profile`: the profile as read, and what it does to a motion.
#include <cstdio>
#include <memory>

#include "amplification.hpp"
#include "commands.hpp"
#include "profile_facts.hpp"

namespace zeplo {
namespace {

struct ProfileCommandArgs {
    std::string file;
    ProfileArgs profile;
};

}  // namespace

void add_profile_command(CLI::App& app, int& status) {
    auto args = std::make_shared<ProfileCommandArgs>();
    CLI::App* cmd = app.add_subcommand(
        "profile", "Print a soil profile as read, its travel time, quarter-wavelength frequency, Vs30 and the "
                   "first peaks of the amplification for each input motion");
    cmd->add_option("file", args->file, "Soil file (fixed columns) or CSV layer table")->required();
    args->profile.add_to(*cmd);
    cmd->callback([args, &status] {
        status = guarded([&] {
            const SoilInput soil = load_soil(args->file, args->profile.options());
            const SoilProfile& p = soil.profile;
            const ProfileFacts f = profile_facts(p);
            const bool damped = p.pqf != kNoDamping;
            char damping[64] = "no damping";
            if (damped) std::snprintf(damping, sizeof damping, "damping Q = Q0 * f^%g", static_cast<double>(p.pqf));
            std::printf("%s: %s, %d layer%s over the half-space, incidence %g degrees, %s\n\n", args->file.c_str(),
                        soil.table ? "layer table" : "fixed-column soil file", p.layers() - 1,
                        p.layers() == 2 ? "" : "s", static_cast<double>(p.thet1), damping);
            std::printf("%5s %9s %11s %9s %8s %9s %10s\n", "layer", "top_m", "thickness_m", "vs_m_s", "density",
                        damped ? "Q0" : "-", "travel_s");
            double top = 0.0;
            for (int il = 1; il <= p.layers(); ++il) {
                const auto i = static_cast<std::size_t>(il - 1);
                const bool half_space = il == p.layers();
                char thickness[32] = "half-space", q[32] = "-", tt[32] = "-";
                if (!half_space) {
                    std::snprintf(thickness, sizeof thickness, "%g", static_cast<double>(p.thk[i]));
                    std::snprintf(tt, sizeof tt, "%.4f", static_cast<double>(p.thk[i]) / p.vs[i]);
                }
                if (damped) std::snprintf(q, sizeof q, "%g", static_cast<double>(p.qs[i]));
                std::printf("%5d %9g %11s %9g %8g %9s %10s\n", il, top, thickness, static_cast<double>(p.vs[i]),
                            static_cast<double>(p.dns[i]), q, tt);
                if (!half_space) top += p.thk[i];
            }
            std::printf("\ntravel time           %.4f s (depth to the half-space %g m)\n", f.travel_time, f.depth);
            if (f.f0 > 0.0) std::printf("quarter-wavelength f  %.4f Hz (1 / (4 travel time))\n", f.f0);
            if (f.vs30)
                std::printf("Vs30                  %.1f m/s\n", *f.vs30);
            else
                std::printf("Vs30                  - (the layers above the half-space reach only %g m)\n", f.depth);
            std::printf("\nfirst peaks of |amplification| (Hz: value), 0 to 50 Hz\n");
            for (std::size_t m = 0; m < kInputMotions.size(); ++m) {
                std::printf("  %-9s", input_motion_name(kInputMotions[m]));
                for (const AmplificationPeak& pk : f.peaks[m]) std::printf("  %7.3f: %-8.3f", pk.hz, pk.value);
                if (f.peaks[m].empty()) std::printf("  none");
                std::printf("\n");
            }
            return 0;
        });
    });
}

}  // namespace zeplo
