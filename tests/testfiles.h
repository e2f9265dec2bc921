#pragma once

// Small helpers for tests that build map, statics and difference files byte by
// byte and look at what a job left behind.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QtEndian>

#include <array>
#include <initializer_list>

namespace testfiles {

inline QByteArray int32s(std::initializer_list<qint32> values)
{
    QByteArray bytes(qsizetype(values.size()) * 4, Qt::Uninitialized);
    qToLittleEndian<qint32>(values.begin(), qsizetype(values.size()), bytes.data());
    return bytes;
}

// The whole little-endian numbers of `bytes`; a partial one at the end is left out.
inline QList<qint32> readInt32s(const QByteArray& bytes)
{
    QList<qint32> values(bytes.size() / 4);
    if (!values.isEmpty())  // an empty list's data() is null, which the copy may not be handed
        qFromLittleEndian<qint32>(bytes.constData(), values.size(), values.data());
    return values;
}

// An index entry: offset, length, extra.
using Entry = std::array<qint32, 3>;

inline QByteArray entries(std::initializer_list<Entry> list)
{
    QByteArray bytes;
    for (const Entry& entry : list)
        bytes += int32s({entry[0], entry[1], entry[2]});
    return bytes;
}

inline QByteArray randomBytes(qint64 count, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(count, Qt::Uninitialized);
    for (qint64 i = 0; i < count; ++i)
        bytes[i] = char(random.generate() & 0xff);
    return bytes;
}

// A map block: its header, then 192 bytes of seeded payload.
inline QByteArray mapBlock(qint32 header, quint32 seed)
{
    return int32s({header}) + randomBytes(192, seed);
}

inline bool write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every entry of a directory, hidden ones included, sorted by name.
inline QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// Every file of a directory with its bytes.
inline QMap<QString, QByteArray> contentsOf(const QString& dir)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : filesIn(dir))
        files[name] = read(dir + QLatin1Char('/') + name);
    return files;
}

}  // namespace testfiles
