// Text to number and the reading of group files.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core_checks.h"
#include "report.h"

namespace cep {
namespace {

using namespace testing_support;

const std::pair<std::string, Result> kNumbers[] = {
    {"100 yds", 100}, {"1,000", 1}, {" 1 2", 12}, {"\t1\t2\n5", 125}, {"1\r2", 1}, {"abc", 0}, {"", 0},
    {"+", 0}, {".", 0}, {"-100", -100}, {"-.5", -0.5}, {"5.x", 5}, {"007.250", 7.25}, {"1.5.5", 1.5},
    {"1e3", 1000}, {"1E3", 1000}, {"1d3", 1000}, {"1D-2", 0.01}, {"-1e+2", -100}, {"1 e 3", 1000},
    {"1e", 1}, {"1e+", 1}, {"1ex", 1}, {".5e1", 5}, {"e3", 0}, {".e3", 0}, {"0x10", 0},
    {"0.1", 0.1}, {"193.38227150129202", 193.38227150129202}, {"1e-400", 0},
    {"4.9406564584124654e-324", 4.9406564584124654e-324}, {"1.7976931348623157e308", 1.7976931348623157e308},
    {"9007199254740993", 9007199254740992.0},  // a tie goes to the even neighbour
    {"1e400", kOverflow}, {"-1e400", kOverflow}, {"1.8e308", kOverflow}, {"1d309", kOverflow},
};

void CheckNumbers() {
    for (const auto& [text, expected] : kNumbers) EXPECT_EQ(ResultOf(LeadingNumber(text)), expected) << text;
}

TEST(LeadingNumber, ConvertsTheLongestLeadingNumberExactly) { CheckNumbers(); }

TEST(LeadingNumber, LongDigitStringsRoundCorrectly) {
    std::string digits;
    while (digits.size() < 400) digits += "3141592653589793238462643383279502884197169399375105820974944592307816";
    const std::string zeros(900, '0');
    const std::string texts[] = {
        digits.substr(0, 300), "0." + digits, digits + "e-400", "-" + digits.substr(0, 40) + "." + digits,
        "9007199254740993." + zeros, "9007199254740993." + zeros + "1", "0.000" + zeros + digits + "e900",
        "1" + zeros + "e-900", digits.substr(0, 308) + "." + digits, "9007199254740993" + zeros.substr(100) + "1e-801",
    };
    for (const auto& text : texts) {
        double expected = 0.0;
        ASSERT_EQ(std::from_chars(text.data(), text.data() + text.size(), expected).ec, std::errc{});
        EXPECT_EQ(ResultOf(LeadingNumber(text)), expected) << text.substr(0, 60);
    }
}

TEST(LeadingNumber, IgnoresTheLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8", "ru_RU.UTF-8"};
    if (std::none_of(std::begin(names), std::end(names), [](const char* name) {
            return std::setlocale(LC_ALL, name) && std::string(std::localeconv()->decimal_point) != ".";
        })) {
        std::setlocale(LC_ALL, previous.c_str());
        GTEST_SKIP() << "no installed locale with a decimal point other than '.'";
    }
    CheckNumbers();
    EXPECT_EQ(FormatFigure(2.5), std::string("2") + std::localeconv()->decimal_point + "5");
    TempDir dir;
    ShotTable shots;
    const Result read = ResultOf(ReadGroupFile(dir.Write("g.grp", "a\r\nb\r\n2.5\r\n1.5,2.25\r\n.5,1e1"), shots));
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(read, 2);
    EXPECT_EQ(shots, Table({{1.5, 2.25}, {0.5, 10}}));
}

// What the caller held before a read, to tell "unchanged" from "replaced".
const ShotTable kPrevious = {{7, 7}, {8, 8}, {9, 9}};

TEST(ReadGroupFile, CountLineRoundsHalfToEvenWithin16Bits) {
    // size: of the table after a failure; -1 unchanged, 0 not checked.
    const struct { std::string line; Result result; int size = 0; } cases[] = {
        {"5 shots", 5}, {" 1 2", 12}, {"1e1", 10}, {"+3", 3}, {"2.5", 2}, {"3.5", 4}, {"6.5", 6}, {"7.5", 8},
        {"4.4999", 4}, {"-0.5", 0}, {"0", 0}, {"1", 1}, {"2", 2}, {"abc", 0}, {"", 0},
        {"-1", kSubscript, 1}, {"-2", kSubscript}, {"-32768.5", kSubscript}, {"32766.5", kPastEnd, 32768},
        {"32767", kOverflow, -1}, {"32767.5", kOverflow, -1}, {"32768", kOverflow, -1}, {"-32769", kOverflow, -1},
        {"1e400", kOverflow, -1},
    };
    std::vector<ShotPoint> twelve;
    for (int j = 0; j < 12; ++j) twelve.push_back({j + 1.5, -0.25 * j});
    TempDir dir;
    for (const auto& [line, expected, size] : cases) {
        SCOPED_TRACE("count line '" + line + "'");
        ShotTable shots = kPrevious;
        EXPECT_EQ(ResultOf(ReadGroupFile(dir.Write("g.grp", GroupText(line, twelve)), shots)), expected);
        if (!expected.kind) {
            EXPECT_EQ(shots, Table({twelve.begin(), twelve.begin() + static_cast<int>(expected.value)}));
        } else if (size == -1) {
            EXPECT_EQ(shots, kPrevious);
        } else if (size > 0) {
            ASSERT_EQ(shots.size(), static_cast<std::size_t>(size));
            EXPECT_EQ(shots[0], size == 1 ? ShotPoint{} : twelve[0]);
        }
    }
}

std::string File(const std::string& count, const std::string& body) { return "h1\r\nh2\r\n" + count + "\r\n" + body; }

TEST(ReadGroupFile, ReadsTheDeclaredShotsIntoTheTable) {
    const ShotTable three = Table({{0.5, -1}, {2, 3.25}, {-4, 0}});
    std::vector<std::tuple<std::string, Result, ShotTable>> cases = {
        {File("2", "1,2,3,4\r\n"), 2, Table({{1, 2}, {3, 4}})},
        {File("2", "1\r\n2\r\n3\r\n4"), 2, Table({{1, 2}, {3, 4}})},
        {File("1", "a,2\r\n"), 1, Table({{0, 2}})}, {File("1", "  -1.5,\t 2.25\r\n"), 1, Table({{-1.5, 2.25}})},
        {File("2", "1E1,-2D0\r\n2.5e-1,.5\r\n"), 2, Table({{10, -2}, {0.25, 0.5}})},
        {File("1", "193.38227150129202,0.1"), 1, Table({{193.38227150129202, 0.1}})},
        {File("2", "1,1\r\n2,2\r\n3,3\r\n1e400,\"zz\r\n\xff"), 2, Table({{1, 1}, {2, 2}})},  // the rest is never read
        {"a\rb\n3\r\n0.5,-1\n2,3.25\r-4,0", 3, three},
        {File("", ""), 0, ShotTable(2)},  // an empty line 3 is a count line all the same
        {File("6", "1,2\r\n3,4\r\n5,6\r\n7,8\r\n9,10\r\n"), kPastEnd,
         {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}, {}, {}, {}}},
        {File("2", "1,2\r\n3"), kPastEnd, {{1, 2}, {3, 0}, {}, {}}},
        {File("1", ""), kPastEnd, ShotTable(3)},
        {"", 0, kPrevious}, {"one line", 0, kPrevious}, {"a\r\nb", 0, kPrevious}, {"a\r\nb\r\n", 0, kPrevious},
        {"a\rb\r", 0, kPrevious}, {"a\nb\n", 0, kPrevious},
    };
    // Lines 1 and 2 may hold any bytes.
    const std::string headers[][2] = {
        {"", ""}, {"\xEF\xBB\xBFwith BOM", "\xC3\x28\xA0\xA1 invalid UTF-8"},
        {std::string("nul\0byte", 8), std::string(3, '\0')}, {"5", "99,99,99"}, {"\"quoted, \"\"text\"", "\t"},
    };
    for (const std::string eol : {"\r\n", "\r", "\n"}) {
        for (const auto& [h1, h2] : headers) {
            cases.emplace_back(h1 + eol + h2 + eol + "3" + eol + "0.5,-1" + eol + "2,3.25" + eol + "-4,0", 3, three);
        }
    }
    TempDir dir;
    for (const auto& [text, expected, table] : cases) {
        SCOPED_TRACE(testing::PrintToString(text));
        ShotTable shots = kPrevious;
        EXPECT_EQ(ResultOf(ReadGroupFile(dir.Write("g.grp", text), shots)), expected);
        EXPECT_EQ(shots, table);
    }
}

TEST(ReadGroupFile, OpeningFailuresLeaveTheTable) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.grp").c_str(), 0600), 0);
    std::filesystem::create_directory(dir / "dir.grp");
    const std::string locked = dir.Write("locked.grp", GroupText("1", {{1, 1}}));
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    std::vector<std::pair<std::string, FailureKind>> cases = {
        {dir / "missing.grp", FailureKind::FileNotFound}, {locked + "/g.grp", FailureKind::FileNotFound},
        {dir / "dir.grp", kAccess}, {dir / "pipe.grp", kAccess}, {"/dev/null", kAccess},
    };
    if (::geteuid() != 0) cases.emplace_back(locked, kAccess);  // root reads it all the same
    for (const auto& [path, kind] : cases) {
        ShotTable shots = kPrevious;
        EXPECT_EQ(ResultOf(ReadGroupFile(path, shots)), kind) << path;
        EXPECT_EQ(shots, kPrevious) << path;
    }
}

TEST(ReadGroupFile, LargestCountAndGiganticFirstLine) {
    std::vector<ShotPoint> many;
    for (int j = 0; j < 32766; ++j) many.push_back({j * 0.5, -j * 0.25});
    TempDir dir;
    ShotTable shots;
    EXPECT_EQ(ResultOf(ReadGroupFile(dir.Write("big.grp", GroupText("32766", many)), shots)), 32766);
    EXPECT_EQ(shots, Table(many));
    // The CR LF ending a 20 MB line 1 straddles a power of two, as read buffers commonly are sized.
    const std::string huge = std::string((20u << 20) - 1, 'x') + "\r\n" + std::string(65534, '7') + "\r\n";
    EXPECT_EQ(ResultOf(ReadGroupFile(dir.Write("huge.grp", huge + "2\r\n1,2\r\n3,4"), shots)), 2);
    EXPECT_EQ(shots, Table({{1, 2}, {3, 4}}));
}

}  // namespace
}  // namespace cep
