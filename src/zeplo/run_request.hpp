// What one `zeplo run` is asked to do, as the command line (or a batch plan's
// row) gives it.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "formats.hpp"
#include "site_run.hpp"

namespace zeplo {

struct RunRequest {
    std::string record;                           // record file
    std::string soil;                             // soil file (fixed columns)
    std::optional<formats::Format> format;        // forced record format
    int channel = 1;                              // channel of a multi-channel record
    std::optional<formats::Unit> record_units;    // the unit of a record that names none
    std::optional<formats::Unit> units;           // convert the record to this unit first
    Wrt wrt = Wrt::input;
    Shape shape = Shape::none;
    std::optional<std::array<double, 4>> taper_hz;  // corners F1..F4 in Hz
    std::string out = ".";                        // output folder
};

// Names as the command line writes them.
std::optional<formats::Unit> unit_from_name(const std::string& name);      // g, m/s2, cm/s2
std::optional<formats::Format> format_from_name(const std::string& name);  // two-column, at2, smc, cosmos, cgs
// The names run.json and the command line use for a format and a unit
// ("unknown" for a record that names no unit).
const char* format_key(formats::Format format);
const char* unit_key(formats::Unit unit);
const char* wrt_name(Wrt wrt);
const char* shape_name(Shape shape);

// A taper corner from Hz to the rad/s the computation takes: the single-precision
// value of f * 2 pi computed in double.
float corner_rad_s(double hz);

}  // namespace zeplo
