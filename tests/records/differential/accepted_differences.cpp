// The differences between our record layer and libf2c that are accepted on
// purpose. Every one of them is decided here and nowhere else; the tests count
// how many cases each one covered.
#include <cctype>

#include "differential.hpp"

namespace zeplo::diff {

const char* describe(Accepted reason) {
    switch (reason) {
        case Accepted::LeadZero:
            return "leading zero: libf2c is built without it";
        case Accepted::UnterminatedLastLine:
            return "unterminated last line: the statement completes, the next read meets the end";
        case Accepted::IntegerSignExponent:
            return "integer with a sign-only exponent: refused";
        case Accepted::Error132:
            return "error 132";
        case Accepted::CarriageReturnLineEnd:
            return "a carriage return before a line end belongs to the line end: read as libf2c reads the LF file";
        case Accepted::Count:
            break;
    }
    return "?";
}

// Leading zero. Our files carry the 0 before the point of a value below 1;
// libf2c's stock build leaves it out. Free format: " ␣0.00999999978" becomes
// " ␣.00999999978" (one character shorter); zero (" ␣0.") is the same on both.
std::string without_lead_zero_free(std::string_view ours) {
    std::string s(ours);
    if (s.size() > 4 && s[0] == ' ' && (s[1] == ' ' || s[1] == '-') && s[2] == '0' && s[3] == '.') s.erase(2, 1);
    return s;
}

// Leading zero in an F or E field: the field keeps its width, so the 0 turns
// into one more leading blank ("␣␣0.5000" -> "␣␣␣.5000", "␣-0.1235E+05" ->
// "␣␣-.1235E+05"). A field whose 0 already gave way to the width is unchanged.
std::string without_lead_zero_field(std::string_view ours) {
    std::string s(ours);
    std::size_t k = s.find_first_not_of(' ');
    if (k == std::string::npos) return s;
    if (s[k] == '-') ++k;
    if (k + 1 < s.size() && s[k] == '0' && s[k + 1] == '.') {
        s.erase(k, 1);
        s.insert(s.begin(), ' ');
    }
    return s;
}

// Unterminated last line. libf2c takes the end-of-file branch of a free-format
// read when something other than blanks or tabs follows the statement's last
// value on a last line without a line end, although every variable got its
// value. We complete that statement; the next read meets the end of the file.
// Accepted only in exactly that shape: libf2c ends at statement k with the
// values we read at k, we agree on everything before, and our next statement
// (if the case has one) takes the branch without touching a variable.
bool is_unterminated_last_line(const ReadCase& c, const ReadResult& ours, const ReadResult& theirs) {
    if (c.fixed || !c.end_branch || c.data.empty() || c.data.back() == '\n') return false;
    if (theirs.fatal || ours.fatal || theirs.statements.empty()) return false;
    const std::size_t k = theirs.statements.size() - 1;
    if (!theirs.statements[k].ended || ours.statements.size() <= k) return false;
    for (std::size_t s = 0; s < k; ++s)
        if (!(ours.statements[s] == theirs.statements[s])) return false;
    if (ours.statements[k].ended || ours.statements[k].values != theirs.statements[k].values) return false;
    if (ours.statements.size() == k + 1) return static_cast<int>(k + 1) == c.statements;
    return ours.statements.size() == k + 2 && ours.statements[k + 1].ended &&
           ours.statements[k + 1].values == ours.statements[k].values;
}

// Integer with a sign-only exponent. libf2c reads "12+3" into an integer as
// 12000 (and fails differently on "12+"); we refuse the sign after the digits
// with "invalid integer". Accepted when our failure is exactly that (the data
// read up to it ends with a digit and a sign) and everything before it agrees.
bool is_integer_sign_exponent(const ReadCase& c, const ReadResult& ours, const ReadResult& theirs) {
    if (c.fixed || !ours.fatal) return false;
    if (ours.report.rfind("invalid integer: read unexpected character\n", 0) != 0) return false;
    const std::string& t = ours.consumed;
    if (t.size() < 2 || (t.back() != '+' && t.back() != '-')) return false;
    if (!std::isdigit(static_cast<unsigned char>(t[t.size() - 2]))) return false;
    if (theirs.statements.size() < ours.statements.size()) return false;
    for (std::size_t s = 0; s < ours.statements.size(); ++s)
        if (!(ours.statements[s] == theirs.statements[s])) return false;
    return true;
}

}  // namespace zeplo::diff
