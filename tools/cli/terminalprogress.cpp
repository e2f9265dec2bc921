#include "terminalprogress.h"

#include "terminal.h"

#include <cstdio>

namespace quillmark {

TerminalProgress::TerminalProgress(const QString& label)
    : m_label(label.toLocal8Bit()), m_enabled(standardErrorIsTerminal())
{}

TerminalProgress::~TerminalProgress()
{
    conclude(false);
}

void TerminalProgress::begin(qint64 totalSteps)
{
    m_total = totalSteps;
    if (m_enabled)
        show(0);
}

bool TerminalProgress::advance(qint64 step)
{
    if (m_enabled && m_total > 0) {
        const int percent = int(qBound(qint64(0), step * 100 / m_total, qint64(100)));
        // Only a new figure is worth a write: at most a hundred per job.
        if (percent != m_shown)
            show(percent);
    }
    return true;
}

void TerminalProgress::end()
{
    // The line stays open until conclude() knows how the job ended.
}

void TerminalProgress::conclude(bool succeeded)
{
    if (!m_lineOpen)
        return;
    if (succeeded)
        show(100);
    fputc('\n', stderr);
    fflush(stderr);
    m_lineOpen = false;
}

void TerminalProgress::show(int percent)
{
    fprintf(stderr, "\r%s: %3d%%", m_label.constData(), percent);
    fflush(stderr);
    m_shown = percent;
    m_lineOpen = true;
}

}  // namespace quillmark
