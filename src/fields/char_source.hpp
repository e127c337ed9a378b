// Where the readers take their characters from: a unit's file, or a buffer.
#pragma once

#include <string_view>

#include "field_error.hpp"

namespace zeplo::fields {

class CharSource {
public:
    // The next character, or kEof once the data has ended (and at every call
    // after that).
    virtual int get() = 0;
    // Pushes one character back (kEof is ignored); the next get() returns it.
    virtual void unget(int c) = 0;
    // The data has ended and nothing is pushed back.
    virtual bool at_end() const = 0;
    // The system's error number of a failed read, 0 if none.
    virtual int error() const { return 0; }

protected:
    ~CharSource() = default;
};

// The characters of a buffer the caller keeps alive.
class StringSource final : public CharSource {
public:
    explicit StringSource(std::string_view text) : text_(text) {}
    int get() override {
        if (pushback_ != kNone) {
            const int c = pushback_;
            pushback_ = kNone;
            return c;
        }
        if (pos_ == text_.size()) return kEof;
        return static_cast<unsigned char>(text_[pos_++]);
    }
    void unget(int c) override {
        if (c != kEof) pushback_ = c;
    }
    bool at_end() const override { return pos_ == text_.size() && pushback_ == kNone; }
    // Characters taken so far (a pushed-back one not counted).
    std::size_t position() const { return pos_ - (pushback_ != kNone ? 1 : 0); }

private:
    static constexpr int kNone = -2;
    std::string_view text_;
    std::size_t pos_ = 0;
    int pushback_ = kNone;
};

}  // namespace zeplo::fields
