#pragma once

#include "mergejobs.h"
#include "output.h"

#include <QByteArray>

#include <array>
#include <vector>

namespace quillmark {

// The conflicts of one layer ("map" or "statics") as a merge finds them,
// block by block, written to the conflicts file sorted by world x, then y:
//
//   {
//   "conflicts": [
//   {"layer": "map", "x": 1030, "y": 517, "base": {"id": 3, "z": 0}, "ours": {"id": 168, "z": 0},
//    "theirs": {"id": 4, "z": 5}},
//   {"layer": "statics", "x": 1031, "y": 517, "base": [], "ours": [{"id": 3244, "z": 0, "hue": 0}],
//    "theirs": [{"id": 1301, "z": 0, "hue": 33}]}
//   ]
//   }
//
// (one conflict a line). A block lies at column block / height and row
// block % height, so the blocks of one column come one after another: only
// one column's conflicts are held, sorted and written as the walk leaves it,
// however many the facet holds.
class ConflictList
{
public:
    // The three values of a conflicting cell, as JSON: base, ours, theirs.
    using Values = std::array<QByteArray, 3>;

    // Blocks placed in a grid `heightBlocks` high; the conflicts go to
    // `file` (the conflicts file, created before the first conflict comes)
    // when there is one, and are only counted otherwise.
    ConflictList(const char* layer, qint64 heightBlocks, Output* file);
    // The items alone, into an array whose brackets another writes, which
    // the lists of several layers fill in turn: `written` counts the items
    // of every list that shares it.
    ConflictList(const char* layer, qint64 heightBlocks, Output& items, qint64& written);
    ConflictList(const ConflictList&) = delete;
    ConflictList& operator=(const ConflictList&) = delete;

    // A conflict at cell (cellX, cellY) of `block`; blocks come in ascending
    // order. `values()` gives its Values, asked only when they are written.
    template <typename MakeValues>
    void add(qint64 block, int cellX, int cellY, MakeValues values)
    {
        if (block / m_height != m_column)
            flushColumn(block / m_height);
        ++m_count;
        m_blockCells = (block == m_block ? m_blockCells : 0) | quint64(1) << (cellY * 8 + cellX);
        m_block = block;
        Tile tile{block / m_height * 8 + cellX, block % m_height * 8 + cellY};
        m_held.push_back({tile, m_file ? text(tile, values()) : QByteArray()});
    }

    // Writes what is held and closes the file's list; the figures' count and
    // first tiles are then those of the whole layer.
    void finish(MergeFigures& figures);

    qint64 count() const { return m_count; }
    // The cells of `block` that conflict (bit 8 * y + x), when it is the
    // last block a conflict was added for; 0 for any other.
    quint64 blockCells(qint64 block) const { return block == m_block ? m_blockCells : 0; }

    // A map cell's value: {"id": N, "z": N} from its tile id (16 bits) and
    // altitude (8 bits, signed); bytes past `length` (a map's last, partial
    // block) read as 0.
    static QByteArray mapCell(const char* bytes, qint64 length);
    // A statics cell's value: [{"id": N, "z": N, "hue": N}, ...] from its
    // 7-byte statics (id, x, y, altitude, hue).
    static QByteArray staticsCell(const std::vector<const char*>& statics);

private:
    struct Held
    {
        Tile tile;
        QByteArray text;
    };

    void open();
    QByteArray text(const Tile& tile, const Values& values) const;
    void flushColumn(qint64 next);

    QByteArray m_layer;
    qint64 m_height;
    Output* m_file;
    qint64 m_column = 0;
    qint64 m_count = 0;
    qint64 m_ownWritten = 0;
    qint64* m_written = &m_ownWritten;
    bool m_framed = true;  // writes the array's brackets
    bool m_opened = false;
    qint64 m_block = -1;
    quint64 m_blockCells = 0;
    std::vector<Held> m_held;  // of the current column
    std::vector<Tile> m_first;
};

}  // namespace quillmark
