// quillmark-mapinput-bench [--blocks N] [--repeats N] [--keep DIR]
//
// Reads a map block by block through MapInput, once as a plain map file and
// once as the container (stored chunks) that UopMapWriter makes of the same
// bytes, best of N runs each with the files in the page cache, and prints
// both times and their ratio. Also times writing the container beside writing
// the plain file. Felucca's 458,752 blocks (90 MB) unless told otherwise.

#include "mapinput.h"
#include "stagedfile.h"
#include "uopformat.h"
#include "uopmapwriter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr qint64 BlockSize = 196;

double bestSeconds(int repeats, const std::function<bool()>& run)
{
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!run()) {
            std::fprintf(stderr, "quillmark-mapinput-bench: a run failed\n");
            std::exit(1);
        }
        best = qMin(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

// Every block viewed in order, as the jobs walk a map; a byte of each is
// added up so that no view can be left out.
bool walkBlocks(const QString& path, quint64& sum)
{
    MapInput map(path);
    if (!map.open())
        return false;
    const qint64 blocks = map.size() / BlockSize;
    for (qint64 block = 0; block < blocks; ++block) {
        const char* bytes = map.view(block * BlockSize, BlockSize);
        if (!bytes)
            return false;
        sum += quint8(bytes[block % BlockSize]);
    }
    return true;
}

QByteArray sampleBlock(qint64 block)
{
    QByteArray bytes(BlockSize, Qt::Uninitialized);
    quint64 state = quint64(block) * 0x9E3779B97F4A7C15ull + 1;
    for (qint64 i = 0; i < BlockSize; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        bytes[i] = char(state);
    }
    return bytes;
}

bool writePlain(const QString& path, qint64 blocks)
{
    StagedFile file(path);
    if (!file.create())
        return false;
    for (qint64 block = 0; block < blocks; ++block)
        file.append(sampleBlock(block).constData(), BlockSize);
    return commitStaged({&file});
}

bool writeContainer(const QString& path, qint64 blocks)
{
    UopMapWriter writer(path, 0, blocks * BlockSize);
    if (!writer.create())
        return false;
    for (qint64 block = 0; block < blocks; ++block)
        writer.append(sampleBlock(block).constData(), BlockSize);
    return writer.finish() && commitStaged({&writer.staged()});
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption blocksOption("blocks", "Map size in blocks.", "N", "458752");
    const QCommandLineOption repeatsOption("repeats", "Runs per measurement; the best counts.", "N", "5");
    const QCommandLineOption keep("keep", "Work in DIR and leave the files there.", "DIR");
    parser.addOptions({blocksOption, repeatsOption, keep});
    parser.process(application);
    const qint64 blocks = parser.value(blocksOption).toLongLong();
    const int repeats = parser.value(repeatsOption).toInt();

    std::unique_ptr<QTemporaryDir> temporary;
    QString directory = parser.value(keep);
    if (directory.isEmpty()) {
        temporary = std::make_unique<QTemporaryDir>();
        directory = temporary->path();
    }
    const QString plain = directory + QStringLiteral("/map0.mul");
    const QString container = uopformat::mapContainerName(directory, 0);

    const double writePlainTime = bestSeconds(repeats, [&] { return writePlain(plain, blocks); });
    const double writeContainerTime = bestSeconds(repeats, [&] { return writeContainer(container, blocks); });
    quint64 plainSum = 0;
    quint64 containerSum = 0;
    double readPlain = 1e300;
    double readContainer = 1e300;
    // Alternated, so that both see the same state of the machine.
    for (int i = 0; i < repeats; ++i) {
        readPlain = qMin(readPlain, bestSeconds(1, [&] { return walkBlocks(plain, plainSum); }));
        readContainer =
            qMin(readContainer, bestSeconds(1, [&] { return walkBlocks(container, containerSum); }));
    }
    if (plainSum != containerSum) {
        std::fprintf(stderr, "quillmark-mapinput-bench: the container read other bytes\n");
        return 1;
    }
    const double megabytes = blocks * BlockSize / 1e6;
    std::printf("map of %lld blocks, %.1f MB, best of %d\n", blocks, megabytes, repeats);
    std::printf("%-22s %10s %10s %7s\n", "", "plain", "container", "ratio");
    std::printf("%-22s %9.3fs %9.3fs %6.3fx\n", "read block by block", readPlain, readContainer,
                readContainer / readPlain);
    std::printf("%-22s %9.3fs %9.3fs %6.3fx\n", "write", writePlainTime, writeContainerTime,
                writeContainerTime / writePlainTime);
    return 0;
}
