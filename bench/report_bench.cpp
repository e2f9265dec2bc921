// quillmark-report-bench [--repeats N] [--keep DIR]
//
// The review report of a full-size sample facet (Felucca, 896 x 512 blocks,
// 2% of its blocks edited, map and statics) as a whole process, twice: from
// the difference files, and from the two whole facets. Runs
// `quillmark-cli report ... --html --json` N times each and prints the best
// wall time, the processor time of that run (user and system), the largest
// peak resident set size of any run, as the kernel counts it for the child
// (getrusage of the waited-for process, what `/usr/bin/time -v` shows), and
// the page's size. The goal: within 1.5 seconds and 64 MiB, the page within
// its budget (about 16 MB at most). Times include flushing the two outputs
// to stable storage, like every job's.

#include "jobs.h"
#include "samplefacet.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillmark;

namespace {

struct Run
{
    bool ok = false;
    double wall = 0;
    double processor = 0;
    long peakKiB = 0;
};

double seconds(const timeval& time)
{
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

// One run of the command line, waited for with its resource usage.
Run runReport(const QStringList& arguments)
{
    std::vector<QByteArray> words;
    for (const QString& argument : arguments)
        words.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    QElapsedTimer timer;
    timer.start();
    const pid_t child = fork();
    if (child == 0) {
        if (!freopen("/dev/null", "w", stdout))
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    Run run;
    if (child < 0 || wait4(child, &status, 0, &usage) != child)
        return run;
    run.wall = double(timer.nsecsElapsed()) / 1e9;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.processor = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.peakKiB = usage.ru_maxrss;
    return run;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times quillmark-cli report on a full-size sample facet."));
    parser.addHelpOption();
    parser.addOptions(
        {{QStringLiteral("repeats"), QStringLiteral("Runs (default 5)."), QStringLiteral("N"),
          QStringLiteral("5")},
         {QStringLiteral("keep"), QStringLiteral("Work in DIR and keep the files."), QStringLiteral("DIR")}});
    parser.process(application);
    const int repeats = qMax(1, parser.value(QStringLiteral("repeats")).toInt());

    QTemporaryDir temporary;
    const QString dir =
        parser.isSet(QStringLiteral("keep")) ? parser.value(QStringLiteral("keep")) : temporary.path();
    QDir().mkpath(dir + QStringLiteral("/difs"));
    SampleFacetOptions options;
    options.directory = dir;
    options.widthBlocks = 896;
    options.heightBlocks = 512;
    options.seed = 2026;
    const SampleFacetResult sample = writeSampleFacet(options);
    const FacetFiles reference = referenceFiles(options), edited = editedFiles(options);
    const QString difs = dir + QStringLiteral("/difs");
    SilentProgress silent;
    if (!sample.status.ok() || !generateMapDiff({reference.map, edited.map, difs, 0}, silent).succeeded()
        || !generateStaticsDiff({reference.index, reference.data, edited.index, edited.data, difs, 0}, silent)
                .succeeded()) {
        std::fprintf(stderr, "quillmark-report-bench: the sample facet could not be made\n");
        return 1;
    }
    const QString page = dir + "/report.html", facts = dir + "/report.json";
    const QStringList difArguments{QStringLiteral(QUILLMARK_CLI),
                                   "report",
                                   "--facet",
                                   "0",
                                   "--map",
                                   reference.map,
                                   "--mapdifl",
                                   difs + "/mapdifl0.mul",
                                   "--mapdif",
                                   difs + "/mapdif0.mul",
                                   "--index",
                                   reference.index,
                                   "--data",
                                   reference.data,
                                   "--stadifl",
                                   difs + "/stadifl0.mul",
                                   "--stadifi",
                                   difs + "/stadifi0.mul",
                                   "--stadif",
                                   difs + "/stadif0.mul",
                                   "--html",
                                   page,
                                   "--json",
                                   facts};
    const QStringList facetArguments{QStringLiteral(QUILLMARK_CLI),
                                     "report",
                                     "--facet",
                                     "0",
                                     "--reference-map",
                                     reference.map,
                                     "--current-map",
                                     edited.map,
                                     "--reference-index",
                                     reference.index,
                                     "--reference-data",
                                     reference.data,
                                     "--current-index",
                                     edited.index,
                                     "--current-data",
                                     edited.data,
                                     "--html",
                                     page,
                                     "--json",
                                     facts};
    std::printf("report of a full-size facet: %lld map and %lld statics blocks differ, best of %d runs\n",
                sample.summary.mapBlocksDiffering, sample.summary.staticsBlocksDiffering, repeats);
    std::fflush(stdout);  // before the children inherit what is buffered
    for (const auto& [name, arguments] :
         {std::pair{"difference files", difArguments}, std::pair{"two whole facets", facetArguments}}) {
        Run best;
        long peak = 0;
        for (int i = 0; i < repeats; ++i) {
            const Run run = runReport(arguments);
            if (!run.ok) {
                std::fprintf(stderr, "quillmark-report-bench: a run failed\n");
                return 1;
            }
            if (i == 0 || run.wall < best.wall)
                best = run;
            peak = qMax(peak, run.peakKiB);
        }
        std::printf("%s: wall %.3f s, processor %.3f s (that run), peak resident %.1f MiB (largest of all "
                    "runs); report.html %lld bytes, report.json %lld bytes\n",
                    name, best.wall, best.processor, double(peak) / 1024.0, QFileInfo(page).size(),
                    QFileInfo(facts).size());
        std::fflush(stdout);
    }
    return 0;
}
