// SPDX-License-Identifier: MIT
// The notes beside a group's figures: which notes a group and a comparison
// give, and in which order. Their words are those of the text block, which
// the statistics tests assert.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/group_notes.h"

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

}  // namespace
