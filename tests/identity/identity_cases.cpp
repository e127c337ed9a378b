// identity_cases SEED FIRST COUNT OUT_DIR: writes the random valid cases
// FIRST .. FIRST+COUNT-1 of the soak generator (seed SEED, case i drawn from
// item_seed(SEED, i) as the soak test does) into OUT_DIR/case-NNNNN, each with
// its record, its profile and `answers`. compare_with_reference.py runs them.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "soak_generator.hpp"

namespace {

void write_file(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) {
        std::fprintf(stderr, "identity_cases: cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: identity_cases SEED FIRST COUNT OUT_DIR\n");
        return 2;
    }
    const std::uint64_t seed = std::strtoull(argv[1], nullptr, 10);
    const long first = std::strtol(argv[2], nullptr, 10);
    const long count = std::strtol(argv[3], nullptr, 10);
    const std::filesystem::path out = argv[4];
    for (long i = first; i < first + count; ++i) {
        namespace soak = zeplo::test::soak;
        const soak::Case c = soak::make_case(zeplo::test::storm::item_seed(seed, static_cast<std::uint64_t>(i)));
        char name[32];
        std::snprintf(name, sizeof name, "case-%05ld", i);
        const std::filesystem::path dir = out / name;
        std::filesystem::create_directories(dir);
        write_file(dir / c.record_name, c.record_text);
        write_file(dir / c.soil_name, c.soil_text);
        write_file(dir / "answers", c.answers);
    }
    return 0;
}
