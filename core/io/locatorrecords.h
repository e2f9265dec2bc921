#pragma once

#include "fileformat.h"
#include "input.h"

#include <QtEndian>

#include <limits>

namespace quillmark {

// Hands every whole record of a locator file to `record(qint64 ordinal,
// qint32 block)`, in file order, reading it a window at a time: however long
// the locator, nothing of it is held. A partial record at its end is left
// out, and so is every record from `limit` on. Fails when the locator cannot
// be read.
template <typename Record>
Status forEachLocatorRecord(Input& locator, Record record, qint64 limit = std::numeric_limits<qint64>::max())
{
    using difformat::LocatorRecordSize;
    const qint64 records = qMin(locator.size() / LocatorRecordSize, limit);
    constexpr qint64 RecordsPerView = Input::MaxView / LocatorRecordSize;
    for (qint64 first = 0; first < records; first += RecordsPerView) {
        const qint64 count = qMin(RecordsPerView, records - first);
        const char* bytes = nullptr;
        if (const Status viewed = locator.view(first * LocatorRecordSize, count * LocatorRecordSize, bytes);
            viewed.failed())
            return viewed;
        for (qint64 i = 0; i < count; ++i)
            record(first + i, qFromLittleEndian<qint32>(bytes + i * LocatorRecordSize));
    }
    return Status();
}

}  // namespace quillmark
