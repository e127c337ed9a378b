#include "run_arguments.hpp"

#include <charconv>
#include <cstdio>

#include <CLI/CLI.hpp>

namespace zeplo {

bool read_cli_number(const std::string& text, double& value) { return CLI::detail::lexical_cast(text, value); }

std::string cli_number(double value) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    std::string shortest(text, end);
    double back = 0;
    if (read_cli_number(shortest, back) && back == value) return shortest;
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::vector<std::string> run_arguments(const RunRequest& q) {
    std::vector<std::string> args{"run", "--record", q.record, "--soil", q.soil};
    if (q.format) args.insert(args.end(), {"--format", format_key(*q.format)});
    if (q.channel != 1) args.insert(args.end(), {"--channel", std::to_string(q.channel)});
    if (q.record_units) args.insert(args.end(), {"--record-units", unit_key(*q.record_units)});
    if (q.units) args.insert(args.end(), {"--units", unit_key(*q.units)});
    if (q.input_motion) args.insert(args.end(), {"--input-motion", input_motion_name(*q.input_motion)});
    if (const auto wrt = named_wrt(q.wrt)) args.insert(args.end(), {"--wrt", wrt_name(*wrt)});
    if (q.profile.incidence_deg) args.insert(args.end(), {"--incidence", cli_number(*q.profile.incidence_deg)});
    if (q.profile.q_exponent) args.insert(args.end(), {"--q-exponent", cli_number(*q.profile.q_exponent)});
    if (q.profile.no_damping) args.push_back("--no-damping");
    if (q.pad.mode == Padding::Mode::automatic) args.insert(args.end(), {"--pad", "auto"});
    if (q.pad.mode == Padding::Mode::seconds) args.insert(args.end(), {"--pad", cli_number(q.pad.seconds)});
    if (q.keep_delay) args.push_back("--keep-delay");
    if (q.report) args.push_back("--report");
    if (q.shape == Shape::integrate) args.push_back("--integrate");
    if (q.shape == Shape::differentiate) args.push_back("--differentiate");
    if (q.taper_hz) {
        const auto& f = *q.taper_hz;
        args.insert(args.end(), {"--taper", cli_number(f[0]) + "," + cli_number(f[1]) + "," + cli_number(f[2]) + "," +
                                                cli_number(f[3])});
    }
    args.insert(args.end(), {"--out", q.out});
    return args;
}

std::vector<std::string> request_arguments(const RunRequest& request) {
    std::vector<std::string> args = run_arguments(request);
    args.resize(args.size() - 2);  // "--out" and the folder, always last
    return args;
}

std::string shell_quote(std::string_view word) {
    auto literal = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == '.' || c == '/' || c == ',' || c == ':' || c == '+' || c == '@' || c == '%';
    };
    bool plain = !word.empty();
    for (const char c : word) plain = plain && literal(c);
    if (plain) return std::string(word);
    std::string out = "'";
    for (const char c : word) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    out += '\'';
    return out;
}

std::string shell_command(const std::vector<std::string>& words) {
    std::string out;
    for (std::size_t k = 0; k < words.size(); ++k) {
        if (k > 0) out += ' ';
        out += shell_quote(words[k]);
    }
    return out;
}

}  // namespace zeplo
