#pragma once

// The files a report writes (the page, and the facts for scripts), written
// like every job's outputs: staged beside their targets and put in place
// together once all is written, or not at all; and the walk over the blocks
// that shows progress and can be stopped. The one place where a report
// writes.

#include "joboutcome.h"
#include "jobprogress.h"

#include <QByteArray>
#include <QString>

#include <cstring>
#include <functional>
#include <memory>
#include <optional>

namespace report {

// Text appended to an output; a failed write is remembered by the output.
class TextOut
{
public:
    virtual ~TextOut() = default;
    virtual void write(const char* bytes, qint64 length) = 0;

    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    void write(const QString& text) { write(text.toUtf8()); }
    void write(const char* text) { write(text, qint64(std::strlen(text))); }
};

class ReportOutputs
{
public:
    // `json` empty: the page alone.
    ReportOutputs(const QString& html, const QString& json, JobProgress& progress);
    ~ReportOutputs();
    ReportOutputs(const ReportOutputs&) = delete;
    ReportOutputs& operator=(const ReportOutputs&) = delete;

    // Settles what killed jobs left in the folder, then creates the outputs.
    std::optional<JobFailure> create();

    // step(block) for every block, with progress; false when a step failed
    // or the walk was stopped.
    bool walk(qint64 blocks, const std::function<std::optional<JobFailure>(qint64)>& step);
    void fail(JobFailure failure);

    TextOut& html();
    TextOut* json();  // null without one

    // The outcome: the failure or stop, or with every output committed, `result`.
    JobOutcome finish(JobResult result);

private:
    struct Files;
    std::unique_ptr<Files> m;
};

}  // namespace report
