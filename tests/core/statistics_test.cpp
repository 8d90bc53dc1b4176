// Group centre, CEP and MOA, with the exact values the arithmetic order fixes.
#include <cmath>
#include <string>
#include <vector>

#include "statistics.h"
#include "test_support.h"

namespace {

using cep::CalcState;
using cep::FailureKind;
using cep::MoaVerdict;
using cep::ShotCount;
using cep::ShotPoint;
using cep::ShotTable;
using cep_test::FailsWith;
using cep_test::ReadTable;

const std::vector<ShotPoint> kDiamond = {{0.5, 0}, {0, 0.5}, {-0.5, 0}, {0, -0.5}};
const std::vector<ShotPoint> kPentagon = {{0, 0}, {4, 0}, {4, 4}, {2, 6}, {0, 4}};

TEST(Polygon, AreaAndCentroidOfPlainPolygons) {
    const struct {
        const char* name;
        ShotCount n;
        ShotTable points;
        double area;
        ShotPoint centre;
    } cases[] = {
        {"square", 4, {{0, 0}, {2, 0}, {2, 2}, {0, 2}}, 4.0, {1, 1}},
        {"clockwise square", 4, {{0, 2}, {2, 2}, {2, 0}, {0, 0}}, -4.0, {1, 1}},
        {"triangle", 3, {{1, 1}, {3, 1}, {2, 4}}, 3.0, {2, 2}},
        {"only the first n entries", 3, {{0, 0}, {6, 0}, {0, 3}, {100, 100}}, 9.0, {2, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto area = cep::PolygonArea(c.n, c.points);
        ASSERT_TRUE(area.ok()) << area.failure().message;
        EXPECT_EQ(area.value(), c.area);
        const auto centre = cep::PolygonCentroid(c.n, c.points, area.value());
        ASSERT_TRUE(centre.ok()) << centre.failure().message;
        EXPECT_EQ(centre.value(), c.centre);
    }
    const auto none = cep::PolygonArea(0, {});
    ASSERT_TRUE(none.ok());
    EXPECT_EQ(none.value(), 0.0);
    EXPECT_TRUE(FailsWith(cep::PolygonArea(5, ShotTable(4)), FailureKind::SubscriptOutOfRange));
    EXPECT_TRUE(FailsWith(cep::PolygonCentroid(5, ShotTable(4), 1.0), FailureKind::SubscriptOutOfRange));
}

struct CepCase {
    const char* name;
    std::vector<ShotPoint> shots;
    double area;
    ShotPoint centre;
    double cep;
    double tolerance;  // 0: bit for bit
};

TEST(ComputeCep, CentreFromFivePolygonEntriesAndRootMeanSquare) {
    const double root2 = std::sqrt(2.0);
    std::vector<ShotPoint> reversed(kPentagon.rbegin(), kPentagon.rend());
    std::vector<ShotPoint> sixth = kPentagon;
    sixth.push_back({10, 10});
    const CepCase cases[] = {
        {"diamond", kDiamond, 0.5, {0, 0}, 0.5, 0},
        {"pentagon", kPentagon, 20.0, {2, 38.0 / 15.0}, 3.0051807, 1e-7},
        {"reversed pentagon", reversed, -20.0, {2, 38.0 / 15.0}, 3.0051807, 1e-7},
        {"sixth shot counts but never moves the centre", sixth, 20.0, {2, 38.0 / 15.0}, 5.2425609, 1e-7},
        // r squared comes from the rounded root: sqrt(2) squared is not 2.
        {"triangle", {{1, 1}, {3, 1}, {2, 4}}, 3.0, {2, 2}, std::sqrt((root2 * root2 + root2 * root2 + 4.0) / 3.0), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ShotTable table = ReadTable(c.shots);
        EXPECT_EQ(cep::PolygonArea(cep::CentreVertexCount, table).value(), c.area);
        CalcState state;
        state.Shots = table;
        state.Moa = 42.0;
        const auto cep = cep::ComputeCep(state, static_cast<ShotCount>(c.shots.size()));
        ASSERT_TRUE(cep.ok()) << cep.failure().message;
        EXPECT_EQ(state.GroupCentre, c.centre);
        if (c.tolerance == 0) {
            EXPECT_EQ(cep.value(), c.cep);
        } else {
            EXPECT_NEAR(cep.value(), c.cep, c.tolerance);
        }
        EXPECT_EQ(state.Cep, cep.value());
        EXPECT_EQ(state.Moa, 42.0);
        ASSERT_EQ(state.Radii.size(), c.shots.size());
        for (const auto& [r, r2] : state.Radii) EXPECT_EQ(r2, r * r);
    }
    CalcState state;
    state.Shots = ReadTable(kPentagon);
    ASSERT_TRUE(cep::ComputeCep(state, 5).ok());
    const double distances[] = {3.2276582, 3.2276582, 2.4801434, 3.4666667, 2.4801434};
    for (int j = 0; j < 5; ++j) EXPECT_NEAR(state.Radii[j].first, distances[j], 1e-7) << "shot " << j;
}

struct CepFailure {
    const char* name;
    ShotTable table;
    ShotCount n;
    FailureKind kind;
    bool centreMoves;  // the failure comes after the centre was stored
};

TEST(ComputeCep, FailuresKeepWhatFollowsTheFailingStep) {
    const double huge = 1e200;
    std::vector<ShotPoint> farSixth = kPentagon;
    farSixth.push_back({huge, 0});
    const CepFailure cases[] = {
        {"empty table", {}, 0, FailureKind::SubscriptOutOfRange, false},
        {"count 1", ReadTable({{1, 1}}), 1, FailureKind::SubscriptOutOfRange, false},
        {"count 2", ReadTable({{1, 1}, {2, 3}}), 2, FailureKind::SubscriptOutOfRange, false},
        {"five on a line", ReadTable({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}), 5, FailureKind::Overflow, false},
        {"five on one point", ReadTable(std::vector<ShotPoint>(5, {3, 3})), 5, FailureKind::Overflow, false},
        // A figure eight: the two loops' areas cancel, Sx does not.
        {"zero area, Sx not 0", ReadTable({{0, 0}, {2, 2}, {2, 0}, {0, 2}}), 4, FailureKind::DivisionByZero, false},
        // Areas cancel and so does Sx, but not Sy: the x division comes first.
        {"zero area, Sx 0, Sy not 0", ReadTable({{0, 0}, {2, 2}, {0, 2}, {2, 0}}), 4, FailureKind::Overflow, false},
        {"too large for the area", ReadTable({{0, 0}, {huge, 0}, {huge, huge}, {0, huge}}), 4, FailureKind::Overflow,
         false},
        {"too large for the centroid", ReadTable({{0, 0}, {1e150, 0}, {1e150, 1e150}, {0, 1e150}}), 4,
         FailureKind::Overflow, false},
        {"count 0 with an older table", ReadTable(kPentagon), 0, FailureKind::Overflow, true},
        {"too far for the distances", ReadTable(farSixth), 6, FailureKind::Overflow, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CalcState state;
        state.Shots = c.table;
        state.GroupCentre = {9, 9};
        state.Cep = 7.0;
        state.Moa = 3.0;
        EXPECT_TRUE(FailsWith(cep::ComputeCep(state, c.n), c.kind));
        EXPECT_EQ(state.Shots, c.table);
        const ShotPoint centre = c.centreMoves ? ShotPoint{2, 38.0 / 15.0} : ShotPoint{9, 9};
        EXPECT_EQ(state.GroupCentre, centre);
        EXPECT_EQ(state.Cep, 7.0);
        EXPECT_EQ(state.Moa, 3.0);
    }
    // The zero-area cases fail in the centroid itself, given the true area.
    const ShotTable eight = ReadTable({{0, 0}, {2, 2}, {2, 0}, {0, 2}});
    EXPECT_EQ(cep::PolygonArea(5, eight).value(), 0.0);
    EXPECT_TRUE(FailsWith(cep::PolygonCentroid(5, eight, 0.0), FailureKind::DivisionByZero));
}

struct MoaCase {
    double cep;
    std::string range;
    double moa;
    MoaVerdict verdict;
};

TEST(ComputeMoa, DoublesThenScalesByTheRoundedQuotient) {
    const MoaCase cases[] = {
        {0.5, "100", 1.0, MoaVerdict::OneMoa},
        {0.5, "200", 0.5, MoaVerdict::SubMoa},
        {0.5, "50", 2.0, MoaVerdict::ExceedsMoa},
        {0.25, "100", 0.5, MoaVerdict::SubMoa},
        {1.25, "100", 2.5, MoaVerdict::ExceedsMoa},
        {1.25, "100 yds", 2.5, MoaVerdict::ExceedsMoa},
        {1.25, " 1 00", 2.5, MoaVerdict::ExceedsMoa},
        {1.25, "-100", -2.5, MoaVerdict::SubMoa},
        {1.25, "1e2", 2.5, MoaVerdict::ExceedsMoa},
        // 100 / 9 is rounded before the product, so 1 is missed by one bit.
        {0.045, "9", 0.9999999999999999, MoaVerdict::SubMoa},
        {0.035, "7", 1.0000000000000002, MoaVerdict::ExceedsMoa},
        {0.0, "100", 0.0, MoaVerdict::SubMoa},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("Cep " + std::to_string(c.cep) + ", range '" + c.range + "'");
        CalcState state;
        state.Cep = c.cep;
        const auto moa = cep::ComputeMoa(state, c.range);
        ASSERT_TRUE(moa.ok()) << moa.failure().message;
        EXPECT_EQ(moa.value(), c.moa);
        EXPECT_EQ(state.Moa, c.moa);
        EXPECT_EQ(state.Cep, c.cep);
        EXPECT_EQ(cep::ClassifyMoa(moa.value()), c.verdict);
    }
}

TEST(ComputeMoa, ZeroOrTinyRangeFailsAndKeepsMoa) {
    const struct {
        std::string range;
        FailureKind kind;
    } cases[] = {
        {"", FailureKind::DivisionByZero},      {"0", FailureKind::DivisionByZero},
        {"yards", FailureKind::DivisionByZero}, {"-0", FailureKind::DivisionByZero},
        {"1e-400", FailureKind::DivisionByZero},  // too small for a double: 0
        {"1e-320", FailureKind::Overflow},        // 100 / yards is too large
        {"0.1e-319", FailureKind::Overflow},      {"1e400", FailureKind::Overflow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("range '" + c.range + "'");
        CalcState state;
        state.Cep = 1.25;
        state.Moa = 42.0;
        EXPECT_TRUE(FailsWith(cep::ComputeMoa(state, c.range), c.kind));
        EXPECT_EQ(state.Moa, 42.0);
        EXPECT_EQ(state.Cep, 1.25);
    }
}

}  // namespace
