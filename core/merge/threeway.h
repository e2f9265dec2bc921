#pragma once

// The three-way rule, for anything a base and two sides each hold: a map
// cell, a statics cell, a whole block. A side that left it as the base had
// it gives way to the other; a side alone in changing it, or both changing
// it alike, give ours; both changing it, each its own way, is a conflict,
// which takes the side preferred (ours when none is: the job then writes
// nothing but its conflicts).

#include "mergejobs.h"

namespace quillmark {

enum class Take { Ours, Theirs, Conflict };

// The comparisons are made as the rule needs them, each at most once: most
// cells of a changed block are the base's on one side.
template <typename OursIsBase, typename TheirsIsBase, typename SidesAgree>
Take threeWay(OursIsBase oursIsBase, TheirsIsBase theirsIsBase, SidesAgree sidesAgree)
{
    if (oursIsBase())
        return Take::Theirs;
    if (theirsIsBase() || sidesAgree())
        return Take::Ours;
    return Take::Conflict;
}

// Whether `take` ends with ours, once a conflict has taken its side.
inline bool takesOurs(Take take, Prefer prefer)
{
    return take == Take::Ours || (take == Take::Conflict && prefer != Prefer::Theirs);
}

// What goes with content without being content (a map block's header, an
// index entry's third field): the side that changed it, ours when both did.
template <typename Value>
const Value& changedSide(const Value& base, const Value& ours, const Value& theirs)
{
    return ours != base ? ours : theirs;
}

// What one block of a merge saw: untouched, changed by one side, or by both
// (alike, or merged cell by cell).
enum class BlockChange { None, Ours, Theirs, Both };

inline void countChange(BlockChange change, MergeFigures& figures)
{
    figures.oursOnly += change == BlockChange::Ours ? 1 : 0;
    figures.theirsOnly += change == BlockChange::Theirs ? 1 : 0;
    figures.both += change == BlockChange::Both ? 1 : 0;
}

}  // namespace quillmark
