// MapInput on hostile containers. The fuzzer's bytes, less the few at the
// end that choose the views, are the file; its first four bytes are made the
// container's magic, so that every input is read as a container. Properties:
// open() succeeds or gives a reason; an opened container's chunks lie in the
// file and add up to its size; every view within the map succeeds or fails
// with a reason, agrees with its two halves, and for a stored chunk returns
// the file's own bytes; views outside the map fail; no file is left behind.

#include "mapinput.h"
#include "memoryfilesystem.h"
#include "require.h"
#include "uopformat.h"

#include <QtEndian>

#include <fuzzer/FuzzedDataProvider.h>

using namespace quillmark;
using uopformat::ChunkSize;

namespace {

constexpr int ViewsPerInput = 16;

void checkChunks(const MapInput& input, qint64 fileSize)
{
    const std::vector<MapChunk>& chunks = input.container().chunks();
    qint64 start = 0;
    for (size_t k = 0; k < chunks.size(); ++k) {
        const MapChunk& chunk = chunks[k];
        const bool last = k + 1 == chunks.size();
        require(chunk.start == start, "chunks follow one another");
        require(chunk.length == ChunkSize || (last && chunk.length < ChunkSize), "whole chunks but the last");
        require(chunk.dataOffset >= 0 && chunk.storedLength >= 0
                    && chunk.dataOffset <= fileSize - chunk.storedLength,
                "chunks lie in the file");
        require(chunk.zlib || chunk.storedLength == chunk.length, "stored chunks hold their length");
        start += chunk.length;
    }
    require(start == input.size(), "the size is the chunks' lengths added up");
}

// The bytes of a view, or null when it fails, which it must do as damage (or
// for want of memory) with a reason.
const char* viewed(MapInput& input, qint64 offset, qint64 length)
{
    const char* bytes = nullptr;
    const Status status = input.view(offset, length, bytes);
    require(status.ok()
                || ((status.is(Status::Kind::Damaged) || status.is(Status::Kind::OutOfMemory))
                    && !status.reason().isEmpty()),
            "a failed view is damage, with a reason");
    return status.ok() ? bytes : nullptr;
}

void checkView(MapInput& input, const QByteArray& file, qint64 offset, qint64 length)
{
    const char* whole = viewed(input, offset, length);
    if (!whole)
        return;
    const QByteArray bytes(whole, length);
    const qint64 half = length / 2;
    const char* first = viewed(input, offset, half);
    require(first && QByteArray(first, half) == bytes.left(half), "a view's first half agrees");
    const char* second = viewed(input, offset + half, length - half);
    require(second && QByteArray(second, length - half) == bytes.mid(half), "a view's second half agrees");
    const MapChunk& chunk = input.container().chunks()[size_t(offset / ChunkSize)];
    if (!chunk.zlib && offset + length <= chunk.start + chunk.length) {
        require(bytes == file.mid(chunk.dataOffset + (offset - chunk.start), length),
                "a stored chunk's view is the file's bytes");
    }
}

// A file whose header does not hold together as a container's is the plain
// map of its own bytes.
void checkPlain(MapInput& input, const QByteArray& file)
{
    require(input.facet() == -1 && input.size() == file.size(), "a plain map is the file");
    const qint64 length = qMin<qint64>(file.size(), InputFile::MaxView);
    const char* bytes = viewed(input, 0, length);
    require(bytes && QByteArray(bytes, length) == file.left(length), "a plain map's bytes are the file's");
}

void checkOpened(MapInput& input, const QByteArray& file, qint64 viewLength, qint64 stride, quint32 seed)
{
    if (!input.isContainer()) {
        checkPlain(input, file);
        return;
    }
    require(input.facet() >= 0 && input.facet() < uopformat::FacetCount,
            "an opened container names its facet");
    checkChunks(input, file.size());
    const qint64 size = input.size();
    require(!viewed(input, -1, 1) && !viewed(input, size, 1) && !viewed(input, 0, InputFile::MaxView + 1),
            "views outside the map fail");
    require(viewed(input, size, 0) != nullptr, "an empty view at the end succeeds");
    qint64 offset = size > 0 ? qint64(seed) % size : 0;
    for (int i = 0; i < ViewsPerInput && offset < size; ++i, offset += stride)
        checkView(input, file, offset, qMin(viewLength, size - offset));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const qint64 viewLength = provider.ConsumeIntegralInRange<qint64>(1, 4096);
    const qint64 stride = provider.ConsumeIntegralInRange<qint64>(1, 2 * ChunkSize);
    const quint32 seed = provider.ConsumeIntegral<quint32>();
    const std::vector<char> rest = provider.ConsumeRemainingBytes<char>();
    QByteArray file(rest.data(), qsizetype(rest.size()));
    if (file.size() < 4)
        return 0;
    qToLittleEndian(uopformat::Magic, file.data());

    MemoryFileSystem files;
    const QString path = QStringLiteral("/input.uop");
    files.writeFile(path, file);
    {
        MapInput input(path, files);
        const Status opened = input.open();
        if (opened.ok())
            checkOpened(input, file, viewLength, stride, seed);
        else
            require(opened.is(Status::Kind::Damaged) && !opened.reason().isEmpty(),
                    "a refused container is damaged, with a reason");
        input.close();
    }
    require(files.folder(QStringLiteral("/")).keys() == QStringList{QStringLiteral("input.uop")},
            "nothing is left behind");
    return 0;
}
