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

std::vector<Note> PoolNotes(const PoolStats& pool) {
    std::vector<Note> notes;
    if (pool.spreads && pool.spreads->differ) notes.emplace_back(Make(NoteKind::SpreadsDiffer)).p = pool.spreads->p;
    if (pool.centres.differ) notes.emplace_back(Make(NoteKind::CentreMoved)).p = pool.centres.p;
    return notes;
}

std::vector<Note> CorrectionNotes(const Correction& correction) {
    std::vector<Note> notes;
    if (!correction.calledFor) {
        Note& note = notes.emplace_back(Make(NoteKind::OffsetUnproven));
        note.offset = correction.offset;
        note.radius = correction.uncertainty;
        note.level = correction.level;
    }
    return notes;
}

}  // namespace cep
