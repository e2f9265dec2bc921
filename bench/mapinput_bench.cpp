// quillmark-mapinput-bench [--blocks N] [--repeats N] [--keep DIR]
//
// Reads a map block by block through MapInput, once as a plain map file and
// once as the container (stored chunks) that UopMapWriter makes of the same
// bytes, and prints both times and their ratio; the plain file is also read
// through InputFile alone, as the jobs read it before containers. Then times
// writing the container beside writing the plain file. Best of N runs each,
// in processor time, with the files in the page cache. Felucca's 458,752
// blocks (90 MB) unless told otherwise.

#include "mapinput.h"
#include "stagedcommit.h"
#include "stagedfile.h"
#include "uopformat.h"
#include "uopmapwriter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>

using namespace quillmark;

namespace {

constexpr qint64 BlockSize = 196;

// The processor time of this thread (system time included: the reads' copies
// from the page cache), so that other processes sharing the machine do not
// count: the gaps measured are a few per cent of a few milliseconds.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double bestSeconds(int repeats, const std::function<bool()>& run)
{
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        const double start = threadSeconds();
        if (!run()) {
            std::fprintf(stderr, "quillmark-mapinput-bench: a run failed\n");
            std::exit(1);
        }
        best = qMin(best, threadSeconds() - start);
    }
    return best;
}

// Every block viewed in order, as the jobs walk a map, through InputFile or
// MapInput; a byte of each is added up so that no view can be left out.
template <typename MapFile>
bool walkBlocks(const QString& path, quint64& sum)
{
    MapFile map(path, FileSystem::system());
    if (map.open().failed())
        return false;
    const qint64 blocks = map.size() / BlockSize;
    for (qint64 block = 0; block < blocks; ++block) {
        const char* bytes = nullptr;
        if (map.view(block * BlockSize, BlockSize, bytes).failed())
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
    StagedFile file(path, FileSystem::system());
    if (file.create().failed())
        return false;
    for (qint64 block = 0; block < blocks; ++block)
        file.append(sampleBlock(block).constData(), BlockSize);
    return commitStaged({&file}, CommitOptions()).ok();
}

bool writeContainer(const QString& path, qint64 blocks)
{
    UopMapWriter writer(path, 0, blocks * BlockSize, FileSystem::system());
    if (writer.create().failed())
        return false;
    for (qint64 block = 0; block < blocks; ++block)
        writer.append(sampleBlock(block).constData(), BlockSize);
    return writer.finish().ok() && commitStaged({&writer.staged()}, CommitOptions()).ok();
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
    quint64 inputFileSum = 0;
    quint64 plainSum = 0;
    quint64 containerSum = 0;
    double readInputFile = 1e300;
    double readPlain = 1e300;
    double readContainer = 1e300;
    // Alternated, so that all three see the same state of the machine.
    for (int i = 0; i < repeats; ++i) {
        const auto best = [](double& time, const std::function<bool()>& run) {
            time = qMin(time, bestSeconds(1, run));
        };
        best(readInputFile, [&] { return walkBlocks<InputFile>(plain, inputFileSum); });
        best(readPlain, [&] { return walkBlocks<MapInput>(plain, plainSum); });
        best(readContainer, [&] { return walkBlocks<MapInput>(container, containerSum); });
    }
    if (plainSum != containerSum || inputFileSum != plainSum) {
        std::fprintf(stderr, "quillmark-mapinput-bench: the container read other bytes\n");
        return 1;
    }
    const double megabytes = double(blocks * BlockSize) / 1e6;
    std::printf("map of %lld blocks, %.1f MB, best of %d, thread processor time\n", blocks, megabytes,
                repeats);
    std::printf("%-22s %11s %11s %7s\n", "", "plain", "container", "ratio");
    std::printf("%-22s %8.2f ms %8.2f ms %6.3fx\n", "read block by block", readPlain * 1e3,
                readContainer * 1e3, readContainer / readPlain);
    std::printf("%-22s %8.2f ms %11s %6.3fx\n", "  plain by InputFile", readInputFile * 1e3, "",
                readContainer / readInputFile);
    std::printf("%-22s %8.2f ms %8.2f ms %6.3fx\n", "write", writePlainTime * 1e3, writeContainerTime * 1e3,
                writeContainerTime / writePlainTime);
    return 0;
}
