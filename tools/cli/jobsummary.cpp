#include "jobsummary.h"

#include <QStringList>

namespace {

QString written(const JobOutcome& outcome)
{
    return QLatin1String("; wrote ") + outcome.written.join(QLatin1String(", "));
}

QString dataBytes(const JobOutcome& outcome, bool withDataBytes)
{
    return withDataBytes ? QStringLiteral(", %1 bytes of block data").arg(outcome.dataBytes) : QString();
}

}  // namespace

QString generationSummary(const QString& label, const JobOutcome& outcome, bool withDataBytes)
{
    return QStringLiteral("%1: %2 of %3 blocks %4%5")
               .arg(label)
               .arg(outcome.records)
               .arg(outcome.blocks)
               .arg(outcome.records == 1 ? QLatin1String("differs") : QLatin1String("differ"))
               .arg(dataBytes(outcome, withDataBytes))
           + written(outcome);
}

QString combinationSummary(const QString& label, const JobOutcome& outcome, bool withDataBytes)
{
    return QStringLiteral("%1: %2 of %3 blocks replaced%4")
               .arg(label)
               .arg(outcome.records)
               .arg(outcome.blocks)
               .arg(dataBytes(outcome, withDataBytes))
           + written(outcome);
}
