// The results text and the whole Calculate sequence as the window runs it.
#include <cfloat>
#include <string>
#include <vector>

#include "calculate.h"
#include "report.h"
#include "test_support.h"

namespace {

using cep::CalcState;
using cep::FailureKind;
using cep::MoaVerdict;
using cep::ShotPoint;
using cep_test::FailsWith;
using cep_test::GroupText;
using cep_test::RecordingSink;
using cep_test::TempFolder;

TEST(FormatFigure, ThreeDecimalsHalfAwayFromZeroSeparatorAlways) {
    const struct {
        double value;
        std::string text;
    } cases[] = {
        {0.0625, "0.063"},
        {-0.0625, "-0.063"},
        {2.0, "2."},
        {1.23456, "1.235"},
        {0.5, "0.5"},
        {2.1, "2.1"},
        {0.3, "0.3"},
        {1234.5, "1234.5"},
        {0.9996, "1."},
        {9999999.9996, "10000000."},
        {0.0, "0."},
        {0.0005, "0.001"},
        {0.00049, "0."},
        {-0.0004, "0."},
        {1e-300, "0."},
        {1.0005, "1.001"},  // rounded as the 15 digits it shows, not its binary value
        {2.0004999, "2."},
        {-2.5, "-2.5"},
        {1.25, "1.25"},
        {3.75, "3.75"},
        {123456789.123456, "123456789.123"},
        {1e20, "100000000000000000000."},
        {DBL_MAX, "179769313486232" + std::string(294, '0') + "."},
        {-1e15, "-1000000000000000."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(cep::FormatFigure(c.value), c.text);
        EXPECT_EQ(cep::FormatFigure(c.value, "."), c.text);
    }
    EXPECT_EQ(cep::FormatFigure(2.5, ","), "2,5");
    EXPECT_EQ(cep::FormatFigure(2.0, ","), "2,");
    EXPECT_EQ(cep::FormatFigure(-0.0625, ","), "-0,063");
}

constexpr const char* kCircle50 = "50% of the rounds will land within a circle ";
constexpr const char* kCircle93 = "93% of the rounds will land within a circle ";
constexpr const char* kCircle99 = "99% of the rounds will land within a circle ";
constexpr const char* kInches = " inches in diameter\r\n";

std::string CircleLines(const std::string& heading, const char* d50, const char* d93, const char* d99) {
    return heading + "\r\n\r\n" + kCircle50 + d50 + kInches + kCircle93 + d93 + kInches + kCircle99 + d99 + kInches;
}

TEST(Report, CircleLinesAndVerdictLine) {
    const struct {
        std::string name;
        cep::ShotCount count;
        std::string range;
        double cep;
        std::string text;
    } circles[] = {
        {"target.grp", 5, "100", 1.25, CircleLines("target.grp (5-shot group at 100 yards)", "1.25", "2.5", "3.75")},
        {"g.grp", 4, "100 yds", 0.5, CircleLines("g.grp (4-shot group at 100 yds yards)", "0.5", "1.", "1.5")},
        {"a b.grp", 12, "", 0.0625, CircleLines("a b.grp (12-shot group at  yards)", "0.063", "0.125", "0.188")},
        {"x", -2, " 100", 2.0, CircleLines("x (-2-shot group at  100 yards)", "2.", "4.", "6.")},
        {"", 32766, "100.0", 1.0005, CircleLines(" (32766-shot group at 100.0 yards)", "1.001", "2.001", "3.002")},
    };
    for (const auto& c : circles) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(cep::ComposeCircleReport(c.name, c.count, c.range, c.cep), c.text);
    }
    const struct {
        double moa;
        MoaVerdict verdict;
        const char* text;
    } verdicts[] = {
        {2.5, MoaVerdict::ExceedsMoa, "This load exceeds 1-MOA (2.5) @ 95% CI"},
        {1.0, MoaVerdict::OneMoa, "This load is shooting 1-MOA (1.) @ 95% CI"},
        {0.5, MoaVerdict::SubMoa, "This load is shooting sub-MOA (0.5) @ 95% CI"},
        {-2.5, MoaVerdict::SubMoa, "This load is shooting sub-MOA (-2.5) @ 95% CI"},
        {0.9999999999999999, MoaVerdict::SubMoa, "This load is shooting sub-MOA (1.) @ 95% CI"},
    };
    for (const auto& v : verdicts) {
        SCOPED_TRACE(v.text);
        EXPECT_EQ(cep::ComposeVerdictLine(v.moa, v.verdict), v.text);
    }
}

// Five shots whose centre is (0, 0) and whose distances are all 1.25: the
// diamond of radius 1.25 with its first shot repeated.
const std::vector<ShotPoint> kTarget = {{1.25, 0}, {0, 1.25}, {-1.25, 0}, {0, -1.25}, {1.25, 0}};

TEST(Calculate, SetsFiveLinesThenAppendsTheVerdict) {
    TempFolder folder;
    const std::string path = folder.Write("target.grp", GroupText("5", kTarget));
    const struct {
        std::string range;
        std::string heading;
        double yards;
        double moa;
        MoaVerdict verdict;
        const char* verdictLine;
    } cases[] = {
        {"100", "target.grp (5-shot group at 100 yards)", 100, 2.5, MoaVerdict::ExceedsMoa,
         "This load exceeds 1-MOA (2.5) @ 95% CI"},
        {"100 yds", "target.grp (5-shot group at 100 yds yards)", 100, 2.5, MoaVerdict::ExceedsMoa,
         "This load exceeds 1-MOA (2.5) @ 95% CI"},
        {"250", "target.grp (5-shot group at 250 yards)", 250, 1.0, MoaVerdict::OneMoa,
         "This load is shooting 1-MOA (1.) @ 95% CI"},
        {"-100", "target.grp (5-shot group at -100 yards)", -100, -2.5, MoaVerdict::SubMoa,
         "This load is shooting sub-MOA (-2.5) @ 95% CI"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("range '" + c.range + "'");
        CalcState state;
        RecordingSink label;
        const auto done = cep::Calculate(state, path, "target.grp", c.range, label);
        ASSERT_TRUE(done.ok()) << done.failure().message;
        ASSERT_EQ(label.calls.size(), 2u);
        EXPECT_EQ(label.calls[0].first, 'S');
        EXPECT_EQ(label.calls[0].second, CircleLines(c.heading, "1.25", "2.5", "3.75"));
        EXPECT_EQ(label.calls[1].first, 'A');
        EXPECT_EQ(label.calls[1].second, c.verdictLine);
        const auto& r = done.value();
        EXPECT_EQ(r.GroupFileName, "target.grp");
        EXPECT_EQ(r.Yards, c.yards);
        EXPECT_EQ(r.Cep, 1.25);
        EXPECT_EQ(r.Moa, c.moa);
        EXPECT_EQ(r.Verdict, c.verdict);
        EXPECT_EQ(state.Cep, 1.25);
        EXPECT_EQ(state.Moa, c.moa);
        EXPECT_EQ(state.GroupCentre, ShotPoint{});
    }
}

TEST(Calculate, FailureEndsTheSequenceWhereItArises) {
    TempFolder folder;
    const std::string target = folder.Write("target.grp", GroupText("5", kTarget));
    const struct {
        const char* name;
        std::string path;
        std::string range;
        FailureKind kind;
        bool circleLinesSet;
    } cases[] = {
        {"missing file", folder.Path("none.grp"), "100", FailureKind::FileNotFound, false},
        {"past end", folder.Write("short.grp", GroupText("6", kTarget)), "100", FailureKind::InputPastEndOfFile,
         false},
        {"two shots", folder.Write("two.grp", GroupText("2", kTarget)), "100", FailureKind::SubscriptOutOfRange,
         false},
        {"collinear", folder.Write("line.grp", GroupText("5", {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}})), "100",
         FailureKind::Overflow, false},
        {"empty range", target, "", FailureKind::DivisionByZero, true},
        {"tiny range", target, "1e-320", FailureKind::Overflow, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CalcState state;
        state.Cep = 7.0;
        state.Moa = 3.0;
        RecordingSink label;
        EXPECT_TRUE(FailsWith(cep::Calculate(state, c.path, "target.grp", c.range, label), c.kind));
        EXPECT_EQ(state.Moa, 3.0);
        if (c.circleLinesSet) {
            ASSERT_EQ(label.calls.size(), 1u);
            EXPECT_EQ(label.calls[0].first, 'S');
            EXPECT_EQ(label.calls[0].second,
                      CircleLines("target.grp (5-shot group at " + c.range + " yards)", "1.25", "2.5", "3.75"));
            EXPECT_EQ(state.Cep, 1.25);
        } else {
            EXPECT_TRUE(label.calls.empty());
            EXPECT_EQ(state.Cep, 7.0);
        }
    }
    CalcState state;
    RecordingSink label;
    const auto two = cep::Calculate(state, folder.Path("two.grp"), "two.grp", "100", label);
    ASSERT_FALSE(two.ok());
    EXPECT_EQ(two.failure().message,
              "Subscript out of range: a group needs at least three shots, and this file declares 2.");
}

// The shot table outlives a run: a file of two lines reuses the older table.
TEST(Calculate, StateOutlivesARun) {
    TempFolder folder;
    const std::string target = folder.Write("target.grp", GroupText("5", kTarget));
    const std::string twoLines = folder.Write("two-lines.grp", "a\r\nb\r\n");
    RecordingSink label;
    CalcState fresh;
    EXPECT_TRUE(FailsWith(cep::Calculate(fresh, twoLines, "two-lines.grp", "100", label),
                          FailureKind::SubscriptOutOfRange));
    CalcState state;
    ASSERT_TRUE(cep::Calculate(state, target, "target.grp", "100", label).ok());
    const auto tableAfterRun = state.Shots;
    state.GroupCentre = {9, 9};
    label.calls.clear();
    EXPECT_TRUE(FailsWith(cep::Calculate(state, twoLines, "two-lines.grp", "100", label), FailureKind::Overflow));
    EXPECT_TRUE(label.calls.empty());
    EXPECT_EQ(state.Shots, tableAfterRun);
    EXPECT_EQ(state.GroupCentre, ShotPoint{});  // recomputed from the older table
    EXPECT_EQ(state.Cep, 1.25);
    EXPECT_EQ(state.Moa, 2.5);
}

// However extreme the input, an infinity or a NaN never reaches the text:
// the step that would make one fails with overflow instead.
TEST(Calculate, NoInfinityOrNanInTheText) {
    TempFolder folder;
    const struct {
        const char* name;
        std::vector<ShotPoint> shots;
        std::string range;
        bool ok;
    } cases[] = {
        {"area too large", {{0, 0}, {1e200, 0}, {1e200, 1e200}, {0, 1e200}}, "100", false},
        {"centroid too large", {{0, 0}, {1e150, 0}, {1e150, 1e150}, {0, 1e150}}, "100", false},
        {"distance too large", {{0, 0}, {4, 0}, {4, 4}, {2, 6}, {0, 4}, {-1e200, 1e200}}, "100", false},
        {"range near 0", kTarget, "1e-320", false},
        {"range nearly 0", kTarget, "1e-308", false},
        {"huge but finite", {{0, 0}, {1e100, 0}, {1e100, 1e100}, {0, 1e100}}, "1e-200", true},
        {"tiny", {{0, 0}, {1e-150, 0}, {1e-150, 1e-150}, {0, 1e-150}}, "1e300", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CalcState state;
        RecordingSink label;
        const auto done = cep::Calculate(state, folder.Write("g.grp", GroupText(std::to_string(c.shots.size()),
                                                                                c.shots)),
                                         "g.grp", c.range, label);
        if (c.ok) {
            EXPECT_TRUE(done.ok()) << done.failure().message;
        } else {
            EXPECT_TRUE(FailsWith(done, FailureKind::Overflow));
        }
        for (const auto& call : label.calls) {
            const std::string text = cep_test::Lower(call.second);
            EXPECT_EQ(text.find("inf"), std::string::npos) << call.second;
            EXPECT_EQ(text.find("nan"), std::string::npos) << call.second;
        }
    }
}

}  // namespace
