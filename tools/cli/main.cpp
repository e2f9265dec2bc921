// quillmark-cli: the window's four jobs, and an inspection of difference
// files, for people who script their shard's patch builds.

#include "commandline.h"
#include "filesizesignal.h"
#include "usage.h"

#include <QCoreApplication>

using namespace quillmark;

int main(int argc, char** argv)
{
    quillmark::ignoreFileSizeSignal();
    // No GUI application: the tool runs where no display exists, and draws
    // its pictures with the engine's own pixels.
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillmark-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLMARK_VERSION));
    if (const Status encoded = checkArgumentEncoding(argc, argv); encoded.failed())
        return reportFailure(encoded);
    return runCommandLine(QCoreApplication::arguments());
}
