// A RunRequest as the `zeplo run` command line that makes the same run, for
// the job lists a batch hands to GNU parallel or Slurm.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run_request.hpp"

namespace zeplo {

// The arguments after the program name, beginning with "run". Options at their
// defaults are left out.
std::vector<std::string> run_arguments(const RunRequest& request);

// The same without the output folder: what makes two runs the same run, given
// the same input files (run.json records it; a batch resumes by it).
std::vector<std::string> request_arguments(const RunRequest& request);

// The amplification column the request names, when it names one (the request
// may leave it to the run's default).
inline std::optional<Wrt> named_wrt(Wrt wrt) { return wrt; }
inline std::optional<Wrt> named_wrt(const std::optional<Wrt>& wrt) { return wrt; }

// A number as text that `zeplo run` reads back as the same double: the
// shortest form when the command line's reader gives `value` from it, all 17
// digits otherwise.
std::string cli_number(double value);

// The same reading the command line does (CLI11's); false for text that is not
// wholly a number.
bool read_cli_number(const std::string& text, double& value);

// `word` for a POSIX shell: as is when it holds only characters the shell
// takes literally, otherwise in single quotes.
std::string shell_quote(std::string_view word);

// Words quoted and joined by blanks.
std::string shell_command(const std::vector<std::string>& words);

}  // namespace zeplo
