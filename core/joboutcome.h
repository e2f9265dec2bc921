#pragma once

#include <QString>
#include <QStringList>

#include <variant>

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
    static JobOutcome success(JobResult result) { return JobOutcome(std::move(result)); }
    static JobOutcome failure(JobFailure failure) { return JobOutcome(std::move(failure)); }
    static JobOutcome failure(const QString& message) { return JobOutcome(JobFailure{message, {}, {}}); }
    static JobOutcome stop() { return JobOutcome(Stopped()); }

    bool succeeded() const { return std::holds_alternative<JobResult>(m_state); }
    bool failed() const { return std::holds_alternative<JobFailure>(m_state); }
    bool stopped() const { return std::holds_alternative<Stopped>(m_state); }

    // The figures of a job that succeeded; all zero otherwise.
    const JobResult& result() const;
    // The failure of a job that failed; all empty otherwise.
    const JobFailure& failure() const;
    // The failure's message; empty unless the job failed.
    const QString& message() const { return failure().message; }

private:
    struct Stopped
    {};
    using State = std::variant<JobResult, JobFailure, Stopped>;

    explicit JobOutcome(State state) : m_state(std::move(state)) {}

    State m_state;
};

inline const JobResult& JobOutcome::result() const
{
    static const JobResult none;
    const JobResult* result = std::get_if<JobResult>(&m_state);
    return result ? *result : none;
}

inline const JobFailure& JobOutcome::failure() const
{
    static const JobFailure none;
    const JobFailure* failure = std::get_if<JobFailure>(&m_state);
    return failure ? *failure : none;
}
