#pragma once

// How every job, and every tool that writes a file, makes its outputs: each
// is resolved to the file it will replace (a link only within its own
// folder), checked against the files the job reads and against the other
// outputs (one file, one role), and created under the lock of every folder
// involved, after what killed jobs left there is settled. The lock is held
// until every output exists and is owned, so no other job's clean-up can take
// a file while it is being made.

#include "commitoptions.h"
#include "input.h"
#include "output.h"
#include "status.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace quillmark {

// The files a job reads, and which of its outputs may replace which of them.
// No output may be another output, nor a file the job reads, but the new
// version of one: a map combined into the folder it came from replaces its
// own map, an index its index, a data file its data file.
class FileRoles
{
public:
    // An input that is open.
    FileRoles& reads(const Input& input);
    // A file read already, known by its path (and looked up in check()).
    FileRoles& reads(const QString& path);
    // `output` is the new version of the open `input`, which it may replace.
    FileRoles& replaces(const Output& output, const Input& input);

    // Fails, naming the first output at fault and the two files, when two
    // outputs are one file or an output is a file read in another role.
    // Every output is resolved already.
    Status check(const std::vector<Output*>& outputs, FileSystem& files) const;

private:
    struct ReadFile
    {
        QString path;
        QByteArray identity;       // empty when known by its path only
        const Output* newVersion;  // the output that may replace it, if any
    };

    std::vector<ReadFile> m_inputs;
};

// Makes `outputs` as described above. Fails with the file and the reason
// (the job adds its message); then nothing made is left.
Status createOutputs(const std::vector<Output*>& outputs, const FileRoles& roles,
                     const CommitOptions& options);
// The same for the outputs from `made` on, those before it made already:
// for a job that learns only as it writes how many files it writes.
Status createMoreOutputs(const std::vector<Output*>& outputs, size_t made, const FileRoles& roles,
                         const CommitOptions& options);

}  // namespace quillmark
