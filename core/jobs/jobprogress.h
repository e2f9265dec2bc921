#pragma once

#include <QtGlobal>

namespace quillmark {

// A job's walk shows its progress, and learns whether to stop, at every block
// number that is a multiple of this: often enough for a bar that moves and a
// stop that comes at once, rarely enough to cost nothing next to the blocks.
constexpr qint64 ProgressStep = 100;

// How a job shows its progress and learns that it should stop. A job calls
// begin() once its checks have passed, advance() at every block number that is
// a multiple of ProgressStep, and end() when its walk is over, on every path.
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

}  // namespace quillmark
