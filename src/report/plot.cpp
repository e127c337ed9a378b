#include "plot.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "svg.hpp"

namespace zeplo::report {
namespace {

constexpr double kLeft = 88.0, kRight = 24.0, kTitle = 40.0, kBelow = 62.0, kGap = 14.0;
const char* const kFrame = "#444";
const char* const kGrid = "#e3e3e3";
const char* const kMinorGrid = "#f3f3f3";

// A step of 1, 2 or 5 times a power of ten that cuts span into about six.
double nice_step(double span) {
    const double p = std::pow(10.0, std::floor(std::log10(span / 6.0)));
    double best = p, best_miss = INFINITY;
    for (const double m : {0.5, 1.0, 2.0, 5.0, 10.0, 20.0}) {
        const double miss = std::fabs(std::log(span / (m * p) / 6.0));
        if (miss < best_miss) {
            best_miss = miss;
            best = m * p;
        }
    }
    return best;
}

struct Range {
    double lo, hi;
};

// The range of an axis: x from all the data, y from the points inside the x
// range (`within`, none for x).
Range data_range(const Axis& axis, const std::vector<Series>& series, bool is_x, const Range* within = nullptr) {
    double lo = INFINITY, hi = -INFINITY;
    for (const Series& s : series)
        for (std::size_t i = 0; i < (is_x ? s.x.size() : std::min(s.x.size(), s.y.size())); ++i) {
            const double v = is_x ? s.x[i] : s.y[i];
            if (!std::isfinite(v) || (axis.scale == Scale::log && v <= 0.0)) continue;
            if (within && !(s.x[i] >= within->lo && s.x[i] <= within->hi)) continue;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    if (std::isfinite(axis.min)) lo = axis.min;
    if (std::isfinite(axis.max)) hi = axis.max;
    if (!(lo <= hi)) {  // no data
        lo = axis.scale == Scale::log ? 1.0 : 0.0;
        hi = axis.scale == Scale::log ? 10.0 : 1.0;
    }
    if (axis.scale == Scale::log) {
        if (!std::isfinite(axis.min)) lo = std::pow(10.0, std::floor(std::log10(lo) + 1e-9));
        if (!std::isfinite(axis.max)) hi = std::pow(10.0, std::ceil(std::log10(hi) - 1e-9));
        if (hi <= lo) hi = lo * 10.0;
        return {lo, hi};
    }
    if (axis.symmetric && !std::isfinite(axis.min) && !std::isfinite(axis.max)) {
        const double m = std::max(std::fabs(lo), std::fabs(hi));
        lo = -m;
        hi = m;
    }
    if (hi == lo) {
        lo -= 1.0;
        hi += 1.0;
    }
    // Room above the data for the legend.
    if (!std::isfinite(axis.max) && !axis.symmetric) hi += 0.12 * (hi - lo);
    const double step = nice_step(hi - lo);
    if (!std::isfinite(axis.min)) lo = std::floor(lo / step + 1e-9) * step;
    if (!std::isfinite(axis.max)) hi = std::ceil(hi / step - 1e-9) * step;
    return {lo, hi};
}

// Position 0..1 of v along the axis.
double fraction(double v, Range r, Scale scale) {
    if (scale == Scale::log) return (std::log10(v) - std::log10(r.lo)) / (std::log10(r.hi) - std::log10(r.lo));
    return (v - r.lo) / (r.hi - r.lo);
}

std::vector<Tick> ticks_for(Range r, Scale scale) {
    return scale == Scale::log ? log_ticks(r.lo, r.hi) : linear_ticks(r.lo, r.hi);
}

}  // namespace

std::vector<Tick> linear_ticks(double lo, double hi) {
    std::vector<Tick> t;
    if (!(hi > lo)) return t;
    const double step = nice_step(hi - lo);
    for (double k = std::ceil(lo / step - 1e-9); k * step <= hi + step * 1e-9; k += 1.0) {
        double v = k * step;
        if (std::fabs(v) < step * 1e-9) v = 0.0;
        t.push_back({v, tick_label(v)});
    }
    return t;
}

std::vector<Tick> log_ticks(double lo, double hi) {
    std::vector<Tick> t;
    if (!(lo > 0.0) || !(hi > lo)) return t;
    const bool label_minor = std::log10(hi / lo) < 2.0;
    for (int e = static_cast<int>(std::floor(std::log10(lo))) - 1; e <= static_cast<int>(std::ceil(std::log10(hi))); ++e) {
        const double decade = std::pow(10.0, e);
        for (int m = 1; m <= 9; ++m) {
            const double v = m * decade;
            if (v < lo * (1 - 1e-9) || v > hi * (1 + 1e-9)) continue;
            const bool labelled = m == 1 || (label_minor && (m == 2 || m == 5));
            t.push_back({v, labelled ? tick_label(v) : std::string()});
        }
    }
    return t;
}

std::string tick_label(double value) {
    char s[32];
    std::snprintf(s, sizeof s, "%.6g", value);
    return s;
}

std::vector<std::vector<PixelPoint>> thin_polyline(const std::vector<PixelPoint>& points) {
    std::vector<std::vector<PixelPoint>> pieces;
    std::vector<PixelPoint> piece;
    std::vector<PixelPoint> column;  // the points of the current pixel column
    auto flush_column = [&] {
        if (column.empty()) return;
        std::size_t lo = 0, hi = 0;
        for (std::size_t i = 1; i < column.size(); ++i) {
            if (column[i].y < column[lo].y) lo = i;
            if (column[i].y > column[hi].y) hi = i;
        }
        std::vector<std::size_t> keep = {0, lo, hi, column.size() - 1};
        std::sort(keep.begin(), keep.end());
        keep.erase(std::unique(keep.begin(), keep.end()), keep.end());
        for (const std::size_t i : keep) piece.push_back(column[i]);
        column.clear();
    };
    auto flush_piece = [&] {
        flush_column();
        if (!piece.empty()) pieces.push_back(std::move(piece));
        piece.clear();
    };
    for (const PixelPoint& p : points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
            flush_piece();
            continue;
        }
        if (!column.empty() && std::floor(p.x) != std::floor(column.front().x)) flush_column();
        column.push_back(p);
    }
    flush_piece();
    return pieces;
}

std::string render_svg(const Figure& figure) {
    double height = kTitle;
    for (const Panel& p : figure.panels) height += p.height + kBelow + kGap;
    Svg svg(figure.width, height);
    svg.text({figure.width / 2, 26}, figure.title, Font{17.0, "middle", true});

    const double plot_w = figure.width - kLeft - kRight;
    double top = kTitle;
    int index = 0;
    for (const Panel& panel : figure.panels) {
        const Range xr = data_range(panel.x, panel.series, true);
        const Range yr = data_range(panel.y, panel.series, false, &xr);
        const double h = panel.height;
        auto px = [&](double v) { return kLeft + fraction(v, xr, panel.x.scale) * plot_w; };
        auto py = [&](double v) { return top + (1.0 - fraction(v, yr, panel.y.scale)) * h; };

        // Grid, ticks and their labels.
        for (const Tick& t : ticks_for(xr, panel.x.scale)) {
            const double x = px(t.value);
            svg.line({x, top}, {x, top + h}, Stroke{t.label.empty() ? kMinorGrid : kGrid, 1.0});
            svg.line({x, top + h}, {x, top + h + (t.label.empty() ? 3.0 : 6.0)}, Stroke{kFrame, 1.0});
            if (!t.label.empty()) svg.text({x, top + h + 20}, t.label, Font{13.0, "middle"});
        }
        for (const Tick& t : ticks_for(yr, panel.y.scale)) {
            const double y = py(t.value);
            svg.line({kLeft, y}, {kLeft + plot_w, y}, Stroke{t.label.empty() ? kMinorGrid : kGrid, 1.0});
            svg.line({kLeft - (t.label.empty() ? 3.0 : 6.0), y}, {kLeft, y}, Stroke{kFrame, 1.0});
            if (!t.label.empty()) svg.text({kLeft - 9, y + 4.5}, t.label, Font{13.0, "end"});
        }
        svg.text({kLeft + plot_w / 2, top + h + 44}, panel.x.label, Font{14.0, "middle"});
        svg.text({22, top + h / 2}, panel.y.label, Font{14.0, "middle", false, -90.0});

        // The data, clipped to the plotting area.
        svg.begin_clipped_group(figure.id + "-clip" + std::to_string(index), {kLeft, top}, plot_w, h);
        for (const double ref : panel.reference_y)
            svg.line({kLeft, py(ref)}, {kLeft + plot_w, py(ref)}, Stroke{"#777", 1.2, 1.0, "6 4"});
        for (const Series& s : panel.series) {
            std::vector<PixelPoint> pts;
            pts.reserve(s.x.size());
            for (std::size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) {
                const bool ok = std::isfinite(s.x[i]) && std::isfinite(s.y[i]) &&
                                (panel.x.scale != Scale::log || s.x[i] > 0) &&
                                (panel.y.scale != Scale::log || s.y[i] > 0);
                pts.push_back(ok ? PixelPoint{px(s.x[i]), py(s.y[i])} : PixelPoint{NAN, NAN});
            }
            for (const auto& piece : thin_polyline(pts)) {
                std::vector<Point> line;
                line.reserve(piece.size());
                for (const PixelPoint& p : piece) line.push_back({p.x, p.y});
                svg.polyline(line, Stroke{s.colour, s.width, s.opacity, s.dash});
            }
        }
        svg.end_group();
        const Stroke frame{kFrame, 1.2};
        svg.rect({kLeft, top}, plot_w, h, "none", &frame);

        // Legend, top right inside the area.
        std::vector<const Series*> named;
        for (const Series& s : panel.series)
            if (!s.name.empty()) named.push_back(&s);
        if (!named.empty()) {
            std::size_t longest = 0;
            for (const Series* s : named) longest = std::max(longest, s->name.size());
            const double box_w = 44.0 + 7.2 * static_cast<double>(longest), box_h = 8.0 + 19.0 * named.size();
            const double bx = kLeft + plot_w - box_w - 8, by = top + 8;
            const Stroke border{"#bbb", 1.0};
            svg.rect({bx, by}, box_w, box_h, "#ffffff", &border);
            for (std::size_t i = 0; i < named.size(); ++i) {
                const double y = by + 16.0 + 19.0 * static_cast<double>(i);
                svg.line({bx + 8, y - 4}, {bx + 32, y - 4},
                         Stroke{named[i]->colour, std::max(2.0, named[i]->width), std::max(0.6, named[i]->opacity),
                                named[i]->dash});
                svg.text({bx + 38, y}, named[i]->name, Font{13.0, "start"});
            }
        }
        top += h + kBelow + kGap;
        ++index;
    }
    return svg.str();
}

}  // namespace zeplo::report
