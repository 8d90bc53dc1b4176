// SPDX-License-Identifier: MIT
#include "core/data_check.h"

#include <charconv>
#include <cstddef>

#include "core/number_text.h"

namespace cep {

namespace {

// Enough to show what is wrong with a file without flooding the terminal.
constexpr std::size_t kMostWarnings = 20;
constexpr std::size_t kMostQuoted = 40;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Quoted(std::string_view text) {
    if (text.size() <= kMostQuoted) return "\"" + std::string(text) + "\"";
    return "\"" + std::string(text.substr(0, kMostQuoted)) + "...\"";
}

std::string Shortest(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value + 0.0);
    return std::string(buffer, result.ptr);
}

// The fields of one line as the reader takes them: blanks around a field
// are passed over, a field ends at a comma, a blank or the line's end, and
// one comma after it is consumed, so that ",," holds an empty field.
void SplitFields(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t i = 0;
    for (;;) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i == line.size()) return;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ',' && !IsBlank(line[i])) ++i;
        fields.push_back(line.substr(start, i - start));
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i < line.size() && line[i] == ',') ++i;
    }
}

// The usual field, such as "-0.125", settled without the general scanner,
// which counts over tens of thousands of shots.
bool PlainNumber(std::string_view field) {
    std::size_t i = field.empty() || (field[0] != '-' && field[0] != '+') ? 0 : 1;
    bool digit = false;
    bool point = false;
    for (; i < field.size(); ++i) {
        if (IsDigit(field[i])) {
            digit = true;
        } else if (field[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

// True when every character of the field belongs to its number.
bool WhollyNumber(std::string_view field, double& value) {
    if (PlainNumber(field)) return true;
    NumberScanner number;
    bool whole = true;
    for (const char c : field) whole = number.Feed(c) && whole;
    if (number.Value(value) != NumberScanner::Status::Ok) value = 0.0;
    return whole && number.HasNumber();
}

// "1,5;2,5" or "1,5 2,5": two or more numbers of the form digits, comma,
// digits, parted by semicolons or blanks. A single "1,5" is a clean x, y.
bool DecimalCommas(std::string_view line) {
    std::size_t numbers = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ';' || IsBlank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '-' || line[i] == '+') ++i;
        const std::size_t whole = i;
        while (i < line.size() && IsDigit(line[i])) ++i;
        if (i == whole || i == line.size() || line[i] != ',') return false;
        const std::size_t fraction = ++i;
        while (i < line.size() && IsDigit(line[i])) ++i;
        if (i == fraction || (i < line.size() && line[i] != ';' && !IsBlank(line[i]))) return false;
        ++numbers;
    }
    return numbers >= 2;
}

std::string Shots(long n) { return std::to_string(n) + (n == 1 ? " shot" : " shots"); }

class Checker {
public:
    explicit Checker(ShotCount declared) : fieldsWanted_(2 * static_cast<long>(declared)), declared_(declared) {}

    void Line(int number, std::string_view line) {
        SplitFields(line, fields_);
        const std::vector<std::string_view>& fields = fields_;
        if (fields.empty()) return;
        const bool commas = fieldsRead_ < fieldsWanted_ && DecimalCommas(line);
        if (commas) {
            Warn(number, Quoted(line) +
                             " looks like numbers with decimal commas; a group file takes a period "
                             "(\"1.5\"), and a comma parts x from y");
        }
        for (const std::string_view field : fields) {
            double value = 0.0;
            const bool numeric = WhollyNumber(field, value);
            if (fieldsRead_ >= fieldsWanted_) {
                Trailing(number, line.substr(static_cast<std::size_t>(field.data() - line.data())), numeric);
                continue;
            }
            const long shot = fieldsRead_ / 2 + 1;
            const char* axis = fieldsRead_ % 2 == 0 ? "x" : "y";
            ++fieldsRead_;
            if (numeric || commas) continue;
            const std::string where = "shot " + std::to_string(shot) + ": " + axis;
            if (field.empty()) {
                Warn(number, where + " is empty; read as 0");
            } else if (value == 0.0 && !StartsNumber(field)) {
                Warn(number, where + " " + Quoted(field) + " is not a number; read as 0");
            } else {
                Warn(number, where + " " + Quoted(field) + " is not wholly a number; read as " + Shortest(value));
            }
        }
    }

    std::vector<DataWarning> Finish(int lastLine, bool cut) {
        if (dropped_ > 0) {
            warnings_.push_back({firstDropped_, "and " + std::to_string(dropped_) + " more like these"});
        }
        // These say the most about the file, so they come whatever the count.
        if (trailingLine_ != 0) {
            const long more = trailingFields_ / 2;
            if (trailingNumeric_ && trailingFields_ % 2 == 0) {
                warnings_.push_back({trailingLine_, std::to_string(more) + (more == 1 ? " more shot" : " more shots") +
                                                        " after the " + std::to_string(declared_) +
                                                        " that line 3 declares; they are left out of the figures"});
            } else {
                warnings_.push_back({trailingLine_, "text after the " + Shots(declared_) + " that line 3 declares: " +
                                                        Quoted(trailingText_) + "; it is left out of the figures"});
            }
        }
        if (cut) warnings_.push_back({lastLine, "the file is too long to check whole; only its start was checked"});
        return std::move(warnings_);
    }

private:
    static bool StartsNumber(std::string_view field) {
        NumberScanner number;
        for (const char c : field) {
            if (!number.Feed(c)) break;
        }
        return number.HasNumber();
    }

    // `rest`: the line from the field on.
    void Trailing(int number, std::string_view rest, bool numeric) {
        if (trailingLine_ == 0) {
            trailingLine_ = number;
            trailingText_ = std::string(rest);
        }
        ++trailingFields_;
        trailingNumeric_ = trailingNumeric_ && numeric;
    }

    void Warn(int line, std::string text) {
        if (warnings_.size() >= kMostWarnings) {
            if (dropped_++ == 0) firstDropped_ = line;
            return;
        }
        warnings_.push_back({line, std::move(text)});
    }

    std::vector<std::string_view> fields_;  // of the current line, kept to spare an allocation a line
    long fieldsWanted_;
    long fieldsRead_ = 0;
    ShotCount declared_;
    int trailingLine_ = 0;
    std::string trailingText_;
    long trailingFields_ = 0;
    bool trailingNumeric_ = true;
    std::vector<DataWarning> warnings_;
    std::size_t dropped_ = 0;
    int firstDropped_ = 0;
};

}  // namespace

std::vector<DataWarning> CheckGroupData(std::string_view text, ShotCount declared, bool cut) {
    Checker checker(declared < 0 ? ShotCount{0} : declared);
    int number = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        // Lines end at CR LF, a lone CR or a lone LF, as the reader's do.
        std::size_t end = i;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        ++number;
        if (number > 3) checker.Line(number, text.substr(i, end - i));
        if (end == text.size()) break;
        i = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return checker.Finish(number, cut);
}

}  // namespace cep
