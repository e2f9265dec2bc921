#pragma once

#include "basecheck.h"
#include "status.h"

#include <QString>
#include <QStringList>

#include <new>
#include <utility>

namespace quillmark {

// The figures of a job that succeeded, for a summary.
struct JobResult
{
    qint64 blocks = 0;      // blocks walked
    qint64 records = 0;     // blocks listed in the difference files, or taken from them
    qint64 dataBytes = 0;   // bytes of the (difference) data file written
    QStringList written;    // the files that now stand in the output directory
    BaseVerdict base = {};  // a combination's base, as its patch's manifest saw it
};

// How a job ended: succeeded (with its figures), failed (with its failure:
// the job's message, the file and the reason) or stopped at the caller's
// request (with nothing: whoever stopped it knows). Only the three factories
// make one, so no other state can arise.
class [[nodiscard]] JobOutcome
{
public:
    static JobOutcome success(JobResult result)
    {
        JobOutcome outcome(State::Succeeded);
        outcome.m_result = std::move(result);
        return outcome;
    }
    static JobOutcome failure(Status failure)
    {
        JobOutcome outcome(State::Failed);
        outcome.m_failure = std::move(failure);
        return outcome;
    }
    static JobOutcome stop() { return JobOutcome(State::Stopped); }

    bool succeeded() const { return m_state == State::Succeeded; }
    bool failed() const { return m_state == State::Failed; }
    bool stopped() const { return m_state == State::Stopped; }

    // The figures of a job that succeeded; all zero otherwise.
    const JobResult& result() const { return m_result; }
    // The failure of a job that failed; success otherwise.
    const Status& failure() const { return m_failure; }
    // The failure's message; empty unless the job failed.
    const QString& message() const { return m_failure.message(); }

private:
    enum class State { Succeeded, Failed, Stopped };

    explicit JobOutcome(State state) : m_state(state) {}

    State m_state;
    JobResult m_result;  // set only when succeeded
    Status m_failure;    // set only when failed
};

// Runs a job and turns an allocation that fails anywhere in it into the
// job's failure under `message`, with the reason "out of memory", instead of
// an abort: the staged files the job made go as its stack unwinds, and the
// window or tool that ran it lives on to say so.
template <typename Job>
JobOutcome withMemoryGuard(const QString& message, Job job)
{
    try {
        return job();
    } catch (const std::bad_alloc&) {
        return JobOutcome::failure(
            Status::failure(Status::Kind::OutOfMemory, message, QString(), QStringLiteral("out of memory")));
    }
}

}  // namespace quillmark
