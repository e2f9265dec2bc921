#include "console.h"

#include <cstdio>

namespace quillmark {

namespace {

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
    printLine(stderr, line);
}

}  // namespace quillmark
