// Where the readers take their characters from: a unit's file, or a buffer.
#pragma once

#include <cstddef>
#include <string_view>

#include "field_error.hpp"

namespace zeplo::fields {

// A source hands out most characters from a window of plain bytes, without a
// call; the source refills the window, and gives the characters it must treat
// otherwise (a pushed-back one, a line end to translate, the end of the data)
// through its own functions.
class CharSource {
public:
    // The next character, or kEof once the data has ended (and at every call
    // after that).
    int get() {
        if (next_ != end_) return *next_++;
        return get_outside_window();
    }
    // Pushes one character back (kEof is ignored); the next get() returns it.
    // Readers push back only the character they took last, and at most one.
    void unget(int c) {
        if (c == kEof) return;
        // The same character again from the window: the characters that
        // follow are the same as after a pushed-back one.
        if (next_ != begin_ && next_[-1] == c) {
            --next_;
            return;
        }
        close_window();
        put_back(c);
    }
    // The data has ended and nothing is pushed back.
    bool at_end() const { return next_ == end_ && ended_outside_window(); }
    // The system's error number of a failed read, 0 if none.
    virtual int error() const { return 0; }

    // The characters get() hands out next without a call, for a reader that
    // looks ahead: [window_begin(), window_end()). take_to(p) takes those
    // before p, as that many get() calls would.
    const unsigned char* window_begin() const { return next_; }
    const unsigned char* window_end() const { return end_; }
    void take_to(const unsigned char* p) { next_ = p; }

protected:
    ~CharSource() = default;

    // The window is [next, end); characters from begin on may be handed
    // back into it.
    void set_window(const unsigned char* begin, const unsigned char* next, const unsigned char* end) {
        begin_ = begin;
        next_ = next;
        end_ = end;
    }
    // Empties the window where it stands, so that the next get() calls the
    // source; window_next() still tells how far it had been read.
    void close_window() {
        begin_ = next_;
        end_ = next_;
    }
    const unsigned char* window_next() const { return next_; }

private:
    // The next character when the window is empty.
    virtual int get_outside_window() = 0;
    // Keeps c for the next get() (the window is closed).
    virtual void put_back(int c) = 0;
    // The data has ended, with the window empty.
    virtual bool ended_outside_window() const = 0;

    const unsigned char* begin_ = nullptr;
    const unsigned char* next_ = nullptr;
    const unsigned char* end_ = nullptr;
};

// The characters of a buffer the caller keeps alive.
class StringSource final : public CharSource {
public:
    explicit StringSource(std::string_view text)
        : start_(reinterpret_cast<const unsigned char*>(text.data())), stop_(start_ + text.size()) {
        set_window(start_, start_, stop_);
    }
    // Characters taken so far (a pushed-back one not counted).
    std::size_t position() const {
        return static_cast<std::size_t>(window_next() - start_) - (pushback_ != kNone ? 1 : 0);
    }

private:
    int get_outside_window() override {
        set_window(window_next(), window_next(), stop_);
        if (pushback_ == kNone) return window_next() == stop_ ? kEof : get();
        const int c = pushback_;
        pushback_ = kNone;
        return c;
    }
    void put_back(int c) override { pushback_ = c; }
    bool ended_outside_window() const override { return pushback_ == kNone && window_next() == stop_; }

    static constexpr int kNone = -2;
    const unsigned char* start_;
    const unsigned char* stop_;
    int pushback_ = kNone;
};

}  // namespace zeplo::fields
