// SPDX-License-Identifier: MIT
// The text a shooter reads: a table per group, figures with three decimals
// and, as in the window, the user's decimal separator.
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "core/group_notes.h"
#include "writers/escape.h"

#include "writers/stats_writers.h"

namespace cep::writers {

namespace {

std::string WithSeparator(std::string text, std::string_view separator) {
    const auto point = text.find('.');
    if (point != std::string::npos) text.replace(point, 1, separator);
    return text;
}

// A few significant digits, for F and p whose size varies widely.
std::string Significant(double value, int digits, std::string_view separator) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    return WithSeparator(std::string(buffer, result.ptr), separator);
}

// The usual figures the quick way, without to_chars's cost, which counts
// over thousands of files: the product with the power of ten, rounded once,
// lies on the same side of every half as the true product, so rounding it to
// a whole number rounds the value, unless it is itself a half; to_chars
// decides those. Returns false for what it leaves to to_chars.
bool AppendFixedQuickly(std::string& out, double value, int decimals, std::string_view separator) {
    static constexpr double kScales[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
    static constexpr std::int64_t kDivisors[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
    if (decimals < 0 || decimals > 6 || separator.size() > 8 || !(std::fabs(value) < 1e9)) return false;
    const double product = value * kScales[decimals];
    const double whole = std::nearbyint(product);
    if (std::fabs(product - whole) == 0.5) return false;
    const auto scaled = static_cast<std::int64_t>(whole);
    const std::int64_t magnitude = scaled < 0 ? -scaled : scaled;
    // Put together in place and appended once.
    char text[48];
    char* end = text;
    if (scaled < 0) *end++ = '-';
    end = std::to_chars(end, text + 24, magnitude / kDivisors[decimals]).ptr;
    if (decimals > 0) {
        end = std::copy(separator.begin(), separator.end(), end);
        std::int64_t rest = magnitude % kDivisors[decimals];
        for (int i = decimals; i-- > 0; rest /= 10) end[i] = static_cast<char>('0' + rest % 10);
        end += decimals;
    }
    out.append(text, static_cast<std::size_t>(end - text));
    return true;
}

// Appends `value` with `decimals` decimals; a value that rounds to zero has
// no minus sign.
void AppendFixed(std::string& out, double value, int decimals, std::string_view separator) {
    if (AppendFixedQuickly(out, value, decimals, separator)) return;
    char buffer[400];  // the largest double has 309 integer digits
    const char* end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals).ptr;
    const char* begin = buffer;
    if (*begin == '-' && std::find_if(begin, end, [](char c) { return c >= '1' && c <= '9'; }) == end) ++begin;
    const char* point = std::find(begin, end, '.');
    out.append(begin, point);
    if (point != end) {
        out += separator;
        out.append(point + 1, end);
    }
}

// The table of one group. Its text is gathered in one buffer and its cells
// refer to it, so that a block costs a handful of allocations, which counts
// over thousands of files.
class Table {
public:
    Table(const cep::GroupStats& stats, std::string_view separator)
        : Table(stats.moaPerInch, stats.milPerInch, separator) {}
    Table(const std::optional<double>& moaPerInch, const std::optional<double>& milPerInch, std::string_view separator)
        : separator_(separator) {
        // Inches, then MOA and mil when there is a range to turn them into angles.
        scales_[0] = 1.0;
        if (moaPerInch && milPerInch) {
            scales_[1] = *moaPerInch;
            scales_[2] = *milPerInch;
            columns_ = 3;
        }
        text_.reserve(1024);
        Row& header = NewRow("");
        const char* units[] = {"inches", "MOA", "mil"};
        for (std::size_t c = 0; c < columns_; ++c) header.cells[c].figure = Put(units[c]);
    }

    void Add(std::string_view label, double inches, const cep::Estimate* interval = nullptr) {
        Row& row = NewRow(label);
        for (std::size_t c = 0; c < columns_; ++c) {
            const std::size_t start = text_.size();
            AppendFixed(text_, inches * scales_[c], 3, separator_);
            row.cells[c].figure = Measure(start);
            if (interval == nullptr) continue;
            const std::size_t from = text_.size();
            text_ += " (";
            AppendFixed(text_, interval->low * scales_[c], 3, separator_);
            text_ += " to ";
            AppendFixed(text_, interval->high * scales_[c], 3, separator_);
            text_ += ")";
            row.cells[c].interval = Measure(from);
        }
    }

    // The rows as lines: labels to the left, figures right-aligned so that
    // their decimals line up, each interval after its figure.
    void AppendTo(std::string& out) const {
        std::size_t labelWidth = 0;
        std::array<std::size_t, 3> figureWidth{};
        std::array<std::size_t, 3> cellWidth{};
        for (const Row& row : Rows()) {
            labelWidth = std::max(labelWidth, row.label.width);
            for (std::size_t c = 0; c < columns_; ++c) {
                figureWidth[c] = std::max(figureWidth[c], row.cells[c].figure.width);
            }
        }
        for (const Row& row : Rows()) {
            for (std::size_t c = 0; c < columns_; ++c) {
                cellWidth[c] = std::max(cellWidth[c], figureWidth[c] + row.cells[c].interval.width);
            }
        }
        // The lines are written in place, in room made once: appending piece
        // by piece cost more than all the figures over thousands of files.
        std::size_t room = 0;
        for (const Row& row : Rows()) {
            room += row.label.size + labelWidth + 1;
            for (std::size_t c = 0; c < columns_; ++c) {
                room += 2 + cellWidth[c] + row.cells[c].figure.size + row.cells[c].interval.size;
            }
        }
        const std::size_t start = out.size();
        out.resize(start + room);
        char* p = out.data() + start;
        const auto put = [&](const Piece& piece) {
            std::memcpy(p, text_.data() + piece.at, piece.size);
            p += piece.size;
        };
        const auto pad = [&](std::size_t blanks) {
            std::memset(p, ' ', blanks);
            p += blanks;
        };
        for (const Row& row : Rows()) {
            char* const lineStart = p;
            put(row.label);
            pad(labelWidth - row.label.width);
            for (std::size_t c = 0; c < columns_; ++c) {
                const Cell& cell = row.cells[c];
                pad(2 + figureWidth[c] - cell.figure.width);
                put(cell.figure);
                put(cell.interval);
                if (c + 1 < columns_) pad(cellWidth[c] - figureWidth[c] - cell.interval.width);
            }
            while (p != lineStart && p[-1] == ' ') --p;
            *p++ = '\n';
        }
        out.resize(static_cast<std::size_t>(p - out.data()));
    }

private:
    struct Piece {
        std::size_t at = 0, size = 0, width = 0;
    };
    struct Cell {
        Piece figure, interval;
    };
    struct Row {
        Piece label;
        std::array<Cell, 3> cells;
    };

    Row& NewRow(std::string_view label) {
        Row& row = rows_.at(rowCount_++);
        row.label = Put(label);
        return row;
    }
    Piece Put(std::string_view text) {
        const std::size_t start = text_.size();
        text_ += text;
        return Measure(start);
    }
    Piece Measure(std::size_t start) const {
        const std::string_view piece = std::string_view(text_).substr(start);
        // Labels and figures are ASCII but for the separator.
        return {start, piece.size(), separator_.size() == 1 ? piece.size() : DisplayWidth(piece)};
    }

    std::string_view separator_;
    std::array<double, 3> scales_{};
    std::size_t columns_ = 1;
    std::string text_;
    std::array<Row, 20> rows_{};  // the units, then each figure
    std::size_t rowCount_ = 0;
    std::span<const Row> Rows() const { return {rows_.data(), rowCount_}; }
};

void AppendHeading(std::string& out, std::string_view shownName, const cep::GroupStats& s, std::string_view separator) {
    // What follows the shot count is the same for every file of a call, so
    // it is put into words once.
    thread_local std::uint64_t range = 0;
    thread_local std::uint64_t level = 0;
    thread_local std::string separatorBefore;
    thread_local std::string tail;
    if (tail.empty() || std::bit_cast<std::uint64_t>(s.rangeYards) != range ||
        std::bit_cast<std::uint64_t>(s.level) != level || separator != separatorBefore) {
        range = std::bit_cast<std::uint64_t>(s.rangeYards);
        level = std::bit_cast<std::uint64_t>(s.level);
        separatorBefore = separator;
        tail = " shots at " + ShortestFigure(s.rangeYards, separator) + " yards, intervals at " +
               LevelPercent(s.level, separator) + " confidence, circles as diameters\n";
    }
    out += shownName;
    out += ": ";
    out += std::to_string(s.shots);
    out += tail;
}

// "4", "4 and 7", "4, 7 and 9".
std::string Numbers(const std::vector<int>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) text += i + 1 == numbers.size() ? " and " : ", ";
        text += std::to_string(numbers[i]);
    }
    return text;
}

std::string Inches(double value, std::string_view separator) { return FixedFigure(value, 3, separator) + " in"; }

// A note's line, without its line feed; a comparison's notes name their
// group by its letter and its shown name.
std::string NoteLine(const cep::Note& note, std::string_view separator, std::string_view shownA,
                     std::string_view shownB) {
    const std::string group =
        note.group == cep::NoteGroup::Alone
            ? std::string()
            : (note.group == cep::NoteGroup::A ? "A (" + std::string(shownA) : "B (" + std::string(shownB)) + ")";
    switch (note.kind) {
    case cep::NoteKind::DataWarning:
        return "line " + std::to_string(note.warning.line) + ": " + EscapeControls(note.warning.text);
    case cep::NoteKind::LeftOut:
        return std::string("Left out on request: shot") + (note.shots.size() > 1 ? "s " : " ") + Numbers(note.shots) +
               "; the figures are of the other " + std::to_string(note.remaining) + ".";
    case cep::NoteKind::Flyer:
        if (!group.empty()) {
            return group + " has a flyer, shot " + std::to_string(note.flyer.shot) + ", which makes its sigma larger.";
        }
        return "Flyer: shot " + std::to_string(note.flyer.shot) + " is " + Inches(note.flyer.distance, separator) +
               " from the others' centre; they predict at most " + Inches(note.flyer.limit, separator) +
               ". It is in the figures.";
    case cep::NoteKind::Elongated:
        if (!group.empty()) return group + " is elongated; this comparison assumes round groups.";
        return "Elongated group: the circle figures assume a round group.";
    case cep::NoteKind::SpreadsDiffer:
        return "The spreads differ more than chance allows (p = " + Significant(note.p, 3, separator) +
               "): pooling assumes one rifle, load and shooter.";
    case cep::NoteKind::CentreMoved:
        return "The centre moved between groups (p = " + Significant(note.p, 3, separator) +
               "; zero, wind, position): the pooled sigma counts only the spread within groups.";
    case cep::NoteKind::OffsetUnproven:
        return "These shots cannot tell the offset from zero: " + Inches(note.offset, separator) +
               " is within the centre's own uncertainty at " + LevelPercent(note.level, separator) + " confidence (" +
               Inches(note.radius, separator) + ").";
    }
    return {};
}

// The lines under the table: what the figures include and what they assume.
void AppendNotes(std::string& out, const cep::GroupStats& s, std::string_view separator) {
    const cep::GroupShape& shape = s.shape;
    out += "Major axis at " + FixedFigure(shape.angleDegrees, 1, separator) +
           " degrees from horizontal; roundness p = " + Significant(shape.pRound, 3, separator) +
           " (elongated below 0" + std::string(separator) + "01)\n";
    for (const cep::Note& note : cep::GroupNotes(s)) out += NoteLine(note, separator, {}, {}) + "\n";
    if (shape.elongated) {
        out += "Next shots, ellipses along " + FixedFigure(shape.angleDegrees, 1, separator) +
               " degrees (length x width):\n";
        // Lengths right-aligned, so that the x's stand in one column.
        std::vector<std::array<std::string, 4>> rows;
        std::array<std::size_t, 4> widths{};
        for (const cep::PredictionEllipse& e : shape.ellipses) {
            std::array<std::string, 4> row = {FixedFigure(e.major, 3, separator), FixedFigure(e.minor, 3, separator)};
            if (s.moaPerInch) {
                row[2] = FixedFigure(e.major * *s.moaPerInch, 3, separator);
                row[3] = FixedFigure(e.minor * *s.moaPerInch, 3, separator);
            }
            for (std::size_t c = 0; c < 4; ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
            rows.push_back(std::move(row));
        }
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const auto cell = [&](std::size_t c) {
                return std::string(widths[c] - DisplayWidth(rows[r][c]), ' ') + rows[r][c];
            };
            out += "  " + std::to_string(shape.ellipses[r].percent) + "%  " + cell(0) + " x " + cell(1) + " in";
            if (s.moaPerInch) out += "  (" + cell(2) + " x " + cell(3) + " MOA)";
            out += "\n";
        }
    }
}

std::string Percent(double share, std::string_view separator) { return FixedFigure(100.0 * share, 1, separator) + "%"; }

// "1/4 MOA", "0.1 mil", "0.5 in at 100 yards".
std::string ClickName(const cep::ClickValue& click, std::string_view separator) {
    switch (click.unit) {
    case cep::ClickUnit::Moa: {
        const double per = 1.0 / click.value;
        if (per == std::floor(per) && per >= 2.0 && per < 1e6 && 1.0 / per == click.value) {
            return "1/" + ShortestFigure(per, separator) + " MOA";
        }
        return ShortestFigure(click.value, separator) + " MOA";
    }
    case cep::ClickUnit::Mil: return ShortestFigure(click.value, separator) + " mil";
    case cep::ClickUnit::Inch: return ShortestFigure(click.value, separator) + " in at 100 yards";
    }
    return {};
}

std::string Clicks(long long count, std::string_view positive, std::string_view negative) {
    const long long magnitude = count < 0 ? -count : count;
    return std::to_string(magnitude) + (magnitude == 1 ? " click " : " clicks ") +
           std::string(count < 0 ? negative : positive);
}

// "0.800 in left" for a move of -0.8 to the right.
std::string Move(double value, std::string_view unit, std::string_view positive, std::string_view negative,
                 std::string_view separator) {
    const std::string figure = FixedFigure(std::fabs(value), 3, separator);
    return figure + " " + std::string(unit) + " " +
           std::string(value < 0.0 && figure != FixedFigure(0.0, 3, separator) ? negative : positive);
}

void AppendAdvice(std::string& out, const cep::Advice& advice, std::string_view separator) {
    const cep::Correction& c = advice.correction;
    out += "Move to the point of aim at x " + FixedFigure(c.aim.x, 3, separator) + ", y " +
           FixedFigure(c.aim.y, 3, separator) + ": " + Move(c.moveRight, "in", "right", "left", separator) + ", " +
           Move(c.moveUp, "in", "up", "down", separator);
    if (c.moveRightMoa && c.moveUpMoa && c.moveRightMil && c.moveUpMil) {
        out += " (" + Move(*c.moveRightMoa, "MOA", "right", "left", separator) + ", " +
               Move(*c.moveUpMoa, "MOA", "up", "down", separator) + "; " +
               Move(*c.moveRightMil, "mil", "right", "left", separator) + ", " +
               Move(*c.moveUpMil, "mil", "up", "down", separator) + ")";
    }
    out += "\n";
    const std::string clickName = ClickName(c.click, separator);
    const std::string clicksOf =
        c.click.unit == cep::ClickUnit::Inch ? "clicks of " + clickName : clickName + " clicks";
    if (c.clicksRight && c.clicksUp) {
        std::string clicks;
        if (*c.clicksUp != 0) clicks = Clicks(*c.clicksUp, "UP", "DOWN");
        if (*c.clicksRight != 0) clicks += (clicks.empty() ? "" : ", ") + Clicks(*c.clicksRight, "RIGHT", "LEFT");
        out += "Clicks: " + (clicks.empty() ? std::string("none") : clicks) + " (" + clicksOf + ")\n";
    } else {
        out += "Clicks: a range in yards is needed to turn the move into " + clicksOf + ".\n";
    }
    if (c.calledFor) {
        out += "The offset, " + Inches(c.offset, separator) + ", is beyond the centre's own uncertainty at " +
               LevelPercent(c.level, separator) + " confidence (" + Inches(c.uncertainty, separator) +
               "): the correction is called for.\n";
    }
    for (const cep::Note& note : cep::CorrectionNotes(c)) out += NoteLine(note, separator, {}, {}) + "\n";
    if (advice.targetNeedsRange) { out += "Chance of a hit: a target given as an angle needs a range in yards.\n"; }
    if (advice.hit) {
        const cep::HitChance& hit = *advice.hit;
        out += "Target: a circle " + Inches(hit.diameter, separator) + " across about the point of aim\n";
        out += "Chance of a hit as it shoots now: " + Percent(hit.now, separator) + "\n";
        out += "Chance of a hit once zeroed: " + Percent(hit.zeroed, separator) + "\n";
        for (const auto& [percent, yards] : {std::pair{50, hit.farthest50}, std::pair{90, hit.farthest90}}) {
            if (!yards) continue;
            out += "Farthest range for " + std::to_string(percent) +
                   "% once zeroed: " + FixedFigure(*yards, 0, separator) +
                   " yards (the spread only: wind and drop are not in it)\n";
        }
    }
}

}  // namespace

std::string FixedFigure(double value, int decimals, std::string_view separator) {
    std::string text;
    AppendFixed(text, value, decimals, separator);
    return text;
}

std::string LevelPercent(double level, std::string_view separator) {
    // The level's own shortest digits with the point moved, so that 0.07
    // shows as 7 and 0.9999999999999999 never as 100.
    char buffer[64];
    const char* end = std::to_chars(buffer, buffer + sizeof buffer, level, std::chars_format::scientific).ptr;
    const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    const auto e = text.find('e');
    std::string digits;
    for (const char c : text.substr(0, e)) {
        if (c != '.') digits += c;
    }
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), end, exponent);
    exponent += 2;  // of the first digit, as a percentage
    std::string out;
    if (exponent < -6) {
        out = digits.substr(0, 1) + (digits.size() > 1 ? std::string(separator) + digits.substr(1) : "") + "e" +
              std::to_string(exponent);
    } else if (exponent < 0) {
        out = "0" + std::string(separator) + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else {
        const auto whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() < whole) digits.append(whole - digits.size(), '0');
        out = digits.substr(0, whole) + (digits.size() > whole ? std::string(separator) + digits.substr(whole) : "");
    }
    return out + "%";
}

std::string ShortestFigure(double value, std::string_view separator) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return WithSeparator(std::string(buffer, result.ptr), separator);
}

std::size_t DisplayWidth(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xc0) != 0x80; }));
}

std::string LocaleSeparator() {
    const std::lconv* conventions = std::localeconv();
    const char* separator = conventions != nullptr ? conventions->decimal_point : nullptr;
    return separator != nullptr && *separator != '\0' ? separator : ".";
}

std::string StatsText(std::string_view name, const cep::GroupStats& s, const cep::Advice* advice) {
    const std::string separator = LocaleSeparator();
    Table table(s, separator);
    table.Add("Centre x", s.centre.x);
    table.Add("Centre y", s.centre.y);
    table.Add("Centre offset", s.centreOffset);
    table.Add("Extreme spread", s.extremeSpread);
    table.Add("Mean radius", s.meanRadius);
    table.Add("SD horizontal", s.sdX);
    table.Add("SD vertical", s.sdY);
    table.Add("SD major axis", s.shape.sdMajor);
    table.Add("SD minor axis", s.shape.sdMinor);
    table.Add("Sigma", s.sigma.value, &s.sigma);
    for (const cep::HitCircle& circle : s.circles) {
        table.Add(std::to_string(circle.percent) + "% circle", circle.diameter.value, &circle.diameter);
    }
    for (const cep::PredictionCircle& circle : s.prediction) {
        table.Add("Next shots, " + std::to_string(circle.percent) + "%", circle.diameter);
    }
    std::string text;
    text.reserve(2048);
    AppendHeading(text, EscapeControls(name), s, separator);
    table.AppendTo(text);
    AppendNotes(text, s, separator);
    if (advice != nullptr) AppendAdvice(text, *advice, separator);
    return text;
}

std::string AdviceText(const cep::Advice& advice) {
    std::string text;
    AppendAdvice(text, advice, LocaleSeparator());
    return text;
}

std::string PoolText(std::span<const NamedStats> files, const cep::PoolStats& pool, const cep::Advice& advice) {
    const std::string separator = LocaleSeparator();
    std::string text = "Pool of " + std::to_string(pool.groups) + " groups, " + std::to_string(pool.shots) +
                       " shots at " + ShortestFigure(pool.rangeYards, separator) + " yards, intervals at " +
                       LevelPercent(pool.level, separator) + " confidence, circles as diameters\n";
    // A line per group, in inches: the names left-aligned, the figures right.
    std::vector<std::array<std::string, 7>> rows = {
        {"Group", "Shots", "Centre x", "Centre y", "Extreme spread", "Mean radius", "Sigma"}};
    for (const NamedStats& file : files) {
        if (!file.stats) continue;
        const cep::GroupStats& g = file.stats.value();
        rows.push_back({EscapeControls(file.name), std::to_string(g.shots), FixedFigure(g.centre.x, 3, separator),
                        FixedFigure(g.centre.y, 3, separator), FixedFigure(g.extremeSpread, 3, separator),
                        FixedFigure(g.meanRadius, 3, separator), FixedFigure(g.sigma.value, 3, separator)});
    }
    std::array<std::size_t, 7> widths{};
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    }
    for (const auto& row : rows) {
        std::string line = row[0] + std::string(widths[0] - DisplayWidth(row[0]), ' ');
        for (std::size_t c = 1; c < row.size(); ++c)
            line += "  " + std::string(widths[c] - DisplayWidth(row[c]), ' ') + row[c];
        text += line + "\n";
    }
    text += "Average extreme spread " + Inches(pool.averageExtremeSpread, separator) + ", average mean radius " +
            Inches(pool.averageMeanRadius, separator) +
            " (both grow with the shots per group: compare them only between groups of as many shots)\n";
    Table table(pool.moaPerInch, pool.milPerInch, separator);
    table.Add("Centre x", pool.centre.x);
    table.Add("Centre y", pool.centre.y);
    table.Add("Centre offset", pool.centreOffset);
    table.Add("Sigma", pool.sigma.value, &pool.sigma);
    for (const cep::HitCircle& circle : pool.circles) {
        table.Add(std::to_string(circle.percent) + "% circle", circle.diameter.value, &circle.diameter);
    }
    for (const cep::PredictionCircle& circle : pool.prediction) {
        table.Add("Next shots, " + std::to_string(circle.percent) + "%", circle.diameter);
    }
    table.AppendTo(text);
    text += "Pooled sigma over " + std::to_string(pool.DegreesOfFreedom()) + " degrees of freedom, 2 x (" +
            std::to_string(pool.shots) + " shots - " + std::to_string(pool.groups) +
            " groups); centre and next shots about the centre of all shots\n";
    if (pool.spreads) {
        text += "One spread? Bartlett chi-square = " + Significant(pool.spreads->chi2, 4, separator) + " with " +
                std::to_string(pool.spreads->df) +
                " degrees of freedom, p = " + Significant(pool.spreads->p, 3, separator) + " (differ below 0" +
                separator + "01)\n";
    } else {
        text += "One spread? Not tested: a group's shots sit on one point.\n";
    }
    text += "One centre? F = " + Significant(pool.centres.f, 4, separator) + " with " +
            std::to_string(pool.centres.df1) + " and " + std::to_string(pool.centres.df2) +
            " degrees of freedom, p = " + Significant(pool.centres.p, 3, separator) + " (moved below 0" + separator +
            "01)\n";
    for (const cep::Note& note : cep::PoolNotes(pool)) text += NoteLine(note, separator, {}, {}) + "\n";
    // Each group's flyers and shape, as its own block would give them.
    for (const NamedStats& file : files) {
        if (!file.stats) continue;
        for (const cep::Note& note : cep::GroupNotes(file.stats.value())) {
            text += EscapeControls(file.name) + ": " + NoteLine(note, separator, {}, {}) + "\n";
        }
    }
    AppendAdvice(text, advice, separator);
    return text;
}

std::string CompareText(std::string_view nameA, const cep::GroupStats& a, std::string_view nameB,
                        const cep::GroupStats& b, const cep::GroupComparison& c) {
    const std::string separator = LocaleSeparator();
    const std::string shownA = EscapeControls(nameA);
    const std::string shownB = EscapeControls(nameB);
    const auto group = [&](std::string_view letter, std::string_view name, const cep::GroupStats& s) {
        return std::string(letter) + "  " + std::string(name) + ": " + std::to_string(s.shots) + " shots, sigma " +
               FixedFigure(s.sigma.value, 3, separator) + " in (" + FixedFigure(s.sigma.low, 3, separator) + " to " +
               FixedFigure(s.sigma.high, 3, separator) + ")\n";
    };
    std::string text = group("A", shownA, a) + group("B", shownB, b);
    text += "F = " + Significant(c.f, 4, separator) + " with " + std::to_string(c.df1) + " and " +
            std::to_string(c.df2) + " degrees of freedom, p = " + Significant(c.p, 3, separator) + "\n";
    text += "At " + LevelPercent(c.level, separator) + " confidence, ";
    switch (c.tighter) {
    case cep::Tighter::A: text += "A (" + std::string(shownA) + ") is the tighter group.\n"; break;
    case cep::Tighter::B: text += "B (" + std::string(shownB) + ") is the tighter group.\n"; break;
    case cep::Tighter::Neither: text += "these groups cannot tell the loads apart.\n"; break;
    }
    // What the answer rests on: round groups without flyers.
    for (const cep::Note& note : cep::ComparisonNotes(a, b)) text += NoteLine(note, separator, shownA, shownB) + "\n";
    return text;
}

std::string NoteText(const cep::Note& note, std::string_view nameA, std::string_view nameB) {
    return NoteLine(note, LocaleSeparator(), EscapeControls(nameA), EscapeControls(nameB));
}

}  // namespace cep::writers
