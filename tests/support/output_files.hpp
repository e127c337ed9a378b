// The run's three output files and the check that a file holds whole records
// only (header only: the fuzz targets use it too).
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

namespace zeplo::test {

// Records of `width` characters and a line end: `fields` numbers, the first in
// 8 columns (frequency in Hz or time in s), the others E12.4.
struct OutputFile {
    const char* name;
    std::size_t width;
    int fields;
};
inline constexpr OutputFile kTableFile{"S_amp1", 80, 7};
inline constexpr OutputFile kSpectrumFile{"amp_dat", 44, 4};
inline constexpr OutputFile kWaveFile{"zeplo_dat", 20, 2};
// In the order the run writes them, each closed before the next is opened.
inline constexpr std::array<OutputFile, 3> kOutputFiles{kTableFile, kSpectrumFile, kWaveFile};

// Columns of field k (from 0) of a record.
inline constexpr std::size_t field_start(int k) { return k == 0 ? 0 : 8 + 12 * static_cast<std::size_t>(k - 1); }
inline constexpr std::size_t field_width(int k) { return k == 0 ? 8 : 12; }

inline void remove_output_files(const std::string& folder) {
    for (const OutputFile& f : kOutputFiles) std::remove((folder + "/" + f.name).c_str());
}

struct RecordCheck {
    bool whole = true;        // empty, or whole records of the width only
    std::size_t records = 0;  // whole records, when `whole`
    std::string problem;      // what is wrong, when not `whole`
};

// Whether `text` is made of records of `width` characters (no NUL among them),
// each ended by a line end.
inline RecordCheck check_records(const std::string& text, std::size_t width) {
    RecordCheck c;
    for (std::size_t start = 0; start < text.size(); start += width + 1, ++c.records) {
        const std::size_t end = text.find('\n', start);
        if (end != std::string::npos && end - start == width && !std::memchr(text.data() + start, '\0', width))
            continue;
        const std::string record = "record " + std::to_string(c.records + 1);
        if (end == std::string::npos)
            c.problem = "the file ends inside " + record + " (" + std::to_string(text.size() - start) +
                        " characters after the last line end)";
        else if (end - start != width)
            c.problem = record + " has " + std::to_string(end - start) + " characters instead of " +
                        std::to_string(width);
        else
            c.problem = record + " holds a NUL character";
        c.whole = false;
        return c;
    }
    return c;
}

inline RecordCheck check_records(const std::string& text, const OutputFile& f) { return check_records(text, f.width); }

// Case-insensitive search for the spellings of infinities and not-a-numbers.
inline bool mentions_non_finite(const std::string& text) {
    std::string low(text);
    for (char& c : low)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return low.find("nan") != std::string::npos || low.find("inf") != std::string::npos;
}

}  // namespace zeplo::test
