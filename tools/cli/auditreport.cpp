#include "auditreport.h"

#include "console.h"

namespace quillmark {

void printAudit(const QString& title, const DifAudit& audit)
{
    printOut(title);
    for (const QString& fact : audit.facts)
        printOut(QLatin1String("  ") + fact);
    if (audit.findings.total() == 0)
        return;
    printOut(QStringLiteral("problems:"));
    for (const Findings::Kind& kind : audit.findings.kinds()) {
        printOut(QStringLiteral("  %1: %2").arg(kind.name).arg(kind.count));
        for (const QString& example : kind.examples)
            printOut(QLatin1String("    ") + example);
        if (kind.count > kind.examples.size())
            printOut(QStringLiteral("    ... and %1 more").arg(kind.count - kind.examples.size()));
    }
}

QString verdictLine(qint64 problems)
{
    if (problems == 0)
        return QStringLiteral("verdict: clean");
    return QStringLiteral("verdict: %1 %2 found").arg(problems).arg(problems == 1 ? "problem" : "problems");
}

}  // namespace quillmark
