// What one `zeplo run` is asked to do, as the command line (or a batch plan's
// row) gives it.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "formats.hpp"
#include "profile_facts.hpp"
#include "site_run.hpp"
#include "soil_input.hpp"

namespace zeplo {

// Zeros after the record in the transform: none (the dialog's power of two),
// auto (at least twice the record and long enough for the column's response
// to die away), or a number of seconds.
struct Padding {
    enum class Mode { none, automatic, seconds } mode = Mode::none;
    double seconds = 0.0;
};
std::optional<Padding> padding_from_text(const std::string& text);

struct RunRequest {
    std::string record;                           // record file
    std::string soil;                             // soil file (fixed columns)
    std::optional<formats::Format> format;        // forced record format
    int channel = 1;                              // channel of a multi-channel record
    std::optional<formats::Unit> record_units;    // the unit of a record that names none
    std::optional<formats::Unit> units;           // convert the record to this unit first
    // The input motion, named by one of the two: as peers name it, or as the
    // dialog's answer (column 1 with the soil file's surface switch, or column 2).
    std::optional<InputMotion> input_motion;
    std::optional<Wrt> wrt;
    ProfileOptions profile;                       // angle and damping over the soil file's
    Shape shape = Shape::none;
    std::optional<std::array<double, 4>> taper_hz;  // corners F1..F4 in Hz
    Padding pad;
    bool keep_delay = false;                      // output in physical time (no travel-time advance)
    bool report = false;                          // spectra, plots and report.html beside the files
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
