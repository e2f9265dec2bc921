#include "console.h"

#include <cstdio>

namespace quillmark {

namespace {

// A line stays one line whatever it quotes: a path may hold a newline or
// another control character, which is shown escaped.
QString oneLine(const QString& line)
{
    QString shown;
    shown.reserve(line.size());
    for (const QChar c : line) {
        if (c == QLatin1Char('\n'))
            shown += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            shown += QLatin1String("\\r");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

void printLine(FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toLocal8Bit();
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    fputc('\n', stream);
    fflush(stream);
}

}  // namespace

void printOut(const QString& line)
{
    printLine(stdout, line);
}

void printError(const QString& line)
{
    printLine(stderr, oneLine(line));
}

}  // namespace quillmark
