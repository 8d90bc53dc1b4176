// SPDX-License-Identifier: MIT
// What a shooter must be told beside a group's figures, as values: where the
// file may not mean what it gives, shots left out, flyers, an elongated group,
// and what a comparison of two groups rests on. The text, JSON and picture
// writers and the window word each note their own way; none of them looks for
// a note in another's words.
#pragma once

#include <span>
#include <vector>

#include "core/aiming.h"
#include "core/data_check.h"
#include "core/group_pool.h"
#include "core/group_stats.h"

namespace cep {

enum class NoteKind {
    DataWarning,     // `warning`: a line of the file the reader passed over in silence
    LeftOut,         // `shots`: left out on request; the figures are of `remaining`
    Flyer,           // `flyer`: farther out than the other shots predict
    Elongated,       // the circle figures assume a round group
    SpreadsDiffer,   // `p`: a pool's groups do not share one spread
    CentreMoved,     // `p`: a pool's centres moved between groups
    OffsetUnproven,  // `offset` lies within `radius`, the centre's own uncertainty at `level`
};

// Which group a note is about: the one group, or A or B of a comparison.
enum class NoteGroup { Alone, A, B };

struct Note {
    NoteKind kind = NoteKind::DataWarning;
    NoteGroup group = NoteGroup::Alone;
    DataWarning warning;
    std::vector<int> shots;
    int remaining = 0;
    Flyer flyer;
    double p = 0.0;
    double offset = 0.0;
    double radius = 0.0;
    double level = 0.0;
};

// A group's notes in the order a reader meets them: the data check's
// findings, the shots left out, each flyer in file order, an elongated group.
std::vector<Note> GroupNotes(const GroupStats& stats, std::span<const DataWarning> warnings = {});

// What the comparison of A with B assumes of each: a round group (elongated
// first), no flyer; A's notes before B's.
std::vector<Note> ComparisonNotes(const GroupStats& a, const GroupStats& b);

// What a pool rests on: one spread, and one centre, for all its groups.
std::vector<Note> PoolNotes(const PoolStats& pool);

// A correction these shots cannot tell from none.
std::vector<Note> CorrectionNotes(const Correction& correction);

}  // namespace cep
