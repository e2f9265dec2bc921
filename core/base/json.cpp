#include "json.h"

#include <cmath>
#include <cstring>

namespace quillmark {

namespace {

// The value of the four hexadecimal digits at `at`, or -1.
int hexDigits(const char* at)
{
    int value = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = at[i];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0)
            return -1;
        value = value << 4 | digit;
    }
    return value;
}

class Parser
{
public:
    Parser(const char* begin, const char* end) : m_begin(begin), m_at(begin), m_end(end) {}

    bool document(JsonValue& value)
    {
        skipSpace();
        if (!parseValue(value, 0))
            return false;
        skipSpace();
        return m_at == m_end || fail("text after the document");
    }

    QString error() const { return QStringLiteral("%1 at byte %2").arg(m_error).arg(m_failedAt - m_begin); }

private:
    bool fail(const char* what) { return fail(QString::fromUtf8(what)); }
    bool fail(const QString& what)
    {
        m_error = what;
        m_failedAt = m_at;
        return false;
    }

    void skipSpace()
    {
        while (m_at < m_end && (*m_at == ' ' || *m_at == '\t' || *m_at == '\n' || *m_at == '\r'))
            ++m_at;
    }

    bool literal(const char* word)
    {
        const size_t length = strlen(word);
        if (size_t(m_end - m_at) < length || memcmp(m_at, word, length) != 0)
            return fail("not a JSON value");
        m_at += length;
        return true;
    }

    bool parseValue(JsonValue& value, int depth)
    {
        if (m_at == m_end)
            return fail("the document ends early");
        if (++m_values > JsonValue::MaxValues)
            return fail("too many values");
        switch (*m_at) {
        case '{':
            return depth < JsonValue::MaxDepth ? parseObject(value, depth + 1) : fail("nested too deep");
        case '[':
            return depth < JsonValue::MaxDepth ? parseArray(value, depth + 1) : fail("nested too deep");
        case '"':
            return parseString(value);
        case 't':
            value.kind = JsonValue::Kind::Bool;
            value.boolean = true;
            return literal("true");
        case 'f':
            value.kind = JsonValue::Kind::Bool;
            return literal("false");
        case 'n':
            return literal("null");
        default:
            value.kind = JsonValue::Kind::Number;
            return parseNumber(value);
        }
    }

    bool parseObject(JsonValue& value, int depth)
    {
        value.kind = JsonValue::Kind::Object;
        ++m_at;
        skipSpace();
        if (m_at < m_end && *m_at == '}') {
            ++m_at;
            return true;
        }
        for (;;) {
            JsonValue name;
            if (m_at == m_end || *m_at != '"')
                return fail("not a member name");
            if (!parseString(name))
                return false;
            skipSpace();
            if (m_at == m_end || *m_at++ != ':')
                return fail("no colon after a member name");
            skipSpace();
            // Readers differ on which of two members of one name counts:
            // a document that has them means two things, and is refused.
            QString key = name.text();
            if (value.member(key))
                return fail(QLatin1String("a member name repeats: ") + key);
            value.members.emplace_back(std::move(key), JsonValue());
            if (!parseValue(value.members.back().second, depth))
                return false;
            if (!endOfItem('}'))
                return m_error.isEmpty();
        }
    }

    bool parseArray(JsonValue& value, int depth)
    {
        value.kind = JsonValue::Kind::Array;
        ++m_at;
        skipSpace();
        if (m_at < m_end && *m_at == ']') {
            ++m_at;
            return true;
        }
        for (;;) {
            value.items.emplace_back();
            if (!parseValue(value.items.back(), depth))
                return false;
            if (!endOfItem(']'))
                return m_error.isEmpty();
        }
    }

    // After a member or item: true at a comma (another follows), false at
    // the closing bracket (none follows) or at anything else (an error).
    bool endOfItem(char closing)
    {
        skipSpace();
        if (m_at < m_end && *m_at == ',') {
            ++m_at;
            skipSpace();
            return true;
        }
        if (m_at < m_end && *m_at == closing)
            ++m_at;
        else
            fail("no comma or closing bracket");
        return false;
    }

    bool parseString(JsonValue& value)
    {
        value.kind = JsonValue::Kind::String;
        const char* start = ++m_at;
        while (m_at < m_end && *m_at != '"') {
            skipPlain();
            if (m_at == m_end || *m_at == '"')
                break;
            const unsigned char c = static_cast<unsigned char>(*m_at);
            if (c < 0x20)
                return fail("a control character in a string");
            if (c == '\\') {
                value.escaped = true;
                if (!escape())
                    return false;
            } else if (!utf8()) {
                return false;
            }
        }
        if (m_at == m_end)
            return fail("a string without its end");
        value.raw = start;
        value.rawLength = m_at - start;
        ++m_at;
        return true;
    }

    // Past plain characters (printable ASCII but quote and backslash), eight
    // at a time where it can: a manifest's records are a long run of them.
    void skipPlain()
    {
        constexpr quint64 Ones = 0x0101010101010101ULL, Highs = 0x8080808080808080ULL;
        const auto anyZero = [](quint64 word) { return (word - Ones) & ~word & Highs; };
        for (quint64 word = 0; m_end - m_at >= 8; m_at += 8) {
            memcpy(&word, m_at, 8);
            const quint64 control = (word - Ones * 0x20) & ~word & Highs;
            if (control | (word & Highs) | anyZero(word ^ (Ones * '"')) | anyZero(word ^ (Ones * '\\')))
                break;
        }
        while (m_at < m_end) {
            const unsigned char c = static_cast<unsigned char>(*m_at);
            if (c < 0x20 || c >= 0x80 || c == '"' || c == '\\')
                return;
            ++m_at;
        }
    }

    bool escape()
    {
        if (m_end - m_at < 2)
            return fail("a string without its end");
        const char kind = m_at[1];
        m_at += 2;
        if (strchr("\"\\/bfnrt", kind) && kind != 0)
            return true;
        if (kind != 'u' || m_end - m_at < 4)
            return fail("a bad escape in a string");
        if (hexDigits(m_at) < 0)
            return fail("a bad escape in a string");
        m_at += 4;
        return true;
    }

    // One UTF-8 sequence of two to four bytes, neither overlong nor a surrogate.
    bool utf8()
    {
        const unsigned char lead = static_cast<unsigned char>(*m_at);
        const int length = lead > 0xf4 ? 0 : lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc2 ? 2 : 0;
        if (length == 0 || m_end - m_at < length)
            return fail("text that is not UTF-8");
        quint32 code = lead & (0x7f >> length);
        for (int i = 1; i < length; ++i) {
            const unsigned char next = static_cast<unsigned char>(m_at[i]);
            if ((next & 0xc0) != 0x80)
                return fail("text that is not UTF-8");
            code = code << 6 | (next & 0x3f);
        }
        const quint32 least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (code < least || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
            return fail("text that is not UTF-8");
        m_at += length;
        return true;
    }

    bool parseNumber(JsonValue& value)
    {
        const char* start = m_at;
        const auto digits = [this] {
            const char* first = m_at;
            while (m_at < m_end && *m_at >= '0' && *m_at <= '9')
                ++m_at;
            return m_at > first;
        };
        if (m_at < m_end && *m_at == '-')
            ++m_at;
        if (m_at < m_end && *m_at == '0')
            ++m_at;
        else if (!digits())
            return fail("not a JSON value");
        if (m_at < m_end && *m_at == '.' && (++m_at, !digits()))
            return fail("a number without digits after its point");
        if (m_at < m_end && (*m_at == 'e' || *m_at == 'E')) {
            ++m_at;
            if (m_at < m_end && (*m_at == '+' || *m_at == '-'))
                ++m_at;
            if (!digits())
                return fail("a number without digits in its exponent");
        }
        // In the C locale, whatever the user's.
        value.number = QByteArray(start, m_at - start).toDouble();
        return true;
    }

    const char* m_begin;
    const char* m_at;
    const char* m_end;
    QString m_error;
    const char* m_failedAt = nullptr;
    int m_values = 0;
};

}  // namespace

std::optional<JsonValue> JsonValue::parse(const QByteArray& bytes, QString& error)
{
    JsonValue value;
    Parser parser(bytes.constData(), bytes.constData() + bytes.size());
    if (parser.document(value))
        return value;
    error = parser.error();
    return std::nullopt;
}

const JsonValue* JsonValue::member(const char* name) const
{
    return member(QString::fromUtf8(name));
}

const JsonValue* JsonValue::member(const QString& name) const
{
    for (const auto& [key, value] : members) {
        if (key == name)
            return &value;
    }
    return nullptr;
}

std::optional<QByteArray> JsonValue::plainBytes() const
{
    if (kind != Kind::String || escaped)
        return std::nullopt;
    return QByteArray::fromRawData(raw, rawLength);
}

QString JsonValue::text() const
{
    if (kind != Kind::String)
        return QString();
    if (!escaped)
        return QString::fromUtf8(raw, rawLength);
    // Escapes resolved: the parser has checked them all.
    QString text;
    for (qsizetype i = 0; i < rawLength; ++i) {
        if (raw[i] != '\\') {
            qsizetype run = i;
            while (run < rawLength && raw[run] != '\\')
                ++run;
            text += QString::fromUtf8(raw + i, run - i);
            i = run - 1;
            continue;
        }
        const char escape = raw[++i];
        if (escape == 'u') {
            text += QChar(char16_t(hexDigits(raw + i + 1)));
            i += 4;
        } else {
            const char* from = "\"\\/bfnrt";
            const char* to = "\"\\/\b\f\n\r\t";
            text += QLatin1Char(to[strchr(from, escape) - from]);
        }
    }
    return text;
}

std::optional<qint64> JsonValue::integer(qint64 min, qint64 max) const
{
    if (kind != Kind::Number || std::floor(number) != number || number < double(min) || number > double(max))
        return std::nullopt;
    return qint64(number);
}

}  // namespace quillmark
