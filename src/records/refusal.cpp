#include "refusal.hpp"

#include <cstdarg>
#include <cstdio>
#include <unistd.h>

#include "run_start.hpp"

namespace zeplo::rec {

void refuse(const char* format, ...) {
    char text[1024];
    int n = std::snprintf(text, sizeof text, "zeplo1: ");
    va_list args;
    va_start(args, format);
    n += std::vsnprintf(text + n, sizeof text - static_cast<std::size_t>(n) - 1, format, args);
    va_end(args);
    if (n > static_cast<int>(sizeof text) - 2) n = static_cast<int>(sizeof text) - 2;
    text[n++] = '\n';
    for (int done = 0; done < n;) {
        const ssize_t w = ::write(STDERR_FILENO, text + done, static_cast<std::size_t>(n - done));
        if (w <= 0) break;
        done += static_cast<int>(w);
    }
    end_run(1);
}

}  // namespace zeplo::rec
