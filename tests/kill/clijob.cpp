// killjob-cli: quillmark-cli itself, whose commits can stop before a given
// rename (see pausehook.h).

#include "commandline.h"
#include "filesizesignal.h"
#include "pausehook.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    quillmark::ignoreFileSizeSignal();
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillmark-cli"));
    return quillmark::runCommandLine(QCoreApplication::arguments(), pausingCommitOptions());
}
