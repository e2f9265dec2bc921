#pragma once

#include "filesystem.h"
#include "output.h"

#include <memory>

namespace quillmark {

// An output written under a temporary name beside its target and put in
// place only when the whole job has succeeded (see commitStaged()). Until
// then the target, if it exists, is untouched; a StagedFile that is never
// committed removes its temporary file when it goes away. While it is
// written, the temporary file is owned by this process, so that no other job
// takes it for the debris of a killed one. A plain file has no header: its
// bytes are what is appended.
//
// A target that is a symbolic link to a file of its own folder is written
// through: that file is staged beside it and replaced, and the link stays. A
// link out of its folder is refused (see outputpath::resolve()).
class StagedFile final : public Output
{
public:
    // Written through `files`, the job's file system.
    StagedFile(const QString& target, FileSystem& files);
    ~StagedFile() override;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    const QString& target() const override { return m_target; }

    // Finds the file that the commit is to replace (see
    // outputpath::resolve()); create() does it when it was not done.
    Status resolve();
    // Fails when the target could not be created: its directory is missing
    // or unwritable, or the target is a directory or a read-only file.
    Status create() override;
    void append(const char* bytes, qint64 length) override;
    qint64 size() const override { return m_size; }
    Status writeStatus() const override { return m_failure; }
    // A plain file is complete once appended to.
    Status finish() override { return m_failure; }
    StagedFile& staged() override { return *this; }

    // Writes `length` bytes over bytes already appended, at `offset`: for a
    // header or table whose fields (checksums) are known only once the data
    // after it has been appended. size() and the place of the next append stay
    // as they are. A range outside what was appended counts as a failure.
    void overwrite(qint64 offset, const char* bytes, qint64 length);

    // What a commit does with it, in this order: startFlush() hands what is
    // written to the disk without waiting, so that the flushes of a set
    // overlap; flush() waits until it is on stable storage; close() reports
    // the write errors some file systems hold back until then; once renamed
    // into place, markCommitted() keeps it from being removed.
    void startFlush();
    Status flush();
    Status close();
    void markCommitted() { m_committed = true; }

    // The file that the target names through any links, in its folder's
    // canonical path: what a commit replaces. Empty until resolved.
    const QString& destination() const { return m_destination; }
    // The staged file's own name, beside the destination.
    const QString& temporaryPath() const { return m_temporary; }

private:
    void writeBuffer();
    void fail(const Status& failure);
    Status checkDestination();
    void discard();

    QString m_target;
    FileSystem& m_files;
    QString m_destination;
    QString m_temporary;
    std::unique_ptr<WritableFile> m_file;
    Status m_failure;
    std::unique_ptr<char[]> m_buffer;
    qint64 m_buffered = 0;
    qint64 m_size = 0;
    bool m_flushed = false;
    bool m_committed = false;
};

}  // namespace quillmark
