// The report page as a person sees it: headless Chromium renders report.html
// to a PNG, which must show the plots (not a blank page: many pixels of the
// input's blue and the output's red), and its DOM must hold the plot titles.
// Skipped when Chromium is not installed (Debian package chromium). The PNG
// is left in this test's build folder, rendered/report.png, to look at.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "report.hpp"
#include "report/report_fixture.hpp"

namespace zeplo::report {
namespace {

namespace fs = std::filesystem;

std::string chromium_path() {
    for (const char* p : {"/usr/bin/chromium", "/usr/bin/chromium-browser"})
        if (fs::exists(p)) return p;
    return {};
}

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Image {
    unsigned width = 0, height = 0;
    std::vector<unsigned char> rgba;
};

Image read_png(const fs::path& path) {
    Image img;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return img;
    png.format = PNG_FORMAT_RGBA;
    img.rgba.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, img.rgba.data(), 0, nullptr)) {
        png_image_free(&png);
        return {};
    }
    img.width = png.width;
    img.height = png.height;
    return img;
}

// Runs Chromium headless on a fresh profile, no network services, bounded in time.
int chromium(const std::string& binary, const fs::path& profile, const std::string& args, const fs::path& out) {
    const std::string cmd = "timeout 180 '" + binary +
                            "' --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                            "--disable-background-networking --disable-component-update --disable-sync "
                            "--hide-scrollbars --user-data-dir='" + profile.string() + "' " + args + " > '" +
                            out.string() + "' 2> '" + out.string() + ".err'";
    return std::system(cmd.c_str());
}

TEST(RenderedReport, ChromiumShowsThePlotsAndTheirTitles) {
    const std::string binary = chromium_path();
    if (binary.empty()) GTEST_SKIP() << "Chromium is not installed (apt-get install chromium): page not rendered";

    const fs::path dir = fs::path(ZEPLO_REPORT_RENDER_DIR) / "rendered";
    fs::remove_all(dir);
    fs::create_directories(dir);
    write_report(fixture::chichi_through_one_layer(), [&](const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
    });
    const std::string page = "file://" + (dir / "report.html").string();

    const fs::path png = dir / "report.png";
    ASSERT_EQ(chromium(binary, dir / "profile-shot", "--window-size=900,3900 --screenshot='" + png.string() + "' '" + page + "'",
                       dir / "screenshot.log"),
              0)
        << read_file(dir / "screenshot.log.err");
    const Image img = read_png(png);
    ASSERT_EQ(img.width, 900u);
    ASSERT_EQ(img.height, 3900u);
    std::size_t ink = 0, blue = 0, red = 0;
    auto near = [](const unsigned char* p, int r, int g, int b) {
        return std::abs(p[0] - r) < 40 && std::abs(p[1] - g) < 40 && std::abs(p[2] - b) < 40;
    };
    for (std::size_t i = 0; i + 3 < img.rgba.size(); i += 4) {
        const unsigned char* p = &img.rgba[i];
        if (p[0] < 200 || p[1] < 200 || p[2] < 200) ++ink;
        if (near(p, 0x1f, 0x62, 0xb4)) ++blue;
        if (near(p, 0xd0, 0x31, 0x2d)) ++red;
    }
    const double pixels = static_cast<double>(img.width) * img.height;
    EXPECT_GT(ink / pixels, 0.02) << "the page looks blank";
    EXPECT_GT(blue, 5000u) << "too little of the input's colour";
    EXPECT_GT(red, 5000u) << "too little of the output's colour";

    const fs::path dom = dir / "dom.html";
    ASSERT_EQ(chromium(binary, dir / "profile-dom", "--dump-dom '" + page + "'", dom), 0) << read_file(dom.string() + ".err");
    const std::string text = read_file(dom);
    for (const char* title : {"Amplification of the soil column", "Acceleration time histories",
                              "Fourier amplitude spectra (Konno-Ohmachi smoothing, b = 40)",
                              "Response spectra (5 % damping)", "Peak values"})
        EXPECT_NE(text.find(title), std::string::npos) << title;
    EXPECT_NE(text.find("Frequency (Hz)"), std::string::npos);
    EXPECT_NE(text.find("Period (s)"), std::string::npos);
}

}  // namespace
}  // namespace zeplo::report
