#include "output_folder.hpp"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace zeplo {
namespace {

std::string system_error(const std::string& what) { return what + ": " + std::strerror(errno); }

// A name no other writer in this process or another one picks.
std::string temporary_name(const std::string& name) {
    static std::atomic<unsigned> counter{0};
    return "." + name + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

OutputFolder::OutputFolder(std::string dir) : dir_(dir.empty() ? "." : std::move(dir)) {
    std::error_code ec;
    std::filesystem::create_directories(dir_, ec);
    if (!std::filesystem::is_directory(dir_))
        throw OutputError(dir_ + ": cannot be used as the output folder" + (ec ? ": " + ec.message() : std::string()));
}

OutputFolder::~OutputFolder() {
    for (const auto& [temp, name] : pending_) ::unlink(temp.c_str());
}

void OutputFolder::check_replaceable(const std::string& name) const {
    struct stat st;
    const std::string p = path(name);
    if (::lstat(p.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) throw OutputError(p + ": is a folder; the output file cannot replace it");
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) throw OutputError(p + ": is not a regular file");
}

void OutputFolder::add(const std::string& name, const std::string& content) {
    const std::string temp = path(temporary_name(name));
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) throw OutputError(system_error(path(name)));
    pending_.emplace_back(temp, name);
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t w = ::write(fd, content.data() + done, content.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            const std::string message = system_error(path(name));
            ::close(fd);
            throw OutputError(message);
        }
        done += static_cast<std::size_t>(w);
    }
    if (::close(fd) != 0) throw OutputError(system_error(path(name)));
}

void OutputFolder::commit() {
    // The last file marks the set as whole: an older one goes first, so that a
    // commit cut short never leaves it beside files of another run.
    if (!pending_.empty()) ::unlink(path(pending_.back().second).c_str());
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        const auto& [temp, name] = pending_[i];
        if (std::rename(temp.c_str(), path(name).c_str()) != 0) {
            const std::string message = system_error(path(name));
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(i));
            throw OutputError(message);
        }
    }
    pending_.clear();
}

}  // namespace zeplo
