#include "manifest.h"

#include "fileformat.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace quillmark {

namespace manifestformat {

namespace {

const char* difPart(PatchKind kind)
{
    return kind == PatchKind::Map ? difformat::MapDifDataPart : difformat::StaticsDifDataPart;
}

}  // namespace

std::vector<QString> roles(PatchKind kind)
{
    if (kind == PatchKind::Map)
        return {QStringLiteral("locator"), QStringLiteral("data")};
    return {QStringLiteral("locator"), QStringLiteral("index"), QStringLiteral("data")};
}

QString setFileName(PatchKind kind, const QString& role, int facet)
{
    const bool map = kind == PatchKind::Map;
    const char* part = role == QLatin1String("locator")
                           ? (map ? difformat::MapDifLocatorPart : difformat::StaticsDifLocatorPart)
                       : role == QLatin1String("index") ? difformat::StaticsDifIndexPart
                                                        : difPart(kind);
    return difformat::outputName(QString(), part, facet).mid(1);
}

QString manifestPath(const QString& outDir, PatchKind kind, int facet)
{
    return outDir + QLatin1String(difPart(kind)) + QString::number(facet) + QLatin1String(".manifest.json");
}

std::optional<QString> manifestBeside(const QString& locator, PatchKind kind)
{
    static const QRegularExpression mapLocator(QStringLiteral("^mapdifl([0-9]+)\\.mul$"));
    static const QRegularExpression staticsLocator(QStringLiteral("^stadifl([0-9]+)\\.mul$"));
    const QFileInfo file(locator);
    const QRegularExpressionMatch match =
        (kind == PatchKind::Map ? mapLocator : staticsLocator).match(file.fileName());
    if (!match.hasMatch())
        return std::nullopt;
    return file.path() + QLatin1String(difPart(kind)) + match.captured(1) + QLatin1String(".manifest.json");
}

}  // namespace manifestformat

}  // namespace quillmark
