#pragma once

// The fixed, untranslated texts a merge or a rebase fails with, besides the
// other jobs' (a merge's sizes, outputs and writes fail as theirs do).

#include <QString>

namespace quillmark::mergemessage {

inline constexpr char BaseMap[] = "Unable to open base map file";
inline constexpr char OurMap[] = "Unable to open our map file";
inline constexpr char TheirMap[] = "Unable to open their map file";
inline constexpr char ReferenceMap[] = "Unable to open reference map file";
inline constexpr char NewBaseMap[] = "Unable to open new base map file";
inline constexpr char BaseStatics[] = "Unable to open base statics files";
inline constexpr char OurStatics[] = "Unable to open our statics files";
inline constexpr char TheirStatics[] = "Unable to open their statics files";
inline constexpr char ReferenceStatics[] = "Unable to open reference statics files";
inline constexpr char NewBaseStatics[] = "Unable to open new base statics files";

// Conflicts found, and no side preferred: nothing is written but the
// conflicts file.
inline constexpr char SidesConflict[] = "Both sides changed the same tiles";
inline constexpr char UnableToWriteConflicts[] = "Unable to write conflicts file";
// A rebase whose patch's manifest names another reference.
inline constexpr char NotThePatchsReference[] = "Dif files were not made from this reference";

// Damaged statics, named with the side and the block at which they were found.
inline QString baseStaticsDamaged(qint64 block)
{
    return QStringLiteral("Base statics are damaged at block %1").arg(block);
}
inline QString ourStaticsDamaged(qint64 block)
{
    return QStringLiteral("Our statics are damaged at block %1").arg(block);
}
inline QString theirStaticsDamaged(qint64 block)
{
    return QStringLiteral("Their statics are damaged at block %1").arg(block);
}
inline QString newBaseStaticsDamaged(qint64 block)
{
    return QStringLiteral("New base statics are damaged at block %1").arg(block);
}
// A block both sides changed whose statics are too many to part by tile.
inline QString staticsTooLargeToMerge(qint64 block)
{
    return QStringLiteral("Statics too large to merge at block %1").arg(block);
}

}  // namespace quillmark::mergemessage
