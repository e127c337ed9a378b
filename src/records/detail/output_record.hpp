// The output record under construction. A statement builds its record here and
// hands it, line end included, to its unit's file in one piece when it ends.
#pragma once

#include "record_sink.hpp"

namespace zeplo::rec::detail {

class OutputRecord final : public fields::RecordSink {
public:
    static constexpr int kCapacity = 8192;

    // A statement on `unit` starts its first record.
    void start(int unit) {
        unit_ = unit;
        len_ = 0;
    }
    int length() const override { return len_; }
    // Past the capacity, characters are dropped.
    char* reserve(int n) override;
    // Ends the record with its line end and hands it to the unit (a refused
    // write ends the run with the failure report).
    void end_record() override;
    // Drops what a statement that failed left behind.
    void clear() { len_ = 0; }

private:
    char buf_[kCapacity + 1] = {};
    char overflow_[kMaxPiece] = {};
    int len_ = 0;
    int unit_ = -1;
};

}  // namespace zeplo::rec::detail
