// SPDX-License-Identifier: MIT
// The notes beside a group's figures: which notes a group and a comparison
// give, in which order, and each in the words the text block and the
// window's panel both show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/group_notes.h"
#include "writers/stats_writers.h"

namespace {

using cep::Note;
using cep::NoteGroup;
using cep::NoteKind;

cep::GroupStats Noted() {
    cep::GroupStats s;
    s.shots = 6;
    s.excluded = {2, 9};
    s.flyers = {{7, 2.2084, 1.2113}, {3, 1.5, 1.25}};
    s.shape.elongated = true;
    return s;
}

TEST(Notes, AGroupsNotesInTheOrderAReaderMeetsThem) {
    const std::vector<cep::DataWarning> warnings = {{5, "shot 2: y \"x\" is not a number; read as 0"}, {9, "more"}};
    const std::vector<Note> notes = cep::GroupNotes(Noted(), warnings);
    std::vector<NoteKind> kinds;
    for (const Note& n : notes) kinds.push_back(n.kind);
    EXPECT_EQ(kinds, (std::vector<NoteKind>{NoteKind::DataWarning, NoteKind::DataWarning, NoteKind::LeftOut,
                                            NoteKind::Flyer, NoteKind::Flyer, NoteKind::Elongated}));
    EXPECT_EQ(notes[1].warning.line, 9);
    EXPECT_EQ(notes[2].shots, (std::vector<int>{2, 9}));
    EXPECT_EQ(notes[2].remaining, 6);
    EXPECT_EQ(notes[4].flyer.shot, 3);
    for (const Note& n : notes) EXPECT_EQ(n.group, NoteGroup::Alone);

    // A clean group has none.
    EXPECT_TRUE(cep::GroupNotes(cep::GroupStats{}).empty());
}

TEST(Notes, AComparisonsNotesSayWhichGroup) {
    cep::GroupStats clean;
    const std::vector<Note> notes = cep::ComparisonNotes(clean, Noted());
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].kind, NoteKind::Elongated);
    for (const Note& n : notes) EXPECT_EQ(n.group, NoteGroup::B);
    const std::vector<Note> swapped = cep::ComparisonNotes(Noted(), clean);
    for (const Note& n : swapped) EXPECT_EQ(n.group, NoteGroup::A);
}

struct Worded {
    const char* about;
    Note note;
    std::string text;
};

Note Make(NoteKind kind, NoteGroup group = NoteGroup::Alone) {
    Note n;
    n.kind = kind;
    n.group = group;
    n.warning = {12, "text \x1f after"};
    n.shots = {4};
    n.remaining = 9;
    n.flyer = {7, 2.2084, 1.2113};
    return n;
}

class NoteWords : public ::testing::TestWithParam<Worded> {};

TEST_P(NoteWords, AreTheBlocksOwn) {
    EXPECT_EQ(cep::writers::NoteText(GetParam().note, "a\n.grp", "b.grp"), GetParam().text);
}

Note TwoLeftOut() {
    Note n = Make(NoteKind::LeftOut);
    n.shots = {2, 7, 11};
    n.remaining = 1;
    return n;
}

INSTANTIATE_TEST_SUITE_P(
    EachKind, NoteWords,
    ::testing::Values(
        Worded{"data warning", Make(NoteKind::DataWarning), "line 12: text \\x1f after"},
        Worded{"one left out", Make(NoteKind::LeftOut), "Left out on request: shot 4; the figures are of the other 9."},
        Worded{"three left out", TwoLeftOut(),
               "Left out on request: shots 2, 7 and 11; the figures are of the other 1."},
        Worded{
            "flyer", Make(NoteKind::Flyer),
            "Flyer: shot 7 is 2.208 in from the others' centre; they predict at most 1.211 in. It is in the figures."},
        Worded{"elongated", Make(NoteKind::Elongated), "Elongated group: the circle figures assume a round group."},
        Worded{"A's flyer", Make(NoteKind::Flyer, NoteGroup::A),
               "A (a\\x0a.grp) has a flyer, shot 7, which makes its sigma larger."},
        Worded{"B elongated", Make(NoteKind::Elongated, NoteGroup::B),
               "B (b.grp) is elongated; this comparison assumes round groups."}),
    [](const auto& info) {
        std::string name;
        for (const char c : std::string(info.param.about))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

}  // namespace
