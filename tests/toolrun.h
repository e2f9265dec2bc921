#pragma once

// Runs a program as a user would, for the suites that check what the
// project's tools print: the exit status and both streams as text. Windows'
// console writes in text mode, so a line there ends in CR LF; read back as
// LF, the lines compare with those written on POSIX.

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

struct ToolRun
{
    int exitCode = -1;  // also when the program did not end normally in time; `err` says why
    QString out, err;
};

inline ToolRun runTool(const QString& program, const QStringList& arguments, int timeoutMs = 120000)
{
    QProcess process;
    process.start(program, arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit) {
        // No status to compare: say why (it did not start, did not end in
        // time, or crashed), so that a failing comparison shows it.
        ToolRun failed;
        failed.err = program + QStringLiteral(" did not end normally: ") + process.errorString();
        return failed;
    }
    const auto text = [](const QByteArray& bytes) {
        QString decoded = QString::fromLocal8Bit(bytes);
#ifdef Q_OS_WIN
        decoded.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
#endif
        return decoded;  // a terminal's own CR LF stays: the progress line's tests read it
    };
    return {process.exitCode(), text(process.readAllStandardOutput()), text(process.readAllStandardError())};
}

// The system's words for why `path` does not open, as the programs print
// them, without a closing full stop: "No such file or directory" for a
// missing file on Linux, where Windows and Wine each have their own.
inline QString openFailureReason(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return QString();
    QString reason = file.errorString();
    if (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return reason;
}
