#include "run_request.hpp"

#include <numbers>
#include <stdexcept>
#include <string>

namespace zeplo {

std::optional<formats::Unit> unit_from_name(const std::string& name) {
    if (name == "g") return formats::Unit::g;
    if (name == "m/s2") return formats::Unit::m_s2;
    if (name == "cm/s2") return formats::Unit::cm_s2;
    return std::nullopt;
}

std::optional<formats::Format> format_from_name(const std::string& name) {
    if (name == "two-column") return formats::Format::two_column;
    if (name == "at2") return formats::Format::at2;
    if (name == "smc") return formats::Format::smc;
    if (name == "cosmos") return formats::Format::cosmos_v2;
    if (name == "cgs") return formats::Format::cgs_v2;
    return std::nullopt;
}

const char* format_key(formats::Format format) {
    switch (format) {
        case formats::Format::at2: return "at2";
        case formats::Format::smc: return "smc";
        case formats::Format::cosmos_v2: return "cosmos";
        case formats::Format::cgs_v2: return "cgs";
        case formats::Format::two_column: break;
    }
    return "two-column";
}

const char* unit_key(formats::Unit unit) {
    switch (unit) {
        case formats::Unit::g: return "g";
        case formats::Unit::m_s2: return "m/s2";
        case formats::Unit::cm_s2: return "cm/s2";
        case formats::Unit::unknown: break;
    }
    return "unknown";
}

const char* wrt_name(Wrt wrt) { return wrt == Wrt::input ? "input" : "bedrock"; }

const char* shape_name(Shape shape) {
    switch (shape) {
        case Shape::integrate: return "integrate";
        case Shape::differentiate: return "differentiate";
        case Shape::none: break;
    }
    return "none";
}

std::optional<Padding> padding_from_text(const std::string& text) {
    if (text == "none") return Padding{};
    if (text == "auto") return Padding{Padding::Mode::automatic, 0.0};
    try {
        std::size_t used = 0;
        const double s = std::stod(text, &used);
        if (used == text.size() && s >= 0.0 && s < 1e7) return Padding{Padding::Mode::seconds, s};
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

float corner_rad_s(double hz) { return static_cast<float>(hz * (2.0 * std::numbers::pi)); }

}  // namespace zeplo
