#include "fatal_report.hpp"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "detail/layer_state.hpp"
#include "signal_safe.hpp"
#include "units.hpp"

namespace zeplo::rec {
namespace {

// Messages of the record layer's own error numbers, from 100 up.
constexpr const char* kMessages[] = {
    "error in format",                // 100
    "illegal unit number",            // 101
    "formatted io not allowed",       // 102
    "unformatted io not allowed",     // 103
    "direct io not allowed",          // 104
    "sequential io not allowed",      // 105
    "can't backspace file",           // 106
    "null file name",                 // 107
    "can't stat file",                // 108
    "unit not connected",             // 109
    "off end of record",              // 110
    "truncation failed in endfile",   // 111
    "incomprehensible list input",    // 112
    "out of free space",              // 113
    "unit not connected",             // 114
    "read unexpected character",      // 115
    "bad logical input field",        // 116
    "bad variable type",              // 117
    "bad namelist name",              // 118
    "variable not in namelist",       // 119
    "no end record",                  // 120
    "variable count incorrect",       // 121
    "subscript for scalar variable",  // 122
    "invalid array section",          // 123
    "substring out of bounds",        // 124
    "subscript out of bounds",        // 125
    "can't read file",                // 126
    "can't write file",               // 127
    "'new' file exists",              // 128
    "can't append to file",           // 129
    "non-positive record number",     // 130
    "nmLbuf overflow",                // 131
};
constexpr int kFirstMessage = 100;
constexpr int kMessageEnd = kFirstMessage + static_cast<int>(sizeof kMessages / sizeof kMessages[0]);

struct Out {
    char* p;
    int size;
    int len = 0;
    void add(const char* s) {
        while (*s) {
            if (len + 1 < size) p[len] = *s;
            ++len;
            ++s;
        }
    }
    void add_int(int v) {
        char t[16];
        std::snprintf(t, sizeof t, "%d", v);
        add(t);
    }
};

}  // namespace

int compose_report(int n, const char* context, char* out, int size) {
    Out o{out, size};
    o.add(context);
    if (n >= 0 && n < kFirstMessage) {
        o.add(": ");
        o.add(std::strerror(n));
    } else if (n == kEof) {
        o.add(": end of file");
    } else if (n >= kFirstMessage && n < kMessageEnd) {
        o.add(": ");
        o.add(kMessages[n - kFirstMessage]);
    } else {
        o.add(": illegal error number ");
        o.add_int(n);
    }
    o.add("\n");

    const detail::StatementState& s = detail::layer().statement;
    if (s.unit >= 0) {
        o.add("apparent state: unit ");
        o.add_int(s.unit);
        o.add(" ");
        const detail::Unit& u = detail::unit(s.unit);
        if (u.named) {
            o.add("named ");
            o.add(u.name);
            o.add("\n");
        } else {
            o.add("(unnamed)\n");
        }
    } else {
        o.add("apparent state: internal I/O\n");
    }
    if (s.field_list) {
        o.add("last format: ");
        o.add(s.field_list);
        o.add("\n");
    }
    o.add("lately ");
    o.add(s.reading ? "reading" : "writing");
    o.add(" sequential formatted external IO\n");
    if (size > 0) out[o.len < size ? o.len : size - 1] = '\0';
    return o.len < size ? o.len : size - 1;
}

void set_fatal_hook(FatalHook hook) { detail::layer().fatal_hook = hook; }

void fatal(int n, const char* context) {
    char report[2048];
    const int len = compose_report(n, context, report, sizeof report);
    if (const FatalHook hook = detail::layer().fatal_hook) hook(n, context, report);

    // No signal's message may interleave with the report (the abort below
    // unblocks its own signal).
    block_run_signals(nullptr);
    (void)write_all(STDERR_FILENO, report, static_cast<std::size_t>(len));
    close_all();
    std::signal(SIGABRT, SIG_DFL);
    std::abort();
}

}  // namespace zeplo::rec
