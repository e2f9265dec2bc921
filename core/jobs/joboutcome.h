#pragma once

#include <QString>
#include <QStringList>

#include <utility>

// The figures of a job that succeeded, for a summary.
struct JobResult
{
    qint64 blocks = 0;     // blocks walked
    qint64 records = 0;    // blocks listed in the difference files, or taken from them
    qint64 dataBytes = 0;  // bytes of the (difference) data file written
    QStringList written;   // the files that now stand in the output directory
};

// Why a job failed. The window shows the message alone, exactly as it stands;
// the command-line tool adds the file concerned and the system's reason, so
// that a script's log says which file failed and why.
struct JobFailure
{
    QString message;  // the job's fixed text
    QString file;     // the file concerned; empty when no one file is
    QString reason;   // the system's reason, or what is wrong with the file; may be empty
};

// How a job ended: succeeded (with its figures), failed (with its failure) or
// stopped at the caller's request (with nothing: whoever stopped it knows).
// Only the three factories make one, so no other state can arise.
class JobOutcome
{
public:
    static JobOutcome success(JobResult result)
    {
        JobOutcome outcome(State::Succeeded);
        outcome.m_result = std::move(result);
        return outcome;
    }
    static JobOutcome failure(JobFailure failure)
    {
        JobOutcome outcome(State::Failed);
        outcome.m_failure = std::move(failure);
        return outcome;
    }
    static JobOutcome failure(const QString& message) { return failure(JobFailure{message, {}, {}}); }
    static JobOutcome stop() { return JobOutcome(State::Stopped); }

    bool succeeded() const { return m_state == State::Succeeded; }
    bool failed() const { return m_state == State::Failed; }
    bool stopped() const { return m_state == State::Stopped; }

    // The figures of a job that succeeded; all zero otherwise.
    const JobResult& result() const { return m_result; }
    // The failure of a job that failed; all empty otherwise.
    const JobFailure& failure() const { return m_failure; }
    // The failure's message; empty unless the job failed.
    const QString& message() const { return m_failure.message; }

private:
    enum class State { Succeeded, Failed, Stopped };

    explicit JobOutcome(State state) : m_state(state) {}

    State m_state;
    JobResult m_result;    // set only when succeeded
    JobFailure m_failure;  // set only when failed
};
