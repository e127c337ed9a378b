#include "detail/output_record.hpp"

#include "fatal_report.hpp"
#include "units.hpp"

namespace zeplo::rec::detail {

char* OutputRecord::reserve(int n) {
    if (len_ + n > kCapacity) return overflow_;
    char* p = buf_ + len_;
    len_ += n;
    return p;
}

void OutputRecord::end_record() {
    buf_[len_] = '\n';
    const std::size_t size = static_cast<std::size_t>(len_) + 1;
    len_ = 0;
    if (const int error = put_record(unit_, buf_, size)) fatal(error, "write end");
}

}  // namespace zeplo::rec::detail
