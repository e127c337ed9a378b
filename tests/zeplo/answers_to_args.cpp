// answers_to_args ANSWERS: reads a file of answers to the zeplo1 dialog the way
// the dialog reads them and prints the equivalent `zeplo run` arguments, one
// per line. Exits 2 for answers the dialog would refuse or fail on.
//
// The taper corners are answered in rad/s; zeplo takes Hz and converts them as
// float(f * 2 pi). The corner printed is r / (2 pi) with 17 digits, checked to
// convert back to exactly the dialog's value.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "char_source.hpp"
#include "field_error.hpp"
#include "fixed_format_reader.hpp"
#include "free_format_reader.hpp"
#include "run_request.hpp"

namespace {

using namespace zeplo;

std::string trimmed(const char* p, int n) {
    while (n > 0 && p[n - 1] == ' ') --n;
    return std::string(p, static_cast<std::size_t>(n));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: answers_to_args ANSWERS\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string answers = text.str();
    fields::StringSource src(answers);
    try {
        char record[20];
        fields::InVar rv[] = {fields::in_var(fields::CharVar{record, 20})};
        fields::read_fixed(src, "(A20)", rv, 1);
        char soil[30];
        do {
            fields::InVar sv[] = {fields::in_var(fields::CharVar{soil, 30})};
            fields::read_fixed(src, "(A)", sv, 1);
        } while (soil[0] == ' ');
        int is = 0, nyes = 0, nbd = 0;
        float c[4] = {0.0f, 0.0f, 99999.9f, 99999.9f};
        auto read_ints = [&](int& v) {
            fields::InVar iv[] = {fields::in_var(v)};
            fields::read_list(src, iv, 1, false);
        };
        read_ints(is);
        if (is != 1 && is != 2) return 2;
        read_ints(nyes);
        read_ints(nbd);
        if (nbd == 1) {
            fields::InVar cv[] = {fields::in_var(c[0]), fields::in_var(c[1]), fields::in_var(c[2]),
                                  fields::in_var(c[3])};
            fields::read_list(src, cv, 4, false);
        }
        std::printf("--record\n%s\n--soil\n%s\n--wrt\n%s\n", trimmed(record, 20).c_str(), trimmed(soil, 30).c_str(),
                    is == 1 ? "input" : "bedrock");
        if (nyes == 1) std::printf("--integrate\n");
        if (nyes == 2) std::printf("--differentiate\n");
        if (nbd == 1) {
            std::string corners;
            for (int k = 0; k < 4; ++k) {
                const double hz = static_cast<double>(c[k]) / (2.0 * 3.14159265358979323846);
                char t[40];
                std::snprintf(t, sizeof t, "%.17g", hz);
                if (corner_rad_s(std::stod(t)) != c[k]) {
                    std::fprintf(stderr, "corner %g rad/s has no Hz value that converts back to it\n",
                                 static_cast<double>(c[k]));
                    return 2;
                }
                if (k) corners += ',';
                corners += t;
            }
            std::printf("--taper\n%s\n", corners.c_str());
        }
    } catch (const fields::FieldError&) {
        return 2;
    }
    return 0;
}
