#include "conflictlist.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace quillmark {

namespace {

constexpr char Opening[] = "{\n\"conflicts\": [";
constexpr char Closing[] = "\n]\n}\n";

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

}  // namespace

ConflictList::ConflictList(const char* layer, qint64 heightBlocks, Output* file)
    : m_layer(layer), m_height(qMax<qint64>(1, heightBlocks)), m_file(file)
{}

ConflictList::ConflictList(const char* layer, qint64 heightBlocks, Output& items, qint64& written)
    : ConflictList(layer, heightBlocks, &items)
{
    m_written = &written;
    m_framed = false;
}

void ConflictList::open()
{
    if (m_file && m_framed && !m_opened)
        m_file->append(Opening, qint64(sizeof Opening) - 1);
    m_opened = true;
}

QByteArray ConflictList::text(const Tile& tile, const Values& values) const
{
    return "{\"layer\": \"" + m_layer + "\", \"x\": " + number(tile.x) + ", \"y\": " + number(tile.y)
           + ", \"base\": " + values[0] + ", \"ours\": " + values[1] + ", \"theirs\": " + values[2] + '}';
}

// Within a column, world x runs over the column's eight tiles first, so its
// conflicts come sorted only once the whole column has been seen.
void ConflictList::flushColumn(qint64 next)
{
    std::stable_sort(m_held.begin(), m_held.end(), [](const Held& a, const Held& b) {
        return a.tile.x != b.tile.x ? a.tile.x < b.tile.x : a.tile.y < b.tile.y;
    });
    for (const Held& held : m_held) {
        if (m_first.size() < MergeFigures::MaxTilesNamed)
            m_first.push_back(held.tile);
        if (m_file) {
            open();
            const bool first = (*m_written)++ == 0;
            m_file->append(first ? "\n" : ",\n", first ? 1 : 2);
            m_file->append(held.text.constData(), held.text.size());
        }
    }
    m_held.clear();
    m_column = next;
}

void ConflictList::finish(MergeFigures& figures)
{
    flushColumn(m_column);
    open();
    if (m_file && m_framed)
        m_file->append(Closing, qint64(sizeof Closing) - 1);
    figures.conflicts = m_count;
    figures.firstConflicts = m_first;
}

QByteArray ConflictList::mapCell(const char* bytes, qint64 length)
{
    uchar cell[3] = {0, 0, 0};
    memcpy(cell, bytes, size_t(qMin<qint64>(length, 3)));
    return "{\"id\": " + number(qFromLittleEndian<quint16>(cell)) + ", \"z\": " + number(qint8(cell[2]))
           + '}';
}

QByteArray ConflictList::staticsCell(const std::vector<const char*>& statics)
{
    QByteArray list = "[";
    for (const char* item : statics) {
        if (list.size() > 1)
            list += ", ";
        list += "{\"id\": " + number(qFromLittleEndian<quint16>(item)) + ", \"z\": " + number(qint8(item[4]))
                + ", \"hue\": " + number(qFromLittleEndian<quint16>(item + 5)) + '}';
    }
    return list + ']';
}

}  // namespace quillmark
