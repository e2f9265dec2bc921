// quillmark-bench [--width W] [--height H] [--repeats N] [--keep DIR]
//
// Makes a sample facet (Felucca's 896 x 512 blocks unless told otherwise),
// with its reference map also as a package container, then times each job,
// best of N runs, with the files in the page cache: first the bare job (in
// real time and in this thread's processor time), then the same job as the
// window runs it (progress bar, events processed every 100 blocks), and the
// time to simply read the job's input files. Jobs flush their outputs to
// stable storage before they put them in place, so the floor a job can
// approach is that read plus a durable write of its outputs: the same bytes
// written in 1 MiB pieces and flushed, as `dd bs=1M conv=fsync` does ("sync
// write"); "/floor" is the job's time over that floor. The map jobs run on
// plain files and on the container; each
// container row is held against its plain twin in processor time, which
// other work on a shared machine does not inflate. The runs of all jobs take
// turns, so that every job sees the machine in the same states.

#include "filesystem.h"
#include "jobs.h"
#include "mainwindow.h"
#include "samplefacet.h"
#include "uopformat.h"

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
#include <ctime>
#include <functional>
#include <memory>

using namespace quillmark;

namespace {

// This thread's processor time, system time (the reads' copies from the page
// cache) included.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The best of the runs so far, in real and in processor time.
struct Best
{
    double real = 1e300;
    double processor = 1e300;

    void run(const std::function<bool()>& job)
    {
        QElapsedTimer timer;
        const double start = threadSeconds();
        timer.start();
        if (!job()) {
            std::fprintf(stderr, "quillmark-bench: a run failed\n");
            std::exit(1);
        }
        real = qMin(real, double(timer.nsecsElapsed()) / 1e9);
        processor = qMin(processor, threadSeconds() - start);
    }
};

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
        std::unique_ptr<WritableFile> copy;
        bool written = FileSystem::system().createNew(copyPath, copy).ok();
        for (qint64 got = 0; written && (got = file.read(buffer.data(), buffer.size())) > 0;)
            written = copy->write(buffer.constData(), got).ok();
        written = written && copy->sync().ok() && copy->close().ok();
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
    // Sets the window's fields and runs its worker; none for a job the
    // window does not run.
    std::function<bool(mainwindow&)> throughWindow;
    int plainTwin = -1;  // the row of the same job on plain files
};

struct Timings
{
    Best read, job, window, durable;
};

void runOnce(const Job& job, Timings& timings, mainwindow& window)
{
    timings.read.run([&] { return readWhole(job.inputs); });
    timings.job.run([&] { return job.bare().succeeded(); });
    if (job.throughWindow)
        timings.window.run([&] { return job.throughWindow(window); });
    timings.durable.run([&] { return writeDurably(job.outputs); });
}

void report(const QList<Job>& jobs, const QList<Timings>& timings)
{
    std::printf("%-24s %12s %11s %11s %11s %11s %13s %7s %12s %11s %7s %7s\n", "job", "input", "read only",
                "job", "job cpu", "in window", "job speed", "/read", "output", "sync write", "/floor",
                "/plain");
    for (qsizetype row = 0; row < jobs.size(); ++row) {
        const Job& job = jobs[row];
        const Timings& timing = timings[row];
        const double megabytes = double(totalSize(job.inputs)) / 1e6;
        std::printf("%-24s %9.1f MB %9.3f s %9.3f s %9.3f s ", job.name, megabytes, timing.read.real,
                    timing.job.real, timing.job.processor);
        if (job.throughWindow)
            std::printf("%9.3f s ", timing.window.real);
        else
            std::printf("%11s ", "-");
        std::printf("%8.0f MB/s %6.2fx %9.1f MB %9.3f s %6.2fx", megabytes / timing.job.real,
                    timing.job.real / timing.read.real, double(totalSize(job.outputs)) / 1e6,
                    timing.durable.real, timing.job.real / (timing.read.real + timing.durable.real));
        if (job.plainTwin >= 0)
            std::printf(" %6.3fx", timing.job.processor / timings[job.plainTwin].job.processor);
        std::printf("\n");
    }
}

struct SampleFiles
{
    FacetFiles reference;
    FacetFiles current;
    QString referenceUop;  // the reference map in a container
    QString out;

    QString dif(const char* name) const { return out + QLatin1Char('/') + QLatin1String(name); }
};

SilentProgress silent;

// The window's map workers, reading the reference or the map from the
// given file.
std::function<bool(mainwindow&)> windowGenerateMap(const SampleFiles& f, const QString& referenceMap)
{
    return [f, referenceMap](mainwindow& w) {
        w.lineRefData->setText(referenceMap);
        w.lineMapMul->setText(f.current.map);
        return w.mapDiffGenerate();
    };
}

std::function<bool(mainwindow&)> windowCombineMap(const SampleFiles& f, const QString& map)
{
    return [f, map](mainwindow& w) {
        w.lineCMap->setText(map);
        w.lineDif->setText(f.dif("mapdif0.mul"));
        w.lineDifl->setText(f.dif("mapdifl0.mul"));
        return w.mapDiffCombine();
    };
}

MapGenerateJob mapGenerate(const QString& reference, const QString& current, const QString& out)
{
    MapGenerateJob job;
    job.referenceMap = reference;
    job.currentMap = current;
    job.outDir = out;
    return job;
}

MapCombineJob mapCombine(const QString& map, const QString& dif, const QString& difl, const QString& out,
                         MapFormat format = MapFormat::Mul)
{
    MapCombineJob job;
    job.currentMap = map;
    job.difData = dif;
    job.difLocator = difl;
    job.outDir = out;
    job.format = format;
    return job;
}

MapConvertJob mapConvert(const QString& map, const QString& out, MapFormat format)
{
    MapConvertJob job;
    job.map = map;
    job.outDir = out;
    job.format = format;
    return job;
}

// The map jobs on plain files and on the container, each container row after
// its plain twin, then the writing of containers.
QList<Job> mapJobs(const SampleFiles& f)
{
    const FacetFiles& ref = f.reference;
    const FacetFiles& cur = f.current;
    const QString dif = f.dif("mapdif0.mul"), difl = f.dif("mapdifl0.mul");
    const MapCombineJob combine = mapCombine(ref.map, dif, difl, f.out);
    const MapCombineJob combineUop = mapCombine(f.referenceUop, dif, difl, f.out);
    const MapCombineJob combineIntoUop = mapCombine(ref.map, dif, difl, f.out, MapFormat::Uop);
    return {
        {"generate map",
         {ref.map, cur.map},
         {dif, difl},
         [=] { return generateMapDiff(mapGenerate(ref.map, cur.map, f.out), silent); },
         windowGenerateMap(f, ref.map)},
        {"generate map (uop)",
         {f.referenceUop, cur.map},
         {dif, difl},
         [=] { return generateMapDiff(mapGenerate(f.referenceUop, cur.map, f.out), silent); },
         windowGenerateMap(f, f.referenceUop),
         0},
        {"combine map",
         {ref.map, dif, difl},
         {f.dif("map0.mul")},
         [=] { return combineMapDiff(combine, silent); },
         windowCombineMap(f, ref.map)},
        {"combine map (uop)",
         {f.referenceUop, dif, difl},
         {f.dif("map0.mul")},
         [=] { return combineMapDiff(combineUop, silent); },
         windowCombineMap(f, f.referenceUop),
         2},
        {"combine map into uop",
         {ref.map, dif, difl},
         {uopformat::mapContainerName(f.out, 0)},
         [=] { return combineMapDiff(combineIntoUop, silent); },
         {},
         2},
        {"convert map to uop",
         {ref.map},
         {uopformat::mapContainerName(f.out, 0)},
         [=] { return convertMap(mapConvert(ref.map, f.out, MapFormat::Uop), silent); },
         {}},
        {"convert map to mul",
         {f.referenceUop},
         {f.dif("map0.mul")},
         [=] { return convertMap(mapConvert(f.referenceUop, f.out, MapFormat::Mul), silent); },
         {}},
    };
}

QList<Job> staticsJobs(const SampleFiles& f)
{
    const FacetFiles& ref = f.reference;
    const FacetFiles& cur = f.current;
    StaticsGenerateJob generate;
    generate.referenceIndex = ref.index;
    generate.referenceData = ref.data;
    generate.currentIndex = cur.index;
    generate.currentData = cur.data;
    generate.outDir = f.out;
    StaticsCombineJob combine;
    combine.currentIndex = ref.index;
    combine.currentData = ref.data;
    combine.difData = f.dif("stadif0.mul");
    combine.difIndex = f.dif("stadifi0.mul");
    combine.difLocator = f.dif("stadifl0.mul");
    combine.outDir = f.out;
    return {
        {"generate statics",
         {ref.index, ref.data, cur.index, cur.data},
         {f.dif("stadif0.mul"), f.dif("stadifi0.mul"), f.dif("stadifl0.mul")},
         [=] { return generateStaticsDiff(generate, silent); },
         [=](mainwindow& w) {
             w.lineRefIdx->setText(ref.index);
             w.lineRefData->setText(ref.data);
             w.lineStaIdx->setText(cur.index);
             w.lineStaMul->setText(cur.data);
             return w.staticsDiffGenerate();
         }},
        {"combine statics",
         {ref.index, ref.data, f.dif("stadif0.mul"), f.dif("stadifi0.mul"), f.dif("stadifl0.mul")},
         {f.dif("staidx0.mul"), f.dif("statics0.mul")},
         [=] { return combineStaticsDiff(combine, silent); },
         [=](mainwindow& w) {
             w.lineCStaIdx->setText(ref.index);
             w.lineCStaData->setText(ref.data);
             w.lineDif->setText(f.dif("stadif0.mul"));
             w.lineDifi->setText(f.dif("stadifi0.mul"));
             w.lineDifl->setText(f.dif("stadifl0.mul"));
             return w.staticsDiffCombine();
         }},
    };
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
                double(made.nsecsElapsed()) / 1e9);

    const FacetFiles reference = referenceFiles(options);
    const FacetFiles current = editedFiles(options);
    const QString out = directory + "/out";
    QDir().mkpath(out);
    // The reference map as the container a current client ships.
    SilentProgress silent;
    if (!convertMap(mapConvert(reference.map, directory, MapFormat::Uop), silent).succeeded()) {
        std::fprintf(stderr, "quillmark-bench: the container could not be written\n");
        return 1;
    }
    const SampleFiles files{reference, current, uopformat::mapContainerName(directory, 0), out};

    mainwindow window;
    window.show();
    window.lineOutDir->setText(out);
    const QList<Job> jobs = mapJobs(files) + staticsJobs(files);
    QList<Timings> timings(jobs.size());
    // The difference files the combinations read come from the first runs
    // of the generations, which come first.
    for (int i = 0; i < parser.value(repeats).toInt(); ++i) {
        for (qsizetype row = 0; row < jobs.size(); ++row)
            runOnce(jobs[row], timings[row], window);
    }
    report(jobs, timings);
    return 0;
}
