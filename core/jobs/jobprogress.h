#pragma once

#include <QtGlobal>

// How a job shows its progress and learns that it should stop. A job calls
// begin() once its checks have passed, advance() at every block number that is
// a multiple of difformat::ProgressInterval, and end() when its walk is over,
// on every path.
class JobProgress
{
public:
    virtual ~JobProgress() = default;
    virtual void begin(qint64 totalSteps) = 0;
    // Returns false when the job should stop and leave nothing behind.
    virtual bool advance(qint64 step) = 0;
    virtual void end() = 0;
};

// For callers that want neither display nor interruption.
class SilentProgress final : public JobProgress
{
public:
    void begin(qint64) override {}
    bool advance(qint64) override { return true; }
    void end() override {}
};

// Calls end() when a job leaves its walk, however it leaves it.
class ProgressScope
{
public:
    ProgressScope(JobProgress& progress, qint64 totalSteps) : m_progress(progress)
    {
        m_progress.begin(totalSteps);
    }
    ~ProgressScope() { end(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    bool advance(qint64 step) { return m_progress.advance(step); }
    void end()
    {
        if (m_open)
            m_progress.end();
        m_open = false;
    }

private:
    JobProgress& m_progress;
    bool m_open = true;
};
