#include "manifest.h"

#include "fileformat.h"

#include <QFileInfo>

#include <algorithm>

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
    // Only a locator of the set's own name, e.g. "mapdifl3.mul", has one:
    // the prefix, the facet's digits and ".mul", nothing else.
    const QFileInfo file(locator);
    const QString name = file.fileName();
    const QLatin1String prefix(kind == PatchKind::Map ? "mapdifl" : "stadifl"), suffix(".mul");
    if (name.size() <= prefix.size() + suffix.size() || !name.startsWith(prefix) || !name.endsWith(suffix))
        return std::nullopt;
    const QString digits = name.mid(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    return file.path() + QLatin1String(difPart(kind)) + digits + QLatin1String(".manifest.json");
}

}  // namespace manifestformat

}  // namespace quillmark
