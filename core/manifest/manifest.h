#pragma once

// The manifest of a set of difference files, `mapdif<n>.manifest.json` or
// `stadif<n>.manifest.json` beside them: which facet content the set was
// made from (the reference) and for (the current copy), the set's own files
// by size and hash, and each record's block with its hash before and after.
// The difference files stay as they always were; tools that know nothing of
// the manifest read them as before.

#include "hashes.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace quillmark {

enum class PatchKind { Map, Statics };

namespace manifestformat {

inline constexpr char FormatName[] = "quillmark-patch-manifest";
constexpr int Version = 1;
// Block hashes XXH3-64, content and file hashes XXH3-128 (see hashes.h).
inline constexpr char HashMethod[] = "xxh3";

// The files of a set, by role, in the order the manifest lists them.
std::vector<QString> roles(PatchKind kind);
// The name the generation gives the file of `role`: "mapdifl3.mul".
QString setFileName(PatchKind kind, const QString& role, int facet);

// Where generation writes the manifest: directory text + "/mapdif" (or
// "/stadif") + facet + ".manifest.json".
QString manifestPath(const QString& outDir, PatchKind kind, int facet);
// The manifest of a set, found by its locator's name in the locator's folder:
// mapdifl<n>.mul -> mapdif<n>.manifest.json, stadifl<n>.mul ->
// stadif<n>.manifest.json. Nothing for a locator named otherwise.
std::optional<QString> manifestBeside(const QString& locator, PatchKind kind);

}  // namespace manifestformat

struct FacetContent
{
    qint64 blocks = 0;
    Hash128 content;
};

struct ManifestFile
{
    QString role;  // "locator", "index" or "data"
    QString name;  // bare name, as generation wrote it
    qint64 size = 0;
    Hash128 hash;
};

struct ManifestRecord
{
    qint32 block = 0;
    quint64 before = 0;  // the block's hash in the reference
    quint64 after = 0;   // and in the current copy
};

struct Manifest
{
    PatchKind kind = PatchKind::Map;
    int facet = 0;
    QString program;
    QString programVersion;
    FacetContent reference;
    FacetContent current;
    std::vector<ManifestFile> files;  // in the order of roles(kind)
    std::vector<ManifestRecord> records;
    QByteArray referenceSketch;  // BlockSketch bytes of the reference, cellsFor(records) cells
};

}  // namespace quillmark
