#pragma once

// The fixed texts a report leaves on stderr when it fails, beside the jobs'
// own texts for the inputs it shares with them (a map, difference files,
// statics). Scripts match them, so they never change.

namespace reportmessage {

inline constexpr char UnableToOpenRadarColours[] = "Unable to open radar colour file";
inline constexpr char UnableToReadRadarColours[] = "Unable to read radar colour file";
inline constexpr char UnableToCreateReport[] = "Unable to create report file";
inline constexpr char UnableToWriteReport[] = "Unable to write report file";

}  // namespace reportmessage
