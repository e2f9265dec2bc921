#pragma once

#include <QString>

namespace quillmark {

// A count with its noun in the right number, for every text the engine and
// its tools print: "1 record", "2 records", "0 bytes". `plural` is for nouns
// that do not just take an s.
inline QString counted(qint64 count, const char* singular, const char* plural = nullptr)
{
    const QString noun = count == 1 ? QLatin1String(singular)
                         : plural   ? QLatin1String(plural)
                                    : QLatin1String(singular) + QLatin1Char('s');
    return QString::number(count) + QLatin1Char(' ') + noun;
}

}  // namespace quillmark
