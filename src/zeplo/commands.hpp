// The subcommands of `zeplo`, each in its own file: each adds itself to the
// command line and, when chosen, runs from its callback, leaving its exit
// status in `status`.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "formats.hpp"
#include "soil_input.hpp"

namespace zeplo {

void add_run_command(CLI::App& app, int& status);
void add_convert_command(CLI::App& app, int& status);
void add_spectra_command(CLI::App& app, int& status);
void add_profile_command(CLI::App& app, int& status);
void add_batch_command(CLI::App& app, int& status);
void add_collect_command(CLI::App& app, int& status);

// Shared by the subcommands.
int report_failure(const std::string& message);               // "zeplo: ..." on standard error; returns 1
void report_warnings(const std::vector<std::string>& warnings);  // "zeplo: warning: ..."

// Options every subcommand that reads a record takes.
struct RecordOptions {
    std::string format;
    std::string record_units;
    std::string units;
    int channel = 1;

    void add_to(CLI::App& app);
    // The choices as the readers take them (none where not given).
    std::optional<formats::Format> format_choice() const;
    std::optional<formats::Unit> record_units_choice() const;
    std::optional<formats::Unit> units_choice() const;
};

// Options every subcommand that reads a soil profile takes.
struct ProfileArgs {
    double incidence = 0.0;
    double q_exponent = 0.0;
    bool incidence_given = false;
    bool q_exponent_given = false;
    bool no_damping = false;

    void add_to(CLI::App& app);
    ProfileOptions options() const;
};

// Runs `body`, turning the command's errors into a message and status 1.
template <class Body>
int guarded(Body body);

}  // namespace zeplo

#include "command_errors.hpp"
