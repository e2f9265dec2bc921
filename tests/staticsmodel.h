#pragma once

// A statics facet as a list of blocks, written out as an index and a data file
// laid out the way real files are: mostly in block order, with gaps of junk
// bytes and some blocks placed out of order.

#include "testfiles.h"

#include <QList>
#include <QRandomGenerator>

#include <algorithm>

namespace staticsmodel {

struct Block
{
    bool empty = true;
    QByteArray bytes;
    qint32 length = 0;  // an empty block's length means nothing, yet travels with it
    qint32 extra = 0;
};

using Facet = QList<Block>;

struct Files
{
    QByteArray index;
    QByteArray data;
};

inline Block randomBlock(QRandomGenerator& random)
{
    Block block;
    block.extra = qint32(random.generate());
    if (random.bounded(4) == 0) {
        block.length = random.bounded(2) ? -1 : 0;
        return block;
    }
    block.empty = false;
    block.bytes = testfiles::randomBytes(7 * random.bounded(0, 12), random.generate());
    block.length = qint32(block.bytes.size());
    return block;
}

inline Facet randomFacet(int blocks, quint32 seed)
{
    QRandomGenerator random(seed);
    Facet facet;
    for (int i = 0; i < blocks; ++i)
        facet << randomBlock(random);
    return facet;
}

// Changes about a third of the blocks in every way a map maker can.
inline Facet edited(const Facet& original, quint32 seed)
{
    QRandomGenerator random(seed);
    Facet facet = original;
    for (Block& block : facet) {
        switch (random.bounded(9)) {
        case 0:  // new or changed data
            block = randomBlock(random);
            break;
        case 1:  // emptied
            block.empty = true;
            block.bytes.clear();
            block.length = qint32(random.bounded(3)) - 1;
            break;
        case 2:  // extra only
            block.extra = qint32(random.generate());
            break;
        default:
            break;
        }
    }
    return facet;
}

inline Files write(const Facet& facet, quint32 seed)
{
    QRandomGenerator random(seed);
    QList<int> order;
    for (int i = 0; i < facet.size(); ++i) {
        if (!facet[i].empty)
            order << i;
    }
    for (int swaps = int(order.size()) / 10; swaps > 0; --swaps)
        std::swap(order[random.bounded(int(order.size()))], order[random.bounded(int(order.size()))]);

    Files files;
    QList<qint32> offsets(facet.size(), -1);
    for (const int i : order) {
        if (random.bounded(5) == 0)
            files.data += testfiles::randomBytes(random.bounded(1, 9), random.generate());
        offsets[i] = qint32(files.data.size());
        files.data += facet[i].bytes;
    }
    for (int i = 0; i < facet.size(); ++i)
        files.index += testfiles::int32s({offsets[i], facet[i].length, facet[i].extra});
    return files;
}

struct Entry
{
    qint32 offset;
    qint32 length;
    qint32 extra;
};

inline Entry entry(const QByteArray& index, int block)
{
    const char* bytes = index.constData() + 12 * block;
    return {qFromLittleEndian<qint32>(bytes), qFromLittleEndian<qint32>(bytes + 4),
            qFromLittleEndian<qint32>(bytes + 8)};
}

} // namespace staticsmodel
