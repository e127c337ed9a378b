// One site-response run without the dialog: the same stages, in the same order
// and with the same values as the dialog's run, for a record of any length.
// The three files come back as text, byte for byte what the dialog writes.
#pragma once

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "frequency_grid.hpp"
#include "shaping.hpp"
#include "soil_profile.hpp"
#include "synthesis.hpp"

namespace zeplo {

// Longest transform a run takes: 2^24 samples.
inline constexpr int kRunLongestExponent = 24;

enum class Wrt { input = 1, bedrock = 2 };  // amplification column: answer 1 or 2

struct RunChoices {
    Wrt wrt = Wrt::input;
    Shape shape = Shape::none;
    std::optional<Taper> taper;  // corners in rad/s
    bool keep_delay = false;     // leave out the travel-time phase: the output in physical time
    int transform_samples = 0;   // the transform holds at least this many samples (zeros after the record)
};

struct RunResult {
    int nt = 0;
    float dt = 0.0f;
    int nf = 0;
    int if1 = 0;
    FrequencyGrid grid{};
    std::vector<Complex> col1, col2;  // amplification at lines 1..nom
    std::vector<float> wave;          // output wave, nf samples
    Extremes extremes{};
    std::string s_amp1, amp_dat, zeplo_dat;
};

// A run that cannot be made: what() is a message for the user, without the
// file name (the caller knows which input it concerns).
class RunRefusal : public std::runtime_error {
public:
    enum class Input { record, soil, result };
    RunRefusal(Input input, const std::string& message) : std::runtime_error(message), input(input) {}
    Input input;
};

// Runs the record `values` (sampling interval dt) through the profile.
// Throws RunRefusal for a record or profile the stages cannot use, and for a
// result beyond single precision, as the dialog refuses them.
RunResult run_site(std::span<const float> values, float dt, const SoilProfile& profile, const RunChoices& choices);

}  // namespace zeplo
