#include "blockwalk.h"

#include "inputfile.h"
#include "outputfolder.h"
#include "stagedfile.h"
#include "stagingnames.h"

#include <QFileInfo>

BlockWalk::BlockWalk(JobProgress& progress, std::initializer_list<StagedFile*> outputs,
                     const char* writeFailure)
    : m_progress(progress), m_outputs(outputs), m_writeFailure(writeFailure)
{}

// However the job leaves, the progress it began ends.
BlockWalk::~BlockWalk()
{
    end();
}

// Before anything else in the folders it writes into (its output folder and
// those that links among its outputs lead to), what killed jobs left there
// is settled: an unfinished commit completed or undone, their files removed.
StepFailure BlockWalk::createOutputs(const char* message)
{
    if (m_outputs.empty())
        return std::nullopt;
    const QString& first = m_outputs.front()->target();
    QStringList folders{QFileInfo(first).absolutePath()};
    for (const StagedFile* output : m_outputs) {
        QString error;
        const QString destination = stagingnames::followLinks(output->target(), error);
        if (!destination.isEmpty())
            folders << QFileInfo(destination).absolutePath();
    }
    {
        FolderSet opened;
        if (!opened.open(folders))
            return JobFailure{QLatin1String(message), first, opened.errorString()};
        for (const auto& folder : opened.folders())
            folder->removeDebris();
    }
    for (StagedFile* output : m_outputs) {
        if (!output->create())
            return JobFailure{QLatin1String(message), output->target(), output->errorString()};
    }
    return std::nullopt;
}

void BlockWalk::begin(qint64 totalSteps)
{
    m_progress.begin(totalSteps);
    m_begun = true;
}

void BlockWalk::fail(JobFailure failure)
{
    m_failure = std::move(failure);
}

bool BlockWalk::atProgressStep(qint64 block)
{
    m_stopped = !m_progress.advance(block);
    if (!m_stopped)
        m_failure = writeFailure();
    return !m_stopped && !m_failure;
}

void BlockWalk::end()
{
    if (m_begun && !m_ended)
        m_progress.end();
    m_ended = true;
}

std::optional<JobFailure> BlockWalk::writeFailure() const
{
    for (const StagedFile* output : m_outputs) {
        if (output->failed())
            return JobFailure{QLatin1String(m_writeFailure), output->target(), output->errorString()};
    }
    return std::nullopt;
}

JobOutcome BlockWalk::finish(std::initializer_list<InputFile*> inputs, JobResult result)
{
    end();
    if (m_stopped)
        return JobOutcome::stop();
    if (m_failure)
        return JobOutcome::failure(*m_failure);
    for (InputFile* input : inputs)
        input->close();
    if (!commitStaged(m_outputs))
        return JobOutcome::failure(
            writeFailure().value_or(JobFailure{QLatin1String(m_writeFailure), {}, {}}));
    return JobOutcome::success(std::move(result));
}
