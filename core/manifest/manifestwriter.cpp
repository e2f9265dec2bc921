#include "manifest.h"

#include "difformat.h"

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

namespace {

QByteArray quoted(const QString& text)
{
    // Every text written is plain ASCII without quotes or backslashes: names,
    // hexadecimal digits, base64, the program's name and version.
    return '"' + text.toLatin1() + '"';
}

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

// A record to a line, written digit by digit: a manifest may hold hundreds
// of thousands.
void appendRecord(QByteArray& text, const ManifestRecord& record)
{
    char line[64];
    char* at = line + 1;
    line[0] = '[';
    char digits[12];
    int count = 0;
    for (quint32 block = quint32(record.block); count == 0 || block > 0; block /= 10)
        digits[count++] = char('0' + block % 10);
    while (count > 0)
        *at++ = digits[--count];
    for (const quint64 hash : {record.before, record.after}) {
        *at++ = ',';
        *at++ = '"';
        for (int shift = 60; shift >= 0; shift -= 4)
            *at++ = "0123456789abcdef"[(hash >> shift) & 0xf];
        *at++ = '"';
    }
    *at++ = ']';
    text.append(line, at - line);
}

QByteArray content(const FacetContent& facet)
{
    return "{\"blocks\": " + number(facet.blocks) + ", \"content\": " + quoted(facet.content.toHex()) + '}';
}

QByteArray fileLine(const ManifestFile& file)
{
    return "{\"role\": " + quoted(file.role) + ", \"name\": " + quoted(file.name)
           + ", \"size\": " + number(file.size) + ", \"hash\": " + quoted(file.hash.toHex()) + '}';
}

}  // namespace

QByteArray manifestText(const Manifest& manifest)
{
    QByteArray text;
    text.reserve(qsizetype(1024 + manifest.records.size() * 48) + manifest.referenceSketch.size() * 4 / 3);
    text += "{\n\"format\": " + quoted(QLatin1String(manifestformat::FormatName));
    text += ",\n\"version\": " + number(manifestformat::Version);
    text += ",\n\"program\": " + quoted(manifest.program);
    text += ",\n\"programVersion\": " + quoted(manifest.programVersion);
    text += ",\n\"kind\": " + quoted(QLatin1String(manifest.kind == PatchKind::Map ? "map" : "statics"));
    text += ",\n\"facet\": " + number(manifest.facet);
    text += ",\n\"hashMethod\": " + quoted(QLatin1String(manifestformat::HashMethod));
    text += ",\n\"reference\": " + content(manifest.reference);
    text += ",\n\"current\": " + content(manifest.current);
    text += ",\n\"files\": [";
    for (size_t i = 0; i < manifest.files.size(); ++i)
        text += (i ? ",\n" : "\n") + fileLine(manifest.files[i]);
    text += "\n],\n\"referenceSketch\": \"" + manifest.referenceSketch.toBase64() + '"';
    text += ",\n\"records\": [";
    for (size_t i = 0; i < manifest.records.size(); ++i) {
        text += i ? ",\n" : "\n";
        appendRecord(text, manifest.records[i]);
    }
    text += "\n]\n}\n";
    return text;
}

}  // namespace quillmark
