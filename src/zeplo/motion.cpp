#include "motion.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "sha256.hpp"

namespace zeplo {

std::string read_whole_file(const std::string& path, const char* what) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw UserError(path + ": is a folder, not a " + what);
    std::ifstream in(path, std::ios::binary);
    if (!in) throw UserError(path + ": cannot open the " + what + ": " + std::strerror(errno));
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw UserError(path + ": cannot read the " + what + ": " + std::strerror(errno));
    return std::move(text).str();
}

Motion load_motion(const std::string& path, std::optional<formats::Format> format, int channel,
                   std::optional<formats::Unit> record_units, std::optional<formats::Unit> units) {
    const std::string text = read_whole_file(path, "record file");
    formats::Record record;
    try {
        record = formats::parse_record(text, path, format, channel);
    } catch (const formats::ReadError& e) {
        throw UserError(e.what());
    }
    Motion m;
    m.path = path;
    m.sha256 = sha256_hex(text);
    m.format = record.format;
    m.file_unit = record.unit;
    m.warnings = record.warnings;
    if (record_units) {
        if (m.file_unit != formats::Unit::unknown && m.file_unit != *record_units)
            throw UserError(path + ": the file gives its values in " + std::string(formats::unit_name(m.file_unit)) +
                            ", not " + std::string(formats::unit_name(*record_units)));
        m.file_unit = *record_units;
    }
    m.unit = m.file_unit;
    double factor = 1.0;
    if (units && *units != m.file_unit) {
        if (m.file_unit == formats::Unit::unknown)
            throw UserError(path + ": the file does not say in which unit its values are; name it with "
                                   "--record-units to convert them");
        factor = formats::unit_factor(m.file_unit, *units);
        m.unit = *units;
    }
    m.dt = static_cast<float>(record.dt);
    m.values.resize(record.values.size());
    for (std::size_t k = 0; k < record.values.size(); ++k)
        m.values[k] = static_cast<float>(factor == 1.0 ? record.values[k] : record.values[k] * factor);
    return m;
}

}  // namespace zeplo
