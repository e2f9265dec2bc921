#pragma once

// Moving and comparing runs of block data of any length through the bounded
// windows of the files involved.

#include <QtGlobal>

class InputFile;
class StagedFile;

enum class RunComparison { Equal, Different, Unreadable };

RunComparison compareRuns(InputFile& a, qint64 aOffset, InputFile& b, qint64 bOffset, qint64 length);

// Appends `length` bytes of `from` at `offset` to `to`. False when they cannot
// be read.
bool copyRun(InputFile& from, qint64 offset, qint64 length, StagedFile& to);
