// The statements on units: each marks the statement state the failure report
// tells, lets the field conversions do the work on the unit's records, and
// turns a conversion's failure into the report.
#include "statements.hpp"

#include "detail/layer_state.hpp"
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

void parse(const char* text, fields::FieldList& list) {
    reporting([&] { fields::parse_field_list(text, list); });
}

}  // namespace

void write_list_values(int unit, const OutValue* values, int count) {
    begin_statement(unit, false, kListIo);
    detail::OutputRecord& rec = detail::layer().record;
    rec.start(unit);
    fields::write_list(rec, values, count);
}

void write_fmt_values(int unit, const char* field_list, const OutValue* values, int count) {
    begin_statement(unit, false, field_list);
    fields::FieldList list;
    parse(field_list, list);
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
    fields::FieldList list;
    parse(field_list, list);
    reporting([&] { fields::read_fixed(u, list, vars, count); });
    end_fixed_statement();
}

}  // namespace zeplo::rec
