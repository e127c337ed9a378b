#include "svg.hpp"

#include <cstdio>

namespace zeplo::report {
namespace {

std::string num(double v) {
    char t[32];
    std::snprintf(t, sizeof t, "%.2f", v);
    std::string s = t;
    // 12.50 -> 12.5, 12.00 -> 12, -0.00 -> 0
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

std::string stroke_attributes(const Stroke& s) {
    std::string a = " stroke=\"" + escape_xml(s.colour) + "\" stroke-width=\"" + num(s.width) + "\"";
    if (s.opacity < 1.0) a += " stroke-opacity=\"" + num(s.opacity) + "\"";
    if (!s.dash.empty()) a += " stroke-dasharray=\"" + escape_xml(s.dash) + "\"";
    return a;
}

}  // namespace

std::string escape_xml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

Svg::Svg(double width, double height) : width_(width), height_(height) {}

void Svg::line(Point a, Point b, const Stroke& stroke) {
    body_ += "<line x1=\"" + num(a.x) + "\" y1=\"" + num(a.y) + "\" x2=\"" + num(b.x) + "\" y2=\"" + num(b.y) + "\"" +
             stroke_attributes(stroke) + "/>\n";
}

void Svg::polyline(const std::vector<Point>& points, const Stroke& stroke) {
    if (points.size() < 2) return;
    body_ += "<polyline fill=\"none\" stroke-linejoin=\"round\"" + stroke_attributes(stroke) + " points=\"";
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i) body_ += ' ';
        body_ += num(points[i].x) + ',' + num(points[i].y);
    }
    body_ += "\"/>\n";
}

void Svg::rect(Point corner, double width, double height, const std::string& fill, const Stroke* stroke) {
    body_ += "<rect x=\"" + num(corner.x) + "\" y=\"" + num(corner.y) + "\" width=\"" + num(width) + "\" height=\"" +
             num(height) + "\" fill=\"" + escape_xml(fill) + "\"" + (stroke ? stroke_attributes(*stroke) : "") + "/>\n";
}

void Svg::text(Point at, std::string_view content, const Font& font) {
    body_ += "<text x=\"" + num(at.x) + "\" y=\"" + num(at.y) + "\" font-size=\"" + num(font.size) +
             "\" text-anchor=\"" + font.anchor + "\" fill=\"" + escape_xml(font.colour) + "\"";
    if (font.bold) body_ += " font-weight=\"bold\"";
    if (font.rotate != 0.0)
        body_ += " transform=\"rotate(" + num(font.rotate) + ' ' + num(at.x) + ' ' + num(at.y) + ")\"";
    body_ += '>' + escape_xml(content) + "</text>\n";
}

void Svg::begin_clipped_group(const std::string& id, Point corner, double width, double height) {
    body_ += "<clipPath id=\"" + escape_xml(id) + "\"><rect x=\"" + num(corner.x) + "\" y=\"" + num(corner.y) +
             "\" width=\"" + num(width) + "\" height=\"" + num(height) + "\"/></clipPath>\n<g clip-path=\"url(#" +
             escape_xml(id) + ")\">\n";
}

void Svg::end_group() { body_ += "</g>\n"; }

std::string Svg::str() const {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width_) + "\" height=\"" + num(height_) +
           "\" viewBox=\"0 0 " + num(width_) + ' ' + num(height_) +
           "\" font-family=\"DejaVu Sans, Arial, Helvetica, sans-serif\">\n<rect width=\"100%\" height=\"100%\" "
           "fill=\"#fff\"/>\n" +
           body_ + "</svg>\n";
}

}  // namespace zeplo::report
