// quillmark-report-bench [--repeats N] [--keep DIR]
//
// The review report of a full-size sample facet (Felucca, 896 x 512 blocks,
// 2% of its blocks edited, map and statics) as a whole process, twice: from
// the difference files, and from the two whole facets. Runs
// `quillmark-cli report ... --html --json` N times each and prints the best
// wall time, the processor time of that run (user and system), the largest
// peak resident set size of any run, as the kernel counts it for the child
// (getrusage of the waited-for process, what `/usr/bin/time -v` shows), and
// the pages' sizes. The goal: within 1.5 seconds and 64 MiB, each page
// within its budget (about 16 MB at most). Times include flushing the
// outputs to stable storage, like every job's.
//
// Then, where Debian's chromium is installed, each page of the last report
// opened in headless Chromium in a frame of 1280 x 800: the time to its
// first paint, to the end of its parsing (DOMContentLoaded) and to its load
// (every picture loaded), as the browser's own clock gives them from the
// moment the frame is told to open it. The goal: under 2 seconds.

#include "jobs.h"
#include "samplefacet.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
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

// Opens the page named after '#' beside it in a frame and writes its times
// into #result before the load event of the frame's parent, when
// --dump-dom prints the document.
const char OpenPage[] = R"(<!DOCTYPE html><html><body style="margin:0">
<iframe id="page" width="1280" height="800" style="border:0"></iframe><pre id="result"></pre>
<script>
const frame = document.getElementById('page');
const start = performance.now();
frame.addEventListener('load', () => {
  const page = frame.contentWindow.performance;
  const paint = page.getEntriesByName('first-contentful-paint')[0];
  const sinceStart = at => Math.round(page.timeOrigin + at - performance.timeOrigin - start);
  document.getElementById('result').textContent = JSON.stringify({
    painted: paint ? sinceStart(paint.startTime) : -1,
    parsed: sinceStart(page.getEntriesByType('navigation')[0].domContentLoadedEventEnd),
    loaded: Math.round(performance.now() - start)});
});
frame.src = location.hash.slice(1);
</script></body></html>)";

// Each page of the report in `dir` opened in Chromium; false when there is none to open them with.
bool openPages(const QString& dir, const QStringList& pages)
{
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty())
        return false;
    QFile harness(dir + QStringLiteral("/open.html"));
    if (!harness.open(QIODevice::WriteOnly) || harness.write(OpenPage) < 0)
        return false;
    harness.close();
    QTemporaryDir profile;
    for (const QString& page : pages) {
        QProcess browser;
        browser.start(chromium,
                      {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
                       QStringLiteral("--disable-gpu"), QStringLiteral("--no-first-run"),
                       QStringLiteral("--user-data-dir=") + profile.path(),
                       QStringLiteral("--allow-file-access-from-files"),
                       QStringLiteral("--window-size=1280,900"), QStringLiteral("--dump-dom"),
                       QUrl::fromLocalFile(harness.fileName()).toString() + QLatin1Char('#') + page});
        browser.waitForFinished(120000);
        const QRegularExpressionMatch found = QRegularExpression(QStringLiteral("<pre id=\"result\">([^<]*)"))
                                                  .match(QString::fromUtf8(browser.readAllStandardOutput()));
        const QJsonObject times = QJsonDocument::fromJson(found.captured(1).toUtf8()).object();
        const double painted = times[QStringLiteral("painted")].toDouble() / 1000;
        std::printf("  %s, %lld bytes: first paint %s, parsed %.2f s, loaded %.2f s\n", qPrintable(page),
                    QFileInfo(dir + QLatin1Char('/') + page).size(),
                    painted < 0 ? "after its load"
                                : qPrintable(QStringLiteral("%1 s").arg(painted, 0, 'f', 2)),
                    times[QStringLiteral("parsed")].toDouble() / 1000,
                    times[QStringLiteral("loaded")].toDouble() / 1000);
        std::fflush(stdout);
    }
    return true;
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
    MapGenerateJob map;
    map.referenceMap = reference.map;
    map.currentMap = edited.map;
    map.outDir = difs;
    StaticsGenerateJob statics;
    statics.referenceIndex = reference.index;
    statics.referenceData = reference.data;
    statics.currentIndex = edited.index;
    statics.currentData = edited.data;
    statics.outDir = difs;
    SilentProgress silent;
    if (!sample.status.ok() || !generateMapDiff(map, silent).succeeded()
        || !generateStaticsDiff(statics, silent).succeeded()) {
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
        const QStringList pages =
            QDir(dir).entryList({QStringLiteral("report*.html")}, QDir::Files, QDir::Name);
        qint64 pageBytes = 0, largest = 0;
        for (const QString& each : pages) {
            pageBytes += QFileInfo(dir + QLatin1Char('/') + each).size();
            largest = qMax(largest, QFileInfo(dir + QLatin1Char('/') + each).size());
        }
        std::printf("%s: wall %.3f s, processor %.3f s (that run), peak resident %.1f MiB (largest of all "
                    "runs); %lld pages of %lld bytes in all, the largest %lld; report.json %lld bytes\n",
                    name, best.wall, best.processor, double(peak) / 1024.0, qint64(pages.size()), pageBytes,
                    largest, QFileInfo(facts).size());
        std::fflush(stdout);
    }
    std::printf("the pages opened in Chromium at 1280 x 800:\n");
    std::fflush(stdout);
    if (!openPages(dir, QDir(dir).entryList({QStringLiteral("report*.html")}, QDir::Files, QDir::Name)))
        std::printf("  not measured: no chromium\n");
    return 0;
}
