#pragma once

#include "platformfile.h"

#include <QString>

#include <memory>
#include <vector>

// An output file written under a temporary name beside its target and put in
// place only when the whole job has succeeded (see commitStaged). Until then the
// target, if it exists, is untouched; a StagedFile that is never committed
// removes its temporary file when it goes away. While it is written, the
// temporary file is owned by this process, so that no other job takes it for
// the debris of a killed one. Writes are buffered; the first error is
// remembered and reported by failed() and finish().
//
// A target that is a symbolic link is written through: the file it points to
// is staged beside that file and replaced, and the link stays.
class StagedFile
{
public:
    explicit StagedFile(const QString& target);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates the temporary file. False when the target could not be created:
    // its directory is missing or unwritable, or the target is a directory or a
    // read-only file.
    bool create();

    void append(const char* bytes, qint64 length);
    void appendInt32(qint32 value);

    // Writes `length` bytes over bytes already appended, at `offset`: for a
    // header or table whose fields (checksums) are known only once the data
    // after it has been appended. size() and the place of the next append stay
    // as they are. A range outside what was appended counts as a failure.
    void overwrite(qint64 offset, const char* bytes, qint64 length);

    // Bytes appended so far: the offset of the next byte.
    qint64 size() const { return m_size; }
    bool failed() const { return m_failed; }
    // Why create() or the first failed write failed, in the system's words.
    const QString& errorString() const { return m_error; }

    // Writes out what is buffered and hands it to the disk without waiting:
    // finish() then waits for less.
    void startFlush();

    // Writes out what is buffered and flushes the file to stable storage. It
    // stays open, and owned, until it is committed or dropped.
    bool finish();

    const QString& target() const { return m_target; }
    // The file that the target names through any links: what a commit replaces.
    const QString& destination() const { return m_destination; }

private:
    friend class StagedCommit;

    void writeBuffer();
    void fail(const QString& reason);
    // Adds to the reason of a failure what became of the rest of the set.
    void appendReason(const QString& more);
    QString checkDestination();
    void discard();

    QString m_target;
    QString m_destination;
    QString m_temporary;
    platformfile::NativeFile m_file;
    QString m_error;
    std::unique_ptr<char[]> m_buffer;
    qint64 m_buffered = 0;
    qint64 m_size = 0;
    bool m_failed = false;
    bool m_finished = false;
    bool m_committed = false;
};

// Finishes every file and puts them all in place of their targets, or, when
// anything fails, none of them: targets that existed before keep (or get
// back) their earlier content. A crash at any point leaves each target whole,
// old or new; the next job in the folder completes a set whose renames had
// begun (see OutputFolder).
bool commitStaged(const std::vector<StagedFile*>& files);

// For tests that kill a job in the middle of its renames: called before each
// rename with the number of files already in place. None by default.
void setBeforeRenameHook(void (*hook)(int placed));
