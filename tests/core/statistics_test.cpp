// Group centre, CEP and MOA, the results text, and the Calculate sequence.
#include <cfloat>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "calculate.h"
#include "core_checks.h"
#include "report.h"
#include "statistics.h"

namespace cep {
namespace {

using namespace testing_support;

const std::vector<ShotPoint> kPentagon = {{0, 0}, {4, 0}, {4, 4}, {2, 6}, {0, 4}};
const ShotPoint kPentagonCentre = {2, 38.0 / 15.0};

std::vector<ShotPoint> Square(double side) { return {{0, 0}, {side, 0}, {side, side}, {0, side}}; }

TEST(ComputeCep, CentreFromFivePolygonEntriesAndRootMeanSquare) {
    const struct { std::vector<ShotPoint> shots; double area; ShotPoint centre; double cep, tolerance; } cases[] = {
        {{{0.5, 0}, {0, 0.5}, {-0.5, 0}, {0, -0.5}}, 0.5, {0, 0}, 0.5, 0},  // tolerance 0: bit for bit
        {kPentagon, 20, kPentagonCentre, 3.0051807, 1e-7},
        {{kPentagon.rbegin(), kPentagon.rend()}, -20, kPentagonCentre, 3.0051807, 1e-7},
        // A sixth shot counts, yet never moves the centre.
        {{{0, 0}, {4, 0}, {4, 4}, {2, 6}, {0, 4}, {10, 10}}, 20, kPentagonCentre, 5.2425609, 1e-7},
        {{{1, 1}, {3, 1}, {2, 4}}, 3, {2, 2}, std::sqrt(8.0 / 3.0), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.shots));
        CalcState state{Table(c.shots), {}, {}, 0, 42};
        EXPECT_EQ(PolygonArea(CentreVertexCount, state.Shots).value(), c.area);
        const auto cep = ComputeCep(state, static_cast<ShotCount>(c.shots.size()));
        ASSERT_TRUE(cep.ok()) << cep.failure().message;
        EXPECT_NEAR(cep.value(), c.cep, c.tolerance);
        EXPECT_EQ(std::tie(state.GroupCentre, state.Cep, state.Moa), std::tuple(c.centre, cep.value(), 42.0));
        ASSERT_EQ(state.Radii.size(), c.shots.size());
        for (const auto& [r, r2] : state.Radii) EXPECT_EQ(r2, r * r);  // squared from the rounded root
    }
}

TEST(ComputeCep, FailuresKeepWhatFollowsTheFailingStep) {
    const struct { ShotTable table; ShotCount n; FailureKind kind; bool centreStored = false; } cases[] = {
        {{}, 0, kSubscript},
        {Table({{1, 1}, {2, 3}}), 2, kSubscript},
        {Table({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}), 5, kOverflow},  // 0 / 0
        {Table({{0, 0}, {2, 2}, {2, 0}, {0, 2}}), 4, kDivision},          // the loops' areas cancel, Sx does not
        {Table({{0, 0}, {2, 2}, {0, 2}, {2, 0}}), 4, kOverflow},          // Sx 0 / 0 comes before Sy / 0
        {Table(Square(1e200)), 4, kOverflow},                             // in the area
        {Table(Square(1e150)), 4, kOverflow},                             // in the centroid
        {Table(kPentagon), 0, kOverflow, true},                           // 0 / 0 in the mean
        {Table(kPentagon), 8, kSubscript, true},                          // more shots than entries
        {Table({{0, 0}, {4, 0}, {4, 4}, {2, 6}, {0, 4}, {1e200, 0}}), 6, kOverflow, true},  // in the distances
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.table));
        CalcState state{c.table, {9, 9}, {}, 7, 3};
        EXPECT_EQ(ResultOf(ComputeCep(state, c.n)), c.kind);
        EXPECT_EQ(state.Shots, c.table);
        EXPECT_EQ(state.GroupCentre, c.centreStored ? kPentagonCentre : ShotPoint({9, 9}));
        EXPECT_EQ(std::pair(state.Cep, state.Moa), std::pair(7.0, 3.0));
    }
    EXPECT_EQ(ResultOf(PolygonCentroid(5, Table({{0, 0}, {2, 2}, {2, 0}, {0, 2}}), 0.0)), kDivision);
    EXPECT_EQ(ResultOf(PolygonCentroid(5, ShotTable(4), 1.0)), kSubscript);
}

TEST(ComputeMoa, DoublesThenScalesByTheRoundedQuotient) {
    const struct { double cep; std::string range; Result moa; } cases[] = {
        {0.5, "100", 1}, {0.5, "200", 0.5}, {0.5, "50", 2}, {1.25, "100 yds", 2.5}, {1.25, " 1 00", 2.5},
        {1.25, "-100", -2.5}, {0, "100", 0},
        // 100 / yards is rounded before the product, so 1 is missed by one bit.
        {0.045, "9", 0.9999999999999999}, {0.035, "7", 1.0000000000000002},
        {1.25, "", kDivision}, {1.25, "0", kDivision}, {1.25, "yards", kDivision}, {1.25, "-0", kDivision},
        {1.25, "1e-400", kDivision}, {1.25, "1e-320", kOverflow}, {1.25, "1e400", kOverflow},
        {1e300, "1e-10", kOverflow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("Cep " + std::to_string(c.cep) + ", range '" + c.range + "'");
        CalcState state{{}, {}, {}, c.cep, 42};
        EXPECT_EQ(ResultOf(ComputeMoa(state, c.range)), c.moa);
        EXPECT_EQ(std::pair(state.Cep, state.Moa), std::pair(c.cep, c.moa.kind ? 42 : c.moa.value));
    }
}

TEST(FormatFigure, ThreeDecimalsHalfAwayFromZeroSeparatorAlways) {
    const std::pair<double, std::string> cases[] = {
        {0.0625, "0.063"}, {-0.0625, "-0.063"}, {2, "2."}, {1.23456, "1.235"}, {0.5, "0.5"}, {1234.5, "1234.5"},
        {0.9996, "1."}, {9999999.9996, "10000000."}, {0, "0."}, {0.0005, "0.001"}, {0.00049, "0."},
        {-0.0004, "0."}, {1e-300, "0."}, {2.0004999, "2."}, {123456789.123456, "123456789.123"},
        {1.0005, "1.001"},  // rounded as the 15 digits it shows, not its binary value
        {1e20, "100000000000000000000."}, {DBL_MAX, "179769313486232" + std::string(294, '0') + "."},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(FormatFigure(value), text);
        EXPECT_EQ(FormatFigure(value, ","), std::string(text).replace(text.find('.'), 1, ","));
    }
}

TEST(Report, CircleLinesAndVerdict) {
    EXPECT_EQ(ComposeCircleReport("a b.grp", 12, "100 yds", 0.0625),
              "a b.grp (12-shot group at 100 yds yards)\r\n\r\n"
              "50% of the rounds will land within a circle 0.063 inches in diameter\r\n"
              "93% of the rounds will land within a circle 0.125 inches in diameter\r\n"
              "99% of the rounds will land within a circle 0.188 inches in diameter\r\n");
    const std::tuple<double, MoaVerdict, const char*> verdicts[] = {
        {2.5, MoaVerdict::ExceedsMoa, "This load exceeds 1-MOA (2.5) @ 95% CI"},
        {1.0000000000000002, MoaVerdict::ExceedsMoa, "This load exceeds 1-MOA (1.) @ 95% CI"},
        {1, MoaVerdict::OneMoa, "This load is shooting 1-MOA (1.) @ 95% CI"},
        {0.9999999999999999, MoaVerdict::SubMoa, "This load is shooting sub-MOA (1.) @ 95% CI"},
        {-2.5, MoaVerdict::SubMoa, "This load is shooting sub-MOA (-2.5) @ 95% CI"},
    };
    for (const auto& [moa, verdict, line] : verdicts) {
        EXPECT_EQ(ClassifyMoa(moa), verdict) << moa;
        EXPECT_EQ(ComposeVerdictLine(moa, verdict), line);
    }
}

struct RecordingLabel : ResultsText {
    std::vector<std::string> calls;  // "S" or "A", then the text
    void SetText(const std::string& text) override { calls.push_back("S" + text); }
    void AppendText(const std::string& text) override { calls.push_back("A" + text); }
};

// A diamond of radius 1.25 with its first shot repeated: centre (0, 0), every distance 1.25.
const std::string kTarget = GroupText("5", {{1.25, 0}, {0, 1.25}, {-1.25, 0}, {0, -1.25}, {1.25, 0}});

TEST(Calculate, SetsFiveLinesThenAppendsTheVerdict) {
    TempDir dir;
    CalcState state;
    RecordingLabel label;
    const auto done = Calculate(state, dir.Write("target.grp", kTarget), "target.grp", "100", label);
    ASSERT_TRUE(done.ok()) << done.failure().message;
    EXPECT_EQ(label.calls, (std::vector<std::string>{
                               "Starget.grp (5-shot group at 100 yards)\r\n\r\n"
                               "50% of the rounds will land within a circle 1.25 inches in diameter\r\n"
                               "93% of the rounds will land within a circle 2.5 inches in diameter\r\n"
                               "99% of the rounds will land within a circle 3.75 inches in diameter\r\n",
                               "AThis load exceeds 1-MOA (2.5) @ 95% CI"}));
    const auto& r = done.value();
    EXPECT_EQ(std::tie(r.GroupFileName, r.Yards, r.Cep, r.Moa, r.Verdict),
              std::tuple("target.grp", 100.0, 1.25, 2.5, MoaVerdict::ExceedsMoa));
    EXPECT_EQ(std::tie(state.GroupCentre, state.Cep, state.Moa), std::tuple(ShotPoint{}, 1.25, 2.5));
    EXPECT_EQ(Calculate(state, dir / "target.grp", "t", "250 yds", label).value().Yards, 250);

    // Extreme but finite figures are written out in full, never as an infinity or a NaN.
    for (const auto& [side, range] : {std::pair(1e100, "1e-200"), std::pair(1e-150, "1e300")}) {
        ASSERT_TRUE(Calculate(state, dir.Write("g.grp", GroupText("4", Square(side))), "g", range, label).ok());
    }
    for (const std::string& text : label.calls) {
        EXPECT_EQ(Lower(text).find("inf"), std::string::npos) << text;
        EXPECT_EQ(Lower(text).find("nan"), std::string::npos) << text;
    }
}

TEST(Calculate, FailureEndsTheSequenceWhereItArises) {
    TempDir dir;
    const std::string target = dir.Write("target.grp", kTarget);
    const auto file = [&](const std::string& count, std::vector<ShotPoint> shots = {{1, 1}, {2, 3}, {4, 1}}) {
        return dir.Write(count + ".grp", GroupText(count, shots));
    };
    const struct { std::string path, range; FailureKind kind; bool linesSet; std::string message = {}; } cases[] = {
        {dir / "none.grp", "100", FailureKind::FileNotFound, false},
        {file("4"), "100", FailureKind::InputPastEndOfFile, false},
        {file("0"), "100", kSubscript, false},
        {file("1"), "100", kSubscript, false},
        {file("2"), "100", kSubscript, false,
         "Subscript out of range: a group needs at least three shots, and this file declares 2."},
        {file("5", {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}), "100", kOverflow, false},
        {target, "", kDivision, true,
         "Division by zero: the range box is empty; type the range in yards, such as 100."},
        {target, "1e-320", kOverflow, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + ", range '" + c.range + "'");
        CalcState state{{}, {}, {}, 7, 3};
        RecordingLabel label;
        const auto done = Calculate(state, c.path, "target.grp", c.range, label);
        EXPECT_EQ(ResultOf(done), c.kind);
        if (!c.message.empty() && !done.ok()) {
            EXPECT_EQ(done.failure().message, c.message);
        }
        EXPECT_EQ(std::pair(state.Cep, state.Moa), std::pair(c.linesSet ? 1.25 : 7.0, 3.0));
        std::vector<std::string> set;
        if (c.linesSet) set.push_back("S" + ComposeCircleReport("target.grp", 5, c.range, 1.25));
        EXPECT_EQ(label.calls, set);
    }
}

TEST(Calculate, StateOutlivesARun) {
    TempDir dir;
    const std::string twoLines = dir.Write("two-lines.grp", "a\r\nb\r\n");
    RecordingLabel label;
    CalcState state;
    EXPECT_EQ(ResultOf(Calculate(state, twoLines, "two-lines.grp", "100", label)), kSubscript);
    ASSERT_TRUE(Calculate(state, dir.Write("target.grp", kTarget), "target.grp", "100", label).ok());
    const ShotTable tableAfterRun = state.Shots;
    state.GroupCentre = {9, 9};
    label.calls.clear();
    // The older table's five entries stay, and now average over 0 shots.
    EXPECT_EQ(ResultOf(Calculate(state, twoLines, "two-lines.grp", "100", label)), kOverflow);
    EXPECT_TRUE(label.calls.empty());
    EXPECT_EQ(state.Shots, tableAfterRun);
    EXPECT_EQ(std::tie(state.GroupCentre, state.Cep, state.Moa), std::tuple(ShotPoint{}, 1.25, 2.5));
}

}  // namespace
}  // namespace cep
