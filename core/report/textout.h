#pragma once

#include "output.h"

#include <QByteArray>
#include <QString>

#include <cstring>

namespace quillmark {

// Text appended to an output as UTF-8, for the page and the facts, which are
// written piece by piece as they are found and never held whole. A write
// that fails is kept by the output, and the walk reports it.
class TextOut
{
public:
    explicit TextOut(Output& output) : m_output(output) {}

    void write(const char* bytes, qint64 length) { m_output.append(bytes, length); }
    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    void write(const QString& text) { write(text.toUtf8()); }
    void write(const char* text) { write(text, qint64(std::strlen(text))); }

private:
    Output& m_output;
};

}  // namespace quillmark
