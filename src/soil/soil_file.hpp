// The soil file's fixed columns, read from text: the incidence angle (F10.0),
// the surface switch (I10), the layer count and damping exponent (I10,F10.0)
// and one (6F8.0) record per layer: density, Vp, Qp, Vs, Qs, thickness. The
// same field rules as the dialog's soil reader, so the same file gives the same
// values.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "soil_profile.hpp"

namespace zeplo {

// Largest layer count, the half-space included.
inline constexpr int kSoilMaxLayers = 50;

// A soil file that cannot be read. what() reads "FILE:LINE: message".
class SoilFileError : public std::runtime_error {
public:
    SoilFileError(std::string file, int line, const std::string& message);
    std::string file;
    int line;
};

// Reads the profile from `text`; `name` is the file's name in messages.
// Throws SoilFileError for a field that is not a number, a file that ends
// before its last layer, or a layer count outside 1..kSoilMaxLayers.
SoilProfile parse_soil_file(std::string_view text, const std::string& name);

// The same from the file at `path`.
SoilProfile read_soil_file(const std::string& path);

}  // namespace zeplo
