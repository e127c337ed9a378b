// `zeplo convert` on the command line.
#include <cstdio>
#include <memory>

#include "commands.hpp"
#include "convert_command.hpp"

namespace zeplo {
namespace {

struct ConvertArgs {
    std::string file;
    std::string out;
    RecordOptions record;
    bool list = false;
};

}  // namespace

void add_convert_command(CLI::App& app, int& status) {
    auto args = std::make_shared<ConvertArgs>();
    CLI::App* cmd = app.add_subcommand("convert", "Write a record as the two-column text zeplo1 reads (time, value)");
    cmd->add_option("file", args->file, "Record file (format detected)")->required();
    cmd->add_option("-o,--output", args->out, "Output file (default: standard output)");
    cmd->add_flag("--list", args->list, "List the file's channels instead");
    args->record.add_to(*cmd);

    cmd->callback([args, &status] {
        status = guarded([&] {
            if (args->list) {
                for (const std::string& name : formats::list_channels(args->file)) std::printf("%s\n", name.c_str());
                return 0;
            }
            const Motion m = load_motion(args->file, args->record.format_choice(), args->record.channel,
                                         args->record.record_units_choice(),
                                         args->record.units_choice());
            report_warnings(m.warnings);
            const std::string text = two_column_text(m);
            if (args->out.empty()) {
                std::fwrite(text.data(), 1, text.size(), stdout);
                return std::fflush(stdout) == 0 ? 0 : report_failure("standard output: cannot write");
            }
            const auto slash = args->out.find_last_of('/');
            OutputFolder folder(slash == std::string::npos ? "." : args->out.substr(0, slash));
            const std::string name = slash == std::string::npos ? args->out : args->out.substr(slash + 1);
            folder.check_replaceable(name);
            folder.add(name, text);
            folder.commit();
            return 0;
        });
    });
}

}  // namespace zeplo
