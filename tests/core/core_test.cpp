// SPDX-License-Identifier: MIT
// The calculation core: text to number, group files, CEP and MOA, the results text and the Calculate sequence.
#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/calculate.h"
#include "core/report.h"
#include "tests/support/temp_dir.h"

namespace cep {
inline void PrintTo(const ShotPoint& p, std::ostream* out) { *out << '(' << p.x << ", " << p.y << ')'; }
namespace {

using namespace testing_support;
using enum FailureKind;

// A value, or the kind of a failure.
struct Result {
    Result(double v) : value(v) {}      // NOLINT: implicit, for terse tables
    Result(FailureKind k) : kind(k) {}  // NOLINT: as above
    double value = 0.0;
    std::optional<FailureKind> kind;
    bool operator==(const Result&) const = default;
    friend void PrintTo(const Result& r, std::ostream* out) {
        *out << (r.kind ? std::string(KindName(*r.kind)) : testing::PrintToString(r.value));
    }
};

// Also checks that a failure's message is "<kind name>: <reason>". A success that is not a number shows as 0.
template <class T>
Result ResultOf(const Outcome<T>& outcome) {
    if (outcome.ok()) {
        if constexpr (std::is_arithmetic_v<T>) return static_cast<double>(outcome.value());
        return 0.0;
    }
    const auto& [kind, message] = outcome.failure();
    const std::string prefix = std::string(KindName(kind)) + ": ";
    EXPECT_TRUE(message.starts_with(prefix) && message.size() > prefix.size()) << message;
    return kind;
}

// Two header lines, the count line, then one "x,y" line per shot.
std::string GroupText(const std::string& count, const std::vector<ShotPoint>& shots) {
    std::string text = "Orvanta group\r\nheader\r\n" + count + "\r\n";
    char line[96];
    for (const auto& s : shots) {
        std::snprintf(line, sizeof line, "%.17g,%.17g\r\n", s.x, s.y);
        text += line;
    }
    return text;
}

// The table a read leaves: the shots, a copy of shot 0, then (0, 0).
ShotTable Table(std::vector<ShotPoint> shots) {
    shots.insert(shots.end(), {shots.front(), {}});
    return shots;
}

// One row per rule.
const std::pair<std::string, Result> kNumbers[] = {
    {"\t1 2\n5", 125},
    {"1\r2", 1},
    {"100 yds", 100},
    {"1,000", 1},
    {"abc", 0},
    {"-.5", -0.5},
    {"1e3", 1000},
    {"2.5D-1", 0.25},
    {"1e+", 1},
    {"193.38227150129202", 193.38227150129202},
    {"1e400", Overflow},
    {"1e-400", 0},
    {"0.05", 0.05},
    {"-0.0625e1", -0.625},
    {"91399620.84340797", 91399620.84340797},  // 16 digits: the general rule
};

void CheckNumbers() {
    for (const auto& [text, expected] : kNumbers) EXPECT_EQ(ResultOf(LeadingNumber(text)), expected) << text;
    // A tie between two doubles, broken by a digit 900 places on.
    const std::string text = "9007199254740993." + std::string(900, '0') + "1";
    double nearest = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), nearest);
    EXPECT_EQ(ResultOf(LeadingNumber(text)), nearest);
}

TEST(LeadingNumber, ConvertsTheLongestLeadingNumberExactly) { CheckNumbers(); }

TEST(LeadingNumber, IgnoresTheLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    // German as a POSIX system and as Windows name it.
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "German_Germany.1252")) {
        GTEST_SKIP() << "no German locale (LOCPATH)";
    }
    CheckNumbers();
    EXPECT_EQ(FormatFigure(2.5), "2,5");
    TempDir dir;
    ShotTable shots;
    EXPECT_EQ(ResultOf(ReadGroupFile(dir.Write("g.grp", "a\r\nb\r\n2.5\r\n1.5,2.25\r\n.5,1e1"), shots)), 2);
    EXPECT_EQ(shots, Table({{1.5, 2.25}, {0.5, 10}}));
    std::setlocale(LC_ALL, previous.c_str());
}

// What the caller held before a read, to tell "unchanged" from "replaced".
const ShotTable kPrevious = {{7, 7}, {8, 8}, {9, 9}};

std::string File(const std::string& count, const std::string& body) { return "h1\r\nh2\r\n" + count + "\r\n" + body; }

TEST(ReadGroupFile, ReadsTheDeclaredShotsIntoTheTable) {
    std::vector<ShotPoint> eight;
    for (int j = 0; j < 8; ++j) eight.push_back({j + 0.5, -0.25 * j});
    const auto first = [&](int n) { return Table({eight.begin(), eight.begin() + n}); };
    std::vector<std::tuple<std::string, Result, ShotTable>> cases = {
        // The count rounds half to even and must fit in 16 bits; -1 re-sizes the table before failing.
        {GroupText("6.5", eight), 6, first(6)},
        {GroupText("7.5", eight), 8, first(8)},
        {GroupText(" 0 3", eight), 3, first(3)},
        {GroupText("-1", eight), SubscriptOutOfRange, ShotTable(1)},
        {GroupText("32767", eight), Overflow, kPrevious},
        {GroupText("-32769", eight), Overflow, kPrevious},
        {GroupText("-2", eight), SubscriptOutOfRange, kPrevious},
        {GroupText("1e400", eight), Overflow, kPrevious},
        {File("2", "1,2,3,4"), 2, Table({{1, 2}, {3, 4}})},
        {File("", ""), 0, ShotTable(2)},  // an empty line 3 is a count line all the same
        {File("2", "\"1\",2\r\n  -1.5,\t 2.25"), 2, Table({{0, 2}, {-1.5, 2.25}})},
        {File("2", "1E1,-2D0\r\n193.38227150129202,0.1"), 2, Table({{10, -2}, {193.38227150129202, 0.1}})},
        {File("2", "0.05,-0.0625e1\r\n91399620.84340797,-0.05"), 2,
         Table({{0.05, -0.625}, {91399620.84340797, -0.05}})},
        {File("1", "1,1\r\n1e400,\xff"), 1, Table({{1, 1}})},  // the rest is never read
        {File("2", "1,2\r\n3"), InputPastEndOfFile, {{1, 2}, {3, 0}, {}, {}}},
        {"a\r\nb\r\n", 0, kPrevious},
        {"a\rb", 0, kPrevious},  // no line 3
    };
    // Lines may end in CR LF, CR or LF, and lines 1 and 2 may hold any bytes.
    const std::string headers[][2] = {{"", ""},
                                      {std::string("\xEF\xBB\xBF"
                                                   "5\0",
                                                   5),
                                       "\xC3\x28\"9,9\t"}};
    for (const std::string eol : {"\r\n", "\r", "\n"}) {
        for (const auto& [h1, h2] : headers) {
            cases.emplace_back(h1 + eol + h2 + eol + "2" + eol + "0.5,-1" + eol + "-4,0" + eol, 2,
                               Table({{0.5, -1}, {-4, 0}}));
        }
    }
    std::vector<ShotPoint> many;  // the largest count
    for (int j = 0; j < 32766; ++j) many.push_back({j * 0.5, -j * 0.25});
    cases.emplace_back(GroupText("32766", many), 32766, Table(many));
    // The CR LF ending a 20 MB line 1 straddles a power of two, as read buffers commonly are sized.
    cases.emplace_back(std::string((20u << 20) - 1, 'x') + "\r\n" + std::string(65534, '7') + "\r\n2\r\n1,2\r\n3,4", 2,
                       Table({{1, 2}, {3, 4}}));
    TempDir dir;
    for (const auto& [text, expected, table] : cases) {
        SCOPED_TRACE(testing::PrintToString(text.substr(0, 120)));
        ShotTable shots = kPrevious;
        EXPECT_EQ(ResultOf(ReadGroupFile(dir.Write("g.grp", text), shots)), expected);
        EXPECT_EQ(shots, table);
    }
}

TEST(ReadGroupFile, OpeningFailuresLeaveTheTable) {
    TempDir dir;
    std::filesystem::create_directory(Utf8Path(dir / "dir.grp"));
    const std::pair<std::string, std::string> cases[] = {
        {dir / "missing.grp", "File not found: there is no file at " + (dir / "missing.grp") + "."},
        {dir.Write("file.grp", "") + "/g.grp", "File not found: there is no file at " + (dir / "file.grp") + "/g.grp."},
        {dir / "dir.grp", "File access failure: " + (dir / "dir.grp") + " is a folder, not a group file."},
    };
    for (const auto& [path, message] : cases) {
        ShotTable shots = kPrevious;
        const auto read = ReadGroupFile(path, shots);
        ASSERT_FALSE(read.ok()) << path;
        EXPECT_EQ(read.failure().message, message);
        EXPECT_EQ(shots, kPrevious) << path;
    }
}

const std::vector<ShotPoint> kPentagon = {{0, 0}, {4, 0}, {4, 4}, {2, 6}, {0, 4}};
const ShotPoint kPentagonCentre = {2, 38.0 / 15.0};

// A state as an earlier run could have left it.
CalcState Held(ShotTable shots, double cep, double moa) {
    CalcState state;
    state.Shots = std::move(shots);
    state.GroupCentre = {9, 9};
    std::tie(state.Cep, state.Moa) = std::pair(cep, moa);
    return state;
}

TEST(ComputeCep, CentreFromFivePolygonEntriesAndRootMeanSquare) {
    // centre: as the step leaves it; a failure keeps the rest of the state.
    const struct {
        ShotTable table;
        ShotCount n;
        Result cep;
        ShotPoint centre;
        double tolerance = 0;
    } cases[] = {
        {Table({{0.5, 0}, {0, 0.5}, {-0.5, 0}, {0, -0.5}}), 4, 0.5, {0, 0}},  // tolerance 0: bit for bit
        {Table(kPentagon), 5, 3.0051807, kPentagonCentre, 1e-7},
        // Away from the origin, so that the closing edge counts.
        {Table({{1, 1}, {5, 1}, {5, 5}, {3, 7}, {1, 5}}), 5, 3.0051807, {3, 53.0 / 15.0}, 1e-7},
        {Table({kPentagon.rbegin(), kPentagon.rend()}), 5, 3.0051807, kPentagonCentre, 1e-7},
        {Table({{0, 0}, {4, 0}, {4, 4}, {2, 6}, {0, 4}, {10, 10}}), 6, 5.2425609, kPentagonCentre, 1e-7},  // counts
        {Table({{1, 1}, {3, 1}, {2, 4}}), 3, std::sqrt(8.0 / 3.0), {2, 2}},
        {Table({{1, 1}, {2, 3}}), 2, SubscriptOutOfRange, {9, 9}},
        {Table({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}), 5, Overflow, {9, 9}},          // collinear: 0 / 0
        {Table({{0, 0}, {2, 2}, {2, 0}, {0, 2}}), 4, DivisionByZero, {9, 9}},            // a figure eight: no area
        {Table({{0, 0}, {2, 2}, {0, 2}, {2, 0}}), 4, Overflow, {9, 9}},                  // Sx 0 / 0 comes before Sy / 0
        {Table({{0, 0}, {1e150, 0}, {1e150, 1e150}, {0, 1e150}}), 4, Overflow, {9, 9}},  // in the centroid
        {Table(kPentagon), 0, Overflow, kPentagonCentre},                                // 0 / 0 in the mean
        {Table(kPentagon), 8, SubscriptOutOfRange, kPentagonCentre},                     // more shots than entries
        {Table({{0, 0}, {4, 0}, {4, 4}, {2, 6}, {0, 4}, {1e200, 0}}), 6, Overflow, kPentagonCentre},  // in a distance
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.table));
        CalcState state = Held(c.table, 7, 3);
        const Result cep = ResultOf(ComputeCep(state, c.n));
        EXPECT_EQ(cep.kind, c.cep.kind);
        EXPECT_NEAR(cep.value, c.cep.value, c.tolerance);
        EXPECT_EQ(std::tie(state.Shots, state.GroupCentre, state.Cep, state.Moa),
                  std::tuple(c.table, c.centre, c.cep.kind ? 7 : cep.value, 3.0));
        if (!c.cep.kind) {
            ASSERT_EQ(state.Radii.size(), static_cast<std::size_t>(c.n));
            for (const auto& [r, r2] : state.Radii) EXPECT_EQ(r2, r * r);  // squared from the rounded root
        }
    }
}

TEST(ComputeMoa, DoublesThenScalesByTheRoundedQuotient) {
    const struct {
        double cep;
        std::string range;
        Result moa;
        std::string verdict = {};
    } cases[] = {
        {0.5, "100", 1, "is shooting 1-MOA (1.)"},
        {1.25, "100 yds", 2.5, "exceeds 1-MOA (2.5)"},
        {0.045, "9", 0.9999999999999999, "is shooting sub-MOA (1.)"},  // 100 / 9 is rounded before the product
        {0.035, "7", 1.0000000000000002, "exceeds 1-MOA (1.)"},
        {1.25, "-100", -2.5, "is shooting sub-MOA (-2.5)"},
        {1.25, "", DivisionByZero},
        {1.25, "0", DivisionByZero},
        {1.25, "1e-320", Overflow},
        {1.25, ".0", DivisionByZero,
         "Division by zero: the range \".0\" is 0 yards; type the range in yards, such as 100."},
        {1.25, "yds 100", DivisionByZero,
         "Division by zero: the range \"yds 100\" does not start with a number; type the range in yards, such as 100."},
        {1.25, "1e400", Overflow},
        {1e300, "1e-10", Overflow},
    };
    for (const auto& c : cases) {  // verdict: the line, or a failure's whole message
        SCOPED_TRACE("Cep " + std::to_string(c.cep) + ", range '" + c.range + "'");
        CalcState state = Held({}, c.cep, 42);
        const auto moa = ComputeMoa(state, c.range);
        EXPECT_EQ(ResultOf(moa), c.moa);
        EXPECT_EQ(std::pair(state.Cep, state.Moa), std::pair(c.cep, c.moa.kind ? 42 : c.moa.value));
        if (c.moa.kind) {
            if (!c.verdict.empty() && !moa.ok()) { EXPECT_EQ(moa.failure().message, c.verdict); }
            continue;
        }
        EXPECT_EQ(ComposeVerdictLine(state.Moa, ClassifyMoa(state.Moa)), "This load " + c.verdict + " @ 95% CI");
    }
}

TEST(FormatFigure, ThreeDecimalsHalfAwayFromZeroSeparatorAlways) {
    const std::pair<double, std::string> cases[] = {
        {0.0625, "0.063"},
        {-0.0625, "-0.063"},
        {2, "2."},
        {0.9996, "1."},
        {-0.0004, "0."},
        {1.0005, "1.001"},  // rounded as the 15 digits it shows, not its binary value
        {DBL_MAX, "179769313486232" + std::string(294, '0') + "."},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(FormatFigure(value), text);
        EXPECT_EQ(FormatFigure(value, ","), std::string(text).replace(text.find('.'), 1, ","));
    }
}

struct RecordingLabel : ResultsText {
    std::vector<std::string> calls;  // "S" or "A", then the text
    void SetText(const std::string& text) override { calls.push_back("S" + text); }
    void AppendText(const std::string& text) override { calls.push_back("A" + text); }
};

// A diamond of radius 1.25 with its first shot repeated: centre (0, 0), every distance 1.25.
const std::string kTarget = GroupText("5", {{1.25, 0}, {0, 1.25}, {-1.25, 0}, {0, -1.25}, {1.25, 0}});

TEST(Calculate, SetsFiveLinesThenAppendsTheVerdictAndKeepsItsState) {
    TempDir dir;
    const std::string target = dir.Write("target.grp", kTarget);
    CalcState state;
    RecordingLabel label;
    const auto done = Calculate(state, target, "target.grp", "100", label);
    ASSERT_TRUE(done.ok()) << done.failure().message;
    EXPECT_EQ(label.calls,
              (std::vector<std::string>{"Starget.grp (5-shot group at 100 yards)\r\n\r\n"
                                        "50% of the rounds will land within a circle 1.25 inches in diameter\r\n"
                                        "93% of the rounds will land within a circle 2.5 inches in diameter\r\n"
                                        "99% of the rounds will land within a circle 3.75 inches in diameter\r\n",
                                        "AThis load exceeds 1-MOA (2.5) @ 95% CI"}));
    const auto& r = done.value();
    EXPECT_EQ(std::tie(r.GroupFileName, r.Yards, r.Cep, r.Moa, r.Verdict),
              std::tuple("target.grp", 100.0, 1.25, 2.5, MoaVerdict::ExceedsMoa));

    // A failing MOA step comes after the lines are set.
    label.calls.clear();
    EXPECT_EQ(ResultOf(Calculate(state, target, "target.grp", "", label)), DivisionByZero);
    EXPECT_EQ(label.calls, std::vector<std::string>{"S" + ComposeCircleReport("target.grp", 5, "", 1.25)});

    // A two-line file leaves the table, whose five entries now average over 0 shots.
    const ShotTable table = state.Shots;
    state.GroupCentre = {9, 9};
    label.calls.clear();
    EXPECT_EQ(ResultOf(Calculate(state, dir.Write("two.grp", "a\r\nb\r\n"), "two.grp", "100", label)), Overflow);
    EXPECT_TRUE(label.calls.empty());
    EXPECT_EQ(state.Shots, table);
    EXPECT_EQ(std::tie(state.GroupCentre, state.Cep, state.Moa), std::tuple(ShotPoint{}, 1.25, 2.5));
}

TEST(Calculate, FailureBeforeTheLinesLeavesLabelAndState) {
    TempDir dir;
    const auto file = [&](std::string n) { return dir.Write(n + ".grp", GroupText(n, {{1, 1}, {2, 3}, {4, 1}})); };
    const struct {
        std::string path;
        FailureKind kind;
        std::string message = {};
    } cases[] = {
        {file("4"), InputPastEndOfFile,
         "Input past end of file: the file declares 4 shots but its shot data ends after 3 shots."},
        {dir.Write("nodata.grp", File("1", "")), InputPastEndOfFile,
         "Input past end of file: the file declares 1 shot but holds no shot data after its count line."},
        {dir.Write("half.grp", File("3", "1,1\r\n2")), InputPastEndOfFile,
         "Input past end of file: the file declares 3 shots but its shot data ends after 1 shot and the x of shot 2."},
        {dir.Write("onex.grp", File("3", "1")), InputPastEndOfFile,
         "Input past end of file: the file declares 3 shots but its shot data ends after 0 shots and the x of shot 1."},
        {dir.Write("two.grp", "a\r\nb\r\n"), SubscriptOutOfRange},
        {file("0"), SubscriptOutOfRange},
        {file("1"), SubscriptOutOfRange},
        {file("2"), SubscriptOutOfRange,
         "Subscript out of range: a group needs at least three shots, and this file declares 2."},
    };
    for (const auto& c : cases) {
        CalcState state = Held({}, 7, 3);
        RecordingLabel label;
        const auto done = Calculate(state, c.path, "g.grp", "100", label);
        EXPECT_EQ(ResultOf(done), c.kind) << c.path;
        if (!c.message.empty() && !done.ok()) { EXPECT_EQ(done.failure().message, c.message); }
        EXPECT_EQ(std::pair(state.Cep, state.Moa), std::pair(7.0, 3.0));
        EXPECT_TRUE(label.calls.empty());
    }
}

}  // namespace
}  // namespace cep
