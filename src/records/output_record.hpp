// The output record under construction. A statement builds its record here and
// hands it, line end included, to the unit's file in one piece when it ends.
#pragma once

#include <cstddef>
#include <string_view>

namespace zeplo::rec {

class OutputRecord {
public:
    static constexpr int kCapacity = 8192;

    int length() const { return len_; }
    // n (at most kMaxPiece) more characters at the end; past the capacity they
    // are dropped.
    char* reserve(int n);
    static constexpr int kMaxPiece = 1024;
    void put(char c) { *reserve(1) = c; }
    void put(std::string_view s);
    void blanks(int n);
    // Ends the record with its line end and writes it to `unit`.
    void end(int unit);
    // Drops what a statement that failed left behind.
    void clear() { len_ = 0; }

private:
    char buf_[kCapacity + 1];
    char overflow_[kMaxPiece];
    int len_ = 0;
};

// One record is under construction at a time.
OutputRecord& output_record();

}  // namespace zeplo::rec
