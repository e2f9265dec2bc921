// Full-size jobs killed (SIGKILL: no clean-up code runs) at random instants
// and between their renames, through quillmark-cli and through the window's
// workers. After every kill each target holds its earlier content or its new
// content, whole; the next job's start settles the folder: all targets of the
// set old or all new, no file of the killed run left. One more job then
// succeeds and leaves nothing but its outputs.

#include "outputfolder.h"
#include "samplefacet.h"
#include "stagingnames.h"
#include "testfiles.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Job
{
    QString name;         // the window helper's name for it
    QStringList words;    // quillmark-cli's
    QStringList options;  // quillmark-cli's option per input
    QStringList inputs;
    QStringList targets;  // output file names
    QList<QByteArray> newHashes;
    qint64 milliseconds[2] = {0, 0};  // a whole run through the command-line tool, the window
};

QByteArray hashOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "missing";
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(&file);
    return hash.result();
}

QByteArray oldContent(const QString& target)
{
    return "earlier " + target.toLatin1();
}

QStringList arguments(const Job& job, bool window, const QString& out)
{
    if (window)
        return QStringList{job.name} + job.inputs + QStringList{out};
    QStringList words = job.words;
    for (int i = 0; i < job.inputs.size(); ++i)
        words << job.options[i] << job.inputs[i];
    return words + QStringList{"--out", out, "--facet", "0"};
}

}  // namespace

class KillTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void killedJobs_data();
    void killedJobs();
    void cleanupTestCase();

private:
    void prepare(Job& job);
    bool killOnce(const Job& job, bool window, const QString& out, int renameToKillAt);
    void checkTargets(const Job& job, const QString& out, bool settled);

    QTemporaryDir m_dir;
    QMap<QString, Job> m_jobs;
    QRandomGenerator m_random;
    int m_kills = 0;
    int m_killsBetweenRenames = 0;
    int m_killsLeavingFiles = 0;  // temporary files, a lock or a record
    int m_killsMixed = 0;         // a set part old, part new until settled
};

void KillTest::initTestCase()
{
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("random seed %u", seed);
    m_random.seed(seed);
    SampleFacetOptions options;
    options.directory = m_dir.filePath("sample");
    options.widthBlocks = 896;  // Felucca's size, the largest
    options.heightBlocks = 512;
    QVERIFY(writeSampleFacet(options).status.ok());
    const FacetFiles reference = referenceFiles(options), current = editedFiles(options);
    const QString difs = m_dir.filePath("difs");
    QDir().mkpath(difs);
    const auto dif = [&](const char* name) { return difs + "/" + name; };
    m_jobs["generate-map"] = {"generate-map",
                              {"generate", "map"},
                              {"--reference", "--current"},
                              {reference.map, current.map},
                              {"mapdif0.mul", "mapdifl0.mul"},
                              {},
                              {}};
    m_jobs["generate-statics"] = {
        "generate-statics",
        {"generate", "statics"},
        {"--reference-index", "--reference-data", "--current-index", "--current-data"},
        {reference.index, reference.data, current.index, current.data},
        {"stadif0.mul", "stadifi0.mul", "stadifl0.mul"},
        {},
        {}};
    m_jobs["combine-map"] = {"combine-map",
                             {"combine", "map"},
                             {"--map", "--difl", "--dif"},
                             {reference.map, dif("mapdifl0.mul"), dif("mapdif0.mul")},
                             {"map0.mul"},
                             {},
                             {}};
    m_jobs["combine-statics"] = {
        "combine-statics",
        {"combine", "statics"},
        {"--index", "--data", "--difl", "--difi", "--dif"},
        {reference.index, reference.data, dif("stadifl0.mul"), dif("stadifi0.mul"), dif("stadif0.mul")},
        {"staidx0.mul", "statics0.mul"},
        {},
        {}};
    // Generation first: its outputs are the combinations' inputs.
    for (const char* name : {"generate-map", "generate-statics", "combine-map", "combine-statics"})
        prepare(m_jobs[name]);
}

// A whole run gives the new contents and how long a run takes through each
// program, so that random kills spread over a whole run.
void KillTest::prepare(Job& job)
{
    const QString out = job.name.startsWith("generate") ? m_dir.filePath("difs") : m_dir.filePath("clean");
    QDir().mkpath(out);
    for (const bool window : {false, true}) {
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(window ? KILLJOB_WINDOW : KILLJOB_CLI, arguments(job, window, out));
        QVERIFY(process.waitForFinished(120000));
        job.milliseconds[window] = timer.elapsed();
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    }
    for (const QString& target : job.targets)
        job.newHashes << hashOf(out + "/" + target);
    qInfo("%s: %lld ms through quillmark-cli, %lld ms through the window", qPrintable(job.name),
          job.milliseconds[0], job.milliseconds[1]);
}

void KillTest::killedJobs_data()
{
    QTest::addColumn<QString>("job");
    QTest::addColumn<bool>("window");
    for (const char* job : {"generate-map", "combine-map", "generate-statics", "combine-statics"}) {
        QTest::addRow("%s, quillmark-cli", job) << job << false;
        QTest::addRow("%s, window", job) << job << true;
    }
}

void KillTest::killedJobs()
{
    QFETCH(QString, job);
    QFETCH(bool, window);
    const Job& spec = m_jobs[job];
    const QString out = m_dir.filePath(QString("out-%1-%2").arg(job).arg(window));
    QDir().mkpath(out);
    // Four kills at random instants (a job that ends first does not count),
    // then one between renames (before the first when there is only one).
    constexpr int RandomKills = 4;
    int landed = 0;
    for (int attempt = 0; landed <= RandomKills && attempt < 4 * RandomKills; ++attempt) {
        const int renameToKillAt = landed < RandomKills ? -1 : (spec.targets.size() > 1 ? 1 : 0);
        if (!killOnce(spec, window, out, renameToKillAt))
            continue;
        ++landed;
        checkTargets(spec, out, false);
        if (QTest::currentTestFailed())
            return;
        {
            // What the next job does before anything else.
            OutputFolder folder(out);
            QVERIFY2(folder.open(), qPrintable(folder.errorString()));
            folder.removeDebris({});
        }
        checkTargets(spec, out, true);
        if (QTest::currentTestFailed())
            return;
    }
    QProcess process;
    process.start(window ? KILLJOB_WINDOW : KILLJOB_CLI, arguments(spec, window, out));
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitCode(), 0);
    QStringList targets = spec.targets;
    targets.sort();
    QCOMPARE(testfiles::filesIn(out), targets);
    for (int i = 0; i < spec.targets.size(); ++i)
        QCOMPARE(hashOf(out + "/" + spec.targets[i]), spec.newHashes[i]);
}

// Starts the job over the earlier contents and kills it, at a random instant
// or when it announces the rename `renameToKillAt`. False when the job ended
// before the kill.
bool KillTest::killOnce(const Job& job, bool window, const QString& out, int renameToKillAt)
{
    for (const QString& target : job.targets)
        testfiles::write(out + "/" + target, oldContent(target));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (renameToKillAt >= 0)
        environment.insert("QUILLMARK_TEST_PAUSE_BEFORE_RENAME", "5000");
    process.setProcessEnvironment(environment);
    process.start(window ? KILLJOB_WINDOW : KILLJOB_CLI, arguments(job, window, out));
    if (!process.waitForStarted())
        return false;
    if (renameToKillAt >= 0) {
        const QByteArray mark = "before rename " + QByteArray::number(renameToKillAt);
        QByteArray said;
        while (!said.contains(mark) && process.waitForReadyRead(60000))
            said += process.readAllStandardOutput();
        if (!said.contains(mark))
            return false;
        ++m_killsBetweenRenames;
    } else {
        process.waitForFinished(int(m_random.bounded(job.milliseconds[window])));
    }
    if (process.state() == QProcess::NotRunning)
        return false;
    process.kill();
    process.waitForFinished();
    ++m_kills;
    return true;
}

// Every target whole, earlier or new; once settled, all of the set alike, and
// nothing of the killed run left but the lock of whoever settled it.
void KillTest::checkTargets(const Job& job, const QString& out, bool settled)
{
    int fresh = 0;
    for (int i = 0; i < job.targets.size(); ++i) {
        const QString path = out + "/" + job.targets[i];
        const QByteArray hash = hashOf(path);
        const bool isNew = hash == job.newHashes[i];
        QVERIFY2(isNew || testfiles::read(path) == oldContent(job.targets[i]), qPrintable(path));
        fresh += isNew ? 1 : 0;
    }
    bool leftFiles = false;
    for (const QString& name : testfiles::filesIn(out)) {
        if (job.targets.contains(name))
            continue;
        leftFiles = true;
        QVERIFY2(!name.endsWith(".mul") && name.contains("quillmark"), qPrintable(name));
        QVERIFY2(!settled, qPrintable("left after the next job's start: " + name));
    }
    m_killsLeavingFiles += !settled && leftFiles ? 1 : 0;
    m_killsMixed += !settled && fresh > 0 && fresh < job.targets.size() ? 1 : 0;
    if (settled)
        QVERIFY2(fresh == 0 || fresh == job.targets.size(), "a set part old, part new");
}

void KillTest::cleanupTestCase()
{
    qInfo("%d kills: %d between renames, %d left files of their own, %d left a set part old, part new",
          m_kills, m_killsBetweenRenames, m_killsLeavingFiles, m_killsMixed);
    QCOMPARE(m_kills, 40);
    QCOMPARE(m_killsBetweenRenames, 8);
}

QTEST_GUILESS_MAIN(KillTest)
#include "tst_kill.moc"
