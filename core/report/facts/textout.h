#pragma once

#include "output.h"

#include <QByteArray>
#include <QString>

#include <charconv>
#include <cstring>
#include <utility>

namespace quillmark {

// Text gathered as UTF-8, for the facts and the pages, which are written
// piece by piece as they are found and never held whole: handed to an
// output some kilobytes at a time, or, without one, kept until taken.
// Numbers are written straight into it, without a formatted string each: a
// report writes millions of them. A write that fails is kept by the output,
// and the walk reports it.
class TextOut
{
public:
    explicit TextOut(Output* output = nullptr) : m_output(output) {}
    ~TextOut() { flush(); }
    TextOut(const TextOut&) = delete;
    TextOut& operator=(const TextOut&) = delete;

    // Text the caller knows to need no escaping.
    TextOut& raw(const char* bytes, qsizetype length)
    {
        m_bytes.append(bytes, length);
        if (m_output && m_bytes.size() >= Piece)
            flush();
        return *this;
    }
    TextOut& raw(const char* text) { return raw(text, qsizetype(std::strlen(text))); }
    TextOut& raw(const QByteArray& bytes) { return raw(bytes.constData(), bytes.size()); }
    TextOut& utf8(const QString& text) { return raw(text.toUtf8()); }
    TextOut& number(qint64 value)
    {
        char digits[24];
        const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
        return raw(digits, end.ptr - digits);
    }

    qsizetype held() const { return m_bytes.size(); }
    // What was gathered, when there is no output.
    QByteArray take() { return std::exchange(m_bytes, QByteArray()); }
    void flush()
    {
        if (m_output && !m_bytes.isEmpty()) {
            m_output->append(m_bytes.constData(), m_bytes.size());
            m_bytes.resize(0);  // its memory kept for the next piece
        }
    }

private:
    static constexpr qsizetype Piece = qsizetype(64) * 1024;

    Output* m_output;
    QByteArray m_bytes;
};

}  // namespace quillmark
