// quillmark-bench [--width W] [--height H] [--repeats N] [--keep DIR]
//
// Makes a sample facet (Felucca's 896 x 512 blocks unless told otherwise),
// then times each job, best of N runs, with the files in the page cache:
// first the bare job, then the same job as the window runs it (progress bar,
// events processed every 100 blocks), and the time to simply read the job's
// input files. Jobs flush their outputs to stable storage before they put
// them in place, so the floor a job can approach is that read plus a durable
// write of its outputs: the same bytes written in 1 MiB pieces and flushed,
// as `dd bs=1M conv=fsync` does ("sync write"). "/floor" is the job's time
// over that floor.

#include "diffjobs.h"
#include "mainwindow.h"
#include "platformfile.h"
#include "samplefacet.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

double bestSeconds(int repeats, const std::function<bool()>& run)
{
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!run()) {
            std::fprintf(stderr, "quillmark-bench: a run failed\n");
            std::exit(1);
        }
        best = qMin(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

bool readWhole(const QStringList& paths)
{
    static QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (const QString& path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return false;
        while (file.read(buffer.data(), buffer.size()) > 0) {
        }
    }
    return true;
}

// Copies every file to a new one beside it, writing 1 MiB at a time, and
// flushes the copy to stable storage before removing it.
bool writeDurably(const QStringList& paths)
{
    static QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (const QString& path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return false;
        const QString copyPath = path + QStringLiteral(".bench-copy");
        QFile::remove(copyPath);
        platformfile::NativeFile copy;
        bool written = copy.createNew(QFile::encodeName(copyPath).constData());
        for (qint64 got = 0; written && (got = file.read(buffer.data(), buffer.size())) > 0;)
            written = copy.write(buffer.constData(), got);
        written = written && copy.sync() && copy.close();
        QFile::remove(copyPath);
        if (!written)
            return false;
    }
    return true;
}

qint64 totalSize(const QStringList& paths)
{
    qint64 size = 0;
    for (const QString& path : paths)
        size += QFileInfo(path).size();
    return size;
}

struct Job
{
    const char* name;
    QStringList inputs;
    QStringList outputs;
    std::function<JobOutcome()> bare;
    std::function<bool(mainwindow&)> throughWindow;
};

void report(const Job& job, int repeats, mainwindow& window)
{
    const double read = bestSeconds(repeats, [&] { return readWhole(job.inputs); });
    const double bare = bestSeconds(repeats, [&] { return job.bare().succeeded(); });
    const double windowed = bestSeconds(repeats, [&] { return job.throughWindow(window); });
    const double durable = bestSeconds(repeats, [&] { return writeDurably(job.outputs); });
    const double megabytes = totalSize(job.inputs) / 1e6;
    std::printf("%-16s %9.1f MB %9.3f s %9.3f s %9.3f s %8.0f MB/s %6.2fx %9.1f MB %9.3f s %6.2fx\n",
                job.name, megabytes, read, bare, windowed, megabytes / bare, bare / read,
                totalSize(job.outputs) / 1e6, durable, bare / (read + durable));
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption width("width", "Facet width in blocks.", "W", "896");
    const QCommandLineOption height("height", "Facet height in blocks.", "H", "512");
    const QCommandLineOption repeats("repeats", "Runs per measurement; the best counts.", "N", "3");
    const QCommandLineOption keep("keep", "Work in DIR and leave the files there.", "DIR");
    parser.addOptions({width, height, repeats, keep});
    parser.process(application);

    std::unique_ptr<QTemporaryDir> temporary;
    QString directory = parser.value(keep);
    if (directory.isEmpty()) {
        temporary = std::make_unique<QTemporaryDir>();
        directory = temporary->path();
    }
    SampleFacetOptions options;
    options.directory = directory;
    options.widthBlocks = parser.value(width).toInt();
    options.heightBlocks = parser.value(height).toInt();
    QElapsedTimer made;
    made.start();
    const SampleFacetResult sample = writeSampleFacet(options);
    if (!sample.status.ok()) {
        std::fprintf(stderr, "quillmark-bench: %s\n", qPrintable(sample.status.message()));
        return 1;
    }
    std::printf("sample facet: %lld blocks, made in %.2f s\n", sample.summary.blocks,
                made.nsecsElapsed() / 1e9);

    const FacetFiles reference = referenceFiles(options);
    const FacetFiles current = editedFiles(options);
    const QString out = directory + "/out";
    QDir().mkpath(out);
    const auto dif = [&](const char* name) { return out + QLatin1Char('/') + QLatin1String(name); };
    SilentProgress silent;
    const MapGenerateJob mapGenerate{reference.map, current.map, out, 0};
    const MapCombineJob mapCombine{reference.map, dif("mapdif0.mul"), dif("mapdifl0.mul"), out, 0};
    const StaticsGenerateJob staticsGenerate{
        reference.index, reference.data, current.index, current.data, out, 0};
    const StaticsCombineJob staticsCombine{reference.index,
                                           reference.data,
                                           dif("stadif0.mul"),
                                           dif("stadifi0.mul"),
                                           dif("stadifl0.mul"),
                                           out,
                                           0};

    mainwindow window;
    window.show();
    window.lineOutDir->setText(out);
    window.lineRefData->setText(reference.map);
    window.lineMapMul->setText(current.map);
    window.lineCMap->setText(reference.map);
    window.lineDif->setText(dif("mapdif0.mul"));
    window.lineDifl->setText(dif("mapdifl0.mul"));
    const auto staticsFields = [&](mainwindow& w) {
        w.lineRefIdx->setText(reference.index);
        w.lineRefData->setText(reference.data);
        w.lineStaIdx->setText(current.index);
        w.lineStaMul->setText(current.data);
        w.lineCStaIdx->setText(reference.index);
        w.lineCStaData->setText(reference.data);
        w.lineDif->setText(dif("stadif0.mul"));
        w.lineDifi->setText(dif("stadifi0.mul"));
    };

    const int runs = parser.value(repeats).toInt();
    std::printf("%-16s %12s %11s %11s %11s %13s %7s %12s %11s %7s\n", "job", "input", "read only", "job",
                "in window", "job speed", "/read", "output", "sync write", "/floor");
    const QList<Job> mapJobs{{"generate map",
                              {reference.map, current.map},
                              {dif("mapdif0.mul"), dif("mapdifl0.mul")},
                              [&] { return generateMapDiff(mapGenerate, silent); },
                              [](mainwindow& w) { return w.mapDiffGenerate(); }},
                             {"combine map",
                              {reference.map, dif("mapdif0.mul"), dif("mapdifl0.mul")},
                              {dif("map0.mul")},
                              [&] { return combineMapDiff(mapCombine, silent); },
                              [](mainwindow& w) { return w.mapDiffCombine(); }}};
    for (const Job& job : mapJobs)
        report(job, runs, window);

    staticsFields(window);
    window.lineDifl->setText(dif("stadifl0.mul"));
    const QList<Job> staticsJobs{
        {"generate statics",
         {reference.index, reference.data, current.index, current.data},
         {dif("stadif0.mul"), dif("stadifi0.mul"), dif("stadifl0.mul")},
         [&] { return generateStaticsDiff(staticsGenerate, silent); },
         [](mainwindow& w) { return w.staticsDiffGenerate(); }},
        {"combine statics",
         {reference.index, reference.data, dif("stadif0.mul"), dif("stadifi0.mul"), dif("stadifl0.mul")},
         {dif("staidx0.mul"), dif("statics0.mul")},
         [&] { return combineStaticsDiff(staticsCombine, silent); },
         [](mainwindow& w) { return w.staticsDiffCombine(); }}};
    for (const Job& job : staticsJobs)
        report(job, runs, window);
    return 0;
}
