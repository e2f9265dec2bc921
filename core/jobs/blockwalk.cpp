#include "blockwalk.h"

#include "stagedcommit.h"
#include "stagedfile.h"

#include <utility>

namespace quillmark {

BlockWalk::BlockWalk(JobProgress& progress, const CommitOptions& options, std::vector<Output*> outputs,
                     const QString& writeFailure)
    : m_progress(progress), m_options(options), m_outputs(std::move(outputs)), m_writeFailure(writeFailure)
{}

// However the job leaves, the progress it began ends.
BlockWalk::~BlockWalk()
{
    end();
}

Status BlockWalk::createOutputs(const QString& message, const FileRoles& roles)
{
    return quillmark::createOutputs(m_outputs, roles, m_options).withMessage(message);
}

Status BlockWalk::addOutput(Output& output, const QString& message, const FileRoles& roles)
{
    m_outputs.push_back(&output);
    const Status created = createMoreOutputs(m_outputs, m_outputs.size() - 1, roles, m_options);
    if (created.failed())
        m_outputs.pop_back();
    return created.withMessage(message);
}

void BlockWalk::begin(qint64 totalSteps)
{
    m_progress.begin(totalSteps);
    m_begun = true;
}

void BlockWalk::fail(const Status& failure)
{
    if (m_failure.ok())
        m_failure = failure;
}

bool BlockWalk::atProgressStep(qint64 block)
{
    m_stopped = !m_progress.advance(block);
    if (!m_stopped)
        m_failure = writeStatus();
    return !m_stopped && m_failure.ok();
}

void BlockWalk::end()
{
    if (m_begun && !m_ended)
        m_progress.end();
    m_ended = true;
}

Status BlockWalk::writeStatus() const
{
    for (const Output* output : m_outputs) {
        if (const Status written = output->writeStatus(); written.failed())
            return written.withMessage(m_writeFailure);
    }
    return Status();
}

JobOutcome BlockWalk::finish(std::initializer_list<Input*> inputs, JobResult result)
{
    end();
    if (m_stopped)
        return JobOutcome::stop();
    if (m_failure.failed())
        return JobOutcome::failure(m_failure);
    for (Input* input : inputs)
        input->close();
    std::vector<StagedFile*> staged;
    for (Output* output : m_outputs) {
        if (const Status finished = output->finish(); finished.failed())
            return JobOutcome::failure(finished.withMessage(m_writeFailure));
        staged.push_back(&output->staged());
    }
    if (const Status committed = commitStaged(staged, m_options); committed.failed())
        return JobOutcome::failure(committed.withMessage(m_writeFailure));
    return JobOutcome::success(std::move(result));
}

}  // namespace quillmark
