#pragma once

// A count with its noun in the right number ("1 record", "2 records"), for
// the texts of the audit and the report, the two wings that stand on this
// one.

#include <QString>

namespace quillmark {

inline QString counted(qint64 count, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

}  // namespace quillmark
