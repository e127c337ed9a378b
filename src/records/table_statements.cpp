#include "table_statements.hpp"

#include <algorithm>

#include "detail/statement_parts.hpp"
#include "field_error.hpp"
#include "fixed_format_writer.hpp"
#include "record_sink.hpp"
#include "statements.hpp"

namespace zeplo::rec {
namespace {

constexpr int kMaxValues = 8;
// Pieces a round of rows is formatted in.
constexpr int kPieces = 8;

// Records put one after the other into a piece of memory. Once one does not
// fit, the sink is full and keeps nothing more.
class SpanSink final : public fields::RecordSink {
public:
    SpanSink(char* base, std::size_t capacity) : base_(base), capacity_(capacity) {}
    int length() const override { return static_cast<int>(used_ - record_start_); }
    char* reserve(int n) override {
        if (full_ || used_ + static_cast<std::size_t>(n) + 1 > capacity_) {
            full_ = true;
            return spill_;
        }
        char* p = base_ + used_;
        used_ += static_cast<std::size_t>(n);
        return p;
    }
    void end_record() override {
        if (full_) return;
        base_[used_++] = '\n';
        record_start_ = used_;
        ++records_;
    }
    bool full() const { return full_; }
    int records() const { return records_; }
    std::size_t whole() const { return record_start_; }  // bytes of whole records

private:
    char* base_;
    std::size_t capacity_;
    std::size_t used_ = 0;
    std::size_t record_start_ = 0;
    int records_ = 0;
    bool full_ = false;
    char spill_[kMaxPiece];
};

// Rows [first, end) of a table; rows [first, done) are formatted in
// [base, base + size), one record each.
struct Block {
    int first = 0;
    int end = 0;
    int done = 0;
    char* base = nullptr;
    std::size_t capacity = 0;
    std::size_t size = 0;
};

struct Table {
    int unit;
    const char* field_list;
    const fields::FieldList* list;
    int count;
    const RowValues* row;
};

// Formats the rows of a block until one does not fit, fails or makes other
// than one record; that row and the rest are left to the ordinary statement.
void format(const Table& t, Block& b) {
    SpanSink sink(b.base, b.capacity);
    fields::OutValue values[kMaxValues];
    b.done = b.first;
    b.size = 0;
    try {
        for (int k = b.first; k < b.end; ++k) {
            (*t.row)(k, values);
            fields::write_fixed(sink, *t.list, values, t.count);
            if (sink.full() || sink.records() != k - b.first + 1 || sink.length() != 0) return;
            b.done = k + 1;
            b.size = sink.whole();
        }
    } catch (const fields::FieldError&) {
        // the ordinary statement reports it
    }
}

// Hands the block's rows to the unit in order, as their statements would.
void hand_over(const Table& t, const Block& b) {
    detail::write_formatted_records(t.unit, t.field_list, b.base, b.size);
    fields::OutValue values[kMaxValues];
    for (int k = b.done; k < b.end; ++k) {
        (*t.row)(k, values);
        write_fmt_values(t.unit, t.field_list, values, t.count);
    }
}

}  // namespace

void write_fmt_rows(int unit, const char* field_list, int rows, int count, const RowValues& row, Workers* workers,
                    std::span<char> scratch, const std::function<void()>& before) {
    fields::OutValue values[kMaxValues];
    const auto open = [&before] {
        if (before) before();
    };
    // Two buffers, one for the round being formatted, one for the round being
    // handed over.
    const std::size_t buffer = scratch.size() / 2;
    if (rows < 2 || count > kMaxValues || !workers || workers->count() < 1 || buffer < 4096) {
        open();
        for (int k = 0; k < rows; ++k) {
            row(k, values);
            write_fmt_values(unit, field_list, values, count);
        }
        return;
    }
    const Table t{unit, field_list, &detail::parsed_field_list(field_list), count, &row};
    // The first row tells the length of a record.
    char first_record[512];
    Block first{0, 1, 0, first_record, sizeof first_record, 0};
    format(t, first);
    const std::size_t record = first.size > 0 ? first.size : 128;
    // Each round's rows are formatted in pieces, taken by the threads as they
    // come free; this thread takes the first, after handing over the last
    // round's records (in the first round: after `before`, while the others
    // format). A piece holds its rows with room to spare; a row that does not
    // fit is written the ordinary way.
    const std::size_t part = buffer / kPieces;
    const int per_piece = static_cast<int>(part / (record + record / 4 + 8));
    if (per_piece < 1) {  // records too long for the scratch: one at a time
        open();
        hand_over(t, first);
        for (int k = 1; k < rows; ++k) {
            row(k, values);
            write_fmt_values(unit, field_list, values, count);
        }
        return;
    }
    const int per_round = per_piece * kPieces;
    struct Round {
        Block pieces[kPieces];
        void hand_over_all(const Table& t) const {
            for (const Block& b : pieces) hand_over(t, b);
        }
    };
    Round rounds[2];
    for (int next = 1, r = 0;; ++r) {
        const Round* const previous = r > 0 ? &rounds[(r - 1) % 2] : nullptr;
        const auto hand_over_previous = [&] {
            if (previous) {
                previous->hand_over_all(t);
            } else {
                open();
                hand_over(t, first);
            }
        };
        if (next >= rows) {
            hand_over_previous();
            return;
        }
        const int end = rows - next > per_round ? next + per_round : rows;
        char* const base = scratch.data() + static_cast<std::size_t>(r % 2) * buffer;
        Round& current = rounds[r % 2];
        for (int p = 0; p < kPieces; ++p) {
            const int first_row = std::min(end, next + p * per_piece);
            const int end_row = std::min(end, first_row + per_piece);
            current.pieces[p] = Block{first_row, end_row, first_row, base + p * part, part, 0};
        }
        workers->run(kPieces, [&](int p) {
            if (p == 0) hand_over_previous();
            format(t, current.pieces[p]);
        });
        next = end;
    }
}

}  // namespace zeplo::rec
