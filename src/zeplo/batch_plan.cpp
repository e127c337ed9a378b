#include "batch_plan.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>

#include "csv.hpp"
#include "motion.hpp"
#include "run_arguments.hpp"

namespace zeplo {
namespace {

namespace fs = std::filesystem;

const std::array<std::string_view, 3> kRequired = {"name", "record", "soil"};
const std::array<std::string_view, 14> kColumns = {
    "name",  "record",       "soil",   "input_motion", "wrt", "shape",      "taper_hz",
    "units", "record_units", "format", "channel",      "pad", "keep_delay", "report"};

std::string joined(const auto& names) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : ", ") + std::string(n);
    return out;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Collects a plan's problems with their lines.
struct Problems {
    std::string file;
    std::vector<std::string> list;
    void add(int line, const std::string& message) { list.push_back(file + ":" + std::to_string(line) + ": " + message); }
};

class RowReader {
public:
    RowReader(const CsvRecord& record, const std::map<std::string, std::size_t>& columns, Problems& problems)
        : record_(record), columns_(columns), problems_(problems) {}

    // The field of `column`, empty when the plan has no such column.
    const std::string& field(const std::string& column) const {
        static const std::string none;
        const auto it = columns_.find(column);
        return it == columns_.end() ? none : record_.fields[it->second];
    }
    void problem(const std::string& column, const std::string& message) {
        problems_.add(record_.line, "column '" + column + "': " + message);
        ok = false;
    }
    bool ok = true;

private:
    const CsvRecord& record_;
    const std::map<std::string, std::size_t>& columns_;
    Problems& problems_;
};

std::optional<std::array<double, 4>> taper_from(const std::string& text, RowReader& row) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    std::array<double, 4> f{};
    bool numbers = words.size() == 4;
    for (std::size_t k = 0; numbers && k < 4; ++k)
        numbers = read_cli_number(words[k], f[k]) && std::isfinite(f[k]);
    if (!numbers) {
        row.problem("taper_hz", "'" + text + "' is not four numbers separated by blanks (F1 F2 F3 F4 in Hz)");
        return std::nullopt;
    }
    return f;
}

PlanRow row_from(const CsvRecord& record, const std::map<std::string, std::size_t>& columns, const std::string& base,
                 Problems& problems) {
    RowReader row(record, columns, problems);
    PlanRow out;
    out.line = record.line;
    out.name = row.field("name");

    if (out.name.empty())
        row.problem("name", "empty; every row needs the name of its run folder");
    else if (!is_safe_name(out.name))
        row.problem("name", "'" + out.name +
                                "' is not a safe folder name (a letter, digit or '_' first, then letters, digits, "
                                "'_', '-' or '.'; at most 100 characters)");
    else if (std::find(kBatchFileNames.begin(), kBatchFileNames.end(), out.name) != kBatchFileNames.end())
        row.problem("name", "'" + out.name + "' is taken by the batch's own files (" + joined(kBatchFileNames) + ")");

    for (const char* column : {"record", "soil"}) {
        const std::string& path = row.field(column);
        if (path.empty())
            row.problem(column, "empty; every row needs its " + std::string(column) + " file");
        else if (path.find_first_of("\n\r") != std::string::npos)
            row.problem(column, "a path with a line break cannot stand in a job list");
    }
    out.request.record = absolute_path(row.field("record"), base);
    out.request.soil = absolute_path(row.field("soil"), base);

    if (const std::string& v = row.field("wrt"); v == "bedrock")
        out.request.wrt = Wrt::bedrock;
    else if (v == "input")
        out.request.wrt = Wrt::input;
    else if (!v.empty())
        row.problem("wrt", "'" + v + "' is not input or bedrock");

    if (const std::string& v = row.field("input_motion"); !v.empty()) {
        out.request.input_motion = input_motion_from_name(v);
        if (!out.request.input_motion) row.problem("input_motion", "'" + v + "' is not outcrop, incident or within");
    }
    if (const std::string& v = row.field("pad"); !v.empty()) {
        const auto pad = padding_from_text(v);
        if (!pad) row.problem("pad", "'" + v + "' is not none, auto or a number of seconds");
        else out.request.pad = *pad;
    }
    for (const char* column : {"keep_delay", "report"}) {
        const std::string& v = row.field(column);
        bool& flag = std::string_view(column) == "report" ? out.request.report : out.request.keep_delay;
        if (v == "yes" || v == "true" || v == "1") flag = true;
        else if (!v.empty() && v != "no" && v != "false" && v != "0")
            row.problem(column, "'" + v + "' is not yes or no");
    }

    if (const std::string& v = row.field("shape"); v == "integrate")
        out.request.shape = Shape::integrate;
    else if (v == "differentiate")
        out.request.shape = Shape::differentiate;
    else if (!v.empty() && v != "none")
        row.problem("shape", "'" + v + "' is not none, integrate or differentiate");

    if (const std::string& v = row.field("taper_hz"); !v.empty()) out.request.taper_hz = taper_from(v, row);

    for (const char* column : {"units", "record_units"}) {
        const std::string& v = row.field(column);
        if (v.empty()) continue;
        const auto unit = unit_from_name(v);
        if (!unit) row.problem(column, "'" + v + "' is not g, m/s2 or cm/s2");
        (std::string_view(column) == "units" ? out.request.units : out.request.record_units) = unit;
    }

    if (const std::string& v = row.field("format"); !v.empty()) {
        out.request.format = format_from_name(v);
        if (!out.request.format) row.problem("format", "'" + v + "' is not two-column, at2, smc, cosmos or cgs");
    }

    if (const std::string& v = row.field("channel"); !v.empty()) {
        int channel = 0;
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), channel);
        if (ec != std::errc{} || end != v.data() + v.size() || channel < 1)
            row.problem("channel", "'" + v + "' is not a channel number (1, 2, ...)");
        else
            out.request.channel = channel;
    }
    return out;
}

}  // namespace

PlanError::PlanError(std::vector<std::string> list)
    : std::runtime_error(list.empty() ? std::string("the plan cannot be run") : list.front()),
      problems(std::move(list)) {}

bool is_safe_name(std::string_view name) {
    if (name.empty() || name.size() > 100) return false;
    auto alnum = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); };
    if (!alnum(name.front()) && name.front() != '_') return false;
    return std::all_of(name.begin(), name.end(), [&](char c) { return alnum(c) || c == '_' || c == '-' || c == '.'; });
}

std::string absolute_path(const std::string& path, const std::string& base_dir) {
    if (path.empty()) return path;
    const fs::path p(path);
    const fs::path whole = p.is_absolute() ? p : fs::path(base_dir) / p;
    std::string out = whole.lexically_normal().string();
    if (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

std::vector<PlanRow> parse_plan(std::string_view text, const std::string& file, const std::string& base_dir) {
    Problems problems{file, {}};
    std::vector<CsvRecord> records;
    try {
        records = parse_csv(text);
    } catch (const CsvError& e) {
        problems.add(e.line, e.what());
        throw PlanError(problems.list);
    }
    if (records.empty()) {
        problems.add(1, "empty; a plan is a header (name,record,soil,...) and one line per run");
        throw PlanError(problems.list);
    }

    const CsvRecord& header = records.front();
    std::map<std::string, std::size_t> columns;
    for (std::size_t k = 0; k < header.fields.size(); ++k) {
        const std::string& c = header.fields[k];
        if (std::find(kColumns.begin(), kColumns.end(), c) == kColumns.end())
            problems.add(header.line, "unknown column '" + c + "' (the columns are " + joined(kColumns) + ")");
        else if (!columns.emplace(c, k).second)
            problems.add(header.line, "column '" + c + "' appears twice");
    }
    for (const std::string_view c : kRequired)
        if (!columns.count(std::string(c)))
            problems.add(header.line, "no column '" + std::string(c) + "' (required: " + joined(kRequired) + ")");
    if (!problems.list.empty()) throw PlanError(problems.list);
    if (records.size() == 1) {
        problems.add(header.line, "the plan has a header but no run");
        throw PlanError(problems.list);
    }

    std::vector<PlanRow> rows;
    std::map<std::string, int> first_line;  // by lower-case name: folders differing only in case collide on some disks
    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        if (record.fields.size() != header.fields.size()) {
            problems.add(record.line, std::to_string(record.fields.size()) + " fields where the header has " +
                                          std::to_string(header.fields.size()));
            continue;
        }
        PlanRow row = row_from(record, columns, base_dir, problems);
        if (!row.name.empty()) {
            const auto [it, fresh] = first_line.emplace(lower(row.name), row.line);
            if (!fresh)
                problems.add(row.line, "the name '" + row.name + "' is taken by line " + std::to_string(it->second) +
                                           (lower(row.name) == row.name ? "" : " (names differing only in case collide)"));
        }
        rows.push_back(std::move(row));
    }
    if (!problems.list.empty()) throw PlanError(problems.list);
    return rows;
}

std::vector<PlanRow> read_plan(const std::string& path) {
    const std::string text = read_whole_file(path, "plan");
    const std::string base = fs::absolute(fs::path(path)).parent_path().string();
    return parse_plan(text, path, base);
}

std::string rows_csv(const std::vector<PlanRow>& rows) {
    std::string out = csv_line({kColumns.begin(), kColumns.end()});
    for (const PlanRow& row : rows) {
        const RunRequest& q = row.request;
        std::string taper;
        if (q.taper_hz)
            for (const double f : *q.taper_hz) taper += (taper.empty() ? "" : " ") + cli_number(f);
        const auto wrt = named_wrt(q.wrt);
        std::string pad;
        if (q.pad.mode == Padding::Mode::automatic) pad = "auto";
        if (q.pad.mode == Padding::Mode::seconds) pad = cli_number(q.pad.seconds);
        out += csv_line({row.name, q.record, q.soil, q.input_motion ? input_motion_name(*q.input_motion) : "",
                         wrt ? wrt_name(*wrt) : "", shape_name(q.shape), taper, q.units ? unit_key(*q.units) : "",
                         q.record_units ? unit_key(*q.record_units) : "", q.format ? format_key(*q.format) : "",
                         std::to_string(q.channel), pad, q.keep_delay ? "yes" : "", q.report ? "yes" : ""});
    }
    return out;
}

RunRequest row_request(const PlanRow& row, const std::string& batch_dir) {
    RunRequest q = row.request;
    q.out = batch_dir == "/" ? "/" + row.name : batch_dir + "/" + row.name;
    return q;
}

}  // namespace zeplo
