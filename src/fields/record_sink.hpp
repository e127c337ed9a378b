// Where the writers put their records: the record layer's pending record, or a
// caller's string.
#pragma once

#include <string>
#include <string_view>

namespace zeplo::fields {

class RecordSink {
public:
    // Length of the record under construction.
    virtual int length() const = 0;
    // n (at most kMaxPiece) more characters at the end of the record, for the
    // caller to fill.
    virtual char* reserve(int n) = 0;
    // Ends the record; its line end is the sink's business.
    virtual void end_record() = 0;

    static constexpr int kMaxPiece = 1024;
    void put(char c) { *reserve(1) = c; }
    void put(std::string_view s) {
        for (char c : s) put(c);
    }
    void blanks(int n) {
        for (int i = 0; i < n; ++i) put(' ');
    }

protected:
    ~RecordSink() = default;
};

// Records appended to a string, each ended by a line end.
class StringSink final : public RecordSink {
public:
    explicit StringSink(std::string& out) : out_(out), start_(out.size()) {}
    int length() const override { return static_cast<int>(out_.size() - start_); }
    char* reserve(int n) override {
        out_.resize(out_.size() + static_cast<std::size_t>(n));
        return out_.data() + out_.size() - n;
    }
    void end_record() override {
        out_.push_back('\n');
        start_ = out_.size();
    }

private:
    std::string& out_;
    std::size_t start_;
};

}  // namespace zeplo::fields
