// The manifest reader on hostile manifests: the fuzzer's bytes are the file.
// Properties: reading succeeds or fails with the manifest and a reason; a
// manifest read holds together (its records ascending inside its reference,
// its files the bare names of its own set, its counts fitting their sizes, its
// sketch the size its records call for); and a base checked against it, its
// sketch included, comes to one of the cases without a fault.

#include "basecheck.h"
#include "blocksketch.h"
#include "fileformat.h"
#include "manifestreader.h"
#include "memoryfilesystem.h"
#include "require.h"

using namespace quillmark;

namespace {

void checkHoldsTogether(const Manifest& manifest)
{
    require(manifest.kind == PatchKind::Map && manifest.facet >= 0 && manifest.facet < 6, "kind and facet");
    require(manifest.reference.blocks == manifest.current.blocks, "one size");
    qint64 previous = -1;
    for (const ManifestRecord& record : manifest.records) {
        require(record.block > previous && record.block < manifest.reference.blocks,
                "records ascending inside");
        previous = record.block;
    }
    const qint64 records = qint64(manifest.records.size());
    const QString facet = QString::number(manifest.facet);
    require(manifest.files.size() == 2 && manifest.files[0].name == "mapdifl" + facet + ".mul"
                && manifest.files[1].name == "mapdif" + facet + ".mul",
            "the files of its own set");
    require(manifest.files[0].size == records * difformat::LocatorRecordSize
                && manifest.files[1].size == records * difformat::MapBlockSize,
            "counts that fit");
    require(manifest.referenceSketch.size() == BlockSketch::byteSize(BlockSketch::cellsFor(records)),
            "the sketch's size");
}

// A base of a few blocks, each hashed as its number, with every case's
// figures in range.
void checkBase(const Manifest& manifest)
{
    const qint64 blocks = qMin<qint64>(manifest.reference.blocks, 256);
    BaseCheck check(manifest, QStringLiteral("manifest"));
    for (qint64 block = 0; block < blocks; ++block)
        check.addBaseBlock(block, quint64(block) * 0x9e3779b97f4a7c15ULL);
    const BaseVerdict verdict = check.conclude(blocks);
    require(verdict.otherBlocks >= 0 && verdict.otherBlocks <= qMax(blocks, manifest.reference.blocks),
            "others counted");
    require(qint64(verdict.conflicts.size()) <= qint64(manifest.records.size()),
            "conflicts among the records");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryFileSystem files;
    const QString path = QStringLiteral("/mapdif0.manifest.json");
    files.writeFile(path, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    Manifest manifest;
    const Status read = readManifest(path, PatchKind::Map, 1 << 16, files, manifest);
    require(read.ok() || (read.file() == path && !read.reason().isEmpty()),
            "a refusal names the file and why");
    if (read.ok()) {
        checkHoldsTogether(manifest);
        checkBase(manifest);
    }
    return 0;
}
