#include "units.hpp"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fatal_report.hpp"
#include "io_state.hpp"

namespace zeplo::rec {
namespace {

Unit g_units[kUnitCount];

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

void reset_input(Unit& u) {
    u.pos = 0;
    u.len = 0;
    u.pushback = -2;
    u.at_end = false;
    u.read_errno = 0;
}

// Hands `size` bytes to the descriptor; false when the OS refuses them.
bool write_all(int fd, const char* data, std::size_t size) noexcept {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t w = ::write(fd, data + done, size - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(w);
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

void block_signals(sigset_t* old) noexcept {
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGFPE);
    sigaddset(&block, SIGABRT);
    sigprocmask(SIG_BLOCK, &block, old);
}

// Hands whole records to the OS with signals held back, so that a handler never
// meets records that are half handed over. A refused write ends the run, with
// the buffer emptied first so that the report's close does not try again.
void hand_over(Unit& u, const char* data, std::size_t size, bool from_buffer) {
    sigset_t old;
    block_signals(&old);
    const bool ok = write_all(u.fd, data, size);
    const int error = errno;
    if (ok) u.committed += static_cast<long long>(size);
    if (from_buffer) u.out_fill.store(0);
    sigprocmask(SIG_SETMASK, &old, nullptr);
    if (!ok) fatal(error, "write end");
}

void flush_output(Unit& u) {
    const int fill = u.out_fill.load();
    if (fill > 0) hand_over(u, u.out, static_cast<std::size_t>(fill), true);
}

}  // namespace

Unit& unit(int number) { return g_units[number]; }

void connect_console_units() {
    struct Console {
        int number;
        int fd;
    };
    for (const Console c : {Console{kStderrUnit, STDERR_FILENO}, Console{kStdinUnit, STDIN_FILENO},
                            Console{kStdoutUnit, STDOUT_FILENO}}) {
        Unit& u = g_units[c.number];
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
        reset_input(u);
    }
}

void open_unit(int number, std::string_view name_field, std::string_view status) {
    Unit& u = g_units[number];
    if (u.fd >= 0 && !u.console) close_unit(number);
    io_state().unit = number;

    std::size_t n = name_field.size();
    while (n > 0 && name_field[n - 1] == ' ') --n;
    if (n > static_cast<std::size_t>(kNameCapacity)) n = kNameCapacity;
    std::memcpy(u.name, name_field.data(), n);
    u.name[n] = '\0';
    u.named = true;
    u.console = false;
    if (n == 0) fatal(107, "open");
    if (std::memchr(u.name, '\0', n) != nullptr) fatal(ENOENT, "open");

    int fd = -1;
    if (status_is(status, "old")) {
        struct stat st;
        if (::stat(u.name, &st) != 0) fatal(errno, "open");
        if (S_ISDIR(st.st_mode)) fatal(EISDIR, "open");
        fd = ::open(u.name, O_RDONLY | O_CLOEXEC);
    } else {
        // An existing file is emptied right away, so that however the run ends
        // the file never holds new records followed by old ones.
        fd = ::open(u.name, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EISDIR) fd = ::open(u.name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    }
    if (fd < 0) fatal(errno, "open");
    reset_input(u);
    u.last_was_write = false;
    u.committed = 0;
    u.out_fill.store(0);
    u.fd = fd;
}

void close_unit(int number) {
    Unit& u = g_units[number];
    if (u.fd >= 0 && !u.console) flush_output(u);
    sigset_t old;
    block_signals(&old);
    disconnect(g_units[number]);
    sigprocmask(SIG_SETMASK, &old, nullptr);
}

void close_all() noexcept {
    sigset_t old;
    block_signals(&old);
    for (Unit& u : g_units) disconnect(u);
    sigprocmask(SIG_SETMASK, &old, nullptr);
}


void put_record(int number, const char* data, std::size_t size) {
    Unit& u = g_units[number];
    if (u.closed_errno) fatal(u.closed_errno, "write end");
    u.last_was_write = true;
    if (u.console) {
        if (!write_all(u.fd, data, size)) fatal(errno, "write end");
        return;
    }
    if (u.out_fill.load() + static_cast<int>(size) > Unit::kOutputCapacity) flush_output(u);
    if (static_cast<int>(size) > Unit::kOutputCapacity) {
        // Longer than the buffer (no record of the program is): straight to the OS.
        hand_over(u, data, size, false);
        return;
    }
    const int fill = u.out_fill.load();
    std::memcpy(u.out + fill, data, size);
    u.out_fill.store(fill + static_cast<int>(size));  // the record counts once it is whole
}

int get_char(Unit& u) {
    if (u.pushback != -2) {
        const int c = u.pushback;
        u.pushback = -2;
        return c;
    }
    if (u.at_end) return kEof;
    if (u.pos == u.len) {
        ssize_t r;
        do {
            r = ::read(u.fd, u.buf, sizeof u.buf);
        } while (r < 0 && errno == EINTR);
        if (r <= 0) {
            if (r < 0) u.read_errno = errno;
            u.at_end = true;
            return kEof;
        }
        u.pos = 0;
        u.len = static_cast<int>(r);
    }
    return u.buf[u.pos++];
}

void unget_char(Unit& u, int c) {
    if (c != kEof) u.pushback = c;
}

}  // namespace zeplo::rec
