#include "jobsummary.h"

#include "usage.h"

#include "patchcheck.h"

#include <QStringList>

namespace quillmark {

namespace {

QString written(const JobResult& result)
{
    return QLatin1String("; wrote ") + result.written.join(QLatin1String(", "));
}

QString dataBytes(const JobResult& result, bool withDataBytes)
{
    return withDataBytes ? QStringLiteral(", %1 bytes of block data").arg(result.dataBytes) : QString();
}

}  // namespace

QString generationSummary(const QString& label, const JobResult& result, bool withDataBytes)
{
    return QStringLiteral("%1: %2 of %3 blocks %4%5")
               .arg(label)
               .arg(result.records)
               .arg(result.blocks)
               .arg(result.records == 1 ? QLatin1String("differs") : QLatin1String("differ"))
               .arg(dataBytes(result, withDataBytes))
           + written(result);
}

QString combinationSummary(const QString& label, const JobResult& result, bool withDataBytes)
{
    return QStringLiteral("%1: %2 of %3 blocks replaced%4")
               .arg(label)
               .arg(result.records)
               .arg(result.blocks)
               .arg(dataBytes(result, withDataBytes))
           + written(result) + QLatin1String("; ") + baseCaseText(result.base);
}

QString verificationSummary(const QString& label, const JobResult& result, bool)
{
    return QStringLiteral("%1: %2; the patch replaces %3 of %4 blocks")
        .arg(label, baseCaseText(result.base))
        .arg(result.records)
        .arg(result.blocks);
}

QString conversionSummary(const QString& label, const JobResult& result, bool)
{
    return QStringLiteral("%1: %2 blocks, %3 bytes").arg(label).arg(result.blocks).arg(result.dataBytes)
           + written(result);
}

QString failureLine(const Status& failure)
{
    return programLine(failure.text());
}

}  // namespace quillmark
