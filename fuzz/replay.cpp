// A fuzz target's properties as a test: every input of its seed corpus, then,
// where the target makes inputs of its own from a seed (the jobs' targets:
// small files of every kind the job meets), that many of them, each checked
// as the fuzzer checks it. A broken property aborts with its name.
//
//   replay_<target> CORPUS_DIR [SEEDS]

#include "replay.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

SampleMaker& sampleMaker()
{
    static SampleMaker maker = nullptr;
    return maker;
}

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR [SEEDS]\n", argv[0]);
        return 2;
    }
    const QDir corpus(arguments[1]);
    int inputs = 0;
    for (const QString& name : corpus.entryList(QDir::Files, QDir::Name)) {
        QFile file(corpus.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
            return 1;
        }
        const QByteArray bytes = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        ++inputs;
    }
    const quint32 seeds = arguments.size() > 2 ? arguments[2].toUInt() : 0;
    for (quint32 seed = 1; sampleMaker() && seed <= seeds; ++seed) {
        const QByteArray bytes = sampleMaker()(seed);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        ++inputs;
    }
    std::printf("%d inputs hold every property\n", inputs);
    return 0;
}
