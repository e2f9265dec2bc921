#include "mergetexts.h"

#include "counted.h"

#include <QStringList>

namespace quillmark {

QString changesText(const MergeFigures& figures)
{
    return QStringLiteral("%1 changed by ours, %2 by theirs, %3 by both")
        .arg(counted(figures.oursOnly, "block"))
        .arg(figures.theirsOnly)
        .arg(figures.both);
}

QString conflictsText(const MergeFigures& figures)
{
    if (figures.conflicts == 0)
        return QStringLiteral("no tiles conflict");
    QStringList tiles;
    for (const Tile& tile : figures.firstConflicts)
        tiles << QStringLiteral("%1,%2").arg(tile.x).arg(tile.y);
    if (figures.conflicts > qint64(tiles.size()))
        tiles << QStringLiteral("...");
    const bool one = figures.conflicts == 1;
    QString taken;
    if (figures.prefer != Prefer::None)
        taken = figures.prefer == Prefer::Ours ? QStringLiteral(", taken from ours")
                                               : QStringLiteral(", taken from theirs");
    return QStringLiteral("%1 %2%3, at %4 %5")
        .arg(counted(figures.conflicts, "tile"), one ? QLatin1String("conflicts") : QLatin1String("conflict"),
             taken, one ? QLatin1String("tile") : QLatin1String("tiles"), tiles.join(QLatin1Char(' ')));
}

}  // namespace quillmark
