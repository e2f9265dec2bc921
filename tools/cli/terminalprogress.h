#pragma once

#include "jobprogress.h"

#include <QByteArray>
#include <QString>

namespace quillmark {

// A job's progress as one percentage line on stderr, rewritten in place, for a
// person watching a terminal. When stderr is not a terminal (a pipe, a file, a
// script's log) nothing at all is written. Never stops a job and never touches
// an event loop.
class TerminalProgress final : public JobProgress
{
public:
    // `label` starts the line, e.g. "generate map".
    explicit TerminalProgress(const QString& label);
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void begin(qint64 totalSteps) override;
    bool advance(qint64 step) override;
    void end() override;

    // Ends the line once the job has returned: at 100% when it succeeded, where
    // it stopped when it failed, so that what follows starts on a line of its own.
    void conclude(bool succeeded);

private:
    void show(int percent);

    QByteArray m_label;
    bool m_enabled;
    qint64 m_total = 0;
    int m_shown = -1;
    bool m_lineOpen = false;
};

}  // namespace quillmark
