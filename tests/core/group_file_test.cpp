// Reading group files: the count line, the shot fields, the table layout
// and the failures of opening and reading.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "group_file.h"
#include "test_support.h"

namespace {

using cep::FailureKind;
using cep::ShotPoint;
using cep::ShotTable;
using cep_test::FailsWith;
using cep_test::GroupText;
using cep_test::ReadTable;
using cep_test::TempFolder;

// What the caller held before the read, to tell "unchanged" from "replaced".
const ShotTable kPrevious = {{7, 7}, {8, 8}, {9, 9}};

std::vector<ShotPoint> TwelveShots() {
    std::vector<ShotPoint> shots;
    for (int j = 0; j < 12; ++j) shots.push_back({j + 1.5, -0.25 * j});
    return shots;
}

struct CountCase {
    std::string line;
    bool ok;
    int count;              // when ok
    FailureKind kind;       // when not ok
    int tableSize;          // -1: the previous table stays; 0: not checked
};

const CountCase kCountCases[] = {
    {"5", true, 5, {}, 7},
    {"5 shots", true, 5, {}, 7},
    {" 1 2", true, 12, {}, 14},
    {"\t7", true, 7, {}, 9},
    {"1e1", true, 10, {}, 12},
    {"+3", true, 3, {}, 5},
    {"2.5", true, 2, {}, 4},
    {"3.5", true, 4, {}, 6},
    {"4.5", true, 4, {}, 6},
    {"5.5", true, 6, {}, 8},
    {"6.5", true, 6, {}, 8},
    {"7.5", true, 8, {}, 10},
    {"4.4999", true, 4, {}, 6},
    {"-0.5", true, 0, {}, 2},
    {"0", true, 0, {}, 2},
    {"1", true, 1, {}, 3},
    {"2", true, 2, {}, 4},
    {"abc", true, 0, {}, 2},
    {"", true, 0, {}, 2},
    {"-1", false, 0, FailureKind::SubscriptOutOfRange, 1},
    {"-2", false, 0, FailureKind::SubscriptOutOfRange, 0},
    {"-2.5", false, 0, FailureKind::SubscriptOutOfRange, 0},
    {"-32768", false, 0, FailureKind::SubscriptOutOfRange, 0},
    {"32767", false, 0, FailureKind::Overflow, -1},
    {"32766.5", false, 0, FailureKind::InputPastEndOfFile, 32768},  // rounds to 32766
    {"32767.5", false, 0, FailureKind::Overflow, -1},
    {"32768", false, 0, FailureKind::Overflow, -1},
    {"1e9", false, 0, FailureKind::Overflow, -1},
    {"1000000000", false, 0, FailureKind::Overflow, -1},
    {"-32769", false, 0, FailureKind::Overflow, -1},
    {"-32768.5", false, 0, FailureKind::SubscriptOutOfRange, 0},  // rounds to -32768
    {"1e400", false, 0, FailureKind::Overflow, -1},
};

TEST(ReadGroupFile, CountLineRoundsHalfToEvenWithin16Bits) {
    TempFolder folder;
    const auto shots12 = TwelveShots();
    for (const auto& c : kCountCases) {
        SCOPED_TRACE("count line '" + c.line + "'");
        ShotTable shots = kPrevious;
        const auto read = cep::ReadGroupFile(folder.Write("g.grp", GroupText(c.line, shots12)), shots);
        if (c.ok) {
            ASSERT_TRUE(read.ok()) << read.failure().message;
            EXPECT_EQ(read.value(), c.count);
            ShotTable expected(shots12.begin(), shots12.begin() + c.count);
            EXPECT_EQ(shots, c.count == 0 ? ShotTable(2) : ReadTable(expected));
        } else {
            EXPECT_TRUE(FailsWith(read, c.kind));
        }
        if (c.tableSize == -1) {
            EXPECT_EQ(shots, kPrevious);
        } else if (c.tableSize > 0) {
            EXPECT_EQ(shots.size(), static_cast<std::size_t>(c.tableSize));
            if (!c.ok) {
                EXPECT_EQ(shots[0], c.tableSize == 1 ? ShotPoint{} : shots12[0]);
            }
        }
    }
}

struct FieldCase {
    const char* name;
    std::string body;  // everything after the count line
    int count;
    std::vector<ShotPoint> expected;
};

TEST(ReadGroupFile, ReadsFieldsSeparatedByCommasAndLineEnds) {
    const FieldCase cases[] = {
        {"two shots on one line", "1,2,3,4\r\n", 2, {{1, 2}, {3, 4}}},
        {"one number per line", "1\r\n2\r\n3\r\n4\r\n", 2, {{1, 2}, {3, 4}}},
        {"text field is 0", "a,2\r\n", 1, {{0, 2}}},
        {"blanks before fields", "  -1.5,\t 2.25\r\n", 1, {{-1.5, 2.25}}},
        {"exponents in fields", "1E1,-2D0\r\n2.5e-1,.5\r\n", 2, {{10, -2}, {0.25, 0.5}}},
        {"exact conversion", "193.38227150129202,0.1\r\n", 1, {{193.38227150129202, 0.1}}},
        {"no final line end", "1,2\r\n3,4", 2, {{1, 2}, {3, 4}}},
        {"later shots ignored", "1,1\r\n2,2\r\n3,3\r\n4,4\r\n5,5\r\n6,6\r\n7,7\r\n8,8\r\n9,9\r\n10,10\r\n", 3,
         {{1, 1}, {2, 2}, {3, 3}}},
        {"trailing text never read", "1,2\r\n3,4\r\n1e400,\"zz\r\n\xff\xfe\r\n", 2, {{1, 2}, {3, 4}}},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ShotTable shots = kPrevious;
        const std::string text = "h1\r\nh2\r\n" + std::to_string(c.count) + "\r\n" + c.body;
        const auto read = cep::ReadGroupFile(folder.Write("g.grp", text), shots);
        ASSERT_TRUE(read.ok()) << read.failure().message;
        EXPECT_EQ(read.value(), c.count);
        EXPECT_EQ(shots, ReadTable(c.expected));
    }
}

// Lines end at CR, CR LF or a lone LF; the two skipped lines may hold any
// bytes at all without changing the result.
TEST(ReadGroupFile, HeaderBytesAndLineEndsDoNotMatter) {
    const std::vector<ShotPoint> shots3 = {{0.5, -1}, {2, 3.25}, {-4, 0}};
    const std::string headers[][2] = {
        {"Orvanta", "group"},
        {"", ""},
        {"\xEF\xBB\xBFwith BOM", "\xC3\x28\xA0\xA1 invalid UTF-8"},
        {std::string("nul\0byte", 8), std::string(3, '\0')},
        {"5", "99,99,99"},
        {"\"quoted, \"\"text\"", "\t \t"},
    };
    TempFolder folder;
    for (const char* eol : {"\r\n", "\r", "\n"}) {
        for (const auto& h : headers) {
            SCOPED_TRACE("line end " + std::to_string(eol[0]) + "/" + std::to_string(eol[1]) +
                         ", header '" + h[0] + "'");
            std::string text = h[0] + eol + h[1] + eol + "3" + eol;
            for (const auto& s : shots3) text += std::to_string(s.x) + "," + std::to_string(s.y) + eol;
            ShotTable shots;
            const auto read = cep::ReadGroupFile(folder.Write("g.grp", text), shots);
            ASSERT_TRUE(read.ok()) << read.failure().message;
            EXPECT_EQ(read.value(), 3);
            EXPECT_EQ(shots, ReadTable(shots3));
        }
    }
    // Mixed line ends in one file.
    ShotTable shots;
    const auto read = cep::ReadGroupFile(folder.Write("m.grp", "a\rb\n3\r\n0.5,-1\n2,3.25\r-4,0"), shots);
    ASSERT_TRUE(read.ok()) << read.failure().message;
    EXPECT_EQ(shots, ReadTable(shots3));
}

TEST(ReadGroupFile, FewerThanThreeLinesReturnsZeroAndKeepsTheTable) {
    TempFolder folder;
    for (const std::string text : {"", "one line", "a\r\nb", "a\r\nb\r\n", "a\rb\r", "a\nb\n"}) {
        SCOPED_TRACE("file '" + text + "'");
        ShotTable shots = kPrevious;
        const auto read = cep::ReadGroupFile(folder.Write("g.grp", text), shots);
        ASSERT_TRUE(read.ok()) << read.failure().message;
        EXPECT_EQ(read.value(), 0);
        EXPECT_EQ(shots, kPrevious);
    }
    // An empty third line is a count line all the same: count 0, table replaced.
    ShotTable shots = kPrevious;
    const auto read = cep::ReadGroupFile(folder.Write("g.grp", "a\r\nb\r\n\r\n"), shots);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value(), 0);
    EXPECT_EQ(shots, ShotTable(2));
}

TEST(ReadGroupFile, DataEndingEarlyIsInputPastEndOfFile) {
    const struct {
        const char* name;
        std::string text;
        ShotTable expected;
    } cases[] = {
        {"6 declared, 5 present", GroupText("6", {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}}),
         {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}, {}, {}, {}}},
        {"ends after an x", "a\r\nb\r\n2\r\n1,2\r\n3", {{1, 2}, {3, 0}, {}, {}}},
        {"no shot data", "a\r\nb\r\n1\r\n", {{}, {}, {}}},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ShotTable shots = kPrevious;
        EXPECT_TRUE(FailsWith(cep::ReadGroupFile(folder.Write("g.grp", c.text), shots),
                              FailureKind::InputPastEndOfFile));
        EXPECT_EQ(shots, c.expected);
    }
}

TEST(ReadGroupFile, OpeningFailuresLeaveTheTable) {
    TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.Path("pipe.grp").c_str(), 0600), 0);
    std::filesystem::create_directory(folder.Path("dir.grp"));
    const struct {
        std::string path;
        FailureKind kind;
    } cases[] = {
        {folder.Path("missing.grp"), FailureKind::FileNotFound},
        {folder.Path("no-such-folder/g.grp"), FailureKind::FileNotFound},
        {folder.Path("dir.grp"), FailureKind::FileAccessFailure},
        {folder.Path("pipe.grp"), FailureKind::FileAccessFailure},  // must not wait for a writer
        {"/dev/null", FailureKind::FileAccessFailure},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ShotTable shots = kPrevious;
        EXPECT_TRUE(FailsWith(cep::ReadGroupFile(c.path, shots), c.kind));
        EXPECT_EQ(shots, kPrevious);
    }
}

TEST(ReadGroupFile, UnreadableFileIsFileAccessFailure) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not apply to root";
    TempFolder folder;
    const std::string path = folder.Write("locked.grp", GroupText("3", {{1, 1}, {2, 2}, {3, 3}}));
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    ShotTable shots = kPrevious;
    EXPECT_TRUE(FailsWith(cep::ReadGroupFile(path, shots), FailureKind::FileAccessFailure));
    EXPECT_EQ(shots, kPrevious);
}

TEST(ReadGroupFile, LargestCountWithAllItsShots) {
    std::vector<ShotPoint> many;
    for (int j = 0; j < 32766; ++j) many.push_back({j * 0.5, -j * 0.25});
    TempFolder folder;
    ShotTable shots;
    const auto read = cep::ReadGroupFile(folder.Write("big.grp", GroupText("32766", many)), shots);
    ASSERT_TRUE(read.ok()) << read.failure().message;
    EXPECT_EQ(read.value(), 32766);
    EXPECT_EQ(shots, ReadTable(many));
}

// Line 1 of 20 MB whose CR LF straddles a power-of-two boundary, as read
// buffers commonly are sized.
TEST(ReadGroupFile, GiganticFirstLine) {
    std::string text(20u * 1024u * 1024u - 1u, 'x');
    text += "\r\n";
    text += std::string(65534, '7') + "\r\n3\r\n1,2\r\n3,4\r\n5,6\r\n";
    TempFolder folder;
    ShotTable shots;
    const auto read = cep::ReadGroupFile(folder.Write("huge.grp", text), shots);
    ASSERT_TRUE(read.ok()) << read.failure().message;
    EXPECT_EQ(read.value(), 3);
    EXPECT_EQ(shots, ReadTable({{1, 2}, {3, 4}, {5, 6}}));
}

}  // namespace
