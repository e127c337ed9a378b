// Scratch folders and whole-file reads and writes, for the tests and the fuzz
// targets (header only: the fuzz build compiles no test library).
#pragma once

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zeplo::test {

// Where scratch folders go: $TMPDIR, else /tmp.
inline std::string temp_base() {
    const char* env = std::getenv("TMPDIR");
    return env && *env ? env : "/tmp";
}

// For code that writes and reads files thousands of times a second: $TMPDIR,
// else /dev/shm when it can be written (in memory), else /tmp.
inline std::string memory_base() {
    const char* env = std::getenv("TMPDIR");
    if (env && *env) return env;
    return ::access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm" : "/tmp";
}

// A new folder `base`/`prefix`XXXXXX, removed with everything in it when the
// object ends, unless kept. Only the process that made it removes it: a forked
// child that runs its destructors leaves it alone.
class ScratchDir {
public:
    explicit ScratchDir(std::string_view prefix = "zeplo-test-", const std::string& base = temp_base()) {
        std::string templ = base + "/" + std::string(prefix) + "XXXXXX";
        if (!::mkdtemp(templ.data()))
            throw std::runtime_error("cannot make the folder " + templ + ": " + std::strerror(errno));
        path_ = templ;
    }
    ~ScratchDir() {
        if (kept_ || ::getpid() != owner_) return;
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }
    // The folder stays after the object (it holds a failure's evidence).
    void keep() { kept_ = true; }
    // Removes everything in the folder.
    void clear() const {
        for (const auto& entry : std::filesystem::directory_iterator(path_)) std::filesystem::remove_all(entry.path());
    }

private:
    std::string path_;
    pid_t owner_ = ::getpid();
    bool kept_ = false;
};

// The whole file; throws when it cannot be read.
inline std::string read_file(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    std::string out;
    char buf[65536];
    ssize_t got;
    while ((got = ::read(fd, buf, sizeof buf)) > 0 || (got < 0 && errno == EINTR))
        if (got > 0) out.append(buf, static_cast<std::size_t>(got));
    ::close(fd);
    return out;
}

// Creates or replaces the file; throws when it cannot be written.
inline void write_file(const std::string& path, std::string_view content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    for (std::size_t done = 0; ok && done < content.size();) {
        const ssize_t w = ::write(fd, content.data() + done, content.size() - done);
        if (w > 0) done += static_cast<std::size_t>(w);
        ok = w > 0 || (w < 0 && errno == EINTR);
    }
    const int error = errno;
    if (fd >= 0) ::close(fd);
    if (!ok) throw std::runtime_error("cannot write " + path + ": " + std::strerror(error));
}

inline bool file_exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The lines of a text without their line ends; a last line without one counts.
inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

}  // namespace zeplo::test
