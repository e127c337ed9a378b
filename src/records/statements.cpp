// The statements on units: each marks the statement state the failure report
// tells, lets the field conversions do the work on the unit's records, and
// turns a conversion's failure into the report.
#include "statements.hpp"

#include <cstring>

#include "detail/layer_state.hpp"
#include "detail/statement_parts.hpp"
#include "fatal_report.hpp"
#include "field_error.hpp"
#include "field_list.hpp"
#include "fixed_format_reader.hpp"
#include "fixed_format_writer.hpp"
#include "free_format_reader.hpp"
#include "free_format_writer.hpp"
#include "units.hpp"

namespace zeplo::rec {
namespace {

constexpr const char* kListIo = "list io";

// A statement starts: records its kind and unit. A fixed-format statement sets
// its field list; a free-format one sets "list io".
void begin_statement(int unit, bool reading, const char* field_list) {
    detail::StatementState& s = detail::layer().statement;
    s.unit = unit;
    s.reading = reading;
    s.field_list = field_list;
}

// A fixed-format statement that completed clears the current field list; a
// free-format statement leaves "list io" in place.
void end_fixed_statement() { detail::layer().statement.field_list = nullptr; }

template <class Step>
auto reporting(Step step) {
    try {
        return step();
    } catch (const fields::FieldError& e) {
        fatal(e.n, e.context);
    }
}

// The program's field lists are literals, written again and again (a table
// line per frequency): each is parsed once and kept. An entry is keyed by the
// address of the text and holds a copy of it, compared before the entry is
// used, so that other text at a reused address is parsed again; the parsed
// quoted texts point into the caller's text, which then holds the same
// characters. Lists longer than the copy are parsed every time.
struct ParsedList {
    const char* key = nullptr;
    char text[96] = {};
    fields::FieldList list;
};

constexpr int kParsedLists = 8;
ParsedList parsed_lists[kParsedLists];
int next_parsed = 0;
fields::FieldList long_list;  // the last list too long to keep

const fields::FieldList& parsed(const char* text) {
    for (const ParsedList& p : parsed_lists)
        if (p.key == text && std::strncmp(p.text, text, sizeof p.text) == 0) return p.list;
    const std::size_t len = std::strlen(text);
    if (len >= sizeof ParsedList::text) {
        reporting([&] { fields::parse_field_list(text, long_list); });
        return long_list;
    }
    ParsedList& p = parsed_lists[next_parsed];
    p.key = nullptr;  // kept only once parsed
    reporting([&] { fields::parse_field_list(text, p.list); });
    std::memcpy(p.text, text, len + 1);
    p.key = text;
    next_parsed = (next_parsed + 1) % kParsedLists;
    return p.list;
}

}  // namespace

const fields::FieldList& detail::parsed_field_list(const char* text) { return parsed(text); }

void detail::write_formatted_records(int unit, const char* field_list, const char* records, std::size_t size) {
    if (size == 0) return;
    // Every statement leaves the same state, and a unit takes whole records in
    // any grouping: longer than its buffer, they go to the file in one piece.
    begin_statement(unit, false, field_list);
    if (const int error = put_record(unit, records, size)) fatal(error, "write end");
    end_fixed_statement();
}

void write_list_values(int unit, const OutValue* values, int count) {
    begin_statement(unit, false, kListIo);
    detail::OutputRecord& rec = detail::layer().record;
    rec.start(unit);
    fields::write_list(rec, values, count);
}

void write_fmt_values(int unit, const char* field_list, const OutValue* values, int count) {
    begin_statement(unit, false, field_list);
    const fields::FieldList& list = parsed(field_list);
    detail::OutputRecord& rec = detail::layer().record;
    rec.start(unit);
    reporting([&] { fields::write_fixed(rec, list, values, count); });
    end_fixed_statement();
}

bool read_list_vars(int unit, const InVar* vars, int count, bool has_end_branch) {
    begin_statement(unit, true, kListIo);
    return reporting([&] { return fields::read_list(detail::unit(unit), vars, count, has_end_branch); });
}

void read_fmt_vars(int unit, const char* field_list, const InVar* vars, int count) {
    begin_statement(unit, true, field_list);
    detail::Unit& u = detail::unit(unit);
    if (u.ended) fatal(u.read_errno ? u.read_errno : kEof, "read start");
    const fields::FieldList& list = parsed(field_list);
    reporting([&] { fields::read_fixed(u, list, vars, count); });
    end_fixed_statement();
}

}  // namespace zeplo::rec
