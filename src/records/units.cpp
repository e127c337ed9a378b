#include "units.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "detail/layer_state.hpp"
#include "signal_safe.hpp"

namespace zeplo::rec {
namespace {

using detail::layer;
using detail::Unit;

bool status_is(std::string_view status, const char* word) {
    const std::size_t n = std::strlen(word);
    if (status.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = status[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return true;
}

// Disconnects a file unit: the records still in its buffer go to the file, the
// file is cut after the last whole record when the unit was last written, and
// the descriptor is closed. Only async-signal-safe calls; a write that fails
// here loses the buffered records, never part of one.
void disconnect(Unit& u) noexcept {
    const int fd = u.fd;
    if (fd < 0 || u.console) return;
    u.fd = -1;
    const int fill = u.out_fill.load();
    if (fill > 0 && write_all(fd, u.out, static_cast<std::size_t>(fill))) u.committed += fill;
    u.out_fill.store(0);
    if (u.last_was_write) {
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) (void)::ftruncate(fd, u.committed);
    }
    (void)::close(fd);
}

// Hands whole records to the OS with signals held back, so that a handler never
// meets records that are half handed over. Returns 0 or the refusal's error
// number, with the buffer emptied either way so that a later close does not
// try again.
int hand_over(Unit& u, const char* data, std::size_t size, bool from_buffer) {
    const RunSignalsHeld held;
    const bool ok = write_all(u.fd, data, size);
    const int error = errno;
    if (ok) u.committed += static_cast<long long>(size);
    if (from_buffer) u.out_fill.store(0);
    return ok ? 0 : error;
}

int flush_output(Unit& u) {
    const int fill = u.out_fill.load();
    return fill > 0 ? hand_over(u, u.out, static_cast<std::size_t>(fill), true) : 0;
}

}  // namespace

int Unit::next_byte() {
    if (pos == len) {
        if (!fill()) {
            ended = true;
            read_errno = peek_errno;
            return kEof;
        }
    }
    return buf[pos++];
}

bool Unit::fill() {
    if (source_ended) return false;
    ssize_t r;
    do {
        r = ::read(fd, buf, kInputCapacity);
    } while (r < 0 && errno == EINTR);
    if (r <= 0) {
        source_ended = true;
        if (r < 0) peek_errno = errno;
        return false;
    }
    pos = 0;
    len = static_cast<int>(r);
    return true;
}

int Unit::get_outside_window() {
    if (const unsigned char* next = window_next()) pos = static_cast<int>(next - buf);
    const int c = take();
    open_window();
    return c;
}

void Unit::open_window() {
    const unsigned char* const next = buf + pos;
    if (pushback != -2 || ended) {
        set_window(next, next, next);
        return;
    }
    const auto* const cr =
        static_cast<const unsigned char*>(std::memchr(next, '\r', static_cast<std::size_t>(len - pos)));
    set_window(buf, next, cr ? cr : buf + len);
}

int Unit::take() {
    if (pushback != -2) {
        const int c = pushback;
        pushback = -2;
        return c;
    }
    if (ended) return kEof;
    const int c = next_byte();
    // A carriage return right before a line end belongs to the line end, so a
    // file written with CRLF line ends reads as the same file with LF.
    if (c == '\r' && (pos < len || fill()) && buf[pos] == '\n') {
        ++pos;
        return '\n';
    }
    return c;
}

Unit& detail::unit(int number) { return layer().units[number]; }

const char* unit_name(int number) { return layer().units[number].name; }

void connect_console_units() {
    struct Console {
        int number;
        int fd;
    };
    for (const Console c : {Console{kStderrUnit, STDERR_FILENO}, Console{kStdinUnit, STDIN_FILENO},
                            Console{kStdoutUnit, STDOUT_FILENO}}) {
        Unit& u = layer().units[c.number];
        // A standard stream that is closed keeps its descriptor occupied, so
        // that no file opened later can take its number and receive console
        // traffic. Closed input reads as empty input; writing to a closed
        // output stream fails as it would have.
        u.closed_errno = 0;
        if (::fcntl(c.fd, F_GETFD) < 0 && errno == EBADF) {
            const int fd = ::open("/dev/null", O_RDWR);
            if (fd >= 0 && fd != c.fd) {
                ::dup2(fd, c.fd);
                ::close(fd);
            }
            u.closed_errno = EBADF;
        }
        u.fd = c.fd;
        u.console = true;
        u.named = false;
        u.reset_input();
    }
}

int detail::connect(int number, std::string_view name_field, std::string_view status) {
    Unit& u = layer().units[number];
    std::size_t n = name_field.size();
    while (n > 0 && name_field[n - 1] == ' ') --n;
    if (n > static_cast<std::size_t>(detail::kNameCapacity)) n = detail::kNameCapacity;
    std::memcpy(u.name, name_field.data(), n);
    u.name[n] = '\0';
    u.named = true;
    u.console = false;
    if (n == 0) return 107;
    if (std::memchr(u.name, '\0', n) != nullptr) return ENOENT;

    int fd = -1;
    if (status_is(status, "old")) {
        struct stat st;
        if (::stat(u.name, &st) != 0) return errno;
        if (S_ISDIR(st.st_mode)) return EISDIR;
        fd = ::open(u.name, O_RDONLY | O_CLOEXEC);
    } else {
        // An existing file is emptied right away, so that however the run ends
        // the file never holds new records followed by old ones.
        fd = ::open(u.name, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EISDIR) fd = ::open(u.name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    }
    if (fd < 0) return errno;
    u.reset_input();
    u.last_was_write = false;
    u.committed = 0;
    u.out_fill.store(0);
    u.fd = fd;
    return 0;
}

int detail::disconnect_file(int number) {
    Unit& u = layer().units[number];
    const int error = u.fd >= 0 && !u.console ? flush_output(u) : 0;
    const RunSignalsHeld held;
    disconnect(u);
    return error;
}

void close_all() noexcept {
    const RunSignalsHeld held;
    for (Unit& u : layer().units) disconnect(u);
}

int detail::put_record(int number, const char* data, std::size_t size) {
    Unit& u = layer().units[number];
    if (u.closed_errno) return u.closed_errno;
    u.last_was_write = true;
    if (u.console) return write_all(u.fd, data, size) ? 0 : errno;
    if (u.out_fill.load() + static_cast<int>(size) > Unit::kOutputCapacity) {
        if (const int error = flush_output(u)) return error;
    }
    if (static_cast<int>(size) > Unit::kOutputCapacity) {
        // Longer than the buffer (no record of the program is): straight to the OS.
        return hand_over(u, data, size, false);
    }
    const int fill = u.out_fill.load();
    std::memcpy(u.out + fill, data, size);
    u.out_fill.store(fill + static_cast<int>(size));  // the record counts once it is whole
    return 0;
}

}  // namespace zeplo::rec
