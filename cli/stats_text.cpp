// The text a shooter reads: a table per group, figures with three decimals
// and the user's decimal separator, as in the window.
#include <algorithm>
#include <charconv>
#include <clocale>
#include <optional>

#include "stats_writers.h"

namespace cli {

namespace {

std::string WithSeparator(std::string text, std::string_view separator) {
    const auto point = text.find('.');
    if (point != std::string::npos) text.replace(point, 1, separator);
    return text;
}

// Shortest digits that read back as the same double.
std::string Shortest(double value, std::string_view separator) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return WithSeparator(std::string(buffer, result.ptr), separator);
}

// A few significant digits, for F and p whose size varies widely.
std::string Significant(double value, int digits, std::string_view separator) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    return WithSeparator(std::string(buffer, result.ptr), separator);
}

// Characters as a terminal shows them: UTF-8 continuation bytes take no room.
std::size_t Width(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xc0) != 0x80;
    }));
}

void Pad(std::string& text, std::size_t width, bool right) {
    const std::size_t have = Width(text);
    if (have < width) text.insert(right ? 0 : text.size(), width - have, ' ');
}

// A cell: a figure, right-aligned on its column, then its interval if any.
struct Cell {
    std::string figure;
    std::string interval;
};

class Table {
public:
    explicit Table(const cep::GroupStats& stats, std::string separator) : separator_(std::move(separator)) {
        // Inches, then MOA and mil when there is a range to turn them into angles.
        scales_.push_back(1.0);
        if (stats.moaPerInch && stats.milPerInch) scales_.insert(scales_.end(), {*stats.moaPerInch, *stats.milPerInch});
        const char* units[] = {"inches", "MOA", "mil"};
        Row header{"", {}};
        for (std::size_t c = 0; c < scales_.size(); ++c) header.cells.push_back({units[c], ""});
        rows_.push_back(std::move(header));
    }

    void Add(std::string label, double inches, std::optional<cep::Estimate> interval = std::nullopt) {
        Row row{std::move(label), {}};
        for (const double scale : scales_) {
            Cell cell{FixedFigure(inches * scale, 3, separator_), ""};
            if (interval) {
                cell.interval = " (" + FixedFigure(interval->low * scale, 3, separator_) + " to " +
                                FixedFigure(interval->high * scale, 3, separator_) + ")";
            }
            row.cells.push_back(std::move(cell));
        }
        rows_.push_back(std::move(row));
    }

    std::string Lines() const {
        std::size_t labelWidth = 0;
        std::vector<std::size_t> figureWidth(scales_.size(), 0);
        std::vector<std::size_t> cellWidth(scales_.size(), 0);
        for (const Row& row : rows_) {
            labelWidth = std::max(labelWidth, Width(row.label));
            for (std::size_t c = 0; c < row.cells.size(); ++c) {
                figureWidth[c] = std::max(figureWidth[c], Width(row.cells[c].figure));
            }
        }
        for (const Row& row : rows_) {
            for (std::size_t c = 0; c < row.cells.size(); ++c) {
                cellWidth[c] = std::max(cellWidth[c], figureWidth[c] + Width(row.cells[c].interval));
            }
        }
        std::string text;
        for (const Row& row : rows_) {
            std::string line = row.label;
            Pad(line, labelWidth, false);
            for (std::size_t c = 0; c < row.cells.size(); ++c) {
                std::string cell = row.cells[c].figure;
                Pad(cell, figureWidth[c], true);
                cell += row.cells[c].interval;
                if (c + 1 < row.cells.size()) Pad(cell, cellWidth[c], false);
                line += "  " + cell;
            }
            line.erase(line.find_last_not_of(' ') + 1);
            text += line + "\n";
        }
        return text;
    }

private:
    struct Row {
        std::string label;
        std::vector<Cell> cells;
    };
    std::string separator_;
    std::vector<double> scales_;
    std::vector<Row> rows_;
};

std::string Heading(std::string_view shownName, const cep::GroupStats& s, std::string_view separator) {
    return std::string(shownName) + ": " + std::to_string(s.shots) + " shots at " + Shortest(s.rangeYards, separator) +
           " yards, intervals at " + LevelPercent(s.level, separator) + " confidence\n";
}

}  // namespace

std::string FixedFigure(double value, int decimals, std::string_view separator) {
    char buffer[400];  // the largest double has 309 integer digits
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return WithSeparator(std::move(text), separator);
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

std::string LocaleSeparator() {
    const std::lconv* conventions = std::localeconv();
    const char* separator = conventions != nullptr ? conventions->decimal_point : nullptr;
    return separator != nullptr && *separator != '\0' ? separator : ".";
}

std::string StatsText(std::string_view shownName, const cep::GroupStats& s) {
    const std::string separator = LocaleSeparator();
    Table table(s, separator);
    table.Add("Centre x", s.centre.x);
    table.Add("Centre y", s.centre.y);
    table.Add("Centre offset", s.centreOffset);
    table.Add("Extreme spread", s.extremeSpread);
    table.Add("Mean radius", s.meanRadius);
    table.Add("SD horizontal", s.sdX);
    table.Add("SD vertical", s.sdY);
    table.Add("Sigma", s.sigma.value, s.sigma);
    for (const cep::HitCircle& circle : s.circles) {
        table.Add(std::to_string(circle.percent) + "% circle", circle.diameter.value, circle.diameter);
    }
    return Heading(shownName, s, separator) + table.Lines();
}

std::string CompareText(std::string_view shownA, const cep::GroupStats& a, std::string_view shownB,
                        const cep::GroupStats& b, const cep::GroupComparison& c) {
    const std::string separator = LocaleSeparator();
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
    return text;
}

}  // namespace cli
