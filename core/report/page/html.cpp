#include "html.h"

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

}  // namespace quillmark
