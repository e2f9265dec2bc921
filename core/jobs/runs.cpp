#include "runs.h"

#include "inputfile.h"
#include "stagedfile.h"

#include <cstring>

RunComparison compareRuns(InputFile& a, qint64 aOffset, InputFile& b, qint64 bOffset, qint64 length)
{
    for (qint64 done = 0; done < length;) {
        const qint64 piece = qMin(length - done, InputFile::MaxView);
        const char* x = a.view(aOffset + done, piece);
        const char* y = b.view(bOffset + done, piece);
        if (!x || !y)
            return RunComparison::Unreadable;
        if (memcmp(x, y, size_t(piece)) != 0)
            return RunComparison::Different;
        done += piece;
    }
    return RunComparison::Equal;
}

bool copyRun(InputFile& from, qint64 offset, qint64 length, StagedFile& to)
{
    return from.forEachPiece(offset, length, [&to](const char* bytes, qint64 count) {
        to.append(bytes, count);
        return true;
    });
}
