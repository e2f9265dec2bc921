// Full-size jobs killed (SIGKILL: no clean-up code runs) at random instants
// and between their renames, through quillmark-cli and through the window's
// workers. After every kill each target holds its earlier content or its new
// content, whole; the next job's start settles the folder: all targets of the
// set old or all new, no file of the killed run left. One more job then
// succeeds and leaves nothing but its outputs.

#include "outputfolder.h"
#include "samplefacet.h"
#include "testfiles.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace quillmark;

namespace {

struct Job
{
    QString name;        // the window helper's; quillmark-cli takes its two words
    QStringList inputs;  // quillmark-cli's option, then the file, for each input
    QStringList targets = {};
    QList<QByteArray> newContents = {};
    qint64 milliseconds[2] = {0, 0};  // a whole run through quillmark-cli, the window
};

// Starts the job writing into `out`; it stops before rename `stopAt` of its commit.
void start(QProcess& process, const Job& job, bool window, const QString& out, int stopAt = -1)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QUILLMARK_TEST_STOP_BEFORE_RENAME", QString::number(stopAt));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList words = window ? QStringList{job.name} : job.name.split('-');
    for (int i = 0; i < job.inputs.size(); i += 2)
        words << (window ? job.inputs.mid(i + 1, 1) : job.inputs.mid(i, 2));
    words << (window ? QStringList{out} : QStringList{"--out", out, "--facet", "0"});
    process.start(window ? KILLJOB_WINDOW : KILLJOB_CLI, words);
}

bool succeeds(const Job& job, bool window, const QString& out)
{
    QProcess process;
    start(process, job, window, out);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}

}  // namespace

class KillTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QList<Job> m_jobs;
    const quint32 m_seed = QRandomGenerator::global()->generate();
    QRandomGenerator m_random{m_seed};

    // Starts the job over the earlier contents and kills it, at a random
    // instant or when it stops before rename `stopAt`. False when it ended first.
    bool killOnce(const Job& job, bool window, const QString& out, int stopAt)
    {
        for (const QString& target : job.targets)
            testfiles::write(out + "/" + target, "earlier " + target.toLatin1());
        QProcess process;
        start(process, job, window, out, stopAt);
        QByteArray said;
        if (stopAt < 0)
            process.waitForFinished(int(m_random.bounded(job.milliseconds[window])));
        while (stopAt >= 0 && !said.contains("before rename") && process.waitForReadyRead(60000))
            said += process.readAllStandardOutput();
        if (process.state() != QProcess::Running || said.contains("before rename") != (stopAt >= 0))
            return false;
        process.kill();
        return process.waitForFinished();
    }

    // Every target whole, earlier or new (`fresh` of them new, when known);
    // once settled, all of the set alike and nothing of the killed run left.
    void checkTargets(const Job& job, const QString& out, bool settled, int fresh = -1)
    {
        int renewed = 0;
        for (int i = 0; i < job.targets.size(); ++i) {
            const QByteArray content = testfiles::read(out + "/" + job.targets[i]);
            renewed += content == job.newContents[i] ? 1 : 0;
            QVERIFY2(content == job.newContents[i] || content == "earlier " + job.targets[i].toLatin1(),
                     qPrintable(job.targets[i]));
        }
        for (const QString& name : testfiles::filesIn(out)) {
            QVERIFY2(job.targets.contains(name)
                         || (!settled && !name.endsWith(".mul") && name.contains("quillmark")),
                     qPrintable(name));
        }
        if (settled)
            QVERIFY2(renewed == 0 || renewed == job.targets.size(), "a set part old, part new");
        if (fresh >= 0)
            QCOMPARE(renewed, fresh);
    }

private slots:
    // A whole run of each job through each program, into a folder of its own,
    // gives its outputs and how long a run takes, so that random kills spread
    // over a whole run.
    void initTestCase()
    {
        qInfo("random seed %u", m_seed);
        const SampleFacetOptions options{m_dir.filePath("sample"), 0, 896, 512};  // Felucca's, the largest
        QVERIFY(writeSampleFacet(options).status.ok());
        const FacetFiles ref = referenceFiles(options), cur = editedFiles(options);
        const QString map = m_dir.filePath("generate-map/"), statics = m_dir.filePath("generate-statics/");
        // Generation first: its outputs are the combinations' inputs.
        m_jobs = {
            {"generate-map", {"--reference", ref.map, "--current", cur.map}},
            {"generate-statics",
             {"--reference-index", ref.index, "--reference-data", ref.data, "--current-index", cur.index,
              "--current-data", cur.data}},
            {"combine-map", {"--map", ref.map, "--difl", map + "mapdifl0.mul", "--dif", map + "mapdif0.mul"}},
            {"combine-statics",
             {"--index", ref.index, "--data", ref.data, "--difl", statics + "stadifl0.mul", "--difi",
              statics + "stadifi0.mul", "--dif", statics + "stadif0.mul"}}};
        for (Job& job : m_jobs) {
            const QString out = m_dir.filePath(job.name);
            QDir().mkpath(out);
            for (const bool window : {false, true}) {
                QElapsedTimer timer;
                timer.start();
                QVERIFY(succeeds(job, window, out));
                job.milliseconds[window] = timer.elapsed();
            }
            // The outputs alone (a generation's manifest among them): the
            // names a commit stages under are hidden.
            job.targets = QDir(out).entryList({"*.mul", "*.manifest.json"}, QDir::Files, QDir::Name);
            for (const QString& target : job.targets)
                job.newContents << testfiles::read(out + "/" + target);
        }
    }

    void killedJobs_data()
    {
        QTest::addColumn<int>("job");
        QTest::addColumn<bool>("window");
        for (int job = 0; job < m_jobs.size(); ++job)
            for (const bool window : {false, true})
                QTest::addRow("%s, %s", qPrintable(m_jobs[job].name), window ? "window" : "quillmark-cli")
                    << job << window;
    }

    // Four kills at random instants (a job that ends first does not count),
    // each followed by what the next job does first; then one between
    // renames (before the second when there is one, so that exactly one
    // target is new), after which the folder is moved and the same job run
    // into it again.
    void killedJobs()
    {
        QFETCH(int, job);
        QFETCH(bool, window);
        const Job& run = m_jobs[job];
        const QString out = m_dir.filePath(QString("out-%1-%2").arg(run.name).arg(window));
        QDir().mkpath(out);
        int landed = 0;
        for (int attempt = 0; landed < 4 && attempt < 40; ++attempt) {
            if (!killOnce(run, window, out, -1))
                continue;
            ++landed;
            checkTargets(run, out, false);
            {
                OutputFolder folder(out, CommitOptions());
                QCOMPARE(folder.open().reason(), QString());
                folder.removeDebris();
            }
            checkTargets(run, out, true);
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(landed, 4);
        const int stopAt = int(run.targets.size() > 1);
        QVERIFY(killOnce(run, window, out, stopAt));
        checkTargets(run, out, false, stopAt);
        const QString moved = out + "-moved";
        QVERIFY(QDir().rename(out, moved));
        QVERIFY(succeeds(run, window, moved));
        QCOMPARE(testfiles::filesIn(moved), run.targets);
        for (int i = 0; i < run.targets.size(); ++i)
            QVERIFY(testfiles::read(moved + "/" + run.targets[i]) == run.newContents[i]);
    }
};

QTEST_GUILESS_MAIN(KillTest)
#include "tst_kill.moc"
