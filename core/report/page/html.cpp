#include "html.h"

#include <charconv>

namespace quillmark {

Html& Html::text(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    const char* run = utf8.constData();
    const char* const end = run + utf8.size();
    for (const char* at = run; at != end; ++at) {
        const char* entity = nullptr;
        switch (*at) {
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        case '&':
            entity = "&amp;";
            break;
        case '"':
            entity = "&quot;";
            break;
        default:
            continue;
        }
        m_out.raw(run, at - run).raw(entity);
        run = at + 1;
    }
    m_out.raw(run, end - run);
    return *this;
}

void Html::padded(const Padded& number)
{
    char digits[24];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, number.value);
    for (qsizetype pad = number.width - (end.ptr - digits); pad > 0; --pad)
        m_out.raw(" ", 1);
    m_out.raw(digits, end.ptr - digits);
}

void Html::hex(quint16 value)
{
    static const char Digits[] = "0123456789ABCDEF";
    const char text[6] = {'0',
                          'x',
                          Digits[value >> 12],
                          Digits[(value >> 8) & 0xf],
                          Digits[(value >> 4) & 0xf],
                          Digits[value & 0xf]};
    m_out.raw(text, sizeof text);
}

}  // namespace quillmark
