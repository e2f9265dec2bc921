#pragma once

#include <QString>
#include <QStringList>

// What a job reports back: success with its figures, or the one message that
// explains the failure. A stopped job has no message: whoever stopped it knows.
struct JobOutcome
{
    bool ok = false;
    bool stopped = false;
    QString message;

    qint64 blocks = 0;     // blocks walked
    qint64 records = 0;    // blocks listed in the difference files, or taken from them
    qint64 dataBytes = 0;  // bytes of the (difference) data file written
    QStringList written;   // the files that now stand in the output directory

    static JobOutcome failure(const QString& text)
    {
        JobOutcome outcome;
        outcome.message = text;
        return outcome;
    }
    static JobOutcome stop()
    {
        JobOutcome outcome;
        outcome.stopped = true;
        return outcome;
    }
};
