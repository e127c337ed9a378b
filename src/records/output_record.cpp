#include "output_record.hpp"

#include <cstring>

#include "units.hpp"

namespace zeplo::rec {

char* OutputRecord::reserve(int n) {
    if (len_ + n > kCapacity) return overflow_;
    char* p = buf_ + len_;
    len_ += n;
    return p;
}

void OutputRecord::put(std::string_view s) {
    for (char c : s) put(c);
}

void OutputRecord::blanks(int n) {
    for (int i = 0; i < n; ++i) put(' ');
}

void OutputRecord::end(int unit) {
    buf_[len_] = '\n';
    const std::size_t size = static_cast<std::size_t>(len_) + 1;
    len_ = 0;
    put_record(unit, buf_, size);
}

OutputRecord& output_record() {
    static OutputRecord record;
    return record;
}

}  // namespace zeplo::rec
