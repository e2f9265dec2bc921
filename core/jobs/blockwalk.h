#pragma once

#include "commitoptions.h"
#include "input.h"
#include "joboutcome.h"
#include "jobprogress.h"
#include "output.h"
#include "outputcreation.h"

#include <initializer_list>
#include <vector>

namespace quillmark {

// The rhythm that every job shares once its inputs have passed their checks:
// its outputs are created; the walk over the blocks shows progress, lets the
// caller stop it and notices a failed write at every ProgressStep-th block;
// then every input is closed, every output completed, and all are put in
// place at once, or, when anything failed or the job was stopped, none of
// them.
class BlockWalk
{
public:
    // `writeFailure` is the job's message for an output that cannot be written.
    BlockWalk(JobProgress& progress, const CommitOptions& options, std::vector<Output*> outputs,
              const QString& writeFailure);
    ~BlockWalk();
    BlockWalk(const BlockWalk&) = delete;
    BlockWalk& operator=(const BlockWalk&) = delete;

    // Creates the outputs in order and stops at the first that cannot be
    // created, whose failure carries `message`. Before anything else in the
    // folders the outputs go to, what killed jobs left there is settled; no
    // output may be another, nor an input other than the one `roles` lets
    // it replace (see quillmark::createOutputs()).
    Status createOutputs(const QString& message, const FileRoles& roles);
    // One more output, made as createOutputs() makes them, for a job that
    // learns only as it writes how many files it writes; it is completed
    // and committed with the others. It must live as long as the walk.
    Status addOutput(Output& output, const QString& message, const FileRoles& roles);

    // Shows progress from here on, for jobs that do work of their own (a
    // combination loads its replacement table) before eachBlock().
    void begin(qint64 totalSteps);

    // Ends the job early with `failure`, unless it is a success (eachBlock()
    // then does nothing and finish() reports it).
    void fail(const Status& failure);

    // Calls step(block) for every block from 0 to `blocks` - 1 (beginning the
    // progress with `blocks` steps unless begin() came first), and ends the
    // progress however the walk ends. `step` returns a Status; the first
    // failure ends the walk. True when every block was walked.
    template <typename Step>
    bool eachBlock(qint64 blocks, Step step);
    // The same walk handed over a progress step at a time:
    // step(first, count) for the blocks from `first` on, at most ProgressStep
    // of them, for a job that does too little per block to pay for a call
    // each.
    template <typename Step>
    bool eachStretch(qint64 blocks, Step step);

    // The outcome: the failure or stop that ended the walk, or else, with
    // every input closed (a target may replace one of them), every output
    // completed and committed, `result`.
    JobOutcome finish(std::initializer_list<Input*> inputs, JobResult result);

private:
    bool atProgressStep(qint64 block);
    void end();
    Status writeStatus() const;

    JobProgress& m_progress;
    const CommitOptions& m_options;
    std::vector<Output*> m_outputs;
    QString m_writeFailure;
    bool m_begun = false;
    bool m_ended = false;
    bool m_stopped = false;
    Status m_failure;
};

template <typename Step>
bool BlockWalk::eachBlock(qint64 blocks, Step step)
{
    return eachStretch(blocks, [&step](qint64 first, qint64 count) {
        for (qint64 block = first; block < first + count; ++block) {
            if (Status stepped = step(block); stepped.failed())
                return stepped;
        }
        return Status();
    });
}

template <typename Step>
bool BlockWalk::eachStretch(qint64 blocks, Step step)
{
    if (m_failure.failed())
        return false;
    if (!m_begun)
        begin(blocks);
    for (qint64 first = 0; first < blocks; first += ProgressStep) {
        if (!atProgressStep(first))
            break;
        if (Status stepped = step(first, qMin(ProgressStep, blocks - first)); stepped.failed()) {
            m_failure = std::move(stepped);
            break;
        }
    }
    end();
    return m_failure.ok() && !m_stopped;
}

}  // namespace quillmark
