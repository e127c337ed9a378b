#include "open_close.hpp"

#include "detail/layer_state.hpp"
#include "fatal_report.hpp"
#include "units.hpp"

namespace zeplo::rec {

void open_unit(int number, std::string_view name_field, std::string_view status) {
    const detail::Unit& u = detail::unit(number);
    if (u.fd >= 0 && !u.console) close_unit(number);
    detail::layer().statement.unit = number;
    if (const int error = detail::connect(number, name_field, status)) fatal(error, "open");
}

void close_unit(int number) {
    if (const int error = detail::disconnect_file(number)) fatal(error, "write end");
}

}  // namespace zeplo::rec
