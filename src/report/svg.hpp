// A small SVG writer: the few elements the report's plots are drawn with
// (lines, polylines, rectangles, text, groups and a clip rectangle), written
// as text with coordinates to two decimals. Nothing here knows about plots.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zeplo::report {

// &, <, >, " and ' as entities, for text and attribute values.
std::string escape_xml(std::string_view text);

struct Point {
    double x, y;
};

struct Stroke {
    Stroke(std::string colour_ = "#000", double width_ = 1.0, double opacity_ = 1.0, std::string dash_ = {})
        : colour(std::move(colour_)), width(width_), opacity(opacity_), dash(std::move(dash_)) {}
    std::string colour;
    double width;
    double opacity;
    std::string dash;  // stroke-dasharray, empty for a solid line
};

struct Font {
    Font(double size_ = 13.0, std::string anchor_ = "middle", bool bold_ = false, double rotate_ = 0.0)
        : size(size_), anchor(std::move(anchor_)), bold(bold_), rotate(rotate_) {}
    double size;
    std::string anchor;  // start, middle, end
    bool bold;
    double rotate;  // degrees about the anchor point
    std::string colour = "#222";
};

class Svg {
public:
    Svg(double width, double height);

    void line(Point a, Point b, const Stroke& stroke);
    void polyline(const std::vector<Point>& points, const Stroke& stroke);
    void rect(Point corner, double width, double height, const std::string& fill, const Stroke* stroke = nullptr);
    // `at` is the anchor point on the text's baseline.
    void text(Point at, std::string_view content, const Font& font);
    // A clip rectangle under `id`, then a group drawn through it until end_group().
    void begin_clipped_group(const std::string& id, Point corner, double width, double height);
    void end_group();

    // The whole document, with the XML namespace (fit to stand alone as an
    // .svg file and inline in HTML).
    std::string str() const;

private:
    double width_, height_;
    std::string body_;
};

}  // namespace zeplo::report
