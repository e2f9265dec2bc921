// quillmark-fuzz-seeds DIR: writes the seed containers of fuzz_mapinput, each
// followed by the nine bytes that choose its views, read from the end: view
// length 196 (2 bytes), stride 200,000 (3), start 0 (4).

#include "containerbuilder.h"
#include "testfiles.h"

#include <cstdio>

using namespace quillmark;
using namespace containerbuilder;

namespace {

QByteArray map(qint64 size)
{
    QByteArray bytes(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char(i % 196);  // repeats, so that zlib chunks stay tiny
    return bytes;
}

bool write(const QString& dir, const char* name, const Built& built)
{
    const QByteArray choices = QByteArray::fromHex("000000003f0d03c300");
    return testfiles::write(QDir(dir).filePath(QLatin1String(name)), built.bytes + choices);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillmark-fuzz-seeds DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    Layout small;
    small.capacity = 4;
    const QByteArray twoChunks = map(uopformat::ChunkSize + 392);

    Layout chain = small;
    chain.capacity = 2;
    chain.tables = {{2, -1}, {}, {0, 1}};
    chain.tablesBackwards = true;
    Layout unpadded = small;
    unpadded.padTables = false;
    QList<Part> headed = mapChunks(5, map(196));
    headed[0].headerLength = 12;

    const bool ok =
        write(dir, "stored", build(mapChunks(0, map(392)), small))
        && write(dir, "zlib", build(mapChunks(1, twoChunks, {true, true}), small))
        && write(dir, "tables",
                 build(mapChunks(2, map(2 * uopformat::ChunkSize + 100), {true, true, false}), chain))
        && write(dir, "unpadded", build(headed, unpadded))
        && write(dir, "empty", build(mapChunks(3, QByteArray()), small));
    return ok ? 0 : 1;
}
