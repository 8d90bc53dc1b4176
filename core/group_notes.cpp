// SPDX-License-Identifier: MIT
#include "core/group_notes.h"

#include <algorithm>
#include <iterator>

namespace cep {

namespace {

Note Make(NoteKind kind, NoteGroup group = NoteGroup::Alone) {
    Note note;
    note.kind = kind;
    note.group = group;
    return note;
}

}  // namespace

std::vector<Note> GroupNotes(const GroupStats& stats, std::span<const DataWarning> warnings) {
    std::vector<Note> notes;
    notes.reserve(warnings.size() + stats.flyers.size() + 2);
    for (const DataWarning& w : warnings) notes.emplace_back(Make(NoteKind::DataWarning)).warning = w;
    if (!stats.excluded.empty()) {
        Note& leftOut = notes.emplace_back(Make(NoteKind::LeftOut));
        leftOut.shots = stats.excluded;
        leftOut.remaining = stats.shots;
    }
    for (const Flyer& f : stats.flyers) notes.emplace_back(Make(NoteKind::Flyer)).flyer = f;
    if (stats.shape.elongated) notes.push_back(Make(NoteKind::Elongated));
    return notes;
}

std::vector<Note> ComparisonNotes(const GroupStats& a, const GroupStats& b) {
    std::vector<Note> notes;
    for (const auto& [group, s] : {std::pair{NoteGroup::A, &a}, std::pair{NoteGroup::B, &b}}) {
        if (s->shape.elongated) notes.push_back(Make(NoteKind::Elongated, group));
        for (const Flyer& f : s->flyers) notes.emplace_back(Make(NoteKind::Flyer, group)).flyer = f;
    }
    return notes;
}

}  // namespace cep
