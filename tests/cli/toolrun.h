#pragma once

// Runs one of the built executables and collects what it said.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

inline ToolRun runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.closeWriteChannel();
    ToolRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

inline ToolRun runCli(const QStringList& arguments)
{
    return runTool(QStringLiteral(QUILLMARK_CLI), arguments);
}

inline ToolRun runSample(const QStringList& arguments)
{
    return runTool(QStringLiteral(QUILLMARK_SAMPLE), arguments);
}

inline QString shellQuoted(QString text)
{
    return QLatin1Char('\'') + text.replace(QLatin1String("'"), QLatin1String("'\\''")) + QLatin1Char('\'');
}

// Runs the tool on a pseudo-terminal (through script(1)), so that its stderr is
// a terminal; `out` is everything the terminal showed, stdout and stderr mixed.
inline ToolRun runCliOnTerminal(const QStringList& arguments)
{
    QStringList words{shellQuoted(QStringLiteral(QUILLMARK_CLI))};
    for (const QString& argument : arguments)
        words << shellQuoted(argument);
    return runTool(QStringLiteral("script"),
                   {QStringLiteral("-qec"), words.join(QLatin1Char(' ')), QStringLiteral("/dev/null")});
}
