#include "signal_safe.hpp"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace zeplo::rec {

bool write_all(int fd, const char* data, std::size_t size) noexcept {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t w = ::write(fd, data + done, size - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (w == 0) return false;
        done += static_cast<std::size_t>(w);
    }
    return true;
}

void say(const char* text) noexcept { (void)write_all(STDERR_FILENO, text, std::strlen(text)); }

void block_run_signals(sigset_t* old) noexcept {
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGFPE);
    sigaddset(&block, SIGABRT);
    sigprocmask(SIG_BLOCK, &block, old);
}

}  // namespace zeplo::rec
