#pragma once

#include <QFile>
#include <QString>

#include <memory>
#include <vector>

// An output file written under a temporary name beside its target and put in
// place only when the whole job has succeeded (see commitStaged). Until then the
// target, if it exists, is untouched; a StagedFile that is never committed
// removes its temporary file when it goes away. Writes are buffered; the first
// error is remembered and reported by failed() and finish().
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

    // Writes out what is buffered and closes the temporary file.
    bool finish();

    const QString& target() const { return m_target; }

private:
    friend bool commitStaged(const std::vector<StagedFile*>& files);

    void writeBuffer();
    void fail(const QString& reason);
    void discard();

    QString m_target;
    QString m_temporary;
    QFile m_file;
    QString m_error;
    std::unique_ptr<char[]> m_buffer;
    qint64 m_buffered = 0;
    qint64 m_size = 0;
    bool m_failed = false;
    bool m_committed = false;
};

// Finishes every file and puts them all in place of their targets, or, when
// anything fails, none of them: targets that existed before are restored.
bool commitStaged(const std::vector<StagedFile*>& files);
