#include "jobsummary.h"

#include "counted.h"
#include "facets.h"
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
    return withDataBytes ? QStringLiteral(", %1 of block data").arg(counted(result.dataBytes, "byte"))
                         : QString();
}

}  // namespace

QString generationSummary(const QString& label, const JobResult& result, bool withDataBytes)
{
    return QStringLiteral("%1: %2 of %3 %4%5")
               .arg(label)
               .arg(result.records)
               .arg(counted(result.blocks, "block"))
               .arg(result.records == 1 ? QLatin1String("differs") : QLatin1String("differ"))
               .arg(dataBytes(result, withDataBytes))
           + written(result);
}

QString combinationSummary(const QString& label, const JobResult& result, bool withDataBytes)
{
    return QStringLiteral("%1: %2 of %3 replaced%4")
               .arg(label)
               .arg(result.records)
               .arg(counted(result.blocks, "block"))
               .arg(dataBytes(result, withDataBytes))
           + written(result) + QLatin1String("; ") + baseCaseText(result.base);
}

QString verificationSummary(const QString& label, const JobResult& result, bool)
{
    const BaseVerdict& base = result.base;
    const QString madeFor = base.found == BaseCase::NotChecked
                                ? QString()
                                : QStringLiteral(", made for %1 (facet %2),")
                                      .arg(QLatin1String(facets::geometry(base.facet).name))
                                      .arg(base.facet);
    return QStringLiteral("%1: %2; the patch%3 replaces %4 of %5")
        .arg(label, baseCaseText(base), madeFor)
        .arg(result.records)
        .arg(counted(result.blocks, "block"));
}

QString conversionSummary(const QString& label, const JobResult& result, bool)
{
    return QStringLiteral("%1: %2, %3")
               .arg(label, counted(result.blocks, "block"), counted(result.dataBytes, "byte"))
           + written(result);
}

}  // namespace quillmark
