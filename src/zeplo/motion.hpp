// The input motion of a run: a record file read in its format, in the unit
// asked for, as the single-precision samples and time step the run takes.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "formats.hpp"

namespace zeplo {

// A failure the user can act on: what() is the whole message, naming the file
// (and line) it concerns.
class UserError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of an input file; `what` names it in messages ("record file").
// Throws UserError for a folder or a file that cannot be read.
std::string read_whole_file(const std::string& path, const char* what);

struct Motion {
    std::string path;
    std::string sha256;                          // of the file's bytes
    formats::Format format = formats::Format::two_column;
    formats::Unit file_unit = formats::Unit::unknown;  // the unit the file's values are in
    formats::Unit unit = formats::Unit::unknown;       // the unit of `values`
    float dt = 0.0f;
    std::vector<float> values;
    std::vector<std::string> warnings;
};

// Reads `path` (format detected unless forced; `channel` of a multi-channel
// file). `record_units` names the unit of a file that names none (refused for
// a file that names its own, when they differ); `units` converts the values
// (1 g = 980.665 cm/s2). Throws UserError.
Motion load_motion(const std::string& path, std::optional<formats::Format> format, int channel,
                   std::optional<formats::Unit> record_units, std::optional<formats::Unit> units);

}  // namespace zeplo
