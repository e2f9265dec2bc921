#pragma once

// A small model of what a review report lists, for the suites that hold a
// report to it: a facet's content block by block, what changed between two
// of them as lines (a land cell, a static added or removed), the regions the
// changed blocks group into with the rectangle of their blocks and the
// bounds of their changed tiles, and the same regions read back from a
// report's facts.

#include "testfiles.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRect>
#include <QStringList>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>
#include <tuple>
#include <vector>

namespace reviewmodel {

using Statics = std::optional<QList<QByteArray>>;  // 7-byte entries; none: an empty block

// Blocks numbered down each column of a facet `height` blocks high: each
// block's 64 cells of 3 bytes, and its statics (none past the list's end).
struct Facet
{
    qint32 height = 1;
    QList<QByteArray> cells;
    QList<Statics> statics;

    QPoint corner(qint32 block) const { return QPoint(block / height, block % height) * 8; }
};

// The statics a report compares, as a multiset: those that lie within their block.
inline QList<QByteArray> comparedStatics(const Statics& statics)
{
    QList<QByteArray> entries;
    for (const QByteArray& entry : statics.value_or(QList<QByteArray>()))
        if (quint8(entry[2]) < 8 && quint8(entry[3]) < 8)
            entries << entry;
    std::sort(entries.begin(), entries.end());
    return entries;
}

inline QString landLine(QPoint at, int tileBefore, int zBefore, int tileAfter, int zAfter)
{
    return QString::asprintf("land %d,%d: %d at %d to %d at %d", at.x(), at.y(), tileBefore, zBefore,
                             tileAfter, zAfter);
}

inline QString staticLine(const char* list, QPoint at, int id, int z, int hue)
{
    return QString::asprintf("%s %d,%d: %d at %d, hue %d", list, at.x(), at.y(), id, z, hue);
}

// Each changed block's lines and the bounds of its changed tiles.
struct Changes
{
    QMap<qint32, QStringList> lines;
    QMap<qint32, QRect> tiles;
};

inline void addStaticsLines(const Facet& before, const Facet& after, qint32 block, QStringList& lines,
                            QRect& tiles)
{
    const QList<QByteArray> was = comparedStatics(before.statics.value(block)),
                            is = comparedStatics(after.statics.value(block));
    for (const auto& [list, from, without] :
         {std::tuple{"staticsAdded", is, was}, {"staticsRemoved", was, is}}) {
        QList<QByteArray> only;
        std::set_difference(from.begin(), from.end(), without.begin(), without.end(),
                            std::back_inserter(only));
        for (const QByteArray& entry : only) {
            const QPoint at = before.corner(block) + QPoint(entry[2], entry[3]);
            lines << staticLine(list, at, qFromLittleEndian<quint16>(entry.constData()), qint8(entry[4]),
                                qFromLittleEndian<quint16>(entry.constData() + 5));
            tiles |= QRect(at, QSize(1, 1));
        }
    }
}

inline Changes changesBetween(const Facet& before, const Facet& after)
{
    Changes changes;
    for (qint32 block = 0; block < before.cells.size(); ++block) {
        QStringList lines;
        QRect tiles;
        const char *was = before.cells[block].constData(), *is = after.cells[block].constData();
        for (int cell = 0; cell < 64; ++cell, was += 3, is += 3) {
            const QPoint at = before.corner(block) + QPoint(cell % 8, cell / 8);
            if (std::memcmp(was, is, 3) == 0)
                continue;
            lines << landLine(at, qFromLittleEndian<quint16>(was), qint8(was[2]),
                              qFromLittleEndian<quint16>(is), qint8(is[2]));
            tiles |= QRect(at, QSize(1, 1));
        }
        addStaticsLines(before, after, block, lines, tiles);
        if (!lines.isEmpty())
            changes.lines[block] = lines, changes.tiles[block] = tiles;
    }
    return changes;
}

// A region as the facts tell it: the rectangle of its blocks, how many, the
// bounds of its changed tiles, and every change it lists.
inline QString regionText(QRect blocks, qint64 count, QRect tiles, QStringList lines)
{
    lines.sort();
    return QString::asprintf("blocks %d,%d %dx%d (%lld), changed tiles %d,%d %dx%d\n", blocks.x(), blocks.y(),
                             blocks.width(), blocks.height(), count, tiles.x(), tiles.y(), tiles.width(),
                             tiles.height())
           + lines.join('\n');
}

// The changed blocks joined when at most `gap` + 1 blocks apart across and
// down, each in turn taking in every region within its reach.
inline std::vector<QList<qint32>> joinedBlocks(const Facet& facet, const Changes& changes, int gap)
{
    std::vector<QList<qint32>> joined;
    for (const qint32 block : changes.lines.keys()) {
        const auto near = [&](qint32 other) {
            const QPoint apart = facet.corner(block) - facet.corner(other);
            return qAbs(apart.x()) <= (gap + 1) * 8 && qAbs(apart.y()) <= (gap + 1) * 8;
        };
        QList<qint32> region{block};
        for (auto other = joined.begin(); other != joined.end();) {
            const bool reached = std::any_of(other->begin(), other->end(), near);
            region += reached ? *other : QList<qint32>();
            other = reached ? joined.erase(other) : other + 1;
        }
        joined.push_back(region);
    }
    return joined;
}

// The regions, largest first: by blocks, then by area, then left first and top first.
inline QStringList modelRegions(const Facet& facet, const Changes& changes, int gap)
{
    std::vector<std::tuple<qint64, qint64, int, int, QString>> regions;
    for (const QList<qint32>& region : joinedBlocks(facet, changes, gap)) {
        QRect blocks, tiles;
        QStringList lines;
        for (const qint32 block : region) {
            blocks |= QRect(facet.corner(block), QSize(8, 8));
            tiles |= changes.tiles[block];
            lines += changes.lines[block];
        }
        regions.emplace_back(-qint64(region.size()), -qint64(blocks.width()) * blocks.height(), blocks.x(),
                             blocks.y(), regionText(blocks, qint64(region.size()), tiles, lines));
    }
    std::sort(regions.begin(), regions.end());
    QStringList texts;
    for (const auto& region : regions)
        texts << std::get<4>(region);
    return texts;
}

inline QStringList regionsOf(const QJsonObject& facts)
{
    const auto rect = [](const QJsonValue& r) {
        return QRect(r["x"].toInt(), r["y"].toInt(), r["width"].toInt(), r["height"].toInt());
    };
    QStringList texts;
    for (const QJsonValue& region : facts["regions"].toArray()) {
        QStringList lines;
        for (const QJsonValue& c : region["landCells"].toArray())
            lines << landLine({c["x"].toInt(), c["y"].toInt()}, c["tileBefore"].toInt(), c["zBefore"].toInt(),
                              c["tileAfter"].toInt(), c["zAfter"].toInt());
        for (const char* list : {"staticsAdded", "staticsRemoved"})
            for (const QJsonValue& s : region[list].toArray())
                lines << staticLine(list, {s["x"].toInt(), s["y"].toInt()}, s["id"].toInt(), s["z"].toInt(),
                                    s["hue"].toInt());
        texts << regionText(rect(region), region["blocks"].toInt(), rect(region["changedTiles"]), lines);
    }
    return texts;
}

// A facet read from its files: the whole blocks of a map and, when given,
// the statics of an index and data file.
inline Facet facetOf(qint32 height, const QByteArray& map, const QByteArray& index = {},
                     const QByteArray& data = {})
{
    Facet facet{height, {}, {}};
    for (qsizetype at = 0; at + 196 <= map.size(); at += 196)
        facet.cells << map.mid(at + 4, 192);
    const QList<qint32> entries = testfiles::readInt32s(index);
    for (qsizetype at = 0; at + 2 < entries.size(); at += 3) {
        QList<QByteArray> statics;
        for (qint32 offset = 0; entries[at] >= 0 && offset + 7 <= entries[at + 1]; offset += 7)
            statics << data.mid(entries[at] + offset, 7);
        facet.statics << (entries[at] < 0 ? Statics() : Statics(statics));
    }
    return facet;
}

}  // namespace reviewmodel
