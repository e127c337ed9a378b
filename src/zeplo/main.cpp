// zeplo: one-dimensional SH site response from the command line, on records in
// the formats engineers receive, without the dialog.
#include <CLI/CLI.hpp>

#include "commands.hpp"

int main(int argc, char** argv) {
    CLI::App app{"zeplo: one-dimensional SH-wave site response of a layered soil column over bedrock.\n"
                 "Reads a ground-motion record (two-column text, PEER AT2, USGS SMC, COSMOS V2, CGS V2) and a\n"
                 "soil profile, and writes the amplification table S_amp1, the spectrum amp_dat and the surface\n"
                 "time history zeplo_dat (the files of the zeplo1 dialog, byte for byte) with run.json."};
    app.set_version_flag("--version", std::string("zeplo ") + ZEPLO_VERSION);
    app.require_subcommand(1);
    int status = 0;
    zeplo::add_run_command(app, status);
    zeplo::add_convert_command(app, status);
    zeplo::add_spectra_command(app, status);
    zeplo::add_profile_command(app, status);
    zeplo::add_batch_command(app, status);
    zeplo::add_collect_command(app, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    return status;
}
