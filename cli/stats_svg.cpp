// SPDX-License-Identifier: MIT
// A picture of the group to print: the shots on a grid around the point of
// aim, the centre and the 50/90/95 % circles, with a legend. One scale for x
// and y, y upward, everything inside the picture; the file name escaped so
// that any name gives a valid document.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "output.h"
#include "stats_writers.h"

namespace cli {

namespace {

constexpr double kPlotSide = 560;  // the plot's longer side, in user units
constexpr double kMarginLeft = 64;
constexpr double kMarginRight = 28;
constexpr double kPlotTop = 48;
constexpr double kBelowPlot = 56;  // tick labels and the axis title
constexpr double kLegendLine = 20;
constexpr double kShotRadius = 4;
constexpr double kTitleCharWidth = 9.5;   // generous averages for a sans-serif font,
constexpr double kLegendCharWidth = 7.4;  // so that text never runs past the edge
constexpr double kMaxGridLines = 24;

constexpr std::string_view kStyle =
    "<style>\n"
    "text{font-family:'DejaVu Sans','Liberation Sans',Arial,sans-serif;fill:#222}\n"
    ".grid{stroke:#dcdcdc;stroke-width:1;fill:none}\n"
    ".axis{stroke:#999;stroke-width:1.2;fill:none}\n"
    ".tick{font-size:11px}\n"
    ".label{font-size:12px;fill:#555}\n"
    ".title{font-size:16px;font-weight:bold}\n"
    ".legend{font-size:13px}\n"
    ".shot{fill:#1f4e9a;fill-opacity:0.8;stroke:#0b2350;stroke-width:0.8}\n"
    ".mpi{fill:none;stroke:#c00;stroke-width:2}\n"
    ".aim{fill:none;stroke:#000;stroke-width:1.4}\n"
    ".circle50{fill:none;stroke:#2e8b3e;stroke-width:2}\n"
    ".circle90{fill:none;stroke:#e08a00;stroke-width:2}\n"
    ".circle95{fill:none;stroke:#c62828;stroke-width:2;stroke-dasharray:7 4}\n"
    "</style>\n";

// A position: at most two decimals, the period whatever the locale.
std::string Pos(double value) {
    std::string text = FixedFigure(value, 2, ".");
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text;
}

// Length and code point of the UTF-8 sequence at `i`; 0 when it is not valid.
std::size_t Utf8Sequence(std::string_view s, std::size_t i, char32_t& point) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xbf;  // the second byte's range; overlong forms and surrogates excluded
    if (lead < 0x80) {
        point = lead;
        return 1;
    }
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        point = lead & 0x1fu;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        point = lead & 0x0fu;
        low = lead == 0xe0 ? 0xa0 : 0x80;
        high = lead == 0xed ? 0x9f : 0xbf;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        point = lead & 0x07u;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    } else {
        return 0;
    }
    if (i + length > s.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = byte(i + k);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xbf)) return 0;
        point = (point << 6) | (next & 0x3fu);
    }
    return length;
}

// Text from outside as XML character data or an attribute value: markup
// characters as entities; controls, and bytes that are not UTF-8, which XML
// cannot hold, as \xHH the way a terminal shows them.
std::string XmlText(std::string_view raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size();) {
        char32_t point = 0;
        const std::size_t length = Utf8Sequence(raw, i, point);
        const bool control = point < 0x20 || (point >= 0x7f && point <= 0x9f) || point == 0xfffe || point == 0xffff;
        if (length == 0 || control) {
            const std::size_t bytes = std::max<std::size_t>(length, 1);
            out += HexEscaped(raw.substr(i, bytes));
            i += bytes;
            continue;
        }
        switch (raw[i]) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out.append(raw.substr(i, length));
        }
        i += length;
    }
    return out;
}

// Characters of a text; entities count in full, which only errs wide.
double Chars(std::string_view text) { return static_cast<double>(DisplayWidth(text)); }

// One inch, or for a wide picture the smallest of 2, 5, 10, 20, ... inches
// that keeps the grid readable.
double GridStep(double span) {
    if (span <= kMaxGridLines) return 1.0;
    const double decade = std::pow(10.0, std::floor(std::log10(span / kMaxGridLines)));
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * decade * kMaxGridLines >= span) return m * decade;
    }
    return 10.0 * decade;
}

std::string Figure(double inches) { return FixedFigure(inches, 3, "."); }

struct Attribute {
    std::string_view name;
    std::string value;  // escaped already, or a number
};

// <name a="v" .../>, or with content <name ...>content</name>, on a line of its own.
std::string Element(std::string_view name, std::initializer_list<Attribute> attributes, std::string_view content = {}) {
    std::string out = "<" + std::string(name);
    for (const Attribute& a : attributes) out += " " + std::string(a.name) + "=\"" + a.value + "\"";
    out += content.empty() ? "/>\n" : ">" + std::string(content) + "</" + std::string(name) + ">\n";
    return out;
}

// Where inches land in the picture: grid lines ix0..ix1 and iy0..iy1, `step`
// inches apart and `unit` user units apart, y flipped. Edges are counted in
// steps, so that none of them in inches can overflow.
struct Frame {
    double step, unit, left, top;
    double ix0, ix1, iy0, iy1;
    double X(double inches) const { return left + (inches / step - ix0) * unit; }
    double Y(double inches) const { return top + (iy1 - inches / step) * unit; }
    double Width() const { return (ix1 - ix0) * unit; }
    double Height() const { return (iy1 - iy0) * unit; }
};

// The point of aim, every shot and the largest circle, a little inside the grid.
Frame FrameFor(const cep::GroupStats& s, std::span<const cep::ShotPoint> shots) {
    const double r95 = s.circles.back().diameter.value / 2.0;
    double x0 = std::min(0.0, s.centre.x - r95);
    double x1 = std::max(0.0, s.centre.x + r95);
    double y0 = std::min(0.0, s.centre.y - r95);
    double y1 = std::max(0.0, s.centre.y + r95);
    for (const cep::ShotPoint& p : shots) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    Frame f{};
    f.step = GridStep(std::max(x1 - x0, y1 - y0));
    f.ix0 = std::floor(x0 / f.step - 0.15);
    f.ix1 = std::ceil(x1 / f.step + 0.15);
    f.iy0 = std::floor(y0 / f.step - 0.15);
    f.iy1 = std::ceil(y1 / f.step + 0.15);
    f.unit = kPlotSide / std::max(f.ix1 - f.ix0, f.iy1 - f.iy0);
    return f;
}

// Grid lines, the axes through the point of aim, and their labels (every
// other one when lines are close).
std::string Grid(const Frame& f) {
    const double right = f.left + f.Width();
    const double bottom = f.top + f.Height();
    const double labelEvery = std::max(1.0, std::ceil(28.0 / f.unit));
    std::string lines;
    std::string labels;
    for (double i = f.ix0; i <= f.ix1; ++i) {
        const std::string x = Pos(f.X(i * f.step));
        lines += "M" + x + " " + Pos(f.top) + "V" + Pos(bottom);
        if (std::fmod(i, labelEvery) != 0.0) continue;
        labels += Element("text", {{"class", "tick"}, {"x", x}, {"y", Pos(bottom + 16)}, {"text-anchor", "middle"}},
                          ShortestFigure(i * f.step + 0.0));
    }
    for (double i = f.iy0; i <= f.iy1; ++i) {
        const double y = f.Y(i * f.step);
        lines += "M" + Pos(f.left) + " " + Pos(y) + "H" + Pos(right);
        if (std::fmod(i, labelEvery) != 0.0) continue;
        labels += Element("text",
                          {{"class", "tick"}, {"x", Pos(f.left - 7)}, {"y", Pos(y + 4)}, {"text-anchor", "end"}},
                          ShortestFigure(i * f.step + 0.0));
    }
    const std::string unitName = f.step == 1.0 ? "inches" : "inches (grid " + ShortestFigure(f.step) + " in)";
    const std::string midX = Pos(f.left + f.Width() / 2);
    const std::string midY = Pos(f.top + f.Height() / 2);
    const std::string leftX = Pos(f.left - 48);
    return Element("path", {{"class", "grid"}, {"d", lines}}) +
           Element("path", {{"class", "axis"},
                            {"d", "M" + Pos(f.X(0)) + " " + Pos(f.top) + "V" + Pos(bottom) + "M" + Pos(f.left) + " " +
                                      Pos(f.Y(0)) + "H" + Pos(right)}}) +
           labels +
           Element("text", {{"class", "label"}, {"x", midX}, {"y", Pos(bottom + 36)}, {"text-anchor", "middle"}},
                   unitName + " right of the point of aim") +
           Element("text", {{"class", "label"}, {"x", leftX}, {"y", midY}, {"text-anchor", "middle"},
                            {"transform", "rotate(-90 " + leftX + " " + midY + ")"}},
                   unitName + " up");
}

// The cross of the centre, `size` from its middle to each end.
std::string CentreCross(const char* cls, double x, double y, double size) {
    return Element("path", {{"class", cls},
                            {"d", "M" + Pos(x - size) + " " + Pos(y - size) + "l" + Pos(2 * size) + " " +
                                      Pos(2 * size) + "M" + Pos(x - size) + " " + Pos(y + size) + "l" +
                                      Pos(2 * size) + " " + Pos(-2 * size)}});
}

}  // namespace

std::string GroupSvg(std::string_view name, const cep::GroupStats& s, std::span<const cep::ShotPoint> shots) {
    Frame f = FrameFor(s, shots);
    const std::string title =
        XmlText(name) + ": " + std::to_string(s.shots) + " shots at " + ShortestFigure(s.rangeYards) + " yards";
    std::vector<std::string> legend;
    double legendChars = 0;
    for (const cep::HitCircle& c : s.circles) {
        std::string line = std::to_string(c.percent) + "% circle: " + Figure(c.diameter.value) + " in";
        if (s.moaPerInch) line += ", " + Figure(c.diameter.value * *s.moaPerInch) + " MOA";
        line += "; " + Figure(c.diameter.low) + " to " + Figure(c.diameter.high) + " in at " +
                LevelPercent(s.level, ".") + " confidence";
        legendChars = std::max(legendChars, Chars(line));
        legend.push_back(std::move(line));
    }
    // Wide enough for the plot, the title and the legend; the plot in the middle.
    const double width = std::ceil(std::max({kMarginLeft + f.Width() + kMarginRight,
                                             40 + Chars(title) * kTitleCharWidth,
                                             76 + legendChars * kLegendCharWidth, 520.0}));
    f.left = kMarginLeft + (width - kMarginLeft - kMarginRight - f.Width()) / 2.0;
    f.top = kPlotTop;
    const double legendTop = f.top + f.Height() + kBelowPlot;
    const double height = std::ceil(legendTop + (static_cast<double>(legend.size()) + 1.0) * kLegendLine + 12.0);

    std::string svg;
    svg.reserve(4096 + shots.size() * 64);
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Pos(width) + "\" height=\"" + Pos(height) +
           "\" viewBox=\"0 0 " + Pos(width) + " " + Pos(height) + "\">\n";
    svg += Element("title", {}, title);
    svg += kStyle;
    svg += Element("rect", {{"width", Pos(width)}, {"height", Pos(height)}, {"fill", "#ffffff"}});
    svg += Grid(f);

    // The point of aim under everything, the shots in file order, then the circles and the centre,
    // which a dense group would otherwise hide.
    const double aimX = f.X(0);
    const double aimY = f.Y(0);
    svg += Element("circle", {{"class", "aim"}, {"cx", Pos(aimX)}, {"cy", Pos(aimY)}, {"r", "7"}});
    svg += Element("path", {{"class", "aim"},
                            {"d", "M" + Pos(aimX - 11) + " " + Pos(aimY) + "h22M" + Pos(aimX) + " " +
                                      Pos(aimY - 11) + "v22"}});
    const std::string shotRadius = Pos(kShotRadius);
    for (const cep::ShotPoint& p : shots) {
        svg += Element("circle",
                       {{"class", "shot"}, {"cx", Pos(f.X(p.x))}, {"cy", Pos(f.Y(p.y))}, {"r", shotRadius}});
    }
    const std::string cx = Pos(f.X(s.centre.x));
    const std::string cy = Pos(f.Y(s.centre.y));
    for (std::size_t i = s.circles.size(); i-- > 0;) {
        const cep::HitCircle& c = s.circles[i];
        svg += Element("circle", {{"class", "circle" + std::to_string(c.percent)}, {"cx", cx}, {"cy", cy},
                                  {"r", Pos(c.diameter.value / 2.0 / f.step * f.unit)}});
    }
    svg += Element("circle", {{"class", "mpi"}, {"cx", cx}, {"cy", cy}, {"r", "3"}});
    svg += CentreCross("mpi", f.X(s.centre.x), f.Y(s.centre.y), 8);

    svg += Element("text", {{"class", "title"}, {"x", "20"}, {"y", "30"}}, title);
    // The legend: a swatch and a line per circle, then the marks.
    double y = legendTop;
    for (std::size_t i = 0; i < legend.size(); ++i, y += kLegendLine) {
        svg += Element("path", {{"class", "circle" + std::to_string(s.circles[i].percent) + " key"},
                                {"d", "M20 " + Pos(y - 4) + "h28"}});
        svg += Element("text", {{"class", "legend"}, {"x", "56"}, {"y", Pos(y)}}, legend[i]);
    }
    const std::string markY = Pos(y - 4);
    svg += Element("circle", {{"class", "shot key"}, {"cx", "34"}, {"cy", markY}, {"r", shotRadius}});
    svg += Element("text", {{"class", "legend"}, {"x", "56"}, {"y", Pos(y)}}, "shot");
    svg += CentreCross("mpi key", 128, y - 4, 6);
    svg += Element("text", {{"class", "legend"}, {"x", "142"}, {"y", Pos(y)}}, "centre (mean point of impact)");
    svg += Element("circle", {{"class", "aim key"}, {"cx", "370"}, {"cy", markY}, {"r", "6"}});
    svg += Element("text", {{"class", "legend"}, {"x", "384"}, {"y", Pos(y)}}, "point of aim");
    svg += "</svg>\n";
    return svg;
}

}  // namespace cli
