#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace quillmark {

// A JSON document read in place: strict JSON (RFC 8259: UTF-8, no trailing
// commas, no comments), nested at most MaxDepth deep, of at most MaxValues
// values, so that its memory stays a small multiple of its bytes whatever
// they hold. Its strings point into the bytes it was read from, which must
// outlive it, so that a long string (a manifest's records) costs no copy.
// Every JSON file the engine reads (a manifest, a commit record) is data
// from a stranger: anything else is refused with where and why, a member
// name that repeats within an object among it.
struct JsonValue
{
    enum class Kind { Null, Bool, Number, String, Array, Object };

    static constexpr int MaxDepth = 16;
    static constexpr int MaxValues = 4096;

    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    // A string's bytes between its quotes, escapes as written.
    const char* raw = nullptr;
    qsizetype rawLength = 0;
    bool escaped = false;                                // whether the string holds a backslash
    std::vector<JsonValue> items;                        // of an array
    std::vector<std::pair<QString, JsonValue>> members;  // of an object, in order

    // The document in `bytes`, or nothing with `error` saying why.
    static std::optional<JsonValue> parse(const QByteArray& bytes, QString& error);

    // An object's member of that name (a name never repeats: such a
    // document is refused), or none.
    const JsonValue* member(const char* name) const;
    const JsonValue* member(const QString& name) const;
    // A string's text, escapes resolved; empty for anything else.
    QString text() const;
    // A string's bytes when it holds no escape, else nothing.
    std::optional<QByteArray> plainBytes() const;
    // A number that is a whole number from `min` to `max`.
    std::optional<qint64> integer(qint64 min, qint64 max) const;
};

}  // namespace quillmark
