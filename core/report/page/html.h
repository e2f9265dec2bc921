#pragma once

// The one way the report's pages are written: markup comes from string
// literals, and everything put into it (a name, a path, a reason, a
// number) is escaped on the way in (<, >, & and the double quote that every
// attribute of the page is written in), so that no text from a file or the
// command line can ever become markup. A fragment made by another writer is
// the only markup taken whole.

#include "textout.h"

#include <QString>

#include <type_traits>

namespace quillmark {

// Markup made by an Html writer, to be put into another whole.
struct Markup
{
    QByteArray bytes;
};

// A number right-aligned in `width` characters, for the columns of a list.
struct Padded
{
    qint64 value;
    int width;
};

// A tile or item number as the game's tools write it: "0x00A8".
struct Hex
{
    quint16 value;
};

class Html
{
public:
    // Written to `output`, or, without one, kept until taken.
    explicit Html(Output* output = nullptr) : m_out(output) {}

    // `format`, markup, with each % standing for the next of `args`:
    // QString and Latin-1 text escaped, numbers in digits (Padded, Hex),
    // Markup as it is.
    template <size_t N, typename... Args>
    Html& put(const char (&format)[N], const Args&... args)
    {
        const char* rest = format;
        (putArgument(rest, args), ...);
        m_out.raw(rest);
        return *this;
    }

    // `text` escaped, alone.
    Html& text(const QString& text);

    qsizetype size() const { return m_out.held(); }
    Markup take() { return {m_out.take()}; }
    QByteArray takeBytes() { return m_out.take(); }
    void flush() { m_out.flush(); }

private:
    // Writes the markup up to the next %, and the argument in its place.
    template <typename Arg>
    void putArgument(const char*& rest, const Arg& arg)
    {
        const char* mark = rest;
        while (*mark != '%' && *mark != '\0')
            ++mark;
        Q_ASSERT(*mark == '%');
        m_out.raw(rest, mark - rest);
        rest = *mark == '%' ? mark + 1 : mark;
        if constexpr (std::is_same_v<Arg, Markup>)
            m_out.raw(arg.bytes);
        else if constexpr (std::is_same_v<Arg, Padded>)
            padded(arg);
        else if constexpr (std::is_same_v<Arg, Hex>)
            hex(arg.value);
        else if constexpr (std::is_same_v<Arg, QString>)
            text(arg);
        else if constexpr (std::is_same_v<Arg, QLatin1String>)
            text(QString(arg));
        else
            m_out.number(qint64(arg));
    }

    void padded(const Padded& number);
    void hex(quint16 value);

    TextOut m_out;
};

}  // namespace quillmark
