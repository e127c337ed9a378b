#include "soil_file.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "field_error.hpp"
#include "fixed_format_reader.hpp"

namespace zeplo {
namespace {

std::string located(const std::string& file, int line, const std::string& message) {
    return line > 0 ? file + ":" + std::to_string(line) + ": " + message : file + ": " + message;
}

// What a field conversion's failure means to someone who wrote the file.
std::string explain(const fields::FieldError& e, const char* record) {
    if (e.n == fields::kEof) return std::string("the file ends where ") + record + " was expected";
    if (e.n == 115) return std::string("a character that does not belong in a number, in ") + record;
    if (e.n > 0 && e.n < 100) return std::string("cannot be read: ") + std::strerror(e.n);
    return std::string("cannot read ") + record;
}

}  // namespace

SoilFileError::SoilFileError(std::string f, int l, const std::string& message)
    : std::runtime_error(located(f, l, message)), file(std::move(f)), line(l) {}

SoilProfile parse_soil_file(std::string_view text, const std::string& name) {
    fields::StringSource src(text);
    SoilProfile p;
    int line = 1;  // line of the record about to be read
    auto read = [&](const char* list, const char* record, auto&&... vars) {
        const fields::InVar items[] = {fields::in_var(vars)...};
        const std::size_t start = src.position();
        try {
            fields::read_fixed(src, list, items, static_cast<int>(sizeof...(vars)));
        } catch (const fields::FieldError& e) {
            throw SoilFileError(name, line, explain(e, record));
        }
        line += static_cast<int>(std::count(text.begin() + static_cast<std::ptrdiff_t>(start),
                                            text.begin() + static_cast<std::ptrdiff_t>(src.position()), '\n'));
    };
    int nl = 0;
    p.angle_line = line;
    read("(F10.0)", "the incidence angle (columns 1-10)", p.thet1);
    read("(I10)", "the surface switch (columns 1-10)", p.nsf);
    const int count_line = line;
    p.damping_line = line;
    read("(I10,F10.0)", "the layer count and damping exponent (columns 1-10, 11-20)", nl, p.pqf);
    if (nl < 1 || nl > kSoilMaxLayers)
        throw SoilFileError(name, count_line,
                            "the layer count is " + std::to_string(nl) + "; it must be from 1 to " +
                                std::to_string(kSoilMaxLayers) + " (the half-space included)");
    for (auto* v : {&p.dns, &p.vp, &p.qp, &p.vs, &p.qs, &p.thk}) v->assign(static_cast<std::size_t>(nl), 0.0f);
    for (int il = 1; il <= nl; ++il) {
        const auto i = static_cast<std::size_t>(il - 1);
        const std::string record = "layer " + std::to_string(il) + " (six fields of 8 columns)";
        p.layer_lines.push_back(line);
        read("(6F8.0)", record.c_str(), p.dns[i], p.vp[i], p.qp[i], p.vs[i], p.qs[i], p.thk[i]);
    }
    p.theta = p.thet1 * kRadiansPerDegree;
    return p;
}

SoilProfile read_soil_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SoilFileError(path, 0, std::string("cannot open: ") + std::strerror(errno));
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw SoilFileError(path, 0, std::string("cannot read: ") + std::strerror(errno));
    return parse_soil_file(text.str(), path);
}

}  // namespace zeplo
