#pragma once

#include "difformat.h"
#include "joboutcome.h"
#include "jobprogress.h"

#include <initializer_list>
#include <optional>
#include <vector>

class InputFile;
class StagedFile;

// What one block of a walk came to: nothing, or the failure that ends the job.
using StepFailure = std::optional<JobFailure>;

// The rhythm that every job shares once its inputs have passed their checks:
// its staged outputs are created; the walk over the blocks shows progress,
// lets the caller stop it and notices a failed write at every
// difformat::ProgressInterval-th block; then all outputs are put in place at
// once, or, when anything failed or the job was stopped, none of them.
class BlockWalk
{
public:
    // `writeFailure` is the job's message for an output that cannot be written.
    BlockWalk(JobProgress& progress, std::initializer_list<StagedFile*> outputs, const char* writeFailure);
    ~BlockWalk();
    BlockWalk(const BlockWalk&) = delete;
    BlockWalk& operator=(const BlockWalk&) = delete;

    // Creates the outputs in order and stops at the first that cannot be
    // created, whose failure carries `message`.
    StepFailure createOutputs(const char* message);

    // Shows progress from here on, for jobs that do work of their own (a
    // combination loads its replacement table) between this and walk().
    void begin(qint64 totalSteps);

    // Ends the job early with `failure` (walk() and finish() then do nothing
    // more than report it).
    void fail(JobFailure failure);

    // Calls step(block) for every block from 0 to `blocks` - 1 (beginning the
    // progress with `blocks` steps unless begin() came first), and ends the
    // progress however the walk ends. `step` returns a StepFailure. True when
    // every block was walked.
    template <typename Step>
    bool walk(qint64 blocks, Step step);

    // The outcome: the failure or stop that ended the walk, or else, with the
    // inputs closed (a target may replace one of them), every output
    // committed and `result` reported.
    JobOutcome finish(std::initializer_list<InputFile*> inputs, JobResult result);

private:
    bool atProgressStep(qint64 block);
    void end();
    std::optional<JobFailure> writeFailure() const;

    JobProgress& m_progress;
    std::vector<StagedFile*> m_outputs;
    const char* m_writeFailure;
    bool m_begun = false;
    bool m_ended = false;
    bool m_stopped = false;
    std::optional<JobFailure> m_failure;
};

template <typename Step>
bool BlockWalk::walk(qint64 blocks, Step step)
{
    if (m_failure)
        return false;
    if (!m_begun)
        begin(blocks);
    for (qint64 block = 0; block < blocks && !m_failure && !m_stopped; ++block) {
        if (block % difformat::ProgressInterval == 0 && !atProgressStep(block))
            break;
        m_failure = step(block);
    }
    end();
    return !m_failure && !m_stopped;
}
