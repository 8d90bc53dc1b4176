// SPDX-License-Identifier: MIT
// A picture of the group to print: the shots on a grid around the point of
// aim, the centre and the 50/90/95 % circles, with a legend. Its size is in
// inches and one inch of target is one inch of paper whenever the group fits
// a Letter or A4 page; else the title gives the scale. One scale for x and y,
// y upward, everything inside the picture; the file name escaped so that any
// name gives a valid document.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

#include "writers/escape.h"
#include "writers/stats_writers.h"

namespace cep::writers {

namespace {

// User units are CSS pixels, 96 to the inch, so that the text sizes below
// are the usual ones.
constexpr double kUnitsPerInch = 96;
// The plot's largest side on paper: with the title, the legend and margins
// the picture stays within 7.25 by 9.75 inches, which Letter and A4 both hold
// with half an inch to spare.
constexpr double kMaxPlotInches = 6.0;
constexpr double kMinPlotInches = 3.0;
constexpr double kMarginLeft = 64;
constexpr double kMarginRight = 28;
constexpr double kPlotTop = 70;
constexpr double kBelowPlot = 56;  // tick labels and the axis title
constexpr double kLegendLine = 20;
constexpr double kShotRadius = 4;
constexpr double kTitleCharWidth = 9.5;   // generous averages for a sans-serif font,
constexpr double kLegendCharWidth = 7.4;  // so that text never runs past the edge
constexpr double kMaxGridSteps = 12;
constexpr std::size_t kMostTitleChars = 48;
constexpr std::size_t kMostFlyersInLegend = 4;
// The point of aim stays in the plot unless it would make the group smaller
// than a third of the plot (and the plot larger than its least size); then
// an arrow points to it.
constexpr double kAimSpanFactor = 3;

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
    ".next95{fill:none;stroke:#555;stroke-width:1.4;stroke-dasharray:2 3}\n"
    ".ellipse{fill:none;stroke:#7b1fa2;stroke-width:1.4}\n"
    ".flyer{fill:none;stroke:#d00000;stroke-width:2}\n"
    ".left{fill:#fff;stroke:#888;stroke-width:1.2}\n"
    ".number{font-size:11px;font-weight:bold;fill:#d00000}\n"
    ".leftnumber{font-size:11px;fill:#666}\n"
    ".arrow{fill:none;stroke:#000;stroke-width:1.6}\n"
    ".head{fill:#000}\n"
    ".scale{font-size:12px;fill:#333}\n"
    "</style>\n";

// A pool's groups: a colour and a marker each, repeating after six.
constexpr std::string_view kPoolStyle =
    "<style>\n"
    ".g0{fill:#1f4e9a;stroke:#1f4e9a}.g1{fill:#2e8b3e;stroke:#2e8b3e}.g2{fill:#c25e00;stroke:#c25e00}\n"
    ".g3{fill:#7b1fa2;stroke:#7b1fa2}.g4{fill:#00838f;stroke:#00838f}.g5{fill:#8d6e00;stroke:#8d6e00}\n"
    ".mark{fill-opacity:0.8;stroke-width:0.8}\n"
    ".gcentre{fill:none;stroke-width:1.6}\n"
    "</style>\n";
constexpr std::size_t kPoolColours = 6;

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

// The bare name as the title shows it: at most kMostTitleChars characters, so
// that the picture stays within a page.
std::string TitleName(std::string_view name) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if ((static_cast<unsigned char>(name[i]) & 0xc0) != 0x80 && ++chars > kMostTitleChars) {
            return XmlText(name.substr(0, i)) + "...";
        }
    }
    return XmlText(name);
}

// 0.1, 0.25, 0.5, 1, 2, 5, 10, 20, 50, ... inches: the smallest that keeps
// the grid readable over `span`.
double GridStep(double span) {
    for (const double step : {0.1, 0.25, 0.5}) {
        if (step * kMaxGridSteps >= span) return step;
    }
    const double decade = std::pow(10.0, std::floor(std::log10(span / kMaxGridSteps)));
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * decade * kMaxGridSteps >= span) return std::max(1.0, m * decade);
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

// A rectangle in inches of target that grows to hold what is added.
struct Box {
    double x0 = std::numeric_limits<double>::infinity();
    double x1 = -std::numeric_limits<double>::infinity();
    double y0 = x0;
    double y1 = x1;
    void Add(double x, double y, double r = 0.0) {
        x0 = std::min(x0, x - r);
        x1 = std::max(x1, x + r);
        y0 = std::min(y0, y - r);
        y1 = std::max(y1, y + r);
    }
    // The box of an ellipse with these semi-axes, the major at `degrees`.
    void AddEllipse(cep::ShotPoint c, double a, double b, double degrees) {
        const double t = degrees * std::numbers::pi / 180.0;
        Add(c.x, c.y);
        const double dx = std::hypot(a * std::cos(t), b * std::sin(t));
        const double dy = std::hypot(a * std::sin(t), b * std::cos(t));
        x0 = std::min(x0, c.x - dx);
        x1 = std::max(x1, c.x + dx);
        y0 = std::min(y0, c.y - dy);
        y1 = std::max(y1, c.y + dy);
    }
    double Span() const { return std::max(x1 - x0, y1 - y0); }
};

// Where inches land in the picture: grid lines ix0..ix1 and iy0..iy1, `step`
// inches apart and `unit` user units apart, y flipped. Edges are counted in
// steps, so that none of them in inches can overflow.
struct Frame {
    double step, unit, left, top;
    double ix0, ix1, iy0, iy1;
    double scale;  // paper inches per target inch: 1, 1/2, 1/4, ...
    bool aimShown;
    double X(double inches) const { return left + (inches / step - ix0) * unit; }
    double Y(double inches) const { return top + (iy1 - inches / step) * unit; }
    double Width() const { return (ix1 - ix0) * unit; }
    double Height() const { return (iy1 - iy0) * unit; }
    double Length(double inches) const { return inches / step * unit; }
};

// The group's box, and the point of aim too unless it would shrink the group to a dot.
Frame FrameAround(const Box& group) {
    Box withAim = group;
    withAim.Add(0.0, 0.0);
    Frame f{};
    f.aimShown = withAim.Span() <= std::max(kAimSpanFactor * group.Span(), kMinPlotInches);
    const Box& box = f.aimShown ? withAim : group;
    f.step = GridStep(std::max(box.Span(), 0.05));
    f.ix0 = std::floor(box.x0 / f.step - 0.15);
    f.ix1 = std::ceil(box.x1 / f.step + 0.15);
    f.iy0 = std::floor(box.y0 / f.step - 0.15);
    f.iy1 = std::ceil(box.y1 / f.step + 0.15);
    // At least kMinPlotInches each way, the group in the middle.
    const double fewest = std::ceil(kMinPlotInches / f.step);
    for (double* edges : {&f.ix0, &f.iy0}) {
        const double missing = fewest - (edges[1] - edges[0]);
        if (missing > 0) {
            edges[0] -= std::floor(missing / 2.0);
            edges[1] += std::ceil(missing / 2.0);
        }
    }
    const double inches = std::max(f.ix1 - f.ix0, f.iy1 - f.iy0) * f.step;
    f.scale = 1.0;
    while (inches * f.scale > kMaxPlotInches) f.scale /= 2.0;
    f.unit = f.step * f.scale * kUnitsPerInch;
    return f;
}

// Every shot, the largest circles and, when the group is elongated, its
// ellipses; the point of aim too, unless it would shrink the group to a dot.
Frame FrameFor(const cep::GroupStats& s, std::span<const cep::ShotPoint> shots) {
    Box group;
    for (const cep::ShotPoint& p : shots) group.Add(p.x, p.y);
    group.Add(s.centre.x, s.centre.y, s.circles.back().diameter.value / 2.0);
    group.Add(s.centre.x, s.centre.y, s.prediction.back().diameter / 2.0);
    if (s.shape.elongated) {
        for (const cep::PredictionEllipse& e : s.shape.ellipses) {
            group.AddEllipse(s.centre, e.major / 2.0, e.minor / 2.0, s.shape.angleDegrees);
        }
    }
    return FrameAround(group);
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
                          Pos(i * f.step + 0.0));
    }
    for (double i = f.iy0; i <= f.iy1; ++i) {
        const double y = f.Y(i * f.step);
        lines += "M" + Pos(f.left) + " " + Pos(y) + "H" + Pos(right);
        if (std::fmod(i, labelEvery) != 0.0) continue;
        labels +=
            Element("text", {{"class", "tick"}, {"x", Pos(f.left - 7)}, {"y", Pos(y + 4)}, {"text-anchor", "end"}},
                    Pos(i * f.step + 0.0));
    }
    std::string axes;
    if (f.aimShown) {
        axes = Element("path", {{"class", "axis"},
                                {"d", "M" + Pos(f.X(0)) + " " + Pos(f.top) + "V" + Pos(bottom) + "M" + Pos(f.left) +
                                          " " + Pos(f.Y(0)) + "H" + Pos(right)}});
    }
    const std::string midX = Pos(f.left + f.Width() / 2);
    const std::string midY = Pos(f.top + f.Height() / 2);
    const std::string leftX = Pos(f.left - 48);
    return Element("path", {{"class", "grid"}, {"d", lines}}) + axes + labels +
           Element("text", {{"class", "label"}, {"x", midX}, {"y", Pos(bottom + 36)}, {"text-anchor", "middle"}},
                   "inches right of the point of aim") +
           Element("text",
                   {{"class", "label"},
                    {"x", leftX},
                    {"y", midY},
                    {"text-anchor", "middle"},
                    {"transform", "rotate(-90 " + leftX + " " + midY + ")"}},
                   "inches up");
}

// The cross of the centre, `size` from its middle to each end.
std::string CentreCross(const char* cls, double x, double y, double size) {
    return Element("path",
                   {{"class", cls},
                    {"d", "M" + Pos(x - size) + " " + Pos(y - size) + "l" + Pos(2 * size) + " " + Pos(2 * size) + "M" +
                              Pos(x - size) + " " + Pos(y + size) + "l" + Pos(2 * size) + " " + Pos(-2 * size)}});
}

// The point of aim drawn where it lies, or an arrow from the group towards
// it with its distance, ending inside the plot.
std::string Aim(const Frame& f, cep::ShotPoint centre, double centreOffset, double clearRadius) {
    if (f.aimShown) {
        const double x = f.X(0);
        const double y = f.Y(0);
        return Element("circle", {{"class", "aim"}, {"cx", Pos(x)}, {"cy", Pos(y)}, {"r", "7"}}) +
               Element("path", {{"class", "aim"},
                                {"d", "M" + Pos(x - 11) + " " + Pos(y) + "h22M" + Pos(x) + " " + Pos(y - 11) + "v22"}});
    }
    // Direction in the picture (y down) from the centre to the aim.
    const double dx = -centre.x / centreOffset;
    const double dy = centre.y / centreOffset;
    const double cx = f.X(centre.x);
    const double cy = f.Y(centre.y);
    // How far the ray from the centre runs before it leaves the plot, less a margin.
    double reach = std::numeric_limits<double>::infinity();
    if (dx > 0) reach = std::min(reach, (f.left + f.Width() - 14 - cx) / dx);
    if (dx < 0) reach = std::min(reach, (f.left + 14 - cx) / dx);
    if (dy > 0) reach = std::min(reach, (f.top + f.Height() - 14 - cy) / dy);
    if (dy < 0) reach = std::min(reach, (f.top + 14 - cy) / dy);
    const double start = std::min(f.Length(clearRadius) + 6.0, reach * 0.6);
    const double x0 = cx + dx * start;
    const double y0 = cy + dy * start;
    const double x1 = cx + dx * reach;
    const double y1 = cy + dy * reach;
    // The head: a triangle at the tip, 10 long and 8 wide.
    const double bx = x1 - dx * 10;
    const double by = y1 - dy * 10;
    const std::string head = "M" + Pos(x1) + " " + Pos(y1) + "L" + Pos(bx - dy * 4) + " " + Pos(by + dx * 4) + "L" +
                             Pos(bx + dy * 4) + " " + Pos(by - dx * 4) + "Z";
    return Element("path", {{"class", "arrow"}, {"d", "M" + Pos(x0) + " " + Pos(y0) + "L" + Pos(bx) + " " + Pos(by)}}) +
           Element("path", {{"class", "head"}, {"d", head}});
}

// An ellipse around the centre, its major axis at `degrees` from horizontal
// (counter-clockwise on paper, hence the minus with y downward).
std::string EllipseElement(const Frame& f, const cep::GroupStats& s, const cep::PredictionEllipse& e) {
    const std::string cx = Pos(f.X(s.centre.x));
    const std::string cy = Pos(f.Y(s.centre.y));
    return Element("ellipse", {{"class", "ellipse"},
                               {"cx", cx},
                               {"cy", cy},
                               {"rx", Pos(f.Length(e.major / 2.0))},
                               {"ry", Pos(f.Length(e.minor / 2.0))},
                               {"transform", "rotate(" + Pos(-s.shape.angleDegrees) + " " + cx + " " + cy + ")"}});
}

// Sizes in whole sixteenths of an inch, so that the inches given as the
// picture's size are exact and the scale on paper is too.
double WholeSixteenths(double units) { return std::ceil(units / (kUnitsPerInch / 16)) * (kUnitsPerInch / 16); }
std::string Inches(double units) {
    std::string text = FixedFigure(units / kUnitsPerInch, 4, ".");
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text;
}

std::string ScaleText(const Frame& f) {
    const std::string grid = "; grid " + Pos(f.step) + " in";
    if (f.scale == 1.0) return "True scale: printed at 100%, one inch on paper is one inch of target" + grid;
    return "Printed at 100%, one inch on paper is " + ShortestFigure(1.0 / f.scale) + " inches of target" + grid;
}

// Places the plot in a picture wide enough for it, the title and the widest
// legend line, in the middle; returns the picture's width.
double PlaceFrame(Frame& f, const std::string& title, double legendChars) {
    const double width =
        WholeSixteenths(std::max({kMarginLeft + f.Width() + kMarginRight, 40 + Chars(title) * kTitleCharWidth,
                                  76 + legendChars * kLegendCharWidth, 520.0}));
    f.left = kMarginLeft + (width - kMarginLeft - kMarginRight - f.Width()) / 2.0;
    f.top = kPlotTop;
    return width;
}

// The circles about a centre, largest first so that none hides another (the
// next shots' 95 %, then the hit circles), and the centre's mark over them.
std::string CentreCircles(const Frame& f, cep::ShotPoint centre, const std::array<cep::HitCircle, 3>& circles,
                          const cep::PredictionCircle& next) {
    const std::string cx = Pos(f.X(centre.x));
    const std::string cy = Pos(f.Y(centre.y));
    std::string svg =
        Element("circle", {{"class", "next95"}, {"cx", cx}, {"cy", cy}, {"r", Pos(f.Length(next.diameter / 2.0))}});
    for (std::size_t i = circles.size(); i-- > 0;) {
        const cep::HitCircle& c = circles[i];
        svg += Element("circle", {{"class", "circle" + std::to_string(c.percent)},
                                  {"cx", cx},
                                  {"cy", cy},
                                  {"r", Pos(f.Length(c.diameter.value / 2.0))}});
    }
    svg += Element("circle", {{"class", "mpi"}, {"cx", cx}, {"cy", cy}, {"r", "3"}});
    svg += CentreCross("mpi", f.X(centre.x), f.Y(centre.y), 8);
    return svg;
}

// The title, the scale line, and the legend: a swatch and a line each, from
// `y` on; `y` is left under the last line.
std::string TitleAndLegend(const Frame& f, const std::string& title,
                           const std::vector<std::pair<std::string, std::string>>& legend, double& y) {
    std::string svg = Element("text", {{"class", "title"}, {"x", "20"}, {"y", "30"}}, title);
    svg += Element("text", {{"class", "scale"}, {"x", "20"}, {"y", "50"}}, ScaleText(f));
    for (const auto& [swatch, text] : legend) {
        svg += Element("path", {{"class", swatch + " key"}, {"d", "M20 " + Pos(y - 4) + "h28"}});
        svg += Element("text", {{"class", "legend"}, {"x", "56"}, {"y", Pos(y)}}, text);
        y += kLegendLine;
    }
    return svg;
}

// One group's picture without its document: its size, title and elements.
struct Drawing {
    double width = 0.0;
    double height = 0.0;
    std::string title;
    std::string body;
};

std::string Header(double width, double height, std::string_view title) {
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Inches(width) + "in\" height=\"" + Inches(height) +
           "in\" viewBox=\"0 0 " + Pos(width) + " " + Pos(height) + "\">\n";
    svg += Element("title", {}, title);
    svg += kStyle;
    return svg;
}

Drawing Draw(std::string_view name, const cep::GroupStats& s, const cep::ShotTable& table) {
    const std::span<const cep::ShotPoint> shots(table.data(), static_cast<std::size_t>(s.shots) + s.excluded.size());
    Frame f = FrameFor(s, shots);
    const std::string title = TitleName(name) + ": " + std::to_string(s.shots) + " shots at " +
                              ShortestFigure(s.rangeYards) + " yards" +
                              (s.excluded.empty() ? "" : " (" + std::to_string(s.excluded.size()) + " left out)") +
                              (f.scale == 1.0 ? "" : ", scale 1:" + ShortestFigure(1.0 / f.scale));
    std::vector<std::pair<std::string, std::string>> legend;  // swatch class, text
    const auto inches = [&](double value) {
        std::string text = Figure(value) + " in";
        if (s.moaPerInch) text += ", " + Figure(value * *s.moaPerInch) + " MOA";
        return text;
    };
    for (const cep::HitCircle& c : s.circles) {
        legend.emplace_back("circle" + std::to_string(c.percent),
                            std::to_string(c.percent) + "% circle, diameter " + inches(c.diameter.value) + " (" +
                                Figure(c.diameter.low) + " to " + Figure(c.diameter.high) + " in at " +
                                LevelPercent(s.level, ".") + ")");
    }
    const cep::PredictionCircle& next = s.prediction.back();
    legend.emplace_back("next95",
                        "next shots, " + std::to_string(next.percent) + "% circle, diameter " + inches(next.diameter));
    // Each flyer by its number and how far out it lies; a handful at most,
    // so that the legend stays on the page.
    const std::vector<cep::Note> notes = cep::GroupNotes(s);
    std::size_t flyers = 0;
    for (const cep::Note& note : notes) {
        if (note.kind != cep::NoteKind::Flyer || ++flyers > kMostFlyersInLegend) continue;
        legend.emplace_back(
            "flyer", "flyer: shot " + std::to_string(note.flyer.shot) + ", " + Figure(note.flyer.distance) +
                         " in from the others' centre; they predict at most " + Figure(note.flyer.limit) + " in");
    }
    if (flyers > kMostFlyersInLegend) {
        legend.emplace_back("flyer", "and " + std::to_string(flyers - kMostFlyersInLegend) + " more flyers");
    }
    if (!f.aimShown) {
        legend.emplace_back("arrow", "to the point of aim, " + Figure(s.centreOffset) + " in from the centre");
    }
    for (const cep::Note& note : notes) {
        if (note.kind != cep::NoteKind::Elongated) continue;
        const cep::PredictionEllipse& e = s.shape.ellipses.back();
        legend.emplace_back("ellipse", "elongated: next shots, 50/90/95% ellipses; 95% " + Figure(e.major) + " x " +
                                           Figure(e.minor) + " in");
    }
    double legendChars = 0;
    for (const auto& line : legend) legendChars = std::max(legendChars, Chars(line.second));
    const double width = PlaceFrame(f, title, legendChars);
    const double legendTop = f.top + f.Height() + kBelowPlot;
    const double marks = 1.0 + (s.flyers.empty() && s.excluded.empty() ? 0.0 : 1.0);
    const double height =
        WholeSixteenths(legendTop + (static_cast<double>(legend.size()) + marks) * kLegendLine + 12.0);

    std::string svg;
    svg.reserve(4096 + shots.size() * 64);
    svg += Element("rect", {{"width", Pos(width)}, {"height", Pos(height)}, {"fill", "#ffffff"}});
    svg += Grid(f);

    // The point of aim under everything, the shots in file order, then the
    // circles and the centre, which a dense group would otherwise hide.
    svg += Aim(f, s.centre, s.centreOffset, s.prediction.back().diameter / 2.0);
    const std::string shotRadius = Pos(kShotRadius);
    std::size_t nextLeftOut = 0;
    std::string numbers;
    for (std::size_t i = 0; i < shots.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        const std::string x = Pos(f.X(shots[i].x));
        const std::string y = Pos(f.Y(shots[i].y));
        const bool leftOut = nextLeftOut < s.excluded.size() && s.excluded[nextLeftOut] == number;
        nextLeftOut += leftOut ? 1 : 0;
        svg += Element("circle", {{"class", leftOut ? "left" : "shot"}, {"cx", x}, {"cy", y}, {"r", shotRadius}});
        if (leftOut) {
            numbers += Element(
                "text", {{"class", "leftnumber"}, {"x", Pos(f.X(shots[i].x) + 7)}, {"y", Pos(f.Y(shots[i].y) - 6)}},
                std::to_string(number));
        }
    }
    for (const cep::Flyer& flyer : s.flyers) {
        const cep::ShotPoint& p = shots[static_cast<std::size_t>(flyer.shot - 1)];
        svg += Element("circle", {{"class", "flyer"}, {"cx", Pos(f.X(p.x))}, {"cy", Pos(f.Y(p.y))}, {"r", "9"}});
        numbers += Element("text", {{"class", "number"}, {"x", Pos(f.X(p.x) + 11)}, {"y", Pos(f.Y(p.y) - 9)}},
                           std::to_string(flyer.shot));
    }
    svg += numbers;
    if (s.shape.elongated) {
        for (const cep::PredictionEllipse& e : s.shape.ellipses) svg += EllipseElement(f, s, e);
    }
    svg += CentreCircles(f, s.centre, s.circles, next);
    // The legend: a swatch and a line per circle, then the marks.
    double y = legendTop;
    svg += TitleAndLegend(f, title, legend, y);
    const std::string markY = Pos(y - 4);
    svg += Element("circle", {{"class", "shot key"}, {"cx", "34"}, {"cy", markY}, {"r", shotRadius}});
    svg += Element("text", {{"class", "legend"}, {"x", "56"}, {"y", Pos(y)}}, "shot");
    svg += CentreCross("mpi key", 128, y - 4, 6);
    svg += Element("text", {{"class", "legend"}, {"x", "142"}, {"y", Pos(y)}}, "centre (mean point of impact)");
    svg += Element("circle", {{"class", "aim key"}, {"cx", "370"}, {"cy", markY}, {"r", "6"}});
    svg += Element("text", {{"class", "legend"}, {"x", "384"}, {"y", Pos(y)}}, "point of aim");
    if (!s.flyers.empty() || !s.excluded.empty()) {
        y += kLegendLine;
        const std::string rowY = Pos(y - 4);
        svg += Element("circle", {{"class", "flyer key"}, {"cx", "34"}, {"cy", rowY}, {"r", "7"}});
        svg += Element("text", {{"class", "legend"}, {"x", "56"}, {"y", Pos(y)}}, "flyer, with its number");
        svg += Element("circle", {{"class", "left key"}, {"cx", "252"}, {"cy", rowY}, {"r", shotRadius}});
        svg += Element("text", {{"class", "legend"}, {"x", "266"}, {"y", Pos(y)}}, "shot left out, with its number");
    }
    return {width, height, title, std::move(svg)};
}

// Between two pictures side by side: a quarter of an inch.
constexpr double kPairGap = 24.0;

}  // namespace

std::string GroupSvg(std::string_view name, const cep::GroupStats& s, const cep::ShotTable& shots) {
    const Drawing d = Draw(name, s, shots);
    return Header(d.width, d.height, d.title) + d.body + "</svg>\n";
}

std::string PairSvg(const NamedStats& a, const NamedStats& b) {
    const Drawing left = Draw(a.name, a.stats.value(), a.shots);
    const Drawing right = Draw(b.name, b.stats.value(), b.shots);
    const double width = left.width + kPairGap + right.width;
    const double height = std::max(left.height, right.height);
    std::string svg = Header(width, height, left.title + " | " + right.title);
    svg += Element("rect", {{"width", Pos(width)}, {"height", Pos(height)}, {"fill", "#ffffff"}});
    svg += "<g>\n" + Element("title", {}, left.title) + left.body + "</g>\n";
    svg += "<g transform=\"translate(" + Pos(left.width + kPairGap) + " 0)\">\n" + Element("title", {}, right.title) +
           right.body + "</g>\n";
    svg += "</svg>\n";
    return svg;
}

namespace {

// Group `g`'s marker at (x, y): circle, square, triangle, diamond, then
// upside-down triangle and a plus, each about a shot's size.
std::string Marker(std::size_t g, double x, double y, const std::string& cls) {
    const double r = kShotRadius;
    switch (g % 6) {
    case 0: return Element("circle", {{"class", cls}, {"cx", Pos(x)}, {"cy", Pos(y)}, {"r", Pos(r)}});
    case 1:
        return Element(
            "rect",
            {{"class", cls}, {"x", Pos(x - r)}, {"y", Pos(y - r)}, {"width", Pos(2 * r)}, {"height", Pos(2 * r)}});
    case 2:
        return Element("path", {{"class", cls},
                                {"d", "M" + Pos(x) + " " + Pos(y - r - 1) + "L" + Pos(x + r + 1) + " " + Pos(y + r) +
                                          "H" + Pos(x - r - 1) + "Z"}});
    case 3:
        return Element("path", {{"class", cls},
                                {"d", "M" + Pos(x) + " " + Pos(y - r - 1) + "L" + Pos(x + r + 1) + " " + Pos(y) + "L" +
                                          Pos(x) + " " + Pos(y + r + 1) + "L" + Pos(x - r - 1) + " " + Pos(y) + "Z"}});
    case 4:
        return Element("path", {{"class", cls},
                                {"d", "M" + Pos(x) + " " + Pos(y + r + 1) + "L" + Pos(x + r + 1) + " " + Pos(y - r) +
                                          "H" + Pos(x - r - 1) + "Z"}});
    default:
        return Element("path", {{"class", cls},
                                {"d", "M" + Pos(x - r - 1) + " " + Pos(y - 1.5) + "h" + Pos(2 * r + 2) + "v3h" +
                                          Pos(-2 * r - 2) + "ZM" + Pos(x - 1.5) + " " + Pos(y - r - 1) + "v" +
                                          Pos(2 * r + 2) + "h3v" + Pos(-2 * r - 2) + "Z"}});
    }
}

}  // namespace

std::string PoolSvg(std::span<const NamedStats> files, const cep::PoolStats& pool) {
    Box box;
    std::vector<const NamedStats*> groups;
    for (const NamedStats& file : files) {
        if (!file.stats) continue;
        groups.push_back(&file);
        const cep::GroupStats& g = file.stats.value();
        const std::span<const cep::ShotPoint> shots(file.shots.data(), static_cast<std::size_t>(g.shots));
        for (const cep::ShotPoint& p : shots) box.Add(p.x, p.y);
    }
    box.Add(pool.centre.x, pool.centre.y, pool.circles.back().diameter.value / 2.0);
    box.Add(pool.centre.x, pool.centre.y, pool.prediction.back().diameter / 2.0);
    Frame f = FrameAround(box);
    const std::string title = "Pool of " + std::to_string(pool.groups) + " groups, " + std::to_string(pool.shots) +
                              " shots at " + ShortestFigure(pool.rangeYards) + " yards" +
                              (f.scale == 1.0 ? "" : ", scale 1:" + ShortestFigure(1.0 / f.scale));
    const auto inches = [&](double value) {
        std::string text = Figure(value) + " in";
        if (pool.moaPerInch) text += ", " + Figure(value * *pool.moaPerInch) + " MOA";
        return text;
    };
    // Swatch lines for the circles, then a marker line per group.
    std::vector<std::pair<std::string, std::string>> legend;
    for (const cep::HitCircle& c : pool.circles) {
        legend.emplace_back("circle" + std::to_string(c.percent),
                            "pooled " + std::to_string(c.percent) + "% circle, diameter " + inches(c.diameter.value) +
                                " (" + Figure(c.diameter.low) + " to " + Figure(c.diameter.high) + " in at " +
                                LevelPercent(pool.level, ".") + ")");
    }
    const cep::PredictionCircle& next = pool.prediction.back();
    legend.emplace_back("next95",
                        "next shots, " + std::to_string(next.percent) + "% circle, diameter " + inches(next.diameter));
    if (!f.aimShown) {
        legend.emplace_back("arrow", "to the point of aim, " + Figure(pool.centreOffset) + " in from the centre");
    }
    std::vector<std::string> names;
    for (const NamedStats* g : groups) {
        const cep::GroupStats& s = g->stats.value();
        names.push_back(TitleName(g->name) + ": " + std::to_string(s.shots) + " shots, sigma " + Figure(s.sigma.value) +
                        " in, centre (" + Figure(s.centre.x) + ", " + Figure(s.centre.y) + ")");
    }
    double legendChars = 0;
    for (const auto& line : legend) legendChars = std::max(legendChars, Chars(line.second));
    for (const std::string& name : names) legendChars = std::max(legendChars, Chars(name));
    const double width = PlaceFrame(f, title, legendChars);
    const double legendTop = f.top + f.Height() + kBelowPlot;
    const double height =
        WholeSixteenths(legendTop + (static_cast<double>(legend.size() + names.size()) + 2.0) * kLegendLine + 12.0);

    std::string svg;
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Inches(width) + "in\" height=\"" + Inches(height) +
           "in\" viewBox=\"0 0 " + Pos(width) + " " + Pos(height) + "\">\n";
    svg += Element("title", {}, title);
    svg += kStyle;
    svg += kPoolStyle;
    svg += Element("rect", {{"width", Pos(width)}, {"height", Pos(height)}, {"fill", "#ffffff"}});
    svg += Grid(f);
    svg += Aim(f, pool.centre, pool.centreOffset, next.diameter / 2.0);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const cep::GroupStats& s = groups[g]->stats.value();
        const std::string cls = "mark g" + std::to_string(g % kPoolColours);
        for (std::size_t i = 0; i < static_cast<std::size_t>(s.shots); ++i) {
            svg += Marker(g, f.X(groups[g]->shots[i].x), f.Y(groups[g]->shots[i].y), cls);
        }
    }
    // Each group's centre, a cross in its colour.
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const cep::GroupStats& s = groups[g]->stats.value();
        svg +=
            CentreCross(("gcentre g" + std::to_string(g % kPoolColours)).c_str(), f.X(s.centre.x), f.Y(s.centre.y), 6);
    }
    svg += CentreCircles(f, pool.centre, pool.circles, next);
    double y = legendTop;
    svg += TitleAndLegend(f, title, legend, y);
    for (std::size_t g = 0; g < names.size(); ++g) {
        svg += Marker(g, 34, y - 4, "mark g" + std::to_string(g % kPoolColours) + " key");
        svg += Element("text", {{"class", "legend"}, {"x", "56"}, {"y", Pos(y)}}, names[g]);
        y += kLegendLine;
    }
    svg += CentreCross("mpi key", 34, y - 4, 6);
    svg += Element("text", {{"class", "legend"}, {"x", "56"}, {"y", Pos(y)}},
                   "centre of all shots; crosses: each group's centre");
    y += kLegendLine;
    svg += Element("circle", {{"class", "aim key"}, {"cx", "34"}, {"cy", Pos(y - 4)}, {"r", "6"}});
    svg += Element("text", {{"class", "legend"}, {"x", "56"}, {"y", Pos(y)}}, "point of aim");
    svg += "</svg>\n";
    return svg;
}

}  // namespace cep::writers
