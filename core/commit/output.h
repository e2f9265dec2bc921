#pragma once

#include "status.h"

#include <QString>
#include <QtEndian>

namespace quillmark {

class StagedFile;

// Where a job's bytes go as it makes them: an output, or, for a job that
// only works out what it would write, nowhere but its count.
class Sink
{
public:
    virtual ~Sink() = default;

    virtual void append(const char* bytes, qint64 length) = 0;
    // Bytes appended so far: the offset of the next one.
    virtual qint64 size() const = 0;

    void appendInt32(qint32 value)
    {
        char bytes[4];
        qToLittleEndian(value, bytes);
        append(bytes, sizeof bytes);
    }
};

// Counts what is appended and keeps none of it.
class CountingSink final : public Sink
{
public:
    void append(const char*, qint64 length) override { m_size += length; }
    qint64 size() const override { return m_size; }

private:
    qint64 m_size = 0;
};

// A file that a job writes: a difference file, an index or data file, a map
// file of either form, a picture. Every one is made the same way: create()
// stages it beside its target and writes what comes before its data (a
// header, tables); the data is appended; finish() completes it (checksums,
// tables that needed the data) once everything is appended. Then its staged
// file goes in place with the others of the job, or, when anything failed,
// nothing does. Writes are buffered, and the first failure is kept and
// reported by writeStatus() and finish().
class Output : public Sink
{
public:
    virtual const QString& target() const = 0;

    virtual Status create() = 0;
    // size() counts the data bytes appended: the offset of the next one in
    // the data. The first write that failed so far:
    virtual Status writeStatus() const = 0;
    virtual Status finish() = 0;

    // The file the commit puts in place of the target.
    virtual StagedFile& staged() = 0;
};

}  // namespace quillmark
