// Ground-motion record files in the formats engineers receive them in.
//
// Five formats are read, each by its own parser, and recognised from the text:
//   two_column  time and value per line (blanks, tabs or commas between them);
//               '#' comment lines, CRLF line ends, a byte-order mark and blank
//               lines are accepted; a third column is ignored. The unit is not
//               in the file (Unit::unknown): the caller names it.
//   at2         PEER NGA .AT2: four header lines, the fourth giving NPTS and
//               DT in either of the two layouts in use; values in g.
//   smc         USGS SMC text: 11 text lines, 48 integers, 50 reals, comment
//               lines, then values in cm/s² in fixed-width fields.
//   cosmos_v2   COSMOS Volume 2 (Volume 1 is read with a warning); the
//               acceleration block only.
//   cgs_v2      CGS/CSMIP Volume 2 "Corrected accelerogram": one channel of
//               several, its acceleration block only.
//
// Every reader checks the count of values against its header, the time step
// (positive and finite) and every value (finite). A file that fails is refused
// with a ReadError naming the file, the line and what was expected there.
//
// Nothing here holds state between calls or prints anything; all functions
// may run concurrently.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zeplo::formats {

enum class Unit { unknown, g, m_s2, cm_s2 };
enum class Format { two_column, at2, smc, cosmos_v2, cgs_v2 };

struct Record {
  Format format = Format::two_column;
  Unit unit = Unit::unknown;
  double dt = 0.0;                    // seconds
  std::vector<double> values;         // acceleration samples, in `unit`
  bool uncorrected = false;           // not baseline-corrected (SMC type 1, COSMOS Volume 1)
  std::vector<std::string> warnings;  // things the caller should tell the user
  std::string station_or_title;       // from the header, for messages; may be empty
};

// A file that cannot be read as a record. what() reads "FILE:LINE: message"
// ("FILE: message" when the fault is not on one line, line then being 0).
class ReadError : public std::runtime_error {
 public:
  ReadError(std::string file, int line, const std::string& message);
  std::string file;
  int line;
};

// Reads the file at `path`. The format is recognised from the text unless
// `force` names it. `channel` (1-based) picks a channel of a CGS V2 file; the
// other formats hold one channel. Throws ReadError.
Record read_record(const std::string& path, std::optional<Format> force = {}, int channel = 1);

// Same on text already in memory; `name` is the file name used in messages.
Record parse_record(std::string_view text, const std::string& name,
                    std::optional<Format> force = {}, int channel = 1);

// The format the text is written in, or nothing if it is none of the five.
std::optional<Format> detect_format(std::string_view text);

// The channels of the file: the channel names of a CGS V2 file, one entry (the
// station or title, or the format name) for the single-channel formats.
std::vector<std::string> list_channels(const std::string& path);

// The factor that turns a value in `from` into `to`: 1 g = 980.665 cm/s²
// = 9.80665 m/s². Throws std::invalid_argument if either unit is unknown.
double unit_factor(Unit from, Unit to);

std::string_view format_name(Format format);
std::string_view unit_name(Unit unit);

// The parsers, one per format; `name` is the file name used in messages.
Record parse_two_column(std::string_view text, const std::string& name);
Record parse_at2(std::string_view text, const std::string& name);
Record parse_smc(std::string_view text, const std::string& name);
Record parse_cosmos_v2(std::string_view text, const std::string& name);
Record parse_cgs_v2(std::string_view text, const std::string& name, int channel = 1);
std::vector<std::string> cgs_v2_channels(std::string_view text, const std::string& name);

}  // namespace zeplo::formats
