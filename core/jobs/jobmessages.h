#pragma once

// The fixed, untranslated texts that a job leaves in the status bar (or on
// stderr in the command-line tool) when it fails.

#include <QString>

namespace quillmark::jobmessage {

inline constexpr char OutputDirMissing[] = "Output Directory does not exist";
inline constexpr char UnableToCreateDiffFiles[] = "Unable to create diff files";
inline constexpr char UnableToWriteDiffFiles[] = "Unable to write diff files";
inline constexpr char UnableToOpenDifFiles[] = "Unable to open dif files";

// Map generation
inline constexpr char UnableToOpenReferenceData[] = "Unable to open reference data file";
inline constexpr char UnableToOpenMapData[] = "Unable to open map data file";
inline constexpr char MapSizesDiffer[] = "Map data files are different sizes";
inline constexpr char UnableToReadMapData[] = "Unable to read map data files";

// Map combination
inline constexpr char UnableToOpenMap[] = "Unable to open map file";
inline constexpr char UnableToCreateNewMap[] = "Unable to create new map file";
inline constexpr char UnableToReadMapOrDif[] = "Unable to read map or dif files";
inline constexpr char UnableToWriteNewMap[] = "Unable to write new map file";

// Map conversion (its other texts are the combination's)
inline constexpr char UnableToReadMap[] = "Unable to read map file";

// Statics generation
inline constexpr char UnableToOpenReferenceOrIndex[] = "Unable to open reference or index data file";
inline constexpr char UnableToOpenStaticsDataOrIndex[] = "Unable to open statics data or index file";
inline constexpr char IndexSizesDiffer[] = "Index files are different sizes";
inline constexpr char UnableToReadStatics[] = "Unable to read statics files";

// Statics combination
inline constexpr char UnableToOpenStatics[] = "Unable to open static files";
inline constexpr char UnableToCreateNewStatics[] = "Unable to create new static files";
inline constexpr char UnableToReadStaticsOrDif[] = "Unable to read statics or dif files";
inline constexpr char UnableToWriteNewStatics[] = "Unable to write new static files";

// A combination's base against its patch's manifest
inline constexpr char DifFilesDoNotFitMap[] = "Dif files do not fit this map";
inline constexpr char DifFilesDoNotFitStatics[] = "Dif files do not fit these statics";
inline constexpr char DifFilesDoNotMatchManifest[] = "Dif files do not match their manifest";

// Review report (its maps, statics and difference files fail with the
// combinations' texts above)
inline constexpr char UnableToOpenRadarColours[] = "Unable to open radar colour file";
inline constexpr char UnableToReadRadarColours[] = "Unable to read radar colour file";
inline constexpr char UnableToCreateReport[] = "Unable to create report file";
inline constexpr char UnableToWriteReport[] = "Unable to write report file";

// Damaged input, named with the block at which it was found.
inline QString difFilesDamaged(qint64 block)
{
    return QStringLiteral("Dif files are damaged at block %1").arg(block);
}
inline QString referenceStaticsDamaged(qint64 block)
{
    return QStringLiteral("Reference statics are damaged at block %1").arg(block);
}
inline QString currentStaticsDamaged(qint64 block)
{
    return QStringLiteral("Current statics are damaged at block %1").arg(block);
}

}  // namespace quillmark::jobmessage
