// Writes the byte-identity corpus: one folder per case, holding the files the
// run reads (and any file or folder that must already stand where the run
// writes) plus `answers`, the text fed to standard input. A case may also hold
// `closed_fd` ("0" or "1"): the checker then runs it with that standard stream
// closed instead of redirected.
//
//   corpus_cases DATA_DIR OUT_DIR
//
// DATA_DIR is tests/data. OUT_DIR is emptied first (it must be new, empty, or
// a folder this program wrote before). Every case is fixed: the real records
// and profiles are copied as they are, the random cases come from the soak
// generator with fixed seeds, and the hand-made cases are written out below.
// Case names begin with their kind: real-, soak-, input- (valid input in an
// unusual form) or fail- (a refusal, a failure report or an early end).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "soak_generator.hpp"
#include "storm_support.hpp"

namespace fs = std::filesystem;

namespace {

// Seeds of the random cases: the soak test's default seed, cases 0 to
// kSoakCases - 1 (so soak case i here is ZEPLO_SOAK_FIRST=i there).
constexpr std::uint64_t kSoakSeed = 1955;
constexpr int kSoakCases = 240;

constexpr const char* kMarker = ".corpus_cases";

struct Case {
    std::string name;
    std::vector<std::pair<std::string, std::string>> files;    // name, content
    std::vector<std::string> folders;                          // empty folders
    std::vector<std::pair<std::string, std::string>> links;    // name, target
    std::string answers;
    int closed_fd = -1;
};

std::vector<Case> g_cases;
std::map<std::string, int> g_kinds;

Case& add(const std::string& name, const std::string& answers) {
    g_cases.push_back(Case{});
    Case& c = g_cases.back();
    c.name = name;
    c.answers = answers;
    return c;
}

std::string read_all(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    if (!f) {
        std::cerr << "corpus_cases: cannot read " << p << "\n";
        std::exit(2);
    }
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void write_all(const fs::path& p, const std::string& text) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f << text;
    f.close();
    if (!f) {
        std::cerr << "corpus_cases: cannot write " << p << "\n";
        std::exit(2);
    }
}

// A record of n samples at step dt, times k*dt with 6 decimals.
template <class Value>
std::string record(int n, double dt, Value value) {
    std::string text;
    char line[96];
    for (int k = 0; k < n; ++k) {
        std::snprintf(line, sizeof line, "%.6f %.9g\n", k * dt, static_cast<double>(value(k)));
        text += line;
    }
    return text;
}

std::string crlf(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch == '\n') out += '\r';
        out += ch;
    }
    return out;
}

// ------------------------------------------------------------------ profiles

constexpr const char* kHalfSpace =
    "       0.0\n         1\n         1     999.0\n"
    "     2.0  1600.0    50.0   800.0    50.0     0.0\n";
constexpr const char* kTwoLayers =
    "       0.0\n         1\n         2     999.0\n"
    "     1.8   400.0    20.0   200.0    20.0    10.0\n"
    "     2.0  1600.0    50.0   800.0    50.0     0.0\n";
constexpr const char* kDampedTwoLayers =
    "       0.0\n         1\n         2       0.0\n"
    "     1.8   400.0    20.0   200.0    20.0    10.0\n"
    "     2.0  1600.0    50.0   800.0    50.0     0.0\n";
constexpr const char* kThreeLayers =
    "      45.0\n"
    "         1\n"
    "         3     999.0\n"
    "     1.7   300.0    25.0   150.0    25.0     2.5 a comment after column 48\n"
    "     1.9   600.0    50.0   300.0    50.0    10.0\n"
    "     2.1  1290.0    50.0   645.0    50.0     0.0\n"
    "not a layer record\n"
    "1\n2\n3\n4\n5\n";

// ------------------------------------------------------------------ real data

void real_cases(const fs::path& data) {
    std::map<std::string, std::string> text;
    for (const char* name : {"elcentro.txt", "shafter.txt", "dpsurf.txt", "dp61m.txt", "reston.txt", "tri.dat",
                             "tri_nd.dat", "yb.dat"})
        text[name] = read_all(data / name);
    const char* profiles[] = {"tri.dat", "tri_nd.dat", "yb.dat"};
    auto stem = [](const std::string& n) { return n.substr(0, n.find('.')); };
    auto one = [&](const std::string& rec, const std::string& soil, int is, int nyes, const char* corners) {
        std::string name = "real-" + stem(rec) + "-" + stem(soil) + "-c" + std::to_string(is) + "-i" +
                           std::to_string(nyes) + (corners ? "-taper" : "-none");
        std::string answers = rec + "\n" + soil + "\n" + std::to_string(is) + "\n" + std::to_string(nyes) + "\n" +
                              (corners ? std::string("1\n") + corners + "\n" : "0\n");
        Case& c = add(name, answers);
        c.files = {{rec, text[rec]}, {soil, text[soil]}};
        ++g_kinds["real"];
    };

    // The two shorter records: every answer. Corners 0.05, 0.1, 15, 20 Hz for
    // El Centro (Nyquist 25 Hz), 0.1, 0.2, 15, 20 Hz for Shafter (100 Hz).
    const std::pair<const char*, const char*> full[] = {{"elcentro.txt", "0.314 0.628 94.2 125.7"},
                                                        {"shafter.txt", "0.628 1.257 94.2 125.7"}};
    for (const auto& [rec, corners] : full)
        for (const char* soil : profiles)
            for (int is = 1; is <= 2; ++is)
                for (int nyes = 0; nyes <= 2; ++nyes)
                    for (bool taper : {false, true}) one(rec, soil, is, nyes, taper ? corners : nullptr);

    // The 32768-sample pair: two answers per profile, 12 runs in all.
    const char* dp_corners = "0.628,1.257,125.7,188.5";
    struct Variant {
        const char* soil;
        int is, nyes;
        bool taper;
    };
    const Variant dpsurf[] = {{"tri.dat", 1, 0, false},    {"tri.dat", 2, 1, true}, {"tri_nd.dat", 1, 2, true},
                              {"tri_nd.dat", 2, 0, false}, {"yb.dat", 1, 1, false}, {"yb.dat", 2, 2, true}};
    const Variant dp61m[] = {{"tri.dat", 2, 0, true},    {"tri.dat", 1, 1, false}, {"tri_nd.dat", 2, 2, false},
                             {"tri_nd.dat", 1, 0, true}, {"yb.dat", 2, 1, true},   {"yb.dat", 1, 2, false}};
    for (const Variant& v : dpsurf) one("dpsurf.txt", v.soil, v.is, v.nyes, v.taper ? dp_corners : nullptr);
    for (const Variant& v : dp61m) one("dp61m.txt", v.soil, v.is, v.nyes, v.taper ? dp_corners : nullptr);

    // 41200 samples: reported and stopped after the record.
    one("reston.txt", "tri.dat", 1, 0, nullptr);
    one("reston.txt", "yb.dat", 2, 1, "0.628 1.257 94.2 125.7");
}

// ------------------------------------------------------------------ random valid cases

void soak_cases() {
    namespace soak = zeplo::test::soak;
    for (int i = 0; i < kSoakCases; ++i) {
        const soak::Case s = soak::make_case(zeplo::test::storm::item_seed(kSoakSeed, static_cast<std::uint64_t>(i)));
        char name[32];
        std::snprintf(name, sizeof name, "soak-%03d", i);
        Case& c = add(name, s.answers);
        c.files = {{s.record_name, s.record_text}, {s.soil_name, s.soil_text}};
        ++g_kinds["soak"];
    }
}

// ------------------------------------------------------------------ hand-made cases

// A case over the 100-sample record rec.txt and the two-layer profile.
Case& with_rec(const std::string& name, const std::string& answers, const char* soil = kTwoLayers) {
    Case& c = add(name, answers);
    c.files = {{"rec.txt", record(100, 0.01, [](int k) { return (k % 11) - 5; })}, {"soil.dat", soil}};
    return c;
}

void input_cases() {
    const std::string rec = record(100, 0.01, [](int k) { return (k % 11) - 5; });
    auto input = [&](const std::string& name, const std::string& record_text, const std::string& soil_text,
                     const std::string& answers) -> Case& {
        Case& c = add("input-" + name, answers);
        c.files = {{"r.txt", record_text}, {"s.dat", soil_text}};
        ++g_kinds["input"];
        return c;
    };
    const std::string plain = "r.txt\ns.dat\n2\n0\n0\n";

    input("transcript-four-samples", "0.00 1.0\n0.25 2.0\n0.50 3.0\n0.75 4.0\n", kHalfSpace, plain);
    input("half-space-mean",
          record(1000, 0.01, [](int k) { return std::sin(0.05 * k) + 0.3 * std::cos(0.31 * k) + 0.7; }), kHalfSpace,
          plain);
    for (int nyes : {1, 2}) {
        const double w = 2 * M_PI * 16 / (1024 * 0.01);
        input("sinusoid-i" + std::to_string(nyes), record(1024, 0.01, [&](int k) { return std::sin(w * k * 0.01); }),
              kHalfSpace, "r.txt\ns.dat\n2\n" + std::to_string(nyes) + "\n0\n");
    }
    input("layer-like-half-space",
          record(256, 0.01, [](int k) { return std::exp(-0.01 * (k - 100) * (k - 100)); }),
          "       0.0\n         0\n         2     999.0\n"
          "     2.0  1600.0    50.0   400.0    50.0    40.0\n"
          "     2.0  1600.0    50.0   400.0    50.0     0.0\n",
          "r.txt\ns.dat\n1\n0\n0\n");
    input("taper-passes-nothing", record(64, 0.01, [](int k) { return k % 5; }), kHalfSpace,
          "r.txt\ns.dat\n2\n0\n1\n50 60 40 30\n");
    input("taper-equal-corners", rec, kDampedTwoLayers, "r.txt\ns.dat\n1\n1\n1\n10 10 100 100\n");
    input("taper-corners-on-lines", rec, kDampedTwoLayers, "r.txt\ns.dat\n1\n0\n1\n1.5,\n3.0\n\n150 ,250\n");
    input("taper-null-corners", rec, kDampedTwoLayers, "r.txt\ns.dat\n2\n2\n1\n,2.0,,200/\n");
    input("taper-slash", rec, kDampedTwoLayers, "r.txt\ns.dat\n2\n0\n1\n/\n");
    input("taper-repeat-count", rec, kDampedTwoLayers, "r.txt\ns.dat\n2\n0\n1\n2*, 100, 300\n");
    input("taper-above-nyquist", rec, kDampedTwoLayers, "r.txt\ns.dat\n2\n0\n1\n300 400 500 600\n");
    input("taper-answer-2", rec, kDampedTwoLayers, "r.txt\ns.dat\n2\n0\n2\n");
    input("integrate-answer-3", rec, kDampedTwoLayers, "r.txt\ns.dat\n2\n3\n0\n");
    input("integrate-answer-negative", rec, kDampedTwoLayers, "r.txt\ns.dat\n1\n-1\n0\n");
    input("frequencies-over-1000-hz", record(16, 0.0004, [](int k) { return k; }), kHalfSpace,
          "r.txt\ns.dat\n1\n0\n0\n");
    input("times-over-10000-s", record(1100, 10.0, [](int k) { return std::sin(0.3 * k); }), kTwoLayers, plain);
    input("time-not-from-zero", "12.5 1\n12.52 -1\n12.54 2\n12.56 0.5\n12.58 -3\n12.6 0\n", kTwoLayers, plain);
    input("unterminated-record", "0.0 1.0\n0.01 2.0\n0.02 -1.5\n0.03 0.25", kTwoLayers, plain);
    input("crlf-record", crlf(record(50, 0.01, [](int k) { return (k % 7) - 3; })), kTwoLayers, plain);
    input("crlf-record-unterminated", "0.0 1.0\r\n0.01 2.0\r\n0.02 -1.5\r\n0.03 0.25\r", kTwoLayers, plain);
    input("crlf-soil", rec, crlf(kDampedTwoLayers), plain);
    input("record-forms",
          "0 1\n\n 0.01,2.5E0\n0.02\t-3.D-1\n   \n0.03 , 4d0 extra\n0.04 5 6 7\n0.05,-0.5e+01,\n0.06 +.25\n", kTwoLayers,
          plain);
    input("record-third-column", record(40, 0.02, [](int k) { return k * 0.1; }) + "0.8 1 99\n", kTwoLayers, plain);
    input("record-incomplete-last-pair", record(20, 0.01, [](int k) { return k; }) + "0.2\n", kTwoLayers, plain);
    input("record-trailing-blank-lines", record(20, 0.01, [](int k) { return k; }) + "\n  \n\n", kTwoLayers, plain);
    input("record-underflow", "0 1e-50\n0.01 1\n0.02 -1e-46\n0.03 0\n", kTwoLayers, plain);
    input("record-constant", record(300, 0.01, [](int) { return 2.5; }), kDampedTwoLayers, plain);
    input("record-spike", record(300, 0.01, [](int k) { return k == 77 ? 1.0 : 0.0; }), kDampedTwoLayers,
          "r.txt\ns.dat\n1\n2\n0\n");
    input("record-value-trailing-letter", "0.0 1.0\n0.01 2.x\n0.02 3.0\n", kTwoLayers, plain);
    for (int n : {2, 3, 4, 5, 1024, 1025}) {
        input("length-" + std::to_string(n), record(n, 0.01, [](int k) { return k % 9 - 4; }), kDampedTwoLayers,
              "r.txt\ns.dat\n1\n1\n0\n");
    }
    input("record-name-20-chars", rec, kTwoLayers, "abcdefghijklmnopqrstuvwxyz\ns.dat\n2\n0\n0\n")
        .files[0].first = "abcdefghijklmnopqrst";
    input("soil-name-30-chars", rec, kTwoLayers, "r.txt\nabcdefghijklmnopqrstuvwxyz0123456789\n2\n0\n0\n")
        .files[1].first = "abcdefghijklmnopqrstuvwxyz0123";
    input("soil-name-after-blank-lines", rec, kTwoLayers, "r.txt\n\n s.dat\n   \ns.dat\n2\n0\n0\n");
    input("answers-free-forms", rec, kDampedTwoLayers, "r.txt\ns.dat\n 2 9 9\n1*1 ! velocity\n\t1/\n0.5D0 1E0 100 1.5E2\n");
    input("answers-more-lines", rec, kDampedTwoLayers, "r.txt\ns.dat\n2\n0\n0\n0\nmore lines that are never read\n");
    input("amplification-slash-integrate", rec, kDampedTwoLayers, "r.txt\ns.dat\n2\n/\n,\n");
    input("soil-three-layers-oblique", rec, kThreeLayers, "r.txt\ns.dat\n1\n0\n0\n");
    input("soil-blank-angle-short-record", rec,
          "          \n         0\n         130\n     1.7     300      25     150\n", "r.txt\ns.dat\n1\n0\n0\n");
    input("soil-nsf-2-damping-half", rec,
          "      20.0\n         2\n         3       0.5\n"
          "     1.7   300.0    25.0   150.0    25.0     2.5\n"
          "     1.9   600.0    50.0   300.0    50.0    10.0\n"
          "     2.1  1290.0    50.0   645.0    50.0     0.0\n",
          "r.txt\ns.dat\n1\n0\n0\n");
    input("soil-exponent-forms", rec,
          "   4.5E+01\n        +1\n       002    9.99E2\n"
          "  1.7E00   3.0D2     25.   1.5e2    25.0  2.5d+0\n"
          "     1.9   600.0    50.0   300.0    50.0    10.0\n"
          "    2.10    1290      50     645      50\n",
          "r.txt\ns.dat\n2\n1\n0\n");
    input("soil-zero-density-top", rec,
          "       0.0\n         1\n         2     999.0\n     0.0   400.0    20.0   200.0    20.0    10.0\n"
          "     2.0  1600.0    50.0   800.0    50.0     0.0\n",
          plain);
    input("soil-zero-quality-undamped", rec,
          "       0.0\n         1\n         2     999.0\n     1.8   400.0    20.0   200.0\n"
          "     2.0  1600.0    50.0   800.0    50.0     0.0\n",
          plain);
    input("soil-half-space-zero-velocity", rec,
          "       0.0\n         1\n         1     999.0\n     2.0  1600.0    50.0     0.0    50.0     0.0\n", plain);
    {
        std::string fifty = "       0.0\n         1\n        50       0.3\n";
        for (int il = 1; il <= 50; ++il) {
            char line[64];
            std::snprintf(line, sizeof line, "%8.1f%8.1f%8.1f%8.1f%8.1f%8.1f\n", 1.7 + 0.01 * il, 600.0 + 20 * il,
                          25.0, 150.0 + 12 * il, 20.0 + il, il == 50 ? 0.0 : 2.0);
            fifty += line;
        }
        input("soil-fifty-layers", rec, fifty, "r.txt\ns.dat\n1\n1\n1\n1 2 200 300\n");
    }
    // Older output files in the folder: a run that completes replaces them.
    {
        Case& c = input("older-longer-outputs", record(10, 0.01, [](int k) { return k; }), kHalfSpace, plain);
        c.files.push_back({"S_amp1", std::string(5000, 'x') + "\n"});
        c.files.push_back({"amp_dat", "an older spectrum\n"});
        c.files.push_back({"zeplo_dat", std::string(3000, 'z') + "\n"});
    }
}

void fail_cases() {
    auto fail = [&](const std::string& name, const std::string& answers) -> Case& {
        ++g_kinds["fail"];
        return with_rec("fail-" + name, answers);
    };
    const std::string head = "rec.txt\nsoil.dat\n";

    // The names.
    fail("missing-record", "  no such file.txt  \n");
    fail("empty-record-name", "\n");
    fail("blank-record-name", "       \n");
    fail("missing-soil", "rec.txt\nmissing.dat\n");
    fail("record-is-a-folder", "dir.txt\n").folders.push_back("dir.txt");
    fail("soil-is-a-folder", "rec.txt\ndir.txt\n").folders.push_back("dir.txt");

    // The answers ending at every prompt.
    fail("eof-record-prompt", "");
    fail("eof-soil-prompt", "rec.txt\n");
    fail("eof-soil-after-blank-lines", "rec.txt\n\n   \n");
    fail("eof-amplification", head);
    fail("eof-integrate", head + "2\n");
    fail("eof-taper", head + "2\n0\n");
    fail("eof-corners", head + "2\n0\n1\n");
    fail("eof-three-corners", head + "2\n0\n1\n0.5 1 100\n");
    fail("eof-three-corners-unterminated", head + "2\n0\n1\n0.5 1 100");
    fail("eof-taper-unterminated", head + "2\n0\n1");
    // A line end of CR LF: the CR is part of the name.
    fail("crlf-answers", "rec.txt\r\nsoil.dat\r\n2\r\n1\r\n1\r\n1 2 100 200\r\n");
    fail("closed-stdin", head + "2\n0\n0\n").closed_fd = 0;
    fail("closed-stdout", head + "2\n0\n0\n").closed_fd = 1;

    // Malformed answers.
    fail("amplification-letter", head + "x\n");
    fail("amplification-real", head + "1.5\n");
    fail("amplification-too-large", head + "99999999999\n");
    fail("integrate-letters", head + "2\nabc\n");
    fail("taper-letter", head + "2\n0\ny\n");
    fail("corner-letter", head + "2\n0\n1\n1 2 x 4\n");

    // Refused answers.
    for (const char* is : {"3", "0", "-1", "/"}) {
        std::string n = is;
        if (n == "/") n = "slash";
        fail("amplification-choice-" + n, head + is + "\n0\n0\n");
    }

    // The record.
    auto bad_record = [&](const std::string& name, const std::string& text, const std::string& answers) {
        Case& c = fail(name, answers.empty() ? "r.txt\nsoil.dat\n2\n0\n0\n" : answers);
        c.files.push_back({"r.txt", text});
    };
    bad_record("record-header-line", "time accel\n0.0 1.0\n0.01 2.0\n", "");
    bad_record("record-bad-value", "0.0 1.0\n0.01 x2\n0.02 3.0\n", "");
    bad_record("record-nan-text", "0.0 1.0\n0.01 nan\n0.02 3.0\n", "");
    bad_record("record-one-pair", "0.0 1.0\n0.5\n", "");
    bad_record("record-empty", "", "");
    bad_record("record-blank-lines-only", "\n  \n\n", "");
    bad_record("record-zero-time-step", "1.0 1.0\n1.0 2.0\n1.0 3.0\n", "");
    bad_record("record-negative-time-step", "0.0 1.0\n-0.01 2.0\n-0.02 3.0\n", "");
    bad_record("record-tiny-time-step", "0 1\n1e-44 2\n2e-44 3\n", "");
    bad_record("record-huge-time-step", "0 1\n3e38 2\n6e38 3\n", "");
    bad_record("record-value-too-large", "0 1\n1 1e39\n2 0\n", "");
    bad_record("record-time-too-large", "0 1\n1e39 2\n2 0\n", "");
    bad_record("record-32769-samples", record(32769, 0.005, [](int k) { return k % 7; }), "r.txt\nnot read\n");
    bad_record("record-huge-values", record(64, 0.01, [](int k) { return k % 2 ? 3e38 : -3e38; }),
               "r.txt\nsoil.dat\n2\n0\n0\n");

    // The profile.
    auto bad_soil = [&](const std::string& name, const std::string& text, const std::string& answers) {
        Case& c = fail(name, answers.empty() ? "rec.txt\ns.dat\n2\n0\n0\n" : answers);
        c.files.push_back({"s.dat", text});
    };
    bad_soil("soil-layer-count-0", "       0.0\n         1\n         0     999.0\n", "");
    bad_soil("soil-layer-count-51", "       0.0\n         1\n        51     999.0\n", "");
    bad_soil("soil-layer-count-negative", "       0.0\n         1\n        -3     999.0\n", "");
    bad_soil("soil-zero-velocity",
             "       0.0\n         1\n         2     999.0\n     1.8   400.0    20.0     0.0    20.0    10.0\n"
             "     2.0  1600.0    50.0   800.0    50.0     0.0\n",
             "");
    bad_soil("soil-zero-density-below-top",
             "       0.0\n         1\n         2     999.0\n     1.8   400.0    20.0   200.0    20.0    10.0\n"
             "     0.0  1600.0    50.0   800.0    50.0     0.0\n",
             "");
    bad_soil("soil-zero-quality-damped",
             "       0.0\n         1\n         2       0.0\n     1.8   400.0    20.0   200.0\n"
             "     2.0  1600.0    50.0   800.0    50.0     0.0\n",
             "");
    bad_soil("soil-infinite-density",
             "       0.0\n         1\n         2     999.0\n   1.E39   400.0    20.0   200.0    20.0    10.0\n"
             "     2.0  1600.0    50.0   800.0    50.0     0.0\n",
             "");
    bad_soil("soil-infinite-thickness",
             "       0.0\n         1\n         2     999.0\n     1.8   400.0    20.0   200.0    20.0   1E+40\n"
             "     2.0  1600.0    50.0   800.0    50.0     0.0\n",
             "");
    bad_soil("soil-infinite-angle", "   1.0E+39\n         1\n         1     999.0\n"
                                    "     2.0  1600.0    50.0   800.0    50.0     0.0\n",
             "");
    bad_soil("soil-infinite-exponent", "       0.0\n         1\n         1   1.0E+39\n"
                                       "     2.0  1600.0    50.0   800.0    50.0     0.0\n",
             "");
    bad_soil("soil-extreme-damping-exponent",
             "       0.0\n         1\n         2  -30000.0\n     1.8   400.0    20.0   200.0    20.0    10.0\n"
             "     2.0  1600.0    50.0   800.0    50.0     0.0\n",
             "rec.txt\ns.dat\n2\n");
    bad_soil("soil-bad-character", "      4x.0\n", "");
    bad_soil("soil-bad-layer-count", "       0.0\n         1\n       2.5     999.0\n", "");
    bad_soil("soil-too-few-layers",
             "0.\n1\n         2       0.0\n     1.7   300.0    25.0   150.0    25.0     2.5\n", "");
    bad_soil("soil-unterminated-last-layer",
             "0.\n1\n         2       0.0\n     1.7   300.0    25.0   150.0    25.0     2.5", "");
    bad_soil("soil-empty", "", "");

    // The output files. Older files stay as they were when a run is refused.
    {
        Case& c = fail("refused-keeps-older-table", "rec.txt\ns.dat\n3\n");
        c.files.push_back({"s.dat", kHalfSpace});
        c.files.push_back({"S_amp1", "an older table\n"});
        c.files.push_back({"amp_dat", "an older spectrum\n"});
    }
    {
        Case& c = fail("spectrum-refused-keeps-older-wave", "big.txt\nsoil.dat\n2\n0\n0\n");
        c.files.push_back({"big.txt", record(64, 0.01, [](int k) { return k % 2 ? 3e38 : -3e38; })});
        c.files.push_back({"zeplo_dat", "an older wave\n"});
    }
    // A spike near the largest float, doubled by the free surface: the
    // spectrum stays finite, the wave rebuilt from it may not.
    {
        Case& c = fail("output-wave-too-large", "spike.txt\nhs.dat\n1\n0\n0\n");
        c.files.push_back({"spike.txt", record(64, 0.01, [](int k) { return k == 5 ? 3e38 : 0.0; })});
        c.files.push_back({"hs.dat", kHalfSpace});
    }
    for (const char* out : {"S_amp1", "amp_dat", "zeplo_dat"})
        fail(std::string("output-") + out + "-is-a-folder", head + "2\n0\n1\n0.5 1 100 150\n").folders.push_back(out);
    fail("table-on-full-device", head + "2\n0\n1\n0.5 1 100 150\n").links.push_back({"S_amp1", "/dev/full"});
    fail("wave-on-full-device", head + "2\n0\n0\n").links.push_back({"zeplo_dat", "/dev/full"});
}

void write_case(const fs::path& root, const Case& c) {
    const fs::path d = root / c.name;
    fs::create_directory(d);
    std::set<std::string> names = {"answers", "closed_fd"};
    auto claim = [&](const std::string& n) {
        if (!names.insert(n).second) {
            std::cerr << "corpus_cases: case " << c.name << " names " << n << " twice\n";
            std::exit(2);
        }
    };
    for (const auto& [name, text] : c.files) {
        claim(name);
        write_all(d / name, text);
    }
    for (const std::string& f : c.folders) {
        claim(f);
        fs::create_directory(d / f);
    }
    for (const auto& [name, target] : c.links) {
        claim(name);
        fs::create_symlink(target, d / name);
    }
    write_all(d / "answers", c.answers);
    if (c.closed_fd >= 0) write_all(d / "closed_fd", std::to_string(c.closed_fd) + "\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: corpus_cases DATA_DIR OUT_DIR\n";
        return 2;
    }
    const fs::path data = argv[1];
    const fs::path out = argv[2];
    std::error_code ec;
    if (fs::exists(out)) {
        if (!fs::is_empty(out) && !fs::exists(out / kMarker)) {
            std::cerr << "corpus_cases: " << out << " is not empty and was not written by corpus_cases\n";
            return 2;
        }
        fs::remove_all(out, ec);
        if (ec) {
            std::cerr << "corpus_cases: cannot empty " << out << ": " << ec.message() << "\n";
            return 2;
        }
    }
    fs::create_directories(out);
    write_all(out / kMarker, "written by corpus_cases; emptied on every run\n");

    real_cases(data);
    soak_cases();
    input_cases();
    fail_cases();

    std::set<std::string> seen;
    for (const Case& c : g_cases) {
        if (!seen.insert(c.name).second) {
            std::cerr << "corpus_cases: two cases named " << c.name << "\n";
            return 2;
        }
        write_case(out, c);
    }
    std::cout << "corpus_cases: " << g_cases.size() << " cases in " << out.string() << " (";
    const char* sep = "";
    for (const auto& [kind, n] : g_kinds) {
        std::cout << sep << kind << " " << n;
        sep = ", ";
    }
    std::cout << ")\n";
    return 0;
}
