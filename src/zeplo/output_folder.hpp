// A run's files written into a folder as one step: each is written under a
// temporary name in the folder, and only when all are written are they renamed
// to their names. A run that fails leaves no file changed and no temporary behind.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zeplo {

class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class OutputFolder {
public:
    // Creates the folder (and its parents) when missing. Throws OutputError
    // when it cannot, or when it is not a folder.
    explicit OutputFolder(std::string dir);
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    const std::string& dir() const { return dir_; }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // Refuses, before anything is written, a name whose path is a folder or
    // something else that a file cannot replace.
    void check_replaceable(const std::string& name) const;
    // Writes `content` under a temporary name; it becomes `name` at commit().
    void add(const std::string& name, const std::string& content);
    // Renames every file added, in the order added. The last one marks the set
    // as whole: an older file of its name is removed before the first rename.
    void commit();

private:
    std::string dir_;
    std::vector<std::pair<std::string, std::string>> pending_;  // temporary path, final name
};

}  // namespace zeplo
