#include "refusal.hpp"

#include <cstdarg>
#include <cstdio>
#include <unistd.h>

#include "detail/layer_state.hpp"
#include "run_start.hpp"
#include "signal_safe.hpp"

namespace zeplo::rec {

void refuse(const char* format, ...) {
    char text[1024];
    const char* program = detail::layer().program;
    int n = program ? std::snprintf(text, sizeof text, "%s: ", program) : 0;
    va_list args;
    va_start(args, format);
    n += std::vsnprintf(text + n, sizeof text - static_cast<std::size_t>(n) - 1, format, args);
    va_end(args);
    if (n > static_cast<int>(sizeof text) - 2) n = static_cast<int>(sizeof text) - 2;
    text[n++] = '\n';
    (void)write_all(STDERR_FILENO, text, static_cast<std::size_t>(n));
    end_run(1);
}

}  // namespace zeplo::rec
