// Line plots as SVG: one figure of panels stacked under a title, each panel
// with a linear or logarithmic x and y axis, ticks, tick labels, axis labels
// and a legend. Long series are thinned to what the pixels can show, keeping
// each pixel column's extremes, so that peaks survive.
#pragma once

#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace zeplo::report {

enum class Scale { linear, log };

struct Axis {
    Axis(std::string label_ = {}, Scale scale_ = Scale::linear, double min_ = kFromData, double max_ = kFromData)
        : label(std::move(label_)), scale(scale_), min(min_), max(max_) {}
    static constexpr double kFromData = std::numeric_limits<double>::quiet_NaN();
    std::string label;  // with its unit, e.g. "Period (s)"
    Scale scale;
    // The range; where either is not finite it is taken from the data (a log
    // axis from whole decades, a linear one from nice tick steps).
    double min, max;
    bool symmetric = false;  // linear, from data: -m .. m
};

struct Series {
    Series(std::string name_, std::vector<double> x_, std::vector<double> y_, std::string colour_, double width_ = 1.6,
           double opacity_ = 1.0, std::string dash_ = {})
        : name(std::move(name_)), x(std::move(x_)), y(std::move(y_)), colour(std::move(colour_)), width(width_),
          opacity(opacity_), dash(std::move(dash_)) {}
    std::string name;  // in the legend; none when empty
    std::vector<double> x, y;
    std::string colour;
    double width;
    double opacity;
    std::string dash;
};

struct Panel {
    Axis x, y;
    std::vector<Series> series;
    std::vector<double> reference_y;  // horizontal reference lines (dashed grey)
    double height = 300.0;           // of the plotting area, pixels
};

struct Figure {
    std::string id;     // unique within a page: names the clip paths
    std::string title;
    double width = 800.0;
    std::vector<Panel> panels;
};

struct Tick {
    double value;
    std::string label;  // empty: a minor tick
};

// Ticks of a linear axis over [lo, hi]: steps of 1, 2 or 5 times a power of
// ten, about six of them, all labelled.
std::vector<Tick> linear_ticks(double lo, double hi);
// Ticks of a log axis over [lo, hi] (lo > 0): each decade labelled, 2 to 9
// times it as minor ticks (2 and 5 labelled too when the axis spans less than
// two decades).
std::vector<Tick> log_ticks(double lo, double hi);

// A tick label: the shortest of %g that shows the value (0.01, 0.5, 10, 1e+04 as 10000).
std::string tick_label(double value);

// The points of a polyline in pixels, thinned: of the points falling in one
// pixel column, the first, the lowest, the highest and the last are kept, in
// their order. Points that are not finite break the line: each inner vector
// is one unbroken piece.
struct PixelPoint {
    double x, y;
};
std::vector<std::vector<PixelPoint>> thin_polyline(const std::vector<PixelPoint>& points);

std::string render_svg(const Figure& figure);

}  // namespace zeplo::report
