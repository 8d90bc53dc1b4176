// SPDX-License-Identifier: MIT
// The data check: each kind of questionable line, told by its line number,
// with the fields split exactly as the reader splits them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/data_check.h"
#include "core/group_stats.h"
#include "tests/support/temp_dir.h"

namespace cep {
namespace {

const std::string kHead = "CEP group file\r\ntest rifle\r\n";

TEST(DataCheck, EachKindOfLine) {
    const struct {
        const char* what;
        std::string text;
        ShotCount declared;
        std::vector<DataWarning> expected;
    } cases[] = {
        {"clean, commas and blanks, LF and CR lines, blank lines after",
         kHead + "3\r\n1.5,-2\r\n0.25 7\n-1e1, +.5\r\r\n\r\n",
         3,
         {}},
        {"x, y split over lines, as the reader allows", kHead + "2\r\n1\r\n2,3\r\n4\r\n", 2, {}},
        {"a letter for a number",
         kHead + "2\r\n1,2\r\nabc,4\r\n",
         2,
         {{5, "shot 2: x \"abc\" is not a number; read as 0"}}},
        {"a number with a tail, and a lone sign",
         kHead + "2\r\n1.5in,2\r\n3,-\r\n",
         2,
         {{4, "shot 1: x \"1.5in\" is not wholly a number; read as 1.5"},
          {5, "shot 2: y \"-\" is not a number; read as 0"}}},
        {"an empty field between two commas", kHead + "2\r\n1,,2\r\n3\r\n", 2, {{4, "shot 1: y is empty; read as 0"}}},
        {"decimal commas with a semicolon",
         kHead + "2\r\n1,5;2,5\r\n-0,25;3,75\r\n",
         2,
         {{4,
           "\"1,5;2,5\" looks like numbers with decimal commas; a group file takes a period (\"1.5\"), and a comma "
           "parts x from y"},
          {5,
           "\"-0,25;3,75\" looks like numbers with decimal commas; a group file takes a period (\"1.5\"), and a "
           "comma parts x from y"},
          // read as 1, 5 and 5, -0: the rest is more than was declared
          {5, "text after the 2 shots that line 3 declares: \"25;3,75\"; it is left out of the figures"}}},
        {"decimal commas with a blank; a single 1,5 is a clean x, y",
         kHead + "3\r\n1,5 2,5\r\n1,5\r\n",
         3,
         {{4,
           "\"1,5 2,5\" looks like numbers with decimal commas; a group file takes a period (\"1.5\"), and a comma "
           "parts x from y"}}},
        {"decimal commas only after the declared shots: left out, and said so once",
         kHead + "2\r\n1,2\r\n3,4\r\n1,5;2,5\r\n",
         2,
         {{6, "text after the 2 shots that line 3 declares: \"1,5;2,5\"; it is left out of the figures"}}},
        {"more shots than declared",
         kHead + "2\r\n1,2\r\n3,4\r\n5,6\r\n7,8\r\n\r\n",
         2,
         {{6, "2 more shots after the 2 that line 3 declares; they are left out of the figures"}}},
        {"one more shot, on the last shot's line",
         kHead + "1\r\n1,2,3,4\r\n",
         1,
         {{4, "1 more shot after the 1 that line 3 declares; they are left out of the figures"}}},
        {"text after the shots",
         kHead + "2\r\n1,2\r\n3,4\r\nshot at dusk, wind 5 mph from the left, ... mirage\r\n9\r\n",
         2,
         {{6,
           "text after the 2 shots that line 3 declares: \"shot at dusk, wind 5 mph from the left, ...\"; it is "
           "left out of the figures"}}},
        {"an odd number of numbers after the shots",
         kHead + "1\r\n1,2\r\n3\r\n",
         1,
         {{5, "text after the 1 shot that line 3 declares: \"3\"; it is left out of the figures"}}},
        {"no shots declared: everything after the count is extra",
         kHead + "0\r\n1,2\r\n",
         0,
         {{4, "1 more shot after the 0 that line 3 declares; they are left out of the figures"}}},
        {"a file cut for its length",
         kHead + "1\r\n1,2\r\n",
         1,
         {{4, "the file is too long to check whole; only its start was checked"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const bool cut = std::string(c.what).find("cut") != std::string::npos;
        const std::vector<DataWarning> found = CheckGroupData(c.text, c.declared, cut);
        ASSERT_EQ(found.size(), c.expected.size());
        for (std::size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].line, c.expected[i].line);
            EXPECT_EQ(found[i].text, c.expected[i].text);
        }
    }
}

TEST(DataCheck, AtMostTwentyLinesThenACount) {
    std::string text = kHead + "30\r\n";
    for (int i = 0; i < 30; ++i) text += "x,1\r\n";
    text += "1,2\r\n";
    const std::vector<DataWarning> found = CheckGroupData(text, 30);
    ASSERT_EQ(found.size(), 22u);
    EXPECT_EQ(found[19], (DataWarning{23, "shot 20: x \"x\" is not a number; read as 0"}));
    EXPECT_EQ(found[20], (DataWarning{24, "and 10 more like these"}));
    // What follows the shots is told whatever came before.
    EXPECT_EQ(found[21],
              (DataWarning{34, "1 more shot after the 30 that line 3 declares; they are left out of the figures"}));
}

// The file is checked whole, past the reader's first buffer: the shots
// declared, then 20,000 more (some 120 KB), then a note far down.
TEST(DataCheck, ReadsTheWholeFileAsTheReaderLeftIt) {
    testing_support::TempDir dir;
    std::string text = kHead + "2\r\n1,2\r\n3,4\r\n";
    for (int i = 0; i < 20000; ++i) text += "0.25,-0.5\r\n";
    const std::string more = dir.Write("more.grp", text);
    const std::string note = dir.Write("note.grp", text + "wind from the left\r\n");
    ShotTable shots;
    std::vector<DataWarning> warnings;
    ASSERT_TRUE(ReadGroupStats(more, "100", 0.95, shots, {}, &warnings).ok());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0],
              (DataWarning{6, "20000 more shots after the 2 that line 3 declares; they are left out of the figures"}));
    ASSERT_TRUE(ReadGroupStats(note, "100", 0.95, shots, {}, &warnings).ok());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].text,
              "text after the 2 shots that line 3 declares: \"0.25,-0.5\"; it is left out of the figures");
    // The figures are the two declared shots'.
    EXPECT_EQ(shots[1], (ShotPoint{3, 4}));
    EXPECT_EQ(ReadGroupStats(note, "100", 0.95, shots).value().centre, (ShotPoint{2, 3}));
}

}  // namespace
}  // namespace cep
