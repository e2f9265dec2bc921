#pragma once

#include "blockplan.h"

#include <QByteArray>

namespace quillmark {

// The statics of one block of a sample facet: records of 7 bytes (uint16 item
// id, uint8 x, uint8 y within the block, int8 altitude, uint16 hue), and the
// length and extra fields of its index entry. An empty block carries the kind
// of leftover length and extra that the game's files hold for one.
struct StaticsBlock
{
    bool empty = true;
    QByteArray bytes;
    qint32 length = -1;  // bytes.size() when not empty
    qint32 extra = -1;
};

constexpr int StaticsRecordSize = 7;

StaticsBlock referenceStatics(quint64 seed, qint64 block, const BlockPlan& plan);
StaticsBlock editedStatics(quint64 seed, qint64 block, const BlockPlan& plan);

}  // namespace quillmark
